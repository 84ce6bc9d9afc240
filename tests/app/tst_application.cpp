// The running program in-process: start-up in a fresh program folder, files handed to it, and shutdown by
// the user.
#include "../TestFiles.h"
#include "../WhenModal.h"
#include "LarkspinApp.h"
#include "PlayerController.h"
#include "Playlist.h"
#include "PlaylistFiles.h"
#include "Settings.h"
#include "TFrame_Organizer.h"
#include "TGetCDForm.h"
#include "THauptform.h"
#include "TPlaylistForm.h"
#include "TStationForm.h"
#include "Taddurlform.h"
#include "Thintform.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
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
    void foldersAreSearchedOffTheWindowsThread();
    void closingWhileAFolderIsSearchedEnds();

private:
    static QString executableIn(const QTemporaryDir& dir) { return dir.filePath("larkspin"); }
    // A program folder with the WAV plug-in and a music folder of count empty .wav files in sub-folders.
    static bool prepareMusic(const QTemporaryDir& dir, int count) {
        QDir d(dir.path());
        if (!d.mkpath("PlugIn/Decoder") || !QFile::copy(LARKSPIN_BUILD_DIR "/PlugIn/Decoder/IB_sndfile.so",
                                                        d.filePath("PlugIn/Decoder/IB_sndfile.so")))
            return false;
        for (int i = 0; i < count; ++i) {
            const QString name = QStringLiteral("music/%1/%2.wav")
                                     .arg(i / 100, 2, 10, QLatin1Char('0'))
                                     .arg(i % 100, 2, 10, QLatin1Char('0'));
            if (!d.mkpath(QFileInfo(d.filePath(name)).path()))
                return false;
            writeAll(d.filePath(name), "");
        }
        return true;
    }
    static LaunchRequest enqueue(const QStringList& paths) {
        LaunchRequest request;
        request.enqueue = true;
        for (const QString& path : paths)
            request.paths << QFile::encodeName(path);
        return request;
    }
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

    // Nothing runs while nothing changes: no folder is watched, the docking tick stops once the windows
    // stand still, nothing plays so nothing ticks. Windows that open only on a command (the library's
    // hint window, the add-URL and medium-name dialogs) are not made at start.
    QTRY_VERIFY_WITH_TIMEOUT(!app.mainWindow().Timer1.isActive(), 20000);
    QVERIFY(!app.mainWindow().DisplayTimer.isActive());
    // The library browser follows the entry count only while it shows.
    const TFrame_Organizer& organizer = *app.stationWindow().organizer();
    QCOMPARE(organizer.countTimer().isActive(), organizer.isVisible());
    app.stationWindow().close();
    QVERIFY(!organizer.countTimer().isActive());
    for (QWidget* w : QApplication::topLevelWidgets()) {
        QVERIFY2(w->findChildren<QFileSystemModel*>().isEmpty(), qPrintable(w->objectName()));
        QVERIFY2(!qobject_cast<Thintform*>(w) && !qobject_cast<Taddurlform*>(w) &&
                     !qobject_cast<TGetCDForm*>(w),
                 w->metaObject()->className());
    }
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
    QVERIFY2(shown.startsWith("Cannot write to " + iniPath + ": "), qPrintable(shown));
    // The program goes on: selections prepare tracks again and the file is as it was.
    QVERIFY(!app.mainWindow().player().Closing);
    QVERIFY(app.mainWindow().isVisible());
    QCOMPARE(readAll(iniPath), std::string("[Prog]\nFirststart=0\n"));
}

void TestApplication::foldersAreSearchedOffTheWindowsThread() {
    QTemporaryDir dir;
    QVERIFY(prepareMusic(dir, 300));
    LarkspinApp app(executableIn(dir), dir.filePath("share"));
    app.Start();
    Playlist& list = app.playlistWindow().list();
    writeAll(dir.filePath("single.wav"), "");
    app.Open(enqueue({dir.filePath("music")}));
    app.Open(enqueue({dir.filePath("single.wav")}));
    // Nothing was searched while the window waited: the files arrive through the event loop.
    QVERIFY(app.Opening());
    QVERIFY(!list.Working()); // no file handed to the list's reader yet
    QCOMPARE(list.Count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(list.Count(), 301, 60000);
    QVERIFY(!app.Opening());
    // In the order asked for: the folder depth first, then the later request.
    QCOMPARE(QString::fromStdString(std::string(list.Field(0, RecordPath))), dir.filePath("music/00/00.wav"));
    QCOMPARE(QString::fromStdString(std::string(list.Field(299, RecordPath))),
             dir.filePath("music/02/99.wav"));
    QCOMPARE(QString::fromStdString(std::string(list.Field(300, RecordPath))), dir.filePath("single.wav"));
}

void TestApplication::closingWhileAFolderIsSearchedEnds() {
    QTemporaryDir dir;
    QVERIFY(prepareMusic(dir, 300));
    LarkspinApp app(executableIn(dir), dir.filePath("share"));
    app.Start();
    QSignalSpy finished(&app, &LarkspinApp::finished);
    app.Open(enqueue({dir.filePath("music"), dir.filePath("music")}));
    app.mainWindow().close();
    QCOMPARE(finished.count(), 1);
    QVERIFY(!app.Opening());
    // The list holds what was read by then, and nothing arrives after the end.
    std::vector<PlaylistEntry> saved;
    QVERIFY(LoadTe3Playlist(TemporaryPlaylistPath(dir.path().toStdString()), saved).ok);
    QCOMPARE(static_cast<int>(saved.size()), app.playlistWindow().list().Count());
    QTest::qWait(0);
    QCOMPARE(static_cast<int>(saved.size()), app.playlistWindow().list().Count());
}

QTEST_MAIN(TestApplication)
#include "tst_application.moc"
