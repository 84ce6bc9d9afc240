#include "IndexMarks.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace larkspin;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

std::vector<IndexMark> marksAt(std::initializer_list<int> positions) {
    std::vector<IndexMark> marks;
    int n = 1;
    for (int p : positions)
        marks.push_back({QStringLiteral("Part #%1").arg(n++), p, FormatMarkPosition(p)});
    return marks;
}

QStringList names(const std::vector<IndexMark>& marks) {
    QStringList list;
    for (const IndexMark& m : marks)
        list << m.Name;
    return list;
}

QList<int> positions(const std::vector<IndexMark>& marks) {
    QList<int> list;
    for (const IndexMark& m : marks)
        list << m.Position;
    return list;
}

QStringList rowTexts(const IndexEditor& e) {
    QStringList list;
    for (const IndexEditor::Row& r : e.Rows())
        list << r.Name + "=" + r.PositionText;
    return list;
}

} // namespace

class TestIndexMarks : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void formatPosition_data();
    void formatPosition();
    void writtenFileReadsBack();
    void followMovesOneMarkPerTick();
    void previousTarget_data();
    void previousTarget();

    void firstMarkAddsTheStartMark();
    void newMarkIsSortedIntoPlace();
    void positionsPastFourDigitsSortByNumber();
    void scrollBarMovesTheNewMark();
    void deletingNeverRemovesTheFirstTwoRows();
    void deletingTheNewMarkDisablesTheNumberBox();
    void editModeKeepsRowsAndAnswersNoMark();
    void failedSaveKeepsTheFileAndTheRows();
    void damagedFileIsEditedAsItsValidMarks();
};

void TestIndexMarks::parse_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<int>>("positions");
    QTest::newRow("crlf pairs") << QByteArray("Intro\r\n0\r\nSong\r\n0042\r\n")
                                << QStringList{"Intro", "Song"} << QList<int>{0, 42};
    QTest::newRow("lf only, no final line end")
        << QByteArray("A\n0\nB\n1234") << QStringList{"A", "B"} << QList<int>{0, 1234};
    QTest::newRow("five digits") << QByteArray("A\r\n12345\r\n") << QStringList{"A"} << QList<int>{12345};
    QTest::newRow("name without position is no mark")
        << QByteArray("A\r\n0\r\nB\r\n") << QStringList{"A"} << QList<int>{0};
    QTest::newRow("position that is not a number skips its pair")
        << QByteArray("A\r\nabc\r\nB\r\n0060\r\n") << QStringList{"B"} << QList<int>{60};
    QTest::newRow("negative position skipped") << QByteArray("A\r\n-5\r\n") << QStringList{} << QList<int>{};
    QTest::newRow("number with junk skipped") << QByteArray("A\r\n12s\r\n") << QStringList{} << QList<int>{};
    QTest::newRow("empty position skipped") << QByteArray("A\r\n\r\n") << QStringList{} << QList<int>{};
    QTest::newRow("huge number skipped")
        << QByteArray("A\r\n99999999999999\r\n") << QStringList{} << QList<int>{};
    QTest::newRow("empty file") << QByteArray() << QStringList{} << QList<int>{};
    QTest::newRow("single line") << QByteArray("only a name") << QStringList{} << QList<int>{};
    QTest::newRow("empty name kept") << QByteArray("\r\n0007\r\n") << QStringList{""} << QList<int>{7};
    QTest::newRow("utf-8 name") << QByteArray("Kapitel \xc3\xbc\r\n0010\r\n") << QStringList{"Kapitel ü"}
                                << QList<int>{10};
    QTest::newRow("binary garbage") << QByteArray("\x00\xff\x01\n\x80\n", 6) << QStringList{} << QList<int>{};
}

void TestIndexMarks::parse() {
    QFETCH(QByteArray, text);
    QFETCH(QStringList, names);
    QFETCH(QList<int>, positions);
    std::vector<IndexMark> marks = ParseIndexText(text);
    QCOMPARE(::names(marks), names);
    QCOMPARE(::positions(marks), positions);
}

void TestIndexMarks::formatPosition_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("one digit") << 7 << "0007";
    QTest::newRow("two digits") << 42 << "0042";
    QTest::newRow("three digits") << 100 << "0100";
    QTest::newRow("four digits") << 1234 << "1234";
    QTest::newRow("five digits") << 12345 << "12345";
    QTest::newRow("zero") << 0 << "0000";
}

