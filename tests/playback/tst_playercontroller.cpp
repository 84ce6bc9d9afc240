#include "PlayerRig.h"

#include <unistd.h>

#include <algorithm>

using namespace larkspin;
using namespace larkspin::test;

namespace {
void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}
} // namespace

class TestPlayerController : public QObject {
    Q_OBJECT
private slots:
    void oneTickAsksThePlugInOnce();
    void clearedListLeavesNoCurrentEntry_data();
    void clearedListLeavesNoCurrentEntry();
    void moveOn_data();
    void moveOn();
    void repeatOneReplaysOnEveryTickInTheWindow();
    void pauseTwiceThenPlay();
    void nextAndPrevious_data();
    void nextAndPrevious();
    void shuffleWhilePlayingKeepsTheEntryFirst();
    void shuffleWhileStoppedPreparesTheFirstEntry();
    void shuffleOrderReachesEveryEntryFirst();
    void shuffleMovesOnByTheOrder();
    void shuffleCrossfadesAllButTheLastOfTheOrder();
    void unplayablePaths_data();
    void unplayablePaths();
    void missingEntryIsPassedWhilePlaying();
    void repeatAllWithNothingPlayableStopsOnce();
    void unplayableOnlyFileSaysWhyOnce_data();
    void unplayableOnlyFileSaysWhyOnce();
    void unplayableEntryIsPassedAndNamed();
    void listOfUnplayableFilesStops_data();
    void listOfUnplayableFilesStops();
    void selectionPreparesOnlyWhenStopped_data();
    void selectionPreparesOnlyWhenStopped();
    void busyListPreparesNothing();
    void doubleClickCrossfadesIntoTheEntry();
    void doubleClickSwapsTheShuffleOrder();
    void playWithNothingPreparedThenDoubleClick();
    void shutDownStopsAndIgnoresSelections();
    void failedDoubleClickStopsThePlayerState();
    void doubleClickWhileStoppedPlays();
    void trackDigits_data();
    void trackDigits();
    void timeDigits_data();
    void timeDigits();
    void tickShowsLengthPositionAndFading();
    void displayTimerRunsOnlyWithSomethingToFollow_data();
    void displayTimerRunsOnlyWithSomethingToFollow();
    void volume_data();
    void volume();
    void jumps_data();
    void jumps();
    void sliderDrag();
    void cdModeSendsCdCommandsOnly();
    void unreadableCdStopsAndTheNextFilePlays();
    void indexMarksFollowAndJump();
    void deletingTheIndexFileShowsTheTitleAgain();
    void damagedIndexFileShowsNoMarks();
    void settingAMarkPausesAndResumes();
    void longTitlesEnterFromTheRight();
    void libraryPlayUsesTheLibraryFields();
    void coverPicture();
    void noPlugInReadyTouchesNothing();
    void repeatLabels();
    void plugInSwitchTakesTheCurrentSettings();
};

// One tick in a given plug-in situation, from entry `current` playing.
void TestPlayerController::moveOn_data() {
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("pos");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("crossfading");
    QTest::addColumn<QString>("repeat");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("playing");

    const QStringList none;
    QTest::newRow("crossfade window opens at 195 of 200")
        << 0 << 200 << 195 << 1 << true << "" << QStringList{"LoadFile(e1.mp3)", "Play(5000)"} << 1 << true;
    QTest::newRow("194 of 200 is before the window")
        << 0 << 200 << 194 << 1 << true << "" << none << 0 << true;
    QTest::newRow("unknown length is no end") << 0 << 0 << 0 << 1 << true << "" << none << 0 << true;
    QTest::newRow("last entry is never crossfaded")
        << 2 << 200 << 199 << 1 << true << "" << none << 2 << true;
    QTest::newRow("end of file without crossfading")
        << 0 << 200 << 200 << 3 << false << "" << QStringList{"LoadFile(e1.mp3)", "Play(0)"} << 1 << true;
    QTest::newRow("last entry ends: Stop")
        << 2 << 200 << 200 << 3 << true << "" << QStringList{"Stop(1000)"} << 2 << false;
    // StopPlayback, then the plug-in switch of a stopped player, then the play fade.
    QTest::newRow("last entry ends: repeat all starts over with the play fade")
        << 2 << 200 << 200 << 3 << true << "all"
        << QStringList{"Stop(1000)", "Stop(1000)", "SetVolume(100)", "LoadFile(e0.mp3)", "Play(2000)"} << 0
        << true;
    QTest::newRow("repeat one in the window replays the loaded file")
        << 0 << 200 << 196 << 1 << true << "one" << QStringList{"Play(5000)"} << 0 << true;
    QTest::newRow("repeat one at the end without crossfading")
        << 2 << 200 << 200 << 3 << false << "one" << QStringList{"Play(0)"} << 2 << true;
}

void TestPlayerController::moveOn() {
    QFETCH(int, current);
    QFETCH(int, length);
    QFETCH(int, pos);
    QFETCH(int, state);
    QFETCH(bool, crossfading);
    QFETCH(QString, repeat);
    QFETCH(QStringList, commands);
    QFETCH(int, index);
    QFETCH(bool, playing);

    PlayerRig rig(3);
    rig.settings.Crossfading = crossfading;
    rig.settings.RepeatAll = repeat == "all";
    rig.settings.RepeatOne = repeat == "one";
    rig.playEntry(current);
    rig.script("length", length);
    rig.script("pos", pos);
    rig.script("state", state);
    rig.tick();
    QCOMPARE(rig.commands(), commands);
    QCOMPARE(rig.player->Order().Current(), index);
    QCOMPARE(rig.player->Playing, playing);
    QCOMPARE(rig.list.marked, index);
    // The display timer runs on exactly while something plays.
    QCOMPARE(rig.player->DisplayTimerEnabled(), playing);
}

void TestPlayerController::repeatOneReplaysOnEveryTickInTheWindow() {
    PlayerRig rig(3);
    rig.settings.RepeatOne = true;
    rig.playEntry(1);
    rig.script("length", 200);
    for (int pos = 193; pos <= 199; ++pos) {
        rig.script("pos", pos);
        rig.tick();
    }
    // 195 to 199: five ticks in the window, each a crossfade into the same loaded file.
    QCOMPARE(rig.commands(), QStringList(5, "Play(5000)"));
    QCOMPARE(rig.player->Order().Current(), 1);
}

void TestPlayerController::pauseTwiceThenPlay() {
    PlayerRig rig(2);
    rig.playEntry(0);
    rig.player->Pause();
    rig.player->Pause();
    QVERIFY(rig.player->Paused);
    QVERIFY(rig.player->Playing);
    rig.player->Play();
    QCOMPARE(rig.commands(), (QStringList{"Pause(0)", "Pause(0)", "Play(1)"}));
    QVERIFY(!rig.player->Paused);
    QVERIFY(rig.player->Playing);
}

