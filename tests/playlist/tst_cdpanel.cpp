// The playlist window's CD player on generated disc images with the real CD plug-in: the "+" menu's
// drives, the track list, CDDB names from a local server (exact, inexact through the match window, no
// match, server down), the player's CD mode, and closing back to the playlist.
#include "CdPanel.h"
#include "CddbTestServer.h"
#include "DiscImage.h"
#include "PlaylistWindowRig.h"
#include "TCdPanelWidget.h"
#include "TCddb.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

using namespace larkspin;
using namespace larkspin::test;

namespace {

const QByteArray EntryHead = "210 rock 0e001003 CD database entry follows (until terminating `.')\r\n";

QByteArray Entry(const QByteArray& category, const QList<QByteArray>& lines) {
    QByteArray entry = EntryHead;
    entry.replace("rock", category);
    for (const QByteArray& line : lines)
        entry += line + "\r\n";
    return entry + ".\r\n";
}

// The playlist window with the CD plug-in beside the recording plug-in and disc images as drives.
class CdRig {
public:
    CdRig() : rig(w.rig) {
        qputenv("LARKSPIN_AUDIO_DRIVER", "dummy");
        const QString decoders = rig.folder() + "/PlugIn/Decoder";
        QFile::copy(QStringLiteral(LARKSPIN_BUILD_DIR "/PlugIn/Decoder/IB_cdda.so"),
                    decoders + "/IB_cdda.so");
        std::string check;
        rig.host->EnumeratePlugIns(check);
        panel = std::make_unique<CdPanel>(rig.settings, *rig.player, *rig.host);
        rig.player->SetCdTrackList(panel.get());
        w.window->setCdPanel(panel.get());
        w.window->show();
        rig.settings.CDDBServer = "127.0.0.1";
    }
    ~CdRig() {
        if (panel->IsOpen())
            panel->CloseCd();
    }

    QString image(const QString& name, const QStringList& modes = {}) {
        QString error;
        const QString cue = MakeDiscImage(rig.folder(), name, ThreeToneFrames, &error, modes);
        if (cue.isEmpty())
            qFatal("%s", qPrintable(error));
        return cue;
    }
    // The disc images as the settings window leaves them: the CD plug-in learns them from the panel.
    void drives(const QStringList& cues) {
        rig.settings.VirtualDrives = cues.join(';').toStdString();
        qputenv("LARKSPIN_VIRTUAL_DRIVES", "/stale/images/of/an/earlier/setting.cue");
    }
    QTableWidget* list() const { return w.window->cdPanelWidget()->cdlistview(); }
    QStringList column(int c) const {
        QStringList out;
        for (int r = 0; r < list()->rowCount(); ++r)
            out << list()->item(r, c)->text();
        return out;
    }
    QStringList shownButtons() const {
        QStringList out;
        for (const char* name :
             {"BtnAdd", "BtnDel", "BtnClear", "PlaylistLoadBtn", "PlaylistSaveBtn", "cddbbtn", "closecd"})
            if (w.child<QPushButton>(name)->isVisible())
                out << name;
        return out;
    }
    // The "+" menu's CD items that show, with their captions.
    QStringList cdItems() {
        QMenu* menu = w.window->addMenu();
        emit menu->aboutToShow();
        QStringList out;
        for (const char* name : {"cd11", "cd21"}) {
            QAction* a = menu->findChild<QAction*>(QLatin1String(name));
            if (a && a->isVisible())
                out << QString(name) + " " + a->text();
        }
        return out;
    }
    void openFirstDrive() {
        QVERIFY(panel->OpenCd(0));
        QCoreApplication::processEvents();
    }
    void useServer(CddbTestServer& server) { rig.settings.CDDBPort = server.port().toStdString(); }
    // Presses "Get FreeDB Infos" and waits until the server was asked requests times and the client
    // is done.
    void queryCddb(CddbTestServer& server, int requests) {
        w.child<QPushButton>("cddbbtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(server.targets.size(), qsizetype(requests), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(
            panel->cddb().State != CddbState::Querying && panel->cddb().State != CddbState::Reading, 10000);
        QCoreApplication::processEvents();
    }

