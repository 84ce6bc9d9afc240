// How long the decoder plug-ins keep the host waiting, each case in a child process so the time the
// process takes to exit is measured too:
//   - an Ogg Vorbis file with 64 MB of zeros after its last page, and a 1 GB float WAV: from Play until
//     the file is open (its length known), and from ClosePlugIn until the process has exited;
//   - ClosePlugIn after 40 output-mode changes while playing, and ClosePlugIn with the output idle.
// Audio goes to SDL's disk driver (a file in the temporary folder).
//
//   bench_stalls
//   bench_stalls --child <case> <file>   (one case; prints its figures in ms)
#include "DecoderPlugIn.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <dlfcn.h>

#include <cstdio>
#include <thread>

namespace {

double msSince(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

template <typename F> bool waitUntil(F condition, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > timeoutMs)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Prints "<open ms> <close ms> <ms since start>" for opening a long file, or "<close ms> <idle close
// ms> <ms since start>" for the output-mode storm.
int child(const QString& which, const QString& path) {
    QElapsedTimer life;
    life.start();
    DecoderPlugIn p(which == "ogg" ? "IB_vorbis.so" : "IB_sndfile.so");
    if (!p.loaded()) {
        std::fprintf(stderr, "cannot load the plug-in: %s\n", dlerror());
        std::exit(1);
    }
    p.StartPlugIn(0, 0);
    p.SetOutputMode(0);
    p.LoadFile(path.toUtf8().constData());
    QElapsedTimer t;
    t.start();
    p.Play(0);
    if (which == "modes") {
        waitUntil([&] { return p.GetPos() >= 1; }, 60000);
        for (int i = 0; i < 40; ++i)
            p.SetOutputMode(i % 2 == 0 ? 1 : 0);
        t.restart();
        p.ClosePlugIn();
        const double storm = msSince(t);
        p.StartPlugIn(0, 0);
        p.LoadFile(path.toUtf8().constData());
        p.Play(0);
        waitUntil([&] { return p.GetPos() >= 1; }, 60000);
        p.Stop(0);
        t.restart();
        p.ClosePlugIn();
        std::printf("%.1f %.1f %.1f\n", storm, msSince(t), msSince(life));
        return 0;
    }
    const bool opened = waitUntil([&] { return p.GetLength() > 0; }, 300000);
    const double open = opened ? msSince(t) : -1;
    t.restart();
    p.Stop(0);
    p.ClosePlugIn();
    std::printf("%.1f %.1f %.1f\n", open, msSince(t), msSince(life));
    std::fflush(stdout);
    return 0;
}

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Runs one case three times; keeps the best of each figure and the exit time (the child's whole life
// as the parent saw it, less what it measured itself).
void measure(const char* label, const QString& which, const QString& path, bool storm) {
    double best[3] = {1e12, 1e12, 1e12};
    for (int i = 0; i < 3; ++i) {
        QProcess p;
        QElapsedTimer t;
        t.start();
        p.start(QCoreApplication::applicationFilePath(), {"--child", which, path});
        if (!p.waitForFinished(-1) || p.exitCode() != 0) {
            std::fprintf(stderr, "%s: the child failed\n", label);
            std::exit(1);
        }
        const double whole = msSince(t);
        double a = 0, b = 0, lived = 0;
        if (std::sscanf(p.readAllStandardOutput().constData(), "%lf %lf %lf", &a, &b, &lived) != 3) {
            std::fprintf(stderr, "%s: no figures\n", label);
            std::exit(1);
        }
        best[0] = std::min(best[0], a);
        best[1] = std::min(best[1], b);
        best[2] = std::min(best[2], whole - lived);
    }
    if (storm)
        std::printf("%-34s ClosePlugIn %8.1f ms, idle ClosePlugIn %6.1f ms, exit %6.1f ms\n", label, best[0],
                    best[1], best[2]);
    else
        std::printf("%-34s open %8.1f ms, ClosePlugIn %6.1f ms, exit %6.1f ms\n", label, best[0], best[1],
                    best[2]);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTemporaryDir dir;
    qputenv("LARKSPIN_AUDIO_DRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", dir.filePath("capture.raw").toUtf8());
    if (args.size() == 4 && args[1] == "--child")
        return child(args[2], args[3]);

    const QString wav = dir.filePath("tone.wav"), ogg = dir.filePath("zeros.ogg"),
                  big = dir.filePath("big.wav");
    std::printf("making the files...\n");
    if (!run("sox",
             {"-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "60", "sine", "440", "vol", "0.5"}) ||
        !run("oggenc", {"-Q", "-q", "4", "-o", ogg, wav})) {
        std::fprintf(stderr, "cannot make the test files (sox, oggenc)\n");
        return 1;
    }
    QFile zeros(ogg);
    zeros.resize(zeros.size() + 64 * 1024 * 1024);
    // A float WAV header declaring 1 GB of samples, the samples a hole of zeros.
    const uint32_t dataBytes = 1024u * 1024 * 1024;
    QByteArray header("RIFF\0\0\0\0WAVEfmt \x10\0\0\0\x03\0\x02\0", 24);
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            header.append(char((v >> (8 * i)) & 0xff));
    };
    put32(44100);
    put32(44100 * 8);
    header.append("\x08\0\x20\0data", 8);
    put32(dataBytes);
    for (int i = 0; i < 4; ++i)
        header[4 + i] = char(((uint32_t(header.size()) - 8 + dataBytes) >> (8 * i)) & 0xff);
    QFile bigFile(big);
    if (!bigFile.open(QIODevice::WriteOnly) || bigFile.write(header) != header.size() ||
        !bigFile.resize(header.size() + dataBytes)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(big));
        return 1;
    }
    bigFile.close();
    measure("ogg + 64 MB of zeros", "ogg", ogg, false);
    measure("1 GB float WAV", "wav", big, false);
    measure("40 output-mode changes", "modes", wav, true);
    return 0;
}
