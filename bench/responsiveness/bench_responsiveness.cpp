// How long the running program keeps its GUI thread from answering while it does work that once blocked
// it. A 10 ms timer on the GUI thread records the longest gap between two of its ticks while the program
//   (a) takes a folder of 20,000 files from its command line (searched, listed, the first one played),
//   (b) imports 10,000 files into the library ("Add mediafiles to archive...", search, read, Finish),
//   (c) receives a 1 MiB CDDB reply in "Prepare ripping..." (a local HTTP server answers),
//   (d) opens a disc image whose data file is a FIFO (no writer ever comes),
//   (e) starts a rip to MP3 and aborts it,
//   (f) quits during a rip: by SIGTERM and by closing the main window.
// (a) to (e) run in this process on the program's own application object and windows; (f) runs in a
// child process composed as the larkspin executable is (signal watcher, application, event loop), and
// the parent times from the quit until the process has ended. Each case also checks its outcome (the
// files listed, the library filled, the names read, no file left by an aborted rip).
//
//   bench_responsiveness [--runs N] [--trace]
//       each case N times, the best run kept (3 by default); --trace prints the GUI thread's stack
//       (symbols to be put through c++filt) every 30 ms that it does not answer
//   bench_responsiveness --quit-child <work folder> <disc image> signal|close
//
// Needs a display (xvfb-run -a) or QT_QPA_PLATFORM=offscreen, and sox for the disc images.
#include "DiscImage.h"
#include "LarkspinApp.h"
#include "ModalAnswer.h"
#include "MusicLibrary.h"
#include "PlayerController.h"
#include "Playlist.h"
#include "RipRun.h"
#include "Settings.h"
#include "TArchivForm.h"
#include "TFrame_CDRipper.h"
#include "TFrame_Organizer.h"
#include "THauptform.h"
#include "TPlaylistForm.h"
#include "TRipPrepare.h"
#include "TStationForm.h"
#include "UnixSignalWatcher.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <execinfo.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>

using namespace larkspin;

namespace {

constexpr double GoalMs = 50;
constexpr double QuitGoalMs = 2000;

double monotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// The GUI thread's stack, taken in a signal handler when the tracer asks for it.
void* stackFrames[64];
std::atomic<int> stackDepth{-1};

void takeStack(int) {
    stackDepth.store(backtrace(stackFrames, 64));
}

// A 10 ms timer on the GUI thread; the longest time between two of its ticks since the last reset. The
// time since the last tick counts too, so a stall still going on when the case ends is not missed.
// With tracing on, a thread watches the ticks and prints the GUI thread's stack during a stall.
class GapMeter : public QObject {
public:
    GapMeter() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, [this] {
            const double now = monotonicMs();
            longest_ = std::max(longest_, now - last_.load());
            last_ = now;
        });
        timer_.start();
        reset();
    }
    ~GapMeter() override {
        stop_ = true;
        if (tracer_.joinable())
            tracer_.join();
    }
    void reset() {
        last_ = monotonicMs();
        longest_ = 0;
    }
    double longest() const { return std::max(longest_, monotonicMs() - last_.load()); }

    void startTracer() {
        void* warm[4];
        backtrace(warm, 4); // loads the unwinder before any signal comes
        signal(SIGUSR2, takeStack);
        const pthread_t gui = pthread_self();
        tracer_ = std::thread([this, gui] {
            double traced = 0, nextAfter = 30; // a stack every 30 ms of a stall
            while (!stop_) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                const double last = last_.load();
                if (last != traced)
                    nextAfter = 30;
                if (monotonicMs() - last < nextAfter)
                    continue;
                traced = last;
                nextAfter += 30;
                stackDepth = -1;
                pthread_kill(gui, SIGUSR2);
                for (int i = 0; i < 100 && stackDepth.load() < 0; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                std::fprintf(stderr, "--- GUI thread %.0f ms without a tick:\n", monotonicMs() - last);
                if (stackDepth.load() > 0)
                    backtrace_symbols_fd(stackFrames, stackDepth.load(), 2);
            }
        });
    }

private:
    QTimer timer_;
    std::atomic<double> last_{0};
    double longest_ = 0;
    std::thread tracer_;
    std::atomic<bool> stop_{false};
};

// Runs the event loop until condition holds; false after timeoutMs.
bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    bool met = condition();
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        met = condition();
        if (met || t.elapsed() > timeoutMs)
            loop.quit();
    });
    if (!met) {
        poll.start();
        loop.exec();
    }
    return met;
}

