// Start-up time and resident memory after start of the shipped program, with every decoder plug-in and
// without IB_ffmpeg, beside Audacious (and qmmp when installed), well-known players of the same kind, on
// the same X display: a first start in a fresh home folder, then a second start in that folder (settings
// and caches written). Start-up time ends when the program's main window exists. The rows run
// interleaved, round after round, so a change in the machine's load falls on all of them alike.
//
//   xvfb-run -a bench_startup [--runs N]
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

#include <cstdio>

namespace {

struct Figures {
    qint64 startMs = -1;
    double residentMiB = 0;
};

// True once a top-level window named title exists on the display (Qt creates it when it is shown).
bool windowShown(const QString& title) {
    QProcess info;
    info.start(QStringLiteral("xwininfo"), {"-root", "-tree"});
    info.waitForFinished(5000);
    for (const QByteArray& line : info.readAllStandardOutput().split('\n'))
        if (line.contains('"' + title.toUtf8() + "\":"))
            return true;
    return false;
}

double residentMiB(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

// One start: until the window shows, then resident memory once the program has settled.
Figures measure(const QString& program, const QString& home, const QString& title) {
    QProcessEnvironment env = FreshHomeEnvironment(home);
    env.insert("QT_QPA_PLATFORM", "xcb");
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    Figures f;
    QElapsedTimer clock;
    clock.start();
    p.start(program, QStringList());
    if (!p.waitForStarted(10000))
        return f;
    while (clock.elapsed() < 30000 && p.state() == QProcess::Running) {
        if (windowShown(title)) {
            f.startMs = clock.elapsed();
            break;
        }
    }
    QThread::sleep(3);
    f.residentMiB = residentMiB(p.processId());
    EndProgram(p);
    return f;
}

Figures median(QList<Figures> runs) {
    std::sort(runs.begin(), runs.end(),
              [](const Figures& a, const Figures& b) { return a.startMs < b.startMs; });
    Figures m = runs[runs.size() / 2];
    QList<double> memory;
    for (const Figures& f : runs)
        memory << f.residentMiB;
    std::sort(memory.begin(), memory.end());
    m.residentMiB = memory[memory.size() / 2];
    return m;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int runs = 5;
    const QStringList args = app.arguments();
    if (const qsizetype i = args.indexOf("--runs"); i > 0 && i + 1 < args.size())
        runs = std::max(1, args[i + 1].toInt());
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "needs an X display: xvfb-run -a %s\n", argv[0]);
        return 1;
    }

    // Each larkspin run gets a fresh program folder (its settings live there), each run a fresh home.
    struct Row {
        QString name;
        QString title;
        QString peer;       // the peer's executable, empty for larkspin
        QString skipPlugIn; // a decoder plug-in left out of larkspin's folder
        QList<Figures> first, second;
    };
    QList<Row> rows = {{"larkspin, all plug-ins", "Larkspin 3.0", {}, {}, {}, {}},
                       {"larkspin, without IB_ffmpeg", "Larkspin 3.0", {}, "ffmpeg", {}, {}}};
    if (const QString audacious = AudaciousProgram(); !audacious.isEmpty())
        rows.append({"audacious (peer)", "Audacious", audacious, {}, {}, {}});
    else
        std::printf("audacious not found (scripts/install-deps.sh bench installs it); its row is left out\n");
    if (const QString qmmp = QStandardPaths::findExecutable("qmmp"); !qmmp.isEmpty())
        rows.append({"qmmp (peer)", "Qmmp", qmmp, {}, {}, {}});

    for (int i = 0; i < runs; ++i) {
        for (Row& row : rows) {
            QTemporaryDir home, folder;
            const QString program =
                row.peer.isEmpty() ? CopyShippedProgram(folder, row.skipPlugIn) : row.peer;
            row.first << measure(program, home.path(), row.title);
            row.second << measure(program, home.path(), row.title);
        }
    }
    std::printf("%-30s %12s %12s %14s\n", "program (median)", "first ms", "second ms", "resident MiB");
    for (const Row& row : rows) {
        const Figures a = median(row.first), b = median(row.second);
        std::printf("%-30s %12lld %12lld %14.1f\n", qPrintable(row.name), static_cast<long long>(a.startMs),
                    static_cast<long long>(b.startMs), b.residentMiB);
    }
    return 0;
}
