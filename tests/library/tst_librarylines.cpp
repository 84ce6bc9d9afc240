// The library without windows: the line layout held compactly, Archive.rol, sorting, the path rules,
// played files, the artist and album lists and the search.
#include "../FileSizeLimit.h"
#include "LibraryFixtures.h"

#include "LibraryBrowse.h"
#include "LibraryFile.h"
#include "LibraryLines.h"
#include "LibrarySearch.h"
#include "LibrarySort.h"
#include "MusicLibrary.h"
#include "Settings.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

using namespace larkspin;
using namespace libfixtures;

namespace {

std::vector<std::string> Artists(const LibraryLines& lines) {
    std::vector<std::string> a;
    for (LibraryEntry e : lines.Entries())
        a.emplace_back(e.Field(ArtistField));
    return a;
}

std::vector<std::string> Paths(const std::vector<LibraryEntry>& entries) {
    std::vector<std::string> p;
    for (LibraryEntry e : entries)
        p.emplace_back(e.Field(PathField));
    return p;
}

std::vector<std::string> Titles(const std::vector<LibraryEntry>& entries) {
    std::vector<std::string> t;
    for (LibraryEntry e : entries)
        t.emplace_back(e.Field(TitleField));
    return t;
}

// A record with every length byte at its capacity (library files written by earlier versions look so).
std::string Record(const LibraryValues& v) {
    std::string r;
    for (int k = 0; k < LibraryFieldCount; ++k) {
        r += static_cast<char>(LibraryRecordCapacities[k]);
        r += FillToWidth(v[k], LibraryRecordCapacities[k]);
    }
    return r;
}

QStringList ToQStringList(const std::vector<std::string>& v) {
    QStringList l;
    for (const std::string& s : v)
        l << QString::fromStdString(s);
    return l;
}

// Random texts made of few letters, spaces and one accented letter, so lines often share prefixes;
// with wide also the capital accented letter and the last ASCII characters.
std::string RandomText(QRandomGenerator& rng, int maxLength, bool wide = false) {
    static const char* pieces[] = {"a", "A", "b", "B", " ", "é", "-", "1", "É", "z", "~", "\x7f"};
    std::string s;
    const int n = rng.bounded(maxLength + 1);
    for (int i = 0; i < n; ++i)
        s += pieces[rng.bounded(wide ? 12 : 8)];
    return s;
}

} // namespace

class TestLibraryLines : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { cleanup(); }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void lineLayout();
    void fieldsCutOnCharacterBoundary();
    void fieldReadsTrailingBlanksAway();
    void handlesSurviveRemovals();

    void loadFileSizes_data();
    void loadFileSizes();
    void saveLoadRoundTrip();
    void threeEntriesMake2304Bytes();
    void missingFileIsEmptyLibrary();
    void hostileFiles_data();
    void hostileFiles();
    void failedSaveKeepsOldFile();

    void sortIgnoresLetterCase_data();
    void sortIgnoresLetterCase();
    void sortMatchesWholeLineComparison_data();
    void sortMatchesWholeLineComparison();
    void addLineSortedFindsItsPlace();
    void sortAppendedMatchesFullSort();

    void removeDeletesExactPathOnly_data();
    void removeDeletesExactPathOnly();
    void pathCutByItsFieldIsFound();

    void addPlayedFile_data();
    void addPlayedFile();
    void playedLongPathAddedOnce();

    void programLibraryLifecycle_data();
    void programLibraryLifecycle();

    void artistListOncePerCaseVariant();
    void artistListInPlainCodePointLocale();
    void albumTitlesInTrackOrder();

    void search_data();
    void search();
    void searchMatchesWholeLineSearch();
};

