// The playlist window inside the running program (in-process): the list read at start-up, drops on the
// player window, the playlist button after the window closed itself, and "Close Larkspin".
#include "LarkspinApp.h"
#include "MakerAddress.h"
#include "PlayerController.h"
#include "PlaylistEntry.h"
#include "PlaylistFiles.h"
#include "PlaylistView.h"
#include "Settings.h"
#include "THauptform.h"
#include "TPlaylistForm.h"
#include "TSkinButton.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

using namespace larkspin;

namespace {

PlaylistEntry entry(const QString& artist, const QString& title, const QString& path) {
    TrackRecord r;
    r[RecordArtist] = artist.toStdString();
    r[RecordTitle] = title.toStdString();
    r[RecordPath] = path.toStdString();
    return PlaylistEntry(r);
}

void writeIni(const QTemporaryDir& dir, const QByteArray& text) {
    QFile ini(dir.filePath("larkspin.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Prog]\nFirststart=0\n" + text);
}

QStringList artists(TPlaylistForm& window) {
    QStringList out;
    const QAbstractItemModel* model = window.view()->model();
    for (int r = 0; r < model->rowCount(); ++r)
        out << model->index(r, 0).data().toString();
    return out;
}

} // namespace

class TestPlaylistInProgram : public QObject {
    Q_OBJECT
private slots:
    void init() { settings() = Settings{}; }
    void rememberedListAndPlayerWindowDrops();
    void selectedPlaylistNamesTheWindow();
    void playlistButtonAfterTheWindowClosedItself();
    void closeLarkspinFromThePlaylistMenu();
    void startupReloadRefreshesTheRememberedList();
    void rightClickOutsideTheListShowsThePlayerMenu();
    void clearingWhileStoppedResetsThePlayerWindow();
};

void TestPlaylistInProgram::rememberedListAndPlayerWindowDrops() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("Temporary Playlist"));
    const QString temp = dir.filePath("Temporary Playlist/Temp.te3");
    QVERIFY(SaveTe3Playlist(temp.toStdString(), {entry("One", "First", dir.filePath("1.wav")),
                                                 entry("Two", "Second", dir.filePath("2.wav"))})
                .ok);
    writeIni(dir, "[StartUp]\nRememberPlaylist=1\n");
    LarkspinApp app(dir.filePath("larkspin"), dir.filePath("share"));
    app.Start();
    QCOMPARE(artists(app.playlistWindow()), (QStringList{"One", "Two"}));

    // Files dropped on the player window join the list, in the order given.
    const QString dropped = dir.filePath("Three - Third.xyz");
    QFile(dropped).open(QIODevice::WriteOnly);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dropped)});
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(&app.mainWindow())->event(&drop);
    QTRY_COMPARE(artists(app.playlistWindow()), (QStringList{"One", "Two", "Three"}));

    // Shutdown writes the whole list.
    QSignalSpy finished(&app, &LarkspinApp::finished);
    app.mainWindow().close();
    QCOMPARE(finished.count(), 1);
    std::vector<PlaylistEntry> saved;
    QVERIFY(LoadTe3Playlist(temp.toStdString(), saved).ok);
    QCOMPARE(saved.size(), size_t(3));
    QCOMPARE(QString::fromStdString(std::string(saved[2].Path())), dropped);
}

void TestPlaylistInProgram::selectedPlaylistNamesTheWindow() {
    QTemporaryDir dir;
    const QString chosen = dir.filePath("Party Mix.te3");
    QVERIFY(SaveTe3Playlist(chosen.toStdString(), {entry("Solo", "Song", dir.filePath("s.wav"))}).ok);
    writeIni(dir,
             "[StartUp]\nRememberPlaylist=0\nSelectedPlaylist=1\nSelPlaylistName=" + chosen.toUtf8() + "\n");
    LarkspinApp app(dir.filePath("larkspin"), dir.filePath("share"));
    app.Start();
    QCOMPARE(artists(app.playlistWindow()), QStringList{"Solo"});
    QCOMPARE(app.playlistWindow().windowTitle(),
             QString::fromStdString(WithMakerAddress(dir.filePath("Party Mix").toStdString())));
}

