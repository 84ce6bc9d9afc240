// The CD plug-in on generated disc images: its CD exports, a track's exact samples through the decoder
// and through SDL's disk driver, pause and stop, and images it cannot read.
#include "CaptureAnalysis.h"
#include "CdTrackPath.h"
#include "CddaDecoder.h"
#include "DiscImage.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

using namespace capture;

namespace {

// Track lengths of the test disc in frames: 1 s, 2 s and 1 s of 330, 550 and 770 Hz.
const QList<int> ShortDisc = {75, 150, 75};
constexpr int SectorBytes = 2352;

struct CdExports {
    explicit CdExports(void* handle) {
        GetCDSupport = reinterpret_cast<LarkspinGetCDSupportFn>(dlsym(handle, "GetCDSupport"));
        GetCDDriveNum = reinterpret_cast<LarkspinGetCDDriveNumFn>(dlsym(handle, "GetCDDriveNum"));
        GetCDDriveLetter = reinterpret_cast<LarkspinGetCDDriveLetterFn>(dlsym(handle, "GetCDDriveLetter"));
        GetCDTrackCount = reinterpret_cast<LarkspinGetCDTrackCountFn>(dlsym(handle, "GetCDTrackCount"));
        GetCDTrackInfos = reinterpret_cast<LarkspinGetCDTrackInfosFn>(dlsym(handle, "GetCDTrackInfos"));
        PlayCDTrack = reinterpret_cast<LarkspinPlayCDTrackFn>(dlsym(handle, "PlayCDTrack"));
    }
    LarkspinGetCDSupportFn GetCDSupport;
    LarkspinGetCDDriveNumFn GetCDDriveNum;
    LarkspinGetCDDriveLetterFn GetCDDriveLetter;
    LarkspinGetCDTrackCountFn GetCDTrackCount;
    LarkspinGetCDTrackInfosFn GetCDTrackInfos;
    LarkspinPlayCDTrackFn PlayCDTrack;
};

// The samples of frames [first, first + count) of an image's .bin.
std::vector<int16_t> binSamples(const QString& cue, int firstFrame, int frames) {
    QFile bin(cue.left(cue.size() - 4) + ".bin");
    if (!bin.open(QIODevice::ReadOnly) || !bin.seek(qint64(firstFrame) * SectorBytes))
        return {};
    const QByteArray bytes = bin.read(qint64(frames) * SectorBytes);
    std::vector<int16_t> samples(size_t(bytes.size()) / 2);
    memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    return samples;
}

} // namespace

class TestPlugInCdda : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void exportsDescribeTheImages();
    void onlyAudioTracksCount_data();
    void onlyAudioTracksCount();
    void unreadableImagesHaveNoTracks_data();
    void unreadableImagesHaveNoTracks();
    void imageFilesThatAreNoFilesAreNeverOpened_data();
    void imageFilesThatAreNoFilesAreNeverOpened();
    void decoderDeliversTheDiscsSamples();
    void trackTwoSoundsExactlyThroughTheDiskDriver();
    void pausePlayResumesAndStopEnds();
    void playOfAMissingTrackLeavesNothingPlaying();
    void imageDeletedWhilePlayingEndsTheTrack();

private:
    QString makeImage(const QString& name, const QList<int>& frames, const QStringList& modes = {}) {
        QString error;
        const QString cue = MakeDiscImage(dir.path(), name, frames, &error, modes);
        if (cue.isEmpty())
            qWarning() << error;
        return cue;
    }
    // Offers images as the virtual drives; answers the drive number of the first.
    int offer(const QStringList& cues) {
        qputenv("LARKSPIN_VIRTUAL_DRIVES", cues.join(';').toUtf8());
        return cd->GetCDDriveNum() - int(cues.size());
    }

    QTemporaryDir dir;
    DecoderPlugIn* plugIn = nullptr;
    CdExports* cd = nullptr;
    QString disc;
};

void TestPlugInCdda::initTestCase() {
    QVERIFY(dir.isValid());
    static DecoderPlugIn p("IB_cdda.so"); // stays loaded, as in the host
    plugIn = &p;
    QVERIFY(plugIn->loaded());
    static CdExports exports(p.handle);
    cd = &exports;
    QVERIFY(cd->PlayCDTrack && cd->GetCDTrackInfos);
    disc = makeImage("short", ShortDisc);
    QVERIFY(!disc.isEmpty());
}

