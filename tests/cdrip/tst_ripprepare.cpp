// "Prepare ripping..." on a disc image with a local CDDB server: names fetched into the rows and written
// back into the CD list, the match window, a disc the server does not know, a server that fails, one
// query at a time, and closing without starting.
#include "CddbTestServer.h"
#include "DiscImage.h"
#include "ModalAnswer.h"
#include "Settings.h"
#include "TCddb.h"
#include "TInfoEditForm.h"
#include "TMatchform.h"
#include "TRipPrepare.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace larkspin;

namespace {

const QByteArray Entry = "210 rock 0e001003 CD database entry follows (until terminating `.')\r\n"
                         "# xmcd\r\n"
                         "DISCID=0e001003\r\n"
                         "DTITLE=Disc Artist / Disc Album\r\n"
                         "DYEAR=2001\r\n"
                         "DGENRE=Ambient\r\n"
                         "TTITLE0=First Song\r\n"
                         "TTITLE1=Guest / What? Now:\r\n"
                         "TTITLE2=Last Song\r\n"
                         ".\r\n";

CdList FreshList(int tracks) {
    CdList list;
    for (int i = 1; i <= tracks; ++i)
        list.push_back({i, QStringLiteral("CD Audio / Track Number %1").arg(i), {}, {}, {}, i != 2});
    return list;
}

Settings& AskingServer(Settings& settings, const CddbTestServer& server) {
    settings.CDDBPort = server.port().toStdString();
    return settings;
}

// The preparation of a fresh three-track CD list, asking the rig's server.
struct PrepareRig {
    explicit PrepareRig(Settings& settings) : dialog(list, AskingServer(settings, server), 0, nullptr) {}

    bool readToc() {
        QString error;
        const bool read = dialog.ReadToc(error);
        if (!read)
            qWarning() << error;
        return read;
    }
    bool queryEnded() const { return dialog.Button1->text() == QStringLiteral("Get infos from FreeDB..."); }

    CddbTestServer server;
    CdList list = FreshList(3);
    TRipPrepare dialog;
};

} // namespace

class TestRipPrepare : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void exactMatchNamesTheTracks();
    void matchWindowChoosesTheEntry();
    void unknownDisc();
    void failingServerEndsTheQuery();
    void secondPressSendsNoSecondQuery();
    void entryWithFewerTitlesKeepsTheRest();
    void cancelWritesUnchangedRowsBack();
    void editedTitlesReachTheCdList();

private:
    QTemporaryDir dir_;
    Settings settings_;
};

void TestRipPrepare::initTestCase() {
    QString error;
    const QString cue = MakeDiscImage(dir_.path(), "disc", ThreeToneFrames, &error);
    QVERIFY2(!cue.isEmpty(), qPrintable(error));
    settings_.VirtualDrives = cue.toStdString();
    settings_.CDDBServer = "127.0.0.1";
    settings_.CDDBEmail = "tester@example.org";
}

