// "Prepare ripping..." on a disc image with a local CDDB server: names fetched into the rows and written
// back into the CD list, the match window, a disc the server does not know, a server that fails, one
// query at a time, and closing without starting.
#include "CddbTestServer.h"
#include "DiscImage.h"
#include "Settings.h"
#include "TCddb.h"
#include "TMatchform.h"
#include "TRipPrepare.h"

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
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

QMessageBox* OpenMessage(QWidget* parent) {
    for (QMessageBox* box : parent->findChildren<QMessageBox*>())
        if (box->isVisible())
            return box;
    return nullptr;
}

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
    CddbTestServer server;
    server.enqueue("200 rock 0e001003 Disc Artist / Disc Album\r\n");
    server.enqueue(Entry);
    settings_.CDDBPort = server.port().toStdString();
    CdList list = FreshList(3);
    TRipPrepare dialog(list, settings_, 0, nullptr);
    QString error;
    QVERIFY2(dialog.ReadToc(error), qPrintable(error));
    QCOMPARE(dialog.Cddb().DiscID, QStringLiteral("0e001003"));
    QCOMPARE(dialog.ListView1->topLevelItemCount(), 3);
    QCOMPARE(dialog.ListView1->topLevelItem(0)->text(2), QStringLiteral("Track Number 1"));
    // The ticks of the CD list show in the rows.
    QVERIFY(!dialog.ListView1->topLevelItem(0)->icon(0).isNull());
    QVERIFY(dialog.ListView1->topLevelItem(1)->icon(0).isNull());

    dialog.Button1Click();
    QCOMPARE(dialog.Button1->text(), QStringLiteral("Connecting..."));
    QVERIFY(!dialog.BitBtn1->isEnabled() && !dialog.Button2->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(dialog.Button1->text(), QStringLiteral("Get infos from FreeDB..."), 10000);
    QVERIFY(dialog.BitBtn1->isEnabled() && dialog.Button2->isEnabled());
    QCOMPARE(server.targets.size(), 2);
    QVERIFY2(server.targets[1].toLower().contains("cmd=cddb+read+rock+0e001003"), server.targets[1]);
    QCOMPARE(dialog.ListView1->topLevelItem(1)->text(1), QStringLiteral("Guest"));
    QCOMPARE(dialog.ListView1->topLevelItem(1)->text(2), QStringLiteral("What Now"));

    dialog.BitBtn1->click();
    QVERIFY(dialog.RipStarted());
    QCOMPARE(list[0].Caption, QStringLiteral("01 Disc Artist / First Song"));
    QCOMPARE(list[1].Caption, QStringLiteral("02 Guest / What Now"));
    QCOMPARE(list[2].Caption, QStringLiteral("03 Disc Artist / Last Song"));
    for (const CdListItem& item : list) {
        QCOMPARE(item.Album, QStringLiteral("Disc Album"));
        QCOMPARE(item.Year, QStringLiteral("2001"));
        QCOMPARE(item.Genre, QStringLiteral("Ambient"));
    }
    QVERIFY(!list[1].Ticked && list[2].Ticked);
}

void TestRipPrepare::matchWindowChoosesTheEntry() {
    CddbTestServer server;
    server.enqueue("211 Found inexact matches, list follows (until terminating `.')\r\n"
                   "rock 0e001003 Disc Artist / Disc Album\r\n"
                   "jazz 0e0010ff Other / Other Album\r\n"
                   ".\r\n");
    server.enqueue(Entry);
    settings_.CDDBPort = server.port().toStdString();
    CdList list = FreshList(3);
    TRipPrepare dialog(list, settings_, 0, nullptr);
    QString error;
    QVERIFY(dialog.ReadToc(error));
    QStringList offered;
    // The match window is modal: answer it once it is there.
    QTimer answer;
    answer.setInterval(10);
    connect(&answer, &QTimer::timeout, this, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<TMatchform*>(w); form && form->isVisible()) {
                answer.stop();
                auto* lines = form->findChild<QListWidget*>("LstMatches");
                for (int i = 0; i < lines->count(); ++i)
                    offered << lines->item(i)->text();
                lines->setCurrentRow(1);
                form->findChild<QPushButton*>("GetInfosBtn")->click();
            }
    });
    answer.start();
    dialog.Button1Click();
    QTRY_COMPARE_WITH_TIMEOUT(dialog.Button1->text(), QStringLiteral("Get infos from FreeDB..."), 10000);
    QCOMPARE(offered, QStringList({"Disc Album", "Other Album"}));
    QCOMPARE(server.targets.size(), 2);
    QVERIFY2(server.targets[1].contains("cmd=cddb+read+jazz+0e0010ff"), server.targets[1]);
}