void TestPlugInCdda::init() {
    qputenv("LARKSPIN_AUDIO_DRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", dir.filePath("unused.raw").toUtf8());
    plugIn->StartPlugIn(0, 0);
    plugIn->SetOutputMode(0);
    plugIn->SetVolume(100);
}

void TestPlugInCdda::cleanup() {
    plugIn->ClosePlugIn();
}

void TestPlugInCdda::exportsDescribeTheImages() {
    QCOMPARE(cd->GetCDSupport(), uint8_t(1));
    QCOMPARE(QByteArray(plugIn->GetFileTypes()), QByteArray()); // it plays no files
    const QString three = makeImage("three", ThreeToneFrames);
    const int first = offer({disc, three});
    QVERIFY(first >= 0);
    // Images follow the real drives, in the order given.
    QCOMPARE(QString::fromUtf8(cd->GetCDDriveLetter(first)), disc);
    QCOMPARE(QString::fromUtf8(cd->GetCDDriveLetter(first + 1)), three);
    QCOMPARE(QByteArray(cd->GetCDDriveLetter(first + 2)), QByteArray());

    QCOMPARE(cd->GetCDTrackCount(first + 1), 3);
    // 375, 545 and 300 frames: whole seconds, cut.
    QCOMPARE(QByteArray(cd->GetCDTrackInfos(0)), QByteArray("Track 01  00:05"));
    QCOMPARE(QByteArray(cd->GetCDTrackInfos(1)), QByteArray("Track 02  00:07"));
    QCOMPARE(QByteArray(cd->GetCDTrackInfos(2)), QByteArray("Track 03  00:04"));
    QCOMPARE(QByteArray(cd->GetCDTrackInfos(3)), QByteArray());
    QCOMPARE(QByteArray(cd->GetCDTrackInfos(-1)), QByteArray());
    // The texts describe the drive counted last.
    QCOMPARE(cd->GetCDTrackCount(first), 3);
    QCOMPARE(QByteArray(cd->GetCDTrackInfos(1)), QByteArray("Track 02  00:02"));
    QCOMPARE(cd->GetCDTrackCount(first + 2), 0);
    QCOMPARE(QByteArray(cd->GetCDTrackInfos(0)), QByteArray());
    QCOMPARE(cd->GetCDTrackCount(-1), 0);
}

void TestPlugInCdda::onlyAudioTracksCount_data() {
    QTest::addColumn<QStringList>("modes");
    QTest::addColumn<QStringList>("infos");
    QTest::newRow("data track first")
        << QStringList{"MODE1/2352", "AUDIO", "AUDIO"} << QStringList{"Track 02  00:02", "Track 03  00:01"};
    QTest::newRow("data track last") << QStringList{"AUDIO", "AUDIO", "MODE1/2352"}
                                     << QStringList{"Track 01  00:01", "Track 02  00:02"};
    QTest::newRow("data disc") << QStringList{"MODE1/2352", "MODE1/2352", "MODE1/2352"} << QStringList{};
}

void TestPlugInCdda::onlyAudioTracksCount() {
    QFETCH(QStringList, modes);
    QFETCH(QStringList, infos);
    const QString cue =
        makeImage(QString("mixed%1").arg(QTest::currentDataTag()).remove(' '), ShortDisc, modes);
    const int drive = offer({cue});
    QCOMPARE(cd->GetCDTrackCount(drive), int(infos.size()));
    for (int t = 0; t < infos.size(); ++t)
        QCOMPARE(QString::fromUtf8(cd->GetCDTrackInfos(t)), infos[t]);
    // Row 0 plays the first audio track, whatever its number.
    qputenv("SDL_DISKAUDIOFILE", dir.filePath("mixed.raw").toUtf8());
    cd->PlayCDTrack(drive, 0, "play");
    if (infos.isEmpty()) {
        QCOMPARE(plugIn->GetState(), uint8_t(0));
    } else {
        const int length = infos[0].right(1).toInt();
        QVERIFY(waitFor([&] { return plugIn->GetState() == 1 && plugIn->GetLength() == length; }, 5000));
    }
    cd->PlayCDTrack(drive, 0, "stop");
}