void TestPlayerController::nextAndPrevious_data() {
    QTest::addColumn<int>("current");
    QTest::addColumn<bool>("playing");
    QTest::addColumn<bool>("next");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<int>("index");

    QTest::newRow("next on the last entry, even with repeat all") << 2 << true << true << QStringList{} << 2;
    QTest::newRow("next while playing crossfades")
        << 0 << true << true << QStringList{"LoadFile(e1.mp3)", "Play(5000)"} << 1;
    QTest::newRow("next while stopped only loads")
        << 0 << false << true << QStringList{"Stop(1000)", "SetVolume(100)", "LoadFile(e1.mp3)"} << 1;
    QTest::newRow("previous on the first entry") << 0 << true << false << QStringList{} << 0;
    QTest::newRow("previous while playing")
        << 2 << true << false << QStringList{"LoadFile(e1.mp3)", "Play(5000)"} << 1;
}

void TestPlayerController::nextAndPrevious() {
    QFETCH(int, current);
    QFETCH(bool, playing);
    QFETCH(bool, next);
    QFETCH(QStringList, commands);
    QFETCH(int, index);

    PlayerRig rig(3);
    rig.settings.RepeatAll = true;
    rig.list.SelectRow(current);
    if (playing)
        rig.player->Play();
    rig.clear();
    rig.list.selections.clear();
    if (next)
        rig.player->NextTrack();
    else
        rig.player->PreviousTrack();
    if (rig.player->TimerLinearEnabled())
        rig.player->TimerLinearTimer();
    QCOMPARE(rig.commands(), commands);
    QCOMPARE(rig.player->Order().Current(), index);
    QCOMPARE(rig.player->Playing, playing);
    QVERIFY(!rig.player->TimerLinearEnabled());
    if (index != current) {
        QCOMPARE(rig.list.selections, QList<int>{index});
        QCOMPARE(rig.list.marked, index);
        QVERIFY(rig.player->TrackLoaded);
    }
}

void TestPlayerController::shuffleWhilePlayingKeepsTheEntryFirst() {
    PlayerRig rig(10);
    rig.playEntry(7);
    rig.player->ShuffleClick();
    QVERIFY(rig.settings.ShufflePlay);
    QVERIFY(rig.player->Display().ShuffleVisible);
    const std::vector<int>& order = rig.player->Order().ShuffleOrder();
    QCOMPARE(order.size(), size_t(10));
    QCOMPARE(order.front(), 7);
    QCOMPARE(rig.player->Order().ShufflePosition(), 0);
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < 10; ++i)
        QCOMPARE(sorted[size_t(i)], i);
    // Nothing new was loaded into the plug-in: the playing entry goes on.
    QVERIFY(!rig.commands().join(' ').contains("LoadFile"));
    QCOMPARE(rig.player->Order().Current(), 7);

    rig.player->ShuffleClick();
    QVERIFY(!rig.settings.ShufflePlay);
    QVERIFY(rig.player->Order().ShuffleOrder().empty());
    QVERIFY(!rig.player->Display().ShuffleVisible);
}

void TestPlayerController::shuffleWhileStoppedPreparesTheFirstEntry() {
    PlayerRig rig(10);
    rig.list.SelectRow(0);
    rig.clear();
    rig.player->ShuffleClick();
    const int first = rig.player->Order().ShuffleOrder().front();
    QCOMPARE(rig.player->Order().Current(), first);
    QCOMPARE(rig.list.marked, first);
    QVERIFY(rig.player->TrackLoaded);
    QVERIFY(rig.commands().contains(QStringLiteral("LoadFile(e%1.mp3)").arg(first)));
}

void TestPlayerController::shuffleOrderReachesEveryEntryFirst() {
    // Every entry must be able to come first; toggles in quick succession must not repeat one order.
    PlayerRig rig(4);
    QList<int> firsts(4, 0);
    for (int i = 0; i < 200; ++i) {
        rig.player->ToggleShuffle();
        firsts[rig.player->Order().ShuffleOrder().front()]++;
        rig.player->ToggleShuffle();
    }
    for (int n : firsts)
        QVERIFY2(n > 10, qPrintable(QStringLiteral("first counts %1 %2 %3 %4")
                                        .arg(firsts[0])
                                        .arg(firsts[1])
                                        .arg(firsts[2])
                                        .arg(firsts[3])));
}

void TestPlayerController::shuffleMovesOnByTheOrder() {
    PlayerRig rig(5);
    rig.playEntry(2);
    rig.player->ShuffleClick();
    const std::vector<int> order = rig.player->Order().ShuffleOrder();
    rig.clear();
    rig.script("length", 100);
    rig.script("pos", 100);
    rig.script("state", 3);
    rig.tick();
    QCOMPARE(rig.player->Order().ShufflePosition(), 1);
    QCOMPARE(rig.player->Order().Current(), order[1]);
    QCOMPARE(rig.commands(), (QStringList{QStringLiteral("LoadFile(e%1.mp3)").arg(order[1]), "Play(5000)"}));
    rig.player->PreviousTrack();
    rig.player->TimerLinearTimer();
    QCOMPARE(rig.player->Order().ShufflePosition(), 0);
    QCOMPARE(rig.player->Order().Current(), 2);
}

void TestPlayerController::shuffleCrossfadesAllButTheLastOfTheOrder() {
    // Entry 2, the last row, plays first in the shuffle order: its window crossfades into the next.
    PlayerRig rig(3);
    rig.playEntry(2);
    rig.player->ShuffleClick();
    const std::vector<int> order = rig.player->Order().ShuffleOrder();
    QCOMPARE(order.front(), 2);
    rig.clear();
    rig.script("length", 200);
    rig.script("pos", 195);
    rig.script("state", 1);
    rig.tick();
    QCOMPARE(rig.commands(), (QStringList{QStringLiteral("LoadFile(e%1.mp3)").arg(order[1]), "Play(5000)"}));
    QCOMPARE(rig.player->Order().Current(), order[1]);
    // The last of the shuffle order is played to its end, though it is not the last row.
    rig.player->NextTrack();
    rig.player->TimerLinearTimer();
    QCOMPARE(rig.player->Order().Current(), order[2]);
    QVERIFY(order[2] < 2);
    rig.clear();
    rig.script("pos", 199);
    rig.tick();
    QCOMPARE(rig.commands(), QStringList{});
    QVERIFY(rig.player->Playing);
    rig.script("pos", 200);
    rig.script("state", 3);
    rig.tick();
    QCOMPARE(rig.commands(), QStringList{"Stop(1000)"});
    QVERIFY(!rig.player->Playing);
}

