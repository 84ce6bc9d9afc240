// Fades, crossfades, pause, seek and the end of a file, checked in what SDL's disk driver captured.
#include "CaptureAnalysis.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace capture;

namespace {
// steps.wav: one second of 440 Hz, then StepsMiddle seconds of 660 Hz, then StepsLast seconds of 880 Hz.
// The long steps leave the test thread time to see a step before the next one begins, however loaded the
// machine is.
constexpr int StepsMiddle = 20;
constexpr int StepsLast = 20;
constexpr int StepsLength = 1 + StepsMiddle + StepsLast;
} // namespace

class TestPlugInPlayback : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void crossfadeBringsTheNewFileInWhileTheOldFadesOut();
    void crossfadeIntoAThirdFileDuringACrossfade();
    void fadeInFromSilence();
    void stopFadesOutThenStops();
    void closeRightAfterStopStillFadesOut();
    void pauseAndResume();
    void seekClampsAndMoves();
    void endOfFileGivesStateThreeAndPlayStartsItAgain();
    void playWhilePlayingRestartsTheFile();
    void volumeScalesTheOutput();
    void fileGainScalesItsFileOnly();

private:
    QString file(const QString& name) const { return dir.filePath(name); }
    QString startCapture(const QString& name) {
        const QString path = file(name);
        qputenv("SDL_DISKAUDIOFILE", path.toUtf8());
        return path;
    }

    QTemporaryDir dir;
    DecoderPlugIn* sndfile = nullptr;
};

void TestPlugInPlayback::initTestCase() {
    QVERIFY(dir.isValid());
    static DecoderPlugIn s("IB_sndfile.so"); // stays loaded, as in the host
    sndfile = &s;
    QVERIFY(sndfile->loaded());
    QVERIFY(makeSine(file("a440.wav"), 440, 3));
    QVERIFY(makeSine(file("b880.wav"), 880, 3));
    QVERIFY(makeSine(file("c660.wav"), 660, 3));
    QVERIFY(makeSine(file("short.wav"), 440, 1));
    QVERIFY(makeSine(file("s1.wav"), 440, 1));
    QVERIFY(makeSine(file("s2.wav"), 660, StepsMiddle));
    QVERIFY(makeSine(file("s3.wav"), 880, StepsLast));
    QVERIFY(runTool("sox", {file("s1.wav"), file("s2.wav"), file("s3.wav"), file("steps.wav")}));
}

void TestPlugInPlayback::init() {
    qputenv("LARKSPIN_AUDIO_DRIVER", "disk");
    sndfile->StartPlugIn(0, 0);
    sndfile->SetOutputMode(0);
    sndfile->SetVolume(100);
}

void TestPlugInPlayback::cleanup() {
    sndfile->ClosePlugIn();
}

void TestPlugInPlayback::crossfadeBringsTheNewFileInWhileTheOldFadesOut() {
    DecoderPlugIn& p = *sndfile;
    const QString capture = startCapture("crossfade.raw");
    p.LoadFile(file("a440.wav").toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetState() == 1 && p.GetLength() == 3; }, 20000));
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 20000));
    p.LoadFile(file("b880.wav").toUtf8());
    p.Play(1000);
    QVERIFY(waitFor([&] { return p.GetNowFading() != 0; }, 20000));
    // Position, length and state describe the file brought in last.
    QVERIFY(p.GetPos() <= 1);
    QCOMPARE(p.GetState(), uint8_t(1));
    QVERIFY(waitFor([&] { return p.GetNowFading() == 0; }, 20000));
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 20000));
    // The device may lag the position on a busy machine: the end of the fade-in must be in the capture.
    QVERIFY(waitForLevels(capture, [](const Levels& l) { return firstAbove(l.b, 0.95) >= 0; }));
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

