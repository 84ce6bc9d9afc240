// The one way Larkspin replaces a file.
#include "AtomicFile.h"
#include "../TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

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

class TestAtomicFile : public QObject {
    Q_OBJECT
private slots:
    void newFileFollowsTheUmask();
    void replacementKeepsTheMode();
    void readOnlyTargetIsRefused();
    void linkIsFollowedAndKept();
    void discardedWriteLeavesTheOldFile();
    void headerWrittenLastLandsAtItsOffset();
    void missingFolderFails();
};

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

QTEST_APPLESS_MAIN(TestAtomicFile)
#include "tst_atomicfile.moc"
