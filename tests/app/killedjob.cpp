// The writer side of tst_killedjobs: runs rip and encode jobs of the program in child processes, so the
// test can kill them with SIGKILL at any point. Starting a fresh executable for each of the many kills
// would cost more than the jobs themselves; instead this process stays single-threaded and without Qt
// objects, and forks a child per request that sets up Qt and runs the job. One request per line on
// stdin:
//
//   once|loop rip-wav|rip-mp3 named|unnamed <output file> <disc .cue> <track>
//   once|loop encode-mp3|encode-ogg named|unnamed <output folder> <source .wav>
//
// Lines on stdout: "pid <n>" when the child is forked, "go" from the child when its first job is about
// to start, "done <microseconds>" from a child in once mode with the time from "go" to the finished
// file, and "ended <exit code, or minus the signal>" when the child is gone. In loop mode the child does
// the job over and over until it is killed. A failing job says why on stderr and ends with exit code 1.
#include "AtomicFile.h"
#include "TCDRIP.h"
#include "TEncodeJobs.h"
#include "TEncoderHost.h"
#include "TLameCoder.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace larkspin;

namespace {

// One line on stdout, written at once (the child shares the pipe with this process).
void say(const std::string& line) {
    const std::string text = line + "\n";
    if (::write(STDOUT_FILENO, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        std::_Exit(3);
}

QElapsedTimer sinceGo; // from "go" to the finished file

void go() {
    say("go");
    sinceGo.start();
}

int done() {
    say("done " + std::to_string(sinceGo.nsecsElapsed() / 1000));
    return 0;
}

int fail(const QString& why) {
    std::fprintf(stderr, "killedjob: %s\n", qPrintable(why));
    return 1;
}

// Rips the track with the ripping component, as the CD ripper does: to WAV, or to MP3 through LAME.
int rip(bool mp3, bool loop, const QString& output, const QString& cue, int track) {
    CR_SetVirtualDrives(cue.toStdString());
    TCDRIP ripper;
    ripper.SetCDRomNum(CR_GetNumCDROM() - 1);
    ripper.SetWriteWAV(true);
    TLameCoder coder;
    coder.Bitrate = 128;
    ripper.SetCoder(&coder);
    ripper.SetEncode(mp3);
    go();
    do {
        try {
            ripper.RipTrack(track, output);
        } catch (const ECDRIPError& e) {
            return fail(e.what());
        }
        if (ripper.LastFileName().isEmpty())
            return fail("the rip kept no file");
    } while (loop);
    return done();
}

// Encodes the WAV into the folder with the plug-in through the encoder page's job list; in loop mode
// the list holds the same file many times, so the same output is written over and over.
int encode(const QString& plugIn, bool loop, const QString& folder, const QString& source) {
    TEncoderHost host(LARKSPIN_BUILD_DIR "/PlugIn/Encoder");
    host.Enumerate();
    int row = -1;
    for (size_t i = 0; i < host.EncoderList().size(); ++i)
        if (host.EncoderList()[i].fileName == plugIn.toStdString())
            row = static_cast<int>(i);
    if (row < 0)
        return fail("no plug-in " + plugIn);
    TEncodeJobs jobs(host);
    QString problem;
    QObject::connect(&jobs, &TEncodeJobs::fileFailed,
                     [&](const QString& file, const QString& message) { problem = file + ": " + message; });
    QObject::connect(&jobs, &TEncodeJobs::finished, qApp, &QCoreApplication::quit);
    go();
    const QStringList files(loop ? 100000 : 1, source);
    if (const QString refused = jobs.Start(files, folder, row); !refused.isEmpty())
        return fail(refused);
    QCoreApplication::exec();
    if (!problem.isEmpty())
        return fail(problem);
    return loop ? fail("the job list ended") : done();
}

// The child's part: one request.
int runJob(const QStringList& args) {
    static int argc = 1;
    static char name[] = "killedjob";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    if (args.size() < 5)
        return fail("a request needs once|loop, the job, named|unnamed, the output and the source");
    const bool loop = args[0] == "loop";
    const QString kind = args[1];
    AtomicFile::SetUnnamedTemporaryFiles(args[2] != "named");
    if (kind == "rip-wav" || kind == "rip-mp3")
        return rip(kind == "rip-mp3", loop, args[3], args[4], args.value(5).toInt());
    if (kind == "encode-mp3")
        return encode("enc_mp3.so", loop, args[3], args[4]);
    if (kind == "encode-ogg")
        return encode("enc_vorbis.so", loop, args[3], args[4]);
    return fail("unknown job " + kind);
}

} // namespace

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        // Paths hold no spaces here: the test makes them.
        const QStringList args = QString::fromStdString(line).split(' ', Qt::SkipEmptyParts);
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child < 0)
            return fail("cannot fork");
        if (child == 0)
            std::exit(runJob(args));
        say("pid " + std::to_string(child));
        int status = 0;
        if (::waitpid(child, &status, 0) != child)
            return fail("lost the child");
        say("ended " + std::to_string(WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status)));
    }
    return 0;
}
