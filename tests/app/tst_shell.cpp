#include "ProgramFolder.h"
#include "WindowLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace larkspin;

class TestShell : public QObject {
    Q_OBJECT
private slots:
    void programFolder_data();
    void programFolder();
    void settingsFileAndTemporaryPlaylistPaths();
    void unwritableProgramFolderFallsBackToDataHome();
    void resourcesComeFromTheProgramFolderFirst();
    void dataFoldersAreCreatedAndFailuresStaySilent();
    void firstStartLayout_data();
    void firstStartLayout();
    void fullScreenLayout();
    void storedPositionsStayOnAScreen_data();
    void storedPositionsStayOnAScreen();
};

void TestShell::programFolder_data() {
    QTest::addColumn<QString>("exe");
    QTest::addColumn<QString>("folder");
    QTest::newRow("ordinary") << "/usr/local/Music/Player/larkspin" << "/usr/local/Music/Player";
    QTest::newRow("root folder") << "/larkspin" << "";
    QTest::newRow("dots and spaces") << "/home/a b/.x/lark.spin" << "/home/a b/.x";
    QTest::newRow("no folder at all") << "larkspin" << "";
}

void TestShell::programFolder() {
    QFETCH(QString, exe);
    QFETCH(QString, folder);
    QCOMPARE(QString::fromStdString(DeriveProgramFolder(exe.toStdString())), folder);
}

void TestShell::settingsFileAndTemporaryPlaylistPaths() {
    std::string exe = "/Music/Player/prog";
    std::string folder = DeriveProgramFolder(exe);
    QCOMPARE(folder, std::string("/Music/Player"));
    QCOMPARE(SettingsFilePath(folder, exe), std::string("/Music/Player/prog.ini"));
    QCOMPARE(SettingsFilePath(folder, "/Music/Player/prog.bin"), std::string("/Music/Player/prog.ini"));
    QCOMPARE(folder + TemporaryPlaylistFile, std::string("/Music/Player/Temporary Playlist/Temp.te3"));
}

void TestShell::unwritableProgramFolderFallsBackToDataHome() {
    QTemporaryDir home;
    // A new user's home may lack ~/.local/share altogether: every missing level is made.
    std::string dataHome = home.filePath(".local/share").toStdString();
    std::string folder = ChooseProgramFolder("/nonexistent/folder/larkspin", dataHome);
    QCOMPARE(folder, dataHome + "/larkspin");
    QVERIFY(QFileInfo(QString::fromStdString(folder)).isDir());
    // A writable executable folder is the program folder itself.
    QCOMPARE(ChooseProgramFolder(home.path().toStdString() + "/larkspin", dataHome), home.path().toStdString());
}

void TestShell::resourcesComeFromTheProgramFolderFirst() {
    QTemporaryDir dir;
    QDir d(dir.path());
    const InstalledFolders installed = InstalledResourceFolders(dir.filePath("usr/bin/larkspin").toStdString());
    QCOMPARE(QString::fromStdString(installed.plugIns), dir.filePath("usr/lib/larkspin"));
    QCOMPARE(QString::fromStdString(installed.data), dir.filePath("usr/share/larkspin"));

    const std::string program = dir.filePath("program").toStdString();
    const std::string own = program + "/PlugIn/Decoder";
    const std::string shipped = installed.plugIns + "/PlugIn/Decoder";
    // Neither holds anything: the program folder's own place.
    QCOMPARE(ResourceFolder(program, installed.plugIns, "/PlugIn/Decoder"), own);
    QVERIFY(d.mkpath("usr/lib/larkspin/PlugIn/Decoder"));
    QVERIFY(QFile(QString::fromStdString(shipped + "/IB_a.so")).open(QIODevice::WriteOnly));
    QCOMPARE(ResourceFolder(program, installed.plugIns, "/PlugIn/Decoder"), shipped);
    // An empty folder of the program's own does not hide the installed plug-ins; a filled one does.
    QVERIFY(d.mkpath("program/PlugIn/Decoder"));
    QCOMPARE(ResourceFolder(program, installed.plugIns, "/PlugIn/Decoder"), shipped);
    QVERIFY(QFile(QString::fromStdString(own + "/IB_b.so")).open(QIODevice::WriteOnly));
    QCOMPARE(ResourceFolder(program, installed.plugIns, "/PlugIn/Decoder"), own);
}