void TestPlayerController::unplayablePaths_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("logo");
    const QString missing = QStringLiteral("Error! This file does not exist!");
    QTest::newRow("missing file") << "/nonexistent/gone.mp3" << missing << false;
    QTest::newRow("relative path") << "music/song.mp3" << missing << false;
    QTest::newRow("url") << "http://example.org/stream.mp3" << missing << false;
    QTest::newRow("folder") << "/tmp" << missing << false;
    QTest::newRow("no plug-in for the type") << "song.ogg"
                                             << "Error! No PlugIn for this file!" << true;
}

void TestPlayerController::unplayablePaths() {
    QFETCH(QString, entry);
    QFETCH(QString, message);
    QFETCH(bool, logo);
    PlayerRig rig(0);
    rig.addEntry(entry);
    rig.list.SelectRow(0);
    QCOMPARE(rig.player->Display().DisplayInfo, message);
    QVERIFY(!rig.player->TrackLoaded);
    QCOMPARE(rig.commands(), QStringList{});
    QCOMPARE(rig.player->Display().Artist, QStringLiteral("---"));
    if (logo)
        QCOMPARE(rig.player->Display().CoverPath, rig.folder() + "/Skins/_logo.jpg");
    QVERIFY(rig.played.isEmpty());
}

void TestPlayerController::missingEntryIsPassedWhilePlaying() {
    PlayerRig rig(1);
    rig.addEntry("/nonexistent/gone.mp3");
    rig.addEntry("e2.mp3");
    rig.playEntry(0);
    rig.script("length", 200);
    rig.script("pos", 196);
    rig.tick();
    // The old track keeps sounding: no Stop, nothing loaded.
    QCOMPARE(rig.commands(), QStringList{});
    QCOMPARE(rig.player->Display().DisplayInfo, QStringLiteral("Error! This file does not exist!"));
    QCOMPARE(rig.player->Order().Current(), 1);
    QVERIFY(rig.player->Playing);
    rig.tick();
    QCOMPARE(rig.commands(), (QStringList{"LoadFile(e2.mp3)", "Play(5000)"}));
    QCOMPARE(rig.player->Order().Current(), 2);
}

void TestPlayerController::repeatAllWithNothingPlayableStopsOnce() {
    PlayerRig rig(1);
    rig.addEntry("http://example.org/stream.mp3");
    rig.settings.RepeatAll = true;
    rig.settings.Crossfading = false;
    rig.playEntry(0);
    QVERIFY(QFile::remove(rig.path("e0.mp3")));
    rig.script("length", 100);
    rig.script("pos", 100);
    rig.script("state", 3);
    rig.tick(); // e0 ends; the URL cannot be played
    rig.tick(); // the URL is the last entry: start over, but e0 is gone as well
    QVERIFY(!rig.player->Playing);
    const QStringList afterStop = rig.commands();
    for (int i = 0; i < 10; ++i)
        rig.tick();
    QCOMPARE(rig.commands(), afterStop);
    QVERIFY(!afterStop.join(' ').contains("Play("));
    QVERIFY(!afterStop.join(' ').contains("LoadFile"));
}

namespace {
const QString NoAudio = QStringLiteral("it holds no audio this plug-in can decode");
const QRegularExpression CannotPlay(QStringLiteral("^cannot play "));
} // namespace

// A file the plug-in ends at once and says it cannot play: the title display says which file and why
// (what the file itself shows comes first), one log line, and the player stops. The message stays while
// nothing plays, until the user plays again.
void TestPlayerController::unplayableOnlyFileSaysWhyOnce_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<bool>("repeatAll");
    QTest::addColumn<QString>("why");
    QTest::newRow("damaged") << QByteArray("ID3 not audio at all") << true << false << NoAudio;
    QTest::newRow("empty") << QByteArray() << true << false << QStringLiteral("the file is empty");
    QTest::newRow("damaged, repeat all") << QByteArray("xyz") << true << true << NoAudio;
    if (::geteuid() != 0) // root reads every file
        QTest::newRow("unreadable") << QByteArray("xyz") << false << false
                                    << QStringLiteral("it cannot be read (Permission denied)");
}

void TestPlayerController::unplayableOnlyFileSaysWhyOnce() {
    QFETCH(QByteArray, content);
    QFETCH(bool, readable);
    QFETCH(bool, repeatAll);
    QFETCH(QString, why);
    PlayerRig rig(1);
    writeFile(rig.path("e0.mp3"), content);
    rig.settings.RepeatAll = repeatAll;
    rig.playEntry(0);
    if (!readable)
        QVERIFY(QFile::setPermissions(rig.path("e0.mp3"), QFileDevice::WriteOwner));
    rig.script("state", 3);
    rig.scriptText("loaderror", NoAudio);
    QTest::failOnWarning(CannotPlay);
    QTest::ignoreMessage(QtWarningMsg, CannotPlay);
    for (int i = 0; i < 80; ++i)
        rig.tick();
    QVERIFY(!rig.player->Playing);
    QCOMPARE(rig.player->Display().DisplayInfo.trimmed(), QStringLiteral("Cannot play e0.mp3: ") + why);
    QCOMPARE(rig.commands(), QStringList{"Stop(1000)"});

    // Play tries the file again: the message goes, and comes back once when it fails again.
    QTest::ignoreMessage(QtWarningMsg, CannotPlay);
    rig.player->Play();
    QCOMPARE(rig.player->Display().DisplayInfo, QStringLiteral("e0"));
    rig.tick();
    QVERIFY(!rig.player->Playing);
    QCOMPARE(rig.player->Display().DisplayInfo.trimmed(), QStringLiteral("Cannot play e0.mp3: ") + why);
}

