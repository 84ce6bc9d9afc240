// SDL's audio is one per process while every plug-in has settings of its own: two plug-ins (two copies
// of one plug-in under different names, as the host would load two, sharing the one kit library) must
// keep their own driver and capture file, and never write into one file.
#include "CaptureAnalysis.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <fcntl.h>
#include <unistd.h>

using namespace capture;

namespace {

// Sends this process's standard error into a file while it lives.
class StderrToFile {
public:
    explicit StderrToFile(const QString& path) {
        std::fflush(stderr);
        saved_ = ::dup(2);
        const int fd = ::open(path.toUtf8().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~StderrToFile() {
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
    }
    StderrToFile(const StderrToFile&) = delete;
    StderrToFile& operator=(const StderrToFile&) = delete;

private:
    int saved_ = -1;
};

} // namespace

class TestPlugInAudioOwner : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void theSecondPlugInWritesItsOwnCaptureFile();
    void twoOutputsAtOnceNeverShareACaptureFile();
    void anotherDriverPlaysThroughTheRunningOne();

private:
    QString file(const QString& name) const { return dir.filePath(name); }
    // A copy of IB_sndfile.so under its own name with its own settings file, the kit library beside it
    // as in an installed program.
    DecoderPlugIn& plugIn(const QString& name, const QString& settings) {
        const QString path = file(name + ".so");
        if (!QFile::exists(path))
            QFile::copy(QStringLiteral(LARKSPIN_BUILD_DIR "/PlugIn/Decoder/IB_sndfile.so"), path);
        if (!QFile::exists(file("libLarkspinKit.so")))
            QFile::copy(QStringLiteral(LARKSPIN_BUILD_DIR "/libLarkspinKit.so"), file("libLarkspinKit.so"));
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

// SDL runs one driver at a time: a plug-in whose settings name another driver than the one playing
// plays through the running one (into its own capture file), rather than silently, and says so once;
// once SDL is free again a plug-in gets its own driver back.
void TestPlugInAudioOwner::anotherDriverPlaysThroughTheRunningOne() {
    DecoderPlugIn& disk = plugIn("IB_fifth", "Driver=disk\nDiskFile=" + file("fifth.raw") + "\n");
    DecoderPlugIn& dummy = plugIn("IB_sixth", "Driver=dummy\nDiskFile=" + file("sixth.raw") + "\n");
    QVERIFY(disk.loaded() && dummy.loaded());
    QVERIFY(playOneSecond(disk, file("a440.wav")));
    const QString told = file("stderr.txt");
    {
        StderrToFile redirect(told);
        QVERIFY(playOneSecond(dummy, file("b880.wav")));
        dummy.ClosePlugIn();
        dummy.StartPlugIn(0, 0);
        QVERIFY(playOneSecond(dummy, file("b880.wav")));
        dummy.ClosePlugIn();
    }
    disk.ClosePlugIn();
    const Levels l = levelsOf(file("fifth.raw"));
    QVERIFY2(peak(l.a) > 0.9 * Full && peak(l.b) < 0.05 * Full,
             "nothing of the dummy plug-in reached the other's file");
    QVERIFY2(peak(levelsOf(file("sixth.raw")).b) > 0.9 * Full, "the dummy plug-in was heard");
    QFile log(told);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll().count("\"dummy\" was not used"), 1);

    DecoderPlugIn& later = plugIn("IB_fifth", "Driver=disk\nDiskFile=" + file("later.raw") + "\n");
    QVERIFY(playOneSecond(later, file("b880.wav")));
    later.ClosePlugIn();
    QVERIFY2(peak(levelsOf(file("later.raw")).b) > 0.9 * Full, "the disk driver came back once SDL was free");
}

QTEST_GUILESS_MAIN(TestPlugInAudioOwner)
#include "tst_pluginaudioowner.moc"
