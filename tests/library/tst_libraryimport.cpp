// The import without windows: file-type masks, the folder search, the medium kind and "Finish".
#include "LibraryFixtures.h"

#include "LibraryImport.h"
#include "LibrarySort.h"
#include "MusicLibrary.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace larkspin;
using namespace libfixtures;

namespace {

QStringList ToList(const std::vector<std::string>& v, const QString& strip = {}) {
    QStringList l;
    for (const std::string& s : v)
        l << QString::fromStdString(s).remove(strip);
    return l;
}

void Touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QVERIFY(WriteBytes(path, "x"));
}

ImportRow Row(const std::string& artist, const std::string& title, const std::string& path) {
    ImportRow r;
    r.record = {artist, title, "3:00", "Album", "128 kbit/s", "2001", "Pop", "", "01", "3.00 MB", path};
    r.location = "Internal";
    return r;
}

} // namespace

class TestLibraryImport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void fileTypeMasks_data();
    void fileTypeMasks();
    void folderSearch_data();
    void folderSearch();
    void linkedFolderLoopSearchedOnce();
    void localFolderIsFixedDisk();
    void finishAddsEachPathOnce();
    void importingTwiceAddsNothing();
    void finishWithoutRowsMarksModified();
    void transformsOnImport_data();
    void transformsOnImport();
};

void TestLibraryImport::fileTypeMasks_data() {
    QTest::addColumn<QStringList>("lists");
    QTest::addColumn<QStringList>("masks");
    QTest::newRow("two plug-ins") << QStringList{"*.mp3;*.mp2", "*.ogg"}
                                  << QStringList{"*.mp3", "*.mp2", "*.ogg"};
    QTest::newRow("trailing and doubled separators")
        << QStringList{"*.wav;;*.flac;"} << QStringList{"*.wav", "*.flac"};
    QTest::newRow("none") << QStringList{} << QStringList{};
    QTest::newRow("only empty lists") << QStringList{"", ""} << QStringList{};
}

void TestLibraryImport::fileTypeMasks() {
    QFETCH(QStringList, lists);
    QFETCH(QStringList, masks);
    std::vector<std::string> in;
    for (const QString& l : lists)
        in.push_back(l.toStdString());
    QCOMPARE(ToList(FileTypeMasks(in)), masks);
}

void TestLibraryImport::folderSearch_data() {
    QTest::addColumn<QString>("only");
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QStringList>("found");
    const QStringList all{"/b.ogg", "/Song.MP3", "/a.mp3", "/.hidden.mp3", "/sub/c.mp3", "/sub/deeper/d.ogg"};
    QTest::newRow("all compatible, subfolders")
        << "" << true
        << QStringList{"/.hidden.mp3", "/Song.MP3", "/a.mp3", "/b.ogg", "/sub/c.mp3", "/sub/deeper/d.ogg"};
    QTest::newRow("all compatible, own files only")
        << "" << false << QStringList{"/.hidden.mp3", "/Song.MP3", "/a.mp3", "/b.ogg"};
    QTest::newRow("one mask") << "*.ogg" << true << QStringList{"/b.ogg", "/sub/deeper/d.ogg"};
    QTest::newRow("mask in other case")
        << "*.MP3" << false << QStringList{"/.hidden.mp3", "/Song.MP3", "/a.mp3"};
}

void TestLibraryImport::folderSearch() {
    QFETCH(QString, only);
    QFETCH(bool, subfolders);
    QFETCH(QStringList, found);
    QTemporaryDir dir;
    for (const char* f : {"/b.ogg", "/Song.MP3", "/a.mp3", "/.hidden.mp3", "/notes.txt", "/sub/c.mp3",
                          "/sub/deeper/d.ogg", "/.git/e.mp3", "/sub/cover.jpg"})
        Touch(dir.path() + f);
    QVERIFY(QDir(dir.path()).mkdir("folder.mp3")); // a folder is never taken
    ImportSearch search;
    search.folder = dir.path().toStdString() + "/";
    search.masks = {"*.mp3", "*.ogg"};
    search.only = only.toStdString();
    search.includeSubfolders = subfolders;
    std::size_t reported = 0;
    const std::vector<std::string> paths = FindImportFiles(search, [&](std::size_t n) { reported = n; });
    QCOMPARE(ToList(paths, dir.path()), found);
    QCOMPARE(reported, paths.size());
}

