// The playlist window's commands offscreen: clicks, keys, header clicks, drops and drags reach the entry
// list and, through it, the player and its plug-in.
#include "MakerAddress.h"
#include "PlayMarks.h"
#include "PlaylistView.h"
#include "PlaylistWindowRig.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>

using namespace larkspin;
using namespace larkspin::test;

namespace {

QStringList actionTexts(const QMenu* menu) {
    QStringList out;
    for (const QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("|") : a->text());
    return out;
}

// A drop straight to the widget: the application delivers drops only inside a real drag.
bool deliver(QWidget* target, QEvent::Type type, const QMimeData* data, Qt::DropActions actions,
             QPoint at = QPoint(5, 5)) {
    if (type == QEvent::Drop) {
        QDropEvent drop(at, actions, data, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject*>(target)->event(&drop);
        return drop.isAccepted() && drop.dropAction() != Qt::MoveAction;
    }
    QDragEnterEvent enter(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(target)->event(&enter);
    return enter.isAccepted();
}

// The picture a row shows, as its index among the six play marks (-1 when none matches).
int markOf(const QAbstractItemModel* model, int row) {
    const QImage shown = model->index(row, 0).data(Qt::DecorationRole).value<QPixmap>().toImage();
    for (int i = 0; i < PlayMarkCount; ++i)
        if (shown == PlayMarkPicture(i).convertToFormat(shown.format()))
            return i;
    return -1;
}

} // namespace

class TestPlaylistWindow : public QObject {
    Q_OBJECT
private slots:
    void layoutAndCaptions();
    void columnsFillTheWidth();
    void columnsFollowTheRowSettings_data();
    void columnsFollowTheRowSettings();
    void playMarkPictures();
    void selectingWhileStoppedPrepares();
    void doubleClickAndEnterPlay_data();
    void doubleClickAndEnterPlay();
    void deleteAndClear();
    void menus();
    void drops_data();
    void drops();
    void droppedFolderBecomesAnEntry();
    void headerClicksSort();
    void draggingSelectedRowsMovesThem_data();
    void draggingSelectedRowsMovesThem();
    void foreignRowDragsAreRefused();
    void windowLife();
    void longWorkShowsProgressAndCancels();
};

void TestPlaylistWindow::layoutAndCaptions() {
    PlaylistWindowRig w;
    QCOMPARE(w.window->size(), QSize(433, 282));
    QCOMPARE(w.window->windowTitle(), QString::fromStdString(WithMakerAddress("Playlist")));
    // A build without an address (the default) shows the bare caption, no empty brackets.
    if (*MakerWebAddress() == '\0')
        QCOMPARE(w.window->windowTitle(), QStringLiteral("Playlist"));
    QCOMPARE(w.child<QGroupBox>("ListFrame")->geometry(), QRect(8, 8, 417, 233));
    const struct {
        const char* name;
        QRect geometry;
        QString text;
    } buttons[] = {{"BtnAdd", {8, 248, 25, 25}, "+"},
                   {"BtnDel", {40, 248, 25, 25}, "-"},
                   {"BtnClear", {80, 248, 65, 25}, "Clear list"},
                   {"PlaylistLoadBtn", {152, 248, 65, 25}, "Load list"},
                   {"PlaylistSaveBtn", {224, 248, 65, 25}, "Save list"},
                   {"FileInfoBtn", {304, 248, 65, 25}, "Fileinfo"}};
    for (const auto& b : buttons) {
        QCOMPARE(w.child<QPushButton>(b.name)->geometry(), b.geometry);
        QCOMPARE(w.child<QPushButton>(b.name)->text(), b.text);
    }
    QVERIFY(!w.child<QPushButton>("FileInfoBtn")->isHidden());
    QVERIFY(w.child<QProgressBar>("Fortschritt")->isHidden());
    QCOMPARE(w.child<QProgressBar>("Fortschritt")->height(), 9);

    QCOMPARE(w.child<QGroupBox>("ListFrame")->title(), QStringLiteral("Number of titles: 0"));
    w.addFiles({"a.mp3", "b.mp3", "c.mp3"});
    QCOMPARE(w.child<QGroupBox>("ListFrame")->title(), QStringLiteral("Number of titles: 3"));
    w.window->BtnClearClick();
    QCOMPARE(w.child<QGroupBox>("ListFrame")->title(), QStringLiteral("Number of titles: 0"));
}

void TestPlaylistWindow::columnsFollowTheRowSettings_data() {
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QList<int>>("widths");
    QTest::newRow("defaults") << QList<int>{0, 1, 2, 11, 11, 11, 11, 11, 11, 11}
                              << QStringList{"Artist", "Title", "Length"} << QList<int>{120, 150, 50};
    QTest::newRow("title, artist, path")
        << QList<int>{1, 0, 10, 11, 11, 11, 11, 11, 11, 11} << QStringList{"Title", "Artist", "Path"}
        << QList<int>{150, 120, 300};
    QTest::newRow("every field") << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}
                                 << QStringList{"Artist", "Title", "Length",  "Album", "Bitrate",
                                                "Year",   "Style", "Comment", "Track", "Size"}
                                 << QList<int>{120, 150, 50, 120, 60, 50, 50, 90, 50, 60};
    QTest::newRow("artist twice") << QList<int>{0, 1, 0, 11, 11, 11, 11, 11, 11, 11}
                                  << QStringList{"Artist", "Title", "Artist"} << QList<int>{120, 150, 120};
}

void TestPlaylistWindow::columnsFollowTheRowSettings() {
    QFETCH(QList<int>, rows);
    QFETCH(QStringList, captions);
    QFETCH(QList<int>, widths);
    PlaylistWindowRig w;
    w.addFiles({"Band - Song.mp3"});
    Settings& s = w.rig.settings;
    int32_t* row[] = {&s.Row1, &s.Row2, &s.Row3, &s.Row4, &s.Row5,
                      &s.Row6, &s.Row7, &s.Row8, &s.Row9, &s.Row10};
    for (int i = 0; i < 10; ++i)
        *row[i] = rows[i];
    w.window->RebuildView();
    QStringList shown;
    QList<int> shownWidths;
    for (int c = 0; c < w.model()->columnCount(); ++c) {
        shown << w.model()->headerData(c, Qt::Horizontal).toString();
        shownWidths << w.view()->columnWidth(c);
    }
    QCOMPARE(shown, captions);
    QCOMPARE(shownWidths, widths);
    for (int c = 0; c < captions.size(); ++c) {
        const QString expected = captions[c] == "Artist"  ? "Band"
                                 : captions[c] == "Title" ? "Song"
                                 : captions[c] == "Path"  ? w.rig.path("Band - Song.mp3")
                                                          : w.cell(0, c);
        QCOMPARE(w.cell(0, c), expected);
    }

    // Widths belong to fields; of two columns of one field the later one's width is kept.
    for (int c = 0; c < w.model()->columnCount(); ++c)
        w.view()->setColumnWidth(c, 200 + c);
    w.window->StoreColumnWidths();
    const int lastArtist = int(captions.lastIndexOf("Artist"));
    QCOMPARE(s.ArtistWidth, 200 + lastArtist);
    QCOMPARE(s.TitleWidth, 200 + int(captions.indexOf("Title")));
}

void TestPlaylistWindow::playMarkPictures() {
    const QColor colours[] = {Qt::black, Qt::white, Qt::blue, Qt::yellow, Qt::red};
    for (int i = 0; i < PlayMarkCount; ++i) {
        const QImage image = PlayMarkPicture(i);
        QCOMPARE(image.size(), QSize(16, 16));
        int opaque = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if (qAlpha(image.pixel(x, y)) == 255) {
                    ++opaque;
                    if (i > 0)
                        QCOMPARE(QColor(image.pixel(x, y)), colours[i - 1]);
                }
        if (i == 0)
            QCOMPARE(opaque, 0);
        else
            QVERIFY2(opaque > 20 && opaque < 100, qPrintable(QString::number(opaque)));
        // Pointing right: the left column of the triangle is taller than its tip.
        if (i > 0)
            QVERIFY(qAlpha(image.pixel(4, 4)) == 255 && qAlpha(image.pixel(11, 4)) == 0);
    }
    QCOMPARE(PlayMarkPicture(6), PlayMarkPicture(0));

    // The current row shows picture IconIndex + 1, every other row picture 0.
    PlaylistWindowRig w;
    w.rig.settings.IconIndex = 3;
    w.addFiles({"a.mp3", "b.mp3", "c.mp3"});
    w.click(1);
    QCOMPARE(w.rig.player->Order().Current(), 1);
    QCOMPARE(markOf(w.model(), 0), 0);
    QCOMPARE(markOf(w.model(), 1), 4);
    QCOMPARE(markOf(w.model(), 2), 0);
}

void TestPlaylistWindow::selectingWhileStoppedPrepares() {
    PlaylistWindowRig w;
    w.addFiles({"a.mp3", "b.mp3", "c.mp3"});
    w.rig.clear();
    w.click(2);
    QCOMPARE(w.rig.player->Order().Current(), 2);
    QVERIFY(w.rig.player->TrackLoaded);
    QCOMPARE(w.rig.commands().filter("LoadFile"), QStringList{"LoadFile(c.mp3)"});
    // A second row joining the selection changes nothing.
    w.rig.clear();
    w.click(0, Qt::ControlModifier);
    QCOMPARE(w.view()->selectedRowList(), (QList<int>{0, 2}));
    QCOMPARE(w.list->SelectedCount(), 2);
    QCOMPARE(w.rig.player->Order().Current(), 2);
    QVERIFY(w.rig.commands().filter("LoadFile").isEmpty());
    // While a track plays, selecting only selects.
    w.click(1);
    w.rig.player->Play();
    w.rig.clear();
    w.click(0);
    QCOMPARE(w.rig.player->Order().Current(), 1);
    QVERIFY(w.rig.commands().isEmpty());
}

void TestPlaylistWindow::doubleClickAndEnterPlay_data() {
    QTest::addColumn<bool>("playing");
    QTest::addColumn<bool>("enter");
    QTest::newRow("double-click while stopped") << false << false;
    QTest::newRow("double-click while playing") << true << false;
    QTest::newRow("Enter while stopped") << false << true;
    QTest::newRow("Enter while playing") << true << true;
}

void TestPlaylistWindow::doubleClickAndEnterPlay() {
    QFETCH(bool, playing);
    QFETCH(bool, enter);
    PlaylistWindowRig w;
    w.addFiles({"a.mp3", "b.mp3", "c.mp3"});
    if (playing) {
        w.click(0);
        w.rig.player->Play();
    }
    w.rig.clear();
    if (enter) {
        w.click(2);
        QTest::keyClick(w.view(), Qt::Key_Return);
    } else {
        QTest::mouseDClick(w.view()->viewport(), Qt::LeftButton, {}, w.rowPoint(2));
    }
    QCOMPARE(w.rig.player->Order().Current(), 2);
    QVERIFY(w.rig.player->Playing);
    const QStringList commands = w.rig.commands();
    QCOMPARE(commands.filter("LoadFile").last(), QStringLiteral("LoadFile(c.mp3)"));
    QCOMPARE(commands.filter("Play(").size(), 1);
    QCOMPARE(markOf(w.model(), 2), 1);
    QCOMPARE(markOf(w.model(), 0), 0);
}

void TestPlaylistWindow::deleteAndClear() {
    PlaylistWindowRig w;
    w.addFiles({"a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.mp3"});
    w.click(3);
    w.rig.player->Play();
    QCOMPARE(w.rig.player->Order().Current(), 3);
    // "-" removes every selected row; the current entry keeps its place among the rest.
    w.click(1);
    w.click(2, Qt::ControlModifier);
    w.child<QPushButton>("BtnDel")->click();
    QCOMPARE(w.column(0), (QStringList{"a", "d", "e"}));
    QCOMPARE(w.rig.player->Order().Current(), 1);
    QCOMPARE(markOf(w.model(), 1), 1);
    // The Delete key does the same.
    w.click(0);
    QTest::keyClick(w.view(), Qt::Key_Delete);
    QCOMPARE(w.column(0), (QStringList{"d", "e"}));
    QCOMPARE(w.rig.player->Order().Current(), 0);

    w.rig.clear();
    w.child<QPushButton>("BtnClear")->click();
    QCOMPARE(w.model()->rowCount(), 0);
    QCOMPARE(w.rig.player->Order().Current(), -1);
    // A playing track plays on.
    QVERIFY(w.rig.player->Playing);
    QVERIFY(w.rig.commands().filter("Stop").isEmpty());
}

void TestPlaylistWindow::menus() {
    PlaylistWindowRig w;
    QCOMPARE(actionTexts(w.window->addMenu()), (QStringList{"Add files...", "Add directory..."}));
    QCOMPARE(actionTexts(w.window->listMenu()),
             (QStringList{"Fileinfos", "|", "Decode to Wave...", "Transcode with..."}));
    QVERIFY(w.window->listMenu()->actions().first()->isVisible());
    QCOMPARE(actionTexts(w.window->windowMenu()),
             (QStringList{"|", "Add files...", "Add directory...", "|", "Load Playlist...",
                          "Save Playlist...", "|", "Delete selected items", "Clear list", "|",
                          "Reload fileinformations", "|", "Close Larkspin", "|"}));
    QAction* close = w.window->windowMenu()->actions().at(12);
    QCOMPARE(close->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
    QSignalSpy closing(w.window.get(), &TPlaylistForm::closeProgramRequested);
    close->trigger();
    QCOMPARE(closing.count(), 1);

    // The menu commands reach the list.
    w.addFiles({"a.mp3", "b.mp3"});
    w.click(0);
    w.window->windowMenu()->actions().at(7)->trigger(); // Delete selected items
    QCOMPARE(w.column(0), QStringList{"b"});
    w.window->windowMenu()->actions().at(8)->trigger(); // Clear list
    QCOMPARE(w.model()->rowCount(), 0);
}

void TestPlaylistWindow::drops_data() {
    QTest::addColumn<int>("actions");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("copy") << int(Qt::CopyAction) << true;
    QTest::newRow("link") << int(Qt::LinkAction) << true;
    QTest::newRow("copy or move") << int(Qt::CopyAction | Qt::MoveAction) << true;
    // A file manager deletes the source of a move.
    QTest::newRow("move only") << int(Qt::MoveAction) << false;
}

void TestPlaylistWindow::drops() {
    QFETCH(int, actions);
    QFETCH(bool, accepted);
    for (bool onTheList : {true, false}) {
        PlaylistWindowRig w;
        w.addFiles({"first.mp3"});
        QStringList names = {"z.mp3", "a.wav", "m.mp3"};
        QList<QUrl> urls;
        for (const QString& n : names) {
            QFile f(w.rig.path(n));
            QVERIFY(f.open(QIODevice::WriteOnly));
            urls << QUrl::fromLocalFile(w.rig.path(n));
        }
        urls.insert(1, QUrl(QStringLiteral("https://example.invalid/stream.mp3"))); // not a local file
        QMimeData data;
        data.setUrls(urls);
        QWidget* target = onTheList ? w.view()->viewport() : static_cast<QWidget*>(w.window.get());
        if (onTheList) {
            // The view's own handlers, as a drag over its viewport reaches them.
            QDragEnterEvent enter(QPoint(5, 5), Qt::DropActions(actions), &data, Qt::LeftButton, {});
            QCoreApplication::sendEvent(w.view()->viewport(), &enter);
            QCOMPARE(enter.isAccepted(), accepted);
            if (accepted)
                QVERIFY(enter.dropAction() != Qt::MoveAction);
            QDropEvent drop(QPoint(5, 5), Qt::DropActions(actions), &data, Qt::LeftButton, {});
            QCoreApplication::sendEvent(w.view()->viewport(), &drop);
        } else {
            QCOMPARE(deliver(target, QEvent::DragEnter, &data, Qt::DropActions(actions)), accepted);
            deliver(target, QEvent::Drop, &data, Qt::DropActions(actions));
        }
        w.list->WaitForWork();
        QCoreApplication::processEvents();
        const QStringList expected = accepted ? QStringList{"first", "z", "a", "m"} : QStringList{"first"};
        QCOMPARE(w.column(1), expected);
    }
}

void TestPlaylistWindow::droppedFolderBecomesAnEntry() {
    PlaylistWindowRig w;
    QVERIFY(QDir().mkpath(w.rig.path("Some Folder")));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(w.rig.path("Some Folder"))});
    QVERIFY(deliver(w.window.get(), QEvent::DragEnter, &data, Qt::CopyAction));
    deliver(w.window.get(), QEvent::Drop, &data, Qt::CopyAction);
    w.list->WaitForWork();
    QCoreApplication::processEvents();
    QCOMPARE(w.model()->rowCount(), 1);
    QCOMPARE(w.cell(0, 0), QStringLiteral("Some Folder"));
    QCOMPARE(w.cell(0, 2), QStringLiteral("---"));
}