void TestPlugInCdda::unreadableImagesHaveNoTracks_data() {
    QTest::addColumn<QByteArray>("sheet"); // written as bad.cue
    QTest::addColumn<int>("binBytes");     // size of bad.bin, -1 for none
    QTest::newRow("no bin beside the sheet") << QByteArray("FILE \"bad.bin\" BINARY\n  TRACK 01 AUDIO\n"
                                                           "    INDEX 01 00:00:00\n")
                                             << -1;
    QTest::newRow("sheet without tracks") << QByteArray("FILE \"bad.bin\" BINARY\n") << 2352 * 75;
    QTest::newRow("empty sheet") << QByteArray() << 2352 * 75;
    QTest::newRow("garbage") << QByteArray("\x01\x02TRACK\xff\xfe INDEX 99:99:99\n", 24) << 2352;
    QTest::newRow("index beyond the bin") << QByteArray("FILE \"bad.bin\" BINARY\n  TRACK 01 AUDIO\n"
                                                        "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n"
                                                        "    INDEX 01 70:00:00\n")
                                          << 2352 * 10;
    QTest::newRow("empty bin") << QByteArray("FILE \"bad.bin\" BINARY\n  TRACK 01 AUDIO\n"
                                             "    INDEX 01 00:00:00\n")
                               << 0;
}

// Nothing crashes or hangs; a track that has no sectors never plays, and what is there plays as far as
// it goes.
void TestPlugInCdda::unreadableImagesHaveNoTracks() {
    QFETCH(QByteArray, sheet);
    QFETCH(int, binBytes);
    QTemporaryDir bad;
    QFile cue(bad.filePath("bad.cue"));
    QVERIFY(cue.open(QIODevice::WriteOnly));
    cue.write(sheet);
    cue.close();
    if (binBytes >= 0) {
        QFile bin(bad.filePath("bad.bin"));
        QVERIFY(bin.open(QIODevice::WriteOnly));
        bin.write(QByteArray(binBytes, '\x10'));
    }
    const int drive = offer({cue.fileName()});
    const int tracks = cd->GetCDTrackCount(drive);
    QVERIFY(tracks >= 0 && tracks <= 2);
    for (int t = 0; t < tracks; ++t)
        QCOMPARE(QByteArray(cd->GetCDTrackInfos(t)).left(6), QByteArray("Track "));
    cd->PlayCDTrack(drive, 0, "play");
    cd->PlayCDTrack(drive, tracks, "play"); // one past the last: stops
    QCOMPARE(plugIn->GetState(), uint8_t(0));
    cd->PlayCDTrack(drive, 0, "play");
    QVERIFY(waitFor([&] { return plugIn->GetState() != 1; }, 10000) || tracks > 0);
    cd->PlayCDTrack(drive, 0, "stop");
    QCOMPARE(plugIn->GetState(), uint8_t(0));
}

void TestPlugInCdda::imageFilesThatAreNoFilesAreNeverOpened_data() {
    QTest::addColumn<QString>("fifo"); // which of fifo.cue and fifo.bin is a FIFO
    QTest::newRow("sheet") << "fifo.cue";
    QTest::newRow("data file") << "fifo.bin";
}

// Opening a FIFO waits for a writer: the track count must not even try. Should it wait all the same,
// the test writes nothing into the FIFO and closes it, so the call ends and the test fails.
void TestPlugInCdda::imageFilesThatAreNoFilesAreNeverOpened() {
    QFETCH(QString, fifo);
    QTemporaryDir dir;
    const QString cue = dir.filePath("fifo.cue");
    QVERIFY(QFile::copy(disc, cue));
    QVERIFY(QFile::copy(disc.left(disc.size() - 4) + ".bin", dir.filePath("fifo.bin")));
    const QByteArray path = QFile::encodeName(dir.filePath(fifo));
    QVERIFY(QFile::remove(dir.filePath(fifo)));
    QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    const int drive = offer({cue});
    std::promise<int> counted;
    std::future<int> tracks = counted.get_future();
    std::thread caller([&] { counted.set_value(cd->GetCDTrackCount(drive)); });
    const bool returned = tracks.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    if (!returned) {
        const int writer = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    }
    caller.join();
    QVERIFY2(returned, "the track count waited on a FIFO");
    QCOMPARE(tracks.get(), 0);
    cd->PlayCDTrack(drive, 0, "play");
    QCOMPARE(plugIn->GetState(), uint8_t(0));
}