void TestLibraryLines::lineLayout() {
    LibraryLines lines;
    const LibraryValues v =
        Values("Pink Floyd", "Time", "/m/Pink Floyd/Time.mp3", "Dark Side", "04", "remaster");
    const LibraryEntry e = lines.AppendValues(v);
    const std::string line = e.Line();
    QCOMPARE(line.size(), LibraryLineLength);
    QCOMPARE(line, Line(v));
    // Fields start at their fixed columns.
    QCOMPARE(line.substr(0, 10), std::string("Pink Floyd"));
    QCOMPARE(line.substr(100, 4), std::string("Time"));
    QCOMPARE(line.substr(360, 8), std::string("remaster"));
    QCOMPARE(line.substr(475, 22), std::string("/m/Pink Floyd/Time.mp3"));
    QCOMPARE(line.substr(730, 8), std::string("Internal"));
    QCOMPARE(line.substr(780, 5), std::string("0    "));
    for (int f = ArtistField; f <= RatingField; ++f) {
        QCOMPARE(e.Field(f), LibraryField(line, f));
        QCOMPARE(std::string(e.Field(f)), v[f - 1]);
    }
    // A line appended as text holds the same entry.
    const LibraryEntry again = lines.AppendLine(line);
    QCOMPARE(again.Line(), line);
    QCOMPARE(lines.Count(), std::size_t(2));
}

void TestLibraryLines::fieldsCutOnCharacterBoundary() {
    LibraryLines lines;
    // 99 ASCII bytes and a two-byte letter: the letter does not fit and is dropped whole.
    const std::string artist = std::string(99, 'x') + "é";
    const std::string location = std::string(49, 'y') + "€";
    LibraryValues v = Values(artist, "t", "/p");
    v[LocationField - 1] = location;
    const LibraryEntry e = lines.AppendValues(v);
    QCOMPARE(std::string(e.Field(ArtistField)), std::string(99, 'x'));
    QCOMPARE(std::string(e.Field(LocationField)), std::string(49, 'y'));
    QCOMPARE(e.Line().size(), LibraryLineLength);
    QCOMPARE(StoredFieldText(artist, ArtistField), std::string(99, 'x'));
}

void TestLibraryLines::fieldReadsTrailingBlanksAway() {
    LibraryLines lines;
    LibraryValues v = Values("  Leading", "Tab\t", "/p");
    const LibraryEntry e = lines.AppendValues(v);
    QCOMPARE(e.Field(ArtistField), std::string_view("  Leading"));
    QCOMPARE(e.Field(TitleField), std::string_view("Tab"));
    // The tab stays part of the line; only reading the field drops it.
    QCOMPARE(e.Line().substr(100, 4), std::string("Tab\t"));
    QCOMPARE(LibraryField(std::string("short"), TitleField), std::string_view());
}

void TestLibraryLines::handlesSurviveRemovals() {
    LibraryLines lines;
    const LibraryEntry a = lines.AppendValues(Values("A", "1", "/a"));
    const LibraryEntry b = lines.AppendValues(Values("B", "2", "/b"));
    const LibraryEntry c = lines.AppendValues(Values("C", "3", "/c"));
    lines.RemoveAt(1);
    QCOMPARE(lines.Count(), std::size_t(2));
    QCOMPARE(a.Field(PathField), std::string_view("/a"));
    QCOMPARE(c.Field(PathField), std::string_view("/c"));
    QCOMPARE(lines.IndexOf(c), std::size_t(1));
    QCOMPARE(lines.IndexOf(b), lines.Count());
    // Several at once, one already gone; the rest keep their order.
    const LibraryEntry d = lines.AppendValues(Values("D", "4", "/d"));
    QCOMPARE(lines.RemoveEntries({c, b, a}), std::size_t(2));
    QCOMPARE(lines.Count(), std::size_t(1));
    QCOMPARE(lines.Entry(0), d);
    const std::uint64_t generation = lines.Generation();
    QCOMPARE(lines.RemoveEntries({d}), std::size_t(1));
    QVERIFY(lines.Empty());
    QVERIFY(lines.Generation() > generation);
}

void TestLibraryLines::loadFileSizes_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("entries");
    QTest::addColumn<bool>("damaged");
    QTest::newRow("0 bytes") << 0 << 0 << false;
    QTest::newRow("1000 bytes") << 1000 << 1 << true;
    QTest::newRow("767 bytes") << 767 << 0 << true;
    QTest::newRow("two records") << 1536 << 2 << false;
}

