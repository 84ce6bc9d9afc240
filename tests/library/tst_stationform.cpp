// The Zizezed Avidido window offscreen: placement and tab memory, the library page's browse modes,
// search, title actions, "Clear library", and the hint window.
#include "LibraryFixtures.h"

#include "LibrarySort.h"
#include "MusicLibrary.h"
#include "Settings.h"
#include "TFrame_Organizer.h"
#include "TStationForm.h"
#include "Thintform.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

using namespace larkspin;
using namespace libfixtures;

namespace {

QStringList Column(LibraryTitleModel& m, int column) {
    QStringList l;
    for (int r = 0; r < m.rowCount(); ++r)
        l << m.Text(r, column);
    return l;
}

QStringList Names(QTreeView* view) {
    QStringList l;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        l << view->model()->index(r, 0).data().toString();
    return l;
}

void SelectName(TFrame_Organizer& o, const QString& name) {
    const QStringList names = Names(o.listarchiv2);
    const int row = static_cast<int>(names.indexOf(name));
    QVERIFY2(row >= 0, qPrintable(name));
    const QModelIndex index = o.listarchiv2->model()->index(row, 0);
    o.listarchiv2->setCurrentIndex(index);
    o.ListArchiv2_Down();
}

void SelectRows(TFrame_Organizer& o, const QList<int>& rows) {
    QItemSelectionModel* sel = o.listarchiv3->selectionModel();
    sel->clear();
    for (int r : rows)
        sel->select(o.titles().index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    if (!rows.isEmpty())
        sel->setCurrentIndex(o.titles().index(rows.last(), 0), QItemSelectionModel::NoUpdate);
}

// Answers the next message box with the given button.
void AnswerMessageBox(QMessageBox::StandardButton button) {
    QTimer::singleShot(0, [button] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(button)->click();
    });
}

} // namespace

class TestStationForm : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init();

    void placementAndTabMemory();
    void modeAllListsEveryEntryAtOnce();
    void artistModeListsCaseVariantsOnce();
    void albumModeInTrackOrder();
    void columnClickSorts();
    void searchWithCaseSensitive();
    void titleActionsSendPaths();
    void selectionShowsPlayOrFileNotFound();
    void deleteLastTitleOfAlbumRebuildsList();
    void clearLibraryAsks();
    void entryCount();
    void hintWindowFollowsPointer();
    void hintWindowClosesOutsideList();
    void hintWindowOff();

private:
    void fill();

    Settings s;
    MusicLibrary lib;
    QTemporaryDir dir;
};

void TestStationForm::init() {
    s = Settings{};
    lib.Lines.Clear();
    lib.LibraryModified = false;
    fill();
}

void TestStationForm::fill() {
    const auto add = [&](const char* artist, const char* title, const char* album, const char* track,
                         const QString& path) {
        lib.Lines.AppendValues(Values(artist, title, path.toStdString(), album, track));
    };
    add("Queen", "Bohemian", "Opera", "11", dir.filePath("q/11.mp3"));
    add("QUEEN", "Love of my life", "Opera", "09", dir.filePath("q/09.mp3"));
    add("queen", "Death", "Opera", "01", dir.filePath("q/01.mp3"));
    add("Abba", "Waterloo", "Waterloo", "01", dir.filePath("a/01.mp3"));
    add("", "Nameless", "Lonely", "01", dir.filePath("n/01.mp3"));
    SortLibrary(lib.Lines);
}

void TestStationForm::placementAndTabMemory() {
    s.StationPosLeft = 40;
    s.StationPosTop = 30;
    s.StationWidth = 700;
    s.StationHeight = 520;
    s.stationindex = TStationForm::LibraryPage;
    s.stationindex2 = TFrame_Organizer::ModeArtist;
    s.filelist_height = 90;
    TStationForm form(lib, s);
    QSignalSpy closed(&form, &TStationForm::stationClosed);
    form.show();
    QVERIFY(s.StationWindowShow);
    QCOMPARE(form.size(), QSize(700, 520));
    QCOMPARE(form.StationPage->currentIndex(), int(TStationForm::LibraryPage));
    // The lists fill right after the window has appeared, in the remembered mode.
    QTRY_COMPARE(form.organizer()->listarchiv1->currentRow(), int(TFrame_Organizer::ModeArtist));
    QTRY_COMPARE(form.organizer()->listarchiv2->model()->rowCount(), 2);
    QCOMPARE(form.organizer()->upperPanelHeight(), 90);

    form.StationPage->setCurrentIndex(TStationForm::EncoderPage);
    QCOMPARE(s.stationindex, int(TStationForm::EncoderPage));
    form.resize(650, 500);
    QCOMPARE(s.StationWidth, 650);
    form.close();
    QVERIFY(!s.StationWindowShow);
    QCOMPARE(closed.count(), 1);
}

