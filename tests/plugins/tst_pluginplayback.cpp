// Playback through the real plug-ins, checked in what SDL's disk driver captured.
#include "DecoderPlugIn.h"

#include <QTemporaryDir>
#include <QtTest>

#include <map>
#include <memory>

namespace {

constexpr int Rate = 44100;
constexpr double Full = 0.5; // amplitude of the generated sines
constexpr int StepMs = 10;

struct Levels {
    std::vector<double> a; // 440 Hz
    std::vector<double> b; // 880 Hz
    std::vector<double> c; // 660 Hz
};

// One channel of a capture (float32 stereo), 0 for the left.
std::vector<float> readCapture(const QString& path, int channel) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    const size_t frames = size_t(bytes.size()) / (2 * sizeof(float));
    std::vector<float> left(frames);
    const float* data = reinterpret_cast<const float*>(bytes.constData());
    for (size_t i = 0; i < frames; ++i)
        left[i] = data[i * 2 + size_t(channel)];
    return left;
}

Levels levelsOf(const QString& capture, int channel = 0) {
    const std::vector<float> mono = readCapture(capture, channel);
    const int window = Rate / 20, step = Rate * StepMs / 1000;
    return {toneLevels(mono, 440, Rate, window, step), toneLevels(mono, 880, Rate, window, step),
            toneLevels(mono, 660, Rate, window, step)};
}

// First index from `from` where the level is above (or below) fraction of Full; -1 when never.
int firstAbove(const std::vector<double>& l, double fraction, int from = 0) {
    for (int i = std::max(from, 0); i < int(l.size()); ++i)
        if (l[size_t(i)] > fraction * Full)
            return i;
    return -1;
}

int firstBelow(const std::vector<double>& l, double fraction, int from = 0) {
    for (int i = std::max(from, 0); i < int(l.size()); ++i)
        if (l[size_t(i)] < fraction * Full)
            return i;
    return -1;
}

int lastAbove(const std::vector<double>& l, double fraction, int before) {
    for (int i = std::min(before, int(l.size())) - 1; i >= 0; --i)
        if (l[size_t(i)] > fraction * Full)
            return i;
    return -1;
}

// A linear envelope over fadeMs crosses 5 % and 95 % of full 0.9 * fadeMs apart.
void verifyRamp(int from, int to, int fadeMs) {
    QVERIFY2(from >= 0 && to > from, qPrintable(QString("ramp %1..%2").arg(from).arg(to)));
    const int measured = (to - from) * StepMs;
    QVERIFY2(std::abs(measured - fadeMs * 9 / 10) <= 80,
             qPrintable(QString("ramp of %1 ms for a fade of %2 ms").arg(measured).arg(fadeMs)));
}

} // namespace

class TestPlugInPlayback : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void crossfadeBringsTheNewFileInWhileTheOldFadesOut();
    void fadeInFromSilence();
    void stopFadesOutThenStops();
    void closeRightAfterStopStillFadesOut();
    void pauseAndResume();
    void seekClampsAndMoves();
    void seekLandsOnTheAskedSecond_data();
    void seekLandsOnTheAskedSecond();
    void endOfFileGivesStateThreeAndPlayStartsItAgain();
    void playWhilePlayingRestartsTheFile();
    void volumeScalesTheOutput();
    void realMp3PlaysInRealTimeThroughDummyDriver();
    void settingsFileBesideThePlugInChoosesTheDriver();
    void otherRatesAndChannelsKeepTheirPitch_data();
    void otherRatesAndChannelsKeepTheirPitch();
    void damagedFilesEndWithoutCrashOrHang_data();
    void damagedFilesEndWithoutCrashOrHang();

private:
    QString file(const QString& name) const { return dir.filePath(name); }
    QString startCapture(const QString& name) {
        const QString path = file(name);
        qputenv("SDL_DISKAUDIOFILE", path.toUtf8());
        return path;
    }

    QTemporaryDir dir;
    DecoderPlugIn* sndfile = nullptr;
    DecoderPlugIn* mpeg = nullptr;
};

