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

#include <csignal>

using namespace larkspin;

class TestLaunch : public QObject {
    Q_OBJECT
private slots:
    void filesFoldersAndListsReachOneRunningPlayer();

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
    const QString socket = QDir::tempPath() + "/" + SingleInstance(dir.path().toStdString()).ServerName();
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

QTEST_GUILESS_MAIN(TestLaunch)
#include "tst_launch.moc"
