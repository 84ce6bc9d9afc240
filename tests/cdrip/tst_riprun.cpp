// The rip run without windows: its three output modes, the tags it writes from the prepared list, abort,
// failing and unreadable tracks, hostile names and the output folder checks. A small fake stands in for
// the ripping component; the encoder plug-ins and the tag writers are the real ones, TagLib reads back.
#include "AccurateRip.h"
#include "CddbTestServer.h"
#include "FakeRipper.h"
#include "RipNames.h"
#include "RipRun.h"
#include "TEncoderHost.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <taglib/flacfile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/xiphcomment.h>

#include <unistd.h>

using namespace larkspin;

Q_DECLARE_METATYPE(RipOutputMode)

namespace {

std::vector<CdListItem> TwoPreparedTracks() {
    return {{2, "01 Some Artist / Some Song", "The Album", "1999", "Rock", true},
            {5, "02 Other Artist / Mr. X", "The Album", "1999", "Rock", true}};
}

QString Str(const TagLib::String& s) {
    return QString::fromStdString(s.to8Bit(true));
}

struct Rig {
    QTemporaryDir dir;
    RipRun* run = nullptr;
    FakeRipper ripper{run};
    std::unique_ptr<TEncoderHost> encoders;
    std::unique_ptr<RipRun> owned;

    Rig() { QDir(dir.path()).mkdir("out"); }
    QString path() const { return dir.path() + "/out"; }
    QString folder() const { return path() + "/"; }

    // Loads the encoder plug-in of the build whose encode type is type.
    bool usePlugIn(const QString& type) {
        encoders = std::make_unique<TEncoderHost>(LARKSPIN_BUILD_DIR "/PlugIn/Encoder");
        encoders->Enumerate();
        for (size_t i = 0; i < encoders->EncoderList().size(); ++i)
            if (QString::fromStdString(encoders->EncoderList()[i].encodeType) == type)
                return encoders->Select(int(i));
        return false;
    }

    RipRun& make(RipOutputMode mode, std::vector<CdListItem> items, RipTagChoice tags = {},
                 const QString& plugInType = {}, const RipDiscInfo& disc = {}) {
        RipRunSetup setup;
        setup.Mode = mode;
        setup.Folder = path();
        setup.Items = std::move(items);
        setup.Tags = tags;
        setup.PlugInType = plugInType;
        setup.Disc = disc;
        owned = std::make_unique<RipRun>(std::move(setup), ripper, encoders.get());
        run = owned.get();
        return *run;
    }

