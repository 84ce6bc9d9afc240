// The entry list driven through the real player controller and the recording plug-in: columns,
// selection, play, delete, clear, add, shuffle and the model notifications.
#include "PlaylistColumns.h"
#include "PlaylistRig.h"

#include <QtTest>

#include <algorithm>
#include <numeric>
#include <utility>

using namespace larkspin;
using namespace larkspin::test;

namespace {

bool IsPermutation(std::vector<int> order, int count) {
    std::sort(order.begin(), order.end());
    std::vector<int> all(static_cast<std::size_t>(count));
    std::iota(all.begin(), all.end(), 0);
    return order == all;
}

} // namespace

class TestPlaylist : public QObject {
    Q_OBJECT

private slots:
    void columnsFromRowSettings_data() {
        QTest::addColumn<QList<int>>("rows"); // Row1..Row10
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QList<int>>("widths");
        QTest::newRow("defaults") << QList<int>{0, 1, 2, 11, 11, 11, 11, 11, 11, 11}
                                  << QStringList{"Artist", "Title", "Length"} << QList<int>{120, 150, 50};
        QTest::newRow("title, artist, path")
            << QList<int>{1, 0, 10, 11, 11, 11, 11, 11, 11, 11} << QStringList{"Title", "Artist", "Path"}
            << QList<int>{150, 120, 300};
        QTest::newRow("artist twice")
            << QList<int>{0, 1, 0, 11, 11, 11, 11, 11, 11, 11} << QStringList{"Artist", "Title", "Artist"}
            << QList<int>{120, 150, 120};
        QTest::newRow("all ten") << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}
                                 << QStringList{"Artist", "Title", "Length",  "Album", "Bitrate",
                                                "Year",   "Style", "Comment", "Track", "Size"}
                                 << QList<int>{120, 150, 50, 120, 60, 50, 50, 90, 50, 60};
    }
    void columnsFromRowSettings() {
        QFETCH(QList<int>, rows);
        QFETCH(QStringList, captions);
        QFETCH(QList<int>, widths);
        Settings s;
        int32_t* row[] = {&s.Row1, &s.Row2, &s.Row3, &s.Row4, &s.Row5,
                          &s.Row6, &s.Row7, &s.Row8, &s.Row9, &s.Row10};
        for (int i = 0; i < 10; ++i)
            *row[i] = rows[i];
        QStringList gotCaptions;
        QList<int> gotWidths;
        for (int field : ColumnFields(s)) {
            gotCaptions << QString::fromStdString(FieldCaption(field));
            gotWidths << FieldWidth(s, field);
        }
        QCOMPARE(gotCaptions, captions);
        QCOMPARE(gotWidths, widths);
    }

    void storeColumnWidthsLaterColumnWins() {
        Settings s;
        s.Row3 = 0; // Artist, Title, Artist
        StoreColumnWidths(s, {80, 200, 95});
        QCOMPARE(s.ArtistWidth, 95);
        QCOMPARE(s.TitleWidth, 200);
        QCOMPARE(s.LengthWidth, 50);
        StoreColumnWidths(s, {70}); // fewer widths than columns: the rest keep theirs
        QCOMPARE(s.ArtistWidth, 70);
        QCOMPARE(s.TitleWidth, 200);
    }

    void cellsFollowTheColumns() {
        PlaylistRig r;
        r.rig.settings.Row1 = 1;
        r.rig.settings.Row2 = 10;
        r.rig.settings.Row3 = 11;
        r.load({MakeEntry("A", "T", "/x.mp3")});
        QCOMPARE(r.list.Columns(), (std::vector<int>{RecordTitle, RecordPath}));
        QCOMPARE(r.list.Cell(0, 0), std::string_view("T"));
        QCOMPARE(r.list.Cell(0, 1), std::string_view("/x.mp3"));
        QCOMPARE(r.list.Cell(0, 2), std::string_view());
        QCOMPARE(r.list.Cell(1, 0), std::string_view());
        QCOMPARE(r.list.TitlesCaption(), "Number of titles: 1");
    }

    void selectionWhileStoppedPrepares() {
        PlaylistRig r;
        r.addEntries(3);
        r.rig.clear();
        r.list.SelectionChangedInView({2});
        QCOMPARE(r.player().Order().Current(), 2);
        QVERIFY(r.player().TrackLoaded);
        QVERIFY(r.rig.commands().contains("LoadFile(e2.mp3)"));
        QCOMPARE(r.list.MarkedRow(), 2);
        QCOMPARE(r.list.PlayMarkImage(2), 1);
        QCOMPARE(r.list.PlayMarkImage(1), 0);
        r.rig.settings.IconIndex = 4;
        QCOMPARE(r.list.PlayMarkImage(2), 5);
        QCOMPARE(r.player().Display().Track, (TrackDigits{Blank, 0, 0, 3}));

        // A second row selected with the first: nothing is prepared.
        r.rig.clear();
        r.list.SelectionChangedInView({2, 0});
        QCOMPARE(r.player().Order().Current(), 2);
        QCOMPARE(r.rig.commands(), QStringList{});
        QCOMPARE(r.list.SelectedRows(), (std::vector<int>{0, 2}));
        QCOMPARE(r.list.SelectedCount(), 2);

        // While playing a selection changes nothing but the selection.
        r.list.SelectionChangedInView({2});
        r.player().Play();
        r.rig.clear();
        r.list.SelectionChangedInView({0});
        QCOMPARE(r.player().Order().Current(), 2);
        QCOMPARE(r.rig.commands(), QStringList{});
    }

    void doubleClick_data() {
        QTest::addColumn<bool>("playing");
        QTest::addColumn<QStringList>("commands");
        // Stopped: the first click prepared row 1, the double-click plays it with the play fade.
        QTest::newRow("stopped") << false << QStringList{"Play(2000)"};
        // Playing: the double-clicked row is prepared and crossfaded into at once.
        QTest::newRow("playing") << true << QStringList{"LoadFile(e1.mp3)", "Play(5000)"};
    }
    void doubleClick() {
        QFETCH(bool, playing);
        QFETCH(QStringList, commands);
        PlaylistRig r;
        r.addEntries(3);
        if (playing)
            r.player().Play();
        r.list.SelectionChangedInView({1});
        r.rig.clear();
        r.list.PlaySelected();
        QStringList got = r.rig.commands();
        got.removeAll("SetVolume(100)");
        QCOMPARE(got, commands);
        QCOMPARE(r.player().Order().Current(), 1);
        QVERIFY(r.player().Playing);
        QCOMPARE(r.list.MarkedRow(), 1);
    }

    void deleteSelected_data() {
        QTest::addColumn<int>("current");
        QTest::addColumn<QList<int>>("selected");
        QTest::addColumn<int>("newCurrent");
        QTest::addColumn<QString>("marked"); // path of the marked entry, empty for none
        QTest::newRow("the current entry") << 2 << QList<int>{2} << 1 << "e1.mp3";
        QTest::newRow("row 0 when current") << 0 << QList<int>{0} << -1 << "";
        QTest::newRow("before the current") << 3 << QList<int>{0, 1} << 1 << "e3.mp3";
        QTest::newRow("after the current") << 1 << QList<int>{3, 4} << 1 << "e1.mp3";
        QTest::newRow("around the current") << 2 << QList<int>{1, 2, 4} << 0 << "e0.mp3";
    }
    void deleteSelected() {
        QFETCH(int, current);
        QFETCH(QList<int>, selected);
        QFETCH(int, newCurrent);
        QFETCH(QString, marked);
        PlaylistRig r;
        r.addEntries(5);
        r.list.SelectionChangedInView({current}); // stopped: becomes current
        r.list.SelectionChangedInView(std::vector<int>(selected.begin(), selected.end()));
        r.rig.clear();
        r.list.DeleteSelected();
        QCOMPARE(r.list.Count(), 5 - static_cast<int>(selected.size()));
        QCOMPARE(r.mirror.rows(), r.list.Count());
        QCOMPARE(r.player().Order().Current(), newCurrent);
        QCOMPARE(r.list.SelectedCount(), 0);
        QVERIFY(!r.list.PlaylistBusy());
        const QString markedPath =
            r.list.MarkedRow() < 0
                ? QString()
                : QString::fromStdString(std::string(r.list.Field(r.list.MarkedRow(), RecordPath)));
        QCOMPARE(markedPath.section('/', -1), marked);
        QCOMPARE(r.rig.commands(), QStringList{}); // playback is never touched
    }

    void deletingKeepsTheShuffleOrderOfTheOthers() {
        PlaylistRig r;
        r.addEntries(5);
        r.player().ShuffleClick(); // shuffle on while stopped: the first of the order is current
        const std::vector<int> before = r.player().Order().ShuffleOrder();
        QVERIFY(IsPermutation(before, 5));
        std::vector<std::string> names;
        for (int i : before)
            names.emplace_back(r.list.Field(i, RecordPath));
        // Delete the entry at shuffle position 2.
        const int victim = before[2];
        for (int step = 0; step < 3; ++step)
            QVERIFY(r.list.Order().Next(5, true));
        r.list.SelectionChangedInView({victim, victim}); // one row
        r.list.DeleteSelected();
        const std::vector<int>& after = r.player().Order().ShuffleOrder();
        QVERIFY(IsPermutation(after, 4)); // exactly the indices 0 to 3
        names.erase(names.begin() + 2);
        for (std::size_t k = 0; k < after.size(); ++k)
            QCOMPARE(std::string(r.list.Field(after[k], RecordPath)), names[k]); // same entries, same order
        QCOMPARE(r.player().Order().ShufflePosition(), 2); // still on the entry it was on
    }

    void manyScatteredDeletionsKeepEverythingInStep() {
        PlaylistRig r;
        r.rig.settings.ShufflePlay = true;
        r.addEntries(100);
        // The current entry is one that stays: the first such from the middle of the shuffle order.
        std::size_t position = 50;
        while (r.player().Order().ShuffleOrder()[position] % 3 == 0)
            ++position;
        while (r.list.Order().ShufflePosition() < static_cast<int>(position))
            QVERIFY(r.list.Order().Next(100, true));
        const std::string current(r.list.Field(r.player().Order().Current(), RecordPath));
        std::vector<std::string> shuffled; // paths in shuffle order, without those to go
        for (int i : r.player().Order().ShuffleOrder())
            if (i % 3 != 0)
                shuffled.emplace_back(r.list.Field(i, RecordPath));
        std::vector<int> rows;
        for (int i = 0; i < 100; i += 3)
            rows.push_back(i); // 34 separate rows: announced as one reset
        r.list.SelectionChangedInView(rows);
        QSignalSpy reset(&r.list, &Playlist::wasReset);
        r.list.DeleteSelected();
        QCOMPARE(reset.size(), 1);
        QCOMPARE(r.list.Count(), 66);
        QCOMPARE(r.mirror.rows(), 66);
        QCOMPARE(r.list.Field(0, RecordPath), std::string_view(r.file("e1.mp3")));
        QCOMPARE(r.list.Field(65, RecordPath), std::string_view(r.file("e98.mp3")));
        QCOMPARE(r.list.Field(r.player().Order().Current(), RecordPath), std::string_view(current));
        const std::vector<int>& order = r.player().Order().ShuffleOrder();
        QVERIFY(IsPermutation(order, 66));
        for (std::size_t k = 0; k < order.size(); ++k)
            QCOMPARE(std::string(r.list.Field(order[k], RecordPath)), shuffled[k]);
        QCOMPARE(order[static_cast<std::size_t>(r.player().Order().ShufflePosition())],
                 r.player().Order().Current());
        QCOMPARE(r.list.MarkedRow(), r.player().Order().Current());
    }

    void clearWhilePlaying() {
        PlaylistRig r;
        r.addEntries(3);
        r.list.SelectionChangedInView({1});
        r.player().Play();
        r.rig.clear();
        r.list.ClearList();
        QCOMPARE(r.list.Count(), 0);
        QCOMPARE(r.mirror.rows(), 0);
        QCOMPARE(r.player().Order().Current(), -1);
        QVERIFY(r.player().Order().ShuffleOrder().empty());
        QVERIFY(r.player().Playing); // plays on
        QVERIFY(r.player().TrackLoaded);
        QCOMPARE(r.player().Display().Track, (TrackDigits{Blank, 0, 0, 0}));
        QCOMPARE(r.rig.commands(), QStringList{});
        QCOMPARE(r.player().Display().Artist, QStringLiteral("---"));
        QCOMPARE(r.list.MarkedRow(), -1);

        r.player().Stop();
        r.addEntries(1);
        r.list.ClearList();
        QVERIFY(!r.player().TrackLoaded);
        QCOMPARE(r.player().Display().DisplayInfo, QStringLiteral("No title selected..."));
    }

    void addToAnEmptyListSelectsTheFirst_data() {
        QTest::addColumn<bool>("shuffle");
        QTest::newRow("in order") << false;
        QTest::newRow("shuffled") << true;
    }
    void addToAnEmptyListSelectsTheFirst() {
        QFETCH(bool, shuffle);
        PlaylistRig r;
        r.rig.settings.ShufflePlay = shuffle;
        QSignalSpy started(&r.list, &Playlist::workStarted);
        QSignalSpy finished(&r.list, &Playlist::workFinished);
        r.addEntries(5);
        QCOMPARE(r.list.Count(), 5);
        QCOMPARE(r.mirror.rows(), 5);
        QCOMPARE(started.size(), 1);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(r.column(RecordPath).front(), r.rig.path("e0.mp3").toStdString()); // in the given order
        if (shuffle) {
            QVERIFY(IsPermutation(r.player().Order().ShuffleOrder(), 5));
            QCOMPARE(r.player().Order().Current(), r.player().Order().ShuffleOrder().front());
        } else {
            QVERIFY(r.player().Order().ShuffleOrder().empty());
            QCOMPARE(r.player().Order().Current(), 0);
        }
        QVERIFY(r.player().TrackLoaded);
        QCOMPARE(r.list.SelectedRows(), std::vector<int>{r.player().Order().Current()});
    }

    void addToAPlayingListShufflesOnlyTheNew() {
        PlaylistRig r;
        r.rig.settings.ShufflePlay = true;
        r.addEntries(3);
        r.list.PlaySelected(); // plays the selected first of the order
        const std::vector<int> before = r.player().Order().ShuffleOrder();
        const int current = r.player().Order().Current();
        r.list.SelectionChangedInView({});
        // More than one slice of new files, so the order is built across slices.
        std::vector<std::string> paths;
        for (int i = 0; i < 300; ++i)
            paths.push_back(r.rig.path(QStringLiteral("missing%1.mp3").arg(i)).toStdString());
        r.add(paths);
        const std::vector<int>& order = r.player().Order().ShuffleOrder();
        QCOMPARE(order.size(), 303u);
        QVERIFY(std::equal(before.begin(), before.end(), order.begin())); // the old order stays in front
        QVERIFY(IsPermutation(order, 303));
        QCOMPARE(r.player().Order().Current(), current);
        QCOMPARE(r.list.SelectedCount(), 0); // a list that had entries keeps its selection
        // The new ones are shuffled among themselves: not in their plain order.
        QVERIFY(!std::is_sorted(order.begin() + 3, order.end()));
        QCOMPARE(r.list.Field(3, RecordArtist), std::string_view(FileNotFoundText));
        QCOMPARE(r.list.Field(302, RecordPath), std::string_view(paths.back()));
    }

    void droppedFolderBecomesANamedEntry() {
        PlaylistRig r;
        QDir(r.rig.folder()).mkdir("Some Album");
        r.add({r.rig.path("Some Album").toStdString()});
        QCOMPARE(r.list.Count(), 1);
        QCOMPARE(r.list.Field(0, RecordArtist), std::string_view("Some Album"));
        for (int f = RecordLength; f <= RecordSize; ++f)
            QCOMPARE(r.list.Field(0, f), std::string_view(NoValueText));
    }

    void cancelKeepsWhatWasApplied() {
        PlaylistRig r;
        std::vector<std::string> paths;
        for (int i = 0; i < 2000; ++i)
            paths.push_back(r.rig.path(QStringLiteral("gone%1.mp3").arg(i)).toStdString());
        QSignalSpy finished(&r.list, &Playlist::workFinished);
        // Cancelled as the first rows arrive, so the first job is surely still running however fast
        // the reader is (and the handler cancelling inside the row signal must be safe too).
        bool cancelled = false;
        connect(&r.list, &Playlist::rowsInserted, &r.list, [&] {
            if (!std::exchange(cancelled, true))
                r.list.CancelWork();
        });
        r.list.AddFilesToPlaylist(paths);
        r.list.AddFilesToPlaylist(paths); // queued behind the first: dropped by the cancel
        QVERIFY(r.list.Working());
        QTRY_VERIFY_WITH_TIMEOUT(cancelled, 30000);
        QVERIFY(!r.list.Working());
        QCOMPARE(finished.size(), 1);
        const int kept = r.list.Count();
        QVERIFY(kept <= 2000);
        QCOMPARE(r.mirror.rows(), kept);
        QCoreApplication::processEvents(); // queued slices of the cancelled job are not applied
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(r.list.Count(), kept);
        for (int i = 0; i < kept; ++i) // in order, none lost in between
            QCOMPARE(r.list.Field(i, RecordPath), std::string_view(paths[static_cast<std::size_t>(i)]));
    }

    void destroyingTheListWhileReadingIsSafe() {
        auto r = std::make_unique<PlaylistRig>();
        std::vector<std::string> paths(3000, r->rig.path("x.mp3").toStdString());
        r->list.AddFilesToPlaylist(paths);
        r.reset(); // workers are stopped and waited for
    }

    void fileInfoTarget() {
        PlaylistRig r;
        QVERIFY(!r.list.FileInfoTarget()); // nothing prepared
        r.addEntries(3);                   // prepares row 0
        QVERIFY(r.player().TrackLoaded);
        QCOMPARE(r.list.FileInfoTarget(), r.list.Field(0, RecordPath));
        r.list.SelectionChangedInView({});
        QCOMPARE(r.list.FileInfoTarget(), r.list.Field(0, RecordPath)); // none selected: the current one
        r.list.Order().SetCurrent(-1);
        QVERIFY(!r.list.FileInfoTarget()); // none selected and none current: ignored
        r.list.SelectionChangedInView({2, 1});
        QCOMPARE(r.list.FileInfoTarget(), r.list.Field(1, RecordPath)); // the first selected
        QFile::remove(r.rig.path("e1.mp3"));
        QVERIFY(!r.list.FileInfoTarget()); // gone: nothing
    }

    void decodeQueueInListOrder() {
        PlaylistRig r;
        r.addEntries(4);
        r.list.decodebox().Fill({"/old/leftover.mp3"});
        r.list.SelectionChangedInView({3, 0, 2});
        r.list.FillDecodeQueue();
        const auto& q = r.list.decodebox().Paths();
        QCOMPARE(std::vector<std::string>(q.begin(), q.end()),
                 (std::vector<std::string>{r.file("e0.mp3"), r.file("e2.mp3"), r.file("e3.mp3")}));
        QCOMPARE(r.list.decodebox().TakeFirst(), r.file("e0.mp3"));
        QCOMPARE(r.list.decodebox().Size(), 2);
        QCOMPARE(ExtensionWithDot("/a.b/TRACK.MP3"), std::string(".MP3"));
        QCOMPARE(ExtensionWithDot("/a.b/noext"), std::string());
    }

    void decodeOutputFolders() {
        QTemporaryDir dir;
        const std::string file = dir.filePath("song.mp3").toStdString();
        const std::string folder = dir.path().toStdString() + "/";
        std::string error;
        QCOMPARE(DecodeOutputFolder(file, DecodeOutput::ParentDirectory, {}, error), folder);
        QCOMPARE(DecodeOutputFolder(file, DecodeOutput::DecodedSubfolder, {}, error), folder + "decoded/");
        QVERIFY(QFileInfo(dir.filePath("decoded")).isDir());
        QCOMPARE(DecodeOutputFolder(file, DecodeOutput::DecodedSubfolder, {}, error), folder + "decoded/");
        QCOMPARE(DecodeOutputFolder(file, DecodeOutput::ChosenFolder, "/out", error), std::string("/out/"));
        QVERIFY(!DecodeOutputFolder(file, DecodeOutput::ChosenFolder, "", error));
        QVERIFY(!DecodeOutputFolder("/no/such/folder/x.mp3", DecodeOutput::DecodedSubfolder, {}, error));
        QVERIFY(!error.empty());
    }
};

QTEST_GUILESS_MAIN(TestPlaylist)
#include "tst_playlist.moc"