void TestPlugInPlayback::initTestCase() {
    QVERIFY(dir.isValid());
    static DecoderPlugIn s("IB_sndfile.so"), m("IB_mpeg.so"); // stay loaded, as in the host
    sndfile = &s;
    mpeg = &m;
    QVERIFY(sndfile->loaded());
    QVERIFY(mpeg->loaded());
    QVERIFY(makeSine(file("a440.wav"), 440, 3));
    QVERIFY(makeSine(file("b880.wav"), 880, 3));
    QVERIFY(makeSine(file("short.wav"), 440, 1));
    QVERIFY(makeSine(file("s1.wav"), 440, 1));
    QVERIFY(makeSine(file("s2.wav"), 660, 1));
    QVERIFY(makeSine(file("s3.wav"), 880, 1));
    QVERIFY(runTool("sox", {file("s1.wav"), file("s2.wav"), file("s3.wav"), file("steps.wav")}));
    QVERIFY(runTool("lame", {"--quiet", "-b", "128", file("a440.wav"), file("a440.mp3")}));
    QVERIFY(runTool("lame", {"--quiet", "-b", "192", file("steps.wav"), file("steps.mp3")}));
    QVERIFY(runTool("oggenc", {"-Q", "-q", "6", "-o", file("steps.ogg"), file("steps.wav")}));
    QVERIFY(runTool("flac", {"-s", "-o", file("steps.flac"), file("steps.wav")}));
    QVERIFY(runTool("ffmpeg", {"-v", "error", "-y", "-i", file("steps.wav"), "-c:a", "wmav2", "-b:a", "192k",
                               file("steps.wma")}));
    QVERIFY(runTool("sox", {"-n", "-r", "22050", "-c", "1", "-b", "16", file("mono22k.wav"), "synth", "1.5",
                            "sine", "440", "vol", "0.5"}));
    QVERIFY(runTool("sox", {"-n", "-r", "48000", "-c", "2", "-b", "16", file("s48k.wav"), "synth", "1.5",
                            "sine", "440", "vol", "0.5"}));
    QVERIFY(runTool("oggenc", {"-Q", "-q", "6", "-o", file("s48k.ogg"), file("s48k.wav")}));
}

void TestPlugInPlayback::init() {
    qputenv("LARKSPIN_AUDIO_DRIVER", "disk");
    sndfile->StartPlugIn(0, 0);
    sndfile->SetOutputMode(0);
    sndfile->SetVolume(100);
}

void TestPlugInPlayback::cleanup() {
    sndfile->ClosePlugIn();
    mpeg->ClosePlugIn();
}

void TestPlugInPlayback::crossfadeBringsTheNewFileInWhileTheOldFadesOut() {
    DecoderPlugIn& p = *sndfile;
    const QString capture = startCapture("crossfade.raw");
    p.LoadFile(file("a440.wav").toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetState() == 1 && p.GetLength() == 3; }, 5000));
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 5000));
    p.LoadFile(file("b880.wav").toUtf8());
    p.Play(1000);
    QVERIFY(waitFor([&] { return p.GetNowFading() != 0; }, 5000));
    // Position, length and state describe the file brought in last.
    QVERIFY(p.GetPos() <= 1);
    QCOMPARE(p.GetState(), uint8_t(1));
    QVERIFY(waitFor([&] { return p.GetNowFading() == 0; }, 5000));
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 5000));
    p.Stop(0);
    p.ClosePlugIn();

    const Levels l = levelsOf(capture);
    const int aFull = firstAbove(l.a, 0.95);
    QVERIFY(aFull >= 0);
    const int bStart = firstAbove(l.b, 0.05);
    const int bFull = firstAbove(l.b, 0.95, bStart);
    verifyRamp(bStart, bFull, 1000);
    const int aGone = firstBelow(l.a, 0.05, bStart);
    const int aLastFull = lastAbove(l.a, 0.95, aGone);
    verifyRamp(aLastFull, aGone, 1000);
    QVERIFY2(std::abs(aLastFull - bStart) * StepMs <= 60, "both envelopes start together");
    const size_t middle = size_t(bStart + bFull) / 2;
    QVERIFY2(l.a[middle] > 0.3 * Full && l.a[middle] < 0.7 * Full, "the old file is heard halfway");
    QVERIFY2(l.b[middle] > 0.3 * Full && l.b[middle] < 0.7 * Full, "the new file is heard halfway");
    QVERIFY2(aFull < bStart - 50, "the first file played before the crossfade");
}