void TestPlugInCdda::decoderDeliversTheDiscsSamples() {
    using namespace larkspin;
    auto decoder = kit::CreateCddaDecoder();
    QVERIFY(decoder->open(cdda::FormatCdTrackPath({disc.toStdString(), true, 2})));
    QCOMPARE(decoder->sampleRate(), 44100);
    QCOMPARE(decoder->channels(), 2);
    QCOMPARE(decoder->lengthFrames(), int64_t(150 * 588));
    const std::vector<int16_t> expected = binSamples(disc, 75, 150);
    std::vector<int16_t> got(expected.size() + 1000 * kit::MaxChannels);
    long frames = 0;
    // Odd read sizes cross sector boundaries.
    for (long n; (n = decoder->read(got.data() + frames * 2, 1001)) > 0;)
        frames += n;
    QCOMPARE(frames, long(150 * 588));
    got.resize(expected.size());
    QVERIFY(got == expected);

    // A seek lands on the exact frame, inside a sector.
    QVERIFY(decoder->seek(40 * 588 + 100));
    std::vector<int16_t> part(2000 * 2);
    QCOMPARE(decoder->read(part.data(), 2000), 2000L);
    QVERIFY(std::equal(part.begin(), part.end(), expected.begin() + (40 * 588 + 100) * 2));

    // Paths that name no track of a readable disc.
    for (const std::string& bad : {cdda::FormatCdTrackPath({disc.toStdString(), true, 4}),
                                   cdda::FormatCdTrackPath({dir.filePath("none.cue").toStdString(), true, 1}),
                                   disc.toStdString(), std::string("cdda:image:x:") + disc.toStdString()})
        QVERIFY2(!kit::CreateCddaDecoder()->open(bad), bad.c_str());
}

void TestPlugInCdda::trackTwoSoundsExactlyThroughTheDiskDriver() {
    const int drive = offer({disc});
    QCOMPARE(cd->GetCDTrackCount(drive), 3);
    const QString capturePath = dir.filePath("track2.raw");
    qputenv("SDL_DISKAUDIOFILE", capturePath.toUtf8());
    cd->PlayCDTrack(drive, 1, "play");
    QVERIFY(waitFor([&] { return plugIn->GetState() == 1 && plugIn->GetLength() == 2; }, 5000));
    QVERIFY(waitFor([&] { return plugIn->GetState() == 3; }, 10000));
    plugIn->ClosePlugIn(); // the capture is complete once the output is closed

    const std::vector<float> left = readCapture(capturePath, 0);
    const std::vector<float> right = readCapture(capturePath, 1);
    const std::vector<int16_t> expected = binSamples(disc, 75, 150);
    // The capture leaves silence where the track's first non-zero frame plays (a sine starts at 0);
    // from the track's start on, every sample is the disc's.
    size_t leading = 0;
    while (leading * 2 + 1 < expected.size() && expected[leading * 2] == 0 && expected[leading * 2 + 1] == 0)
        ++leading;
    size_t start = 0;
    while (start < left.size() && left[start] == 0.0f && right[start] == 0.0f)
        ++start;
    QVERIFY(start >= leading);
    start -= leading;
    QVERIFY2(start + expected.size() / 2 <= left.size(), "the capture holds less than the track");
    size_t differing = 0;
    for (size_t i = 0; i < expected.size() / 2; ++i)
        differing += left[start + i] * 32768.0f != expected[2 * i] ||
                     right[start + i] * 32768.0f != expected[2 * i + 1];
    QCOMPARE(differing, size_t(0));
    // And it is track 2's tone, not a neighbour's.
    const std::vector<float> played(left.begin() + long(start), left.begin() + long(start) + 44100);
    QVERIFY(toneLevels(played, 550, Rate, 4410, 4410)[0] > 0.4);
    QVERIFY(toneLevels(played, 330, Rate, 4410, 4410)[0] < 0.05);
    QVERIFY(toneLevels(played, 770, Rate, 4410, 4410)[0] < 0.05);
}

