// The play order alone: steps, repeat, shuffle and how it follows edits of the entry list.
#include "PlayOrder.h"

#include <QtTest>

#include <algorithm>
#include <numeric>
#include <vector>

using namespace larkspin;

namespace {

bool IsPermutation(std::vector<int> order, int count) {
    std::sort(order.begin(), order.end());
    std::vector<int> all(static_cast<std::size_t>(std::max(count, 0)));
    std::iota(all.begin(), all.end(), 0);
    return order == all;
}

// A stopped player's order over count entries: shuffled (the first of the order current) or plain
// (entry 0 current), then `place` steps on.
PlayOrder Walked(int count, bool shuffle, int place) {
    PlayOrder o;
    if (shuffle)
        o.ShuffleOn(count, false);
    else if (count > 0)
        o.SetCurrent(0);
    for (int k = 0; k < place; ++k)
        if (!o.Next(count, shuffle))
            qFatal("cannot step to place %d of %d", place, count);
    return o;
}

// The entry at each place of the play order: the shuffle order, or 0..count-1.
std::vector<int> Places(const PlayOrder& o, int count, bool shuffle) {
    if (shuffle)
        return o.ShuffleOrder();
    std::vector<int> rows(static_cast<std::size_t>(count));
    std::iota(rows.begin(), rows.end(), 0);
    return rows;
}

} // namespace

class TestPlayOrder : public QObject {
    Q_OBJECT
private slots:
    void nothingIsCurrentAtFirst() {
        PlayOrder o;
        QCOMPARE(o.Current(), -1);
        QVERIFY(o.ShuffleOrder().empty());
        QCOMPARE(o.ShufflePosition(), 0);
        QVERIFY(!o.Next(0, false));
        QVERIFY(!o.Previous(false));
        QVERIFY(!o.Next(0, true));
        QVERIFY(!o.Previous(true));
        QCOMPARE(o.Current(), -1);
    }

    void stepsWalkThePlayOrderAndStopAtItsEnds_data() {
        QTest::addColumn<bool>("shuffle");
        QTest::addColumn<int>("count");
        for (bool shuffle : {false, true})
            for (int count : {1, 2, 7}) {
                const QByteArray name =
                    (shuffle ? "shuffled, " : "in list order, ") + QByteArray::number(count);
                QTest::newRow(name.constData()) << shuffle << count;
            }
    }
    void stepsWalkThePlayOrderAndStopAtItsEnds() {
        QFETCH(bool, shuffle);
        QFETCH(int, count);
        PlayOrder o = Walked(count, shuffle, 0);
        const std::vector<int> places = Places(o, count, shuffle);
        QVERIFY(IsPermutation(places, count));
        std::vector<int> visited{o.Current()};
        while (o.HasNext(count, shuffle)) {
            QVERIFY(o.Next(count, shuffle));
            visited.push_back(o.Current());
            QVERIFY(visited.size() <= places.size());
        }
        QCOMPARE(visited, places); // every entry once, in play order
        // At the end: nothing moves (repeat is the player's business, through Restart).
        const int last = o.Current();
        QVERIFY(!o.HasNext(count, shuffle));
        QVERIFY(!o.Next(count, shuffle));
        QCOMPARE(o.Current(), last);
        if (shuffle)
            QCOMPARE(o.ShufflePosition(), count - 1);
        std::vector<int> back{o.Current()};
        while (o.Previous(shuffle))
            back.push_back(o.Current());
        std::reverse(back.begin(), back.end());
        QCOMPARE(back, places);
        QVERIFY(!o.Previous(shuffle)); // at the start nothing moves either
        QCOMPARE(o.Current(), places.front());
        QCOMPARE(o.ShufflePosition(), 0);
    }

    void shuffleStepsNeedAnOrder() {
        // Shuffle on over entries that have no place in the order yet (none was built): no step.
        PlayOrder o;
        o.SetCurrent(1);
        QVERIFY(!o.Next(3, true));
        QVERIFY(!o.Previous(true));
        QCOMPARE(o.Current(), 1);
        QCOMPARE(o.Restart(0, 3, true), 0); // repeat falls back to the list order
    }

