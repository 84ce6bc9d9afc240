// SDL's audio is one per process while every plug-in has settings of its own: two plug-ins (two copies
// of one plug-in under different names, as the host would load two) must keep their own driver and
// capture file, and never write into one file.
#include "CaptureAnalysis.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace capture;

class TestPlugInAudioOwner : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void theSecondPlugInWritesItsOwnCaptureFile();
    void twoOutputsAtOnceNeverShareACaptureFile();
    void aDifferentDriverWaitsForTheRunningOneToClose();

private:
    QString file(const QString& name) const { return dir.filePath(name); }
    // A copy of IB_sndfile.so under its own name with its own settings file.
    DecoderPlugIn& plugIn(const QString& name, const QString& settings) {
        const QString path = file(name + ".so");
        if (!QFile::exists(path))
            QFile::copy(QStringLiteral(LARKSPIN_BUILD_DIR "/PlugIn/Decoder/IB_sndfile.so"), path);
        QFile ini(file(name + ".ini"));
        if (ini.open(QIODevice::WriteOnly | QIODevice::Truncate))
            ini.write(settings.toUtf8());
        loaded.push_back(std::make_unique<DecoderPlugIn>(path));
        DecoderPlugIn& p = *loaded.back();
        if (p.loaded()) {
            p.StartPlugIn(0, 0);
            p.SetOutputMode(0);
            p.SetVolume(100);
        }
        return p;
    }
    // Plays the file and waits until its first second has been heard.
    static bool playOneSecond(DecoderPlugIn& p, const QString& path) {
        p.LoadFile(path.toUtf8());
        p.Play(0);
        return waitFor([&] { return p.GetPos() >= 1; }, 10000);
    }
    static double peak(const std::vector<double>& levels) {
        double m = 0;
        for (double v : levels)
            m = std::max(m, v);
        return m;
    }

    QTemporaryDir dir;
    std::vector<std::unique_ptr<DecoderPlugIn>> loaded;
};

void TestPlugInAudioOwner::initTestCase() {
    QVERIFY(dir.isValid());
    qunsetenv("LARKSPIN_AUDIO_DRIVER");
    qunsetenv("SDL_DISKAUDIOFILE");
    qunsetenv("SDL_AUDIODRIVER");
    QVERIFY(makeSine(file("a440.wav"), 440, 3));
    QVERIFY(makeSine(file("b880.wav"), 880, 3));
}

// The plug-ins stay mapped (as in the host); only their playback is closed.
void TestPlugInAudioOwner::cleanup() {
    for (auto& p : loaded)
        if (p->loaded())
            p->ClosePlugIn();
}

void TestPlugInAudioOwner::theSecondPlugInWritesItsOwnCaptureFile() {
    DecoderPlugIn& first = plugIn("IB_first", "Driver=disk\nDiskFile=" + file("first.raw") + "\n");
    DecoderPlugIn& second = plugIn("IB_second", "Driver=disk\nDiskFile=" + file("second.raw") + "\n");
    QVERIFY(first.loaded() && second.loaded());
    QVERIFY(playOneSecond(first, file("a440.wav")));
    first.Stop(0);
    first.ClosePlugIn();
    QVERIFY(playOneSecond(second, file("b880.wav")));
    second.Stop(0);
    second.ClosePlugIn();

    const Levels one = levelsOf(file("first.raw"));
    const Levels two = levelsOf(file("second.raw"));
    QVERIFY2(peak(one.a) > 0.9 * Full && peak(one.b) < 0.05 * Full,
             "the first file holds only the first tone");
    QVERIFY2(peak(two.b) > 0.9 * Full && peak(two.a) < 0.05 * Full, "the second plug-in used its own file");
}

void TestPlugInAudioOwner::twoOutputsAtOnceNeverShareACaptureFile() {
    const QString shared = file("shared.raw");
    DecoderPlugIn& first = plugIn("IB_third", "Driver=disk\nDiskFile=" + shared + "\n");
    DecoderPlugIn& second = plugIn("IB_fourth", "Driver=disk\nDiskFile=" + shared + "\n");
    QVERIFY(first.loaded() && second.loaded());
    QVERIFY(playOneSecond(first, file("a440.wav")));
    QVERIFY(playOneSecond(second, file("b880.wav")));
    first.ClosePlugIn();
    second.ClosePlugIn();

    const Levels one = levelsOf(shared);
    const Levels two = levelsOf(shared + ".2");
    QVERIFY2(peak(one.a) > 0.9 * Full && peak(one.b) < 0.05 * Full, "the file holds one output, whole");
    QVERIFY2(peak(two.b) > 0.9 * Full && peak(two.a) < 0.05 * Full, "the second output went beside it");
}

// SDL runs one driver at a time: the second plug-in plays on without a device (its position still
// advances) rather than pouring its audio into the first one's capture, and gets its own driver back
// once the first has closed.
void TestPlugInAudioOwner::aDifferentDriverWaitsForTheRunningOneToClose() {
    DecoderPlugIn& disk = plugIn("IB_fifth", "Driver=disk\nDiskFile=" + file("fifth.raw") + "\n");
    DecoderPlugIn& dummy = plugIn("IB_sixth", "Driver=dummy\n");
    QVERIFY(disk.loaded() && dummy.loaded());
    QVERIFY(playOneSecond(disk, file("a440.wav")));
    QVERIFY(playOneSecond(dummy, file("b880.wav")));
    disk.ClosePlugIn();
    dummy.ClosePlugIn();
    const Levels l = levelsOf(file("fifth.raw"));
    QVERIFY2(peak(l.a) > 0.9 * Full && peak(l.b) < 0.05 * Full,
             "nothing of the dummy plug-in reached the file");

    DecoderPlugIn& later = plugIn("IB_fifth", "Driver=disk\nDiskFile=" + file("later.raw") + "\n");
    QVERIFY(playOneSecond(later, file("b880.wav")));
    later.ClosePlugIn();
    QVERIFY2(peak(levelsOf(file("later.raw")).b) > 0.9 * Full, "the disk driver came back once SDL was free");
}

QTEST_GUILESS_MAIN(TestPlugInAudioOwner)
#include "tst_pluginaudioowner.moc"
