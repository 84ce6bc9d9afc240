// Sorting, drag moves, finding the current entry by its key, reloading and loading playlist files.
#include "MakerAddress.h"
#include "PlaylistRig.h"

#include <QLocale>
#include <QtTest>

using namespace larkspin;
using namespace larkspin::test;

namespace {

// A caption as the program shows it: with the maker's address when the build set one.
QString Captioned(const QString& text) {
    return QString::fromStdString(WithMakerAddress(text.toStdString()));
}

// Entries whose titles are "T1".."Tn" (artist "A<k>"), so an order reads as a list of numbers.
std::vector<PlaylistEntry> Numbered(int n) {
    std::vector<PlaylistEntry> entries;
    for (int i = 1; i <= n; ++i)
        entries.push_back(
            MakeEntry("A" + std::to_string(i), "T" + std::to_string(i), "/m/" + std::to_string(i) + ".mp3"));
    return entries;
}

QList<int> Numbers(const PlaylistRig& r) {
    QList<int> out;
    for (const std::string& t : r.column(RecordTitle))
        out << std::stoi(t.substr(1));
    return out;
}

QStringList Texts(const std::vector<std::string>& v) {
    QStringList out;
    for (const std::string& s : v)
        out << QString::fromStdString(s);
    return out;
}

} // namespace