void TestLibraryLines::loadFileSizes() {
    QFETCH(int, size);
    QFETCH(int, entries);
    QFETCH(bool, damaged);
    QTemporaryDir dir;
    const QString path = dir.filePath("Archive.rol");
    std::string bytes;
    while (bytes.size() < static_cast<std::size_t>(size))
        bytes += Record(
            Values("Artist", "Title " + std::to_string(bytes.size()), "/p" + std::to_string(bytes.size())));
    bytes.resize(static_cast<std::size_t>(size));
    QVERIFY(WriteBytes(path, bytes));
    LibraryLines lines;
    lines.AppendValues(Values("old", "old", "/old"));
    const LibraryFileResult r = LoadLibrary(lines, path.toStdString());
    QVERIFY(r.Ok);
    QCOMPARE(lines.Count(), std::size_t(entries));
    QCOMPARE(!r.Message.empty(), damaged);
    if (entries > 0)
        QCOMPARE(lines.Field(0, ArtistField), std::string_view("Artist"));
}

void TestLibraryLines::saveLoadRoundTrip() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("Organizer/Archive.rol").toStdString();
    QVERIFY(QDir(dir.path()).mkdir("Organizer"));
    LibraryLines lines;
    LibraryValues full = Values(std::string(100, 'A'), "Tïtle with ümlauts", std::string(255, '/'), "Ålbum",
                                "12", "a comment");
    full[LocationField - 1] = "A medium name longer than twenty bytes";
    lines.AppendValues(full);
    LibraryValues cutInsideLetter = Values("Ärtist", "T", "/x.mp3");
    cutInsideLetter[LocationField - 1] = std::string(19, 'm') + "ü and more";
    lines.AppendValues(cutInsideLetter);
    lines.AppendValues(Values("", "", "/empty artist.mp3", "", ""));

    const LibraryFileResult saved = SaveLibrary(lines, path);
    QVERIFY2(saved.Ok, saved.Message.c_str());
    QCOMPARE(saved.Records, std::size_t(3));
    const std::string bytes = ReadBytes(QString::fromStdString(path));
    // Every length byte equals its capacity: values keep their filling spaces.
    for (std::size_t r = 0; r < 3; ++r) {
        std::size_t offset = r * LibraryRecordSize;
        for (std::size_t capacity : LibraryRecordCapacities) {
            QCOMPARE(static_cast<unsigned char>(bytes[offset]), static_cast<unsigned char>(capacity));
            offset += capacity + 1;
        }
    }

    LibraryLines loaded;
    const LibraryFileResult r = LoadLibrary(loaded, path);
    QVERIFY(r.Ok);
    QVERIFY2(r.Message.empty(), r.Message.c_str());
    QCOMPARE(loaded.Count(), std::size_t(3));
    for (std::size_t i = 0; i < 3; ++i)
        for (int f = ArtistField; f <= RatingField; ++f)
            if (f != LocationField)
                QCOMPARE(loaded.Field(i, f), lines.Field(i, f));
    QCOMPARE(loaded.Field(0, LocationField), std::string_view("A medium name longer"));
    // The cut never splits a letter: the ü that would straddle byte 20 is dropped whole.
    QCOMPARE(std::string(loaded.Field(1, LocationField)), std::string(19, 'm'));
}

void TestLibraryLines::threeEntriesMake2304Bytes() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Archive.rol");
    LibraryLines lines;
    for (int i = 0; i < 3; ++i)
        lines.AppendValues(Values("A" + std::to_string(i), "T", "/p" + std::to_string(i)));
    QVERIFY(SaveLibrary(lines, path.toStdString()).Ok);
    QCOMPARE(QFileInfo(path).size(), qint64(2304));
    // An empty library writes an empty file.
    lines.Clear();
    QVERIFY(SaveLibrary(lines, path.toStdString()).Ok);
    QCOMPARE(QFileInfo(path).size(), qint64(0));
}

void TestLibraryLines::missingFileIsEmptyLibrary() {
    QTemporaryDir dir;
    LibraryLines lines;
    lines.AppendValues(Values("x", "y", "/z"));
    const LibraryFileResult r = LoadLibrary(lines, dir.filePath("none.rol").toStdString());
    QVERIFY(r.Ok);
    QVERIFY(r.Message.empty());
    QVERIFY(lines.Empty());
    // A folder in place of the file is an error naming the file, in the system's words.
    const LibraryFileResult folder = LoadLibrary(lines, dir.path().toStdString());
    QVERIFY(!folder.Ok);
    QCOMPARE(folder.Message,
             "The library file " + dir.path().toStdString() + " could not be read: " + std::strerror(EISDIR));
}