void TestPlaylistWindow::headerClicksSort() {
    PlaylistWindowRig w;
    w.addFiles({"C - x.mp3", "A - z.mp3", "B - y.mp3"});
    w.click(0); // "C - x" is current
    QHeaderView* header = w.view()->horizontalHeader();
    auto clickHeader = [&](int section) {
        const int x = header->sectionViewportPosition(section) + header->sectionSize(section) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    };
    const struct {
        int column;
        QStringList artists;
    } clicks[] = {{1, {"C", "B", "A"}},  // title ascending: x, y, z
                  {1, {"A", "B", "C"}},  // title descending
                  {0, {"A", "B", "C"}},  // artist ascending
                  {0, {"C", "B", "A"}},  // artist descending
                  {1, {"C", "B", "A"}}}; // title ascending again
    for (const auto& c : clicks) {
        clickHeader(c.column);
        QCOMPARE(w.column(0), c.artists);
        // The current entry and its mark follow it.
        const int current = int(c.artists.indexOf("C"));
        QCOMPARE(w.rig.player->Order().Current(), current);
        QCOMPARE(markOf(w.model(), current), 1);
    }
}

void TestPlaylistWindow::draggingSelectedRowsMovesThem_data() {
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("target"); // -1: below the last row
    QTest::addColumn<QStringList>("order");
    QTest::newRow("2,3 onto 6") << QList<int>{1, 2} << 5 << QStringList{"1", "4", "5", "2", "3", "6"};
    QTest::newRow("5,6 onto 2") << QList<int>{4, 5} << 1 << QStringList{"1", "5", "6", "2", "3", "4"};
    QTest::newRow("1,3 below the end") << QList<int>{0, 2} << -1 << QStringList{"2", "4", "5", "6", "1", "3"};
}