    void repeatStartsAgainAtTheHeadOfThePlayOrder_data() {
        QTest::addColumn<bool>("shuffle");
        QTest::newRow("in list order") << false;
        QTest::newRow("shuffled") << true;
    }
    void repeatStartsAgainAtTheHeadOfThePlayOrder() {
        QFETCH(bool, shuffle);
        const int count = 5;
        PlayOrder o = Walked(count, shuffle, count - 1);
        const std::vector<int> places = Places(o, count, shuffle);
        QVERIFY(!o.Next(count, shuffle));
        // The first entry that can be prepared starts the list again; failing ones are passed over.
        for (int place = 0; place < count; ++place) {
            QCOMPARE(o.Restart(place, count, shuffle), places[static_cast<std::size_t>(place)]);
            if (shuffle)
                QCOMPARE(o.ShufflePosition(), place);
        }
        QCOMPARE(o.Restart(count, count, shuffle), -1); // none could: the player stops
        QCOMPARE(o.Restart(0, 0, shuffle), -1);
        // Started again at place 1 (place 0 failed), Next goes on from there.
        o.Restart(1, count, shuffle);
        o.SetCurrent(places[1]); // the selection makes it current
        QVERIFY(o.Next(count, shuffle));
        QCOMPARE(o.Current(), places[2]);
    }

    void shuffleOnKeepsThePlayingEntryInFront_data() {
        QTest::addColumn<bool>("playing");
        QTest::addColumn<int>("current");
        QTest::newRow("stopped") << false << 3;
        QTest::newRow("playing entry 7") << true << 7;
        QTest::newRow("playing the first") << true << 0;
        QTest::newRow("playing the last") << true << 9;
    }
    void shuffleOnKeepsThePlayingEntryInFront() {
        QFETCH(bool, playing);
        QFETCH(int, current);
        PlayOrder o;
        o.SetCurrent(current);
        o.ShuffleOn(10, playing);
        QVERIFY(IsPermutation(o.ShuffleOrder(), 10));
        QCOMPARE(o.ShufflePosition(), 0);
        if (playing)
            QCOMPARE(o.Current(), current); // it plays on, the rest follows it
        QCOMPARE(o.ShuffleOrder().front(), o.Current());
        const int head = o.Current();
        o.ShuffleOff();
        QVERIFY(o.ShuffleOrder().empty());
        QCOMPARE(o.Current(), head); // the current entry stays
    }

    void shuffleOnWithoutEntriesStaysEmpty() {
        PlayOrder o;
        o.ShuffleOn(0, false);
        QVERIFY(o.ShuffleOrder().empty());
        QCOMPARE(o.Current(), -1);
    }

    void shuffleOrdersDiffer() {
        // Orders built one after the other are not all the same (30 entries: a repeat is 1 in 30!).
        PlayOrder a;
        a.BuildShuffleOrder(30);
        bool differs = false;
        for (int k = 0; k < 5 && !differs; ++k) {
            PlayOrder b;
            b.BuildShuffleOrder(30);
            QVERIFY(IsPermutation(b.ShuffleOrder(), 30));
            differs = b.ShuffleOrder() != a.ShuffleOrder();
        }
        QVERIFY(differs);
    }

    void continuingFromAChosenEntry() {
        const int count = 6;
        PlayOrder o = Walked(count, true, 2);
        std::vector<int> expected = o.ShuffleOrder();
        const int chosen = expected[4];
        std::swap(expected[2], expected[4]);
        o.SetCurrent(chosen);
        o.ContinueShuffleFrom(chosen);
        QCOMPARE(o.ShuffleOrder(), expected);
        QCOMPARE(o.ShufflePosition(), 2);
        QVERIFY(o.Next(count, true));
        QCOMPARE(o.Current(), expected[3]); // the order goes on from the chosen entry
    }

    // --- Edits