// The work folder, removed when the bench gives up.
QString workFolder;

[[noreturn]] void fail(const QString& what) {
    std::fprintf(stderr, "bench_responsiveness: %s\n", qPrintable(what));
    if (!workFolder.isEmpty())
        QDir(workFolder).removeRecursively();
    std::fflush(stderr);
    std::_Exit(1);
}

// A WAV file of seconds of silence, 44.1 kHz stereo; the samples are a hole, so thousands of files cost
// little disk.
void writeSilentWav(const QString& path, int seconds) {
    const quint32 dataBytes = quint32(seconds) * 44100 * 4;
    QByteArray head("RIFF\0\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0", 24);
    auto put32 = [&](quint32 v) {
        for (int i = 0; i < 4; ++i)
            head.append(char((v >> (8 * i)) & 0xff));
    };
    put32(44100);
    put32(44100 * 4);
    head.append("\x04\0\x10\0data", 8);
    put32(dataBytes);
    for (int i = 0; i < 4; ++i)
        head[4 + i] = char(((quint32(head.size()) - 8 + dataBytes) >> (8 * i)) & 0xff);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(head) != head.size() || !f.resize(head.size() + dataBytes))
        fail("cannot write " + path);
}

// count files in subfolders of 500.
void makeMusicFolder(const QString& folder, int count) {
    for (int i = 0; i < count; ++i) {
        const QString sub = QStringLiteral("%1/album %2").arg(folder).arg(i / 500, 3, 10, QLatin1Char('0'));
        if (i % 500 == 0 && !QDir().mkpath(sub))
            fail("cannot make " + sub);
        writeSilentWav(QStringLiteral("%1/%2 track.wav").arg(sub).arg(i % 500, 3, 10, QLatin1Char('0')), 5);
    }
}

// A CDDB server on 127.0.0.1 answering every query with one exact match and every read with the entry
// given, padded with comment lines to about 1 MiB.
class CddbServer : public QObject {
public:
    CddbServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                    request_[socket] += socket->readAll();
                    const QByteArray& r = request_[socket];
                    if (r.indexOf("\r\n\r\n") < 0)
                        return;
                    ++served;
                    const QByteArray body = r.contains("cmd=cddb+read") ? entry() : query();
                    socket->write("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                                  QByteArray::number(body.size()) + "\r\n\r\n" + body);
                    socket->disconnectFromHost();
                    request_.remove(socket);
                });
            }
        });
    }
    quint16 port() const { return server_.serverPort(); }
    int served = 0;
    // The body of the read reply, just under the client's 1 MiB limit.
    static QByteArray entry() {
        QByteArray body = "210 rock 0e001003 CD database entry follows (until terminating `.')\r\n# xmcd\r\n";
        const QByteArray tail = "DTITLE=Disc Artist / Disc Album\r\nDYEAR=2001\r\nDGENRE=Ambient\r\n"
                                "TTITLE0=First Song\r\nTTITLE1=Guest / Second Song\r\nTTITLE2=Third Song\r\n"
                                "EXTD=\r\nEXTT0=\r\nEXTT1=\r\nEXTT2=\r\nPLAYORDER=\r\n.\r\n";
        const QByteArray comment = "# Track frame offsets, submitted via a very talkative client program\r\n";
        while (body.size() + comment.size() + tail.size() < 1024 * 1024)
            body += comment;
        return body + tail;
    }

private:
    static QByteArray query() { return "200 rock 0e001003 Disc Artist / Disc Album\r\n"; }
    QTcpServer server_;
    QHash<QTcpSocket*, QByteArray> request_;
};

// The settings file of a fresh program folder.
void writeIni(const QString& programFolder, const QString& out, const QString& drives, quint16 cddbPort) {
    QFile ini(programFolder + "/larkspin.ini");
    if (!ini.open(QIODevice::WriteOnly))
        fail("cannot write the settings");
    ini.write(QStringLiteral("[Prog]\nFirststart=0\n[CDRipper]\nIntEncoder=1\nBitrate=128\nTemp=%1/\n"
                             "CDDBServer=127.0.0.1\nCDDBPort=%2\nCDDBEmail=bench@example.org\nAccurateRipUrl=\n"
                             "[CDAudio]\nVirtualDrives=%3\n")
                  .arg(out)
                  .arg(cddbPort)
                  .arg(drives)
                  .toUtf8());
}