void TestPlugInPlayback::fadeInFromSilence() {
    DecoderPlugIn& p = *sndfile;
    const QString capture = startCapture("fadein.raw");
    p.LoadFile(file("a440.wav").toUtf8());
    p.Play(500);
    QVERIFY(waitFor([&] { return p.GetNowFading() != 0; }, 5000));
    QVERIFY(waitFor([&] { return p.GetNowFading() == 0; }, 5000));
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 5000));
    p.Stop(0);
    p.ClosePlugIn();

    const Levels l = levelsOf(capture);
    const int start = firstAbove(l.a, 0.05);
    verifyRamp(start, firstAbove(l.a, 0.95, start), 500);
}

void TestPlugInPlayback::stopFadesOutThenStops() {
    DecoderPlugIn& p = *sndfile;
    const QString capture = startCapture("stop.raw");
    p.LoadFile(file("a440.wav").toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 5000));
    p.Stop(500);
    QCOMPARE(p.GetState(), uint8_t(0));
    QCOMPARE(p.GetPos(), 0);
    QVERIFY(p.GetNowFading());
    QVERIFY(waitFor([&] { return p.GetNowFading() == 0; }, 5000));
    QTest::qWait(300);
    p.ClosePlugIn();

    const Levels l = levelsOf(capture);
    const int gone = firstBelow(l.a, 0.05, firstAbove(l.a, 0.95));
    verifyRamp(lastAbove(l.a, 0.95, gone), gone, 500);
    for (size_t i = size_t(gone) + 5; i < l.a.size(); ++i)
        QVERIFY2(l.a[i] < 0.01 * Full, "silence after the stop fade");
}

// The host leaves a plug-in with Stop(StopTime) and ClosePlugIn straight after.
void TestPlugInPlayback::closeRightAfterStopStillFadesOut() {
    DecoderPlugIn& p = *sndfile;
    const QString capture = startCapture("close.raw");
    p.LoadFile(file("a440.wav").toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 5000));
    p.Stop(500);
    p.ClosePlugIn();
    QCOMPARE(p.GetState(), uint8_t(0));
    QTest::qWait(900);
    p.StartPlugIn(0, 0);
    p.ClosePlugIn();

    const Levels l = levelsOf(capture);
    const int gone = firstBelow(l.a, 0.05, firstAbove(l.a, 0.95));
    verifyRamp(lastAbove(l.a, 0.95, gone), gone, 500);
}

void TestPlugInPlayback::pauseAndResume() {
    DecoderPlugIn& p = *sndfile;
    const QString capture = startCapture("pause.raw");
    p.LoadFile(file("a440.wav").toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 5000));
    p.Pause(0);
    QCOMPARE(p.GetState(), uint8_t(2));
    QTest::qWait(800);
    QCOMPARE(p.GetPos(), 1);
    QCOMPARE(p.GetState(), uint8_t(2));
    p.Play(1);
    QCOMPARE(p.GetState(), uint8_t(1));
    QCOMPARE(p.GetPos(), 1); // resumed, not started again
    QVERIFY(waitFor([&] { return p.GetPos() == 2; }, 5000));
    p.Stop(0);
    p.ClosePlugIn();

    const Levels l = levelsOf(capture);
    const int sound = firstAbove(l.a, 0.95);
    const int gap = firstBelow(l.a, 0.01, sound);
    const int back = firstAbove(l.a, 0.95, gap);
    QVERIFY(sound >= 0 && gap > sound && back > gap);
    QVERIFY2((back - gap) * StepMs >= 300, "silent while paused");
    QVERIFY2((gap - sound) * StepMs >= 900, "played before the pause");
}

