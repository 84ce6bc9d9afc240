// The shipped program edits a tag: the built larkspin executable runs on its own X server (Xvfb) in a
// fresh program folder whose remembered playlist holds an MP3 file; the test presses the playlist's
// "Fileinfo" button, types a new artist into the file information window, saves with Return and
// closes it (keys and clicks through xdotool). The file on disk then carries the new tag in both ID3
// versions, and the playlist written at shutdown shows the re-read row.
#include "FileInfoFixtures.h"
#include "PlaylistFiles.h"
#include "TrackInfo.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace larkspin;
using namespace fixtures;

namespace {

// Runs xdotool with args; its output (trimmed), or an empty text when it failed.
QString XDo(const QString& display, const QStringList& args, int timeoutMs = 5000) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    p.setProcessEnvironment(env);
    p.start("xdotool", args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return p.exitCode() == 0 ? QString::fromUtf8(p.readAllStandardOutput()).trimmed() : QString();
}

// The first visible window whose name matches pattern; empty when there is none.
QString FindWindow(const QString& display, const QString& pattern) {
    return XDo(display, {"search", "--onlyvisible", "--name", pattern}).section('\n', 0, 0);
}

// Polls condition until it holds or timeoutMs have passed (each xdotool call takes its own time, so the
// deadline is real time rather than a count of tries).
template <class Condition> bool WaitFor(Condition condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(100);
    }
    return true;
}

} // namespace

class TestFileInfoEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void editsTheTagOfAPlaylistEntry();
};

void TestFileInfoEndToEnd::editsTheTagOfAPlaylistEntry() {
    const QString plugIn = QStringLiteral(LARKSPIN_BUILD_DIR "/PlugIn/Decoder/IB_mpeg.so");
    QVERIFY2(QFile::exists(plugIn), "build the MP3 decoder plug-in first");
    for (const char* tool : {"Xvfb", "xdotool", "sox", "lame"})
        if (!HaveTool(tool))
            QSKIP(qPrintable(QStringLiteral("%1 is needed to drive the program's windows").arg(tool)));

    QTemporaryDir dir;
    QDir folder(dir.path());
    QVERIFY(folder.mkpath("PlugIn/Decoder"));
    QVERIFY(QFile::copy(QStringLiteral(LARKSPIN_BUILD_DIR "/larkspin"), folder.filePath("larkspin")));
    QVERIFY(QFile::copy(plugIn, folder.filePath("PlugIn/Decoder/IB_mpeg.so")));
    {
        QFile ini(folder.filePath("larkspin.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Prog]\nFirststart=0\n[StartUp]\nRememberPlaylist=1\nPlaylistWindowShow=1\n"
                  "[Playlist]\nReadId3v2Tag=1\n");
    }
    const QString mp3 = folder.filePath("Old Artist - Song.mp3");
    QVERIFY(Run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", folder.filePath("tone.wav"), "synth",
                        "30", "sine", "440"}));
    QVERIFY(Run("lame", {"--quiet", "--add-id3v2", "--ta", "Old Artist", "--tt", "Song", "--tl", "Album",
                         folder.filePath("tone.wav"), mp3}));
    QCOMPARE(readWithTaglib(mp3).v2.artist, "Old Artist");
    // The remembered list holds the file; showing the windows prepares it for playing.
    QVERIFY(folder.mkpath("Temporary Playlist"));
    const QString temp = folder.filePath("Temporary Playlist/Temp.te3");
    {
        TrackRecord record;
        FillTrackItem(mp3.toStdString(), record, true);
        QVERIFY(SaveTe3Playlist(temp.toStdString(), {PlaylistEntry(record)}).ok);
    }

    // An X server of its own.
    QProcess xvfb;
    xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    QVERIFY(xvfb.waitForStarted(10000));
    QVERIFY(WaitFor([&] { return xvfb.canReadLine() || xvfb.state() != QProcess::Running; }, 20000));
    const QString display = ":" + QString::fromLatin1(xvfb.readLine()).trimmed();
    QVERIFY2(display.size() > 1, "Xvfb did not start");

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("HOME", dir.path());
    env.insert("XDG_DATA_HOME", folder.filePath("share"));
    env.insert("LARKSPIN_AUDIO_DRIVER", "dummy");
    env.remove("WAYLAND_DISPLAY");
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(folder.filePath("larkspin"), {});
    QVERIFY(program.waitForStarted(10000));
    const auto stop = qScopeGuard([&] {
        if (program.state() == QProcess::Running) {
            program.kill();
            program.waitForFinished();
        }
        xvfb.terminate();
        xvfb.waitForFinished();
    });

    QString playlist;
    QVERIFY(WaitFor([&] { return !(playlist = FindWindow(display, "^Playlist")).isEmpty(); }, 90000));
    // The playlist goes where no other window lies, so no click meant for it lands on another one.
    XDo(display, {"windowmove", "--sync", playlist, "800", "600"});
    const QString height =
        XDo(display, {"getwindowgeometry", "--shell", playlist}).section("HEIGHT=", 1).section('\n', 0, 0);
    QVERIFY(height.toInt() > 0);
    // "Fileinfo" sits 34 pixels above the window's bottom at 304, 65 by 25. It works once the entry is
    // prepared for playing: pressed until the window opens.
    QString info;
    QVERIFY(WaitFor(
        [&] {
            XDo(display, {"mousemove", "--window", playlist, "336", QString::number(height.toInt() - 34 + 12),
                          "click", "1"});
            return WaitFor([&] { return !(info = FindWindow(display, "^File informations")).isEmpty(); },
                           3000);
        },
        60000));
    XDo(display, {"windowfocus", "--sync", info});
    // The cursor starts in the artist field; Return is "Save Tag".
    XDo(display, {"key", "--clearmodifiers", "ctrl+a"});
    XDo(display, {"type", "--delay", "20", "New Artist"});
    XDo(display, {"key", "Return"});
    QVERIFY(WaitFor([&] { return readWithTaglib(mp3).v2.artist == "New Artist"; }, 20000));
    QCOMPARE(readWithTaglib(mp3).v1.artist, "New Artist");
    QCOMPARE(readWithTaglib(mp3).v2.album, "Album");
    XDo(display, {"key", "Escape"});
    QVERIFY(WaitFor([&] { return FindWindow(display, "^File informations").isEmpty(); }, 20000));

    // The list the program keeps at shutdown holds the re-read row.
    std::vector<PlaylistEntry> entries;
    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(LoadTe3Playlist(temp.toStdString(), entries).ok);
    QCOMPARE(entries.size(), size_t(1));
    QCOMPARE(entries[0].Field(RecordArtist), "New Artist");
    QCOMPARE(entries[0].Field(RecordPath), mp3.toStdString());
}

QTEST_GUILESS_MAIN(TestFileInfoEndToEnd)
#include "tst_fileinfo_endtoend.moc"