void TestRipPrepare::exactMatchNamesTheTracks() {
    PrepareRig rig(settings_);
    rig.server.enqueue("200 rock 0e001003 Disc Artist / Disc Album\r\n");
    rig.server.enqueue(Entry);
    QVERIFY(rig.readToc());
    QCOMPARE(rig.dialog.Cddb().DiscID, QStringLiteral("0e001003"));
    QCOMPARE(rig.dialog.ListView1->topLevelItemCount(), 3);
    QCOMPARE(rig.dialog.ListView1->topLevelItem(0)->text(2), QStringLiteral("Track Number 1"));
    // The ticks of the CD list show in the rows.
    QVERIFY(!rig.dialog.ListView1->topLevelItem(0)->icon(0).isNull());
    QVERIFY(rig.dialog.ListView1->topLevelItem(1)->icon(0).isNull());

    rig.dialog.Button1Click();
    QCOMPARE(rig.dialog.Button1->text(), QStringLiteral("Connecting..."));
    QVERIFY(!rig.dialog.BitBtn1->isEnabled() && !rig.dialog.Button2->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(rig.queryEnded(), 10000);
    QVERIFY(rig.dialog.BitBtn1->isEnabled() && rig.dialog.Button2->isEnabled());
    QCOMPARE(rig.server.targets.size(), 2);
    QVERIFY2(rig.server.targets[1].toLower().contains("cmd=cddb+read+rock+0e001003"), rig.server.targets[1]);
    QCOMPARE(rig.dialog.ListView1->topLevelItem(1)->text(1), QStringLiteral("Guest"));
    QCOMPARE(rig.dialog.ListView1->topLevelItem(1)->text(2), QStringLiteral("What Now"));

    rig.dialog.BitBtn1->click();
    QVERIFY(rig.dialog.RipStarted());
    QCOMPARE(rig.list[0].Caption, QStringLiteral("01 Disc Artist / First Song"));
    QCOMPARE(rig.list[1].Caption, QStringLiteral("02 Guest / What Now"));
    QCOMPARE(rig.list[2].Caption, QStringLiteral("03 Disc Artist / Last Song"));
    for (const CdListItem& item : rig.list) {
        QCOMPARE(item.Album, QStringLiteral("Disc Album"));
        QCOMPARE(item.Year, QStringLiteral("2001"));
        QCOMPARE(item.Genre, QStringLiteral("Ambient"));
    }
    QVERIFY(!rig.list[1].Ticked && rig.list[2].Ticked);
}

void TestRipPrepare::matchWindowChoosesTheEntry() {
    PrepareRig rig(settings_);
    rig.server.enqueue("211 Found inexact matches, list follows (until terminating `.')\r\n"
                       "rock 0e001003 Disc Artist / Disc Album\r\n"
                       "jazz 0e0010ff Other / Other Album\r\n"
                       ".\r\n");
    rig.server.enqueue(Entry);
    QVERIFY(rig.readToc());
    QStringList offered;
    ModalAnswer second([&](QWidget* modal) {
        auto* form = qobject_cast<TMatchform*>(modal);
        if (!form)
            return false;
        auto* lines = form->findChild<QListWidget*>("LstMatches");
        for (int i = 0; i < lines->count(); ++i)
            offered << lines->item(i)->text();
        lines->setCurrentRow(1);
        form->findChild<QPushButton*>("GetInfosBtn")->click();
        return true;
    });
    rig.dialog.Button1Click();
    QTRY_VERIFY_WITH_TIMEOUT(rig.queryEnded(), 10000);
    QCOMPARE(offered, QStringList({"Disc Album", "Other Album"}));
    QCOMPARE(rig.server.targets.size(), 2);
    QVERIFY2(rig.server.targets[1].contains("cmd=cddb+read+jazz+0e0010ff"), rig.server.targets[1]);
}

void TestRipPrepare::unknownDisc() {
    PrepareRig rig(settings_);
    rig.server.enqueue("202 No match for disc ID 0e001003.\r\n");
    QVERIFY(rig.readToc());
    rig.dialog.Button1Click();
    QTRY_VERIFY_WITH_TIMEOUT(OpenMessage(&rig.dialog), 10000);
    QCOMPARE(OpenMessage(&rig.dialog)->text(), QStringLiteral("This AudioCD is not listed in the database!"));
    QCOMPARE(rig.dialog.Button1->text(), QStringLiteral("Get infos from FreeDB..."));
    QVERIFY(rig.dialog.BitBtn1->isEnabled());
    QCOMPARE(rig.dialog.ListView1->topLevelItem(0)->text(1), QStringLiteral("CD Audio"));
}

void TestRipPrepare::failingServerEndsTheQuery() {
    PrepareRig rig(settings_);
    rig.server.enqueueStatus(404, "nothing here\r\n");
    QVERIFY(rig.readToc());
    rig.dialog.Button1Click();
    // The query ends with the reason instead of staying at "Connecting..." for good.
    QTRY_VERIFY_WITH_TIMEOUT(OpenMessage(&rig.dialog), 10000);
    QVERIFY2(OpenMessage(&rig.dialog)->text().startsWith("The CD information could not be fetched"),
             qPrintable(OpenMessage(&rig.dialog)->text()));
    QCOMPARE(rig.dialog.Button1->text(), QStringLiteral("Get infos from FreeDB..."));
    QVERIFY(rig.dialog.BitBtn1->isEnabled() && rig.dialog.Button2->isEnabled());
}

void TestRipPrepare::secondPressSendsNoSecondQuery() {
    PrepareRig rig(settings_);
    rig.server.enqueue("200 rock 0e001003 Disc Artist / Disc Album\r\n");
    rig.server.enqueue(Entry);
    QVERIFY(rig.readToc());
    rig.dialog.Button1Click();
    rig.dialog.Button1Click();
    QTRY_VERIFY_WITH_TIMEOUT(rig.queryEnded(), 10000);
    QCOMPARE(rig.server.targets.size(), 2);
    QVERIFY(rig.server.targets[0].contains("cmd=cddb+query"));
    QVERIFY(rig.server.targets[1].contains("cmd=cddb+read"));
}

void TestRipPrepare::entryWithFewerTitlesKeepsTheRest() {
    PrepareRig rig(settings_);
    rig.server.enqueue("200 rock 0e001003 Disc Artist / Disc Album\r\n");
    rig.server.enqueue("210 rock 0e001003 CD database entry follows\r\nDTITLE=A / B\r\nTTITLE0=One\r\n.\r\n");
    QVERIFY(rig.readToc());
    rig.dialog.Button1Click();
    QTRY_VERIFY_WITH_TIMEOUT(rig.queryEnded(), 10000);
    QCOMPARE(rig.dialog.ListView1->topLevelItemCount(), 1);
    rig.dialog.BitBtn1->click();
    QCOMPARE(rig.list[0].Caption, QStringLiteral("01 A / One"));
    QCOMPARE(rig.list[1].Caption, QStringLiteral("CD Audio / Track Number 2"));
    QCOMPARE(rig.list[2].Caption, QStringLiteral("CD Audio / Track Number 3"));
}

void TestRipPrepare::cancelWritesUnchangedRowsBack() {
    CdList list = FreshList(2);
    TRipPrepare dialog(list, settings_, 0, nullptr);
    dialog.BitBtn2->click();
    QVERIFY(!dialog.RipStarted());
    QCOMPARE(list[0].Caption, QStringLiteral("01 CD Audio / Track Number 1"));
    QCOMPARE(list[1].Caption, QStringLiteral("02 CD Audio / Track Number 2"));
}

void TestRipPrepare::editedTitlesReachTheCdList() {
    CdList list = FreshList(3);
    TRipPrepare dialog(list, settings_, 0, nullptr);
    // The second row selected: "Edit selected title..." renames it and drops nothing.
    dialog.ListView1->topLevelItem(1)->setSelected(true);
    ModalAnswer rename([](QWidget* modal) {
        auto* form = qobject_cast<TInfoEditForm*>(modal);
        if (!form)
            return false;
        if (!form->findChild<QRadioButton*>("SelectedTitle")->isChecked())
            return false;
        form->findChild<QLineEdit*>("Edit1")->setText("Some Artist");
        form->findChild<QLineEdit*>("Edit2")->setText("What? Song");
        form->accept();
        return true;
    });
    dialog.Button2Click();
    QVERIFY(rename.answered());
    QCOMPARE(dialog.ListView1->topLevelItem(1)->text(1), QStringLiteral("Some Artist"));
    QCOMPARE(dialog.ListView1->topLevelItem(1)->text(2), QStringLiteral("What Song"));
    // Nothing selected: the album of every row.
    dialog.ListView1->clearSelection();
    ModalAnswer album([](QWidget* modal) {
        auto* form = qobject_cast<TInfoEditForm*>(modal);
        if (!form)
            return false;
        form->findChild<QLineEdit*>("Edit3")->setText("Their Album");
        form->accept();
        return true;
    });
    dialog.Button2Click();
    QVERIFY(album.answered());
    dialog.BitBtn1->click();
    QCOMPARE(list[1].Caption, QStringLiteral("02 Some Artist / What Song"));
    for (const CdListItem& item : list)
        QCOMPARE(item.Album, QStringLiteral("Their Album"));
}

QTEST_MAIN(TestRipPrepare)
#include "tst_ripprepare.moc"