// The list goes on past a file that cannot be played; the message shows for 5 s of the next file's
// play, then its title comes back. A file that ends normally is not reported.
void TestPlayerController::unplayableEntryIsPassedAndNamed() {
    PlayerRig rig(3);
    writeFile(rig.path("e1.mp3"), "not audio");
    rig.settings.Crossfading = false;
    rig.playEntry(0);
    rig.script("state", 3);
    QTest::failOnWarning(CannotPlay);
    rig.tick(); // e0 ends normally
    QCOMPARE(rig.commands(), (QStringList{"LoadFile(e1.mp3)", "Play(0)"}));
    QCOMPARE(rig.player->Display().DisplayInfo, QStringLiteral("e1"));
    rig.clear();

    rig.scriptText("loaderror", NoAudio);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^cannot play .*/e1.mp3: " + NoAudio));
    rig.tick(); // e1 cannot be played
    QCOMPARE(rig.commands(), (QStringList{"LoadFile(e2.mp3)", "Play(0)"}));
    QCOMPARE(rig.player->Order().Current(), 2);
    const QString notice = QStringLiteral("Cannot play e1.mp3: ") + NoAudio;
    QCOMPARE(rig.player->Display().DisplayInfo.trimmed(), notice);
    QVERIFY(rig.player->Playing);
    rig.clear();

    rig.scriptText("loaderror", QString());
    rig.script("state", 1);
    rig.script("length", 200);
    for (int i = 0; i < 10; ++i)
        rig.tick();
    QCOMPARE(rig.player->Display().DisplayInfo.trimmed(), notice);
    for (int i = 0; i < 60; ++i)
        rig.tick();
    QCOMPARE(rig.player->Display().DisplayInfo, QStringLiteral("e2"));
    QCOMPARE(rig.commands(), QStringList{});
}

// Every entry fails: each is tried once and named once, whatever the repeat mode, then the player
// stops instead of going round (repeat all) or trying the same file again (repeat one).
void TestPlayerController::listOfUnplayableFilesStops_data() {
    QTest::addColumn<bool>("repeatAll");
    QTest::addColumn<bool>("repeatOne");
    QTest::addColumn<bool>("shuffle");
    QTest::newRow("no repeat") << false << false << false;
    QTest::newRow("repeat all") << true << false << false;
    QTest::newRow("repeat one") << false << true << false;
    QTest::newRow("repeat all, shuffle") << true << false << true;
}

void TestPlayerController::listOfUnplayableFilesStops() {
    QFETCH(bool, repeatAll);
    QFETCH(bool, repeatOne);
    QFETCH(bool, shuffle);
    PlayerRig rig(3);
    rig.settings.RepeatAll = repeatAll;
    rig.settings.RepeatOne = repeatOne;
    rig.settings.ShufflePlay = shuffle;
    rig.playEntry(0);
    rig.script("state", 3);
    rig.scriptText("loaderror", NoAudio);
    QTest::failOnWarning(CannotPlay);
    for (int i = 0; i < 3; ++i)
        QTest::ignoreMessage(QtWarningMsg, CannotPlay);
    for (int i = 0; i < 100; ++i)
        rig.tick();
    QVERIFY(!rig.player->Playing);
    const QStringList commands = rig.commands();
    QCOMPARE(commands.filter("LoadFile(").size(), 2); // e0 was loaded before the log was cleared
    QCOMPARE(commands.filter("Play(").size(), 2);
    QVERIFY(rig.player->Display().DisplayInfo.contains(QStringLiteral("Cannot play e")));
}

void TestPlayerController::selectionPreparesOnlyWhenStopped_data() {
    QTest::addColumn<QString>("situation");
    QTest::addColumn<bool>("prepares");
    QTest::newRow("stopped") << "stopped" << true;
    QTest::newRow("playing") << "playing" << false;
    QTest::newRow("paused") << "paused" << false;
    QTest::newRow("list busy") << "busy" << false;
    QTest::newRow("two rows selected") << "two" << false;
    QTest::newRow("closing") << "closing" << false;
}

void TestPlayerController::selectionPreparesOnlyWhenStopped() {
    QFETCH(QString, situation);
    QFETCH(bool, prepares);
    PlayerRig rig(3);
    if (situation == "playing" || situation == "paused")
        rig.playEntry(0);
    if (situation == "paused")
        rig.player->Pause();
    rig.list.busy = situation == "busy";
    rig.player->Closing = situation == "closing";
    rig.clear();
    rig.player->PlaylistSelectionChanged(2, situation == "two" ? 2 : 1);
    QCOMPARE(rig.player->Order().Current(), prepares ? 2 : (rig.player->Playing ? 0 : -1));
    QCOMPARE(rig.commands().join(' ').contains("LoadFile(e2.mp3)"), prepares);
    QCOMPARE(rig.player->TrackLoaded, prepares || rig.player->Playing);
}

void TestPlayerController::busyListPreparesNothing() {
    PlayerRig rig(3);
    rig.playEntry(0);
    rig.list.busy = true;
    rig.player->NextTrack();
    rig.player->TimerLinearTimer();
    QCOMPARE(rig.commands(), QStringList{});
    QCOMPARE(rig.player->Order().Current(), 1);
    rig.list.busy = false;
    rig.player->PlaylistDoubleClick(2);
    QCOMPARE(rig.commands(), (QStringList{"LoadFile(e2.mp3)", "Play(5000)"}));
}

void TestPlayerController::doubleClickCrossfadesIntoTheEntry() {
    PlayerRig rig(4);
    rig.settings.ShufflePlay = false;
    rig.playEntry(0);
    rig.player->PlaylistDoubleClick(3);
    QCOMPARE(rig.commands(), (QStringList{"LoadFile(e3.mp3)", "Play(5000)"}));
    QCOMPARE(rig.player->Order().Current(), 3);
    QCOMPARE(rig.list.marked, 3);
    QCOMPARE(rig.player->Display().Track, (TrackDigits{Blank, 0, 0, 4}));
}

void TestPlayerController::doubleClickSwapsTheShuffleOrder() {
    PlayerRig rig(6);
    rig.playEntry(0);
    rig.player->ShuffleClick();
    rig.player->NextTrack();
    rig.player->TimerLinearTimer();
    QCOMPARE(rig.player->Order().ShufflePosition(), 1);
    std::vector<int> order = rig.player->Order().ShuffleOrder();
    const int target = order[4];
    rig.player->PlaylistDoubleClick(target);
    // The double-clicked entry takes the current place in the order; the one there takes its place.
    std::swap(order[1], order[4]);
    QCOMPARE(rig.player->Order().ShuffleOrder(), order);
    QCOMPARE(rig.player->Order().Current(), target);
    QCOMPARE(rig.player->Order().ShufflePosition(), 1);
}

void TestPlayerController::playWithNothingPreparedThenDoubleClick() {
    PlayerRig rig(3);
    rig.player->Play();
    QVERIFY(rig.player->Playing);
    QCOMPARE(rig.commands(), QStringList{});
    rig.player->PlaylistDoubleClick(1);
    // Playing is already set, so the same plug-in is kept and the entry comes in with the crossfade time.
    QCOMPARE(rig.commands(), (QStringList{"LoadFile(e1.mp3)", "Play(5000)"}));
    QVERIFY(rig.player->TrackLoaded);
    QVERIFY(rig.player->DisplayTimerEnabled());
}

