// The one way Larkspin replaces a file.
#include "../FileSizeLimit.h"
#include "../TestFiles.h"
#include "AtomicFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace larkspin;

namespace {

unsigned modeOf(const QString& path) {
    struct stat st {};
    return ::stat(path.toLocal8Bit().constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

QStringList filesIn(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

// Every case runs with an unnamed temporary file (O_TMPFILE) and with the named one that file systems
// without it get.
class TestAtomicFile : public QObject {
    Q_OBJECT
private slots:
    void initTestCase_data();
    void init();
    void cleanupTestCase();

    void newFileFollowsTheUmask();
    void replacementKeepsTheMode();
    void readOnlyTargetIsRefused();
    void linkIsFollowedAndKept();
    void discardedWriteLeavesTheOldFile();
    void headerWrittenLastLandsAtItsOffset();
    void missingFolderFails();
    void temporaryFileHasANameOnlyWhenUnnamedIsOff();
    void leftoversOfDeadWritersGoWithTheNextWrite();
    void cleaningNeverTakesALivingWritersFile();
    void failureNamesTheFileAndTheReason_data();
    void failureNamesTheFileAndTheReason();
};

void TestAtomicFile::initTestCase_data() {
    QTest::addColumn<bool>("unnamed");
    QTest::newRow("unnamed temporary file") << true;
    QTest::newRow("named temporary file") << false;
}

void TestAtomicFile::init() {
    QFETCH_GLOBAL(bool, unnamed);
    AtomicFile::SetUnnamedTemporaryFiles(unnamed);
}

void TestAtomicFile::cleanupTestCase() {
    AtomicFile::SetUnnamedTemporaryFiles(true);
}

void TestAtomicFile::newFileFollowsTheUmask() {
    QTemporaryDir dir;
    const QString path = dir.filePath("new.te3");
    const mode_t old = ::umask(027);
    const bool ok = WriteFileAtomically(path.toStdString(), "abc");
    ::umask(old);
    QVERIFY(ok);
    QCOMPARE(modeOf(path), 0640u);
    QCOMPARE(readAll(path), std::string("abc"));
    QCOMPARE(filesIn(dir), QStringList{"new.te3"});
}

void TestAtomicFile::replacementKeepsTheMode() {
    QTemporaryDir dir;
    const QString path = dir.filePath("list.te3");
    writeAll(path, "old contents");
    QVERIFY(::chmod(path.toLocal8Bit().constData(), 0604) == 0);
    QVERIFY(WriteFileAtomically(path.toStdString(), "new"));
    QCOMPARE(readAll(path), std::string("new"));
    QCOMPARE(modeOf(path), 0604u);
    QCOMPARE(filesIn(dir), QStringList{"list.te3"});
}

void TestAtomicFile::readOnlyTargetIsRefused() {
    // Refused by its mode, so even root (who may write anything) leaves it alone.
    QTemporaryDir dir;
    const QString path = dir.filePath("larkspin.ini");
    writeAll(path, "[Prog]\n");
    QVERIFY(::chmod(path.toLocal8Bit().constData(), 0444) == 0);
    AtomicFile file(path.toStdString());
    QVERIFY(!file.Open());
    QCOMPARE(errno, EACCES);
    QCOMPARE(readAll(path), std::string("[Prog]\n"));
    QCOMPARE(modeOf(path), 0444u);
    QCOMPARE(filesIn(dir), QStringList{"larkspin.ini"});
}

void TestAtomicFile::linkIsFollowedAndKept() {
    QTemporaryDir dir;
    const QString target = dir.filePath("real.ini");
    const QString link = dir.filePath("link.ini");
    writeAll(target, "old");
    QVERIFY(QFile::link(target, link));
    QVERIFY(WriteFileAtomically(link.toStdString(), "new"));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readAll(target), std::string("new"));
}

void TestAtomicFile::discardedWriteLeavesTheOldFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.wav");
    writeAll(path, "whole old file");
    {
        AtomicFile file(path.toStdString());
        QVERIFY(file.Open());
        QVERIFY(file.Write(std::string(600 * 1024, 'x'))); // more than the buffer: part reaches the disk
        QFETCH_GLOBAL(bool, unnamed);
        if (!unnamed)
            QVERIFY(QFileInfo::exists(QString::fromStdString(file.TemporaryName())));
        // Destroyed without Commit, as an abort or an error leaves it.
    }
    QCOMPARE(readAll(path), std::string("whole old file"));
    QCOMPARE(filesIn(dir), QStringList{"a.wav"});
}

void TestAtomicFile::headerWrittenLastLandsAtItsOffset() {
    QTemporaryDir dir;
    const QString path = dir.filePath("out.wav");
    AtomicFile file(path.toStdString());
    QVERIFY(file.Open());
    QVERIFY(file.Write("HHHH"));
    QVERIFY(file.Write(std::string(300 * 1024, 'd')));
    QVERIFY(file.WriteAt(0, "RIFF", 4));
    QVERIFY(file.Commit());
    const std::string back = readAll(path);
    QCOMPARE(back.size(), size_t(4 + 300 * 1024));
    QCOMPARE(back.substr(0, 5), std::string("RIFFd"));
}

void TestAtomicFile::missingFolderFails() {
    QTemporaryDir dir;
    QVERIFY(!WriteFileAtomically(dir.filePath("missing/a.te3").toStdString(), "x"));
    QVERIFY(filesIn(dir).isEmpty());
}

void TestAtomicFile::temporaryFileHasANameOnlyWhenUnnamedIsOff() {
    QFETCH_GLOBAL(bool, unnamed);
    QTemporaryDir dir;
    const QString path = dir.filePath("Temp.te3");
    writeAll(path, "old");
    AtomicFile file(path.toStdString());
    QVERIFY(file.Open());
    QVERIFY(file.Write(std::string(300 * 1024, 'n')));
    if (unnamed) {
        QVERIFY(file.TemporaryName().empty());
        QCOMPARE(filesIn(dir), QStringList{"Temp.te3"});
    } else {
        const QString temp = QString::fromStdString(file.TemporaryName());
        QVERIFY(temp.startsWith(path + ".larkspin-"));
        QCOMPARE(filesIn(dir).size(), 2);
        // Another writer in the folder leaves a living writer's file alone.
        QVERIFY(WriteFileAtomically(dir.filePath("other.te3").toStdString(), "x"));
        QVERIFY(QFileInfo::exists(temp));
    }
    QVERIFY(file.Commit());
    QCOMPARE(readAll(path).size(), size_t(300 * 1024));
    QCOMPARE(filesIn(dir), (unnamed ? QStringList{"Temp.te3"} : QStringList{"Temp.te3", "other.te3"}));
}

void TestAtomicFile::leftoversOfDeadWritersGoWithTheNextWrite() {
    QTemporaryDir dir;
    const auto make = [&](const QString& name) { writeAll(dir.filePath(name), "left"); };
    // Left by writers that died: removed.
    make("list.te3.larkspin-abc12345");
    make("x.larkspin-00000000");
    // Not of the exact pattern, or somebody else's: kept.
    const QStringList kept = {
        "a.larkspin-ABC12345", "b.larkspin-abc1234",  "c.larkspin-abc123456",   "d.larkspin-abc1234_",
        ".larkspin-abc12345",  "e.larkspin_abc12345", "live.larkspin-zzzzzzzz", "song.mp3"};
    for (const QString& name : kept)
        make(name);
    QVERIFY(QDir(dir.path()).mkdir("f.larkspin-abc12345"));
    QVERIFY(QFile::link(dir.filePath("song.mp3"), dir.filePath("g.larkspin-abc12345")));
    // A living writer holds its file locked.
    const int live = ::open(dir.filePath("live.larkspin-zzzzzzzz").toLocal8Bit().constData(), O_RDONLY);
    QVERIFY(live >= 0);
    QCOMPARE(::flock(live, LOCK_EX), 0);

    QVERIFY(WriteFileAtomically(dir.filePath("new.te3").toStdString(), "n"));
    ::close(live);

    QStringList expected = kept;
    expected << "g.larkspin-abc12345"
             << "new.te3";
    expected.sort();
    QCOMPARE(filesIn(dir), expected);
    QVERIFY(QFileInfo(dir.filePath("f.larkspin-abc12345")).isDir());
    // Unlocked now, so the next cleaning takes it.
    QCOMPARE(RemoveStaleTemporaryFiles(dir.path().toStdString()), 1);
    QVERIFY(!QFileInfo::exists(dir.filePath("live.larkspin-zzzzzzzz")));
}

// Writers in one folder clean it while others write there: no living writer's file may go.
void TestAtomicFile::cleaningNeverTakesALivingWritersFile() {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    std::atomic<int> failures{0};
    std::atomic<bool> writing{true};
    std::vector<std::thread> writers;
    for (int w = 0; w < 3; ++w)
        writers.emplace_back([&, w] {
            const std::string path = folder + "/file" + std::to_string(w);
            for (int i = 0; i < 150; ++i)
                if (!WriteFileAtomically(path, std::string(4096 + i, char('a' + w))))
                    ++failures;
        });
    std::thread cleaner([&] {
        while (writing)
            RemoveStaleTemporaryFiles(folder);
    });
    for (std::thread& t : writers)
        t.join();
    writing = false;
    cleaner.join();
    QCOMPARE(failures.load(), 0);
    QCOMPARE(filesIn(dir), (QStringList{"file0", "file1", "file2"}));
    QCOMPARE(readAll(dir.filePath("file2")), std::string(4096 + 149, 'c'));
}

void TestAtomicFile::failureNamesTheFileAndTheReason_data() {
    QTest::addColumn<QString>("failure");
    QTest::addColumn<int>("error");
    QTest::newRow("full disk") << "full" << EFBIG;
    QTest::newRow("missing folder") << "missing" << ENOENT;
    QTest::newRow("folder vanished while writing") << "vanished" << ENOENT;
}

void TestAtomicFile::failureNamesTheFileAndTheReason() {
    QFETCH(QString, failure);
    QFETCH(int, error);
    QTemporaryDir dir;
    const QString folder = dir.filePath("out");
    QVERIFY(QDir().mkpath(folder));
    QString path = folder + "/track.wav";
    if (failure == "missing")
        path = dir.filePath("gone/track.wav");
    else
        writeAll(path, "old track");

    AtomicFile file(path.toStdString());
    bool ok = file.Open();
    if (failure == "full") {
        // Writes beyond 64 KiB fail as on a full disk, also for root.
        FileSizeLimit limit(64 * 1024);
        QVERIFY(limit.Active());
        const bool wrote = ok && file.Write(std::string(1024 * 1024, 'x'));
        limit.Lift();
        QVERIFY(!wrote);
        ok = file.Commit(); // fails, and removes the temporary file
    } else if (failure == "vanished") {
        QVERIFY(ok);
        QVERIFY(file.Write("new"));
        QVERIFY(QDir(folder).removeRecursively());
        ok = file.Commit();
    }
    QVERIFY(!ok);
    QCOMPARE(errno, error);
    QCOMPARE(file.Error(), error);
    const std::string expected = path.toStdString() + ": " + std::strerror(error);
    QCOMPARE(file.ErrorText(), expected);
    if (failure == "full") {
        QCOMPARE(readAll(path), std::string("old track"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"track.wav"});
    }
    std::string text;
    if (failure != "full") {
        QVERIFY(!WriteFileAtomically(path.toStdString(), "x", &text));
        QCOMPARE(text, expected);
    }
}

QTEST_APPLESS_MAIN(TestAtomicFile)
#include "tst_atomicfile.moc"
