// Times encoding a generated 5-minute stereo WAV: TLameCoder against "lame" at the same settings, and
// each encoder plug-in against its format's command-line encoder at comparable settings. Each pair runs
// alternately in the same process, several rounds; the table shows the best round of each.
//
//   bench_encode [--minutes N] [--rounds N] [--only TEXT]   (TEXT: rows whose encoder name contains it)
#include "AtomicFile.h"
#include "BenchCost.h"
#include "TEncoderHost.h"
#include "TLameCoder.h"
#include "WavReader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

using namespace larkspin;

namespace {

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The rip's way: read, encode chunk by chunk, write through AtomicFile.
bool encodeWithLameCoder(const std::string& wavPath, const std::string& mp3Path) {
    WavReader wav;
    if (!wav.Open(wavPath))
        return false;
    TLameCoder coder;
    coder.SampleRate = static_cast<std::uint32_t>(wav.Format().sampleRate);
    if (coder.PrepareCoder() != BE_ERR_SUCCESSFUL)
        return false;
    AtomicFile out(mp3Path);
    if (!out.Open())
        return false;
    std::vector<std::int16_t> pcm(coder.SamplesPerChunk());
    std::vector<std::uint8_t> mp3(coder.OutputBufferSize());
    std::uint32_t bytes = 0;
    long got;
    while ((got = wav.Read(pcm.data(), long(pcm.size()) / 2)) > 0) {
        if (coder.EncodeChunk(pcm.data(), std::uint32_t(got * 2), mp3.data(), bytes) != BE_ERR_SUCCESSFUL ||
            !out.Write(mp3.data(), bytes))
            return false;
    }
    if (coder.FlushCoder(mp3.data(), bytes) != BE_ERR_SUCCESSFUL || !out.Write(mp3.data(), bytes))
        return false;
    coder.CloseCoder();
    return out.Commit();
}

// The longest any call into a plug-in took while it encoded: what a GUI thread polling it would wait.
double longestCallMs = 0;

bool encodeWithPlugIn(TEncoderHost& host, const std::string& wav, const std::string& out) {
    QElapsedTimer call;
    const auto timed = [&](auto f) {
        call.start();
        auto result = f();
        longestCallMs = std::max(longestCallMs, double(call.nsecsElapsed()) / 1e6);
        return result;
    };
    timed([&] {
        host.EncodeFile(wav, out);
        return 0;
    });
    while (!timed([&] { return host.GetPosition() >= 0 && host.GetFinished(); }))
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return host.GetEncodeError().empty();
}

struct Pair {
    const char* name;
    const char* command;
    std::function<bool()> runOurs;
    std::function<bool()> runTheirs;
    double goal;
    Cost ours;
    Cost theirs;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    int minutes = 5;
    int rounds = 3;
    QString only;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == "--minutes")
            minutes = args[i + 1].toInt();
        if (args[i] == "--rounds")
            rounds = args[i + 1].toInt();
        if (args[i] == "--only")
            only = args[i + 1];
    }
    QTemporaryDir dir;
    const QString wav = dir.filePath("source.wav");
    // Material that keeps every encoder busy: pink noise with a sweep and a tone, 44100 Hz stereo 16-bit.
    const QString length = QString::number(minutes * 60);
    if (!run("sox", {"-n",    "-r",   "44100",     "-c",    "2",    "-b",   "16",  wav,
                     "synth", length, "pinknoise", "synth", length, "sine", "mix", "220-880",
                     "synth", length, "sine",      "mix",   "3000", "vol",  "0.4"})) {
        std::fprintf(stderr, "sox could not generate the source\n");
        return 1;
    }
    const std::string source = wav.toStdString();
    const auto out = [&](const char* name) { return dir.filePath(name); };

    TEncoderHost host(LARKSPIN_BUILD_DIR "/PlugIn/Encoder");
    host.Enumerate();
    const auto use = [&](const char* name) {
        for (size_t i = 0; i < host.EncoderList().size(); ++i)
            if (host.EncoderList()[i].fileName == name)
                return host.Select(int(i));
        return false;
    };

    const auto plugIn = [&](const char* name, const char* file) {
        return
            [&, name, file] { return use(name) && encodeWithPlugIn(host, source, out(file).toStdString()); };
    };
    const auto tool = [&](const char* program, QStringList arguments) {
        return [&, program, arguments] { return run(program, arguments); };
    };
    std::vector<Pair> pairs{
        {"TLameCoder 128 kbit/s", "lame -b 128 -q 5 -m s -p",
         [&] { return encodeWithLameCoder(source, out("ours.mp3").toStdString()); },
         tool("lame", {"--quiet", "-b", "128", "-q", "5", "-m", "s", "-p", wav, out("theirs.mp3")}), 1.05},
        {"enc_mp3.so 128 kbit/s", "lame -b 128 -q 5 -m j", plugIn("enc_mp3.so", "plugin.mp3"),
         tool("lame", {"--quiet", "-b", "128", "-q", "5", "-m", "j", wav, out("theirs.mp3")}), 1.1},
        {"enc_vorbis.so quality 3", "oggenc -q 3", plugIn("enc_vorbis.so", "plugin.ogg"),
         tool("oggenc", {"-Q", "-q", "3", "-o", out("theirs.ogg"), wav}), 1.1},
        {"enc_flac.so level 5", "flac -5", plugIn("enc_flac.so", "plugin.flac"),
         tool("flac", {"-s", "-f", "-5", "-o", out("theirs.flac"), wav}), 1.1},
        {"enc_opus.so 128 kbit/s", "opusenc --bitrate 128", plugIn("enc_opus.so", "plugin.opus"),
         tool("opusenc", {"--quiet", "--bitrate", "128", wav, out("theirs.opus")}), 1.1},
    };
    std::erase_if(pairs, [&](const Pair& p) { return !QString(p.name).contains(only); });
    for (int round = 0; round < rounds; ++round)
        for (Pair& p : pairs) {
            measure(p.ours, p.runOurs);
            measure(p.theirs, p.runTheirs);
        }

    std::printf("%d-minute 44100 Hz stereo WAV, best of %d rounds\n\n", minutes, rounds);
    std::printf("| Encoder | Command | ours wall s | theirs wall s | wall ratio | ours CPU s | theirs CPU s "
                "| CPU ratio "
                "| goal |\n|---|---|---|---|---|---|---|---|---|\n");
    bool met = true;
    for (const Pair& p : pairs) {
        const double wallRatio = p.ours.wall / p.theirs.wall;
        const double cpuRatio = p.ours.cpu / p.theirs.cpu;
        met = met && cpuRatio <= p.goal;
        std::printf("| %s | %s | %.2f | %.2f | %.3f | %.2f | %.2f | %.3f | <= %.2f %s |\n", p.name, p.command,
                    p.ours.wall, p.theirs.wall, wallRatio, p.ours.cpu, p.theirs.cpu, cpuRatio, p.goal,
                    cpuRatio <= p.goal ? "met" : "MISSED");
    }
    std::printf("\nLongest call into an encoding plug-in (EncodeFile, GetPosition, GetFinished): %.3f ms\n",
                longestCallMs);
    return met ? 0 : 2;
}