void TestRipPrepare::unknownDisc() {
    CddbTestServer server;
    server.enqueue("202 No match for disc ID 0e001003.\r\n");
    settings_.CDDBPort = server.port().toStdString();
    CdList list = FreshList(3);
    TRipPrepare dialog(list, settings_, 0, nullptr);
    QString error;
    QVERIFY(dialog.ReadToc(error));
    dialog.Button1Click();
    QTRY_VERIFY_WITH_TIMEOUT(OpenMessage(&dialog), 10000);
    QCOMPARE(OpenMessage(&dialog)->text(), QStringLiteral("This AudioCD is not listed in the database!"));
    QCOMPARE(dialog.Button1->text(), QStringLiteral("Get infos from FreeDB..."));
    QVERIFY(dialog.BitBtn1->isEnabled());
    QCOMPARE(dialog.ListView1->topLevelItem(0)->text(1), QStringLiteral("CD Audio"));
}

void TestRipPrepare::failingServerEndsTheQuery() {
    CddbTestServer server;
    server.enqueueStatus(404, "nothing here\r\n");
    settings_.CDDBPort = server.port().toStdString();
    CdList list = FreshList(3);
    TRipPrepare dialog(list, settings_, 0, nullptr);
    QString error;
    QVERIFY(dialog.ReadToc(error));
    dialog.Button1Click();
    // The query ends with the reason instead of staying at "Connecting..." for good.
    QTRY_VERIFY_WITH_TIMEOUT(OpenMessage(&dialog), 10000);
    QVERIFY2(OpenMessage(&dialog)->text().startsWith("The CD information could not be fetched"),
             qPrintable(OpenMessage(&dialog)->text()));
    QCOMPARE(dialog.Button1->text(), QStringLiteral("Get infos from FreeDB..."));
    QVERIFY(dialog.BitBtn1->isEnabled() && dialog.Button2->isEnabled());
}

void TestRipPrepare::secondPressSendsNoSecondQuery() {
    CddbTestServer server;
    server.enqueue("200 rock 0e001003 Disc Artist / Disc Album\r\n");
    server.enqueue(Entry);
    settings_.CDDBPort = server.port().toStdString();
    CdList list = FreshList(3);
    TRipPrepare dialog(list, settings_, 0, nullptr);
    QString error;
    QVERIFY(dialog.ReadToc(error));
    dialog.Button1Click();
    dialog.Button1Click();
    QTRY_COMPARE_WITH_TIMEOUT(dialog.Button1->text(), QStringLiteral("Get infos from FreeDB..."), 10000);
    QCOMPARE(server.targets.size(), 2);
    QVERIFY(server.targets[0].contains("cmd=cddb+query"));
    QVERIFY(server.targets[1].contains("cmd=cddb+read"));
}

void TestRipPrepare::entryWithFewerTitlesKeepsTheRest() {
    CddbTestServer server;
    server.enqueue("200 rock 0e001003 Disc Artist / Disc Album\r\n");
    server.enqueue("210 rock 0e001003 CD database entry follows\r\nDTITLE=A / B\r\nTTITLE0=One\r\n.\r\n");
    settings_.CDDBPort = server.port().toStdString();
    CdList list = FreshList(3);
    TRipPrepare dialog(list, settings_, 0, nullptr);
    QString error;
    QVERIFY(dialog.ReadToc(error));
    dialog.Button1Click();
    QTRY_COMPARE_WITH_TIMEOUT(dialog.Button1->text(), QStringLiteral("Get infos from FreeDB..."), 10000);
    QCOMPARE(dialog.ListView1->topLevelItemCount(), 1);
    dialog.BitBtn1->click();
    QCOMPARE(list[0].Caption, QStringLiteral("01 A / One"));
    QCOMPARE(list[1].Caption, QStringLiteral("CD Audio / Track Number 2"));
    QCOMPARE(list[2].Caption, QStringLiteral("CD Audio / Track Number 3"));
}

void TestRipPrepare::cancelWritesUnchangedRowsBack() {
    CdList list = FreshList(2);
    TRipPrepare dialog(list, settings_, 0, nullptr);
    dialog.BitBtn2->click();
    QVERIFY(!dialog.RipStarted());
    QCOMPARE(list[0].Caption, QStringLiteral("01 CD Audio / Track Number 1"));
    QCOMPARE(list[1].Caption, QStringLiteral("02 CD Audio / Track Number 2"));
}

QTEST_MAIN(TestRipPrepare)
#include "tst_ripprepare.moc"