void TestPlayerController::shutDownStopsAndIgnoresSelections() {
    PlayerRig rig(3);
    rig.playEntry(0);
    rig.player->BeginShutDown();
    QVERIFY(rig.player->Closing);
    rig.player->Playing = false; // even a stopped player prepares nothing now
    rig.list.SelectRow(2);
    QCOMPARE(rig.commands(), QStringList{"Stop(1000)"});
    QCOMPARE(rig.player->Order().Current(), 0);
}

void TestPlayerController::failedDoubleClickStopsThePlayerState() {
    PlayerRig rig(1);
    rig.addEntry("/nonexistent/gone.mp3");
    rig.playEntry(0);
    QVERIFY(rig.player->DisplayTimerEnabled());
    rig.player->PlaylistDoubleClick(1);
    QCOMPARE(rig.commands(), QStringList{}); // the plug-in is not stopped
    QVERIFY(!rig.player->Playing);
    QVERIFY(!rig.player->TrackLoaded);
    QVERIFY(!rig.player->DisplayTimerEnabled());
}

void TestPlayerController::doubleClickWhileStoppedPlays() {
    PlayerRig rig(3);
    rig.list.SelectRow(2);
    rig.clear();
    rig.player->PlaylistDoubleClick(2);
    QCOMPARE(rig.commands(), QStringList{"Play(2000)"});
    QVERIFY(rig.player->Playing);
    QVERIFY(rig.player->DisplayTimerEnabled());
}

void TestPlayerController::trackDigits_data() {
    QTest::addColumn<int>("currentIndex");
    QTest::addColumn<bool>("cd");
    QTest::addColumn<TrackDigits>("digits");
    QTest::newRow("no entry") << -1 << false << TrackDigits{Blank, 0, 0, 0};
    QTest::newRow("entry 1") << 0 << false << TrackDigits{Blank, 0, 0, 1};
    QTest::newRow("entry 123") << 122 << false << TrackDigits{Blank, 1, 2, 3};
    QTest::newRow("entry 1000") << 999 << false << TrackDigits{1, 0, 0, 0};
    QTest::newRow("entry 9999") << 9998 << false << TrackDigits{9, 9, 9, 9};
    QTest::newRow("entry 10000") << 9999 << false << TrackDigits{9, 9, 9, 9};
    QTest::newRow("entry 12345") << 12344 << false << TrackDigits{9, 9, 9, 9};
    QTest::newRow("cd track 12") << 11 << true << TrackDigits{Blank, 0, 1, 2};
}

void TestPlayerController::trackDigits() {
    QFETCH(int, currentIndex);
    QFETCH(bool, cd);
    QFETCH(TrackDigits, digits);
    PlayerRig rig(0);
    if (cd) {
        rig.player->OpenCd(0);
        rig.player->CurrentCdTrack = currentIndex;
    } else {
        rig.list.order.SetCurrent(currentIndex);
    }
    rig.player->UpdateTrackNumber();
    QCOMPARE(rig.player->Display().Track, digits);
}

void TestPlayerController::timeDigits_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<TimeDigits>("digits");
    QTest::newRow("zero") << 0 << TimeDigits{Blank, 0, 0, 0, 0};
    QTest::newRow("59 s") << 59 << TimeDigits{Blank, 0, 0, 5, 9};
    QTest::newRow("61 minutes 5 s") << 61 * 60 + 5 << TimeDigits{Blank, 6, 1, 0, 5};
    QTest::newRow("100 minutes") << 6000 << TimeDigits{1, 0, 0, 0, 0};
    QTest::newRow("999:59") << 999 * 60 + 59 << TimeDigits{9, 9, 9, 5, 9};
    QTest::newRow("1000 minutes wrap") << 60000 << TimeDigits{0, 0, 0, 0, 0};
    QTest::newRow("negative shows zero") << -7 << TimeDigits{Blank, 0, 0, 0, 0};
}

void TestPlayerController::timeDigits() {
    QFETCH(int, seconds);
    QFETCH(TimeDigits, digits);
    QCOMPARE(TimeToDigits(seconds), digits);
}

void TestPlayerController::tickShowsLengthPositionAndFading() {
    PlayerRig rig(2);
    rig.playEntry(1); // the last entry: no crossfade window
    rig.script("length", 61 * 60 + 5);
    rig.script("pos", 61);
    rig.script("fading", 1);
    rig.tick();
    const PlayerDisplay& d = rig.player->Display();
    QCOMPARE(d.Length, (TimeDigits{Blank, 6, 1, 0, 5}));
    QCOMPARE(d.Elapsed, (TimeDigits{Blank, 0, 1, 0, 1}));
    QCOMPARE(d.SliderMax, 3665);
    QCOMPARE(d.SliderPos, 61);
    QVERIFY(d.FadingVisible);
    QCOMPARE(d.Track, (TrackDigits{Blank, 0, 0, 2}));
    QCOMPARE(d.DisplayInfo, QStringLiteral("e1"));
    QVERIFY(d.DSVisible);

    rig.script("fading", 0);
    rig.player->Stop();
    rig.tick();
    QVERIFY(!rig.player->Display().FadingVisible);
    QCOMPARE(rig.player->Display().Elapsed, (TimeDigits{Blank, 0, 0, 0, 0}));
    QCOMPARE(rig.player->Display().SliderPos, 0);
    // Nothing sounds any more: that tick drew the stopped display and switched the timer off.
    QVERIFY(!rig.player->DisplayTimerEnabled());
}

// Steps "action:timer": after each action the display timer must run (1) or not (0).
void TestPlayerController::displayTimerRunsOnlyWithSomethingToFollow_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("nothing played") << QStringList{"tick:0", "select1:0", "tick:0"};
    QTest::newRow("stop without a fade") << QStringList{"play:1", "tick:1", "stop:1", "tick:0", "tick:0"};
    QTest::newRow("stop fade sounds on until it is over")
        << QStringList{"play:1", "fading:1", "stop:1", "tick:1", "tick:1", "silent:1", "tick:0"};
    QTest::newRow("paused") << QStringList{"play:1", "pause:1", "tick:1", "tick:1"};
    QTest::newRow("play again after the timer stopped")
        << QStringList{"play:1", "stop:1", "tick:0", "play:1", "tick:1"};
    QTest::newRow("next entry chosen while stopped")
        << QStringList{"play:1", "stop:1", "tick:0", "next:0", "tick:0"};
    QTest::newRow("next entry while playing") << QStringList{"play:1", "next:1", "tick:1"};
    QTest::newRow("CD player open and stopped")
        << QStringList{"cd:1", "tick:1", "tick:1", "closecd:1", "tick:0"};
}