    void removingEntries_data() {
        QTest::addColumn<bool>("shuffle");
        QTest::addColumn<int>("current");     // index in the list before (-1: none)
        QTest::addColumn<QList<int>>("gone"); // removed indices
        QTest::addColumn<int>("newCurrent");  // index after
        struct Case {
            const char* name;
            int current;
            QList<int> gone;
            int newCurrent;
        };
        const Case cases[] = {
            {"one before the current", 3, {1}, 2},
            {"one after the current", 3, {5}, 3},
            {"the current: the one before it", 3, {3}, 2},
            {"the current and the one before", 3, {2, 3}, 1},
            {"the current, first in the list: none", 0, {0}, -1},
            {"scattered around the current", 3, {0, 2, 3, 5}, 0},
            {"all", 3, {0, 1, 2, 3, 4, 5}, -1},
            {"no current entry", -1, {2}, -1},
        };
        for (bool shuffle : {false, true})
            for (const Case& c : cases) {
                const QByteArray name = QByteArray(shuffle ? "shuffled: " : "in list order: ") + c.name;
                QTest::newRow(name.constData()) << shuffle << c.current << c.gone << c.newCurrent;
            }
    }
    void removingEntries() {
        QFETCH(bool, shuffle);
        QFETCH(int, current);
        QFETCH(QList<int>, gone);
        QFETCH(int, newCurrent);
        const int count = 6;
        // The current entry at place 2 of the shuffle order (or entry `current` in list order).
        PlayOrder o = Walked(count, shuffle, 0);
        if (shuffle) {
            o.Next(count, true);
            o.Next(count, true);
        }
        o.SetCurrent(current);
        const std::vector<int> before = o.ShuffleOrder();
        const int position = o.ShufflePosition();
        std::vector<unsigned char> removed(count, 0);
        for (int i : gone)
            removed[static_cast<std::size_t>(i)] = 1;
        // Entry ids stand in for the entries: ids[i] is the id of the entry at index i.
        std::vector<int> ids;
        for (int i = 0; i < count; ++i)
            if (!removed[static_cast<std::size_t>(i)])
                ids.push_back(i);
        const int left = static_cast<int>(ids.size());

        o.Remove(removed);

        QCOMPARE(o.Current(), newCurrent);
        if (!shuffle) {
            QVERIFY(o.ShuffleOrder().empty());
            QCOMPARE(o.ShufflePosition(), 0);
            return;
        }
        // The others keep their places in the same order, under their new indices.
        QVERIFY(IsPermutation(o.ShuffleOrder(), left));
        std::vector<int> kept;
        for (int i : before)
            if (!removed[static_cast<std::size_t>(i)])
                kept.push_back(i);
        std::vector<int> after;
        for (int i : o.ShuffleOrder())
            after.push_back(ids[static_cast<std::size_t>(i)]);
        QCOMPARE(after, kept);
        // The place stays on its entry, or goes to the last one kept before a removed one.
        const int onEntry = before[static_cast<std::size_t>(position)];
        int expected = -1;
        if (!removed[static_cast<std::size_t>(onEntry)]) {
            expected = onEntry;
        } else {
            for (int k = 0; k < position; ++k)
                if (!removed[static_cast<std::size_t>(before[static_cast<std::size_t>(k)])])
                    expected = before[static_cast<std::size_t>(k)];
        }
        if (left == 0) {
            QCOMPARE(o.ShufflePosition(), 0);
            return;
        }
        if (expected < 0)
            QCOMPARE(o.ShufflePosition(), -1); // nothing kept before it: ahead of the head
        else
            QCOMPARE(after[static_cast<std::size_t>(o.ShufflePosition())], expected);
        // Next plays the first kept entry that followed the old place.
        int following = -1;
        for (std::size_t k = static_cast<std::size_t>(position) + 1; k < before.size() && following < 0; ++k)
            if (!removed[static_cast<std::size_t>(before[k])])
                following = before[k];
        if (following >= 0) {
            QVERIFY(o.Next(left, true));
            QCOMPARE(ids[static_cast<std::size_t>(o.Current())], following);
        } else {
            QVERIFY(!o.Next(left, true));
        }
    }

    void removingTheHeadWhileAtIt() {
        const int count = 5;
        PlayOrder o = Walked(count, true, 0);
        const std::vector<int> before = o.ShuffleOrder();
        std::vector<unsigned char> removed(count, 0);
        removed[static_cast<std::size_t>(before[0])] = 1;
        const auto newIndex = [&](int i) { return i > before[0] ? i - 1 : i; };
        PlayOrder next = o;
        next.Remove(removed);
        QCOMPARE(next.ShufflePosition(), -1);
        QVERIFY(!next.Previous(true));
        QVERIFY(next.Next(count - 1, true)); // the one that followed the removed head
        QCOMPARE(next.Current(), newIndex(before[1]));
        QCOMPARE(next.ShufflePosition(), 0);
        // A chosen entry (double-click while playing) becomes the head and the order goes on from it.
        PlayOrder chosen = o;
        chosen.Remove(removed);
        const int pick = newIndex(before[3]);
        chosen.SetCurrent(pick);
        chosen.ContinueShuffleFrom(pick);
        QCOMPARE(chosen.ShufflePosition(), 0);
        QCOMPARE(chosen.ShuffleOrder().front(), pick);
        QVERIFY(IsPermutation(chosen.ShuffleOrder(), count - 1));
        // Appended entries may take any place: none is reached yet.
        PlayOrder appended = o;
        appended.Remove(removed);
        appended.ShuffleInNew(count - 1, count + 2, appended.ShuffleOrder().size(), true);
        QVERIFY(IsPermutation(appended.ShuffleOrder(), count + 2));
        QCOMPARE(appended.ShufflePosition(), -1);
    }