void TestStationForm::modeAllListsEveryEntryAtOnce() {
    for (int i = 0; i < 20000; ++i)
        lib.Lines.AppendValues(Values("Many", "T" + std::to_string(i), "/many/" + std::to_string(i)));
    TFrame_Organizer o(lib, s);
    o.selectMode(TFrame_Organizer::ModeAll);
    QCOMPARE(o.titles().rowCount(), int(lib.Lines.Count()));
    QVERIFY(o.upperPanel->isHidden());
    QCOMPARE(s.stationindex2, int(TFrame_Organizer::ModeAll));
    // The entry without an artist is listed in mode "All".
    QVERIFY(Column(o.titles(), LibraryTitleModel::Title).contains("Nameless"));
    QCOMPARE(o.titles().headerData(11, Qt::Horizontal).toString(), QString("Path"));
    QCOMPARE(o.listarchiv3->header()->sectionSize(0), 120);
}

void TestStationForm::artistModeListsCaseVariantsOnce() {
    TFrame_Organizer o(lib, s);
    o.selectMode(TFrame_Organizer::ModeArtist);
    QVERIFY(!o.upperPanel->isHidden());
    QCOMPARE(o.upperPanel->currentWidget(), static_cast<QWidget*>(o.listarchiv2));
    const QStringList names = Names(o.listarchiv2);
    QCOMPARE(names.size(), 2); // the empty artist is not listed
    QCOMPARE(names.first(), QString("Abba"));
    QCOMPARE(o.listarchiv2->model()->headerData(0, Qt::Horizontal).toString(), QString("Artist [2]"));
    SelectName(o, names.last());
    QCOMPARE(o.titles().rowCount(), 3);
    QVERIFY(!o.albumpanel->isHidden());
    QVERIFY(o.titlepanel->isHidden());
}

void TestStationForm::albumModeInTrackOrder() {
    TFrame_Organizer o(lib, s);
    o.selectMode(TFrame_Organizer::ModeAlbum);
    QCOMPARE(Names(o.listarchiv2), (QStringList{"Lonely", "Opera", "Waterloo"}));
    SelectName(o, "Opera");
    QCOMPARE(Column(o.titles(), LibraryTitleModel::Track), (QStringList{"01", "09", "11"}));
}

void TestStationForm::columnClickSorts() {
    TFrame_Organizer o(lib, s);
    o.selectMode(TFrame_Organizer::ModeAll);
    o.resize(800, 500);
    o.show();
    QVERIFY(QTest::qWaitForWindowExposed(&o));
    QTest::mouseClick(o.listarchiv3->header()->viewport(), Qt::LeftButton, {},
                      QPoint(o.listarchiv3->header()->sectionViewportPosition(1) + 5, 5));
    QCOMPARE(Column(o.titles(), LibraryTitleModel::Title),
             (QStringList{"Bohemian", "Death", "Love of my life", "Nameless", "Waterloo"}));
}

void TestStationForm::searchWithCaseSensitive() {
    TFrame_Organizer o(lib, s);
    o.selectMode(TFrame_Organizer::ModeSearch);
    QCOMPARE(o.upperPanel->currentWidget(), o.searchpanel);
    QCOMPARE(o.titles().rowCount(), 0);
    o.searchItem->setText("queen");
    o.casebox->setChecked(true);
    QVERIFY(s.CaseSearch);
    QTest::keyClick(o.searchItem, Qt::Key_Return);
    QCOMPARE(Column(o.titles(), LibraryTitleModel::Artist), QStringList{"queen"});
    o.casebox->setChecked(false);
    o.StartSearch();
    QCOMPARE(o.titles().rowCount(), 3);
    // A folder of the paths finds every title below it.
    o.searchItem->setText("/q/");
    o.StartSearch();
    QCOMPARE(o.titles().rowCount(), 3);
    o.clearSearchButton->click();
    QCOMPARE(o.titles().rowCount(), 0);
}