void TestPlayerController::displayTimerRunsOnlyWithSomethingToFollow() {
    QFETCH(QStringList, steps);
    PlayerRig rig(3);
    rig.cd.count = 2;
    rig.script("length", 200);
    rig.script("pos", 10);
    for (const QString& step : steps) {
        const QString action = step.section(':', 0, 0);
        const bool running = step.section(':', 1) == "1";
        if (action == "play") {
            rig.playEntry(0);
            rig.script("state", 1);
        } else if (action == "select1") {
            rig.list.SelectRow(1);
        } else if (action == "stop") {
            rig.player->Stop();
        } else if (action == "pause") {
            rig.player->Pause();
        } else if (action == "next") {
            rig.player->NextTrack();
        } else if (action == "fading" || action == "silent") {
            rig.script("fading", action == "fading");
        } else if (action == "cd") {
            rig.player->OpenCd(0);
        } else if (action == "closecd") {
            rig.player->CloseCd();
        } else if (action == "tick") {
            rig.tick();
        }
        QVERIFY2(rig.player->DisplayTimerEnabled() == running, qPrintable(step));
    }
}

void TestPlayerController::oneTickAsksThePlugInOnce() {
    // Answers given at different moments of one tick could disagree (a position past the length).
    PlayerRig rig(3);
    rig.settings.Crossfading = true;
    rig.playEntry(0);
    rig.script("length", 200);
    rig.script("pos", 10);
    rig.clear();
    rig.tick();
    for (const char* query : {"GetState", "GetPos", "GetLength", "GetNowFading"})
        QVERIFY2(rig.queries(query).size() == 1, query);
}

void TestPlayerController::volume_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("expected");
    QTest::newRow("97 up") << 97 << "up" << 100;
    QTest::newRow("96 up") << 96 << "up" << 100;
    QTest::newRow("95 up") << 95 << "up" << 100;
    QTest::newRow("90 up") << 90 << "up" << 95;
    QTest::newRow("100 up") << 100 << "up" << 100;
    QTest::newRow("3 down") << 3 << "down" << 0;
    QTest::newRow("5 down") << 5 << "down" << 0;
    QTest::newRow("50 down") << 50 << "down" << 45;
    QTest::newRow("0 down") << 0 << "down" << 0;
    QTest::newRow("50 mute") << 50 << "mute" << 0;
}

void TestPlayerController::volume() {
    QFETCH(int, start);
    QFETCH(QString, op);
    QFETCH(int, expected);
    PlayerRig rig(1);
    rig.list.SelectRow(0);
    rig.player->VolumeBarChange(start);
    rig.clear();
    if (op == "up")
        rig.player->VolumeUp();
    else if (op == "down")
        rig.player->VolumeDown();
    else
        rig.player->VolumeMute();
    QCOMPARE(rig.player->Display().VolumeBar, expected);
    QCOMPARE(rig.settings.PlayVolume, expected);
    QCOMPARE(rig.player->Display().VolLabel, QStringLiteral("Volume:%1%").arg(expected));
    // The plug-in hears of a change only.
    QCOMPARE(rig.commands(),
             expected == start ? QStringList{} : QStringList{QStringLiteral("SetVolume(%1)").arg(expected)});
}

void TestPlayerController::jumps_data() {
    QTest::addColumn<int>("amount");
    QTest::addColumn<QString>("command");
    QTest::newRow("-10 at second 3 is not clamped") << -10 << "SetPos(-7)";
    QTest::newRow("+5") << 5 << "SetPos(8)";
    QTest::newRow("beginning") << 0 << "SetPos(0)";
}

void TestPlayerController::jumps() {
    QFETCH(int, amount);
    QFETCH(QString, command);
    PlayerRig rig(1);
    rig.playEntry(0);
    rig.script("pos", 3);
    rig.player->JumpBy(amount);
    QCOMPARE(rig.commands(), QStringList{command});
}

void TestPlayerController::sliderDrag() {
    PlayerRig rig(1);
    rig.list.SelectRow(0);
    rig.clear();
    // Stopped: the slider snaps back and the plug-in is left alone.
    rig.player->SliderMouseDown();
    rig.player->SliderMouseUp(50);
    QCOMPARE(rig.player->Display().SliderPos, 0);
    QCOMPARE(rig.commands(), QStringList{});

    rig.player->Play();
    rig.script("length", 300);
    rig.script("pos", 10);
    rig.tick();
    rig.clear();
    rig.player->SliderMouseDown();
    rig.tick(); // held: the plug-in's position does not move the slider
    QCOMPARE(rig.player->Display().SliderPos, 10);
    rig.player->SliderMouseUp(120);
    QCOMPARE(rig.commands(), QStringList{"SetPos(120)"});
    QVERIFY(!rig.player->Dragging);
    rig.tick(); // the first tick after a drag leaves the slider where it was dropped
    QCOMPARE(rig.player->Display().SliderPos, 120);
    rig.tick();
    QCOMPARE(rig.player->Display().SliderPos, 10);
}

void TestPlayerController::cdModeSendsCdCommandsOnly() {
    PlayerRig rig(3);
    rig.cd.count = 4;
    rig.player->OpenCd(1);
    QVERIFY(rig.player->DisplayTimerEnabled());
    rig.player->CurrentCdTrack = 2;
    rig.player->Play();
    rig.player->Pause();
    rig.player->Stop();
    // Opening the CD stops the file plug-in at once; then only CD commands go out.
    QCOMPARE(rig.commands(), (QStringList{"Stop(0)", "PlayCDTrack(1,2,play)", "PlayCDTrack(1,2,pause)",
                                          "PlayCDTrack(1,2,stop)"}));
    QVERIFY(!rig.player->Playing);

    rig.clear();
    rig.player->Play();
    rig.player->NextTrack();
    QCOMPARE(rig.player->CurrentCdTrack, 3);
    QCOMPARE(rig.cd.selected, 3);
    QCOMPARE(rig.cd.marked, 3);
    rig.player->NextTrack(); // the last track
    rig.player->PreviousTrack();
    QCOMPARE(rig.commands(),
             (QStringList{"PlayCDTrack(1,2,play)", "PlayCDTrack(1,3,play)", "PlayCDTrack(1,2,play)"}));

    // End of a CD track moves to the next one; the crossfade window is not used on a CD.
    rig.clear();
    rig.script("state", 1); // playing
    rig.script("length", 200);
    rig.script("pos", 198);
    rig.tick();
    QCOMPARE(rig.commands(), QStringList{});
    QCOMPARE(rig.player->Display().DisplayInfo, QStringLiteral("Track 3"));
    rig.script("state", 3);
    rig.tick();
    QCOMPARE(rig.commands(), QStringList{"PlayCDTrack(1,3,play)"});
    rig.tick(); // the last track ends: nothing more
    QCOMPARE(rig.player->Display().Track, (TrackDigits{Blank, 0, 0, 4}));
    QCOMPARE(rig.commands(), QStringList{"PlayCDTrack(1,3,play)"});
    QCOMPARE(rig.player->Order().Current(), -1);
}