void TestLibraryLines::hostileFiles_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("entries");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("track");
    QTest::addColumn<QString>("messagePart");

    const std::string good = Record(Values("Good", "T", "/good"));
    const auto make = [](const std::string& s) {
        return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
    };

    std::string overlong = Record(Values("Long", "T", "/long", "A", "07"));
    overlong[468] = '\xFF'; // Track's length byte far beyond its 5 bytes
    QTest::newRow("length beyond capacity") << make(good + overlong) << 2 << "Long"
                                            << "07   Y"
                                            << "longer than";

    std::string latin1 = Record(Values("Caf\xE9", "T", "/latin1"));
    QTest::newRow("not UTF-8") << make(latin1) << 1 << QString::fromUtf8("Café") << "01"
                               << "Latin-1";

    // Fields without filling: short length bytes and zero bytes after them.
    std::string bare(LibraryRecordSize, '\0');
    std::size_t offset = 0;
    const LibraryValues v = Values("Bare", "T", "/bare", "A", "3");
    for (int k = 0; k < LibraryFieldCount; ++k) {
        bare[offset] = static_cast<char>(v[k].size());
        bare.replace(offset + 1, v[k].size(), v[k]);
        offset += LibraryRecordCapacities[k] + 1;
    }
    QTest::newRow("fields without spaces") << make(bare) << 1 << "Bare"
                                           << "3"
                                           << "";

    QTest::newRow("cut mid-record") << make(good + good.substr(0, 500)) << 1 << "Good"
                                    << "01"
                                    << "500 bytes";
    QTest::newRow("zero bytes only") << QByteArray(768 * 2, '\0') << 2 << ""
                                     << ""
                                     << "";
    QTest::newRow("0xFF bytes only") << QByteArray(768, '\xFF') << 1 << ""
                                     << ""
                                     << "Latin-1";
}

void TestLibraryLines::hostileFiles() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, entries);
    QFETCH(QString, artist);
    QFETCH(QString, track);
    QFETCH(QString, messagePart);
    QTemporaryDir dir;
    const QString path = dir.filePath("Archive.rol");
    QVERIFY(WriteBytes(path, bytes.toStdString()));
    LibraryLines lines;
    const LibraryFileResult r = LoadLibrary(lines, path.toStdString());
    QVERIFY(r.Ok);
    QCOMPARE(lines.Count(), std::size_t(entries));
    const std::size_t last = lines.Count() - 1;
    if (!artist.isEmpty())
        QCOMPARE(QString::fromStdString(std::string(lines.Field(last, ArtistField))), artist);
    if (!track.isEmpty())
        QVERIFY(QString::fromStdString(std::string(lines.Field(last, TrackField))).startsWith(track.left(2)));
    if (messagePart.isEmpty())
        QVERIFY2(r.Message.empty(), r.Message.c_str());
    else
        QVERIFY2(QString::fromStdString(r.Message).contains(messagePart), r.Message.c_str());
    for (LibraryEntry e : lines.Entries())
        QCOMPARE(e.Line().size(), LibraryLineLength);
}

void TestLibraryLines::failedSaveKeepsOldFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Archive.rol");
    LibraryLines lines;
    lines.AppendValues(Values("Old", "T", "/old"));
    QVERIFY(SaveLibrary(lines, path.toStdString()).Ok);
    const std::string before = ReadBytes(path);

    lines.Clear();
    for (int i = 0; i < 100; ++i)
        lines.AppendValues(Values("New", "T", "/new" + std::to_string(i)));
    // A full disk: writes beyond 20000 bytes fail (also for root, unlike a read-only folder).
    FileSizeLimit limit(20000);
    QVERIFY(limit.Active());
    const LibraryFileResult r = SaveLibrary(lines, path.toStdString());
    limit.Lift();
    QVERIFY(!r.Ok);
    QVERIFY2(r.Message == std::strerror(EFBIG), r.Message.c_str());
    QCOMPARE(ReadBytes(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Archive.rol"});
}

void TestLibraryLines::sortIgnoresLetterCase_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("C") << QLocale::c();
}

