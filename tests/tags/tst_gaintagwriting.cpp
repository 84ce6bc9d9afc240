// Writing measured gains into MP3 files: the value texts, which frames change and which stay byte for
// byte, tags that cannot be kept, and files read back by mutagen and ffprobe.
#include "Id3Fixtures.h"

#include "FileBytes.h"
#include "GainTagWriting.h"
#include "GainTags.h"
#include "TID3v2.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace larkspin;
using namespace fixtures;

namespace {

const GainValues TrackOnly{-6.54, 0.988251, std::nullopt, std::nullopt};
const GainValues WithAlbum{-6.54, 0.988251, -7.25, 1.0432};

QByteArray Audio() {
    return QByteArray(2000, '\xFF');
}

} // namespace

class TestGainTagWriting : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void valueTexts();
    void framesReplacedOthersKept_data();
    void framesReplacedOthersKept();
    void tagsThatCannotBeKept();
    void readBackByMutagenAndFfprobe();
    void flacCommentsReplacedAudioKept();
    void flacDamagedMetadata();
};

void TestGainTagWriting::valueTexts() {
    QCOMPARE(GainText(-6.54), std::string("-6.54 dB"));
    QCOMPARE(GainText(3.0), std::string("+3.00 dB"));
    QCOMPARE(GainText(-0.001), std::string("-0.00 dB"));
    QCOMPARE(GainText(0), std::string("+0.00 dB"));
    QCOMPARE(PeakText(0.988251), std::string("0.988251"));
    QCOMPARE(PeakText(1.25), std::string("1.250000"));
    // What is written reads back as the value.
    QCOMPARE(*ParseGainDb(GainText(-12.345)), -12.35);
    QCOMPARE(*ParsePeak(PeakText(0.5)), 0.5);
}

void TestGainTagWriting::framesReplacedOthersKept_data() {
    QTest::addColumn<QByteArray>("tag");
    QTest::addColumn<bool>("album");
    QTest::addColumn<int>("version");
    QTest::addColumn<QByteArrayList>("kept"); // frames that must stay byte for byte, in this order
    QTest::addColumn<double>("albumGain");    // read back; -1000 none

    const QByteArray title = v2Frame("TIT2", latin1Text("Song"));
    const QByteArray other = v2Frame("TXXX", latin1Text(QByteArray("MusicBrainz Album Id\0abc", 24)));
    const QByteArray oldTrack =
        v2Frame("TXXX", latin1Text(QByteArray("replaygain_track_gain\0-1.00 dB", 31)));
    const QByteArray oldAlbum =
        v2Frame("TXXX", utf16Text(QStringLiteral("REPLAYGAIN_ALBUM_GAIN")) + QByteArray(2, '\0') +
                            utf16Text(QStringLiteral("-2.00 dB")).mid(1));
    const QByteArray picture = v2Frame("APIC", QByteArray("\0image/png\0\3\0", 13) + QByteArray(300, 'p'));
    QTest::newRow("v2.3, old track gain replaced, album kept")
        << v2Tag(title + oldTrack + other + oldAlbum + picture) << false << 3
        << QByteArrayList{title, other, oldAlbum, picture} << -2.0;
    QTest::newRow("v2.3, album replaced too") << v2Tag(title + oldTrack + other + oldAlbum + picture) << true
                                              << 3 << QByteArrayList{title, other, picture} << -7.25;
    const QByteArray title4 = v24Frame("TIT2", QByteArray("\3Song", 5));
    QTest::newRow("v2.4") << v2Tag(title4 + v24Frame("TXXX", QByteArray("\3REPLAYGAIN_TRACK_PEAK\0"
                                                                        "0.1",
                                                                        27)),
                                   4)
                          << true << 4 << QByteArrayList{title4} << -7.25;
    const QByteArray title2 = v22Frame("TT2", latin1Text("Song"));
    QTest::newRow("v2.2") << v2Tag(title2, 2) << false << 2 << QByteArrayList{title2} << -1000.0;
    QTest::newRow("no tag") << QByteArray() << true << 3 << QByteArrayList{} << -7.25;
}