void TestPlugInPlayback::seekClampsAndMoves() {
    DecoderPlugIn& p = *sndfile;
    const QString capture = startCapture("seek.raw");
    p.LoadFile(file("steps.wav").toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetState() == 1 && p.GetLength() == 3; }, 5000));
    QTest::qWait(300);
    p.SetPos(2);
    QCOMPARE(p.GetPos(), 2);
    QTest::qWait(400);
    QCOMPARE(p.GetPos(), 2);
    p.SetPos(-7);
    QCOMPARE(p.GetPos(), 0);
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 5000));
    QTest::qWait(300);
    p.SetPos(99);
    QCOMPARE(p.GetPos(), 3);
    QVERIFY(waitFor([&] { return p.GetState() == 3; }, 3000));
    p.ClosePlugIn();

    // 440 Hz, then straight to 880 Hz: the 660 Hz second was skipped until the seek back to 0.
    const Levels l = levelsOf(capture);
    const int heard440 = firstAbove(l.a, 0.9);
    const int heard880 = firstAbove(l.b, 0.9);
    const int heard660 = firstAbove(l.c, 0.9);
    QVERIFY(heard440 >= 0 && heard880 > heard440);
    QVERIFY2(heard660 > heard880, "the second second plays only after the seek back");
    QVERIFY2(firstAbove(l.a, 0.9, firstBelow(l.a, 0.05, heard880)) < heard660, "the seek back starts at 0");
    QVERIFY2(firstAbove(l.b, 0.5, heard660) < 0, "the seek to the end plays nothing more");
}

void TestPlugInPlayback::seekLandsOnTheAskedSecond_data() {
    QTest::addColumn<QString>("plugInName");
    QTest::addColumn<QString>("source");
    QTest::newRow("mp3") << "IB_mpeg.so"
                         << "steps.mp3";
    QTest::newRow("ogg") << "IB_vorbis.so"
                         << "steps.ogg";
    QTest::newRow("flac") << "IB_sndfile.so"
                          << "steps.flac";
    QTest::newRow("wma") << "IB_ffmpeg.so"
                         << "steps.wma";
}

// steps: a second each of 440, 660 and 880 Hz. A jump to second 2 goes from 440 Hz straight to 880 Hz.
void TestPlugInPlayback::seekLandsOnTheAskedSecond() {
    QFETCH(QString, plugInName);
    QFETCH(QString, source);
    sndfile->ClosePlugIn();
    static std::map<QString, std::unique_ptr<DecoderPlugIn>> plugIns;
    auto& slot = plugIns[plugInName];
    if (!slot)
        slot = std::make_unique<DecoderPlugIn>(plugInName);
    DecoderPlugIn& p = *slot;
    QVERIFY(p.loaded());
    const QString capture = startCapture(source + ".raw");
    p.StartPlugIn(0, 0);
    p.SetVolume(100);
    p.LoadFile(file(source).toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetState() == 1 && p.GetLength() == 3; }, 5000));
    p.SetPos(2);
    QCOMPARE(p.GetPos(), 2);
    QVERIFY(waitFor([&] { return p.GetState() == 3; }, 5000));
    QCOMPARE(p.GetPos(), 3);
    QTest::qWait(200);
    p.ClosePlugIn();

    const Levels l = levelsOf(capture);
    const int start = firstAbove(l.b, 0.9);
    const int end = firstBelow(l.b, 0.5, start);
    QVERIFY(start >= 0 && end > start);
    QVERIFY2(std::abs((end - start) * StepMs - 1000) <= 80,
             qPrintable(QString::number((end - start) * StepMs)));
    QVERIFY2(firstAbove(l.c, 0.3) < 0, "nothing of the second before the asked one");
}

void TestPlugInPlayback::endOfFileGivesStateThreeAndPlayStartsItAgain() {
    DecoderPlugIn& p = *sndfile;
    startCapture("end.raw");
    p.LoadFile(file("short.wav").toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetState() == 3; }, 6000));
    QCOMPARE(p.GetLength(), 1);
    QCOMPARE(p.GetPos(), 1);
    QTest::qWait(200);
    QCOMPARE(p.GetState(), uint8_t(3));
    // Play with nothing new loaded plays the file again from its start.
    p.Play(100);
    QCOMPARE(p.GetState(), uint8_t(1));
    QCOMPARE(p.GetPos(), 0);
    QVERIFY(waitFor([&] { return p.GetState() == 3; }, 6000));
    p.Stop(0);
    QCOMPARE(p.GetState(), uint8_t(0));
}