void TestLibraryLines::sortIgnoresLetterCase() {
    QFETCH(QLocale, locale);
    QLocale::setDefault(locale);
    LibraryLines lines;
    for (const char* a :
         {"beatles", "ABBA", "The Beatles", "Beatles", "abba", "BEATLES", "Zappa", "AC/DC", "AC"})
        lines.AppendValues(Values(a, "Song", std::string("/") + a));
    SortLibrary(lines);
    QVERIFY(lines.KnownSorted());
    const std::vector<std::string> artists = Artists(lines);
    // Case variants side by side, in their old order; "AC" (filled with spaces) before "AC/DC".
    const std::vector<std::string> expected = {"ABBA",    "abba",    "AC",          "AC/DC", "beatles",
                                               "Beatles", "BEATLES", "The Beatles", "Zappa"};
    QCOMPARE(ToQStringList(artists), ToQStringList(expected));
}

void TestLibraryLines::sortMatchesWholeLineComparison_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
    // Lines of only ASCII fold byte by byte there, others through Unicode: both must agree.
    QTest::newRow("C") << QLocale::c();
}

void TestLibraryLines::sortMatchesWholeLineComparison() {
    QFETCH(QLocale, locale);
    QLocale::setDefault(locale);
    // The compact form must order exactly as the full 785-byte lines do.
    QRandomGenerator rng(1234);
    LibraryLines lines;
    for (int i = 0; i < 400; ++i) {
        LibraryValues v = Values(RandomText(rng, 6, true), RandomText(rng, 5, true),
                                 "/p" + RandomText(rng, 4), RandomText(rng, 3));
        lines.AppendValues(v);
    }
    SortLibrary(lines);
    const QCollator collator = LibraryCollator(Qt::CaseInsensitive);
    for (std::size_t i = 1; i < lines.Count(); ++i) {
        const QString a = QString::fromStdString(lines.Line(i - 1));
        const QString b = QString::fromStdString(lines.Line(i));
        QVERIFY2(collator.compare(a, b) <= 0, qPrintable(a.simplified() + " > " + b.simplified()));
    }
}

void TestLibraryLines::addLineSortedFindsItsPlace() {
    LibraryLines lines;
    for (const char* a : {"d", "b", "f"})
        lines.AppendValues(Values(a, "t", std::string("/") + a));
    SortLibrary(lines);
    AddLineSorted(lines, Line(Values("C", "t", "/C")));
    AddLineSorted(lines, Line(Values("a", "t", "/a")));
    AddLineSorted(lines, Line(Values("z", "t", "/z")));
    QCOMPARE(ToQStringList(Artists(lines)), (QStringList{"a", "b", "C", "d", "f", "z"}));
    // A list loaded from a file is not known to be sorted: adding sorts it all.
    LibraryLines unsorted;
    unsorted.AppendValues(Values("y", "t", "/y"));
    unsorted.AppendValues(Values("x", "t", "/x"));
    unsorted.SetKnownSorted(false);
    AddLineSorted(unsorted, Line(Values("w", "t", "/w")));
    QCOMPARE(ToQStringList(Artists(unsorted)), (QStringList{"w", "x", "y"}));
}

void TestLibraryLines::sortAppendedMatchesFullSort() {
    QRandomGenerator rng(99);
    std::vector<LibraryValues> old, added;
    for (int i = 0; i < 300; ++i)
        old.push_back(Values(RandomText(rng, 5), RandomText(rng, 4), "/o" + std::to_string(i)));
    for (int i = 0; i < 60; ++i)
        added.push_back(Values(RandomText(rng, 5), RandomText(rng, 4), "/n" + std::to_string(i)));
    LibraryLines merged, sorted;
    for (const LibraryValues& v : old)
        merged.AppendValues(v);
    SortLibrary(merged);
    // The full sort gets the old lines in their sorted order too, so equal lines compare alike.
    for (LibraryEntry e : merged.Entries())
        sorted.AppendLine(e.Line());
    const std::size_t first = merged.Count();
    for (const LibraryValues& v : added) {
        merged.AppendValues(v);
        sorted.AppendValues(v);
    }
    SortAppended(merged, first, true);
    SortLibrary(sorted);
    QVERIFY(merged.KnownSorted());
    QCOMPARE(merged.Count(), sorted.Count());
    for (std::size_t i = 0; i < merged.Count(); ++i)
        QCOMPARE(merged.Line(i), sorted.Line(i));
}

