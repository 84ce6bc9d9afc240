// Writers killed at a random point: the settings save, the temporary playlist, the library file and
// the index marks all replace their file through AtomicFile. After kill -9 the file must be wholly
// the old or wholly a new version, and no temporary file may stay in the folder: with an unnamed
// temporary file nothing is left, and a named one is removed by the next write in that folder.
#include "AtomicFile.h"
#include "IndexMarks.h"
#include "LibraryFile.h"
#include "LibraryLines.h"
#include "PlaylistFiles.h"
#include "PrivateProfile.h"
#include "ProgramFolder.h"
#include "Settings.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <csignal>
#include <functional>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace larkspin;

namespace {

constexpr int Kills = 30;

// One writer under test: writes version v of its file, and tells which version a file holds (-1 when
// it is no whole version).
struct Writer {
    QString fileName;
    std::function<void(const std::string& path, int version)> write;
    std::function<int(const std::string& path)> versionOf;
};

// Every text key of the settings carries the version, so a file mixed of two saves shows.
void fillSettings(Settings& s, int version) {
    const std::string v = std::to_string(version);
    s.PlugCheck = "plug" + v;
    s.Temp = "/temp" + v + "/";
    s.CDDBEmail = "mail" + v;
    s.SkinName = "skin" + v;
    s.SelPlaylistName = "/list" + v;
    s.VirtualDrives = "/disc" + v + ".cue";
    s.CrossTime = version;
    s.MainPosLeft = version;
}

int settingsVersion(const std::string& path) {
    PrivateProfile file(path);
    const std::string plug = file.readString("Audio", "PlugCheck", "");
    if (plug.rfind("plug", 0) != 0)
        return -1;
    const int version = std::atoi(plug.c_str() + 4);
    Settings expected;
    fillSettings(expected, version);
    Settings back;
    ReadSettings(file, "/p", back);
    const bool whole = back.Temp == expected.Temp && back.CDDBEmail == expected.CDDBEmail &&
                       back.SkinName == expected.SkinName &&
                       back.SelPlaylistName == expected.SelPlaylistName &&
                       back.VirtualDrives == expected.VirtualDrives &&
                       file.readInteger("Audio", "CrossTime", -1) == version &&
                       file.readInteger("Windows", "MainPosLeft", -1) == version &&
                       file.readInteger("CDAudio", "CDPlugIndex", -1) == 0; // the last key of a save
    return whole ? version : -1;
}

Writer settingsWriter() {
    // One profile object for the whole run, as the program keeps it.
    auto profile = std::make_shared<std::unique_ptr<PrivateProfile>>();
    return {"larkspin.ini",
            [profile](const std::string& path, int version) {
                if (!*profile || (*profile)->fileName() != path)
                    *profile = std::make_unique<PrivateProfile>(path);
                Settings s;
                fillSettings(s, version);
                WriteSettings(**profile, s);
            },
            settingsVersion};
}

constexpr int PlaylistEntries = 200;

Writer playlistWriter() {
    return {
        "Temp.te3",
        [](const std::string& path, int version) {
            std::vector<PlaylistEntry> entries;
            const std::string v = std::to_string(version);
            for (int i = 0; i < PlaylistEntries; ++i) {
                const std::string artist = "Artist " + v;
                const std::string file = "/music/" + v + "/" + std::to_string(i) + ".mp3";
                entries.emplace_back(std::array<std::string_view, TrackRecordFields>{
                    artist, "Title", "3:00", "Album", "128 kbit/s", "2001", "Rock", "", "01", "3 MB", file});
            }
            QVERIFY(SaveTe3Playlist(path, entries).ok);
        },
        [](const std::string& path) {
            std::vector<PlaylistEntry> entries;
            if (!LoadTe3Playlist(path, entries).ok || entries.size() != PlaylistEntries)
                return -1;
            const std::string first(entries.front().Field(0));
            for (const PlaylistEntry& e : entries)
                if (e.Field(0) != first)
                    return -1;
            return std::atoi(first.c_str() + 7);
        }};
}

constexpr int LibraryEntries = 200;

Writer libraryWriter() {
    return {"Archive.rol",
            [](const std::string& path, int version) {
                LibraryLines lines;
                const std::string v = std::to_string(version);
                for (int i = 0; i < LibraryEntries; ++i)
                    lines.AppendValues(LibraryValues{"Artist" + v, "Title" + std::to_string(i), "3:00",
                                                     "Album", "128", "2001", "Rock", "", "01", "3 MB",
                                                     "/music/" + std::to_string(i), "Home", "3"});
                QVERIFY(SaveLibrary(lines, path).Ok);
            },
            [](const std::string& path) {
                LibraryLines lines;
                const LibraryFileResult r = LoadLibrary(lines, path);
                if (!r.Ok || !r.Message.empty() || lines.Count() != LibraryEntries)
                    return -1;
                const std::string first = lines.Line(0).substr(0, 20);
                for (std::size_t i = 0; i < lines.Count(); ++i)
                    if (lines.Line(i).substr(0, 20) != first)
                        return -1;
                return std::atoi(first.c_str() + 6);
            }};
}

Writer indexMarksWriter() {
    return {"song.mp3.idx",
            [](const std::string& path, int version) {
                std::vector<IndexMark> marks;
                for (int i = 0; i < 50; ++i)
                    marks.push_back({QStringLiteral("Mark %1").arg(version), i, QString::number(i)});
                QVERIFY(WriteIndexFile(path, marks));
            },
            [](const std::string& path) {
                const std::vector<IndexMark> marks = ReadIndexFile(path);
                if (marks.size() != 50)
                    return -1;
                for (const IndexMark& m : marks)
                    if (m.Name != marks.front().Name)
                        return -1;
                return marks.front().Name.mid(5).toInt();
            }};
}

QStringList strays(const QString& folder) {
    return QDir(folder).entryList({"*.larkspin-*"}, QDir::Files | QDir::Hidden | QDir::System);
}

// Starts a child that writes versions first, first + 1, ... until it is killed, and kills it with
// SIGKILL after a random delay of up to maxDelay counted from its first write's start; without random,
// right after its first write and returns how long that took the child (scheduling included).
std::chrono::microseconds killWhileWriting(const Writer& writer, const std::string& path, int first,
                                           bool unnamed, std::chrono::microseconds maxDelay,
                                           std::mt19937* random) {
    int ready[2];
    if (::pipe(ready) != 0) {
        [] { QFAIL("no pipe"); }();
        return {};
    }
    const pid_t child = ::fork();
    if (child < 0) {
        [] { QFAIL("no child process"); }();
        return {};
    }
    if (child == 0) {
        ::close(ready[0]);
        AtomicFile::SetUnnamedTemporaryFiles(unnamed);
        const char byte = 'r';
        if (::write(ready[1], &byte, 1) != 1)
            ::_exit(2);
        for (int version = first;; ++version) {
            writer.write(path, version);
            if (::write(ready[1], &byte, 1) != 1) // one more version written
                ::_exit(2);
        }
    }
    ::close(ready[1]);
    char byte = 0;
    const ssize_t got = ::read(ready[0], &byte, 1); // the child is about to write
    const auto start = std::chrono::steady_clock::now();
    if (random)
        ::usleep(std::uniform_int_distribution<useconds_t>(0, useconds_t(maxDelay.count()))(*random));
    const ssize_t wrote = random ? 1 : ::read(ready[0], &byte, 1);
    const auto took =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]); // only now: a child writing to a closed pipe would die of SIGPIPE
    [&] {
        QCOMPARE(got, ssize_t(1));
        QCOMPARE(wrote, ssize_t(1));
        QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL, "the writer ended before it was killed");
    }();
    return took;
}

} // namespace

