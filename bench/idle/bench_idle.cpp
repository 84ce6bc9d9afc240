// How often the running program wakes up, and the CPU time it takes, when nothing changes: idle with a
// 1,000-entry playlist, playing an MP3 with the player window shown, and stopped after a short track
// played to its end; beside Audacious doing the same when it is installed (playing into SDL's dummy
// output, as Larkspin does here). A wake-up is counted as a context switch of any of the process's
// threads (voluntary and involuntary, summed over /proc/PID/task/*/status): each time a thread gives up
// the CPU it must be woken again to run. Threads that end within the measured time are missed, which
// only lowers the count. The rows run interleaved, round after round, and the medians are printed.
//
//   xvfb-run -a bench_idle [--seconds N] [--rounds N]
//   (without a display it runs with QT_QPA_PLATFORM=offscreen)
#include "PeerPlayer.h"
#include "ShippedProgram.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

// Context switches of all threads of pid so far.
qint64 contextSwitches(qint64 pid) {
    qint64 sum = 0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task + "/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("voluntary_ctxt_switches:") || line.startsWith("nonvoluntary_ctxt_switches:"))
                sum += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    }
    return sum;
}

// User and system CPU time of pid so far, seconds.
double cpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // Fields after the command name in parentheses: state is field 3, utime 14, stime 15.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

struct Figures {
    double wakeups = -1; // per second
    double cpuPercent = -1;
};

// Starts program with arguments, lets it settle, then counts over seconds.
Figures measure(const QString& program, const QStringList& arguments, const QString& home, int settle,
                int seconds) {
    QProcessEnvironment env = FreshHomeEnvironment(home);
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    Figures f;
    p.start(program, arguments);
    if (!p.waitForStarted(10000))
        return f;
    QThread::sleep(settle);
    if (p.state() == QProcess::Running) {
        const qint64 pid = p.processId();
        const qint64 switches = contextSwitches(pid);
        const double cpu = cpuSeconds(pid);
        QElapsedTimer clock;
        clock.start();
        QThread::sleep(seconds);
        const double elapsed = clock.elapsed() / 1000.0;
        if (p.state() == QProcess::Running) {
            f.wakeups = (contextSwitches(pid) - switches) / elapsed;
            f.cpuPercent = 100.0 * (cpuSeconds(pid) - cpu) / elapsed;
        }
    }
    EndProgram(p);
    return f;
}

bool run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QString figure(double value, const char* format) {
    return value < 0 ? QStringLiteral("failed") : QString::asprintf(format, value);
}

// The median of the values that did not fail; -1 when all failed.
double median(QList<double> values) {
    values.removeIf([](double v) { return v < 0; });
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int seconds = 20, rounds = 3;
    const QStringList args = app.arguments();
    if (const qsizetype i = args.indexOf("--seconds"); i > 0 && i + 1 < args.size())
        seconds = std::max(1, args[i + 1].toInt());
    if (const qsizetype i = args.indexOf("--rounds"); i > 0 && i + 1 < args.size())
        rounds = std::max(1, args[i + 1].toInt());
    const bool display = !qEnvironmentVariableIsEmpty("DISPLAY");
    if (!display)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::printf("display: %s\n", display ? "X (QT_QPA_PLATFORM as set)" : "none, QT_QPA_PLATFORM=offscreen");

    // Ten minutes of a tone as MP3, three seconds of it, and a playlist of 1,000 entries (links to it).
    QTemporaryDir music;
    const QDir m(music.path());
    const QString wav = m.filePath("tone.wav"), mp3 = m.filePath("tone.mp3");
    const QString shortWav = m.filePath("short.wav"), shortMp3 = m.filePath("short.mp3");
    if (!run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "600", "sine", "440", "vol",
                     "0.3"}) ||
        !run("lame", {"--quiet", "-b", "128", wav, mp3}) ||
        !run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", shortWav, "synth", "3", "sine", "440", "vol",
                     "0.3"}) ||
        !run("lame", {"--quiet", "-b", "128", shortWav, shortMp3})) {
        std::fprintf(stderr, "cannot make the test file (sox, lame)\n");
        return 1;
    }
    QFile::remove(wav);
    QFile::remove(shortWav);
    m.mkpath("list");
    QFile playlist(m.filePath("list.m3u"));
    if (!playlist.open(QIODevice::WriteOnly))
        return 1;
    for (int i = 0; i < 1000; ++i) {
        const QString entry = m.filePath(QStringLiteral("list/Artist %1 - Title %2.mp3").arg(i % 37).arg(i));
        QFile::link(mp3, entry);
        playlist.write(entry.toUtf8() + '\n');
    }
    playlist.close();

    struct Row {
        QString name;
        QString peer; // empty for larkspin
        QStringList arguments;
        double goal;
        QList<double> wakeups, cpu;
    };
    QList<Row> rows = {{"larkspin idle, 1,000 entries", {}, {"--enqueue", playlist.fileName()}, 5, {}, {}},
                       {"larkspin playing an MP3", {}, {mp3}, 25, {}, {}},
                       {"larkspin stopped after a track ended", {}, {shortMp3}, 5, {}, {}}};
    const QString audacious = AudaciousProgram();
    QTemporaryDir audaciousHome;
    if (!audacious.isEmpty() && !PrepareAudaciousHome(audacious, audaciousHome.path())) {
        std::printf("audacious: cannot make it play into SDL's output; its rows are left out\n");
    } else if (!audacious.isEmpty()) {
        rows.append({"audacious idle, 1,000 entries (peer)",
                     audacious,
                     {"--enqueue", playlist.fileName()},
                     -1,
                     {},
                     {}});
        rows.append({"audacious playing an MP3 (peer)", audacious, {mp3}, -1, {}, {}});
        rows.append({"audacious stopped after a track ended (peer)", audacious, {shortMp3}, -1, {}, {}});
    }

    std::printf("measured over %d s after 10 s to settle, median of %d interleaved rounds\n", seconds,
                rounds);
    for (int round = 0; round < rounds; ++round) {
        for (Row& row : rows) {
            QTemporaryDir home, folder;
            QString program = row.peer;
            if (row.peer.isEmpty())
                program = CopyShippedProgram(folder);
            else
                CopyAudaciousHome(audaciousHome.path(), home.path());
            const Figures f = measure(program, row.arguments, home.path(), 10, seconds);
            row.wakeups << f.wakeups;
            row.cpu << f.cpuPercent;
        }
    }
    std::printf("%-46s %12s %8s %10s\n", "state", "wake-ups/s", "goal", "CPU %");
    for (const Row& row : rows) {
        const QString goal = row.goal < 0 ? QStringLiteral("-") : QStringLiteral("< %1").arg(row.goal);
        std::printf("%-46s %12s %8s %10s\n", qPrintable(row.name),
                    qPrintable(figure(median(row.wakeups), "%.1f")), qPrintable(goal),
                    qPrintable(figure(median(row.cpu), "%.2f")));
    }
    if (audacious.isEmpty())
        std::printf("audacious: not installed (scripts/install-deps.sh bench installs it)\n");
    return 0;
}
