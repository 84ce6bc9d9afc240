// Starts the real larkspin executable in a fresh program folder and ends it by signal.
#include "../TestFiles.h"
#include "PrivateProfile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace larkspin;

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void signalRunsShutDown_data();
    void signalRunsShutDown();
    void failedSettingsWriteOnASignalStillEnds();

private:
    // Copies the executable into dir and starts it there; waits until its data folders exist.
    bool start(QProcess& process, const QTemporaryDir& dir);
};

bool TestStartup::start(QProcess& process, const QTemporaryDir& dir) {
    QString exe = dir.filePath("larkspin");
    if (!QFile::copy(LARKSPIN_BUILD_DIR "/larkspin", exe))
        return false;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", dir.path());
    env.insert("XDG_DATA_HOME", dir.filePath("share"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    process.start(exe, {});
    if (!process.waitForStarted(10000))
        return false;
    // The last data folder is created just before the settings are read. A termination signal that
    // arrives from then on waits for the event loop.
    const QString last = dir.filePath("Language");
    return QTest::qWaitFor([&] { return QFileInfo(last).isDir() || process.state() != QProcess::Running; },
                           30000) &&
           process.state() == QProcess::Running;
}

void TestStartup::signalRunsShutDown_data() {
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestStartup::signalRunsShutDown() {
    QFETCH(int, signalNumber);
    QTemporaryDir dir;
    QProcess process;
    QVERIFY(start(process, dir));
    ::kill(static_cast<pid_t>(process.processId()), signalNumber);
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);

    QDir d(dir.path());
    for (const char* sub : {"Organizer", "Temporary Playlist", "Skins", "PlugIn", "PlugIn/Output",
                            "PlugIn/Encoder", "PlugIn/Extra", "Language"})
        QVERIFY2(QFileInfo(d.filePath(sub)).isDir(), sub);
    QFileInfo temp(d.filePath("Temporary Playlist/Temp.te3"));
    QVERIFY(temp.isFile());
    QCOMPARE(temp.size(), 0);

    std::string ini = readAll(d.filePath("larkspin.ini"));
    size_t last = 0;
    for (const char* section : {"[Prog]", "[Audio]", "[CDRipper]", "[StartUp]", "[Player]", "[Playlist]",
                                "[AddFiles]", "[Windows]", "[FileInfos]", "[Organizer]", "[CDAudio]"}) {
        size_t at = ini.find(section);
        QVERIFY2(at != std::string::npos && at >= last, section);
        last = at;
    }
    PrivateProfile settings(d.filePath("larkspin.ini").toStdString());
    QCOMPARE(settings.readBool("Prog", "Firststart", true), false);
    QCOMPARE(settings.readString("CDRipper", "Temp", ""), dir.path().toStdString() + "/");
    QVERIFY(!QFileInfo(d.filePath("share")).exists()); // the executable's own folder was writable
}

void TestStartup::failedSettingsWriteOnASignalStillEnds() {
    // Asked to end by the system, nobody may be there to answer an error box: the failure goes to the
    // console and the program ends all the same.
    QTemporaryDir dir;
    const QString iniPath = QDir(dir.path()).filePath("larkspin.ini");
    {
        QFile ini(iniPath);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Prog]\nFirststart=0\n");
    }
    QVERIFY(QFile::setPermissions(iniPath, QFileDevice::ReadOwner)); // it cannot be replaced
    QProcess process;
    QVERIFY(start(process, dir));
    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(process.readAllStandardError().contains("Cannot write to " + iniPath.toUtf8() + ": "));
    // The playlist was saved before the settings; the settings file is as it was.
    QVERIFY(QFileInfo(dir.filePath("Temporary Playlist/Temp.te3")).isFile());
    QCOMPARE(readAll(iniPath), std::string("[Prog]\nFirststart=0\n"));
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
