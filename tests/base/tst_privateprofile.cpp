#include "PrivateProfile.h"
#include "../TestFiles.h"

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
};

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
    QCOMPARE(message, QString("nach %1 kann nicht geschrieben werden").arg(path));
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