void TestGainTagWriting::framesReplacedOthersKept() {
    QFETCH(QByteArray, tag);
    QFETCH(bool, album);
    QFETCH(int, version);
    QFETCH(QByteArrayList, kept);
    QFETCH(double, albumGain);
    const QString path =
        dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_') + ".mp3");
    QVERIFY(writeFile(path, tag + Audio() + V1Block().title("v1").b));
    std::string problem;
    QVERIFY2(WriteMp3Gain(path.toStdString(), album ? WithAlbum : TrackOnly, problem), problem.c_str());
    QVERIFY(problem.empty());

    const QByteArray after = readFile(path);
    TID3v2 id3;
    QVERIFY(id3.Load(path.toStdString()));
    QCOMPARE(int(id3.MajorVersion()), version);
    // The audio and the ID3v1 tag behind the tag are untouched.
    QVERIFY(after.endsWith(Audio() + V1Block().title("v1").b));
    QCOMPARE(after.size() - id3.TagSize(), Audio().size() + 128);
    // Kept frames byte for byte and in order.
    qsizetype at = 0;
    for (const QByteArray& frame : kept) {
        const qsizetype found = after.indexOf(frame, at);
        QVERIFY2(found >= at, frame.left(4).constData());
        at = found + frame.size();
    }
    const GainTags gain = ReadGainTags(path.toStdString());
    QCOMPARE(*gain.TrackGain, -6.54);
    QCOMPARE(*gain.TrackPeak, 0.988251);
    QCOMPARE(gain.AlbumGain ? *gain.AlbumGain : -1000.0, albumGain);
    // One frame of each item: written twice, the tag does not grow.
    QVERIFY(WriteMp3Gain(path.toStdString(), album ? WithAlbum : TrackOnly, problem));
    QCOMPARE(readFile(path), after);
}

void TestGainTagWriting::tagsThatCannotBeKept() {
    const struct {
        const char* name;
        QByteArray file;
        const char* problem;
    } cases[] = {
        {"unsynchronised.mp3", v2Header(20, 3, 0x80) + QByteArray(20, 'x') + Audio(), "unsynchronised"},
        {"footer.mp3", v2Header(20, 4, 0x10) + QByteArray(20, 'x') + Audio(), "footer"},
        {"version5.mp3", v2Header(20, 5) + QByteArray(20, 'x') + Audio(), "version"},
        {"toolong.mp3", v2Header(5000) + QByteArray(20, 'x'), "past the end"},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(c.name);
        QVERIFY(writeFile(path, c.file));
        std::string problem;
        QVERIFY(!WriteMp3Gain(path.toStdString(), WithAlbum, problem));
        QVERIFY2(QString::fromStdString(problem).contains(c.problem), problem.c_str());
        QCOMPARE(readFile(path), c.file);
    }
    std::string problem;
    QVERIFY(!WriteMp3Gain(dir.filePath("missing.mp3").toStdString(), WithAlbum, problem));
    QVERIFY(!QFile::exists(dir.filePath("missing.mp3")));
}