void TestStationForm::titleActionsSendPaths() {
    TFrame_Organizer o(lib, s);
    QSignalSpy add(&o, &TFrame_Organizer::addToPlaylist);
    QSignalSpy create(&o, &TFrame_Organizer::createPlaylist);
    QSignalSpy enqueue(&o, &TFrame_Organizer::enqueue);
    o.selectMode(TFrame_Organizer::ModeAlbum);
    SelectName(o, "Opera");
    const QStringList all = Column(o.titles(), LibraryTitleModel::Path);
    o.createPlaylistButton->click();
    o.enqueueButton->click();
    SelectRows(o, {2, 0});
    o.addToPlaylistButton->click();
    QCOMPARE(create.count(), 1);
    QCOMPARE(create.first().first().toStringList(), all);
    QCOMPARE(enqueue.first().first().toStringList(), all);
    // Selected rows in row order.
    QCOMPARE(add.first().first().toStringList(), (QStringList{all[0], all[2]}));
}

void TestStationForm::selectionShowsPlayOrFileNotFound() {
    QVERIFY(QDir().mkpath(dir.filePath("a")));
    QVERIFY(WriteTaggedMp3(dir.filePath("a/01.mp3").toStdString(), "Abba", "Waterloo"));
    TFrame_Organizer o(lib, s);
    o.selectMode(TFrame_Organizer::ModeArtist);
    SelectName(o, "Abba");
    SelectRows(o, {0});
    QVERIFY(!o.titlepanel->isHidden());
    QVERIFY(!o.playButton->isHidden());
    QVERIFY(o.notFoundLabel->isHidden());
    QCOMPARE(o.currentPath(), dir.filePath("a/01.mp3"));
    SelectName(o, Names(o.listarchiv2).last());
    SelectRows(o, {1});
    QVERIFY(o.playButton->isHidden());
    QVERIFY(!o.notFoundLabel->isHidden());
    // Several rows: neither.
    SelectRows(o, {0, 1});
    QVERIFY(o.playButton->isHidden());
    QVERIFY(o.notFoundLabel->isHidden());
}