    PlaylistWindowRig w;
    PlayerRig& rig;
    std::unique_ptr<CdPanel> panel;
};

// As a hand does it: the first press selects the row, the second plays it.
void doubleClickRow(QTableWidget* list, int row) {
    const QPoint at = list->visualItemRect(list->item(row, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// Answers the next message box; its text lands in text.
void answerMessage(QString* text) {
    whenModal([text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        *text = box->text();
        box->accept();
    });
}

} // namespace

class TestCdPanel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void addMenuOffersTheFirstTwoAudioDiscs_data();
    void addMenuOffersTheFirstTwoAudioDiscs();
    void openingListsTheTracksInCdMode();
    void panelHidesTheListUnderIt();
    void drivesWithoutAudioGiveTheMessage_data();
    void drivesWithoutAudioGiveTheMessage();
    void cddbExactMatchNamesTheRows();
    void cddbInexactMatchesAskTheMatchWindow_data();
    void cddbInexactMatchesAskTheMatchWindow();
    void cddbWithoutMatchSaysSo();
    void cddbServerDownChangesNothing();
    void doubleClickNextAndPreviousPlayTracks();
    void closingReturnsToThePlaylist_data();
    void closingReturnsToThePlaylist();
    void anEntryPlayedAfterAnUnreadableTrackClosesThePanel();
};

void TestCdPanel::initTestCase() {
    CdDriveTable table;
    EnumerateCdDrives(table, cdiAutoDetect, "");
    if (table.DriveCount > 0)
        QSKIP("this machine has CD drives; the tests number disc images as the first drives");
}

void TestCdPanel::addMenuOffersTheFirstTwoAudioDiscs_data() {
    QTest::addColumn<QStringList>("kinds"); // per drive: audio, data or missing
    QTest::addColumn<QStringList>("items");
    QTest::newRow("audio first") << QStringList{"audio", "data"} << QStringList{"cd11 AudioCD (%0)"};
    QTest::newRow("data, then two audio")
        << QStringList{"data", "audio", "audio"} << QStringList{"cd21 AudioCD (%1)"};
    QTest::newRow("two audio") << QStringList{"audio", "audio"}
                               << QStringList{"cd11 AudioCD (%0)", "cd21 AudioCD (%1)"};
    QTest::newRow("image missing") << QStringList{"missing", "audio"} << QStringList{"cd21 AudioCD (%1)"};
    QTest::newRow("no drives") << QStringList{} << QStringList{};
}

void TestCdPanel::addMenuOffersTheFirstTwoAudioDiscs() {
    QFETCH(QStringList, kinds);
    QFETCH(QStringList, items);
    CdRig r;
    QStringList cues;
    for (int i = 0; i < kinds.size(); ++i) {
        const QString name = QString("disc%1").arg(i);
        if (kinds[i] == "missing")
            cues << r.rig.path(name + ".cue");
        else
            cues << r.image(name, kinds[i] == "data" ? QStringList{"MODE1/2352", "MODE1/2352", "MODE1/2352"}
                                                     : QStringList{});
    }
    r.drives(cues);
    for (QString& item : items)
        for (int i = 0; i < cues.size(); ++i)
            item.replace(QString("%%1").arg(i), cues[i]);
    QCOMPARE(r.cdItems(), items);
    // Each press looks again: the disc may have changed.
    r.drives({});
    QCOMPARE(r.cdItems(), QStringList{});
}

void TestCdPanel::openingListsTheTracksInCdMode() {
    CdRig r;
    r.drives({r.image("three")});
    QMenu* menu = r.w.window->addMenu();
    emit menu->aboutToShow();
    menu->findChild<QAction*>("cd11")->trigger();
    QCoreApplication::processEvents();

    QVERIFY(r.panel->IsOpen());
    QVERIFY(r.rig.player->CdMode);
    QCOMPARE(r.rig.player->CdDriveNumber, 0);
    QVERIFY(r.w.window->cdPanelWidget()->isVisible());
    QCOMPARE(r.w.window->cdPanelWidget()->title(), QString("CD Digital Audio"));
    QCOMPARE(r.column(0), (QStringList{"Track 01", "Track 02", "Track 03"}));
    QCOMPARE(r.column(1), (QStringList{"00:05", "00:07", "00:04"}));
    QCOMPARE(r.shownButtons(), (QStringList{"cddbbtn", "closecd"}));
    // The CD plug-in plays now; nothing plays yet and row 0 is the current one.
    QCOMPARE(r.rig.host->PlaybackPlugInName(), std::string("IB_cdda.so"));
    QVERIFY(!r.rig.player->Playing);
    QCOMPARE(r.list()->currentRow(), 0);
    QCOMPARE(r.panel->MarkedRow(), 0);
    QCOMPARE(r.rig.player->CurrentCdTrack, 0);
    QVERIFY(r.rig.player->DisplayTimerEnabled());

    // Selecting another row while stopped makes it current; the title display shows it.
    r.list()->selectRow(2);
    QCOMPARE(r.rig.player->CurrentCdTrack, 2);
    QCOMPARE(r.panel->MarkedRow(), 2);
    r.rig.player->DisplayTimerTimer();
    QCOMPARE(r.rig.player->Display().DisplayInfo, QString("Track 03"));
}

// The open panel covers the playlist's frame: its caption and its column header do not show through,
// whatever they say.
void TestCdPanel::panelHidesTheListUnderIt() {
    CdRig r;
    r.drives({r.image("three")});
    QMenu* menu = r.w.window->addMenu();
    emit menu->aboutToShow();
    menu->findChild<QAction*>("cd11")->trigger();
    QCoreApplication::processEvents();
    QWidget* cd = r.w.window->cdPanelWidget();
    QVERIFY(cd->isVisible());
    const QRect area = cd->geometry();
    const QImage before = r.w.window->grab(area).toImage();
    auto* frame = r.w.window->findChild<QGroupBox*>(QStringLiteral("ListFrame"));
    QVERIFY(frame);
    frame->setTitle(QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"));
    auto* view = r.w.window->findChild<QTableView*>(QStringLiteral("PlaylistView"));
    QVERIFY(view);
    view->horizontalHeader()->setVisible(true);
    view->model()->setHeaderData(0, Qt::Horizontal, QStringLiteral("MMMMMMMMMMMMMMMMMMMM"));
    QCOMPARE(r.w.window->grab(area).toImage(), before);
}

void TestCdPanel::drivesWithoutAudioGiveTheMessage_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("data disc") << "data";
    QTest::newRow("image that is not there") << "missing";
    QTest::newRow("sheet that is garbage") << "garbage";
    QTest::newRow("no such drive") << "none";
}

void TestCdPanel::drivesWithoutAudioGiveTheMessage() {
    QFETCH(QString, kind);
    CdRig r;
    if (kind == "data") {
        r.drives({r.image("data", {"MODE1/2352", "MODE1/2352", "MODE1/2352"})});
    } else if (kind == "missing") {
        r.drives({r.rig.path("gone.cue")});
    } else if (kind == "garbage") {
        QFile f(r.rig.path("bad.cue"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        static const char garbage[] = "TRACK TRACK\xff\x00 INDEX 01 99:99:99\n";
        f.write(garbage, sizeof garbage - 1);
        f.close();
        r.drives({f.fileName()});
    } else {
        r.drives({});
    }
    QString text;
    answerMessage(&text);
    QVERIFY(!r.panel->OpenCd(0));
    QCOMPARE(text, QString("No CD Audio in this drive!"));
    QVERIFY(!r.rig.player->CdMode);
    QVERIFY(!r.w.window->cdPanelWidget()->isVisible());
    QCOMPARE(r.shownButtons(),
             (QStringList{"BtnAdd", "BtnDel", "BtnClear", "PlaylistLoadBtn", "PlaylistSaveBtn"}));
}

void TestCdPanel::cddbExactMatchNamesTheRows() {
    CdRig r;
    r.drives({r.image("three")});
    r.openFirstDrive();
    CddbTestServer server;
    r.useServer(server);
    server.enqueue("200 rock 0e001003 Band / Album\r\n");
    server.enqueue(Entry("rock", {"# xmcd", "DISCID=0e001003", "DTITLE=Band / Album", "TTITLE0=Song",
                                  "TTITLE1=Guest / Duet", "TTITLE2=AC/DC Cover"}));
    r.queryCddb(server, 2);
    QCOMPARE(CddbTestServer::parameter(server.targets[0], "cmd"),
             QString("cddb query 0e001003 3 150 525 1070 18"));
    QCOMPARE(CddbTestServer::parameter(server.targets[1], "cmd"), QString("cddb read rock 0E001003"));
    QTRY_COMPARE_WITH_TIMEOUT(r.w.window->cdPanelWidget()->title(), QString("CD Digital Audio [Album]"),
                              20000);
    // A title naming its own artist keeps it; a slash inside a name is no separator.
    QCOMPARE(r.column(0), (QStringList{"Band - Song", "Guest - Duet", "Band - AC/DC Cover"}));
    QCOMPARE(r.column(1), (QStringList{"00:05", "00:07", "00:04"}));
    r.rig.player->DisplayTimerTimer();
    QCOMPARE(r.rig.player->Display().DisplayInfo, QString("Band - Song"));

    // With CDautoFreeDB on, opening asks by itself.
    r.panel->CloseCd();
    r.rig.settings.CDautoFreeDB = true;
    server.enqueue("200 rock 0e001003 Band / Album\r\n");
    server.enqueue(Entry("rock", {"DTITLE=Band / Other", "TTITLE0=First"}));
    r.openFirstDrive();
    QTRY_COMPARE_WITH_TIMEOUT(r.column(0), (QStringList{"Band - First", "Track 02", "Track 03"}), 10000);
    QCOMPARE(r.w.window->cdPanelWidget()->title(), QString("CD Digital Audio [Other]"));
}

void TestCdPanel::cddbInexactMatchesAskTheMatchWindow_data() {
    QTest::addColumn<bool>("autoFirst");
    QTest::addColumn<int>("choice"); // the match window's row, -1 to close it without choosing
    QTest::addColumn<QByteArray>("category");
    QTest::newRow("second chosen") << false << 1 << QByteArray("blues");
    QTest::newRow("first chosen") << false << 0 << QByteArray("rock");
    QTest::newRow("closed without choosing") << false << -1 << QByteArray();
    QTest::newRow("CDautofirst reads the first") << true << 5 << QByteArray("rock");
}

void TestCdPanel::cddbInexactMatchesAskTheMatchWindow() {
    QFETCH(bool, autoFirst);
    QFETCH(int, choice);
    QFETCH(QByteArray, category);
    CdRig r;
    r.rig.settings.CDautofirst = autoFirst;
    r.drives({r.image("three")});
    r.openFirstDrive();
    CddbTestServer server;
    r.useServer(server);
    server.enqueue(
        "211 close matches found\r\nrock 0e001003 Band / Album\r\nblues 0e001003 Other / Record\r\n.\r\n");
    server.enqueue(Entry(category, {"DTITLE=" + (category == "rock" ? QByteArray("Band / Album")
                                                                    : QByteArray("Other / Record")),
                                    "TTITLE0=One"}));
    QStringList offered;
    bool shown = false;
    // With CDautofirst no window may show: a message box or match window would block the test.
    if (!autoFirst)
        whenModal([&](QWidget* modal) {
            auto* list = modal->findChild<QListWidget*>("LstMatches");
            QVERIFY(list);
            shown = true;
            for (int i = 0; i < list->count(); ++i)
                offered << list->item(i)->text();
            if (choice < 0) {
                static_cast<QDialog*>(modal)->reject();
                return;
            }
            list->setCurrentRow(choice);
            modal->findChild<QPushButton*>("GetInfosBtn")->click();
        });
    r.queryCddb(server, category.isEmpty() ? 1 : 2);
    if (autoFirst) {
        QVERIFY(!shown);
        QVERIFY(!QApplication::activeModalWidget());
    } else {
        QCOMPARE(offered, (QStringList{"Album", "Record"}));
    }
    if (category.isEmpty()) {
        QCOMPARE(r.column(0), (QStringList{"Track 01", "Track 02", "Track 03"}));
        QCOMPARE(server.targets.size(), qsizetype(1));
        return;
    }
    QCOMPARE(CddbTestServer::parameter(server.targets[1], "cmd"), "cddb read " + category + " 0e001003");
    const QString name = category == "rock" ? "Band - One" : "Other - One";
    QTRY_COMPARE_WITH_TIMEOUT(r.column(0), (QStringList{name, "Track 02", "Track 03"}), 20000);
}

void TestCdPanel::cddbWithoutMatchSaysSo() {
    CdRig r;
    r.drives({r.image("three")});
    r.openFirstDrive();
    CddbTestServer server;
    r.useServer(server);
    server.enqueue("202 No match for disc ID 0e001003.\r\n");
    QString text;
    answerMessage(&text);
    r.queryCddb(server, 1);
    QTRY_COMPARE_WITH_TIMEOUT(text, QString("This AudioCD is not listed in the database!"), 20000);
    QCOMPARE(r.column(0), (QStringList{"Track 01", "Track 02", "Track 03"}));
    QCOMPARE(r.w.window->cdPanelWidget()->title(), QString("CD Digital Audio"));
}

// A server that is down, answers an HTTP error or nonsense: the client's status goes to the log only.
void TestCdPanel::cddbServerDownChangesNothing() {
    CdRig r;
    r.drives({r.image("three")});
    r.openFirstDrive();
    {
        CddbTestServer gone;
        r.useServer(gone); // its port, closed below
    }
    bool messaged = false;
    connect(r.panel.get(), &CdPanel::message, this, [&] { messaged = true; });
    r.w.child<QPushButton>("cddbbtn")->click();
    QTRY_COMPARE_WITH_TIMEOUT(r.panel->cddb().State, CddbState::RequestFailed, 10000);
    CddbTestServer broken;
    r.useServer(broken);
    broken.enqueueStatus(500, "oops");
    r.queryCddb(broken, 1);
    QCOMPARE(r.panel->cddb().State, CddbState::RequestFailed);
    QTest::qWait(0);
    QVERIFY(!messaged);
    QVERIFY(r.panel->CddbLog().join('\n').contains("Querying CD"));
    QCOMPARE(r.column(0), (QStringList{"Track 01", "Track 02", "Track 03"}));
    QVERIFY(r.panel->IsOpen());
    // A later query that works still names the rows.
    CddbTestServer working;
    r.useServer(working);
    working.enqueue("200 rock 0e001003 Band / Album\r\n");
    working.enqueue(Entry("rock", {"DTITLE=Band / Album", "TTITLE0=Song"}));
    r.queryCddb(working, 2);
    QTRY_COMPARE_WITH_TIMEOUT(r.column(0).front(), QString("Band - Song"), 20000);
}

void TestCdPanel::doubleClickNextAndPreviousPlayTracks() {
    CdRig r;
    r.drives({r.image("three")});
    r.openFirstDrive();
    PlayerController& player = *r.rig.player;
    TPlugInHost& host = *r.rig.host;
    QTableWidget* list = r.list();
    doubleClickRow(list, 1);
    QVERIFY(player.Playing);
    QCOMPARE(player.CurrentCdTrack, 1);
    QCOMPARE(r.panel->MarkedRow(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(host.GetLength(), 7, 20000);
    QCOMPARE(host.GetState(), uint8_t(1));

    struct Step {
        const char* command;
        int track;
        int length;
    };
    for (const Step& step : {Step{"next", 2, 4}, Step{"next", 2, 4}, Step{"previous", 1, 7},
                             Step{"previous", 0, 5}, Step{"previous", 0, 5}}) {
        if (QByteArray(step.command) == "next")
            player.NextTrack();
        else
            player.PreviousTrack();
        QCOMPARE(player.CurrentCdTrack, step.track);
        QCOMPARE(list->currentRow(), step.track);
        QCOMPARE(r.panel->MarkedRow(), step.track);
        QTRY_COMPARE_WITH_TIMEOUT(host.GetLength(), step.length, 20000);
        player.DisplayTimerTimer();
        QCOMPARE(player.Display().Track, TrackNumberDigits(step.track + 1, true));
    }
    // Pause and Play resume the track; Stop stops it; a double-click plays again.
    player.Pause();
    QCOMPARE(host.GetState(), uint8_t(2));
    player.Play();
    QCOMPARE(host.GetState(), uint8_t(1));
    player.Stop();
    QCOMPARE(host.GetState(), uint8_t(0));
    QVERIFY(!player.Playing);
    list->selectRow(2); // while stopped, the selection makes the row current
    QCOMPARE(player.CurrentCdTrack, 2);
    player.Play();
    QTRY_COMPARE_WITH_TIMEOUT(host.GetLength(), 4, 20000);
}

void TestCdPanel::closingReturnsToThePlaylist_data() {
    QTest::addColumn<bool>("withEntries");
    QTest::addColumn<bool>("byPanelButton");
    QTest::newRow("empty playlist") << false << false;
    QTest::newRow("entries, by the panel's own button") << true << true;
}

void TestCdPanel::closingReturnsToThePlaylist() {
    QFETCH(bool, withEntries);
    QFETCH(bool, byPanelButton);
    CdRig r;
    if (withEntries) {
        r.w.addFiles({"one.mp3", "two.mp3"});
        r.w.click(1);
        QCOMPARE(r.rig.player->Order().Current(), 1);
    }
    r.drives({r.image("three")});
    r.openFirstDrive();
    doubleClickRow(r.list(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(r.rig.host->GetState(), uint8_t(1), 20000);
    r.rig.clear();
    if (byPanelButton)
        r.w.window->cdPanelWidget()->findChild<QToolButton*>("cdpanelclose")->click();
    else
        r.w.child<QPushButton>("closecd")->click();

    QVERIFY(!r.panel->IsOpen());
    QVERIFY(!r.rig.player->CdMode);
    QVERIFY(!r.rig.player->Playing);
    QVERIFY(!r.w.window->cdPanelWidget()->isVisible());
    QCOMPARE(r.shownButtons(),
             (QStringList{"BtnAdd", "BtnDel", "BtnClear", "PlaylistLoadBtn", "PlaylistSaveBtn"}));
    if (withEntries) {
        // The current entry is prepared again with its own plug-in, which is started afresh.
        QCOMPARE(r.rig.player->Order().Current(), 1);
        QVERIFY(r.rig.player->TrackLoaded);
        QCOMPARE(r.rig.host->PlaybackPlugInName(), std::string("IB_recording.so"));
        QVERIFY(r.rig.commands().contains("LoadFile(two.mp3)"));
    } else {
        QCOMPARE(r.rig.player->Display().DisplayInfo, QString(51, ' ') + "no title selected...");
    }
}

// The disc image goes while its track plays: the player stops with its message and the panel stays, so
// the user sees why. A playlist entry double-clicked then plays with its own plug-in, and the panel
// closes with the CD mode: the playlist's own commands are back.
void TestCdPanel::anEntryPlayedAfterAnUnreadableTrackClosesThePanel() {
    CdRig r;
    r.w.addFiles({"one.mp3", "two.mp3"});
    QString error;
    const QString cue = MakeDiscImage(r.rig.folder(), "gone", {1500, 75}, &error); // 20 s, 1 s
    QVERIFY2(!cue.isEmpty(), qPrintable(error));
    r.drives({cue});
    r.openFirstDrive();
    PlayerController& player = *r.rig.player;
    doubleClickRow(r.list(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(r.rig.host->GetState() == 1 && r.rig.host->GetPos() >= 1, 20000);
    QVERIFY(QFile::remove(cue) && QFile::remove(r.rig.folder() + "/gone.bin"));
    QTRY_VERIFY_WITH_TIMEOUT((player.DisplayTimerTimer(), !player.Playing), 30000);
    QCOMPARE(player.Display().DisplayInfo, QStringLiteral("Error! This CD track cannot be read!"));
    QVERIFY(r.w.window->cdPanelWidget()->isVisible());

    r.rig.clear();
    r.w.click(1);
    QTest::mouseDClick(r.w.view()->viewport(), Qt::LeftButton, {}, r.w.rowPoint(1));
    QVERIFY(!player.CdMode);
    QVERIFY(player.Playing);
    QCOMPARE(r.rig.host->PlaybackPlugInName(), std::string("IB_recording.so"));
    QVERIFY(r.rig.commands().contains("LoadFile(two.mp3)"));
    QVERIFY(!r.panel->IsOpen());
    QVERIFY(!r.w.window->cdPanelWidget()->isVisible());
    QCOMPARE(r.shownButtons(),
             (QStringList{"BtnAdd", "BtnDel", "BtnClear", "PlaylistLoadBtn", "PlaylistSaveBtn"}));
}

QTEST_MAIN(TestCdPanel)
#include "tst_cdpanel.moc"