void TestGainTagWriting::readBackByMutagenAndFfprobe() {
    if (!HaveTool("ffmpeg") || !HaveTool("ffprobe"))
        QSKIP("ffmpeg is needed to make the file");
    const QString path = dir.filePath("tool.mp3");
    QVERIFY(Run("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-c:a",
                           "libmp3lame", "-id3v2_version", "3", "-metadata", "title=Gr\u00fc\u00dfe",
                           "-metadata", "REPLAYGAIN_TRACK_GAIN=+9.00 dB", path}));
    std::string problem;
    QVERIFY2(WriteMp3Gain(path.toStdString(), WithAlbum, problem), problem.c_str());

    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-of", "json", "-show_entries", "format_tags", path});
    QVERIFY(probe.waitForFinished(60000));
    const QJsonObject tags = QJsonDocument::fromJson(probe.readAllStandardOutput())
                                 .object()["format"]
                                 .toObject()["tags"]
                                 .toObject();
    QCOMPARE(tags["REPLAYGAIN_TRACK_GAIN"].toString(), QStringLiteral("-6.54 dB"));
    QCOMPARE(tags["REPLAYGAIN_TRACK_PEAK"].toString(), QStringLiteral("0.988251"));
    QCOMPARE(tags["REPLAYGAIN_ALBUM_GAIN"].toString(), QStringLiteral("-7.25 dB"));
    QCOMPARE(tags["REPLAYGAIN_ALBUM_PEAK"].toString(), QStringLiteral("1.043200"));
    QCOMPARE(tags["title"].toString(), QString::fromUtf8("Gr\xC3\xBC\xC3\x9F"
                                                         "e"));

    if (!QFile::exists("/usr/bin/python3") || !Run("/usr/bin/python3", {"-c", "import mutagen.id3"}))
        QSKIP("python3-mutagen is needed for the second reading");
    QProcess mutagen;
    mutagen.start(
        "/usr/bin/python3",
        {"-c",
         "import sys, mutagen.id3 as m\n"
         "t = m.ID3(sys.argv[1])\n"
         "print(t.version[1], len(t.getall('TXXX')))\n"
         "for f in sorted(t.getall('TXXX'), key=lambda f: f.desc): print(f.desc + '=' + f.text[0])\n",
         path});
    QVERIFY(mutagen.waitForFinished(60000));
    QCOMPARE(mutagen.exitCode(), 0);
    const QStringList lines =
        QString::fromUtf8(mutagen.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines, (QStringList{"3 4", "REPLAYGAIN_ALBUM_GAIN=-7.25 dB", "REPLAYGAIN_ALBUM_PEAK=1.043200",
                                 "REPLAYGAIN_TRACK_GAIN=-6.54 dB", "REPLAYGAIN_TRACK_PEAK=0.988251"}));
}

