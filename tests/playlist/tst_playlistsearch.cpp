// Which names count as audio files, the add-directory search and the add-files dialog's lists.
#include "AddFilesState.h"
#include "FolderSearch.h"
#include "PlaylistFixtures.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

using namespace larkspin;
using namespace larkspin::test;

namespace {

QStringList Texts(const std::vector<std::string>& v, const QString& cut = {}) {
    QStringList out;
    for (const std::string& s : v)
        out << QString::fromStdString(s).remove(cut);
    return out;
}

void Touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
}

} // namespace

class TestPlaylistSearch : public QObject {
    Q_OBJECT

private slots:
    void compatibleNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("types");
        QTest::addColumn<bool>("compatible");
        QTest::newRow("mp3") << "a.mp3"
                             << "*.mp3;*.mp2" << true;
        QTest::newRow("upper-case MP2") << "b.MP2"
                                        << "*.mp3;*.mp2" << true;
        QTest::newRow("wav") << "c.wav"
                             << "*.mp3;*.mp2" << false;
        QTest::newRow("no extension, last three count") << "backupmp3"
                                                        << "*.mp3;*.mp2" << true;
        QTest::newRow("across two plug-ins' texts") << "x.3*."
                                                    << "*.mp3*.ogg" << true;
        QTest::newRow("list shorter than three") << "a.mp"
                                                 << "mp" << false;
        QTest::newRow("name shorter than three") << "p3"
                                                 << "*.mp3" << false;
        QTest::newRow("empty list") << "a.mp3"
                                    << "" << false;
    }
    void compatibleNames() {
        QFETCH(QString, name);
        QFETCH(QString, types);
        QFETCH(bool, compatible);
        QCOMPARE(IsCompatibleName(name.toStdString(), types.toStdString()), compatible);
    }

    void joinedAndSplitTypeLists() {
        QCOMPARE(JoinedTypeList({"*.mp3;*.mp2", "*.ogg"}), std::string("*.mp3;*.mp2*.ogg"));
        QCOMPARE(Texts(AddDirectoryPatterns({"*.mp3;*.mp2"})),
                 (QStringList{"All compatible Files", "*.mp3", "*.mp2"}));
        QCOMPARE(Texts(AddDirectoryPatterns({"*.mp3;*.wav", "*.wav;*.ogg"})),
                 (QStringList{"All compatible Files", "*.mp3", "*.wav", "*.ogg"}));
        QCOMPARE(Texts(AddDirectoryPatterns({"*.mp3;;*.ogg"})), // an empty text counts as a pattern
                 (QStringList{"All compatible Files", "*.mp3", "", "*.ogg"}));
        QVERIFY(AddDirectoryPatterns({}).empty());
        QVERIFY(AddDirectoryPatterns({"", ""}).empty());
        QCOMPARE(Texts(AddDirectoryPatterns({"", "*.wav"})), (QStringList{"All compatible Files", "*.wav"}));
    }

    void wildcards_data() {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("match");
        QTest::newRow("extension") << "*.mp3"
                                   << "song.mp3" << true;
        QTest::newRow("any case") << "*.mp3"
                                  << "SONG.Mp3" << true;
        QTest::newRow("other extension") << "*.mp3"
                                         << "song.mp3.part" << false;
        QTest::newRow("star dot star without dot") << "*.*"
                                                   << "README" << true;
        QTest::newRow("question mark is one character") << "?.ogg"
                                                        << "é.ogg" << true;
        QTest::newRow("question mark needs one") << "?.ogg"
                                                 << ".ogg" << false;
        QTest::newRow("backtracking") << "*a*b*c"
                                      << "xxaxxbxxbxc" << true;
        QTest::newRow("no match after stars") << "*a*b*c"
                                              << "xxaxxbxxbx" << false;
        QTest::newRow("literal") << "track01.wav"
                                 << "TRACK01.WAV" << true;
        QTest::newRow("empty pattern") << ""
                                       << "a.mp3" << false;
    }
    void wildcards() {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QFETCH(bool, match);
        QCOMPARE(WildcardMatch(pattern.toStdString(), name.toStdString()), match);
    }

    void searchOrderIsDepthFirstByPattern() {
        QTemporaryDir dir;
        const QString root = dir.path();
        for (const char* f :
             {"b.mp3", "a.WAV", "A.mp3", ".hidden.mp3", "notes.txt", "sub1/x.wav", "sub1/y.mp3",
              "sub1/deeper/z.mp3", "sub2/w.mp3", ".git/ignored.mp3", "sub1/.cache/ignored.wav"})
            Touch(root + "/" + f);
        const std::vector<std::string> patterns = AddDirectoryPatterns({"*.mp3;*.wav"});
        const QStringList all = Texts(SearchFolder(root.toStdString(), patterns, 0, true), root + "/");
        // Every MP3 of the tree before the first WAV; a folder's files before its subfolders; names in byte
        // order; hidden files are files, but hidden folders are not searched.
        QCOMPARE(all, (QStringList{".hidden.mp3", "A.mp3", "b.mp3", "sub1/y.mp3", "sub1/deeper/z.mp3",
                                   "sub2/w.mp3", "a.WAV", "sub1/x.wav"}));
        QCOMPARE(Texts(SearchFolder(root.toStdString(), patterns, 2, true), root + "/"),
                 (QStringList{"a.WAV", "sub1/x.wav"}));
        QCOMPARE(Texts(SearchFolder(root.toStdString() + "/", patterns, 2, false), root + "/"),
                 (QStringList{"a.WAV"}));
        QVERIFY(SearchFolder(root.toStdString(), patterns, -1, true).empty());
        QVERIFY(SearchFolder(root.toStdString() + "/missing", patterns, 0, true).empty());
    }

    // A folder from the command line comes in the add-files dialog's order: an album of mixed types keeps
    // its track order, names ignore case, a folder's files come before its subfolders.
    void folderAndNameOrder_data() {
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("mixed types keep the track order")
            << QStringList{"/m/01 Intro.mp3", "/m/03 End.mp3", "/m/02 Song.flac"}
            << QStringList{"/m/01 Intro.mp3", "/m/02 Song.flac", "/m/03 End.mp3"};
        QTest::newRow("case of a to z ignored, equal names in byte order")
            << QStringList{"/m/b.mp3", "/m/Zebra.mp3", "/m/apple.mp3", "/m/B.mp3"}
            << QStringList{"/m/apple.mp3", "/m/B.mp3", "/m/b.mp3", "/m/Zebra.mp3"};
        QTest::newRow("files before subfolders, subfolders by name")
            << QStringList{"/m/z.mp3",    "/m/cd 2/a.mp3", "/m/CD 1/b.mp3",     "/m/CD 1/a.mp3",
                           "/m/zz/y.mp3", "/m/a.wav",      "/m/CD 1/deep/c.mp3"}
            << QStringList{"/m/a.wav",           "/m/z.mp3",      "/m/CD 1/a.mp3", "/m/CD 1/b.mp3",
                           "/m/CD 1/deep/c.mp3", "/m/cd 2/a.mp3", "/m/zz/y.mp3"};
        QTest::newRow("a file and a folder of one name")
            << QStringList{"/m/x/a.mp3", "/m/x"} << QStringList{"/m/x", "/m/x/a.mp3"};
    }
    void folderAndNameOrder() {
        QFETCH(QStringList, found);
        QFETCH(QStringList, sorted);
        std::vector<std::string> paths;
        for (const QString& p : found)
            paths.push_back(p.toStdString());
        SortByFolderAndName(paths);
        QCOMPARE(Texts(paths), sorted);
    }

    void symbolicLinkLoopsEnd() {
        QTemporaryDir dir;
        const QString root = dir.path();
        Touch(root + "/music/a.mp3");
        Touch(root + "/music/inner/b.mp3");
        QVERIFY(QFile::link(root + "/music", root + "/music/inner/loop"));
        QVERIFY(QFile::link(root + "/music/inner", root + "/music/also-inner"));
        QVERIFY(QFile::link(root + "/music/a.mp3", root + "/music/link.mp3"));
        QVERIFY(QFile::link(root + "/nowhere", root + "/music/dangling.mp3"));
        const QStringList found =
            Texts(ListFolderFiles((root + "/music").toStdString(), {"*.mp3"}, true), root + "/music/");
        // The linked file counts; each real folder is searched once, the dangling link is skipped.
        QCOMPARE(found, (QStringList{"a.mp3", "link.mp3", "also-inner/b.mp3"}));
    }

    void unreadableFolderIsSkipped() {
        QTemporaryDir dir;
        Touch(dir.filePath("open/a.mp3"));
        Touch(dir.filePath("open/closed/b.mp3"));
        QFile::setPermissions(dir.filePath("open/closed"), QFile::Permissions());
        const auto found = ListFolderFiles(dir.path().toStdString(), {"*.mp3"}, true);
        QVERIFY(!found.empty()); // a.mp3 at least; b.mp3 only when running with the rights to read it
        QCOMPARE(QString::fromStdString(found.front()), dir.filePath("open/a.mp3"));
        QFile::setPermissions(dir.filePath("open/closed"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void cancelStopsTheWalk() {
        QTemporaryDir dir;
        Touch(dir.filePath("a/1.mp3"));
        std::atomic<bool> cancel{true};
        QVERIFY(ListFolderFiles(dir.path().toStdString(), {"*.mp3"}, true, &cancel).empty());
    }

    void addFilesFromTwoFoldersAndRemoveByName() {
        QTemporaryDir dir;
        for (const char* f :
             {"A/x.mp3", "A/b.mp3", "A/C.mp3", "A/skip.wav", "A/.hidden.mp3", "B/x.mp3", "B/y.mp3"})
            Touch(dir.filePath(f));
        AddFilesState s(JoinedTypeList({"*.mp3"}));
        s.Show(true, false); // "Allow more than one directory" on
        s.ChangeFolder(dir.filePath("A").toStdString());
        QCOMPARE(Texts(s.Available()), (QStringList{"b.mp3", "C.mp3", "x.mp3"})); // alphabetical, any case
        s.Add({2, 0}); // x.mp3 and b.mp3: added in list order
        QCOMPARE(Texts(s.ToAdd()), (QStringList{"b.mp3", "x.mp3"}));
        QCOMPARE(Texts(s.Available()), (QStringList{"C.mp3"}));

        s.ChangeFolder(dir.filePath("B").toStdString());
        QCOMPARE(Texts(s.Available()), (QStringList{"x.mp3", "y.mp3"})); // B's x.mp3 is another file
        s.Add({0});
        QCOMPARE(Texts(s.ToAddPaths(), dir.path() + "/"), (QStringList{"A/b.mp3", "A/x.mp3", "B/x.mp3"}));
        QCOMPARE(Texts(s.Available()), (QStringList{"y.mp3"}));

        // One "remove" of the name x.mp3 removes both paths, and B's file is offered again.
        s.Remove({1});
        QCOMPARE(Texts(s.ToAdd()), (QStringList{"b.mp3"}));
        QCOMPARE(Texts(s.ToAddPaths(), dir.path() + "/"), (QStringList{"A/b.mp3"}));
        QCOMPARE(Texts(s.Available()), (QStringList{"x.mp3", "y.mp3"}));
        s.RemoveAll();
        QVERIFY(s.ToAdd().empty() && s.ToAddPaths().empty());
        QCOMPARE(Texts(s.Available()), (QStringList{"x.mp3", "y.mp3"})); // b.mp3 is not in the shown folder

        s.Add({7, -1}); // rows that do not exist are ignored
        QVERIFY(s.ToAdd().empty());
    }

    void acceptCancelAndRemember() {
        QTemporaryDir dir;
        Touch(dir.filePath("a.mp3"));
        Touch(dir.filePath("b.mp3"));
        AddFilesState s(JoinedTypeList({"*.mp3"}));
        s.Show(false, true);
        s.ChangeFolder(dir.path().toStdString());
        QVERIFY(!s.AcceptSelected()); // nothing chosen: the dialog stays open
        QVERIFY(!s.Accepted());
        s.Add({1});
        s.Close(); // cancelled
        QVERIFY(s.Result().empty());
        s.Show(false, true); // "Remember selected files": still chosen
        QCOMPARE(Texts(s.ToAdd()), (QStringList{"b.mp3"}));
        QVERIFY(s.AcceptSelected());
        s.Close();
        QCOMPARE(Texts(s.Result()), (QStringList{dir.filePath("b.mp3")}));
        s.Show(false, false); // not remembered: forgotten, and the folder listed again
        QVERIFY(s.ToAdd().empty());
        QCOMPARE(Texts(s.Available()), (QStringList{"a.mp3", "b.mp3"}));
        s.Add({0, 1});
        s.ChangeFolder(dir.path().toStdString()); // one directory only: a folder change forgets
        QVERIFY(s.ToAdd().empty());
        QCOMPARE(s.Available().size(), 2u);
    }
};

QTEST_GUILESS_MAIN(TestPlaylistSearch)
#include "tst_playlistsearch.moc"
