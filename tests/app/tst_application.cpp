// The running program in-process: start-up in a fresh program folder and shutdown by the user.
#include "../WhenModal.h"
#include "LarkspinApp.h"
#include "PlayerController.h"
#include "Settings.h"
#include "THauptform.h"
#include "TestFiles.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace larkspin;

class TestApplication : public QObject {
    Q_OBJECT
private slots:
    void startPreparesAFreshProgramFolder();
    void startRemovesWhatAKilledRunLeft();
    void closingWritesTheListAndTheSettings();
    void failedWriteOnCloseShowsTheErrorAndKeepsRunning();

private:
    static QString executableIn(const QTemporaryDir& dir) { return dir.filePath("larkspin"); }
};

void TestApplication::startPreparesAFreshProgramFolder() {
    QTemporaryDir dir;
    LarkspinApp app(executableIn(dir), dir.filePath("share"));
    app.Start();
    QVERIFY(QFileInfo(dir.filePath("Temporary Playlist")).isDir());
    QVERIFY(!QFileInfo(dir.filePath("share")).exists()); // the executable's folder could be written
    QVERIFY(app.mainWindow().isVisible());
    // No track prepared yet: the volume shows 0 and the stored volume stays as it was.
    QCOMPARE(app.mainWindow().player().Display().VolLabel, QStringLiteral("Volume:0%"));
    QCOMPARE(settings().PlayVolume, 255);
}

void TestApplication::startRemovesWhatAKilledRunLeft() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("Organizer"));
    const QStringList left = {"larkspin.ini.larkspin-k1ll3d00", "Organizer/Archive.rol.larkspin-0a1b2c3d"};
    const QStringList kept = {"larkspin.ini", "Organizer/Archive.rol.larkspin-backup"};
    for (const QString& name : left + kept)
        writeAll(dir.filePath(name), "[Prog]\n");
    LarkspinApp app(executableIn(dir), dir.filePath("share"));
    for (const QString& name : left)
        QVERIFY2(!QFileInfo::exists(dir.filePath(name)), qPrintable(name));
    for (const QString& name : kept)
        QVERIFY2(QFileInfo::exists(dir.filePath(name)), qPrintable(name));
}

void TestApplication::closingWritesTheListAndTheSettings() {
    QTemporaryDir dir;
    LarkspinApp app(executableIn(dir), dir.filePath("share"));
    app.Start();
    QSignalSpy finished(&app, &LarkspinApp::finished);
    app.mainWindow().close();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), 0);
    QVERIFY(app.mainWindow().player().Closing);
    QVERIFY(QFileInfo(dir.filePath("Temporary Playlist/Temp.te3")).isFile());
    const std::string ini = readAll(dir.filePath("larkspin.ini"));
    QVERIFY(ini.find("Firststart=0") != std::string::npos);
    QVERIFY(ini.find("PlayVolume=255") != std::string::npos);
}

void TestApplication::failedWriteOnCloseShowsTheErrorAndKeepsRunning() {
    QTemporaryDir dir;
    const QString iniPath = dir.filePath("larkspin.ini");
    {
        QFile ini(iniPath);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Prog]\nFirststart=0\n");
    }
    QVERIFY(QFile::setPermissions(iniPath, QFileDevice::ReadOwner));
    LarkspinApp app(executableIn(dir), dir.filePath("share"));
    app.Start();

    QString shown;
    larkspin::test::whenModal([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            shown = box->text();
            box->accept();
        }
    });
    QSignalSpy finished(&app, &LarkspinApp::finished);
    app.mainWindow().close();
    QCOMPARE(finished.count(), 0);
    QCOMPARE(shown, "nach " + iniPath + " kann nicht geschrieben werden");
    // The program goes on: selections prepare tracks again and the file is as it was.
    QVERIFY(!app.mainWindow().player().Closing);
    QVERIFY(app.mainWindow().isVisible());
    QCOMPARE(readAll(iniPath), std::string("[Prog]\nFirststart=0\n"));
}

QTEST_MAIN(TestApplication)
#include "tst_application.moc"
