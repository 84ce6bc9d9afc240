// Times ripping a generated 10-minute disc image (ten one-minute tracks), track by track:
//   WAV with jitter correction: TCDRIP against "cd-paranoia -B" (paranoia's full mode)
//   WAV without it:             TCDRIP against "cd-paranoia -Z -B"
// In both the reference's files are synced to disk, as AtomicFile does with Larkspin's. Larkspin reads
// a disc image's sectors exactly in either mode; cd-paranoia reads the same image through libcdio.
//   MP3 at 128 kbit/s:          TCDRIP encoding on the fly against "cd-paranoia" piped into "lame -b 128"
//                               (two processes, so the reference reads and encodes at the same time)
// Each pair runs alternately in the same process, several rounds; the table shows the best round.
//
//   bench_rip [--minutes N] [--rounds N]
#include "BenchCost.h"
#include "PcmDiscImage.h"
#include "TCDRIP.h"
#include "TLameCoder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace larkspin;

namespace {

bool Shell(const QString& command, const QString& dir) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start("sh", {"-c", command});
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool RipAll(const QString& cue, const QString& out, bool jitter, bool mp3) {
    try {
        CR_SetVirtualDrives(cue.toStdString());
        TCDRIP rip;
        rip.SetCDRomNum(CR_GetNumCDROM() - 1);
        rip.SetJitterCorrect(jitter);
        rip.SetWriteWAV(true);
        TLameCoder coder;
        coder.Bitrate = 128;
        if (mp3) {
            rip.SetCoder(&coder);
            rip.SetEncode(true);
        }
        for (int t = 1; t <= rip.Tracks().size(); ++t)
            rip.RipTrack(t, out + QString("/Track%1.wav").arg(t, 2, 10, QLatin1Char('0')));
        return rip.Tracks().size() > 0;
    } catch (const ECDRIPError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return false;
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int minutes = 10, rounds = 3;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == "--minutes")
            minutes = args[i + 1].toInt();
        else if (args[i] == "--rounds")
            rounds = args[i + 1].toInt();
    }
    QTemporaryDir dir;
    QList<QByteArray> tracks;
    for (int i = 0; i < minutes; ++i)
        tracks << TrackPcm(i, 60 * 44100);
    const QString cue = WritePcmDiscImage(dir.path(), "disc", tracks);
    tracks.clear();
    const QString ours = dir.filePath("ours"), theirs = dir.filePath("theirs");
    QDir().mkpath(ours);
    QDir().mkpath(theirs);
    const int count = minutes;

    struct Row {
        const char* name;
        const char* reference;
        std::function<bool()> mine, other;
        Cost a, b;
    };
    QString pipe;
    for (int t = 1; t <= count; ++t)
        pipe += QString("cd-paranoia -d %1 %2 - | lame --silent -b 128 -q 5 -m s -p - track%2.mp3 && ")
                    .arg(cue)
                    .arg(t);
    pipe += "true";
    std::vector<Row> rows = {
        {"WAV, jitter correction, files on disk",
         "cd-paranoia -B, then sync of its files",
         [&] { return RipAll(cue, ours, true, false); },
         [&] { return Shell("cd-paranoia -B -d " + cue + " 1- && sync track*.wav", theirs); },
         {},
         {}},
        {"WAV, plain reads, files on disk",
         "cd-paranoia -Z -B, then sync of its files",
         [&] { return RipAll(cue, ours, false, false); },
         [&] { return Shell("cd-paranoia -Z -B -d " + cue + " 1- && sync track*.wav", theirs); },
         {},
         {}},
        {"MP3 128 kbit/s",
         "cd-paranoia piped to lame -b 128 -q 5 -m s -p",
         [&] { return RipAll(cue, ours, true, true); },
         [&] { return Shell(pipe, theirs); },
         {},
         {}},
    };
    for (int r = 0; r < rounds; ++r) {
        for (Row& row : rows) {
            measure(row.a, row.mine);
            measure(row.b, row.other);
        }
    }
    std::printf("Ripping a %d-minute disc image (%d tracks), best of %d rounds\n\n", minutes, count, rounds);
    std::printf(
        "| Case | Reference | Larkspin wall s | Reference wall s | Ratio | Larkspin CPU s | Reference CPU s "
        "| CPU ratio |\n|---|---|---|---|---|---|---|---|\n");
    for (const Row& row : rows)
        std::printf("| %s | %s | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f |\n", row.name, row.reference,
                    row.a.wall, row.b.wall, row.a.wall / row.b.wall, row.a.cpu, row.b.cpu,
                    row.a.cpu / row.b.cpu);
    return 0;
}