class TestKilledWriters : public QObject {
    Q_OBJECT
private slots:
    void fileIsWholeAndNoTemporaryFileStays_data();
    void fileIsWholeAndNoTemporaryFileStays();
    void startRemovesLeftoversInTheProgramFolder();
    void cleanupTestCase() { AtomicFile::SetUnnamedTemporaryFiles(true); }
};

void TestKilledWriters::fileIsWholeAndNoTemporaryFileStays_data() {
    QTest::addColumn<std::function<Writer()>>("make");
    QTest::addColumn<bool>("unnamed");
    const std::pair<const char*, std::function<Writer()>> writers[] = {
        {"settings save", settingsWriter},
        {"temporary playlist", playlistWriter},
        {"library file", libraryWriter},
        {"index marks", indexMarksWriter},
    };
    for (const auto& [name, make] : writers) {
        QTest::addRow("%s, unnamed temporary file", name) << make << true;
        QTest::addRow("%s, named temporary file", name) << make << false;
    }
}

void TestKilledWriters::fileIsWholeAndNoTemporaryFileStays() {
    QFETCH(std::function<Writer()>, make);
    QFETCH(bool, unnamed);
    const Writer writer = make();
    // A kill is no power failure: the files may live in memory (tmpfs also offers O_TMPFILE), which
    // spares the test the disk's flushes on a busy machine.
    QTemporaryDir dir(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/tst_killedwriters-XXXXXX")
                                                : QDir::tempPath() + "/tst_killedwriters-XXXXXX");
    QVERIFY(dir.isValid());
    const QString folder = dir.path();
    const std::string path = QDir(folder).filePath(writer.fileName).toStdString();
    AtomicFile::SetUnnamedTemporaryFiles(unnamed);
    // The kills fall anywhere in the child's first two writes, whatever a write costs a forked child
    // here (on a busy machine it may wait for a processor), and at least anywhere in its first 10 ms.
    std::chrono::microseconds longest{};
    for (int v = 1; v <= 3; ++v) {
        longest = std::max(longest, killWhileWriting(writer, path, v, unnamed, {}, nullptr));
        if (QTest::currentTestFailed())
            return;
    }
    writer.write(path, 3);
    const auto maxDelay = std::max(std::chrono::microseconds(10000), longest * 2);
    std::mt19937 random(std::random_device{}());
    int version = 3; // the version the file holds
    int old = 0, whole = 0, torn = 0, strayRuns = 0, strayFiles = 0;
    for (int kill = 0; kill < Kills; ++kill) {
        const int first = version + 1;
        killWhileWriting(writer, path, first, unnamed, maxDelay, &random);
        if (QTest::currentTestFailed())
            return;
        const int found = writer.versionOf(path);
        if (found == version)
            ++old;
        else if (found >= first)
            ++whole;
        else
            ++torn;
        const QStringList left = strays(folder);
        strayRuns += left.isEmpty() ? 0 : 1;
        strayFiles += int(left.size());
        version = std::max(found, version);
        if (!left.isEmpty()) {
            // The next write in the folder takes what the killed writer left.
            version = first + 1000;
            writer.write(path, version);
            QCOMPARE(strays(folder), QStringList{});
            QCOMPARE(writer.versionOf(path), version);
        }
    }
    qInfo("%d kills within %d ms: %d old, %d new, %d torn; temporary files left in %d runs (%d files), all "
          "removed by the "
          "next write",
          Kills, int(maxDelay.count() / 1000), old, whole, torn, strayRuns, strayFiles);
    QCOMPARE(torn, 0);
    // An unnamed file gets a name only between its link and its rename at the very end of a write, so a
    // kill leaves one only there; how rarely depends on the machine, and the next write removes it.
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{writer.fileName});
}

void TestKilledWriters::startRemovesLeftoversInTheProgramFolder() {
    QTemporaryDir dir;
    const std::string program = dir.path().toStdString();
    CreateDataFolders(program);
    const QStringList leftovers = {"larkspin.ini.larkspin-a1b2c3d4",
                                   "Organizer/Archive.rol.larkspin-00aa11bb",
                                   "Temporary Playlist/Temp.te3.larkspin-zzzzzzzz"};
    const QStringList kept = {"larkspin.ini", "notes.larkspin-A1B2C3D4", "Organizer/Archive.rol"};
    for (const QString& name : leftovers + kept) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QCOMPARE(RemoveLeftoverTemporaryFiles(program), 3);
    for (const QString& name : leftovers)
        QVERIFY2(!QFileInfo::exists(dir.filePath(name)), qPrintable(name));
    for (const QString& name : kept)
        QVERIFY2(QFileInfo::exists(dir.filePath(name)), qPrintable(name));
}

QTEST_APPLESS_MAIN(TestKilledWriters)
#include "tst_killedwriters.moc"