    QStringList files() const { return QDir(path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
};

} // namespace

class TestRipRun : public QObject {
    Q_OBJECT
private slots:
    void outputModes_data();
    void outputModes();
    void mp3TagsFollowTheSettings_data();
    void mp3TagsFollowTheSettings();
    void plugInEncodesWhileTheNextTrackRips();
    void abortMidTrack_data();
    void abortMidTrack();
    void failingTrackStopsTheRun();
    void unreadableTrackIsSkipped();
    void hostileCaptionsStayInTheFolder();
    void existingFilesAreNamed();
    void linksUnderTrackNamesAreReplacedNotFollowed();
    void outputFolderChecks();
    void accurateRipAnswers_data();
    void accurateRipAnswers();
    void reportsOfAKnownDiscAreTargetsToo();
    void abortWhileCheckingWritesNoReports();
};

void TestRipRun::outputModes_data() {
    QTest::addColumn<RipOutputMode>("mode");
    QTest::addColumn<QString>("plugIn");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("wav") << RipOutputMode::Wav << QString()
                         << QStringList{"01 Some Artist - Some Song.wav", "02 Other Artist - Mr. X.wav"};
    QTest::newRow("mp3 on the fly") << RipOutputMode::Mp3 << QString()
                                    << QStringList{"01 Some Artist - Some Song.mp3",
                                                   "02 Other Artist - Mr. X.mp3"};
    // The ripped WAVs are gone once their encoded files are done.
    QTest::newRow("plug-in mp3") << RipOutputMode::PlugIn << "mp3"
                                 << QStringList{"01 Some Artist - Some Song.mp3",
                                                "02 Other Artist - Mr. X.mp3"};
    QTest::newRow("plug-in flac") << RipOutputMode::PlugIn << "flac"
                                  << QStringList{"01 Some Artist - Some Song.flac",
                                                 "02 Other Artist - Mr. X.flac"};
}

void TestRipRun::outputModes() {
    QFETCH(RipOutputMode, mode);
    QFETCH(QString, plugIn);
    QFETCH(QStringList, files);
    Rig rig;
    if (!plugIn.isEmpty())
        QVERIFY2(rig.usePlugIn(plugIn), qPrintable(plugIn));
    RipRun& run = rig.make(mode, TwoPreparedTracks(), {}, plugIn);
    QCOMPARE(run.TargetFiles(), QStringList({rig.folder() + files[0], rig.folder() + files[1]}));
    QSignalSpy finished(&run, &RipRun::finished);
    run.Start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
    QVERIFY2(run.Problems().isEmpty(), qPrintable(run.Problems().join('\n')));
    QCOMPARE(rig.files(), files);
    QCOMPARE(run.Written(), run.TargetFiles());
    QCOMPARE(rig.ripper.calls,
             QStringList({"rip 2 " + QString(files[0]).replace(QRegularExpression("\\.\\w+$"), ".") +
                              (mode == RipOutputMode::Mp3 ? "mp3" : "wav"),
                          "rip 5 " + QString(files[1]).replace(QRegularExpression("\\.\\w+$"), ".") +
                              (mode == RipOutputMode::Mp3 ? "mp3" : "wav")}));
    QCOMPARE(run.Display().RipText, QStringLiteral("Finished"));
    if (mode == RipOutputMode::PlugIn)
        QCOMPARE(run.Display().EncodeText, QStringLiteral("Finished"));
    // Every encoded file carries the prepared list's values.
    const QString second = rig.folder() + files[1];
    if (files[1].endsWith(".mp3")) {
        TagLib::MPEG::File f(QFile::encodeName(second).constData());
        QVERIFY(f.isValid());
        QVERIFY(f.hasID3v1Tag() && f.hasID3v2Tag());
        for (TagLib::Tag* tag :
             {static_cast<TagLib::Tag*>(f.ID3v1Tag()), static_cast<TagLib::Tag*>(f.ID3v2Tag())}) {
            QCOMPARE(Str(tag->artist()), QStringLiteral("Other Artist"));
            QCOMPARE(Str(tag->title()), QStringLiteral("Mr. X"));
            QCOMPARE(Str(tag->album()), QStringLiteral("The Album"));
            QCOMPARE(tag->year(), 1999u);
            QCOMPARE(tag->track(), 2u);
        }
        QCOMPARE(Str(f.ID3v2Tag()->genre()), QStringLiteral("Rock"));
    } else if (files[1].endsWith(".flac")) {
        TagLib::FLAC::File f(QFile::encodeName(second).constData());
        QVERIFY(f.isValid() && f.xiphComment());
        QCOMPARE(Str(f.xiphComment()->artist()), QStringLiteral("Other Artist"));
        QCOMPARE(Str(f.xiphComment()->title()), QStringLiteral("Mr. X"));
        QCOMPARE(f.xiphComment()->track(), 2u);
    }
}

void TestRipRun::mp3TagsFollowTheSettings_data() {
    QTest::addColumn<RipOutputMode>("mode");
    QTest::addColumn<bool>("v1");
    QTest::addColumn<bool>("v2");
    for (RipOutputMode mode : {RipOutputMode::Mp3, RipOutputMode::PlugIn}) {
        const char* name = mode == RipOutputMode::Mp3 ? "on the fly" : "plug-in";
        QTest::addRow("%s v1 only", name) << mode << true << false;
        QTest::addRow("%s v2 only", name) << mode << false << true;
        QTest::addRow("%s none", name) << mode << false << false;
    }
}

void TestRipRun::mp3TagsFollowTheSettings() {
    QFETCH(RipOutputMode, mode);
    QFETCH(bool, v1);
    QFETCH(bool, v2);
    Rig rig;
    if (mode == RipOutputMode::PlugIn)
        QVERIFY(rig.usePlugIn("mp3"));
    RipRun& run = rig.make(mode, {TwoPreparedTracks()[0]}, {v1, v2}, "mp3");
    QSignalSpy finished(&run, &RipRun::finished);
    run.Start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
    TagLib::MPEG::File f(QFile::encodeName(run.TargetFiles()[0]).constData());
    QVERIFY(f.isValid());
    QCOMPARE(f.hasID3v1Tag(), v1);
    QCOMPARE(f.hasID3v2Tag(), v2);
    // One ID3v2 tag at most: the plug-in's own is not tagged over a second time.
    if (v2)
        QCOMPARE(Str(f.ID3v2Tag()->artist()), QStringLiteral("Some Artist"));
}

void TestRipRun::plugInEncodesWhileTheNextTrackRips() {
    Rig rig;
    QVERIFY(rig.usePlugIn("mp3"));
    std::vector<CdListItem> items = TwoPreparedTracks();
    items.push_back({7, "03 Third / Song", "The Album", "1999", "Rock", true});
    // Slow ripping: the encoder has finished track 1 long before track 2 is ripped.
    rig.ripper.chunks = 20;
    rig.ripper.chunkDelayMs = 50;
    RipRun& run = rig.make(RipOutputMode::PlugIn, items, {}, "mp3");
    QSignalSpy finished(&run, &RipRun::finished);
    run.Start();
    QTRY_VERIFY_WITH_TIMEOUT(run.Display().EncodeText == "Waiting for CDRipper" &&
                                 QFileInfo::exists(rig.folder() + "01 Some Artist - Some Song.mp3"),
                             30000);
    // Track 1's WAV is gone once its MP3 is done, while track 2 still rips.
    QVERIFY(!QFileInfo::exists(rig.folder() + "01 Some Artist - Some Song.wav"));
    QVERIFY(run.Running());
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
    QCOMPARE(rig.files(), QStringList({"01 Some Artist - Some Song.mp3", "02 Other Artist - Mr. X.mp3",
                                       "03 Third - Song.mp3"}));
}

void TestRipRun::abortMidTrack_data() {
    QTest::addColumn<RipOutputMode>("mode");
    QTest::newRow("wav") << RipOutputMode::Wav;
    QTest::newRow("mp3") << RipOutputMode::Mp3;
    QTest::newRow("plug-in") << RipOutputMode::PlugIn;
}

void TestRipRun::abortMidTrack() {
    QFETCH(RipOutputMode, mode);
    Rig rig;
    if (mode == RipOutputMode::PlugIn)
        QVERIFY(rig.usePlugIn("flac"));
    RipRun& run = rig.make(mode, TwoPreparedTracks(), {}, "flac");
    // The user presses "Abort" while the second track is half ripped.
    rig.ripper.onChunk = [&](int track, int chunk) {
        if (track == 5 && chunk == 2)
            run.Abort();
    };
    QSignalSpy finished(&run, &RipRun::finished);
    run.Start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
    QVERIFY(run.Aborted());
    QVERIFY(rig.ripper.calls.contains("abort 5"));
    const QStringList files = rig.files();
    // The first track's file stays as it is; nothing of the second under any name.
    QVERIFY2(!files.filter("01 Some Artist - Some Song.").isEmpty(), qPrintable(files.join(", ")));
    QVERIFY2(files.filter("02 ").isEmpty(), qPrintable(files.join(", ")));
    QVERIFY2(files.filter(QRegularExpression("^\\.")).isEmpty(), qPrintable(files.join(", ")));
    // Abort after the end changes nothing.
    run.Abort();
    QCOMPARE(finished.size(), 1);
}

void TestRipRun::failingTrackStopsTheRun() {
    Rig rig;
    std::vector<CdListItem> items = TwoPreparedTracks();
    items.push_back({7, "03 Third / Song", "The Album", "1999", "Rock", true});
    RipRun& run = rig.make(RipOutputMode::Mp3, items);
    rig.ripper.failAt = 5;
    QSignalSpy failed(&run, &RipRun::ripFailed);
    QSignalSpy finished(&run, &RipRun::finished);
    run.Start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed[0][0].toString(), QStringLiteral("The drive is gone"));
    QCOMPARE(rig.files(), QStringList({"01 Some Artist - Some Song.mp3"}));
    QCOMPARE(rig.ripper.calls.size(), 2); // track 7 is not asked for
    QCOMPARE(run.Problems(), QStringList({"Track 5: The drive is gone"}));
    // The finished track is tagged.
    TagLib::MPEG::File f(QFile::encodeName(rig.folder() + "01 Some Artist - Some Song.mp3").constData());
    QVERIFY(f.hasID3v2Tag());
}

void TestRipRun::unreadableTrackIsSkipped() {
    Rig rig;
    QVERIFY(rig.usePlugIn("mp3"));
    RipRun& run = rig.make(RipOutputMode::PlugIn, TwoPreparedTracks(), {}, "mp3");
    rig.ripper.unreadable = {2};
    QSignalSpy finished(&run, &RipRun::finished);
    run.Start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
    QCOMPARE(run.Problems(), QStringList({"Track 2 could not be read."}));
    QCOMPARE(rig.files(), QStringList({"02 Other Artist - Mr. X.mp3"}));

    // Not one of the tracks could be read: the run still ends.
    Rig none;
    QVERIFY(none.usePlugIn("mp3"));
    RipRun& empty = none.make(RipOutputMode::PlugIn, TwoPreparedTracks(), {}, "mp3");
    none.ripper.unreadable = {2, 5};
    QSignalSpy emptyFinished(&empty, &RipRun::finished);
    empty.Start();
    QTRY_COMPARE_WITH_TIMEOUT(emptyFinished.size(), 1, 30000);
    QCOMPARE(empty.Problems().size(), 2);
    QVERIFY(none.files().isEmpty());
}

void TestRipRun::hostileCaptionsStayInTheFolder() {
    Rig rig;
    const std::vector<CdListItem> items = {
        {1, "01 ../../x / ..", {}, {}, {}, true},
        {2, QString("02 A") + QChar(0) + "B / C\nD", {}, {}, {}, true},
        {3, "...", {}, {}, {}, true},
    };
    RipRun& run = rig.make(RipOutputMode::Wav, items);
    QSignalSpy finished(&run, &RipRun::finished);
    run.Start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
    QCOMPARE(rig.files(), QStringList({"01 ..-..-x - ...wav", "02 AB - CD.wav", "Track03.wav"}));
    QCOMPARE(QDir(rig.dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({"out"}));
}

void TestRipRun::existingFilesAreNamed() {
    Rig rig;
    QVERIFY(rig.usePlugIn("mp3"));
    RipRun& run = rig.make(RipOutputMode::PlugIn, TwoPreparedTracks(), {}, "mp3");
    QVERIFY(run.ExistingTargets().isEmpty());
    QFile mine(rig.folder() + "02 Other Artist - Mr. X.mp3");
    QVERIFY(mine.open(QIODevice::WriteOnly));
    mine.write("mine");
    mine.close();
    QFile wav(rig.folder() + "01 Some Artist - Some Song.wav");
    QVERIFY(wav.open(QIODevice::WriteOnly));
    wav.close();
    QCOMPARE(run.ExistingTargets(), QStringList({wav.fileName(), mine.fileName()}));
}

void TestRipRun::linksUnderTrackNamesAreReplacedNotFollowed() {
    Rig rig;
    RipRun& run = rig.make(RipOutputMode::Wav, TwoPreparedTracks());
    const QString link = rig.folder() + "01 Some Artist - Some Song.wav";
    const QString outside = rig.dir.filePath("outside.wav");
    QVERIFY(QFile::link(outside, link)); // points nowhere yet
    QCOMPARE(run.ExistingTargets(), QStringList({link}));
    QSignalSpy finished(&run, &RipRun::finished);
    run.Start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
    QVERIFY2(!QFileInfo::exists(outside), "nothing is written outside the output folder");
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(QFileInfo(link).size() > 0);
}

void TestRipRun::outputFolderChecks() {
    QTemporaryDir dir;
    QVERIFY(RipRun::CheckOutputFolder(dir.path()).isEmpty());
    QVERIFY(RipRun::CheckOutputFolder(dir.path() + "/").isEmpty());
    QCOMPARE(RipRun::CheckOutputFolder(dir.path() + "/gone"),
             QStringLiteral("The output directory \"%1/gone\" does not exist.").arg(dir.path()));
    QCOMPARE(RipRun::CheckOutputFolder(""), QStringLiteral("No output directory is chosen."));
    QCOMPARE(RipRun::CheckOutputFolder("music"),
             QStringLiteral("The output directory \"music\" is not a full path."));
    QFile file(dir.filePath("plain"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(RipRun::CheckOutputFolder(file.fileName()), "\"" + file.fileName() + "\" is not a directory.");
    if (geteuid() != 0) {
        QDir().mkdir(dir.filePath("ro"));
        QFile::setPermissions(dir.filePath("ro"), QFile::ReadOwner | QFile::ExeOwner);
        QCOMPARE(RipRun::CheckOutputFolder(dir.filePath("ro")),
                 QStringLiteral("The output directory \"%1\" cannot be written.").arg(dir.filePath("ro")));
    }
}

namespace {

// A disc whose first track is data and whose audio tracks 2 to 5 (AccurateRip's positions 0 to 3) the
// fake rips; track 2 sums to v1 0x1000 / v2 0x2000, track 5 to 0x5000 / 0x6000.
RipDiscInfo CheckedDisc(const QString& url, int timeoutMs = 30000) {
    RipDiscInfo disc;
    disc.Toc.TrackCount = 5;
    for (int i = 0; i < 5; ++i) {
        static_cast<TocMsf&>(disc.Toc.Tracks[i]) = MsfFromFrames(150 + 3000 * i);
        disc.Toc.Tracks[i].IsAudio = i == 0 ? 0 : TocAudioTrack;
    }
    disc.Toc.LeadOut = MsfFromFrames(150 + 15000);
    disc.DriveName = "Fake drive";
    disc.ReadMode = "Burst";
    disc.AccurateRipUrl = url;
    disc.AccurateRipTimeoutMs = timeoutMs;
    return disc;
}

void SetSums(FakeRipper& ripper) {
    ripper.checksums[2] = {0xAAAA, 0x1000, 0x2000, 100, 17640};
    ripper.checksums[5] = {0xBBBB, 0x5000, 0x6000, 200, 17640};
}

QByteArray Record(const AccurateRipDisc& disc, const QList<uint32_t>& crcs) {
    QByteArray r(1, static_cast<char>(crcs.size()));
    auto put = [&r](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            r += static_cast<char>(v >> (8 * i));
    };
    put(disc.Id1);
    put(disc.Id2);
    put(disc.CddbId);
    for (uint32_t crc : crcs) {
        r += static_cast<char>(9);
        put(crc);
        put(0);
    }
    return r;
}

} // namespace

void TestRipRun::accurateRipAnswers_data() {
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("verdicts");
    const AccurateRipDisc disc = AccurateRipDiscOf(CheckedDisc({}).Toc);
    QCOMPARE(disc.TrackCount, 4);
    // The record lists the audio tracks by their place among them: track 2 first, track 5 fourth.
    QTest::newRow("record") << QString::fromLatin1(Record(disc, {0x2000, 1, 2, 0x5001}).toHex())
                            << QStringList{"Accurately ripped (confidence 9)", "Not accurate"};
    QTest::newRow("damaged record") << QString::fromLatin1(QByteArray("\x04garbage").toHex())
                                    << QStringList(
                                           2, "AccurateRip's record is unusable: The AccurateRip record at "
                                              "byte 0 is cut short");
    QTest::newRow("server error") << "500"
                                  << QStringList(2, "AccurateRip could not be reached: HTTP 500 Failed");
    QTest::newRow("no answer")
        << "silent" << QStringList(2, "AccurateRip could not be reached: the server did not answer in time");
}

void TestRipRun::accurateRipAnswers() {
    QFETCH(QString, answer);
    QFETCH(QStringList, verdicts);
    CddbTestServer server(60000);
    if (answer == "silent")
        server.enqueueSilence();
    else if (answer == "500")
        server.enqueueStatus(500, "oops");
    else
        server.enqueue(QByteArray::fromHex(answer.toLatin1()));
    Rig rig;
    SetSums(rig.ripper);
    RipRun& run = rig.make(RipOutputMode::Wav, TwoPreparedTracks(), {}, {},
                           CheckedDisc("http://127.0.0.1:" + server.port(), 500));
    QSignalSpy finished(&run, &RipRun::finished);
    run.Start();
    QTRY_VERIFY_WITH_TIMEOUT(finished.size() == 1, 30000);
    QCOMPARE(server.targets.size(), 1);
    QCOMPARE(run.Results().size(), size_t(2));
    QCOMPARE((QStringList{run.Results()[0].AccurateRip, run.Results()[1].AccurateRip}), verdicts);
    QCOMPARE(rig.files(), QStringList({"01 Some Artist - Some Song.wav", "02 Other Artist - Mr. X.wav",
                                       "The Album.cue", "The Album.log"}));
    QCOMPARE(run.LogFile(), rig.folder() + "The Album.log");
    QFile log(run.LogFile());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    QVERIFY2(text.contains("Track 05\n  File: 02 Other Artist - Mr. X.wav\n  Peak: 0.6 %\n  CRC32: 0000BBBB\n"
                           "  AccurateRip checksums: v1 00005000, v2 00006000\n  AccurateRip: " +
                           verdicts[1] + "\n"),
             qPrintable(text));
}

void TestRipRun::reportsOfAKnownDiscAreTargetsToo() {
    // A rip log or CUE sheet of the same name (a disc image's own sheet, say) is replaced only when
    // the user agrees; a link under such a name is replaced, not followed.
    Rig rig;
    SetSums(rig.ripper);
    RipRun& run = rig.make(RipOutputMode::Wav, TwoPreparedTracks(), {}, {}, CheckedDisc({}));
    QCOMPARE(run.ReportFiles(),
             QStringList({rig.folder() + "The Album.cue", rig.folder() + "The Album.log"}));
    QVERIFY(run.ExistingTargets().isEmpty());
    QFile sheet(rig.folder() + "The Album.cue");
    QVERIFY(sheet.open(QIODevice::WriteOnly));
    sheet.close();
    const QString outside = rig.dir.filePath("outside.log");
    QVERIFY(QFile::link(outside, rig.folder() + "The Album.log"));
    QCOMPARE(run.ExistingTargets(), QStringList({sheet.fileName(), rig.folder() + "The Album.log"}));
    QSignalSpy finished(&run, &RipRun::finished);
    run.Start();
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
    QVERIFY2(!QFileInfo::exists(outside), "nothing is written outside the output folder");
    QVERIFY(QFileInfo(run.LogFile()).isFile() && !QFileInfo(run.LogFile()).isSymLink());
    QVERIFY(QFileInfo(sheet.fileName()).size() > 0);
    // No database address: the tracks are not checked.
    QCOMPARE(run.Results()[0].AccurateRip, QString());
    // Without a disc (a table of contents) there are no reports.
    Rig plain;
    QVERIFY(plain.make(RipOutputMode::Wav, TwoPreparedTracks()).ReportFiles().isEmpty());
}

void TestRipRun::abortWhileCheckingWritesNoReports() {
    CddbTestServer server(60000);
    server.enqueueSilence();
    Rig rig;
    SetSums(rig.ripper);
    RipRun& run = rig.make(RipOutputMode::Wav, TwoPreparedTracks(), {}, {},
                           CheckedDisc("http://127.0.0.1:" + server.port(), 60000));
    QSignalSpy finished(&run, &RipRun::finished);
    connect(&run, &RipRun::displayChanged, this, [&run] {
        if (run.Display().RipText == QLatin1String("Checking AccurateRip..."))
            run.Abort();
    });
    run.Start();
    QTRY_VERIFY_WITH_TIMEOUT(finished.size() == 1, 30000);
    QVERIFY(run.Aborted());
    // The tracks were done; the check and the reports are not.
    QCOMPARE(rig.files(), QStringList({"01 Some Artist - Some Song.wav", "02 Other Artist - Mr. X.wav"}));
    QVERIFY(run.LogFile().isEmpty());
}

QTEST_GUILESS_MAIN(TestRipRun)
#include "tst_riprun.moc"