void TestLibraryLines::removeDeletesExactPathOnly_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("removed");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("exact path") << "/m/a.mp3" << true
                                << QStringList{"/backup/m/a.mp3", "/m/a.mp3x", "/m/b.mp3"};
    QTest::newRow("contained in other paths only")
        << "/m/a" << false << QStringList{"/backup/m/a.mp3", "/m/a.mp3", "/m/a.mp3x", "/m/b.mp3"};
    QTest::newRow("text of another field")
        << "Artist" << false << QStringList{"/backup/m/a.mp3", "/m/a.mp3", "/m/a.mp3x", "/m/b.mp3"};
    QTest::newRow("other case") << "/M/B.MP3" << false
                                << QStringList{"/backup/m/a.mp3", "/m/a.mp3", "/m/a.mp3x", "/m/b.mp3"};
    QTest::newRow("last entry") << "/m/b.mp3" << true
                                << QStringList{"/backup/m/a.mp3", "/m/a.mp3", "/m/a.mp3x"};
}

void TestLibraryLines::removeDeletesExactPathOnly() {
    QFETCH(QString, path);
    QFETCH(bool, removed);
    QFETCH(QStringList, left);
    LibraryLines lines;
    for (const char* p : {"/backup/m/a.mp3", "/m/a.mp3", "/m/a.mp3x", "/m/b.mp3"})
        lines.AppendValues(Values("Artist", "Title", p));
    QCOMPARE(RemoveLibraryEntry(lines, path.toStdString()), removed);
    QCOMPARE(ToQStringList(Paths(lines.Entries())), left);
    QCOMPARE(LibraryHasPath(lines, path.toStdString()), !removed && left.contains(path));
}

void TestLibraryLines::pathCutByItsFieldIsFound() {
    LibraryLines lines;
    const std::string longPath = "/music/" + std::string(240, 'd') + "/é/song.mp3"; // beyond 255 bytes
    lines.AppendValues(Values("A", "T", longPath));
    QVERIFY(LibraryHasPath(lines, longPath));
    QVERIFY(!LibraryHasPath(lines, "/music/" + std::string(240, 'd')));
    // Trailing blanks are not kept by the field either.
    lines.AppendValues(Values("A", "T", "/x/name ends in space "));
    QVERIFY(LibraryHasPath(lines, "/x/name ends in space "));
    QVERIFY(RemoveLibraryEntry(lines, longPath));
    QCOMPARE(lines.Count(), std::size_t(1));
}

void TestLibraryLines::addPlayedFile_data() {
    QTest::addColumn<bool>("activateAdd");
    QTest::addColumn<bool>("activateRating");
    QTest::addColumn<int>("entries");
    QTest::newRow("add on") << true << false << 1;
    QTest::newRow("add on, rating on") << true << true << 1;
    QTest::newRow("add off, rating on") << false << true << 0;
    QTest::newRow("both off") << false << false << 0;
}

void TestLibraryLines::addPlayedFile() {
    QFETCH(bool, activateAdd);
    QFETCH(bool, activateRating);
    QFETCH(int, entries);
    QTemporaryDir dir;
    const std::string path = dir.filePath("02 Song.mp3").toStdString();
    QVERIFY(WriteTaggedMp3(path, "01 Band", "07 Played", "Disc", 2));
    Settings s;
    s.ActivateAdd = activateAdd;
    s.ActivateRating = activateRating;
    s.ReadId3v2Tag = false;
    s.TransformArtOrg = true;
    s.TransformTitOrg = true;
    MusicLibrary lib;
    lib.Lines.AppendValues(Values("Zed", "Z", "/z.mp3"));
    lib.Lines.AppendValues(Values("Abe", "A", "/a.mp3"));
    SortLibrary(lib.Lines);
    // Played twice, added once.
    AddPlayedFile(lib, s, path);
    AddPlayedFile(lib, s, path);
    QCOMPARE(lib.Lines.Count(), std::size_t(2 + entries));
    QCOMPARE(lib.LibraryModified, entries > 0);
    if (entries > 0) {
        QCOMPARE(ToQStringList(Artists(lib.Lines)), (QStringList{"Abe", "Band", "Zed"}));
        const LibraryEntry e = lib.Lines.Entry(1);
        QCOMPARE(e.Field(TitleField), std::string_view("Played"));
        QCOMPARE(e.Field(AlbumField), std::string_view("Disc"));
        QCOMPARE(e.Field(TrackField), std::string_view("02"));
        QCOMPARE(e.Field(LocationField), std::string_view("Unknown"));
        QCOMPARE(e.Field(RatingField), std::string_view("0"));
        QCOMPARE(std::string(e.Field(PathField)), path);
    }
}