void TestPlaylistWindow::draggingSelectedRowsMovesThem() {
    QFETCH(QList<int>, selected);
    QFETCH(int, target);
    QFETCH(QStringList, order);
    PlaylistWindowRig w;
    w.addFiles({"1 - a.mp3", "2 - b.mp3", "3 - c.mp3", "4 - d.mp3", "5 - e.mp3", "6 - f.mp3"});
    w.view()->resize(400, 400);
    w.click(selected[0]);
    for (int row : selected.mid(1))
        w.click(row, Qt::ControlModifier);
    std::unique_ptr<QMimeData> data(w.view()->rowDragData());
    const QPoint at = target >= 0 ? w.rowPoint(target) : QPoint(5, w.view()->viewport()->height() - 2);
    QDragEnterEvent enter(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(w.view()->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(w.view()->viewport(), &drop);
    QCOMPARE(w.column(0), order);
    // The moved rows stay selected, and only they.
    QList<int> moved;
    for (int r = 0; r < order.size(); ++r)
        if (selected.contains(order[r].toInt() - 1))
            moved << r;
    QCOMPARE(w.view()->selectedRowList(), moved);
}

void TestPlaylistWindow::foreignRowDragsAreRefused() {
    PlaylistWindowRig w;
    PlaylistWindowRig other;
    w.addFiles({"1 - a.mp3", "2 - b.mp3"});
    w.click(0);
    // Rows dragged out of another list (another window, another program) are not this list's rows.
    std::unique_ptr<QMimeData> data(other.view()->rowDragData());
    QDragEnterEvent enter(w.rowPoint(1), Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(w.view()->viewport(), &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(w.rowPoint(1), Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(w.view()->viewport(), &drop);
    QCOMPARE(w.column(0), (QStringList{"1", "2"}));
}

void TestPlaylistWindow::windowLife() {
    PlaylistWindowRig w;
    Settings& s = w.rig.settings;
    s.ListWidth = 500;
    s.ListHeight = 320;
    s.ListPosLeft = 40;
    s.ListPosTop = 60;
    s.PlaylistWindowShow = false;
    w.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.window.get()));
    QCOMPARE(w.window->size(), QSize(500, 320));
    QVERIFY(s.PlaylistWindowShow);
    // The controls follow the size: the frame keeps its margins, the buttons stay below it.
    QCOMPARE(w.child<QGroupBox>("ListFrame")->geometry(), QRect(8, 8, 484, 271));
    QCOMPARE(w.child<QPushButton>("BtnClear")->geometry(), QRect(80, 286, 65, 25));

    w.window->resize(600, 400);
    QCOMPARE(s.ListWidth, 600);
    QCOMPARE(s.ListHeight, 400);

    QSignalSpy closed(w.window.get(), &TPlaylistForm::windowClosed);
    w.window->move(70, 90);
    QTRY_COMPARE(w.window->pos(), QPoint(70, 90));
    w.window->close();
    QCOMPARE(closed.count(), 1);
    QVERIFY(!s.PlaylistWindowShow);
    QCOMPARE(QPoint(s.ListPosLeft, s.ListPosTop), QPoint(70, 90));
}

void TestPlaylistWindow::longWorkShowsProgressAndCancels() {
    PlaylistWindowRig w;
    QByteArrayList paths;
    for (int i = 0; i < 20000; ++i)
        paths << QFile::encodeName(w.rig.path(QStringLiteral("missing %1.mp3").arg(i)));
    auto* bar = w.child<QProgressBar>("Fortschritt");
    auto* cancel = w.child<QPushButton>("CancelBtn");
    w.window->AddDroppedFiles(paths);
    QVERIFY(w.list->Working());
    QVERIFY(!bar->isHidden());
    QVERIFY(!cancel->isHidden());
    QCOMPARE(bar->maximum(), 20000);
    cancel->click();
    QTRY_VERIFY(!w.list->Working());
    QTRY_VERIFY(bar->isHidden());
    QVERIFY(cancel->isHidden());
    // What was read before the cancel stays.
    QVERIFY(w.model()->rowCount() < 20000);
    QCOMPARE(w.child<QGroupBox>("ListFrame")->title(),
             QStringLiteral("Number of titles: %1").arg(w.model()->rowCount()));
}

// The columns fill the view as it grows and give the room back as it narrows; the widths to store are
// those set or dragged, without the room.
void TestPlaylistWindow::columnsFillTheWidth() {
    QStandardItemModel model(3, 3);
    PlaylistView view;
    view.setModel(&model);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setColumnWidth(0, 100);
    view.setColumnWidth(1, 150);
    view.setColumnWidth(2, 60);
    view.resize(500, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const auto stored = [&] {
        return QList<int>{view.storedWidth(0), view.storedWidth(1), view.storedWidth(2)};
    };
    const auto filled = [&] { return view.horizontalHeader()->length() == view.viewport()->width(); };
    QTRY_VERIFY(filled());
    QCOMPARE(stored(), (QList<int>{100, 150, 60}));
    QVERIFY(view.columnWidth(1) > 150); // the widest column takes the room

    view.resize(900, 200);
    QTRY_VERIFY(filled());
    QCOMPARE(stored(), (QList<int>{100, 150, 60}));

    // A column dragged wider takes its room from the filling one.
    view.horizontalHeader()->resizeSection(0, 180);
    QVERIFY(filled());
    QCOMPARE(stored(), (QList<int>{180, 150, 60}));
    // The filling column dragged: its new width is its own.
    view.horizontalHeader()->resizeSection(1, 200);
    QCOMPARE(view.storedWidth(1), 200);

    // Too narrow for the widths set: they stay, and the view scrolls.
    view.resize(200, 200);
    QTRY_COMPARE(view.columnWidth(1), 200);
    QCOMPARE(stored(), (QList<int>{180, 200, 60}));
    view.resize(700, 200);
    QTRY_VERIFY(filled());
    QCOMPARE(stored(), (QList<int>{180, 200, 60}));
}

QTEST_MAIN(TestPlaylistWindow)
#include "tst_playlistwindow.moc"