TFrame_CDRipper* showRipperPage(LarkspinApp& app) {
    TStationForm& station = app.stationWindow();
    station.show();
    station.StationPage->setCurrentIndex(TStationForm::CdRipperPage);
    auto* page = station.findChild<TFrame_CDRipper*>();
    if (!page)
        fail("no CD Ripper page");
    return page;
}

// Makes the drive whose name holds needle the ripper page's drive.
void chooseDrive(TFrame_CDRipper* page, const QString& needle) {
    for (int i = 0; i < page->DriveSelBox->count(); ++i)
        if (page->DriveSelBox->itemText(i).contains(needle)) {
            page->DriveSelBox->setCurrentIndex(i);
            return;
        }
    // The disc images follow the real drives in the order of the settings.
    fail("no drive named like " + needle);
}

// Ticks the first track and presses "Start ripping..." with the preparation answered by Start.
ModalAnswer* startRip(TFrame_CDRipper* page) {
    for (int i = 0; i < page->CDListView->topLevelItemCount(); ++i)
        page->CDListView->topLevelItem(i)->setCheckState(0, i == 0 ? Qt::Checked : Qt::Unchecked);
    auto* answer = new ModalAnswer([](QWidget* modal) {
        auto* dialog = qobject_cast<TRipPrepare*>(modal);
        if (!dialog || !dialog->BitBtn1->isEnabled())
            return false;
        dialog->BitBtn1->click();
        return true;
    });
    // The preparation is modal: pressed from the event loop, so this returns.
    QTimer::singleShot(0, page->StartButton, &QPushButton::click);
    return answer;
}

bool ripping(TFrame_CDRipper* page) {
    return page->RipInProgress() && page->Run() && page->Run()->Display().RipPercent > 0;
}

// --- (f): the child, composed as the program's main is.

int quitChild(int argc, char** argv, const QString& work, const QString& cue, const QString& how) {
    QApplication qapp(argc, argv);
    UnixSignalWatcher watcher;
    const QString folder = work + "/quit-" + how;
    const QString out = folder + "/out";
    if (!QDir().mkpath(out))
        fail("cannot make " + out);
    writeIni(folder, out, cue, 9);
    settings() = Settings{};
    LarkspinApp app(folder + "/larkspin", work + "/share");
    QObject::connect(&app, &LarkspinApp::finished, &qapp, &QCoreApplication::exit, Qt::QueuedConnection);
    app.Start();
    QObject::connect(&watcher, &UnixSignalWatcher::terminationRequested, &app,
                     [&app] { app.ShutDown(LarkspinApp::Cause::Signal); });
    TFrame_CDRipper* page = showRipperPage(app);
    chooseDrive(page, QStringLiteral("long"));
    std::unique_ptr<ModalAnswer> answer(startRip(page));
    GapMeter meter;
    bool told = false;
    QTimer look;
    look.setInterval(5);
    QObject::connect(&look, &QTimer::timeout, &app, [&] {
        if (told || !ripping(page))
            return;
        told = true;
        meter.reset();
        if (how == "close") {
            std::printf("closing %.3f\n", monotonicMs());
            std::fflush(stdout);
            app.mainWindow().close();
        } else {
            std::printf("ripping\n");
            std::fflush(stdout);
        }
    });
    look.start();
    const int code = QCoreApplication::exec();
    std::printf("gap %.1f\n", meter.longest());
    std::fflush(stdout);
    return code;
}

struct QuitResult {
    double exitMs = 1e9;
    double gapMs = 1e9;
    bool ok = false;
};

QuitResult quitDuringRip(const QString& work, const QString& cue, const QString& how) {
    QuitResult r;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QDir(work + "/quit-" + how).removeRecursively();
    child.start(QCoreApplication::applicationFilePath(), {"--quit-child", work, cue, how});
    if (!child.waitForStarted())
        fail("the child did not start");
    QByteArray output;
    double quitAt = 0;
    while (quitAt == 0) {
        if (!child.waitForReadyRead(60000))
            fail("the child never started its rip");
        output += child.readAllStandardOutput();
        if (how == "signal" && output.contains("ripping\n")) {
            quitAt = monotonicMs();
            ::kill(pid_t(child.processId()), SIGTERM);
        } else if (how == "close" && output.contains("closing ") && output.endsWith('\n')) {
            std::sscanf(output.constData() + output.indexOf("closing ") + 8, "%lf", &quitAt);
        }
    }
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished();
        std::printf("  (%s: the process did not end within 60 s)\n", qPrintable(how));
        return r;
    }
    r.exitMs = monotonicMs() - quitAt;
    output += child.readAllStandardOutput();
    const qsizetype gap = output.indexOf("gap ");
    if (gap >= 0)
        std::sscanf(output.constData() + gap + 4, "%lf", &r.gapMs);
    const QStringList left = QDir(work + "/quit-" + how + "/out").entryList(QDir::Files | QDir::Hidden);
    r.ok = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 && left.isEmpty();
    if (!left.isEmpty())
        std::printf("  (%s: files left in the output folder: %s)\n", qPrintable(how),
                    qPrintable(left.join(", ")));
    return r;
}

