#include "../TestFiles.h"
#include "PrivateProfile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace larkspin;

class TestPrivateProfile : public QObject {
    Q_OBJECT
private slots:
    void parseInteger_data();
    void parseInteger();
    void lookupIgnoresCaseAndSpaces();
    void textIsCutAt2047BytesOnACharacterBoundary();
    void writeKeepsForeignLinesAndOrder();
    void newKeyJoinsItsSectionBeforeTheNext();
    void failedWriteRaisesAndKeepsTheOldFile();
    void failedWriteLeavesMemoryAsTheFile();
    void readOnlyFileIsNotReplaced();
    void batchWritesTheFileOnceAsSingleWritesWould();
    void batchWithoutCommitTakesItsWritesBack();
    void failedBatchKeepsTheFileAndTheMemory();
};

namespace {

// The same writes as single writes and as one batch; both must give the same file.
void writeMixture(PrivateProfile& p) {
    p.writeInteger("b", "X", 9);         // existing key, other case
    p.writeString("B", "z", "new");      // new key into an existing section
    p.writeBool("C", "flag", true);      // new section at the end
    p.writeString("A", "y", "changed");  // existing key after a blank line
    p.writeString("c", "second", "two"); // new key into the section created above
    p.writeInteger("B", "x", 10);        // the same key twice: the last value stays
}

const std::string Original = "; comment\n[B]\nx=1\nunknown=keep\n\n[A]\ny=2\n";

} // namespace

void TestPrivateProfile::batchWritesTheFileOnceAsSingleWritesWould() {
    QTemporaryDir dir;
    const QString single = dir.filePath("single.ini");
    const QString batched = dir.filePath("batched.ini");
    writeAll(single, Original);
    writeAll(batched, Original);
    {
        PrivateProfile p(single.toStdString());
        writeMixture(p);
    }
    PrivateProfile p(batched.toStdString());
    {
        PrivateProfile::Batch batch(p);
        writeMixture(p);
        QCOMPARE(p.readInteger("B", "x", 0), 10); // visible at once in memory
        QCOMPARE(readAll(batched), Original);     // not yet in the file
        {
            PrivateProfile::Batch inner(p); // part of the outer batch
            p.writeString("A", "inner", "1");
            inner.Commit();
        }
        QCOMPARE(readAll(batched), Original);
        p.writeString("A", "inner", "");
        batch.Commit();
    }
    std::string expected = readAll(single);
    expected.replace(expected.find("y=changed\n"), 10, "y=changed\ninner=\n");
    QCOMPARE(readAll(batched), expected);
    QCOMPARE(readAll(single),
             std::string(
                 "; comment\n[B]\nx=10\nunknown=keep\nz=new\n\n[A]\ny=changed\n[C]\nflag=1\nsecond=two\n"));
    // Single writes after a batch replace the file at once again.
    p.writeInteger("B", "x", 11);
    QCOMPARE(PrivateProfile(batched.toStdString()).readInteger("B", "x", 0), 11);
}

void TestPrivateProfile::batchWithoutCommitTakesItsWritesBack() {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.ini");
    writeAll(path, Original);
    PrivateProfile p(path.toStdString());
    {
        PrivateProfile::Batch batch(p);
        writeMixture(p);
    }
    QCOMPARE(p.readInteger("B", "x", 0), 1);
    QCOMPARE(p.readString("B", "z", "none"), std::string("none"));
    QCOMPARE(readAll(path), Original);
    p.writeString("A", "y", "3");
    QCOMPARE(readAll(path), std::string("; comment\n[B]\nx=1\nunknown=keep\n\n[A]\ny=3\n"));
}

void TestPrivateProfile::failedBatchKeepsTheFileAndTheMemory() {
    // A file without write permission cannot be replaced, even by root.
    QTemporaryDir dir;
    const QString path = dir.filePath("a.ini");
    writeAll(path, Original);
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
    PrivateProfile p(path.toStdString());
    QString message;
    {
        PrivateProfile::Batch batch(p);
        writeMixture(p);
        try {
            batch.Commit();
        } catch (const EProfileWriteError& e) {
            message = e.what();
        }
    }
    QVERIFY2(message.startsWith(QString("Cannot write to %1: ").arg(path)), qPrintable(message));
    QCOMPARE(readAll(path), Original);
    QCOMPARE(p.readInteger("B", "x", 0), 1);
    QCOMPARE(p.readString("C", "flag", "none"), std::string("none"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.ini"});
}

void TestPrivateProfile::parseInteger_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("decimal") << "5000" << true << 5000;
    QTest::newRow("negative") << "-12" << true << -12;
    QTest::newRow("dollar hex") << "$FF" << true << 255;
    QTest::newRow("0x hex") << "0x1f" << true << 31;
    QTest::newRow("0X hex") << "0X10" << true << 16;
    QTest::newRow("full unsigned hex") << "$FFFFFFFF" << true << -1;
    QTest::newRow("spaces around") << "  42 " << true << 42;
    QTest::newRow("letters") << "abc" << false << 0;
    QTest::newRow("trailing junk") << "12abc" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("lone dollar") << "$" << false << 0;
    QTest::newRow("too large") << "4294967296" << false << 0;
    QTest::newRow("above int32") << "2147483648" << false << 0;
    QTest::newRow("int32 min") << "-2147483648" << true << INT32_MIN;
}

void TestPrivateProfile::parseInteger() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    int32_t out = 0;
    QCOMPARE(PrivateProfile::parseInteger(text.toStdString(), out), ok);
    if (ok)
        QCOMPARE(out, value);
}

