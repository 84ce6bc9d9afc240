// Times decodefile of 5-minute MP3, Ogg Vorbis and FLAC files against "ffmpeg -i x -f wav" on the same
// files, measures the CPU used and the threads' wake-ups while playing 60 s of MP3 to SDL's dummy
// driver, and the resident memory after enumerating the plug-ins as the host does at start, with and
// without IB_ffmpeg.
//
//   bench_decode [--play-seconds N] [--minutes N]
//   bench_decode --enumerate [skipped plug-in]   (the child that enumerates; prints its VmRSS in kB)
#include "DecoderPlugIn.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <dlfcn.h>
#include <sys/resource.h>

#include <cstdio>
#include <thread>

namespace {

// A plug-in of the build, loaded once through the tests' one loader and kept loaded as the host keeps it.
DecoderPlugIn& plugIn(const QString& name) {
    DecoderPlugIn& p = KeptPlugIn(name);
    if (!p.handle) {
        std::fprintf(stderr, "cannot load %s: %s\n", qPrintable(name), dlerror());
        std::exit(1);
    }
    return p;
}

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

double cpuSeconds(int who = RUSAGE_SELF) {
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Timing {
    double wall = 1e9; // best of three, seconds
    double cpu = 1e9;  // least CPU of three, seconds
};

// The machine may be busy, so both the wall-clock time and the CPU time are kept.
template <typename F> Timing bestOf3(int who, F f) {
    Timing best;
    for (int i = 0; i < 3; ++i) {
        const double cpu0 = cpuSeconds(who);
        QElapsedTimer t;
        t.start();
        f();
        best.wall = std::min(best.wall, double(t.nsecsElapsed()) / 1e9);
        best.cpu = std::min(best.cpu, cpuSeconds(who) - cpu0);
    }
    return best;
}

// Context switches of every thread of this process so far (each one a wake-up).
long contextSwitches(bool withMainThread) {
    long total = 0;
    const QString self = QString::number(getpid());
    for (const QString& task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!withMainThread && task == self)
            continue;
        QFile f("/proc/self/task/" + task + "/status");
        if (!f.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.contains("ctxt_switches:"))
                total += line.mid(line.indexOf(':') + 1).trimmed().toLong();
    }
    return total;
}

long residentKb() {
    QFile f("/proc/self/status");
    if (f.open(QIODevice::ReadOnly))
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// What the host does at start: bind each plug-in, start it, ask its types, close it.
int enumerate(const QString& skipped) {
    const QDir folder(LARKSPIN_BUILD_DIR "/PlugIn/Decoder");
    for (const QString& name : folder.entryList({"IB_*.so"}, QDir::Files, QDir::Name)) {
        if (name == skipped)
            continue;
        DecoderPlugIn& p = plugIn(name);
        p.StartPlugIn(0, 0);
        auto decoding = reinterpret_cast<LarkspinSupportDecodingFn>(dlsym(p.handle, "SupportDecoding"));
        if (p.GetFileTypes)
            p.GetFileTypes();
        if (decoding)
            decoding();
        p.ClosePlugIn();
    }
    std::printf("%ld\n", residentKb());
    return 0;
}

double startupMiB(const QString& skipped) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {"--enumerate", skipped});
    child.waitForFinished(-1);
    return child.readAllStandardOutput().trimmed().toDouble() / 1024.0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (app.arguments().value(1) == "--enumerate")
        return enumerate(app.arguments().value(2));
    {
        double all = 1e9, without = 1e9;
        for (int i = 0; i < 3; ++i) {
            all = std::min(all, startupMiB(""));
            without = std::min(without, startupMiB("IB_ffmpeg.so"));
        }
        std::printf("resident after enumerating the plug-ins: %.1f MiB with IB_ffmpeg, %.1f MiB without\n",
                    all, without);
    }
    int playSeconds = 60;
    int minutes = 5;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == "--play-seconds")
            playSeconds = args[i + 1].toInt();
        else if (args[i] == "--minutes")
            minutes = args[i + 1].toInt();
    }
    QTemporaryDir dir;
    const QString wav = dir.filePath("source.wav");
    std::printf("making %d-minute files...\n", minutes);
    if (!run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", QString::number(minutes * 60),
                     "pinknoise", "vol", "0.3"}) ||
        !run("lame", {"--quiet", "-b", "192", wav, dir.filePath("x.mp3")}) ||
        !run("oggenc", {"-Q", "-q", "5", "-o", dir.filePath("x.ogg"), wav}) ||
        !run("flac", {"-s", "-o", dir.filePath("x.flac"), wav})) {
        std::fprintf(stderr, "cannot make the test files (sox, lame, oggenc, flac)\n");
        return 1;
    }

    struct Case {
        const char* plugIn;
        const char* file;
    } cases[] = {{"IB_mpeg.so", "x.mp3"}, {"IB_vorbis.so", "x.ogg"}, {"IB_sndfile.so", "x.flac"}};
    std::printf("%-6s %22s %22s %12s\n", "", "decodefile", "ffmpeg CLI", "ratio");
    std::printf("%-6s %11s %10s %11s %10s %6s %5s\n", "format", "wall", "cpu", "wall", "cpu", "wall", "cpu");
    for (const Case& c : cases) {
        DecoderPlugIn& p = plugIn(c.plugIn);
        p.StartPlugIn(0, 0);
        const QString source = dir.filePath(c.file);
        const QString out = dir.filePath("out");
        QDir().mkpath(out);
        const Timing ours = bestOf3(RUSAGE_SELF, [&] {
            p.decodefile(source.toUtf8().constData(), out.toUtf8().constData());
            while (p.GetDecodePos() < 100)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
        p.ClosePlugIn();
        const Timing theirs = bestOf3(RUSAGE_CHILDREN, [&] {
            run("ffmpeg", {"-v", "error", "-y", "-i", source, "-f", "wav", dir.filePath("out/ffmpeg.wav")});
        });
        std::printf("%-6s %10.3fs %9.3fs %10.3fs %9.3fs %6.2f %5.2f\n", c.file + 2, ours.wall, ours.cpu,
                    theirs.wall, theirs.cpu, ours.wall / theirs.wall, ours.cpu / theirs.cpu);
    }

    if (playSeconds > 0) {
        qputenv("LARKSPIN_AUDIO_DRIVER", "dummy");
        DecoderPlugIn& p = plugIn("IB_mpeg.so");
        p.StartPlugIn(0, 0);
        p.LoadFile(dir.filePath("x.mp3").toUtf8().constData());
        p.Play(0);
        std::this_thread::sleep_for(std::chrono::seconds(1)); // past the start, when the ring fills
        const double cpu0 = cpuSeconds();
        const long switches0 = contextSwitches(true), playing0 = contextSwitches(false);
        QElapsedTimer wall;
        wall.start();
        // Poll like the player's display timer.
        while (wall.elapsed() < playSeconds * 1000) {
            p.GetState();
            p.GetPos();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        const double cpu = cpuSeconds() - cpu0;
        const double seconds = double(wall.elapsed()) / 1000.0;
        std::printf("wake-ups while playing: %.1f a second in all, %.1f without the polling thread\n",
                    double(contextSwitches(true) - switches0) / seconds,
                    double(contextSwitches(false) - playing0) / seconds);
        std::printf(
            "playing MP3 to the dummy driver: position %d s after %.1f s, CPU %.3f s = %.2f %% of one core\n",
            p.GetPos(), seconds, cpu, 100.0 * cpu / seconds);
        p.ClosePlugIn();
    }
    return 0;
}