void TestLibraryLines::playedLongPathAddedOnce() {
    QTemporaryDir dir;
    QString folder = dir.path();
    while (folder.toUtf8().size() < 270)
        folder += "/" + QString(40, QChar('f'));
    QVERIFY(QDir().mkpath(folder));
    const std::string path = (folder + "/Band - Song.mp3").toStdString();
    QVERIFY(WriteTaggedMp3(path, "Band", "Song"));
    Settings s;
    s.ActivateAdd = true;
    MusicLibrary lib;
    for (int i = 0; i < 3; ++i)
        AddPlayedFile(lib, s, path);
    QCOMPARE(lib.Lines.Count(), std::size_t(1));
}

void TestLibraryLines::programLibraryLifecycle_data() {
    QTest::addColumn<bool>("organizer");
    QTest::addColumn<bool>("modified");
    QTest::addColumn<int>("entriesAfterRestart");
    QTest::newRow("changed") << true << true << 2;
    QTest::newRow("unchanged") << true << false << 1;
    QTest::newRow("library off") << false << true << 1;
}

void TestLibraryLines::programLibraryLifecycle() {
    QFETCH(bool, organizer);
    QFETCH(bool, modified);
    QFETCH(int, entriesAfterRestart);
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    QVERIFY(QDir(dir.path()).mkdir("Organizer"));
    LibraryLines first;
    first.AppendValues(Values("Old", "T", "/old"));
    QVERIFY(SaveLibrary(first, LibraryFilePath(folder)).Ok);

    Settings s;
    s.ActivateOrganizer = organizer;
    MusicLibrary lib;
    QVERIFY(LoadProgramLibrary(lib, s, folder).Ok);
    QCOMPARE(lib.Lines.Count(), std::size_t(organizer ? 1 : 0));
    lib.Lines.AppendValues(Values("New", "T", "/new"));
    lib.LibraryModified = modified;
    QVERIFY(SaveProgramLibrary(lib, s, folder).Ok);

    s.ActivateOrganizer = true;
    MusicLibrary again;
    QVERIFY(LoadProgramLibrary(again, s, folder).Ok);
    QCOMPARE(again.Lines.Count(), std::size_t(entriesAfterRestart));
    QVERIFY(!again.LibraryModified);
}

void TestLibraryLines::artistListOncePerCaseVariant() {
    LibraryLines lines;
    lines.AppendValues(Values("Queen", "Q1", "/q1"));
    lines.AppendValues(Values("QUEEN", "Q2", "/q2"));
    lines.AppendValues(Values("queen", "Q3", "/q3"));
    lines.AppendValues(Values("", "No artist", "/none"));
    lines.AppendValues(Values("Abba", "A1", "/a1"));
    lines.AppendValues(Values("Queens", "Q4", "/q4"));
    SortLibrary(lines);
    const std::vector<std::string> artists = BrowseNames(lines, ArtistField);
    QCOMPARE(artists.size(), std::size_t(3));
    QCOMPARE(QString::fromStdString(artists[0]), QString("Abba"));
    QVERIFY(EqualsIgnoringAsciiCase(artists[1], "queen"));
    QCOMPARE(QString::fromStdString(artists[2]), QString("Queens"));
    QCOMPARE(ToQStringList(Titles(BrowseTitles(lines, ArtistField, "QUEEN"))),
             (QStringList{"Q1", "Q2", "Q3"}));
    // The entry without an artist is found by search all the same.
    QCOMPARE(SearchLibrary(lines, "No artist", true).size(), std::size_t(1));
}

void TestLibraryLines::artistListInPlainCodePointLocale() {
    QLocale::setDefault(QLocale::c());
    LibraryLines lines;
    for (const char* a : {"abba", "Beatles", "ABBA", "beatles"})
        lines.AppendValues(Values(a, "t", std::string("/") + a));
    const std::vector<std::string> artists = BrowseNames(lines, ArtistField);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QCOMPARE(artists.size(), std::size_t(2));
}