void TestPlugInPlayback::playWhilePlayingRestartsTheFile() {
    DecoderPlugIn& p = *sndfile;
    const QString capture = startCapture("again.raw");
    p.LoadFile(file("steps.wav").toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 5000));
    QTest::qWait(400);
    p.Play(300);
    QCOMPARE(p.GetPos(), 0);
    QVERIFY(waitFor([&] { return p.GetNowFading() != 0; }, 3000));
    QVERIFY(waitFor([&] { return p.GetNowFading() == 0; }, 3000));
    QCOMPARE(p.GetPos(), 0);
    QTest::qWait(300);
    p.Stop(0);
    p.ClosePlugIn();

    // The 660 Hz second fades out while the 440 Hz start fades in again.
    const Levels l = levelsOf(capture);
    const int second = firstAbove(l.c, 0.9);
    QVERIFY(second >= 0);
    const int again = firstAbove(l.a, 0.05, firstBelow(l.a, 0.05, second - 50));
    QVERIFY(again > second);
    verifyRamp(again, firstAbove(l.a, 0.95, again), 300);
}

void TestPlugInPlayback::volumeScalesTheOutput() {
    DecoderPlugIn& p = *sndfile;
    const QString capture = startCapture("volume.raw");
    p.SetVolume(50);
    p.LoadFile(file("a440.wav").toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 5000));
    p.SetVolume(1000); // beyond 100 means 100
    QVERIFY(waitFor([&] { return p.GetPos() == 2; }, 5000));
    p.SetVolume(-3); // below 0 means silence
    QTest::qWait(400);
    p.Stop(0);
    p.ClosePlugIn();

    const Levels l = levelsOf(capture);
    const int half = firstAbove(l.a, 0.45);
    QVERIFY(half >= 0);
    QVERIFY2(std::abs(l.a[size_t(half) + 10] - 0.5 * Full) < 0.03 * Full, "volume 50 halves the amplitude");
    const int full = firstAbove(l.a, 0.9, half);
    QVERIFY(full > half);
    QVERIFY(std::abs(l.a[size_t(full) + 10] - Full) < 0.03 * Full);
    QVERIFY(firstBelow(l.a, 0.01, full) > full);
}

void TestPlugInPlayback::realMp3PlaysInRealTimeThroughDummyDriver() {
    sndfile->ClosePlugIn();
    qputenv("LARKSPIN_AUDIO_DRIVER", "dummy");
    DecoderPlugIn& p = *mpeg;
    p.StartPlugIn(0, 0);
    p.SetOutputMode(0);
    p.SetVolume(100);
    p.LoadFile(file("a440.mp3").toUtf8());
    QElapsedTimer clock;
    clock.start();
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetState() == 1 && p.GetLength() == 3; }, 5000));
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 5000));
    QVERIFY2(clock.elapsed() >= 900, "one second of audio takes a second");
    QVERIFY(waitFor([&] { return p.GetPos() == 2; }, 5000));
    QVERIFY(waitFor([&] { return p.GetState() == 3; }, 5000));
    QVERIFY2(clock.elapsed() >= 2800, "three seconds of audio take three seconds");
    QCOMPARE(p.GetPos(), 3);
    p.ClosePlugIn();
}

void TestPlugInPlayback::settingsFileBesideThePlugInChoosesTheDriver() {
    sndfile->ClosePlugIn();
    QTemporaryDir folder;
    const QString library = folder.filePath("IB_sndfile.so");
    QVERIFY(QFile::copy(QStringLiteral(LARKSPIN_BUILD_DIR "/PlugIn/Decoder/IB_sndfile.so"), library));
    const QString capture = folder.filePath("heard.raw");
    QFile ini(folder.filePath("IB_sndfile.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Output]\r\n Driver = Disk \r\nDiskFile=" + capture.toUtf8() + "\r\n");
    ini.close();
    qunsetenv("LARKSPIN_AUDIO_DRIVER");
    qunsetenv("SDL_DISKAUDIOFILE");

    DecoderPlugIn p(library); // a library of its own, beside its settings file
    QVERIFY(p.loaded());
    p.StartPlugIn(0, 0);
    p.SetOutputMode(1);
    p.SetVolume(100);
    p.LoadFile(file("short.wav").toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetState() == 3; }, 6000));
    p.ClosePlugIn();
    const Levels l = levelsOf(capture);
    QVERIFY2(firstAbove(l.a, 0.95) >= 0, "the file was played into the settings' disk file");
}