void TestPrivateProfile::lookupIgnoresCaseAndSpaces() {
    QTemporaryDir dir;
    QString path = dir.filePath("a.ini");
    writeAll(path, "[audio]\r\n  crosstime = 300 \r\nName=\"quoted text\"\r\n[Other]\r\nCrossTime=7\r\n");
    PrivateProfile p(path.toStdString());
    QCOMPARE(p.readInteger("AUDIO", "CrossTime", 5000), 300);
    QCOMPARE(p.readInteger("Other", "crosstime", 0), 7);
    QCOMPARE(p.readString("Audio", "name", ""), std::string("quoted text"));
    QCOMPARE(p.readInteger("Missing", "CrossTime", 5000), 5000);
    QCOMPARE(p.readBool("Audio", "Missing", true), true);
}

void TestPrivateProfile::textIsCutAt2047BytesOnACharacterBoundary() {
    QTemporaryDir dir;
    QString path = dir.filePath("a.ini");
    // 2046 ASCII bytes and then a two-byte character that would straddle the limit.
    std::string value(2046, 'x');
    value += "\xC3\xA9tail";
    writeAll(path, "[S]\nK=" + value + "\n");
    PrivateProfile p(path.toStdString());
    QCOMPARE(p.readString("S", "K", ""), std::string(2046, 'x'));
}

void TestPrivateProfile::writeKeepsForeignLinesAndOrder() {
    QTemporaryDir dir;
    QString path = dir.filePath("a.ini");
    writeAll(path, "; comment\n[B]\nx=1\nunknown=keep\n\n[A]\ny=2\n");
    PrivateProfile p(path.toStdString());
    p.writeInteger("b", "X", 9);
    QCOMPARE(readAll(path), std::string("; comment\n[B]\nx=9\nunknown=keep\n\n[A]\ny=2\n"));
}

void TestPrivateProfile::newKeyJoinsItsSectionBeforeTheNext() {
    QTemporaryDir dir;
    QString path = dir.filePath("a.ini");
    writeAll(path, "[B]\nx=1\n\n[A]\ny=2\n");
    PrivateProfile p(path.toStdString());
    p.writeString("B", "z", "new");
    p.writeBool("C", "flag", true);
    QCOMPARE(readAll(path), std::string("[B]\nx=1\nz=new\n\n[A]\ny=2\n[C]\nflag=1\n"));
    PrivateProfile again(path.toStdString());
    QCOMPARE(again.readString("b", "Z", ""), std::string("new"));
}

void TestPrivateProfile::failedWriteRaisesAndKeepsTheOldFile() {
    if (geteuid() == 0)
        QSKIP("root writes into read-only folders");
    QTemporaryDir dir;
    QString path = dir.filePath("a.ini");
    writeAll(path, "[A]\nk=1\n");
    PrivateProfile p(path.toStdString());
    chmod(dir.path().toLocal8Bit().constData(), 0555);
    QString message;
    try {
        p.writeInteger("A", "k", 2);
    } catch (const EProfileWriteError& e) {
        message = e.what();
    }
    chmod(dir.path().toLocal8Bit().constData(), 0755);
    QVERIFY2(message.startsWith(QString("Cannot write to %1: ").arg(path)), qPrintable(message));
    QCOMPARE(readAll(path), std::string("[A]\nk=1\n"));
}

void TestPrivateProfile::failedWriteLeavesMemoryAsTheFile() {
    QTemporaryDir dir;
    // A folder that does not exist cannot take the file, whoever runs the test.
    PrivateProfile p(dir.filePath("missing/a.ini").toStdString());
    QVERIFY_THROWS_EXCEPTION(EProfileWriteError, p.writeInteger("A", "k", 2));
    QCOMPARE(p.readInteger("A", "k", 7), 7);
}

void TestPrivateProfile::readOnlyFileIsNotReplaced() {
    // A file without write permission stays as it is and keeps its mode, even when root runs the test.
    QTemporaryDir dir;
    QString path = dir.filePath("a.ini");
    writeAll(path, "[A]\nk=1\n");
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    PrivateProfile p(path.toStdString());
    QVERIFY_THROWS_EXCEPTION(EProfileWriteError, p.writeInteger("A", "k", 2));
    QCOMPARE(readAll(path), std::string("[A]\nk=1\n"));
    QVERIFY(!(QFile::permissions(path) & (QFileDevice::WriteOwner | QFileDevice::WriteGroup)));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.ini"});
}

QTEST_APPLESS_MAIN(TestPrivateProfile)
#include "tst_privateprofile.moc"
