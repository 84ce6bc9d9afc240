// Installing into a prefix and starting the installed program there with an empty home.
#include "PrivateProfile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace larkspin;

class TestInstall : public QObject {
    Q_OBJECT
private slots:
    void installedProgramFindsItsPlugIns();
};

void TestInstall::installedProgramFindsItsPlugIns() {
    QTemporaryDir prefix;
    QProcess install;
    install.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    install.start("cmake", {"--install", LARKSPIN_BUILD_DIR, "--prefix", prefix.path()});
    QVERIFY(install.waitForFinished(120000));
    QCOMPARE(install.exitCode(), 0);

    const QDir root(prefix.path());
    QVERIFY(QFileInfo(root.filePath("bin/larkspin")).isExecutable());
    QVERIFY(QFileInfo(root.filePath("share/icons/hicolor/scalable/apps/larkspin.svg")).isFile());
    const QString desktop = root.filePath("share/applications/larkspin.desktop");
    QVERIFY(QFileInfo(desktop).isFile());
    const QStringList plugIns =
        QDir(root.filePath("lib/larkspin/PlugIn/Decoder")).entryList({"IB_*.so"}, QDir::Files, QDir::Name);
    QVERIFY(!plugIns.isEmpty());
    QVERIFY(!plugIns.contains("IB_recording.so")); // the tests' plug-ins stay in the build

    if (!QStandardPaths::findExecutable("desktop-file-validate").isEmpty()) {
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start("desktop-file-validate", {desktop});
        QVERIFY(validate.waitForFinished(30000));
        QVERIFY2(validate.exitCode() == 0 && validate.readAll().trimmed().isEmpty(), "the desktop entry is invalid");
    }

    // Started from there with an empty home: it must find the installed plug-ins (the settings written at
    // the end hold one PlugCheck mark per plug-in found).
    QVERIFY(root.mkpath("home"));
    QProcess larkspin;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", root.filePath("home"));
    env.remove("XDG_DATA_HOME");
    env.insert("LARKSPIN_AUDIO_DRIVER", "dummy");
    larkspin.setProcessEnvironment(env);
    larkspin.setProcessChannelMode(QProcess::ForwardedChannels);
    larkspin.start(root.filePath("bin/larkspin"), {});
    QVERIFY(larkspin.waitForStarted(10000));
    // Where the program keeps its data depends on whether bin/ may be written (it may, for root).
    const QString ownIni = root.filePath("bin/larkspin.ini");
    const QString homeIni = root.filePath("home/.local/share/larkspin/larkspin.ini");
    const QString folder = QFileInfo(root.filePath("bin")).isWritable() ? root.filePath("bin")
                                                                        : root.filePath("home/.local/share/larkspin");
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(folder + "/Language").isDir(), 30000);
    ::kill(static_cast<pid_t>(larkspin.processId()), SIGTERM);
    QVERIFY(larkspin.waitForFinished(30000));
    QCOMPARE(larkspin.exitCode(), 0);
    const QString ini = QFileInfo::exists(ownIni) ? ownIni : homeIni;
    PrivateProfile settings(ini.toStdString());
    QCOMPARE(settings.readString("Audio", "PlugCheck", "").size(), size_t(plugIns.size()));
}

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