// --- The in-process cases.

struct Row {
    const char* name;
    double best = 1e9;
    bool ok = true;
};

class Bench {
public:
    explicit Bench(const QString& work) : work_(work) {}

    void prepare() {
        std::printf("making 30,000 files and the disc images...\n");
        std::fflush(stdout);
        makeMusicFolder(work_ + "/folder", 20000);
        makeMusicFolder(work_ + "/import", 10000);
        QString error;
        three_ = MakeDiscImage(work_, "three", ThreeToneFrames, &error);
        // A 3-minute first track, so an abort or a quit comes early in it.
        long_ = MakeDiscImage(work_, "long", {13500, 750}, &error);
        if (three_.isEmpty() || long_.isEmpty())
            fail(error);
        // A sheet whose data file is a FIFO: reading it would wait for a writer that never comes.
        fifo_ = work_ + "/fifo.cue";
        if (!QFile::copy(three_, fifo_) ||
            ::mkfifo(QFile::encodeName(work_ + "/fifo.bin").constData(), 0600) != 0)
            fail("cannot make the FIFO image");
        program_ = work_ + "/program";
        out_ = program_ + "/out";
        if (!QDir().mkpath(out_) || !QDir().mkpath(program_ + "/PlugIn/Decoder") ||
            !QFile::copy(LARKSPIN_BUILD_DIR "/PlugIn/Decoder/IB_sndfile.so",
                         program_ + "/PlugIn/Decoder/IB_sndfile.so"))
            fail("cannot make the program folder (is IB_sndfile built?)");
        writeIni(program_, out_, three_ + ";" + long_ + ";" + fifo_, cddb_.port());
    }

    void trace() { meter_.startTracer(); }

    void start() {
        settings() = Settings{};
        app_ = std::make_unique<LarkspinApp>(program_ + "/larkspin", work_ + "/share");
        app_->Start();
        waitFor([] { return false; }, 500); // the windows settle
    }

    double idle() {
        meter_.reset();
        waitFor([] { return false; }, 1000);
        return meter_.longest();
    }

    // (a) larkspin FOLDER: the search, the 20,000 rows, their information read, the first played.
    double launchFolder(bool& ok) {
        Playlist& list = app_->playlistWindow().list();
        list.ClearList();
        waitFor([&] { return !list.Working(); }, 60000);
        meter_.reset();
        LaunchRequest request;
        request.paths = {work_ + "/folder"};
        app_->Open(request);
        ok = waitFor([&] { return !app_->Opening() && list.Count() == 20000 && !list.Working(); }, 300000);
        const double gap = meter_.longest();
        ok = ok && app_->mainWindow().player().Playing;
        app_->mainWindow().player().StopPlayback();
        return gap;
    }

    // (b) "Add mediafiles to archive...": search, read, Finish; the library then lists the files.
    double importFiles(bool& ok) {
        library().Lines.Clear();
        TStationForm& station = app_->stationWindow();
        station.show();
        station.StationPage->setCurrentIndex(TStationForm::LibraryPage);
        waitFor([] { return false; }, 200);
        int step = 0;
        ModalAnswer answer([&](QWidget* modal) {
            auto* form = qobject_cast<TArchivForm*>(modal);
            if (!form)
                return false;
            if (step == 0) {
                form->setFolder(work_ + "/import");
                form->startSearchButton->click();
                step = 1;
            } else if (step == 1 && !form->searching() && form->nextButton->isEnabled()) {
                form->nextButton->click();
                form->readButton->click();
                step = 2;
            } else if (step == 2 && !form->reading()) {
                form->cancelButton->click(); // "Finish"
                return true;
            }
            return false;
        });
        meter_.reset();
        bool returned = false;
        QTimer::singleShot(0, station.organizer(), [&] {
            station.organizer()->AddFilesClick();
            returned = true;
        });
        ok = waitFor([&] { return returned; }, 300000);
        const double gap = meter_.longest();
        ok = ok && library().Lines.Count() == 10000;
        return gap;
    }