class TestPlaylistOrder : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // A locale-aware comparison needs a locale: the C locale compares bytes.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void sortDirectionSequence() {
        PlaylistRig r;
        r.load({MakeEntry("b", "Y", "/1"), MakeEntry("a", "Z", "/2"), MakeEntry("c", "X", "/3")});
        // Columns: Artist, Title, Length.
        const struct {
            int column;
            QStringList titles;
        } clicks[] = {{1, {"X", "Y", "Z"}}, {1, {"Z", "Y", "X"}}, {0, {"Z", "Y", "X"}},
                      {1, {"X", "Y", "Z"}}, {1, {"Z", "Y", "X"}}, {1, {"X", "Y", "Z"}}};
        for (const auto& click : clicks) {
            r.list.SortPlaylist(click.column);
            QCOMPARE(Texts(r.column(RecordTitle)), click.titles);
        }
        QCOMPARE(Texts(r.column(RecordArtist)), (QStringList{"c", "b", "a"}));
        r.list.SortPlaylist(0);
        QCOMPARE(Texts(r.column(RecordArtist)), (QStringList{"a", "b", "c"})); // a new column: ascending
    }

    void firstClickOnTheFirstColumnSortsAscending() {
        PlaylistRig r;
        r.load({MakeEntry("b", "", "/1"), MakeEntry("c", "", "/2"), MakeEntry("a", "", "/3")});
        QCOMPARE(r.list.Sort().LastColumn(), 0);
        QVERIFY(r.list.Sort().LastDescending());
        r.list.SortPlaylist(0);
        QCOMPARE(Texts(r.column(RecordArtist)), (QStringList{"a", "b", "c"}));
    }

    void sortComparesAsLocaleText_data() {
        QTest::addColumn<int>("row"); // Row3's field
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("lengths as text")
            << int(RecordLength) << QStringList{"3:45", "10:02"} << QStringList{"10:02", "3:45"};
        QTest::newRow("bit rates as text") << int(RecordBitrate) << QStringList{"96 kbit/s", "128 kbit/s"}
                                           << QStringList{"128 kbit/s", "96 kbit/s"};
        QTest::newRow("track numbers")
            << int(RecordTrack) << QStringList{"10", "09", "01", "99"} << QStringList{"01", "09", "10", "99"};
        QTest::newRow("locale, not bytes")
            << int(RecordAlbum) << QStringList{"c", "B", "a", "É"} << QStringList{"a", "B", "c", "É"};
    }
    void sortComparesAsLocaleText() {
        QFETCH(int, row);
        QFETCH(QStringList, texts);
        QFETCH(QStringList, sorted);
        PlaylistRig r;
        r.rig.settings.Row3 = row;
        std::vector<PlaylistEntry> entries;
        for (const QString& t : texts) {
            TrackRecord rec = MakeEntry("a", "t", "/p").Record();
            rec[static_cast<std::size_t>(row)] = t.toStdString();
            entries.emplace_back(rec);
        }
        r.load(entries);
        r.list.SortPlaylist(2);
        QCOMPARE(Texts(r.column(row)), sorted);
    }

    void currentEntryFollowsItsKey() {
        PlaylistRig r;
        // Two entries share artist and title; the first of them is current.
        r.load({MakeEntry("Same", "Song", "/a.mp3"), MakeEntry("Other", "Song", "/b.mp3"),
                MakeEntry("Same", "Song", "/c.mp3"), MakeEntry("Zed", "Song", "/d.mp3")});
        r.list.Order().SetCurrent(0);
        r.list.MarkCurrentEntry(0);
        r.list.SortPlaylist(0);                    // artist: Other, Same(a), Same(c), Zed
        QCOMPARE(r.player().Order().Current(), 2); // the higher index of the two
        QCOMPARE(r.list.MarkedRow(), 2);
        r.list.SortPlaylist(0); // descending, equal texts keep their order: Zed, Same(a), Same(c), Other
        QCOMPARE(r.player().Order().Current(), 2);
        QCOMPARE(r.list.Field(2, RecordPath), std::string_view("/c.mp3"));

        r.list.FindCurrentByKey("ZedSong");
        QCOMPARE(r.player().Order().Current(), 0);
        r.list.FindCurrentByKey("nobody");
        QCOMPARE(r.player().Order().Current(), 0); // no match: unchanged
        QCOMPARE(r.list.CurrentEntryKey(), std::string("ZedSong"));
    }

    void sortKeepsTheShuffleOrder() {
        PlaylistRig r;
        r.load(Numbered(4));
        r.rig.settings.ShufflePlay = true;
        r.list.BuildShuffleOrder();
        const std::vector<int> order = r.player().Order().ShuffleOrder();
        r.list.SortPlaylist(1);
        r.list.SortPlaylist(1);
        QCOMPARE(r.player().Order().ShuffleOrder(), order);
        QCOMPARE(Numbers(r), (QList<int>{4, 3, 2, 1}));
    }

    void dragMoves_data() {
        QTest::addColumn<QList<int>>("selected"); // 1-based rows, as a user counts them
        QTest::addColumn<int>("target");          // 1-based; 0: below the last row
        QTest::addColumn<QList<int>>("order");
        QTest::newRow("2,3 onto 6") << QList<int>{2, 3} << 6 << QList<int>{1, 4, 5, 2, 3, 6};
        QTest::newRow("5,6 onto 2") << QList<int>{5, 6} << 2 << QList<int>{1, 5, 6, 2, 3, 4};
        QTest::newRow("below the last") << QList<int>{1, 3} << 0 << QList<int>{2, 4, 5, 6, 1, 3};
        QTest::newRow("onto a moved row") << QList<int>{2, 3} << 3 << QList<int>{1, 2, 3, 4, 5, 6};
        QTest::newRow("scattered onto 1") << QList<int>{6, 2, 4} << 1 << QList<int>{2, 4, 6, 1, 3, 5};
        QTest::newRow("nothing selected") << QList<int>{} << 1 << QList<int>{1, 2, 3, 4, 5, 6};
    }
    void dragMoves() {
        QFETCH(QList<int>, selected);
        QFETCH(int, target);
        QFETCH(QList<int>, order);
        PlaylistRig r;
        r.load(Numbered(6));
        r.player().Play();            // playing: selections prepare nothing
        r.list.Order().SetCurrent(3); // "T4"
        r.list.MarkCurrentEntry(3);
        std::vector<int> rows;
        for (int s : selected)
            rows.push_back(s - 1);
        r.list.SelectionChangedInView(rows);
        QSignalSpy reordered(&r.list, &Playlist::reordered);
        r.list.MoveSelectedRows(target - 1);
        QCOMPARE(Numbers(r), order);
        // The moved rows stay selected, and no others.
        QList<int> selectedNumbers;
        for (int row : r.list.SelectedRows())
            selectedNumbers << order[row];
        std::sort(selected.begin(), selected.end());
        QCOMPARE(selectedNumbers, selected);
        QCOMPARE(r.list.Field(r.player().Order().Current(), RecordTitle), std::string_view("T4"));
        QCOMPARE(r.list.MarkedRow(), r.player().Order().Current());
        if (!reordered.isEmpty()) {
            const QList<int> newRowOfOld = reordered.first().first().value<QList<int>>();
            for (int old = 0; old < 6; ++old)
                QCOMPARE(order[newRowOfOld[old]], old + 1);
        }
    }

    void reloadTurnsVanishedFilesIntoErrors() {
        PlaylistRig r;
        r.addEntries(3); // empty files; row 0 is prepared
        r.list.SelectionChangedInView({1});
        QFile::remove(r.rig.path("e1.mp3"));
        QFile::remove(r.rig.path("e2.mp3"));
        r.rig.clear();
        QSignalSpy changed(&r.list, &Playlist::rowsChanged);
        r.list.ReloadFileInfos({111, 222, 33});
        QCOMPARE(r.rig.settings.ArtistWidth, 111); // widths stored first
        r.list.WaitForWork();
        QVERIFY(!changed.isEmpty());
        for (int row : {1, 2}) {
            QCOMPARE(r.list.Field(row, RecordArtist), std::string_view(FileNotFoundText));
            QCOMPARE(r.list.Field(row, RecordTitle), r.list.Field(row, RecordPath));
            for (int f = RecordLength; f <= RecordSize; ++f)
                QCOMPARE(r.list.Field(row, f), std::string_view(NoValueText));
        }
        QCOMPARE(r.list.Field(0, RecordArtist), std::string_view("e0"));
        QCOMPARE(r.player().Order().Current(), 1); // kept by position
        QCOMPARE(r.list.SelectedRows(), std::vector<int>{1});
        QVERIFY(!r.list.PlaylistBusy());
        QCOMPARE(r.mirror.rows(), 3);
    }

    void reloadShowsChangedTags() {
        if (!HaveTool("sox") || !HaveTool("lame"))
            QSKIP("sox and lame make the MP3 fixtures");
        PlaylistRig r;
        const QString mp3 = r.rig.path("tagged.mp3");
        QVERIFY(MakeMp3(mp3, "Old Artist", "Old Title"));
        r.add({mp3.toStdString()});
        QCOMPARE(r.list.Field(0, RecordArtist), std::string_view("Old Artist"));
        QVERIFY(MakeMp3(mp3, "New Artist", "New Title", 2));
        r.list.ReloadFileInfos();
        r.list.WaitForWork();
        QCOMPARE(r.list.Field(0, RecordArtist), std::string_view("New Artist"));
        QCOMPARE(r.list.Field(0, RecordTitle), std::string_view("New Title"));
        QCOMPARE(r.list.Field(0, RecordLength), std::string_view("0:02"));
    }

    void telReReadsAudioFilesButNotOthers() {
        if (!HaveTool("sox") || !HaveTool("lame"))
            QSKIP("sox and lame make the audio fixtures");
        PlaylistRig r;
        const QString mp3 = r.rig.path("song.mp3");
        const QString wav = r.rig.path("UPPER.WAV");
        QVERIFY(MakeMp3(mp3, "Before", "Song"));
        QVERIFY(MakeWav(wav, 3));
        const std::string avi = r.file("clip.avi");
        r.add({mp3.toStdString(), wav.toStdString(), avi});
        // Give the clip a stored artist and title of its own, then save and change the MP3.
        std::vector<PlaylistEntry> entries = r.list.Entries();
        TrackRecord clip = entries[2].Record();
        clip[RecordArtist] = "Clip Artist";
        clip[RecordTitle] = "Clip Title";
        clip[RecordLength] = "9:99";
        entries[2] = PlaylistEntry(clip);
        const std::string tel = r.rig.path("list.tel").toStdString();
        QVERIFY(SaveTelPlaylist(tel, entries).ok);
        QVERIFY(MakeMp3(mp3, "After", "Changed"));

        const auto outcome = r.list.LoadPlaylistFile(tel);
        QVERIFY(outcome.ok);
        QVERIFY(outcome.caption.isEmpty()); // a TEL load leaves the caption
        r.list.WaitForWork();
        QCOMPARE(r.list.Count(), 3);
        QCOMPARE(r.list.Field(0, RecordArtist), std::string_view("After"));
        QCOMPARE(r.list.Field(0, RecordTitle), std::string_view("Changed"));
        QCOMPARE(r.list.Field(1, RecordLength), std::string_view("0:03")); // upper-case .WAV is read too
        QCOMPARE(r.list.Field(2, RecordArtist), std::string_view("Clip Artist"));
        QCOMPARE(r.list.Field(2, RecordTitle), std::string_view("Clip Title"));
        for (int f = RecordLength; f <= RecordSize; ++f)
            QCOMPARE(r.list.Field(2, f), std::string_view(NoValueText));
        QCOMPARE(r.player().Order().Current(), 0); // the first row is selected and prepared
        QCOMPARE(r.mirror.rows(), 3);
    }

    void te3KeepsStoredTextsUnlessReloadInfos_data() {
        QTest::addColumn<bool>("reloadInfos");
        QTest::newRow("stored texts") << false;
        QTest::newRow("ReloadInfos") << true;
    }
    void te3KeepsStoredTextsUnlessReloadInfos() {
        QFETCH(bool, reloadInfos);
        PlaylistRig r;
        r.rig.settings.ReloadInfos = reloadInfos;
        const std::string gone = r.rig.path("gone.mp3").toStdString();
        const std::string te3 = r.rig.path("MIX.TE3").toStdString(); // upper-case name
        QVERIFY(SaveTe3Playlist(te3, {MakeEntry("Stored  ", "Text", gone)}).ok);
        const auto outcome = r.list.LoadPlaylistFile(te3);
        QVERIFY(outcome.ok);
        QCOMPARE(outcome.caption, Captioned(QStringLiteral("MIX")));
        r.list.WaitForWork();
        QCOMPARE(r.list.Count(), 1);
        QCOMPARE(r.list.Field(0, RecordArtist),
                 std::string_view(reloadInfos ? FileNotFoundText : "Stored  "));
    }

    void unsupportedTypeChangesNothing() {
        PlaylistRig r;
        r.rig.settings.StopPlayback = true;
        r.rig.settings.ShufflePlay = true;
        r.addEntries(4);
        r.list.PlaySelected();
        const std::vector<int> order = r.player().Order().ShuffleOrder();
        const int current = r.player().Order().Current();
        r.rig.clear();
        const auto outcome = r.list.LoadPlaylistFile(r.rig.path("songs.wma").toStdString());
        QVERIFY(!outcome.ok);
        QCOMPARE(outcome.message, std::string("This file type is not supported yet!"));
        QCOMPARE(r.list.Count(), 4);
        QCOMPARE(r.player().Order().ShuffleOrder(), order);
        QCOMPARE(r.player().Order().Current(), current);
        QCOMPARE(r.rig.commands(), QStringList{"Stop(1000)"}); // StopPlayback stops nevertheless
        QVERIFY(!r.list.SavePlaylistFile(r.rig.path("x.wma").toStdString()).ok);
        QVERIFY(!QFile::exists(r.rig.path("x.wma")));
    }

    void loadWithShuffleMakesTheFirstOfTheOrderCurrent() {
        PlaylistRig r;
        r.rig.settings.ShufflePlay = true;
        std::vector<PlaylistEntry> entries;
        for (int i = 0; i < 6; ++i)
            entries.push_back(MakeEntry("a", "t", r.file(QStringLiteral("s%1.mp3").arg(i))));
        r.load(entries);
        QCOMPARE(r.player().Order().ShuffleOrder().size(), 6u);
        QCOMPARE(r.player().Order().Current(), r.player().Order().ShuffleOrder().front());
        QCOMPARE(r.player().Order().ShufflePosition(), 0);
        QVERIFY(r.player().TrackLoaded);
    }

    void m3uLoadReadsTags() {
        if (!HaveTool("sox") || !HaveTool("lame"))
            QSKIP("sox and lame make the MP3 fixtures");
        PlaylistRig r;
        QDir(r.rig.folder()).mkpath("Ünïcode/sub");
        const QString song = r.rig.path("Ünïcode/sub/Straße – ✓.mp3");
        QVERIFY(MakeMp3(song, "Künstler", "Lied"));
        const QString list = r.rig.path("Ünïcode/liste.m3u");
        QVERIFY(WriteBytes(list, "#EXTM3U\n#EXTINF:1,Wrong - Stored\nsub/Straße – ✓.mp3\nsub/missing.ogg\n"));
        const auto outcome = r.list.LoadPlaylistFile(list.toStdString());
        QVERIFY(outcome.ok);
        QCOMPARE(outcome.caption, Captioned(QStringLiteral("liste")));
        r.list.WaitForWork();
        QCOMPARE(r.list.Count(), 2);
        QCOMPARE(r.list.Field(0, RecordPath), std::string_view(song.toStdString()));
        QCOMPARE(r.list.Field(0, RecordArtist), std::string_view("Künstler")); // the file's tags win
        QCOMPARE(r.list.Field(1, RecordArtist), std::string_view(FileNotFoundText));

        // Saved again beside it: relative paths, read back the same.
        const std::string copy = r.rig.path("Ünïcode/copy.m3u8").toStdString();
        QVERIFY(r.list.SavePlaylistFile(copy).ok);
        QVERIFY(ReadBytes(QString::fromStdString(copy)).contains("\nsub/Straße – ✓.mp3\n"));
        std::vector<StoredEntry> back;
        QVERIFY(LoadM3uPlaylist(copy, back).ok);
        QCOMPARE(back[0].record[RecordPath], song.toStdString());
    }

    // Files that are no playlist, or a damaged one, through the load command: an error message or
    // what can be read, the list consistent, the file untouched.
    void hostilePlaylistFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // empty name of a folder: made as a folder
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("entries");
        QByteArray record(751, '\0');
        record[495] = 4;
        record.replace(496, 4, "/a.x");
        // A file that cannot be read leaves the list of three as it was.
        QTest::newRow("missing te3") << "missing.te3" << QByteArray() << false << 3;
        QTest::newRow("folder named tel") << "folder.tel" << QByteArray("<dir>") << false << 3;
        QTest::newRow("empty te3") << "empty.te3" << QByteArray("") << true << 0;
        QTest::newRow("760-byte te3") << "short.te3" << record + QByteArray(9, 'x') << true << 1;
        QTest::newRow("tel of 0xFF") << "ff.tel" << QByteArray(458 * 2 + 3, '\xFF') << true << 2;
        QTest::newRow("binary m3u") << "bin.m3u" << QByteArray("\0\x01\x02\n\xFF\xFE\n\n", 8) << true << 1;
        QTest::newRow("pls without files") << "none.pls" << QByteArray("[playlist]\nTitle1=x\n") << true << 0;
        QTest::newRow("m3u of comments only")
            << "c.m3u8" << QByteArray("#EXTM3U\n#EXTINF:1,a\n") << true << 0;
        QTest::newRow("unknown type") << "list.xspf" << QByteArray("<playlist/>") << false << 3;
    }
    void hostilePlaylistFiles() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, ok);
        QFETCH(int, entries);
        PlaylistRig r;
        r.load(Numbered(3));
        const QString file = r.rig.path(name);
        if (bytes == "<dir>")
            QVERIFY(QDir().mkpath(file));
        else if (!name.startsWith("missing"))
            QVERIFY(WriteBytes(file, bytes));
        const auto outcome = r.list.LoadPlaylistFile(file.toStdString());
        r.list.WaitForWork();
        QCOMPARE(outcome.ok, ok);
        if (!ok)
            QVERIFY(!outcome.message.empty());
        QCOMPARE(r.list.Count(), entries);
        QCOMPARE(r.mirror.rows(), entries);
        QVERIFY(!r.list.PlaylistBusy());
        QVERIFY(!r.list.Working());
        if (bytes != "<dir>" && !name.startsWith("missing"))
            QCOMPARE(ReadBytes(file), bytes);
    }

    void startAndShutdownPlaylists() {
        PlaylistRig r;
        const std::string folder = r.rig.folder().toStdString();
        r.load(Numbered(3));
        QVERIFY(r.list.SaveTemporaryPlaylist(folder).ok); // makes "Temporary Playlist"
        const QString temp = QString::fromStdString(TemporaryPlaylistPath(folder));
        QCOMPARE(QFileInfo(temp).size(), 3 * 751);

        PlaylistRig second;
        second.rig.settings.RememberPlaylist = true;
        auto outcome = second.list.LoadStartPlaylist(folder);
        QVERIFY(outcome.ok);
        QVERIFY(outcome.caption.isEmpty());
        QCOMPARE(Numbers(second), (QList<int>{1, 2, 3}));
        QVERIFY(second.list.SaveTemporaryPlaylist(folder).ok);
        QCOMPARE(ReadBytes(temp).size(), 3 * 751);

        // Without RememberPlaylist: the selected playlist, read as TE3 whatever its name.
        PlaylistRig third;
        third.rig.settings.RememberPlaylist = false;
        third.rig.settings.SelectedPlaylist = true;
        third.rig.settings.SelPlaylistName = r.rig.path("party.list").toStdString();
        QVERIFY(QFile::copy(temp, r.rig.path("party.list")));
        outcome = third.list.LoadStartPlaylist(folder);
        QCOMPARE(outcome.caption, Captioned(r.rig.path("party")));
        QCOMPARE(third.list.Count(), 3);

        PlaylistRig none;
        none.rig.settings.RememberPlaylist = false;
        QVERIFY(none.list.LoadStartPlaylist(folder).ok);
        QCOMPARE(none.list.Count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPlaylistOrder)
#include "tst_playlistorder.moc"
