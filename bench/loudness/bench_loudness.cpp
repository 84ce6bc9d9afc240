// Times "Calculate loudness" (decode through the plug-ins, measure, write ReplayGain tags, one album)
// over MP3 files against loudgain doing the same (-a -s i), or against ffmpeg's ebur128 filter (measuring
// only) when loudgain is missing; checks that every track and album gain agrees within 0.1 dB.
//
//   bench_loudness [--files N] [--minutes M]
#include "BenchCost.h"
#include "GainTags.h"
#include "LoudnessScan.h"
#include "PlugInHost.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

using namespace larkspin;

namespace {

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Fresh copies of the sources in folder (each tool writes its tags into its own copies).
QStringList copies(const QStringList& sources, const QString& folder) {
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    QStringList out;
    for (const QString& s : sources) {
        const QString c = folder + "/" + QFileInfo(s).fileName();
        QFile::copy(s, c);
        out << c;
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int files = args.contains("--files") ? args.at(args.indexOf("--files") + 1).toInt() : 8;
    const double minutes = args.contains("--minutes") ? args.at(args.indexOf("--minutes") + 1).toDouble() : 2;
    const bool haveLoudgain = !QStandardPaths::findExecutable("loudgain").isEmpty();
    if (QStandardPaths::findExecutable("sox").isEmpty() || QStandardPaths::findExecutable("lame").isEmpty()) {
        std::fprintf(stderr, "sox and lame are needed to make the files\n");
        return 1;
    }
    QTemporaryDir dir;
    QStringList sources;
    std::printf("making %d MP3 files of %.1f minutes...\n", files, minutes);
    for (int i = 0; i < files; ++i) {
        const QString wav = dir.filePath(QStringLiteral("src%1.wav").arg(i));
        const QString mp3 = dir.filePath(QStringLiteral("track%1.mp3").arg(i));
        // Noise with a slow swell at a different level per file.
        if (!run("sox",
                 {"-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", QString::number(minutes * 60),
                  "pinknoise", "tremolo", "0.3", "50", "vol", QString::number(-8 - i) + "dB"}) ||
            !run("lame", {"--quiet", "-b", "192", wav, mp3})) {
            std::fprintf(stderr, "cannot make the files\n");
            return 1;
        }
        QFile::remove(wav);
        sources << mp3;
    }

    PlugInHostOptions options;
    options.decoderFolder = LARKSPIN_BUILD_DIR "/PlugIn/Decoder";
    TPlugInHost host(options);
    std::string check;
    host.EnumeratePlugIns(check);

    Cost ours, theirs;
    QStringList ourFiles, theirFiles;
    for (int round = 0; round < 3; ++round) {
        ourFiles = copies(sources, dir.filePath("ours"));
        measure(ours, [&] {
            LoudnessScan scan(host);
            QList<LoudnessScanItem> items;
            for (const QString& f : ourFiles)
                items.push_back({f, QStringLiteral("Bench")});
            bool ok = true;
            QEventLoop loop;
            QObject::connect(&scan, &LoudnessScan::fileFailed, [&](const QString& f, const QString& why) {
                std::fprintf(stderr, "%s: %s\n", qPrintable(f), qPrintable(why));
                ok = false;
            });
            QObject::connect(&scan, &LoudnessScan::finished, &loop, &QEventLoop::quit);
            if (!scan.Start(items).isEmpty())
                return false;
            loop.exec();
            return ok;
        });
        theirFiles = copies(sources, dir.filePath("theirs"));
        measure(theirs, [&] {
            if (haveLoudgain)
                return run("loudgain", QStringList{"-a", "-s", "i", "-q"} + theirFiles);
            for (const QString& f : theirFiles)
                if (!run("ffmpeg",
                         {"-hide_banner", "-nostats", "-i", f, "-af", "ebur128", "-f", "null", "-"}))
                    return false;
            return true;
        });
    }
    const double audioSeconds = files * minutes * 60;
    const char* peer = haveLoudgain ? "loudgain -a -s i" : "ffmpeg -af ebur128 (measuring only)";
    std::printf("%d files, %.0f s of audio\n", files, audioSeconds);
    std::printf("Larkspin: %.2f s wall, %.2f s CPU (%.0fx real time)\n", ours.wall, ours.cpu,
                audioSeconds / ours.wall);
    std::printf("%s: %.2f s wall, %.2f s CPU (%.0fx real time)\n", peer, theirs.wall, theirs.cpu,
                audioSeconds / theirs.wall);
    std::printf("throughput ratio (wall): %.2f  (goal >= 1.5)\n", theirs.wall / ours.wall);

    if (haveLoudgain) {
        double worst = 0;
        for (int i = 0; i < files; ++i) {
            const GainTags a = ReadGainTags(ourFiles[i].toStdString());
            const GainTags b = ReadGainTags(theirFiles[i].toStdString());
            if (!a.TrackGain || !b.TrackGain || !a.AlbumGain || !b.AlbumGain) {
                std::fprintf(stderr, "%s: gains missing\n", qPrintable(ourFiles[i]));
                return 1;
            }
            worst = std::max(
                {worst, std::fabs(*a.TrackGain - *b.TrackGain), std::fabs(*a.AlbumGain - *b.AlbumGain)});
        }
        std::printf("largest gain difference to loudgain: %.3f dB  (goal <= 0.1)\n", worst);
        return worst <= 0.1 ? 0 : 1;
    }
    return 0;
}
