// FileBytes: reads served from the cached head and tail or from the file give the file's bytes.

#include "FileBytes.h"
#include "Id3Fixtures.h"

#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace larkspin;
using namespace fixtures;

class TestFileBytes : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QByteArray content;
    QString file;

private slots:
    void initTestCase();
    void reads_data();
    void reads();
    void zeroFilled();
    void headAndTail();
    void openFailures();
    void fifoIsRefusedWithoutWaiting();
    void readsAreCounted();
};

void TestFileBytes::initTestCase() {
    for (int i = 0; i < 100000; ++i)
        content += char((i * 7 + i / 251) & 0xFF);
    file = dir.filePath("data.bin");
    QVERIFY(writeFile(file, content));
}

void TestFileBytes::reads_data() {
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<int>("count");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("inside the head") << 100LL << 500 << 500LL;
    QTest::newRow("across the head's end") << 1000LL << 100 << 100LL;
    QTest::newRow("middle of the file") << 50000LL << 4000 << 4000LL;
    QTest::newRow("across the tail's start") << 100000LL - 2100 << 200 << 200LL;
    QTest::newRow("inside the tail") << 100000LL - 128 << 128 << 128LL;
    QTest::newRow("past the end: short") << 100000LL - 10 << 100 << 10LL;
    QTest::newRow("at the end: nothing") << 100000LL << 10 << 0LL;
    QTest::newRow("far past the end") << 200000LL << 40 << 0LL;
    QTest::newRow("negative offset") << -1LL << 4 << -1LL;
}

void TestFileBytes::reads() {
    QFETCH(qint64, offset);
    QFETCH(int, count);
    QFETCH(qint64, expected);
    for (int variant = 0; variant < 2; ++variant) {
        FileBytes bytes;
        if (variant == 0)
            QVERIFY(bytes.Open(file.toStdString(), 1024, 2048));
        else
            bytes = FileBytes::FromMemory(str(content));
        QCOMPARE(bytes.Size(), std::int64_t(content.size()));
        std::vector<std::uint8_t> out(size_t(count), 0xEE);
        const auto got = bytes.Read(offset, size_t(count), out.data());
        QCOMPARE(qint64(got), expected);
        if (got > 0)
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(out.data()), int(got)),
                     content.mid(int(offset), int(got)));
        if (got >= 0 && got < count)
            QCOMPARE(out[size_t(got)], std::uint8_t(0xEE)); // bytes past the count are untouched
    }
}

void TestFileBytes::zeroFilled() {
    FileBytes bytes;
    QVERIFY(bytes.Open(file.toStdString()));
    std::vector<std::uint8_t> out(64, 0xEE);
    QCOMPARE(bytes.ReadZeroFilled(content.size() - 4, out.size(), out.data()), std::int64_t(4));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(out.data()), 4), content.right(4));
    for (size_t i = 4; i < out.size(); ++i)
        QCOMPARE(out[i], std::uint8_t(0));
    out.assign(64, 0xEE);
    QCOMPARE(bytes.ReadZeroFilled(-5, out.size(), out.data()), std::int64_t(-1));
    QCOMPARE(out, std::vector<std::uint8_t>(64, 0));
}

void TestFileBytes::headAndTail() {
    FileBytes bytes;
    QVERIFY(bytes.Open(file.toStdString(), 1000, 3000));
    QCOMPARE(bytes.Head().size(), size_t(1000));
    QCOMPARE(bytes.Tail().size(), size_t(3000));
    QCOMPARE(bytes.TailOffset(), std::int64_t(content.size() - 3000));
    QCOMPARE(fixtures::bytes(bytes.Tail()), content.right(3000));

    // A file smaller than head and tail together is read once; both views hold the right bytes.
    const QString small = dir.filePath("small.bin");
    QVERIFY(writeFile(small, content.left(1500)));
    QVERIFY(bytes.Open(small.toStdString(), 1000, 3000));
    QCOMPARE(fixtures::bytes(bytes.Head()), content.left(1000));
    QCOMPARE(fixtures::bytes(bytes.Tail()), content.left(1500));
    QCOMPARE(bytes.TailOffset(), std::int64_t(0));
}

void TestFileBytes::openFailures() {
    FileBytes bytes;
    QVERIFY(!bytes.Open(dir.filePath("missing").toStdString()));
    QVERIFY(!bytes.IsOpen());
    QVERIFY(!bytes.Open(dir.path().toStdString())); // a folder
    QCOMPARE(bytes.Size(), std::int64_t(0));
    std::uint8_t b = 0;
    QCOMPARE(bytes.Read(0, 1, &b), std::int64_t(-1));
    const QString empty = dir.filePath("empty");
    QVERIFY(writeFile(empty, QByteArray()));
    QVERIFY(bytes.Open(empty.toStdString()));
    QCOMPARE(bytes.Read(0, 1, &b), std::int64_t(0));
}

// Opening a FIFO for reading waits for a writer; Open must refuse it at once. Should it wait, the test
// fails and opens the writing end itself so the waiting thread can end.
void TestFileBytes::fifoIsRefusedWithoutWaiting() {
    const QString fifo = dir.filePath("pipe");
    QCOMPARE(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    std::atomic<bool> done{false};
    bool opened = true;
    std::thread reader([&] {
        FileBytes bytes;
        opened = bytes.Open(fifo.toStdString());
        done = true;
    });
    struct Release {
        const QString& fifo;
        std::atomic<bool>& done;
        std::thread& reader;
        ~Release() {
            if (!done) {
                const int fd = ::open(fifo.toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0)
                    ::close(fd);
            }
            reader.join();
        }
    } release{fifo, done, reader};
    QTRY_VERIFY_WITH_TIMEOUT(done, 5000);
    QVERIFY(!opened);
}

// The head and tail come with one read each (one in all for a small file); later reads inside them
// cost none.
void TestFileBytes::readsAreCounted() {
    FileBytes bytes;
    QVERIFY(bytes.Open(file.toStdString(), 1000, 500));
    QCOMPARE(bytes.FileReads(), std::int64_t(2));
    std::vector<std::uint8_t> out(400);
    QCOMPARE(bytes.Read(10, out.size(), out.data()), std::int64_t(400));
    QCOMPARE(bytes.FileReads(), std::int64_t(2));
    QCOMPARE(bytes.Read(50000, out.size(), out.data()), std::int64_t(400));
    QCOMPARE(bytes.FileReads(), std::int64_t(3));
    FileBytes small;
    QVERIFY(small.Open(file.toStdString(), 200000, 500));
    QCOMPARE(small.FileReads(), std::int64_t(1));
}

QTEST_GUILESS_MAIN(TestFileBytes)
#include "tst_filebytes.moc"