void TestShell::dataFoldersAreCreatedAndFailuresStaySilent() {
    QTemporaryDir dir;
    QDir d(dir.path());
    // A plain file where "Skins" belongs blocks that folder, but not the others.
    QFile blocker(d.filePath("Skins"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    CreateDataFolders(dir.path().toStdString());
    for (const char* sub : DataFolders) {
        QString path = dir.path() + sub;
        if (QString(sub) == "/Skins")
            QVERIFY(QFileInfo(path).isFile());
        else
            QVERIFY2(QFileInfo(path).isDir(), qPrintable(path));
    }
    QVERIFY(!QFileInfo(dir.path() + "/PlugIn/Decoder").exists()); // only read, never created
}

void TestShell::firstStartLayout_data() {
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QSize>("main");
    QTest::addColumn<QSize>("station");
    QTest::addColumn<QRect>("mainRect");
    QTest::addColumn<QRect>("listRect");
    QTest::addColumn<QPoint>("stationPos");
    QTest::newRow("full hd") << QSize(1920, 1080) << QSize(407, 192) << QSize(620, 480)
                             << QRect(553, 300, 407, 192) << QRect(553, 492, 407, 288) << QPoint(960, 300);
    // Odd sizes truncate toward zero.
    QTest::newRow("odd sizes") << QSize(1025, 769) << QSize(407, 192) << QSize(601, 481)
                               << QRect(105, 144, 407, 192) << QRect(105, 336, 407, 289) << QPoint(512, 144);
    // A screen smaller than the windows gives negative positions, as computed.
    QTest::newRow("tiny screen") << QSize(640, 400) << QSize(407, 192) << QSize(620, 480)
                                 << QRect(-87, -40, 407, 192) << QRect(-87, 152, 407, 288) << QPoint(320, -40);
}

void TestShell::firstStartLayout() {
    QFETCH(QSize, screen);
    QFETCH(QSize, main);
    QFETCH(QSize, station);
    QFETCH(QRect, mainRect);
    QFETCH(QRect, listRect);
    QFETCH(QPoint, stationPos);
    WindowLayout l = FirstStartLayout({screen.width(), screen.height()}, {main.width(), main.height()},
                                      {station.width(), station.height()});
    QCOMPARE(QRect(l.main.left, l.main.top, l.main.width, l.main.height), mainRect);
    QCOMPARE(QRect(l.playlist.left, l.playlist.top, l.playlist.width, l.playlist.height), listRect);
    QCOMPARE(QPoint(l.station.left, l.station.top), stationPos);
}

void TestShell::fullScreenLayout() {
    WindowLayout l = FullScreenLayout({1920, 1080}, {407, 192});
    QCOMPARE(QRect(l.main.left, l.main.top, l.main.width, l.main.height), QRect(0, 0, 407, 192));
    QCOMPARE(QRect(l.station.left, l.station.top, l.station.width, l.station.height), QRect(407, 0, 1513, 1080));
    QCOMPARE(QRect(l.playlist.left, l.playlist.top, l.playlist.width, l.playlist.height),
             QRect(0, 192, 407, 888));
}

void TestShell::storedPositionsStayOnAScreen_data() {
    QTest::addColumn<QRect>("window");
    QTest::addColumn<QPoint>("placed");
    // Two screens side by side: 1920 x 1080 at the origin, 1280 x 1024 to its right.
    QTest::newRow("inside") << QRect(100, 100, 407, 192) << QPoint(100, 100);
    QTest::newRow("partly off, enough shows") << QRect(-300, 100, 407, 192) << QPoint(-300, 100);
    QTest::newRow("on the second screen") << QRect(2500, 500, 407, 192) << QPoint(2500, 500);
    QTest::newRow("beyond the second screen") << QRect(5000, 200, 407, 192) << QPoint(3200 - 407, 200);
    QTest::newRow("below the first screen") << QRect(300, 3000, 407, 192) << QPoint(300, 1080 - 192);
    QTest::newRow("far up and left") << QRect(-4000, -900, 407, 192) << QPoint(0, 0);
    QTest::newRow("too little shows") << QRect(1900, 1070, 407, 192) << QPoint(1920 - 407, 1080 - 192);
    QTest::newRow("larger than the screen") << QRect(-5000, 0, 4000, 3000) << QPoint(0, 0);
}

void TestShell::storedPositionsStayOnAScreen() {
    QFETCH(QRect, window);
    QFETCH(QPoint, placed);
    const std::vector<Rect> screens = {{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    const Rect r = KeepOnScreens({window.x(), window.y(), window.width(), window.height()}, screens);
    QCOMPARE(QPoint(r.left, r.top), placed);
    QCOMPARE(QSize(r.width, r.height), window.size());
}

QTEST_APPLESS_MAIN(TestShell)
#include "tst_shell.moc"