// The disc image goes while a CD track plays: the CD plug-in stops by itself. The player stops too and
// says why, and an entry of the playlist plays with its own plug-in.
void TestPlayerController::unreadableCdStopsAndTheNextFilePlays() {
    PlayerRig rig(2);
    rig.cd.count = 3;
    rig.player->OpenCd(1);
    rig.player->Play();
    rig.script("state", 1);
    rig.script("length", 200);
    rig.script("pos", 20);
    rig.tick();
    QVERIFY(rig.player->Playing);
    rig.script("state", 0);
    rig.script("pos", 0);
    rig.tick();
    QVERIFY(!rig.player->Playing);
    QCOMPARE(rig.player->Display().DisplayInfo, QStringLiteral("Error! This CD track cannot be read!"));
    rig.tick();
    QCOMPARE(rig.player->Display().DisplayInfo, QStringLiteral("Error! This CD track cannot be read!"));

    rig.clear();
    rig.script("state", 1);
    rig.player->PlaylistDoubleClick(1);
    QVERIFY(!rig.player->CdMode);
    QVERIFY(rig.player->Playing);
    // The stopped CD plug-in is let go, the entry's plug-in loads it and plays with the play fade.
    QCOMPARE(rig.commands(), (QStringList{"Stop(1000)", "SetVolume(255)", "LoadFile(e1.mp3)", "Play(2000)"}));
    rig.script("pos", 30);
    rig.tick();
    QCOMPARE(rig.player->Display().SliderPos, 30);
    QCOMPARE(rig.player->Order().Current(), 1);
}

void TestPlayerController::indexMarksFollowAndJump() {
    PlayerRig rig(2);
    writeFile(rig.path("e0.mp3.idx"), "Intro\r\n0\r\nMiddle\r\n0060\r\nEnd\r\n0120\r\n");
    rig.playEntry(0);
    QVERIFY(rig.player->MarksLoaded);
    QCOMPARE(rig.player->CurrentMark, 1);
    rig.script("length", 600);
    rig.script("pos", 130);
    rig.tick();
    QCOMPARE(rig.player->Display().IndexNumber, 2);
    QCOMPARE(rig.player->Display().DisplayInfo, QStringLiteral("Middle"));
    QVERIFY(rig.player->Display().IndexVisible);
    rig.tick();
    QCOMPARE(rig.player->Display().IndexNumber, 3);
    QCOMPARE(rig.player->Display().DisplayInfo, QStringLiteral("End"));

    // Previous: 1 s into mark 3 goes to mark 2; 5 s into mark 3 back to its start.
    rig.script("pos", 121);
    rig.player->PreviousTrack();
    QCOMPARE(rig.player->CurrentMark, 2);
    rig.player->CurrentMark = 3;
    rig.script("pos", 125);
    rig.player->PreviousTrack();
    QCOMPARE(rig.player->CurrentMark, 3);
    QCOMPARE(rig.commands(), (QStringList{"SetPos(60)", "SetPos(120)"}));

    // Next jumps between marks, and past the last mark to the next entry.
    rig.clear();
    rig.player->CurrentMark = 2;
    rig.player->NextTrack();
    QCOMPARE(rig.player->CurrentMark, 3);
    QCOMPARE(rig.commands(), QStringList{"SetPos(120)"});
    QVERIFY(!rig.player->TimerLinearEnabled());
    rig.player->NextTrack();
    QVERIFY(rig.player->TimerLinearEnabled());
    rig.player->TimerLinearTimer();
    QCOMPARE(rig.player->Order().Current(), 1);
    QVERIFY(!rig.player->MarksLoaded);
    rig.tick();
    QVERIFY(!rig.player->Display().IndexVisible);
}

void TestPlayerController::deletingTheIndexFileShowsTheTitleAgain() {
    PlayerRig rig(1);
    writeFile(rig.path("e0.mp3.idx"), "A\r\n0\r\nB\r\n0010\r\n");
    rig.playEntry(0);
    rig.script("pos", 12);
    rig.tick();
    QCOMPARE(rig.player->Display().DisplayInfo, QStringLiteral("B"));
    rig.player->DeleteIndexFile();
    QVERIFY(!QFile::exists(rig.path("e0.mp3.idx")));
    QCOMPARE(rig.player->Display().DisplayInfo, QStringLiteral("e0"));
    QVERIFY(!rig.player->Display().IndexVisible);
    QCOMPARE(rig.player->CurrentMark, 1);
    rig.tick();
    QCOMPARE(rig.player->Display().DisplayInfo, QStringLiteral("e0"));
}

void TestPlayerController::damagedIndexFileShowsNoMarks() {
    PlayerRig rig(1);
    writeFile(rig.path("e0.mp3.idx"), "only a name\r\nnot a number\r\ndangling\r\n");
    rig.playEntry(0);
    QVERIFY(!rig.player->MarksLoaded);
    rig.script("pos", 5);
    rig.tick();
    QVERIFY(!rig.player->Display().IndexVisible);
    QCOMPARE(rig.player->Display().DisplayInfo, QStringLiteral("e0"));
    rig.player->NextTrack(); // no phantom mark to jump to
    QCOMPARE(rig.commands(), QStringList{});
}

void TestPlayerController::settingAMarkPausesAndResumes() {
    PlayerRig rig(1);
    // No position yet: nothing to mark.
    rig.playEntry(0);
    QVERIFY(rig.player->BeginSetIndex().empty());

    rig.script("length", 300);
    rig.script("pos", 42);
    rig.tick();
    rig.clear();
    const std::string target = rig.player->BeginSetIndex();
    QCOMPARE(QString::fromStdString(target), rig.path("e0.mp3.idx"));
    IndexEditor editor(target, rig.player->Display().SliderPos);
    std::optional<int> mark = editor.Save();
    QCOMPARE(mark, std::optional<int>(2));
    rig.player->EndSetIndex(*mark);
    QVERIFY(rig.player->MarksLoaded);
    QCOMPARE(rig.player->CurrentMark, 2);
    QCOMPARE(rig.player->IndexMarks.size(), size_t(2));
    QCOMPARE(rig.commands(), (QStringList{"Pause(0)", "Play(5000)"}));
    QCOMPARE(QString::fromStdString(rig.player->EditIndexTarget()), rig.path("e0.mp3.idx"));
}

