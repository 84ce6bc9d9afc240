#include "Snapper.h"

#include <QTest>

#include <vector>

using namespace larkspin;

Q_DECLARE_METATYPE(larkspin::Rect)

namespace {

const Rect Screen{0, 0, 1024, 768};
const Rect Player{100, 100, 407, 192}; // bottom edge at 292, right edge at 507
const Rect NoTarget{};

struct MoveCase {
    const char* name;
    Rect window;    // where the window is before the move (and the last rectangle handled)
    Edges proposed; // where the move would put it
    std::vector<Rect> targets;
    bool dock1, dock2;
    Edges expected;
    std::vector<SnapDirection> snaps;
};

Edges at(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

// A snapper that has handled the window at its current place, so the next move has a direction.
tSnapper snapperAt(const Rect& window) {
    tSnapper s;
    s.Move(EdgesOf(window), window, {}, {-100000, -100000, 200000, 200000});
    return s;
}

const std::vector<MoveCase>& moveCases() {
    static const std::vector<MoveCase> cases = {
        // Screen edges: within GridSize (15) the window jumps to the edge.
        {"up to 15 below the top edge snaps to it",
         {100, 100, 407, 192},
         at(100, 15, 407, 192),
         {},
         false,
         false,
         at(100, 0, 407, 192),
         {SnapTop}},
        {"up to 16 below the top edge stays",
         {100, 100, 407, 192},
         at(100, 16, 407, 192),
         {},
         false,
         false,
         at(100, 16, 407, 192),
         {}},
        {"down to 14 above the bottom edge snaps to it",
         {100, 300, 407, 192},
         at(100, 562, 407, 192),
         {},
         false,
         false,
         at(100, 576, 407, 192),
         {SnapBottom}},
        {"down to 15 above the bottom edge stays",
         {100, 300, 407, 192},
         at(100, 561, 407, 192),
         {},
         false,
         false,
         at(100, 561, 407, 192),
         {}},
        {"left to 14 from the left edge snaps",
         {100, 100, 407, 192},
         at(14, 100, 407, 192),
         {},
         false,
         false,
         at(0, 100, 407, 192),
         {SnapLeft}},
        {"left to 15 from the left edge stays",
         {100, 100, 407, 192},
         at(15, 100, 407, 192),
         {},
         false,
         false,
         at(15, 100, 407, 192),
         {}},
        {"right to 14 from the right edge snaps",
         {100, 100, 407, 192},
         at(603, 100, 407, 192),
         {},
         false,
         false,
         at(617, 100, 407, 192),
         {SnapRight}},
        {"right to 15 from the right edge stays",
         {100, 100, 407, 192},
         at(602, 100, 407, 192),
         {},
         false,
         false,
         at(602, 100, 407, 192),
         {}},

        // Target windows: within GridSize - 5 (10) the window jumps against them.
        {"up to 8 below the player snaps under it",
         {100, 400, 407, 300},
         at(100, 300, 407, 300),
         {Player},
         false,
         false,
         at(100, 292, 407, 300),
         {SnapTop, SnapLeft}},
        {"up to 11 below the player stays",
         {100, 400, 407, 300},
         at(100, 303, 407, 300),
         {Player},
         false,
         false,
         at(100, 303, 407, 300),
         {}},
        {"under the player without horizontal overlap stays",
         {507, 400, 300, 300},
         at(507, 300, 300, 300),
         {Player},
         false,
         false,
         at(507, 300, 300, 300),
         {}},
        {"under a docked player stays",
         {100, 400, 407, 300},
         at(100, 300, 407, 300),
         {Player},
         true,
         false,
         at(100, 300, 407, 300),
         {}},
        {"snapped under the player, a low screen keeps it on screen",
         {100, 400, 407, 600},
         at(100, 300, 407, 600),
         {Player},
         false,
         false,
         at(100, 168, 407, 600),
         {SnapTop}},
        {"down to 6 above the player snaps onto it",
         {100, -200, 407, 100},
         at(100, 6, 407, 100),
         {Player},
         false,
         false,
         at(100, 0, 407, 100),
         {SnapBottom, SnapLeft}},
        {"down above the player, too tall for the screen above, stays at the top",
         {100, -300, 407, 150},
         at(100, -46, 407, 150),
         {Player},
         false,
         false,
         at(100, 0, 407, 150),
         {SnapBottom}},
        {"left to 9 right of the player snaps beside it",
         {600, 150, 300, 400},
         at(516, 150, 300, 400),
         {Player},
         false,
         false,
         at(507, 150, 300, 400),
         {SnapLeft}},
        {"right to 7 left of the player snaps beside it",
         {-300, 150, 100, 400},
         at(-7, 150, 100, 400),
         {Player},
         false,
         false,
         at(0, 150, 100, 400),
         {SnapRight}},
        {"right beside the player at the left screen edge stays at 0",
         {-300, 150, 150, 400},
         at(-55, 150, 150, 400),
         {Player},
         false,
         false,
         at(0, 150, 150, 400),
         {SnapRight}},

        // Alignment of windows that touch.
        {"under the player, left edge within 10 aligns",
         {120, 292, 407, 300},
         at(108, 292, 407, 300),
         {Player},
         false,
         false,
         at(100, 292, 407, 300),
         {SnapLeft}},
        {"under the player, left edge 11 off stays",
         {120, 292, 407, 300},
         at(111, 292, 407, 300),
         {Player},
         false,
         false,
         at(111, 292, 407, 300),
         {}},
        {"beside target 1, top 12 off stays (10 apply)",
         {507, 300, 300, 400},
         at(507, 112, 300, 400),
         {Player},
         false,
         false,
         at(507, 112, 300, 400),
         {}},
        {"beside target 2, top 12 off aligns (15 apply)",
         {507, 300, 300, 400},
         at(507, 112, 300, 400),
         {{0, 600, 50, 50}, Player},
         false,
         false,
         at(507, 100, 300, 400),
         {SnapTop}},

        // Two targets: target 2 only when the test for target 1 failed.
        {"target 1 snapped, target 2 not considered",
         {100, 400, 407, 300},
         at(100, 300, 407, 300),
         {Player, {100, 100, 407, 196}},
         false,
         false,
         at(100, 292, 407, 300),
         {SnapTop, SnapLeft}},
        {"target 1 docked, target 2 snapped",
         {100, 400, 407, 300},
         at(100, 300, 407, 300),
         {Player, {100, 100, 407, 196}},
         true,
         false,
         at(100, 296, 407, 300),
         {SnapTop, SnapLeft}},
        {"target 1 out of reach, target 2 snapped",
         {100, 400, 407, 300},
         at(100, 300, 407, 300),
         {{100, 100, 407, 100}, {100, 100, 407, 196}},
         false,
         false,
         at(100, 296, 407, 300),
         {SnapTop, SnapLeft}},
    };
    return cases;
}

} // namespace

class TestSnapper : public QObject {
    Q_OBJECT
private slots:
    void moves_data();
    void moves();
    void firstMoveIsDownAndRight();
    void disabledLeavesTheMoveAlone();
    void dockedTargetsFollow();
    void targetsAndGridSize();
    void touching_data();
    void touching();
    void dockingDetection();
    void relinking();
};

void TestSnapper::moves_data() {
    QTest::addColumn<int>("index");
    for (size_t i = 0; i < moveCases().size(); ++i)
        QTest::newRow(moveCases()[i].name) << int(i);
}

void TestSnapper::moves() {
    QFETCH(int, index);
    const MoveCase& c = moveCases()[index];
    tSnapper s = snapperAt(c.window);
    for (const Rect& t : c.targets)
        s.AddTarget(int(&t - c.targets.data()) + 1);
    s.dock1 = c.dock1;
    s.dock2 = c.dock2;
    std::vector<SnapDirection> snaps;
    s.onSnap = [&snaps](const tSnapper&, SnapDirection d) { snaps.push_back(d); };
    std::array<Rect, 2> targets{};
    for (size_t i = 0; i < c.targets.size(); ++i)
        targets[i] = c.targets[i];

    std::optional<SnapResult> r = s.Move(c.proposed, c.window, targets, Screen);
    QVERIFY(r);
    QCOMPARE(r->rect.left, c.expected.left);
    QCOMPARE(r->rect.top, c.expected.top);
    QCOMPARE(r->rect.right, c.expected.right);
    QCOMPARE(r->rect.bottom, c.expected.bottom);
    QCOMPARE(snaps, c.snaps);
    QVERIFY(s.Previous() == c.expected);
}

void TestSnapper::firstMoveIsDownAndRight() {
    // Nothing handled yet: the previous rectangle is 0, so a window shown near the bottom right corner
    // is seen as moving there and snaps into the corner.
    tSnapper s;
    std::optional<SnapResult> r = s.Move(at(610, 570, 407, 192), {0, 0, 407, 192}, {}, Screen);
    QVERIFY(r);
    QVERIFY(r->rect == at(617, 576, 407, 192));
}

void TestSnapper::disabledLeavesTheMoveAlone() {
    tSnapper s = snapperAt({100, 100, 407, 192});
    s.Enabled = false;
    QVERIFY(!s.Move(at(100, 3, 407, 192), {100, 100, 407, 192}, {}, Screen));
    QVERIFY(s.Previous() == at(100, 100, 407, 192));
}

void TestSnapper::dockedTargetsFollow() {
    // The playlist touches the player's bottom edge and is docked; the station 1 pixel off is not.
    const Rect playlist{100, 292, 407, 300};
    const Rect station{508, 100, 300, 492};
    tSnapper s = snapperAt(Player);
    s.AddTarget(1);
    s.AddTarget(2);
    const DockFlags flags = DockingFlags({}, true, true, Player, playlist, station);
    QVERIFY(flags.dock1);
    QVERIFY(!flags.dock2);
    s.dock1 = flags.dock1;
    s.dock2 = flags.dock2;

    std::optional<SnapResult> r = s.Move(at(130, 120, 407, 192), Player, {playlist, station}, Screen);
    QVERIFY(r);
    QVERIFY(r->rect == at(130, 120, 407, 192));
    QVERIFY(r->follow[0]);
    QCOMPARE(*r->follow[0], (std::pair{130, 312}));
    QVERIFY(!r->follow[1]);

    // The player then moves up to the screen edge: the playlist follows by the snapped distance.
    const Rect moved{130, 120, 407, 192};
    r = s.Move(at(130, 10, 407, 192), moved, {Rect{130, 312, 407, 300}, station}, Screen);
    QVERIFY(r);
    QVERIFY(r->rect == at(130, 0, 407, 192));
    QCOMPARE(*r->follow[0], (std::pair{130, 192}));
}

void TestSnapper::targetsAndGridSize() {
    tSnapper s;
    QCOMPARE(s.GridSize(), 15);
    QCOMPARE(s.SnapDistance(), 10);
    s.SetGridSize(25);
    QCOMPARE(s.SnapDistance(), 20);
    QCOMPARE(s.TargetCount(), 0);
    s.AddTarget(7);
    s.AddTarget(8);
    s.AddTarget(9); // replaces target 2
    QCOMPARE(s.TargetCount(), 2);
    QCOMPARE(s.CustomWin(0), 7);
    QCOMPARE(s.CustomWin(1), 9);
    s.ClearTargets();
    QCOMPARE(s.TargetCount(), 0);
}

void TestSnapper::touching_data() {
    QTest::addColumn<Rect>("other");
    QTest::addColumn<bool>("touches");
    QTest::newRow("under the player") << Rect{100, 292, 407, 300} << true;
    QTest::newRow("under, shifted but overlapping") << Rect{400, 292, 407, 300} << true;
    QTest::newRow("1 pixel below") << Rect{100, 293, 407, 300} << false;
    QTest::newRow("right of the player") << Rect{507, 0, 300, 400} << true;
    QTest::newRow("left of the player") << Rect{0, 150, 100, 100} << true;
    QTest::newRow("above the player") << Rect{100, 0, 50, 100} << true;
    QTest::newRow("1 pixel right") << Rect{508, 100, 300, 400} << false;
    // An edge on the same line far away is no contact: such a window must not be dragged along.
    QTest::newRow("same line, far to the right") << Rect{800, 292, 200, 300} << false;
    QTest::newRow("corner to corner") << Rect{507, 292, 200, 300} << false;
}

void TestSnapper::touching() {
    QFETCH(Rect, other);
    QFETCH(bool, touches);
    QCOMPARE(WindowsTouch(Player, other), touches);
    QCOMPARE(WindowsTouch(other, Player), touches);
}

void TestSnapper::dockingDetection() {
    const Rect under{100, 292, 407, 300};
    const Rect right{507, 100, 300, 400};
    const Rect away{700, 600, 100, 100};
    struct {
        const char* name;
        DockFlags before;
        bool playlistShown, stationShown;
        Rect playlist, station;
        bool dock1, dock2;
    } rows[] = {
        {"playlist under, station right", {}, true, true, under, right, true, true},
        {"playlist away, station right", {true, false}, true, true, away, right, false, true},
        {"only the station, touching: it is target 1", {}, false, true, away, right, true, false},
        {"only the playlist shown, station touching", {}, true, false, away, right, false, false},
        {"neither shown keeps dock1", {true, true}, false, false, under, right, true, false},
    };
    for (const auto& row : rows) {
        const DockFlags f =
            DockingFlags(row.before, row.playlistShown, row.stationShown, Player, row.playlist, row.station);
        QVERIFY2(f.dock1 == row.dock1 && f.dock2 == row.dock2, row.name);
    }
}

void TestSnapper::relinking() {
    tSnapper player, playlist, station;
    Snappers all{player, playlist, station};
    auto targets = [](const tSnapper& s) {
        std::vector<int> t;
        for (int i = 0; i < s.TargetCount(); ++i)
            t.push_back(s.CustomWin(i));
        return t;
    };
    const int P = int(SnapWindow::Player), L = int(SnapWindow::Playlist), S = int(SnapWindow::Station);

    RelinkSnappers(SnapEvent::PlaylistShown, true, true, all);
    QCOMPARE(targets(player), (std::vector{L, S}));
    QCOMPARE(targets(playlist), (std::vector{P, S}));
    QCOMPARE(targets(station), (std::vector{P, L}));
    QVERIFY(playlist.Enabled);

    RelinkSnappers(SnapEvent::StationClosed, true, false, all);
    QCOMPARE(targets(player), (std::vector{L}));
    QCOMPARE(targets(playlist), (std::vector{P}));
    QVERIFY(!station.Enabled);

    RelinkSnappers(SnapEvent::StationShown, true, true, all);
    QCOMPARE(targets(player), (std::vector{L, S}));
    QCOMPARE(targets(playlist), (std::vector{P, S}));
    QVERIFY(station.Enabled);
    QCOMPARE(targets(station).back(), L);

    RelinkSnappers(SnapEvent::PlaylistClosed, false, true, all);
    QCOMPARE(targets(player), (std::vector{S}));
    QVERIFY(!playlist.Enabled);
    QCOMPARE(targets(station), (std::vector{P}));

    RelinkSnappers(SnapEvent::PlaylistShown, true, false, all);
    QCOMPARE(targets(player), (std::vector{L}));
}

QTEST_APPLESS_MAIN(TestSnapper)
#include "tst_snapper.moc"
