// The shipped program started with files, a folder and a playlist, and a second start that hands more
// files to the running one.
#include "PlaylistEntry.h"
#include "PlaylistFiles.h"
#include "SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <csignal>

using namespace larkspin;

class TestLaunch : public QObject {
    Q_OBJECT
private slots:
    void filesFoldersAndListsReachOneRunningPlayer();
    void twoStartsAtOnceMakeOnePlayer();

private:
    QProcessEnvironment environment(const QTemporaryDir& dir) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", dir.path());
        env.insert("LARKSPIN_AUDIO_DRIVER", "dummy");
        env.remove("DBUS_SESSION_BUS_ADDRESS"); // no media controls: the test's own bus is not wanted
        return env;
    }
};

void TestLaunch::filesFoldersAndListsReachOneRunningPlayer() {
    const QString plugIn = QStringLiteral(LARKSPIN_BUILD_DIR "/PlugIn/Decoder/IB_sndfile.so");
    QVERIFY2(QFile::exists(plugIn), "build the WAV decoder plug-in first");
    if (QStandardPaths::findExecutable("sox").isEmpty())
        QSKIP("sox is needed to generate the tracks");

    QTemporaryDir dir;
    QDir d(dir.path());
    QVERIFY(d.mkpath("PlugIn/Decoder") && d.mkpath("music/album/cd2"));
    QVERIFY(QFile::copy(LARKSPIN_BUILD_DIR "/larkspin", d.filePath("larkspin")));
    QVERIFY(QFile::copy(plugIn, d.filePath("PlugIn/Decoder/IB_sndfile.so")));
    for (const char* name : {"music/a.wav", "music/album/2.wav", "music/album/1.wav", "music/album/cd2/3.wav",
                             "music/listed.wav", "music/late.wav"})
        QCOMPARE(QProcess::execute(
                     "sox", {"-n", "-r", "8000", "-c", "1", d.filePath(name), "synth", "1", "sine", "440"}),
                 0);
    {
        QFile m3u(d.filePath("music/list.m3u"));
        QVERIFY(m3u.open(QIODevice::WriteOnly));
        m3u.write("#EXTM3U\nlisted.wav\n");
    }

    QProcess first;
    QProcessEnvironment firstEnvironment = environment(dir);
    firstEnvironment.insert("QT_LOGGING_RULES", "larkspin.app.debug=true"); // tells when the list is read
    first.setProcessEnvironment(firstEnvironment);
    first.setWorkingDirectory(d.filePath("music"));
    first.setProcessChannelMode(QProcess::MergedChannels);
    QByteArray firstOutput;
    connect(&first, &QProcess::readyRead, this, [&] { firstOutput += first.readAll(); });
    first.start(d.filePath("larkspin"), {"a.wav", "album", "list.m3u"});
    QVERIFY(first.waitForStarted());
    // The running player listens on a socket named after its program folder.
    const QString socket = SingleInstance(dir.path().toStdString()).ServerName();
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(socket), 30000);

    QProcess second;
    second.setProcessEnvironment(environment(dir));
    second.setWorkingDirectory(d.filePath("music"));
    second.start(d.filePath("larkspin"), {"--enqueue", "late.wav", "missing.wav"});
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(second.readAllStandardError().contains("missing.wav: no such file or folder"));
    QCOMPARE(first.state(), QProcess::Running);
    // A shutdown saves what was read: the end waits until the list holds every file.
    QTRY_VERIFY_WITH_TIMEOUT(firstOutput.contains("playlist read: 6 entries"), 60000);

    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    QVERIFY(first.waitForFinished(30000));
    QCOMPARE(first.exitCode(), 0);

    // The list as it was at the end: files in the order given, each folder depth first.
    std::vector<PlaylistEntry> entries;
    QVERIFY(LoadTe3Playlist(TemporaryPlaylistPath(dir.path().toStdString()), entries).ok);
    QStringList names;
    for (const PlaylistEntry& e : entries)
        names << QDir(d.filePath("music")).relativeFilePath(QString::fromStdString(std::string(e.Path())));
    QCOMPARE(names, (QStringList{"a.wav", "album/1.wav", "album/2.wav", "album/cd2/3.wav", "listed.wav",
                                 "late.wav"}));
    QVERIFY(!QFileInfo::exists(socket)); // an orderly end takes its socket away
}

void TestLaunch::twoStartsAtOnceMakeOnePlayer() {
    const QString plugIn = QStringLiteral(LARKSPIN_BUILD_DIR "/PlugIn/Decoder/IB_sndfile.so");
    QVERIFY2(QFile::exists(plugIn), "build the WAV decoder plug-in first");
    QTemporaryDir dir;
    QDir d(dir.path());
    QVERIFY(d.mkpath("PlugIn/Decoder"));
    QVERIFY(QFile::copy(LARKSPIN_BUILD_DIR "/larkspin", d.filePath("larkspin")));
    QVERIFY(QFile::copy(plugIn, d.filePath("PlugIn/Decoder/IB_sndfile.so")));
    for (const char* name : {"one.wav", "two.wav"}) {
        QFile f(d.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

    // Both start before either listens: one becomes the player, the other hands its file over.
    QProcessEnvironment env = environment(dir);
    env.insert("QT_LOGGING_RULES", "larkspin.app.debug=true");
    std::array<QProcess, 2> starts;
    std::array<QByteArray, 2> output;
    for (int i = 0; i < 2; ++i) {
        starts[i].setProcessEnvironment(env);
        starts[i].setProcessChannelMode(QProcess::MergedChannels);
        connect(&starts[i], &QProcess::readyRead, this, [&, i] { output[i] += starts[i].readAll(); });
    }
    starts[0].start(d.filePath("larkspin"), {"--enqueue", d.filePath("one.wav")});
    starts[1].start(d.filePath("larkspin"), {"--enqueue", d.filePath("two.wav")});
    QTRY_VERIFY_WITH_TIMEOUT(
        starts[0].state() == QProcess::NotRunning || starts[1].state() == QProcess::NotRunning, 60000);
    const int ended = starts[0].state() == QProcess::NotRunning ? 0 : 1;
    QProcess& running = starts[1 - ended];
    QCOMPARE(starts[ended].exitStatus(), QProcess::NormalExit);
    QCOMPARE(starts[ended].exitCode(), 0);
    QCOMPARE(running.state(), QProcess::Running);
    QTRY_VERIFY_WITH_TIMEOUT(output[1 - ended].contains("playlist read: 2 entries"), 60000);
    ::kill(static_cast<pid_t>(running.processId()), SIGTERM);
    QVERIFY(running.waitForFinished(30000));
    std::vector<PlaylistEntry> entries;
    QVERIFY(LoadTe3Playlist(TemporaryPlaylistPath(dir.path().toStdString()), entries).ok);
    QCOMPARE(entries.size(), 2u);
}

QTEST_GUILESS_MAIN(TestLaunch)
#include "tst_launch.moc"