void TestLibraryLines::albumTitlesInTrackOrder() {
    LibraryLines lines;
    lines.AppendValues(Values("X", "Ten", "/10", "Disc", "10"));
    lines.AppendValues(Values("X", "Two", "/2", "disc", "02"));
    lines.AppendValues(Values("Y", "One", "/1", "DISC", "01"));
    lines.AppendValues(Values("Y", "Other", "/o", "Other", "01"));
    SortLibrary(lines);
    QCOMPARE(BrowseNames(lines, AlbumField).size(), std::size_t(2));
    QCOMPARE(ToQStringList(Titles(BrowseTitles(lines, AlbumField, "Disc"))),
             (QStringList{"One", "Two", "Ten"}));
}

void TestLibraryLines::search_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("caseSensitive");
    QTest::addColumn<QStringList>("found");
    QTest::newRow("folder of a path")
        << "/rock/" << false << QStringList{"/music/rock/a.mp3", "/music/rock/b.ogg"};
    QTest::newRow("small letters, case off") << "metallica" << false << QStringList{"/music/rock/a.mp3"};
    QTest::newRow("small letters, case on") << "metallica" << true << QStringList{};
    QTest::newRow("as written, case on") << "Metallica" << true << QStringList{"/music/rock/a.mp3"};
    QTest::newRow("hidden comment") << "live bootleg" << false << QStringList{"/music/rock/b.ogg"};
    QTest::newRow("filling space ends a field") << "Nirvana " << false << QStringList{"/music/rock/b.ogg"};
    QTest::newRow("prefix of a longer field")
        << "Nirvana" << false << QStringList{"/music/rock/b.ogg", "/other/n.mp3"};
    QTest::newRow("many filling spaces") << "Nirvana" + QString(50, ' ') + "Song" << false << QStringList{};
    QTest::newRow("across fields through filling")
        << "Nirvana" + QString(93, ' ') + "Lithium" << false << QStringList{"/music/rock/b.ogg"};
    QTest::newRow("empty text") << "" << false << QStringList{};
    QTest::newRow("non-ASCII letters keep case") << QString::fromUtf8("MÖTLEY") << false << QStringList{};
}

void TestLibraryLines::search() {
    QFETCH(QString, text);
    QFETCH(bool, caseSensitive);
    QFETCH(QStringList, found);
    LibraryLines lines;
    lines.AppendValues(Values("Metallica", "One", "/music/rock/a.mp3"));
    lines.AppendValues(Values("Nirvana", "Lithium", "/music/rock/b.ogg", "Nevermind", "03", "Live Bootleg"));
    lines.AppendValues(Values("Nirvanas", "Song", "/other/n.mp3"));
    lines.AppendValues(Values(reinterpret_cast<const char*>(u8"Mötley"), "Crue", "/x.mp3"));
    QCOMPARE(ToQStringList(Paths(SearchLibrary(lines, text.toStdString(), caseSensitive))), found);
}

void TestLibraryLines::searchMatchesWholeLineSearch() {
    // Against a plain search of the full lines, with texts full of spaces and case variants.
    QRandomGenerator rng(77);
    LibraryLines lines;
    for (int i = 0; i < 200; ++i) {
        LibraryValues v = Values(RandomText(rng, 8), RandomText(rng, 8), "/" + RandomText(rng, 6));
        if (i % 7 == 0)
            v[LengthField - 1] = std::string(20, 'b'); // a full field meets the next one directly
        lines.AppendValues(v);
    }
    const auto upper = [](std::string s) {
        for (char& c : s)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        return s;
    };
    for (int t = 0; t < 300; ++t) {
        std::string needle = RandomText(rng, 6);
        if (t % 3 == 0)
            needle += std::string(rng.bounded(4), ' ') + RandomText(rng, 2);
        const bool caseSensitive = t % 2 == 0;
        std::vector<LibraryEntry> expected;
        if (!needle.empty())
            for (LibraryEntry e : lines.Entries()) {
                const std::string line = caseSensitive ? e.Line() : upper(e.Line());
                if (line.find(caseSensitive ? needle : upper(needle)) != std::string::npos)
                    expected.push_back(e);
            }
        QVERIFY2(SearchLibrary(lines, needle, caseSensitive) == expected, needle.c_str());
    }
}

QTEST_GUILESS_MAIN(TestLibraryLines)
#include "tst_librarylines.moc"