    // (c) "Get infos from FreeDB..." in the preparation, answered with a 1 MiB entry; then Cancel.
    double cddbReply(bool& ok) {
        TFrame_CDRipper* page = showRipperPage(*app_);
        chooseDrive(page, QStringLiteral("three"));
        waitFor([] { return false; }, 200);
        for (int i = 0; i < page->CDListView->topLevelItemCount(); ++i)
            page->CDListView->topLevelItem(i)->setCheckState(0, Qt::Checked);
        const int servedBefore = cddb_.served;
        bool asked = false;
        ModalAnswer answer([&](QWidget* modal) {
            auto* dialog = qobject_cast<TRipPrepare*>(modal);
            if (!dialog)
                return false;
            if (!asked) {
                asked = true;
                meter_.reset();
                dialog->Button1->click();
                return false;
            }
            if (!dialog->BitBtn1->isEnabled())
                return false;
            dialog->BitBtn2->click(); // Cancel: the names stay in the CD list
            return true;
        });
        bool returned = false;
        QTimer::singleShot(0, page, [&] {
            page->StartButton->click();
            returned = true;
        });
        ok = waitFor([&] { return returned; }, 120000);
        const double gap = meter_.longest();
        const QString second = page->CDListView->topLevelItemCount() > 1
                                   ? page->CDListView->topLevelItem(1)->text(0)
                                   : QString();
        if (!ok || cddb_.served != servedBefore + 2 || !second.contains(QStringLiteral("Second Song")))
            std::printf("  (c: %s; %d requests; track 2 shows \"%s\")\n",
                        ok ? "dialog closed" : "the dialog stayed", cddb_.served - servedBefore,
                        qPrintable(second));
        ok = ok && cddb_.served == servedBefore + 2 && page->CDListView->topLevelItemCount() >= 2 &&
             page->CDListView->topLevelItem(1)->text(0).contains(QStringLiteral("Second Song"));
        return gap;
    }

    // (d) The FIFO image chosen on the CD Ripper page, then Refresh: no tracks, and no wait.
    double fifoImage(bool& ok) {
        TFrame_CDRipper* page = showRipperPage(*app_);
        chooseDrive(page, QStringLiteral("three"));
        waitFor([] { return false; }, 200);
        // Should the page wait on the FIFO all the same, a writer comes after 20 s and closes it at
        // once, so the bench ends and says so.
        std::mutex lock;
        std::condition_variable wake;
        bool done = false, rescued = false;
        const QByteArray fifoData = QFile::encodeName(work_ + "/fifo.bin");
        std::thread rescue([&] {
            std::unique_lock guard(lock);
            while (!wake.wait_for(guard, std::chrono::seconds(20), [&] { return done; })) {
                const int fd = ::open(fifoData.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    rescued = true;
                    ::close(fd);
                }
            }
        });
        meter_.reset();
        chooseDrive(page, QStringLiteral("fifo"));
        waitFor([] { return false; }, 50);
        page->RefreshButton->click();
        waitFor([] { return false; }, 50);
        const double gap = meter_.longest();
        {
            std::lock_guard guard(lock);
            done = true;
        }
        wake.notify_all();
        rescue.join();
        ok = !rescued && page->CDListView->topLevelItemCount() == 0;
        // Closes the message the page may show for a drive without tracks.
        if (QMessageBox* box = OpenMessage(page))
            box->close();
        return gap;
    }