// A's fade-out goes on, B fades out from where its fade-in had got to, C fades in.
void TestPlugInPlayback::crossfadeIntoAThirdFileDuringACrossfade() {
    DecoderPlugIn& p = *sndfile;
    // C must come in while B is still on its way in. A thread the machine holds back for most of B's
    // second of fade-in sees B too late; the capture shows that (B full before C began), and the
    // scenario is played again.
    Levels l;
    int cStart = -1;
    for (int attempt = 1;; ++attempt) {
        const QString capture = startCapture(QStringLiteral("threeway%1.raw").arg(attempt));
        p.LoadFile(file("a440.wav").toUtf8());
        p.Play(0);
        QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 20000));
        p.LoadFile(file("b880.wav").toUtf8());
        p.Play(1000);
        QVERIFY(waitFor([&] { return p.GetNowFading() != 0; }, 20000));
        // B is heard on its way in (however late the machine lets this thread see it).
        QVERIFY(waitForLevels(capture, [](const Levels& l) { return firstAbove(l.b, 0.2) >= 0; }));
        p.LoadFile(file("c660.wav").toUtf8());
        p.Play(1000);
        QVERIFY(waitFor([&] { return p.GetNowFading() == 0 && p.GetPos() == 1; }, 20000));
        p.Stop(0);
        p.ClosePlugIn();
        l = levelsOf(capture);
        cStart = firstAbove(l.c, 0.05);
        const int bFull = firstAbove(l.b, 0.95);
        if (bFull < 0 || cStart < 0 || bFull > cStart)
            break;
        QVERIFY2(attempt < 5, "C never came in during B's fade-in");
        qInfo("attempt %d: B's fade-in was over before C came in; again", attempt);
        init();
    }

    const int bStart = firstAbove(l.b, 0.05);
    const int cFull = firstAbove(l.c, 0.95);
    QVERIFY(bStart >= 0 && cFull > bStart);
    QVERIFY(cStart > bStart);
    const double bPeak = *std::max_element(l.b.begin(), l.b.end());
    QVERIFY2(bPeak < 0.95 * Full && bPeak <= l.b[size_t(cStart)] + 0.05 * Full,
             qPrintable(QString("the interrupted fade-in went on to %1 after reaching %2 as C came in")
                            .arg(bPeak / Full)
                            .arg(l.b[size_t(cStart)] / Full)));
    for (size_t i = size_t(bStart) + 1; i < size_t(cFull); ++i)
        QVERIFY2(l.a[i] <= l.a[i - 1] + 0.02 * Full, "the first file's fade-out never turns back");
    QVERIFY(l.a[size_t(cFull)] < 0.05 * Full);
    QVERIFY(l.b[size_t(cFull)] < 0.05 * Full);
    verifyRamp(cStart, cFull, 1000);
}

void TestPlugInPlayback::fadeInFromSilence() {
    DecoderPlugIn& p = *sndfile;
    const QString capture = startCapture("fadein.raw");
    p.LoadFile(file("a440.wav").toUtf8());
    p.Play(500);
    QVERIFY(waitForLevels(capture, [](const Levels& l) { return firstAbove(l.a, 0.95) >= 0; }));
    QVERIFY(waitFor([&] { return p.GetNowFading() == 0; }, 20000));
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 20000));
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
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 20000));
    p.Stop(500);
    QCOMPARE(p.GetState(), uint8_t(0));
    QCOMPARE(p.GetPos(), 0);
    QVERIFY(p.GetNowFading());
    QVERIFY(waitFor([&] { return p.GetNowFading() == 0; }, 20000));
    QVERIFY(waitForMoreAudio(capture, 300));
    p.ClosePlugIn();

    const Levels l = levelsOf(capture);
    const int gone = firstBelow(l.a, 0.05, firstAbove(l.a, 0.95));
    verifyRamp(lastAbove(l.a, 0.95, gone), gone, 500);
    QVERIFY2(l.a.size() > size_t(gone) + 25, "the capture goes on after the fade");
    for (size_t i = size_t(gone) + 5; i < l.a.size(); ++i)
        QVERIFY2(l.a[i] < 0.01 * Full, "silence after the stop fade");
}

// The host leaves a plug-in with Stop(StopTime) and ClosePlugIn straight after.
void TestPlugInPlayback::closeRightAfterStopStillFadesOut() {
    DecoderPlugIn& p = *sndfile;
    const QString capture = startCapture("close.raw");
    p.LoadFile(file("a440.wav").toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 20000));
    p.Stop(500);
    p.ClosePlugIn();
    QCOMPARE(p.GetState(), uint8_t(0));
    QVERIFY(waitFor([&] { return p.GetNowFading() == 0; }, 20000));
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
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 20000));
    p.Pause(0);
    QCOMPARE(p.GetState(), uint8_t(2));
    // 400 ms of silence reach the device while paused.
    QVERIFY(waitForLevels(capture, [](const Levels& l) {
        const int gap = firstBelow(l.a, 0.01, firstAbove(l.a, 0.95));
        return gap > 0 && l.a.size() >= size_t(gap) + 40;
    }));
    QCOMPARE(p.GetPos(), 1);
    QCOMPARE(p.GetState(), uint8_t(2));
    p.Play(1);
    QCOMPARE(p.GetState(), uint8_t(1));
    QCOMPARE(p.GetPos(), 1); // resumed, not started again
    QVERIFY(waitFor([&] { return p.GetPos() == 2; }, 20000));
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
    QVERIFY(waitFor([&] { return p.GetState() == 1 && p.GetLength() == StepsLength; }, 20000));
    QVERIFY(waitForLevels(capture, [](const Levels& l) { return firstAbove(l.a, 0.9) >= 0; }));
    const int lastStep = 1 + StepsMiddle;
    p.SetPos(lastStep);
    QCOMPARE(p.GetPos(), lastStep);
    QVERIFY(waitForLevels(capture, [](const Levels& l) { return firstAbove(l.b, 0.9) >= 0; }));
    QVERIFY(p.GetPos() >= lastStep);
    p.SetPos(-7);
    QCOMPARE(p.GetPos(), 0);
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 20000));
    QVERIFY(waitForLevels(capture, [](const Levels& l) { return firstAbove(l.c, 0.9) >= 0; }));
    p.SetPos(99);
    QCOMPARE(p.GetPos(), StepsLength);
    QVERIFY(waitFor([&] { return p.GetState() == 3; }, 20000));
    p.ClosePlugIn();

    // 440 Hz, then straight to 880 Hz: the 660 Hz step was skipped until the seek back to 0.
    const Levels l = levelsOf(capture);
    const int heard440 = firstAbove(l.a, 0.9);
    const int heard880 = firstAbove(l.b, 0.9);
    const int heard660 = firstAbove(l.c, 0.9);
    QVERIFY(heard440 >= 0 && heard880 > heard440);
    QVERIFY2(heard660 > heard880, "the 660 Hz step plays only after the seek back");
    QVERIFY2(firstAbove(l.a, 0.9, firstBelow(l.a, 0.05, heard880)) < heard660, "the seek back starts at 0");
    QVERIFY2(firstAbove(l.b, 0.5, heard660) < 0, "the seek to the end plays nothing more");
}