void TestIndexMarks::formatPosition() {
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(FormatMarkPosition(seconds), text);
}

void TestIndexMarks::writtenFileReadsBack() {
    QTemporaryDir dir;
    const std::string path = IndexFilePath(dir.filePath("Live.mp3").toStdString());
    QVERIFY(QString::fromStdString(path).endsWith("/Live.mp3.idx"));
    std::vector<IndexMark> marks = marksAt({0, 42, 1234});
    marks[0].PositionText = "0";
    marks[1].Name = "line\nbreak"; // would split the pair
    QVERIFY(WriteIndexFile(path, marks));
    QCOMPARE(readAll(QString::fromStdString(path)),
             QByteArray("Part #1\r\n0\r\nline break\r\n0042\r\nPart #3\r\n1234\r\n"));
    QCOMPARE(positions(ReadIndexFile(path)), (QList<int>{0, 42, 1234}));
    QVERIFY(ReadIndexFile(dir.filePath("missing.idx").toStdString()).empty());
}

void TestIndexMarks::followMovesOneMarkPerTick() {
    const auto marks = marksAt({0, 60, 120});
    // A jump to second 130 from mark 1: one mark per tick.
    int mark = FollowMark(marks, 1, 130, true);
    QCOMPARE(mark, 2);
    mark = FollowMark(marks, mark, 130, true);
    QCOMPARE(mark, 3);
    QCOMPARE(FollowMark(marks, mark, 130, true), 3);
    // Back to second 10: down one per tick.
    QCOMPARE(FollowMark(marks, 3, 10, true), 2);
    QCOMPARE(FollowMark(marks, 2, 10, true), 1);
    // Exactly on a start belongs to that mark.
    QCOMPARE(FollowMark(marks, 1, 60, true), 2);
    QCOMPARE(FollowMark(marks, 2, 60, true), 2);
    // Not playing: stays.
    QCOMPARE(FollowMark(marks, 1, 130, false), 1);
    // A mark number past the end (the file shrank) is brought into range.
    QCOMPARE(FollowMark(marks, 7, 130, true), 3);
    QCOMPARE(FollowMark({}, 3, 10, true), 1);
}

void TestIndexMarks::previousTarget_data() {
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("target");
    QTest::newRow("1 s after mark 3: mark 2") << 3 << 121 << 2;
    QTest::newRow("2 s after mark 3: mark 2") << 3 << 122 << 2;
    QTest::newRow("3 s after mark 3: start of mark 3") << 3 << 123 << 3;
    QTest::newRow("5 s after mark 3: start of mark 3") << 3 << 125 << 3;
    QTest::newRow("mark 2 right at its start: mark 1") << 2 << 60 << 1;
}

void TestIndexMarks::previousTarget() {
    QFETCH(int, current);
    QFETCH(int, position);
    QFETCH(int, target);
    QCOMPARE(PreviousMarkTarget(marksAt({0, 60, 120}), current, position), target);
}

void TestIndexMarks::firstMarkAddsTheStartMark() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("a.mp3.idx").toStdString();
    IndexEditor e(path, 42);
    QVERIFY(e.NumberBoxEnabled());
    QCOMPARE(rowTexts(e), (QStringList{"Part #1=0", "Part #2=0042"}));
    QCOMPARE(e.Save(), std::optional<int>(2));
    QCOMPARE(readAll(QString::fromStdString(path)), QByteArray("Part #1\r\n0\r\nPart #2\r\n0042\r\n"));
}

void TestIndexMarks::newMarkIsSortedIntoPlace() {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.mp3.idx");
    writeAll(path, "Part #1\r\n0\r\nPart #2\r\n0042\r\n");
    IndexEditor e(path.toStdString(), 20);
    QCOMPARE(rowTexts(e), (QStringList{"Part #1=0", "Part #2=0042", "Part #3=0020"}));
    QCOMPARE(e.Save(), std::optional<int>(2));
    QCOMPARE(rowTexts(e), (QStringList{"Part #1=0", "Part #3=0020", "Part #2=0042"}));
    QCOMPARE(readAll(path), QByteArray("Part #1\r\n0\r\nPart #3\r\n0020\r\nPart #2\r\n0042\r\n"));
}