void TestStationForm::deleteLastTitleOfAlbumRebuildsList() {
    TFrame_Organizer o(lib, s);
    o.selectMode(TFrame_Organizer::ModeAlbum);
    SelectName(o, "Waterloo");
    SelectRows(o, {0});
    o.deleteButton->click();
    QVERIFY(lib.LibraryModified);
    QCOMPARE(lib.Lines.Count(), std::size_t(4));
    QCOMPARE(Names(o.listarchiv2), (QStringList{"Lonely", "Opera"}));
    // Deleting some titles of an album selects the first one left.
    SelectName(o, "Opera");
    SelectRows(o, {0, 2});
    o.DeleteClick();
    QCOMPARE(Column(o.titles(), LibraryTitleModel::Track), QStringList{"09"});
    QCOMPARE(o.listarchiv3->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(lib.Lines.Count(), std::size_t(2));
}

void TestStationForm::clearLibraryAsks() {
    TFrame_Organizer o(lib, s);
    o.selectMode(TFrame_Organizer::ModeAll);
    AnswerMessageBox(QMessageBox::No);
    o.clearLibraryButton->click();
    QCOMPARE(lib.Lines.Count(), std::size_t(5));
    QVERIFY(!lib.LibraryModified);
    AnswerMessageBox(QMessageBox::Yes);
    o.clearLibraryButton->click();
    QVERIFY(lib.Lines.Empty());
    QVERIFY(lib.LibraryModified);
    QCOMPARE(o.titles().rowCount(), 0);
    QCOMPARE(o.LibraryBox->title(), QString("Number of files: 0"));
}

void TestStationForm::entryCount() {
    TFrame_Organizer o(lib, s);
    QCOMPARE(o.LibraryBox->title(), QString("Number of files: 5"));
    QVERIFY(!o.countTimer().isActive()); // hidden: nothing to follow
    lib.Lines.AppendValues(Values("Hidden", "T", "/hidden"));
    o.show();
    QCOMPARE(o.LibraryBox->title(), QString("Number of files: 6")); // at once when shown
    QVERIFY(o.countTimer().isActive());
    lib.Lines.AppendValues(Values("New", "T", "/new"));
    QTRY_COMPARE(o.LibraryBox->title(), QString("Number of files: 7"));
    o.hide();
    QVERIFY(!o.countTimer().isActive());
}

void TestStationForm::hintWindowFollowsPointer() {
    s.HintWindow = true;
    TStationForm form(lib, s);
    Thintform hint;
    int made = 0;
    form.setHintWindow([&] {
        ++made;
        return &hint;
    });
    s.stationindex = TStationForm::LibraryPage;
    s.stationindex2 = TFrame_Organizer::ModeAll;
    form.show();
    TFrame_Organizer& o = *form.organizer();
    QTRY_COMPARE(o.titles().rowCount(), 5);
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QPoint pos = o.listarchiv3->visualRect(o.titles().index(1, 0)).center();
    QTest::mouseMove(o.listarchiv3->viewport(), pos);
    o.HintAt(pos);
    QVERIFY(hint.isVisible());
    o.HintAt(pos);
    QCOMPARE(made, 1); // made once, when first shown
    QCOMPARE(hint.pos(), o.listarchiv3->viewport()->mapToGlobal(pos) + QPoint(5, 5));
    QCOMPARE(hint.values()[0]->text(), o.titles().Text(1, LibraryTitleModel::Artist));
    QCOMPARE(hint.values()[1]->text(), o.titles().Text(1, LibraryTitleModel::Title));
    QCOMPARE(hint.values()[3]->text(), QString("Internal"));
    QCOMPARE(hint.values()[5]->text(), QString("3:12"));
    // Empty space of the list closes it.
    o.HintAt(QPoint(5, o.listarchiv3->viewport()->height() - 2));
    QVERIFY(!hint.isVisible());
}

void TestStationForm::hintWindowClosesOutsideList() {
    Thintform hint;
    QWidget list;
    list.setGeometry(100, 100, 300, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    hint.setWatchedWidget(&list);
    hint.ShowTrack(list.mapToGlobal(QPoint(10, 10)), {"a", "t", "al", "l", "b", "1:00"});
    QVERIFY(hint.isVisible());
    hint.CheckPointer(list.mapToGlobal(QPoint(50, 50)));
    QVERIFY(hint.isVisible());
    // The 100 ms check closes it once the pointer is left of the list.
    QCursor::setPos(list.mapToGlobal(QPoint(-20, 50)));
    QTRY_VERIFY_WITH_TIMEOUT(!hint.isVisible(), 2000);
}

void TestStationForm::hintWindowOff() {
    Thintform hint;
    TFrame_Organizer o(lib, s);
    bool made = false;
    o.setHintWindow([&] {
        made = true;
        return &hint;
    });
    o.selectMode(TFrame_Organizer::ModeAll);
    o.resize(700, 500);
    o.show();
    QVERIFY(QTest::qWaitForWindowExposed(&o));
    QVERIFY(!o.hintAction->isChecked());
    const QPoint pos = o.listarchiv3->visualRect(o.titles().index(0, 0)).center();
    o.HintAt(pos);
    QVERIFY(!hint.isVisible());
    QVERIFY(!made); // switched off: the hint window is not even made
    // The pointer is only asked for while the window shows.
    QVERIFY(!hint.pointerTimer().isActive());
    o.hintAction->trigger();
    QVERIFY(s.HintWindow);
    o.HintAt(pos);
    QVERIFY(hint.isVisible());
    QVERIFY(hint.pointerTimer().isActive());
    o.hintAction->trigger();
    QVERIFY(!s.HintWindow);
    QVERIFY(!hint.isVisible());
    QVERIFY(!hint.pointerTimer().isActive());
}

QTEST_MAIN(TestStationForm)
#include "tst_stationform.moc"