void TestPlaylistInProgram::playlistButtonAfterTheWindowClosedItself() {
    QTemporaryDir dir;
    writeIni(dir, "[StartUp]\nPlaylistWindowShow=1\n");
    LarkspinApp app(dir.filePath("larkspin"), dir.filePath("share"));
    app.Start();
    TPlaylistForm& playlist = app.playlistWindow();
    QVERIFY(playlist.isVisible());
    playlist.close();
    QVERIFY(!playlist.isVisible());
    // One press of the player window's playlist button shows it again.
    app.mainWindow().findChild<TSkinButton*>(QStringLiteral("PlaylistBtn"))->click();
    QVERIFY(playlist.isVisible());
}

void TestPlaylistInProgram::closeLarkspinFromThePlaylistMenu() {
    QTemporaryDir dir;
    writeIni(dir, {});
    LarkspinApp app(dir.filePath("larkspin"), dir.filePath("share"));
    app.Start();
    QSignalSpy finished(&app, &LarkspinApp::finished);
    const QList<QAction*> actions = app.playlistWindow().windowMenu()->actions();
    auto close = std::find_if(actions.begin(), actions.end(),
                              [](QAction* a) { return a->text() == QStringLiteral("Close Larkspin"); });
    QVERIFY(close != actions.end());
    (*close)->trigger();
    QCOMPARE(finished.count(), 1);
    QVERIFY(QFileInfo(dir.filePath("Temporary Playlist/Temp.te3")).isFile());
}

void TestPlaylistInProgram::startupReloadRefreshesTheRememberedList() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("Temporary Playlist"));
    // The list remembers what the files said when it was saved; one file has gone since.
    const QString kept = dir.filePath("Band - Song.wav");
    QFile(kept).open(QIODevice::WriteOnly);
    QVERIFY(SaveTe3Playlist(
                dir.filePath("Temporary Playlist/Temp.te3").toStdString(),
                {entry("Old Band", "Old Song", kept), entry("Gone", "Away", dir.filePath("gone.wav"))})
                .ok);
    writeIni(dir, "[StartUp]\nRememberPlaylist=1\n[Playlist]\nReloadInfos=1\n");
    LarkspinApp app(dir.filePath("larkspin"), dir.filePath("share"));
    app.Start();
    // Shown as stored first, then read anew from the files.
    QCOMPARE(artists(app.playlistWindow()), (QStringList{"Old Band", "Gone"}));
    QTRY_COMPARE(artists(app.playlistWindow()), (QStringList{"Band", "Error! File not found!"}));
}

void TestPlaylistInProgram::rightClickOutsideTheListShowsThePlayerMenu() {
    QTemporaryDir dir;
    writeIni(dir, "[StartUp]\nPlaylistWindowShow=1\n");
    LarkspinApp app(dir.filePath("larkspin"), dir.filePath("share"));
    app.Start();
    TPlaylistForm& playlist = app.playlistWindow();
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(200, 275),
                            playlist.mapToGlobal(QPoint(200, 275)));
    QCoreApplication::sendEvent(&playlist, &click);
    QTRY_VERIFY(app.mainWindow().popupMenu()->isVisible());
    app.mainWindow().popupMenu()->close();
}

void TestPlaylistInProgram::clearingWhileStoppedResetsThePlayerWindow() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("Temporary Playlist"));
    const QString song = dir.filePath("Band - Song.xyz");
    QFile(song).open(QIODevice::WriteOnly);
    QVERIFY(SaveTe3Playlist(dir.filePath("Temporary Playlist/Temp.te3").toStdString(),
                            {entry("Band", "Song", song)})
                .ok);
    writeIni(dir, "[StartUp]\nRememberPlaylist=1\n");
    LarkspinApp app(dir.filePath("larkspin"), dir.filePath("share"));
    app.Start();
    const PlayerController& player = app.mainWindow().player();
    QCOMPARE(player.Order().Current(), 0);
    QCOMPARE(player.Display().Artist, QStringLiteral("---")); // no plug-in plays .xyz: nothing prepared
    app.playlistWindow().BtnClearClick();
    QCOMPARE(player.Order().Current(), -1);
    QCOMPARE(player.Display().DisplayInfo, QStringLiteral("No title selected..."));
    QCOMPARE(player.Display().Track, (TrackDigits{Blank, 0, 0, 0}));
}

QTEST_MAIN(TestPlaylistInProgram)
#include "tst_playlistwindow_program.moc"
