// The snappers at work on real windows: a window dragged near the player snaps to it, and windows docked
// to the player move with it.
#include "Settings.h"
#include "WindowSnapping.h"

#include <QtTest>

using namespace larkspin;

class TestWindowSnapping : public QObject {
    Q_OBJECT
private slots:
    void snapsAndDocks();
};

void TestWindowSnapping::snapsAndDocks() {
    settings() = Settings();
    QWidget player, playlist, station;
    for (QWidget* w : {&player, &playlist, &station})
        w->setWindowFlag(Qt::FramelessWindowHint);
    player.setGeometry(100, 100, 407, 192);
    playlist.setGeometry(100, 400, 407, 300);
    station.setGeometry(700, 100, 200, 300);
    WindowSnapping snapping(&player, &playlist, &station);
    QSignalSpy pending(&snapping, &WindowSnapping::dockingWorkPending);
    player.show();
    playlist.show();
    station.show();
    QVERIFY(QTest::qWaitForWindowExposed(&station));
    QCOMPARE(snapping.snapper(SnapWindow::Player).TargetCount(), 2);
    QVERIFY(snapping.snapper(SnapWindow::Playlist).Enabled);

    // Dragged up to 8 pixels under the player: the playlist jumps against it.
    playlist.move(100, 300);
    QTRY_COMPARE(playlist.pos(), QPoint(100, 292));

    // Touching, it is docked and follows the player; the station away from it is not and stays.
    pending.clear();
    station.move(530, 100);
    QTRY_COMPARE(station.pos(), QPoint(530, 100));
    QVERIFY(!pending.isEmpty()); // the move asks for a docking tick
    snapping.DockingTick();
    QVERIFY(snapping.snapper(SnapWindow::Player).dock1);
    QVERIFY(!snapping.snapper(SnapWindow::Player).dock2);
    player.move(140, 120);
    QTRY_COMPARE(player.pos(), QPoint(140, 120));
    QTRY_COMPARE(playlist.pos(), QPoint(140, 312));
    QCOMPARE(station.pos(), QPoint(530, 100));

    // Closing the playlist leaves the station as the player's only target.
    playlist.close();
    QCOMPARE(snapping.snapper(SnapWindow::Player).TargetCount(), 1);
    QCOMPARE(snapping.snapper(SnapWindow::Player).CustomWin(0), int(SnapWindow::Station));
    QVERIFY(!snapping.snapper(SnapWindow::Playlist).Enabled);
}

QTEST_MAIN(TestWindowSnapping)
#include "tst_windowsnapping.moc"