void TestPlayerController::longTitlesEnterFromTheRight() {
    PlayerRig rig(0);
    const QString name41(41, 'a');
    const QString name42(42, 'b');
    rig.addEntry(name41 + ".mp3");
    rig.addEntry(name42 + ".mp3");
    rig.list.SelectRow(0);
    QCOMPARE(rig.player->Display().DisplayInfo, name41);
    rig.list.SelectRow(1);
    QCOMPARE(rig.player->Display().DisplayInfo, QString(41, ' ') + name42);
}

void TestPlayerController::libraryPlayUsesTheLibraryFields() {
    PlayerRig rig(2);
    rig.list.SelectRow(1);
    rig.clear();
    PlayerEntryList::Entry file;
    file.Path = rig.path("lib.wav").toStdString();
    writeFile(rig.path("lib.wav"), "");
    file.Artist = "Artist";
    file.Album = "";
    file.Year = "1999";
    rig.player->PlayLibraryFile(file);
    QCOMPARE(rig.player->Order().Current(), -1);
    QCOMPARE(rig.list.marked, -1);
    QVERIFY(rig.player->Playing);
    QVERIFY(!rig.player->PlayFromLibrary);
    QCOMPARE(rig.commands(),
             (QStringList{"Stop(1000)", "SetVolume(100)", "LoadFile(lib.wav)", "Play(2000)"}));
    QCOMPARE(rig.player->Display().Artist, QStringLiteral("Artist"));
    QCOMPARE(rig.player->Display().Album, QStringLiteral("---"));
    QCOMPARE(rig.player->Display().Year, QStringLiteral("1999"));
    QCOMPARE(rig.played.last(), rig.path("lib.wav"));
}

void TestPlayerController::coverPicture() {
    PlayerRig rig(1);
    rig.addEntry("song.wav");
    rig.addEntry("song.MP3");
    QStringList asked;
    rig.extractCover = [&](const std::string& path, const std::string& folder) {
        asked << QString::fromStdString(path).section('/', -1);
        writeFile(QString::fromStdString(folder) + "/temp.jpg", "jpeg");
        return QString::fromStdString(path).endsWith("MP3");
    };
    const QString logo = rig.folder() + "/Skins/_logo.jpg";
    rig.list.SelectRow(1); // only MP3 files carry a cover
    QCOMPARE(rig.player->Display().CoverPath, logo);
    QVERIFY(rig.player->Display().CoverVisible);
    rig.list.SelectRow(2); // the extension in any case
    QCOMPARE(rig.player->Display().CoverPath, rig.folder() + "/temp.jpg");
    rig.list.SelectRow(0); // an MP3 without a picture: the old temp.jpg is not shown
    QCOMPARE(rig.player->Display().CoverPath, logo);
    QCOMPARE(asked, (QStringList{"song.MP3", "e0.mp3"}));

    // Every preparation tells the window to read the picture again, though temp.jpg keeps its name.
    const int version = rig.player->Display().CoverVersion;
    rig.list.SelectRow(2);
    rig.list.SelectRow(2);
    QCOMPARE(rig.player->Display().CoverVersion, version + 2);
    rig.tick();
    QCOMPARE(rig.player->Display().CoverVersion, version + 2);
}

void TestPlayerController::clearedListLeavesNoCurrentEntry_data() {
    QTest::addColumn<bool>("playing");
    QTest::newRow("stopped") << false;
    QTest::newRow("playing") << true;
}

void TestPlayerController::clearedListLeavesNoCurrentEntry() {
    QFETCH(bool, playing);
    PlayerRig rig(3);
    rig.settings.ShufflePlay = false;
    rig.player->ShuffleClick();
    QVERIFY(!rig.player->Order().ShuffleOrder().empty());
    if (playing)
        rig.playEntry(1);
    else
        rig.list.SelectRow(1);
    rig.list.entries.clear();
    rig.clear();
    rig.player->PlaylistCleared();
    const PlayerDisplay& d = rig.player->Display();
    QCOMPARE(rig.player->Order().Current(), -1);
    QCOMPARE(rig.player->Order().ShufflePosition(), 0);
    QVERIFY(rig.player->Order().ShuffleOrder().empty());
    QCOMPARE(d.Track, TrackNumberDigits(0, false));
    QCOMPARE(d.Artist, QStringLiteral("---"));
    QVERIFY(rig.commands().isEmpty()); // a playing track plays on
    QCOMPARE(rig.player->Playing, playing);
    QCOMPARE(rig.player->TrackLoaded, playing);
    if (!playing) {
        QCOMPARE(d.DisplayInfo, QStringLiteral("No title selected..."));
        QCOMPARE(d.Elapsed, (TimeDigits{0, 0, 0, 0, 0}));
        QCOMPARE(d.CoverPath, rig.folder() + "/Skins/_logo.jpg");
    }
}

void TestPlayerController::noPlugInReadyTouchesNothing() {
    PlayerRig rig(2, false);
    rig.list.SelectRow(0);
    QCOMPARE(rig.player->Display().DisplayInfo, QStringLiteral("Error! No PlugIn for this file!"));
    rig.player->Play();
    QVERIFY(rig.player->Playing); // Play with nothing prepared only sets Playing
    QVERIFY(!rig.player->DisplayTimerEnabled());
    rig.player->DisplayTimerTimer();
    rig.player->NextTrack();
    rig.player->TimerLinearTimer();
    rig.player->Stop();
    QVERIFY(!rig.player->Playing);
}

void TestPlayerController::repeatLabels() {
    PlayerRig rig(0);
    QCOMPARE(rig.player->Display().RepeatLabel, QString());
    rig.player->RepeatAllClick();
    QCOMPARE(rig.player->Display().RepeatLabel, QStringLiteral("repeat"));
    rig.player->RepeatOneClick();
    QVERIFY(!rig.settings.RepeatAll);
    QCOMPARE(rig.player->Display().RepeatLabel, QStringLiteral("repeat1"));
    rig.player->RepeatOneClick();
    QCOMPARE(rig.player->Display().RepeatLabel, QString());
}

void TestPlayerController::plugInSwitchTakesTheCurrentSettings() {
    PlayerRig rig(2);
    rig.settings.StopTime = 300;
    rig.settings.StopFade = false; // the switch fades out by StopTime all the same
    rig.settings.DirectSound = false;
    rig.player->VolumeBarChange(35);
    rig.list.SelectRow(1);
    QCOMPARE(rig.commands(), (QStringList{"Stop(300)", "SetVolume(35)", "LoadFile(e1.mp3)"}));
    QCOMPARE(rig.queries("SetOutputMode").size(), 1);
    QVERIFY(rig.queries("SetOutputMode").first().endsWith("SetOutputMode(1)"));
}

QTEST_GUILESS_MAIN(TestPlayerController)
#include "tst_playercontroller.moc"