// A FLAC file with comments (an old gain among them), a picture and padding: after writing, the old
// gain item is gone, the others and the picture stay, the audio's MD5 still checks, and metaflac and
// mutagen read the values.
void TestGainTagWriting::flacCommentsReplacedAudioKept() {
    if (!HaveTool("sox") || !HaveTool("metaflac") || !HaveTool("flac"))
        QSKIP("sox, flac and metaflac are needed");
    const QString path = dir.filePath("song.flac");
    QVERIFY(Run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", path, "synth", "2", "sine", "440"}));
    QVERIFY(
        writeFile(dir.filePath("cover.png"), QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(70000, 'c')));
    QVERIFY(
        Run("metaflac", {"--remove-all-tags", "--set-tag=TITLE=Gr\u00fc\u00dfe",
                         "--set-tag=replaygain_track_gain=+9.00 dB", "--set-tag=ARTIST=Someone",
                         "--import-picture-from=3|image/png||1x1x24|" + dir.filePath("cover.png"), path}));
    QVERIFY(Run("metaflac", {"--add-padding=1000", path}));
    const QByteArray before = readFile(path);
    std::string problem;
    QVERIFY2(WriteFlacGain(path.toStdString(), WithAlbum, problem), problem.c_str());
    QVERIFY(Run("flac", {"-t", "-s", path})); // decodes and checks the MD5 of the audio

    QProcess tags;
    tags.start("metaflac", {"--export-tags-to=-", path});
    QVERIFY(tags.waitForFinished(60000));
    QCOMPARE(
        QString::fromUtf8(tags.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
        (QStringList{QString::fromUtf8("TITLE=Gr\xC3\xBC\xC3\x9F"
                                       "e"),
                     "ARTIST=Someone", "REPLAYGAIN_TRACK_GAIN=-6.54 dB", "REPLAYGAIN_TRACK_PEAK=0.988251",
                     "REPLAYGAIN_ALBUM_GAIN=-7.25 dB", "REPLAYGAIN_ALBUM_PEAK=1.043200"}));
    QProcess pictures;
    pictures.start("metaflac", {"--list", "--block-type=PICTURE", path});
    QVERIFY(pictures.waitForFinished(60000));
    QVERIFY(pictures.readAllStandardOutput().contains("data length: 70008"));
    // The audio frames are the same bytes, behind the new metadata.
    const QByteArray after = readFile(path);
    const qsizetype audio = before.size() - before.indexOf("\xFF\xF8", 8 + 70000);
    QVERIFY(audio > 0 && audio < before.size());
    QCOMPARE(after.right(audio), before.right(audio));
    const GainTags gain = ReadGainTags(path.toStdString());
    QCOMPARE(*gain.TrackGain, -6.54);
    QCOMPARE(*gain.AlbumPeak, 1.0432);

    if (!QFile::exists("/usr/bin/python3") || !Run("/usr/bin/python3", {"-c", "import mutagen.flac"}))
        QSKIP("python3-mutagen is needed for the second reading");
    QProcess mutagen;
    mutagen.start("/usr/bin/python3", {"-c",
                                       "import sys, mutagen.flac as m\n"
                                       "f = m.FLAC(sys.argv[1])\n"
                                       "print(f['replaygain_track_gain'][0], f['replaygain_album_peak'][0], "
                                       "len(f.pictures), f.info.total_samples)\n",
                                       path});
    QVERIFY(mutagen.waitForFinished(60000));
    QCOMPARE(QString::fromUtf8(mutagen.readAllStandardOutput()).trimmed(),
             QStringLiteral("-6.54 dB 1.043200 1 88200"));
}

void TestGainTagWriting::flacDamagedMetadata() {
    // STREAMINFO body of 34 bytes, then a comment block whose count claims more comments than it holds.
    auto block = [](int type, const QByteArray& body, bool last) {
        QByteArray b(1, char((last ? 0x80 : 0) | type));
        b += char(body.size() >> 16);
        b += char(body.size() >> 8);
        b += char(body.size());
        return b + body;
    };
    const QByteArray info(34, '\1');
    const QByteArray badComments = QByteArray("\1\0\0\0v\5\0\0\0", 9) + QByteArray("\3\0\0\0a=b", 7);
    const struct {
        const char* name;
        QByteArray bytes;
        const char* problem;
    } cases[] = {
        {"not flac", "OggS" + QByteArray(100, 'x'), "not a FLAC file"},
        {"cut blocks", "fLaC" + block(0, info, false).left(20), "cut short"},
        {"past the file", "fLaC" + block(0, info, false) + QByteArray("\x81\x7f\xff\xff", 4), "cut short"},
        {"comments cut", "fLaC" + block(0, info, false) + block(4, badComments, true) + "audio",
         "damaged comment"},
        {"no streaminfo", "fLaC" + block(4, QByteArray(8, '\0'), true) + "audio", "STREAMINFO"},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name) + ".flac");
        QVERIFY(writeFile(path, c.bytes));
        std::string problem;
        QVERIFY2(!WriteFlacGain(path.toStdString(), WithAlbum, problem), c.name);
        QVERIFY2(QString::fromStdString(problem).contains(c.problem), problem.c_str());
        QCOMPARE(readFile(path), c.bytes);
    }
    // A file without comments gets a block behind STREAMINFO.
    const QString bare = dir.filePath("bare.flac");
    QVERIFY(writeFile(bare, "fLaC" + block(0, info, false) + block(1, QByteArray(10, '\0'), true) + "audio"));
    std::string problem;
    QVERIFY2(WriteFlacGain(bare.toStdString(), TrackOnly, problem), problem.c_str());
    const QByteArray after = readFile(bare);
    QCOMPARE(after.mid(4, 38), block(0, info, false));
    QCOMPARE(int(after[42]), 4);
    QVERIFY(after.endsWith(block(1, QByteArray(10, '\0'), true) + "audio"));
    QCOMPARE(*ReadGainTags(bare.toStdString()).TrackGain, -6.54);
}

QTEST_GUILESS_MAIN(TestGainTagWriting)
#include "tst_gaintagwriting.moc"