void TestPlugInPlayback::otherRatesAndChannelsKeepTheirPitch_data() {
    QTest::addColumn<QString>("plugInName");
    QTest::addColumn<QString>("source");
    QTest::newRow("mono 22050 Hz wav") << "IB_sndfile.so"
                                       << "mono22k.wav";
    QTest::newRow("stereo 48000 Hz ogg") << "IB_vorbis.so"
                                         << "s48k.ogg";
}

void TestPlugInPlayback::otherRatesAndChannelsKeepTheirPitch() {
    QFETCH(QString, plugInName);
    QFETCH(QString, source);
    sndfile->ClosePlugIn();
    static DecoderPlugIn vorbis("IB_vorbis.so");
    QVERIFY(vorbis.loaded());
    DecoderPlugIn& p = plugInName == "IB_vorbis.so" ? vorbis : *sndfile;
    const QString capture = startCapture(source + ".raw");
    p.StartPlugIn(0, 0);
    p.SetVolume(100);
    p.LoadFile(file(source).toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetState() == 3; }, 6000));
    QCOMPARE(p.GetLength(), 1);
    QCOMPARE(p.GetPos(), 1);
    QTest::qWait(300); // some silence after the end
    p.ClosePlugIn();

    // 440 Hz at full level for about 1.5 s, in both channels: neither sped up nor slowed down.
    const Levels l = levelsOf(capture);
    const int start = firstAbove(l.a, 0.9);
    const int end = firstBelow(l.a, 0.5, start);
    QVERIFY(start >= 0 && end > start);
    QVERIFY2(std::abs((end - start) * StepMs - 1500) <= 80,
             qPrintable(QString::number((end - start) * StepMs)));
    QVERIFY(firstAbove(l.b, 0.05) < 0);
}

void TestPlugInPlayback::damagedFilesEndWithoutCrashOrHang_data() {
    QTest::addColumn<QString>("plugIn");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QByteArray garbage(20000, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 7919) >> 3);
    QByteArray truncatedWav(
        "RIFF\xff\xff\xff\x7fWAVEfmt \x10\0\0\0\x01\0\x02\0\x44\xac\0\0\x10\xb1\x02\0\x04\0\x10\0data"
        "\xff\xff\xff\x7f",
        44);
    truncatedWav.append(QByteArray(1000, '\x10'));
    QTest::newRow("empty wav") << "IB_sndfile.so"
                               << "empty.wav" << QByteArray();
    QTest::newRow("garbage wav") << "IB_sndfile.so"
                                 << "garbage.wav" << garbage;
    QTest::newRow("wav claiming more data than it has") << "IB_sndfile.so"
                                                        << "cut.wav" << truncatedWav;
    QTest::newRow("missing file") << "IB_sndfile.so"
                                  << "" << QByteArray();
    QTest::newRow("garbage mp3") << "IB_mpeg.so"
                                 << "garbage.mp3" << garbage;
    QTest::newRow("empty mp3") << "IB_mpeg.so"
                               << "empty.mp3" << QByteArray();
}

void TestPlugInPlayback::damagedFilesEndWithoutCrashOrHang() {
    QFETCH(QString, plugIn);
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QString path = file("missing/nothing.wav");
    if (!name.isEmpty()) {
        path = file(name);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    sndfile->ClosePlugIn();
    qputenv("LARKSPIN_AUDIO_DRIVER", "dummy");
    DecoderPlugIn& p = plugIn == "IB_mpeg.so" ? *mpeg : *sndfile;
    p.StartPlugIn(0, 0);
    p.LoadFile(path.toUtf8());
    p.Play(200);
    QVERIFY(waitFor([&] { return p.GetState() == 3 || p.GetState() == 0; }, 5000));
    p.SetPos(5);
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetState() == 3 || p.GetState() == 0; }, 5000));
    p.Stop(100);
    QCOMPARE(p.GetState(), uint8_t(0));
    p.ClosePlugIn();
}

QTEST_GUILESS_MAIN(TestPlugInPlayback)
#include "tst_pluginplayback.moc"