    void appendedEntriesJoinBehindThePlacesReached_data() {
        QTest::addColumn<bool>("playing");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("place");         // the shuffle position
        QTest::addColumn<QList<int>>("slices"); // sizes of the slices of one batch
        QTest::newRow("stopped, no current entry") << false << -1 << 0 << QList<int>{4};
        QTest::newRow("stopped at place 3") << false << 0 << 3 << QList<int>{4};
        QTest::newRow("playing at place 5 (the last)") << true << 0 << 5 << QList<int>{1, 3};
        QTest::newRow("playing at place 0, in slices") << true << 0 << 0 << QList<int>{2, 2, 1};
    }
    void appendedEntriesJoinBehindThePlacesReached() {
        QFETCH(bool, playing);
        QFETCH(int, current);
        QFETCH(int, place);
        QFETCH(QList<int>, slices);
        const int count = 6;
        PlayOrder o = Walked(count, true, place);
        if (current < 0)
            o.SetCurrent(-1);
        const int currentBefore = o.Current();
        const std::vector<int> before = o.ShuffleOrder();
        const std::size_t batchStart = before.size();
        int total = count;
        for (int size : slices) {
            o.ShuffleInNew(total, total + size, batchStart, playing);
            total += size;
            QVERIFY(IsPermutation(o.ShuffleOrder(), total));
            // The order there was stays in front; the new ones follow it.
            QVERIFY(std::equal(before.begin(), before.end(), o.ShuffleOrder().begin()));
        }
        QCOMPARE(o.Current(), currentBefore);
        QCOMPARE(o.ShufflePosition(), place);
        // The walk goes on through the rest of the old order, then the new entries.
        int steps = 0;
        while (o.Next(total, true))
            ++steps;
        QCOMPARE(steps, total - 1 - place);
    }

    void laterSlicesNeverMovePlacesReached() {
        // The first slice of a batch arrived in an empty list and the player went on two places; the
        // rest of the batch is shuffled in behind them.
        for (int round = 0; round < 50; ++round) {
            PlayOrder o;
            o.ShuffleInNew(0, 3, 0, false);
            o.SetCurrent(o.ShuffleOrder().front());
            QVERIFY(o.Next(3, true));
            QVERIFY(o.Next(3, true));
            const std::vector<int> reached = o.ShuffleOrder();
            o.ShuffleInNew(3, 8, 0, true);
            QVERIFY(IsPermutation(o.ShuffleOrder(), 8));
            QVERIFY(std::equal(reached.begin(), reached.end(), o.ShuffleOrder().begin()));
            QCOMPARE(o.ShufflePosition(), 2);
        }
    }

    void appendedEntriesOfAnEmptyListAreShuffled() {
        // A list that was empty: the whole batch is shuffled, in slices; across many batches every
        // index reaches the head of the order.
        std::vector<int> heads(5, 0);
        for (int round = 0; round < 200; ++round) {
            PlayOrder o;
            o.ShuffleInNew(0, 2, 0, false);
            o.ShuffleInNew(2, 5, 0, false);
            QVERIFY(IsPermutation(o.ShuffleOrder(), 5));
            ++heads[static_cast<std::size_t>(o.ShuffleOrder().front())];
        }
        for (int n : heads)
            QVERIFY2(n > 0, "an index never came first");
    }

    void reorderingKeepsTheOrderOfPlaces_data() {
        QTest::addColumn<bool>("shuffle");
        QTest::addColumn<int>("found"); // the current entry found again (-1: not found)
        QTest::newRow("sorted, found") << false << 4;
        QTest::newRow("moved, not found") << false << -1;
        QTest::newRow("shuffled, sorted, found") << true << 4;
        QTest::newRow("shuffled, moved, not found") << true << -1;
    }
    void reorderingKeepsTheOrderOfPlaces() {
        QFETCH(bool, shuffle);
        QFETCH(int, found);
        const int count = 6;
        PlayOrder o = Walked(count, shuffle, 2);
        const int current = o.Current();
        const std::vector<int> before = o.ShuffleOrder();
        o.Reordered(found);
        QCOMPARE(o.Current(), found >= 0 ? found : current);
        QCOMPARE(o.ShuffleOrder(), before);
        QCOMPARE(o.ShufflePosition(), shuffle ? 2 : 0);
    }

    void clearing_data() {
        QTest::addColumn<bool>("shuffle");
        QTest::newRow("in list order") << false;
        QTest::newRow("shuffled") << true;
    }
    void clearing() {
        QFETCH(bool, shuffle);
        PlayOrder o = Walked(6, shuffle, 3);
        o.Clear();
        QCOMPARE(o.Current(), -1);
        QVERIFY(o.ShuffleOrder().empty());
        QCOMPARE(o.ShufflePosition(), 0);
        QVERIFY(!o.Next(0, shuffle));
        QVERIFY(!o.Previous(shuffle));
        // Entries added afterwards start a fresh order.
        if (shuffle) {
            o.ShuffleInNew(0, 3, 0, false);
            QVERIFY(IsPermutation(o.ShuffleOrder(), 3));
        }
    }
};

QTEST_GUILESS_MAIN(TestPlayOrder)
#include "tst_playorder.moc"