void TestLibraryImport::linkedFolderLoopSearchedOnce() {
    QTemporaryDir dir;
    Touch(dir.path() + "/music/a.mp3");
    QVERIFY(QFile::link(dir.path() + "/music", dir.path() + "/music/again"));
    ImportSearch search;
    search.folder = (dir.path() + "/music").toStdString();
    search.masks = {"*.mp3"};
    QCOMPARE(ToList(FindImportFiles(search), dir.path()), QStringList{"/music/a.mp3"});
    std::atomic<bool> cancel{true};
    QVERIFY(FindImportFiles(search, {}, &cancel).empty());
}

void TestLibraryImport::localFolderIsFixedDisk() {
    QTemporaryDir dir;
    QCOMPARE(QString::fromStdString(MediumKindOf(dir.path().toStdString())), QString("int"));
}

void TestLibraryImport::finishAddsEachPathOnce() {
    MusicLibrary lib;
    lib.Lines.AppendValues(Values("Old", "T", "/m/old.mp3"));
    const std::string longPath = "/m/" + std::string(300, 'x') + ".mp3";
    std::vector<ImportRow> rows = {Row("zed", "1", "/m/z.mp3"),  Row("Old", "T", "/m/old.mp3"),
                                   Row("abe", "2", "/m/a.mp3"),  Row("abe", "2", "/m/a.mp3"),
                                   Row("Case", "3", "/m/A.mp3"), Row("Long", "4", longPath),
                                   Row("Long", "4", longPath)};
    std::size_t steps = 0;
    const std::size_t added = AddImportRows(lib, rows, {}, [&](std::size_t i) { steps = i + 1; });
    QCOMPARE(added, std::size_t(4));
    QCOMPARE(steps, rows.size());
    QVERIFY(lib.LibraryModified);
    QVERIFY(lib.Lines.KnownSorted());
    QStringList artists;
    for (LibraryEntry e : lib.Lines.Entries())
        artists << QString::fromStdString(std::string(e.Field(ArtistField)));
    QCOMPARE(artists, (QStringList{"abe", "Case", "Long", "Old", "zed"}));
}

void TestLibraryImport::importingTwiceAddsNothing() {
    MusicLibrary lib;
    const std::vector<ImportRow> rows = {Row("a", "1", "/m/1.mp3"), Row("b", "2", "/m/2.mp3")};
    QCOMPARE(AddImportRows(lib, rows, {}), std::size_t(2));
    lib.LibraryModified = false;
    QCOMPARE(AddImportRows(lib, rows, {}), std::size_t(0));
    QCOMPARE(lib.Lines.Count(), std::size_t(2));
    QVERIFY(lib.LibraryModified);
}

void TestLibraryImport::finishWithoutRowsMarksModified() {
    MusicLibrary lib;
    QCOMPARE(AddImportRows(lib, {}, {}), std::size_t(0));
    QVERIFY(lib.LibraryModified);
}

void TestLibraryImport::transformsOnImport_data() {
    QTest::addColumn<bool>("artistRule");
    QTest::addColumn<bool>("titleRule");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("title");
    QTest::newRow("both on") << true << true << "Band"
                             << "Go";
    QTest::newRow("artist only") << true << false << "Band"
                                 << "07 Go";
    QTest::newRow("both off") << false << false << "01 Band"
                              << "07 Go";
}

void TestLibraryImport::transformsOnImport() {
    QFETCH(bool, artistRule);
    QFETCH(bool, titleRule);
    QFETCH(QString, artist);
    QFETCH(QString, title);
    MusicLibrary lib;
    // The import drops the number from every title, short ones included.
    AddImportRows(lib, {Row("01 Band", "07 Go", "/m/1.mp3")}, {artistRule, titleRule});
    QCOMPARE(QString::fromStdString(std::string(lib.Lines.Field(0, ArtistField))), artist);
    QCOMPARE(QString::fromStdString(std::string(lib.Lines.Field(0, TitleField))), title);
    QCOMPARE(lib.Lines.Field(0, LocationField), std::string_view("Internal"));
}

QTEST_GUILESS_MAIN(TestLibraryImport)
#include "tst_libraryimport.moc"