    // (e) A rip to MP3 started and aborted in its first track: no file stays.
    double ripAndAbort(bool& ok) {
        TFrame_CDRipper* page = showRipperPage(*app_);
        chooseDrive(page, QStringLiteral("long"));
        waitFor([] { return false; }, 200);
        for (const QString& f : QDir(out_).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(out_ + "/" + f);
        meter_.reset();
        // Abort is pressed at the rip's first progress (a track rips in a second or two).
        bool aborted = false;
        QMetaObject::Connection progress;
        const QMetaObject::Connection started =
            QObject::connect(page, &TFrame_CDRipper::ripInProgressChanged, page, [&](bool on) {
                if (!on || !page->Run())
                    return;
                progress = QObject::connect(page->Run(), &RipRun::displayChanged, page, [&] {
                    if (!aborted && ripping(page)) {
                        aborted = true;
                        page->AbortButton->click();
                    }
                });
            });
        std::unique_ptr<ModalAnswer> answer(startRip(page));
        ok = waitFor([&] { return aborted && !page->RipInProgress(); }, 60000);
        QObject::disconnect(started);
        QObject::disconnect(progress);
        const double gap = meter_.longest();
        const QStringList left = QDir(out_).entryList(QDir::Files | QDir::Hidden);
        if (!ok || !left.isEmpty())
            std::printf("  (e: %s; files left: %s)\n", ok ? "aborted" : "no rip, or it did not end",
                        qPrintable(left.join(", ")));
        ok = ok && left.isEmpty();
        return gap;
    }

    void quitApp() {
        app_->mainWindow().close();
        app_.reset();
    }

    const QString& longImage() const { return long_; }

private:
    QString work_, program_, out_, three_, long_, fifo_;
    CddbServer cddb_;
    GapMeter meter_;
    std::unique_ptr<LarkspinApp> app_;
};

void printRow(const char* name, double gap, bool ok, double goal = GoalMs) {
    std::printf("| %-52s | %9.1f | %6.0f | %-3s |\n", name, gap, goal, ok && gap < goal ? "yes" : "NO");
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LARKSPIN_AUDIO_DRIVER", "dummy");
    if (argc == 5 && QByteArray(argv[1]) == "--quit-child")
        return quitChild(argc, argv, QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                         QString::fromLocal8Bit(argv[4]));
    int runs = 3;
    bool trace = false;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (QByteArray(argv[i]) == "--trace")
            trace = true;
    }
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    QApplication qapp(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        fail("no temporary folder");
    workFolder = dir.path();
    Bench bench(dir.path());
    bench.prepare();
    bench.start();
    if (trace)
        bench.trace();

    Row idle{"idle (the machine's own noise)"};
    Row a{"(a) larkspin FOLDER, 20,000 files"};
    Row b{"(b) import 10,000 files into the library"};
    Row c{"(c) 1 MiB CDDB reply in Prepare ripping"};
    Row d{"(d) open a FIFO disc image"};
    Row e{"(e) start and abort a rip"};
    Row fSignal{"(f) SIGTERM during a rip (GUI gap)"};
    Row fClose{"(f) Close Larkspin during a rip (GUI gap)"};
    double exitSignal = 1e9, exitClose = 1e9;
    bool exitSignalOk = true, exitCloseOk = true;
    auto keep = [](Row& row, double gap, bool ok) {
        row.best = std::min(row.best, gap);
        row.ok = row.ok && ok;
    };
    for (int run = 0; run < runs; ++run) {
        std::printf("run %d of %d...\n", run + 1, runs);
        std::fflush(stdout);
        bool ok = true;
        keep(idle, bench.idle(), true);
        double gap = bench.launchFolder(ok);
        keep(a, gap, ok);
        gap = bench.importFiles(ok);
        keep(b, gap, ok);
        gap = bench.cddbReply(ok);
        keep(c, gap, ok);
        gap = bench.fifoImage(ok);
        keep(d, gap, ok);
        gap = bench.ripAndAbort(ok);
        keep(e, gap, ok);
    }
    bench.quitApp();
    for (int run = 0; run < runs; ++run) {
        QuitResult q = quitDuringRip(dir.path(), bench.longImage(), "signal");
        keep(fSignal, q.gapMs, q.ok);
        exitSignal = std::min(exitSignal, q.exitMs);
        exitSignalOk = exitSignalOk && q.ok;
        q = quitDuringRip(dir.path(), bench.longImage(), "close");
        keep(fClose, q.gapMs, q.ok);
        exitClose = std::min(exitClose, q.exitMs);
        exitCloseOk = exitCloseOk && q.ok;
    }

    std::printf(
        "\nLongest gap of a 10 ms timer on the GUI thread, best of %d runs (ok: under the goal, and the "
        "outcome right)\n\n",
        runs);
    std::printf("| %-52s | %9s | %6s | %-3s |\n", "scenario", "gap (ms)", "goal", "ok");
    std::printf("|%s|%s|%s|%s|\n", QByteArray(54, '-').constData(), QByteArray(11, '-').constData(),
                QByteArray(8, '-').constData(), QByteArray(5, '-').constData());
    std::printf("| %-52s | %9.1f | %6s | %-3s |\n", idle.name, idle.best, "", "");
    for (const Row* row : {&a, &b, &c, &d, &e, &fSignal, &fClose})
        printRow(row->name, row->best, row->ok);
    printRow("(f) SIGTERM during a rip: until the process ended", exitSignal, exitSignalOk, QuitGoalMs);
    printRow("(f) Close Larkspin during a rip: until it ended", exitClose, exitCloseOk, QuitGoalMs);
    return 0;
}