void TestPlugInPlayback::endOfFileGivesStateThreeAndPlayStartsItAgain() {
    DecoderPlugIn& p = *sndfile;
    const QString capture = startCapture("end.raw");
    p.LoadFile(file("short.wav").toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetState() == 3; }, 20000));
    QCOMPARE(p.GetLength(), 1);
    QCOMPARE(p.GetPos(), 1);
    QVERIFY(waitForMoreAudio(capture, 200));
    QCOMPARE(p.GetState(), uint8_t(3));
    // Play with nothing new loaded plays the file again from its start.
    p.Play(100);
    QCOMPARE(p.GetState(), uint8_t(1));
    QCOMPARE(p.GetPos(), 0);
    QVERIFY(waitFor([&] { return p.GetState() == 3; }, 20000));
    // A seek beyond the end asked at once, before the file is open, still ends at its length.
    p.LoadFile(file("short.wav").toUtf8());
    p.Play(0);
    p.SetPos(99);
    QVERIFY(waitFor([&] { return p.GetState() == 3 && p.GetPos() == 1; }, 20000));
    p.Stop(0);
    QCOMPARE(p.GetState(), uint8_t(0));
}

void TestPlugInPlayback::playWhilePlayingRestartsTheFile() {
    DecoderPlugIn& p = *sndfile;
    const QString capture = startCapture("again.raw");
    p.LoadFile(file("steps.wav").toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 20000));
    QVERIFY(waitForLevels(capture, [](const Levels& l) { return firstAbove(l.c, 0.9) >= 0; }));
    p.Play(300);
    QCOMPARE(p.GetPos(), 0);
    // The start is heard again at full level once the 300 ms crossfade is over.
    QVERIFY(waitForLevels(capture, [](const Levels& l) {
        return firstAbove(l.a, 0.95, firstBelow(l.a, 0.05, firstAbove(l.c, 0.9))) >= 0;
    }));
    QVERIFY(waitFor([&] { return p.GetNowFading() == 0; }, 20000));
    QVERIFY(waitForMoreAudio(capture, 300));
    p.Stop(0);
    p.ClosePlugIn();

    // The 660 Hz step fades out while the 440 Hz start fades in again.
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
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 20000));
    p.SetVolume(1000); // beyond 100 means 100
    QVERIFY(waitFor([&] { return p.GetPos() == 2; }, 20000));
    p.SetVolume(-3); // below 0 means silence
    QVERIFY(waitForMoreAudio(capture, 400));
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

void TestPlugInPlayback::fileGainScalesItsFileOnly() {
    DecoderPlugIn& p = *sndfile;
    QVERIFY(p.SetFileGain);
    const QString capture = startCapture("filegain.raw");
    // -6.02 dB halves the amplitude of the file it was set for.
    p.LoadFile(file("a440.wav").toUtf8());
    p.SetFileGain(-602);
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 20000));
    // The next file starts at 0 dB; a gain set with nothing loaded changes the file playing (+6.02 dB
    // doubles it, still within full scale).
    p.LoadFile(file("b880.wav").toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 20000));
    p.SetFileGain(602);
    QVERIFY(waitForMoreAudio(capture, 600));
    p.Stop(0);
    p.ClosePlugIn();

    const Levels l = levelsOf(capture);
    const int a = firstAbove(l.a, 0.45);
    QVERIFY(a >= 0);
    QVERIFY2(std::abs(l.a[size_t(a) + 10] - 0.5 * Full) < 0.03 * Full, "the first file at half amplitude");
    QVERIFY2(firstAbove(l.a, 0.6) < 0, "never louder");
    const int b = firstAbove(l.b, 0.9);
    QVERIFY(b > a);
    QVERIFY2(std::abs(l.b[size_t(b) + 10] - Full) < 0.03 * Full, "the second file unchanged");
    const int doubled = firstAbove(l.b, 1.9, b);
    QVERIFY2(doubled > b, "the gain set while it plays doubles it");
    QVERIFY(std::abs(l.b[size_t(doubled) + 10] - 2 * Full) < 0.06 * Full);
}

QTEST_GUILESS_MAIN(TestPlugInPlayback)
#include "tst_pluginplayback.moc"