void TestPlugInCdda::pausePlayResumesAndStopEnds() {
    const int drive = offer({disc});
    QCOMPARE(cd->GetCDTrackCount(drive), 3);
    qputenv("SDL_DISKAUDIOFILE", dir.filePath("pause.raw").toUtf8());
    cd->PlayCDTrack(drive, 1, "play");
    QVERIFY(waitFor([&] { return plugIn->GetPos() == 1; }, 5000));
    cd->PlayCDTrack(drive, 1, "pause");
    QCOMPARE(plugIn->GetState(), uint8_t(2));
    // Play on the paused track resumes it where it was, not from the start.
    cd->PlayCDTrack(drive, 1, "play");
    QCOMPARE(plugIn->GetState(), uint8_t(1));
    QCOMPARE(plugIn->GetPos(), 1);
    // Play on another track while paused starts that one.
    cd->PlayCDTrack(drive, 1, "pause");
    cd->PlayCDTrack(drive, 2, "play");
    QVERIFY(waitFor([&] { return plugIn->GetState() == 1 && plugIn->GetLength() == 1; }, 5000));
    QCOMPARE(plugIn->GetPos(), 0);
    cd->PlayCDTrack(drive, 2, "stop");
    QCOMPARE(plugIn->GetState(), uint8_t(0));
    QCOMPARE(plugIn->GetPos(), 0);
    cd->PlayCDTrack(drive, 2, "rewind"); // unknown commands do nothing
    QCOMPARE(plugIn->GetState(), uint8_t(0));
}

void TestPlugInCdda::playOfAMissingTrackLeavesNothingPlaying() {
    const int drive = offer({disc});
    qputenv("SDL_DISKAUDIOFILE", dir.filePath("missing.raw").toUtf8());
    cd->PlayCDTrack(drive, 0, "play");
    QVERIFY(waitFor([&] { return plugIn->GetState() == 1; }, 5000));
    for (auto [d, t] : {std::pair{drive, 3}, std::pair{drive, -1}, std::pair{drive + 1, 0}}) {
        cd->PlayCDTrack(d, t, "play");
        QCOMPARE(plugIn->GetState(), uint8_t(0));
        QCOMPARE(plugIn->GetLength(), 0);
        cd->PlayCDTrack(drive, 0, "play");
        QVERIFY(waitFor([&] { return plugIn->GetState() == 1; }, 5000));
    }
    cd->PlayCDTrack(drive, 0, nullptr); // a null command is ignored
    QCOMPARE(plugIn->GetState(), uint8_t(1));
    cd->PlayCDTrack(drive, 0, "stop");
}

// The disc image is deleted while its track plays (the open file would still read): the track ends
// with what was read, and the next track does not start.
void TestPlugInCdda::imageDeletedWhilePlayingEndsTheTrack() {
    QTemporaryDir gone;
    QString error;
    const QString cue = MakeDiscImage(gone.path(), "gone", {1500, 75}, &error); // 20 s, 1 s
    QVERIFY2(!cue.isEmpty(), qPrintable(error));
    const int drive = offer({cue});
    qputenv("SDL_DISKAUDIOFILE", dir.filePath("gone.raw").toUtf8());
    cd->PlayCDTrack(drive, 0, "play");
    QVERIFY(waitFor([&] { return plugIn->GetState() == 1 && plugIn->GetPos() >= 1; }, 20000));
    QVERIFY(QFile::remove(cue));
    QVERIFY(QFile::remove(gone.filePath("gone.bin")));
    QVERIFY(waitFor([&] { return plugIn->GetState() != 1; }, 30000));
    QVERIFY(plugIn->GetPos() < 15);
    cd->PlayCDTrack(drive, 1, "play");
    QCOMPARE(plugIn->GetState(), uint8_t(0));
}

QTEST_MAIN(TestPlugInCdda)
#include "tst_plugincdda.moc"