void TestIndexMarks::positionsPastFourDigitsSortByNumber() {
    // A long audio book: 2:46:40 is 10000 s, which a text sort would put before 9999.
    QTemporaryDir dir;
    const QString path = dir.filePath("book.mp3.idx");
    writeAll(path, "Part #1\r\n0\r\nPart #2\r\n9999\r\n");
    IndexEditor e(path.toStdString(), 10000);
    QCOMPARE(e.Save(), std::optional<int>(3));
    QCOMPARE(positions(ReadIndexFile(path.toStdString())), (QList<int>{0, 9999, 10000}));
}

void TestIndexMarks::scrollBarMovesTheNewMark() {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.mp3.idx");
    writeAll(path, "Part #1\r\n0\r\nPart #2\r\n0042\r\n");
    IndexEditor e(path.toStdString(), 50);
    e.SetNewMarkPosition(7);
    QCOMPARE(e.NumberBoxValue(), 7);
    QCOMPARE(e.Rows().back().PositionText, QStringLiteral("0007"));
    e.RenameRow(2, "Encore");
    e.RenameRow(9, "ignored");
    QCOMPARE(e.Save(), std::optional<int>(2));
    QCOMPARE(rowTexts(e), (QStringList{"Part #1=0", "Encore=0007", "Part #2=0042"}));
}

void TestIndexMarks::deletingNeverRemovesTheFirstTwoRows() {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.mp3.idx");
    writeAll(path, "A\r\n0\r\nB\r\n0010\r\nC\r\n0020\r\nD\r\n0030\r\n");
    IndexEditor e(path.toStdString(), 0);
    e.DeleteRows({0, 1, 2, 3, 3, -1, 17});
    QCOMPARE(rowTexts(e), (QStringList{"A=0", "B=0010"}));
    QCOMPARE(e.Save(), std::optional<int>(0));
    QCOMPARE(readAll(path), QByteArray("A\r\n0\r\nB\r\n0010\r\n"));
}

void TestIndexMarks::deletingTheNewMarkDisablesTheNumberBox() {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.mp3.idx");
    writeAll(path, "A\r\n0\r\nB\r\n0010\r\n");
    IndexEditor e(path.toStdString(), 30);
    e.DeleteRows({1});
    QVERIFY(e.NumberBoxEnabled()); // row 1 is one of the two that stay
    e.DeleteRows({2});
    QVERIFY(!e.NumberBoxEnabled());
    e.SetNewMarkPosition(99); // nothing left to place
    QCOMPARE(rowTexts(e), (QStringList{"A=0", "B=0010"}));
    QCOMPARE(e.Save(), std::optional<int>(0));
}

void TestIndexMarks::editModeKeepsRowsAndAnswersNoMark() {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.mp3.idx");
    writeAll(path, "A\r\n0\r\nB\r\n0010\r\n");
    IndexEditor e(path.toStdString(), 0);
    QVERIFY(!e.NumberBoxEnabled());
    QCOMPARE(rowTexts(e), (QStringList{"A=0", "B=0010"}));
    e.RenameRow(1, "Second");
    QCOMPARE(e.Save(), std::optional<int>(0));
    QCOMPARE(names(ReadIndexFile(path.toStdString())), (QStringList{"A", "Second"}));
}

void TestIndexMarks::failedSaveKeepsTheFileAndTheRows() {
    // A read-only index file makes the write fail, even for root.
    QTemporaryDir dir;
    const QString path = dir.filePath("a.mp3.idx");
    const QByteArray old("A\r\n0\r\nB\r\n0010\r\n");
    writeAll(path, old);
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
    IndexEditor e(path.toStdString(), 5);
    QVERIFY(!e.Save());
    QCOMPARE(readAll(path), old);
    QCOMPARE(rowTexts(e), (QStringList{"A=0", "B=0010", "Part #3=0005"}));
}

void TestIndexMarks::damagedFileIsEditedAsItsValidMarks() {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.mp3.idx");
    writeAll(path, "A\r\n0\r\nbroken\r\nxx\r\nB\r\n0010\r\ndangling\r\n");
    IndexEditor e(path.toStdString(), 5);
    QCOMPARE(rowTexts(e), (QStringList{"A=0", "B=0010", "Part #3=0005"}));
    QCOMPARE(e.Save(), std::optional<int>(2));
    QCOMPARE(readAll(path), QByteArray("A\r\n0\r\nPart #3\r\n0005\r\nB\r\n0010\r\n"));
}

QTEST_GUILESS_MAIN(TestIndexMarks)
#include "tst_indexmarks.moc"
