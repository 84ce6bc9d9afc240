// TE3, TEL, M3U and PLS files: sizes, field cutting, round trips and damaged files.
#include "PlaylistFiles.h"
#include "PlaylistFixtures.h"
#include "TextConvert.h"

#include "Id3Text.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace larkspin;
using namespace larkspin::test;

Q_DECLARE_METATYPE(PlaylistFormat)

class TestPlaylistFiles : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::string path(const QString& name) const { return dir_.filePath(name).toStdString(); }

    static std::vector<PlaylistEntry> ThreeEntries() {
        return {MakeEntry("Artist 1", "Title 1", "/music/one.mp3"),
                MakeEntry("Äne Künstlerin", "Tïtle ✓", "/music/zwei – two.ogg"),
                MakeEntry("", "", "/music/three.wav", "")};
    }

private slots:
    void formatByExtension_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<PlaylistFormat>("format");
        QTest::newRow("te3") << "mix.te3" << PlaylistFormat::Te3;
        QTest::newRow("upper-case TE3") << "MIX.TE3" << PlaylistFormat::Te3;
        QTest::newRow("tel") << "/a/b/list.Tel" << PlaylistFormat::Tel;
        QTest::newRow("m3u") << "songs.m3u" << PlaylistFormat::M3u;
        QTest::newRow("m3u8") << "songs.M3U8" << PlaylistFormat::M3u;
        QTest::newRow("pls") << "radio.pls" << PlaylistFormat::Pls;
        QTest::newRow("wma") << "songs.wma" << PlaylistFormat::Unsupported;
        QTest::newRow("no extension") << "te3" << PlaylistFormat::Unsupported;
        QTest::newRow("dot in the folder only") << "/a.te3/list" << PlaylistFormat::Unsupported;
    }
    void formatByExtension() {
        QFETCH(QString, name);
        QFETCH(PlaylistFormat, format);
        QCOMPARE(PlaylistFormatOf(name.toStdString()), format);
    }

    void cutAtCharacter_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<QByteArray>("cut");
        QTest::newRow("fits") << QByteArray("abc") << 3 << QByteArray("abc");
        QTest::newRow("ascii") << QByteArray("abcd") << 3 << QByteArray("abc");
        QTest::newRow("two-byte across") << QByteArray("ab\xC3\xA9") << 3 << QByteArray("ab");
        QTest::newRow("two-byte fits") << QByteArray("ab\xC3\xA9x") << 4 << QByteArray("ab\xC3\xA9");
        QTest::newRow("three-byte across") << QByteArray("a\xE2\x9C\x93") << 3 << QByteArray("a");
        QTest::newRow("four-byte across") << QByteArray("\xF0\x9F\x8E\xB5z") << 3 << QByteArray();
        QTest::newRow("latin-1 bytes cut as bytes") << QByteArray("ab\xE9\xE9") << 3 << QByteArray("ab\xE9");
        QTest::newRow("stray continuation bytes")
            << QByteArray("\x80\x80\x80\x80\x80") << 4 << QByteArray("\x80\x80\x80\x80");
    }
    void cutAtCharacter() {
        QFETCH(QByteArray, text);
        QFETCH(int, capacity);
        QFETCH(QByteArray, cut);
        const std::string bytes = text.toStdString();
        const std::string_view got = CutAtCharacter(bytes, static_cast<std::size_t>(capacity));
        QCOMPARE(QByteArray(got.data(), static_cast<qsizetype>(got.size())), cut);
    }

    void threeEntriesHaveTheRecordSizes() {
        const auto entries = ThreeEntries();
        QVERIFY(SaveTe3Playlist(path("three.te3"), entries).ok);
        QVERIFY(SaveTelPlaylist(path("three.tel"), entries).ok);
        QCOMPARE(QFileInfo(dir_.filePath("three.te3")).size(), 2253);
        QCOMPARE(QFileInfo(dir_.filePath("three.tel")).size(), 1374);

        std::vector<PlaylistEntry> back;
        QVERIFY(LoadTe3Playlist(path("three.te3"), back).ok);
        QCOMPARE(back.size(), entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i)
            QCOMPARE(back[i].Record(), entries[i].Record());

        std::vector<StoredEntry> tel;
        QVERIFY(LoadTelPlaylist(path("three.tel"), tel).ok);
        QCOMPARE(tel.size(), 3u);
        QCOMPARE(tel[1].record[RecordArtist], std::string("Äne Künstlerin"));
        QCOMPARE(tel[1].record[RecordPath], std::string("/music/zwei – two.ogg"));
        QCOMPARE(tel[1].record[RecordLength], std::string(NoValueText));
    }

    void te3RecordLayout() {
        // Field order and offsets: Artist at 0, Title at 101, ..., Path at 495, zero bytes after texts.
        QVERIFY(SaveTe3Playlist(path("one.te3"), {MakeEntry("A", "T", "/p.mp3")}).ok);
        const QByteArray b = ReadBytes(dir_.filePath("one.te3"));
        QCOMPARE(b.size(), 751);
        QCOMPARE(b.mid(0, 3), QByteArray("\x01"
                                         "A\0",
                                         3));
        QCOMPARE(b.mid(101, 2), QByteArray("\x01T"));
        QCOMPARE(b.mid(202, 5), QByteArray("\x04"
                                           "3:45"));
        QCOMPARE(b.mid(478, 3), QByteArray("\x02"
                                           "01"));
        QCOMPARE(b.mid(495, 7), QByteArray("\x06/p.mp3"));
        QCOMPARE(b.count('\0'), 751 - 11 - 50); // eleven length bytes, 50 bytes of text
    }

    void partialRecordIsIgnored() {
        QVERIFY(
            SaveTe3Playlist(path("two.te3"), {MakeEntry("A", "T", "/a.mp3"), MakeEntry("B", "U", "/b.mp3")})
                .ok);
        QVERIFY(WriteBytes(dir_.filePath("760.te3"), ReadBytes(dir_.filePath("two.te3")).left(760)));
        std::vector<PlaylistEntry> entries;
        QVERIFY(LoadTe3Playlist(path("760.te3"), entries).ok);
        QCOMPARE(entries.size(), 1u);
        QCOMPARE(entries[0].Path(), std::string_view("/a.mp3"));
    }

    void longFieldsAreCutOnCharacters() {
        // 99 ASCII bytes and a two-byte character: the character does not fit into 100 bytes.
        const std::string artist = std::string(99, 'a') + "é";
        const std::string path300 = "/" + std::string(252, 'p') + "€.mp3"; // "€" spans bytes 253-255
        QVERIFY(SaveTe3Playlist(path("long.te3"), {MakeEntry(artist, "t", path300)}).ok);
        std::vector<PlaylistEntry> back;
        QVERIFY(LoadTe3Playlist(path("long.te3"), back).ok);
        QCOMPARE(back[0].Field(RecordArtist), std::string_view(std::string(99, 'a')));
        QCOMPARE(back[0].Path(), std::string_view("/" + std::string(252, 'p')));
        QVERIFY(IsValidUtf8(back[0].Path()));
    }

    void emptyEntryRoundTrips() {
        // A zeroed record is an entry whose every field is empty; it saves back unchanged.
        const QByteArray zeroed(751, '\0');
        QVERIFY(WriteBytes(dir_.filePath("zeroed.te3"), zeroed));
        std::vector<PlaylistEntry> entries;
        QVERIFY(LoadTe3Playlist(path("zeroed.te3"), entries).ok);
        QCOMPARE(entries.size(), 1u);
        entries.push_back(PlaylistEntry{});
        QVERIFY(SaveTe3Playlist(path("again.te3"), entries).ok);
        QVERIFY(SaveTelPlaylist(path("again.tel"), entries).ok);
        QCOMPARE(ReadBytes(dir_.filePath("again.te3")).left(751), zeroed);
        QCOMPARE(ReadBytes(dir_.filePath("again.tel")).size(), 2 * 458);
    }

    // Damaged or foreign TE3 files load what they can and never crash.
    void hostileTe3_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("entries");
        QTest::addColumn<QByteArray>("artist"); // of the first entry
        QTest::addColumn<QByteArray>("path");
        QByteArray clamped(751, '\xFF');
        QByteArray latin1(751, '\0');
        latin1[0] = 4;
        latin1.replace(1, 4, "M\xFCll");
        latin1[495] = 5;
        latin1.replace(496, 5, "/\xE9t\xE9/");
        QByteArray random;
        quint32 seed = 12345;
        for (int i = 0; i < 751 * 3 + 100; ++i) {
            seed = seed * 1103515245u + 12345u;
            random.append(static_cast<char>(seed >> 24));
        }
        QTest::newRow("empty") << QByteArray() << 0 << QByteArray() << QByteArray();
        QTest::newRow("shorter than a record") << QByteArray(750, 'x') << 0 << QByteArray() << QByteArray();
        QTest::newRow("length bytes above capacity are clamped")
            << clamped << 1 << QByteArray::fromStdString(id3text::DecodeEightBit(std::string(100, '\xFF')))
            << QByteArray(255, '\xFF');
        QTest::newRow("8-bit texts read as Latin-1, path bytes kept")
            << latin1 << 1 << QByteArray("Müll") << QByteArray("/\xE9t\xE9/");
        QTest::newRow("random bytes") << random << 3 << QByteArray() << QByteArray();
    }
    void hostileTe3() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, entries);
        QFETCH(QByteArray, artist);
        QFETCH(QByteArray, path);
        const QString file = dir_.filePath("hostile.te3");
        QVERIFY(WriteBytes(file, bytes));
        std::vector<PlaylistEntry> loaded;
        QVERIFY(LoadTe3Playlist(file.toStdString(), loaded).ok);
        QCOMPARE(static_cast<int>(loaded.size()), entries);
        for (const PlaylistEntry& e : loaded)
            for (int k = 0; k < RecordPath; ++k)
                QVERIFY(IsValidUtf8(e.Field(k))); // every text field displays
        if (!artist.isEmpty())
            QCOMPARE(QByteArray(loaded[0].Field(RecordArtist).data(), loaded[0].Field(RecordArtist).size()),
                     artist);
        if (!path.isEmpty())
            QCOMPARE(QByteArray(loaded[0].Path().data(), loaded[0].Path().size()), path);
        QCOMPARE(ReadBytes(file), bytes); // loading never changes the file
    }

    void unreadableFilesReportErrors_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << "missing.te3";
        QTest::newRow("a folder") << "folder.te3";
    }
    void unreadableFilesReportErrors() {
        QFETCH(QString, name);
        QDir(dir_.path()).mkdir("folder.te3");
        std::vector<PlaylistEntry> te3;
        std::vector<StoredEntry> other;
        const std::string file = path(name);
        for (const PlaylistFileOutcome& outcome :
             {LoadTe3Playlist(file, te3), LoadTelPlaylist(file, other), LoadM3uPlaylist(file, other),
              LoadPlsPlaylist(file, other)}) {
            QVERIFY(!outcome.ok);
            QVERIFY2(outcome.error.find(file) != std::string::npos, outcome.error.c_str());
        }
        QVERIFY(te3.empty() && other.empty());
    }

    void failedSaveKeepsTheOldFile() {
        const QString file = dir_.filePath("keep.te3");
        QVERIFY(SaveTe3Playlist(file.toStdString(), ThreeEntries()).ok);
        const QByteArray before = ReadBytes(file);
        QVERIFY(!SaveTe3Playlist(path("no/such/folder/x.te3"), ThreeEntries()).ok);
        QVERIFY(!SaveTe3Playlist(path("keep.te3/below-a-file.te3"), ThreeEntries()).ok);
        QCOMPARE(ReadBytes(file), before);
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
        for (const PlaylistFileOutcome& outcome :
             {SaveTe3Playlist(file.toStdString(), {}), SaveTelPlaylist(file.toStdString(), {}),
              SaveM3uPlaylist(file.toStdString(), {}), SavePlsPlaylist(file.toStdString(), {})}) {
            QVERIFY(!outcome.ok);
            QVERIFY(!outcome.error.empty());
        }
        QCOMPARE(ReadBytes(file), before);
    }

    void m3uRoundTrip() {
        const QString folder = dir_.filePath("m3u");
        QDir().mkpath(folder + "/sub");
        const std::string list = (folder + "/list.m3u8").toStdString();
        const std::string below = (folder + "/sub/Ärger – ü ✓.mp3").toStdString();
        const std::string beside = (folder + "/#hash.ogg").toStdString();
        const std::string outside = dir_.filePath("elsewhere/ß.wav").toStdString();
        const std::string newline = (folder + "/two\nlines.mp3").toStdString();
        const std::vector<PlaylistEntry> entries = {
            MakeEntry("Ärtist", "Tïtle", below, "3:05"), MakeEntry("", "Only Title", beside, "1:02:03"),
            MakeEntry("A", "B", outside, "---"), MakeEntry("A", "Line\nBreak", newline),
            MakeEntry("Radio", "Stream", "http://example.org/stream.mp3", "---")};
        QVERIFY(SaveM3uPlaylist(list, entries).ok);

        const QString text = QString::fromUtf8(ReadBytes(QString::fromStdString(list)));
        const QStringList lines = text.split('\n');
        QCOMPARE(lines.value(0), "#EXTM3U");
        QCOMPARE(lines.value(1), "#EXTINF:185,Ärtist - Tïtle");
        QCOMPARE(lines.value(2), "sub/Ärger – ü ✓.mp3"); // below the list: relative
        QCOMPARE(lines.value(3), "#EXTINF:3723,Only Title");
        QCOMPARE(lines.value(4), "./#hash.ogg"); // never read as a comment
        QCOMPARE(lines.value(5), "#EXTINF:-1,A - B");
        QCOMPARE(lines.value(6), QString::fromStdString(outside)); // elsewhere: absolute
        QCOMPARE(lines.value(7), "#EXTINF:225,A - Line Break");
        QVERIFY(lines.value(8).startsWith("file://"));

        std::vector<StoredEntry> back;
        QVERIFY(LoadM3uPlaylist(list, back).ok);
        QCOMPARE(back.size(), entries.size());
        const std::vector<std::string> paths = {below, beside, outside, newline,
                                                "http://example.org/stream.mp3"};
        for (std::size_t i = 0; i < back.size(); ++i)
            QCOMPARE(QByteArray::fromStdString(back[i].record[RecordPath]),
                     QByteArray::fromStdString(paths[i]));
        QCOMPARE(back[0].record[RecordArtist], std::string("Ärtist"));
        QCOMPARE(back[0].record[RecordTitle], std::string("Tïtle"));
        QCOMPARE(back[0].record[RecordLength], std::string("3:05"));
        QVERIFY(back[0].readFromFile); // an MP3: its tags are read
        QCOMPARE(back[1].record[RecordArtist], std::string());
        QCOMPARE(back[1].record[RecordTitle], std::string("Only Title"));
        QVERIFY(back[1].readFromFile);
        QCOMPARE(back[2].record[RecordLength], std::string(NoValueText));
    }

    void m3uFromOtherPlayers() {
        const QString folder = dir_.filePath("foreign");
        QDir().mkpath(folder + "/a");
        QByteArray text = "\xEF\xBB\xBF#EXTM3U\r\n"
                          "\r\n"
                          "# a comment\r\n"
                          "#EXTINF:200,Somebody - Something\r\n"
                          "a/one.mp3\r\n"
                          "../up.ogg\n"
                          "file:///music/with%20space%C3%A9.flac\n"
                          "sub\\windows.mp3\n"
                          "#EXTINF:10,Caf\xE9 - Th\xE9\n"
                          "/abs/./x/../caf\xE9.mp3\n";
        text += QByteArray(100 * 1024, 'x') + "\n"; // no path line: skipped
        text += "   /trimmed.wav   \n";
        text += "#EXTINF:5,unterminated";
        const QString list = folder + "/list.m3u";
        QVERIFY(WriteBytes(list, text));
        std::vector<StoredEntry> e;
        QVERIFY(LoadM3uPlaylist(list.toStdString(), e).ok);
        QCOMPARE(e.size(), 6u);
        const std::string f = folder.toStdString();
        QCOMPARE(e[0].record[RecordPath], f + "/a/one.mp3");
        QCOMPARE(e[0].record[RecordArtist], std::string("Somebody"));
        QCOMPARE(e[0].record[RecordLength], std::string("3:20"));
        QCOMPARE(e[1].record[RecordPath], dir_.filePath("up.ogg").toStdString());
        QCOMPARE(e[2].record[RecordPath], std::string("/music/with spaceé.flac"));
        QCOMPARE(e[3].record[RecordPath], f + "/sub/windows.mp3");
        QCOMPARE(e[4].record[RecordPath], std::string("/abs/café.mp3")); // Latin-1 line read as such
        QCOMPARE(e[4].record[RecordTitle], std::string("Thé"));
        QCOMPARE(e[5].record[RecordPath], std::string("/trimmed.wav"));
    }

    void plsInEntryNumberOrder() {
        const QString list = dir_.filePath("radio.pls");
        QVERIFY(WriteBytes(list, "[playlist]\nNumberOfEntries=3\n"
                                 "File2=/b.mp3\nTitle2=Band - Second\nLength2=65\n"
                                 "file1=rel/a.ogg\n"
                                 "File3=http://radio.example.org:8000/live\nTitle3=Live\nLength3=-1\n"
                                 "Title9=no file\nVersion=2\n"));
        std::vector<StoredEntry> e;
        QVERIFY(LoadPlsPlaylist(list.toStdString(), e).ok);
        QCOMPARE(e.size(), 3u);
        QCOMPARE(e[0].record[RecordPath], dir_.filePath("rel/a.ogg").toStdString());
        QVERIFY(e[0].readFromFile);
        QCOMPARE(e[1].record[RecordPath], std::string("/b.mp3"));
        QCOMPARE(e[1].record[RecordArtist], std::string("Band"));
        QCOMPARE(e[1].record[RecordLength], std::string("1:05"));
        QCOMPARE(e[2].record[RecordPath], std::string("http://radio.example.org:8000/live"));
        QCOMPARE(e[2].record[RecordTitle], std::string("Live"));
        QVERIFY(!e[2].readFromFile);
    }

    // Every text list saves what it loads: the same paths, titles and lengths come back, whatever
    // bytes the names hold.
    void textListsRoundTrip_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("M3U") << "list.m3u";
        QTest::newRow("M3U8") << "list.m3u8";
        QTest::newRow("PLS") << "list.pls";
    }

    void textListsRoundTrip() {
        QFETCH(QString, name);
        const QString folder = dir_.filePath("round-" + name);
        QDir().mkpath(folder + "/sub");
        const std::string list = (folder + "/" + name).toStdString();
        const std::string f = folder.toStdString();
        const std::vector<std::string> paths = {f + "/sub/Ärger – ü ✓.mp3",
                                                f + "/#hash=x.ogg",
                                                dir_.filePath("elsewhere/ß.wav").toStdString(),
                                                f + "/two\nlines.mp3",
                                                f + "/ blank at both ends .mp3",
                                                f + "/not-utf8-\xff.wav",
                                                "http://example.org/stream.mp3"};
        std::vector<PlaylistEntry> entries;
        for (std::size_t i = 0; i < paths.size(); ++i)
            entries.push_back(MakeEntry("Ärtist " + std::to_string(i), "Title=" + std::to_string(i), paths[i],
                                        i % 2 ? "62:03" : "3:05"));
        QVERIFY(PlaylistFormatOf(list) == PlaylistFormat::M3u ||
                PlaylistFormatOf(list) == PlaylistFormat::Pls);
        QVERIFY(PlaylistFormatOf(list) == PlaylistFormat::Pls ? SavePlsPlaylist(list, entries).ok
                                                              : SaveM3uPlaylist(list, entries).ok);
        std::vector<StoredEntry> back;
        QVERIFY(PlaylistFormatOf(list) == PlaylistFormat::Pls ? LoadPlsPlaylist(list, back).ok
                                                              : LoadM3uPlaylist(list, back).ok);
        QCOMPARE(back.size(), entries.size());
        for (std::size_t i = 0; i < back.size(); ++i) {
            QCOMPARE(QByteArray::fromStdString(back[i].record[RecordPath]),
                     QByteArray::fromStdString(paths[i]));
            QCOMPARE(back[i].record[RecordArtist], "Ärtist " + std::to_string(i));
            QCOMPARE(back[i].record[RecordTitle], "Title=" + std::to_string(i));
            QCOMPARE(back[i].record[RecordLength], std::string(i % 2 ? "62:03" : "3:05"));
        }
    }

    void textListsOfGarbageLoadWithoutHarm() {
        QByteArray garbage;
        quint32 seed = 99;
        for (int i = 0; i < 20000; ++i) {
            seed = seed * 1103515245u + 12345u;
            garbage.append(static_cast<char>(seed >> 24));
        }
        for (const QString& name : {QStringLiteral("garbage.m3u"), QStringLiteral("garbage.pls")}) {
            const QString file = dir_.filePath(name);
            QVERIFY(WriteBytes(file, garbage));
            std::vector<StoredEntry> e;
            const auto outcome = name.endsWith("m3u") ? LoadM3uPlaylist(file.toStdString(), e)
                                                      : LoadPlsPlaylist(file.toStdString(), e);
            QVERIFY(outcome.ok);
            for (const StoredEntry& s : e)
                for (const std::string& field : s.record)
                    QVERIFY(IsValidUtf8(field));
            QCOMPARE(ReadBytes(file), garbage);
        }
    }

    void temporaryPlaylistPath() {
        QCOMPARE(TemporaryPlaylistPath("/prog"), std::string("/prog/Temporary Playlist/Temp.te3"));
    }
};

QTEST_GUILESS_MAIN(TestPlaylistFiles)
#include "tst_playlistfiles.moc"
