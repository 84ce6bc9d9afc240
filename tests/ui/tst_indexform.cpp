// The index editor window: setting a mark, moving it, renaming, deleting, saving and failed saves.
#include "TIndexForm.h"

#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace larkspin;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& data) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QStringList rows(const TIndexForm& form) {
    QStringList out;
    for (int r = 0; r < form.list()->rowCount(); ++r)
        out << form.list()->item(r, 0)->text() + QLatin1Char('=') + form.list()->item(r, 1)->text();
    return out;
}

void click(TIndexForm& form, const char* button) {
    form.findChild<QPushButton*>(QLatin1String(button))->click();
}

void selectRows(TIndexForm& form, std::initializer_list<int> which) {
    form.list()->clearSelection();
    for (int r : which)
        form.list()->selectionModel()->select(form.list()->model()->index(r, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

} // namespace

class TestIndexForm : public QObject {
    Q_OBJECT
private slots:
    void firstMarkOfAFile();
    void thirdMarkIsSortedIn();
    void numberBoxAndScrollBarMoveTheNewMark();
    void deletingKeepsTheFirstTwoRows();
    void editModeRenames();
    void cancelWritesNothing();
    void failedSaveKeepsTheWindowOpen();
};

void TestIndexForm::firstMarkOfAFile() {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("Live.mp3.idx"));
    TIndexForm form(target, 1, 199, 42);
    QCOMPARE(rows(form), (QStringList{"Part #1=0", "Part #2=0042"}));
    QVERIFY(form.numberBox()->isEnabled());
    QCOMPARE(form.numberBox()->minimum(), 1);
    QCOMPARE(form.scrollBar()->maximum(), 199);
    click(form, "SaveBtn");
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(readAll(target), QByteArray("Part #1\r\n0\r\nPart #2\r\n0042\r\n"));
    QCOMPARE(form.newMarkNumber(), 2);
}

void TestIndexForm::thirdMarkIsSortedIn() {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("Live.mp3.idx"));
    write(target, "Part #1\r\n0\r\nPart #2\r\n0042\r\n");
    TIndexForm form(target, 1, 1999, 20);
    QCOMPARE(rows(form), (QStringList{"Part #1=0", "Part #2=0042", "Part #3=0020"}));
    click(form, "SaveBtn");
    QCOMPARE(readAll(target), QByteArray("Part #1\r\n0\r\nPart #3\r\n0020\r\nPart #2\r\n0042\r\n"));
    QCOMPARE(form.newMarkNumber(), 2);
}

void TestIndexForm::numberBoxAndScrollBarMoveTheNewMark() {
    QTemporaryDir dir;
    TIndexForm form(dir.filePath(QStringLiteral("a.idx")), 1, 1999, 42);
    form.scrollBar()->setValue(1234);
    QCOMPARE(form.numberBox()->value(), 1234);
    QCOMPARE(rows(form).last(), QStringLiteral("Part #2=1234"));
    form.numberBox()->setValue(7);
    QCOMPARE(form.scrollBar()->value(), 7);
    QCOMPARE(rows(form).last(), QStringLiteral("Part #2=0007"));
    QCOMPARE(rows(form).first(), QStringLiteral("Part #1=0")); // only the new mark moves
}

void TestIndexForm::deletingKeepsTheFirstTwoRows() {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("a.idx"));
    write(target, "A\r\n0\r\nB\r\n0010\r\nC\r\n0020\r\n");
    TIndexForm form(target, 1, 999, 30);
    QCOMPARE(form.list()->rowCount(), 4);
    form.list()->selectAll();
    click(form, "DeleteBtn");
    QCOMPARE(rows(form), (QStringList{"A=0", "B=0010"}));
    // The new mark is gone, so there is nothing left to place.
    QVERIFY(!form.numberBox()->isEnabled());
    QVERIFY(!form.scrollBar()->isEnabled());
    click(form, "SaveBtn");
    QCOMPARE(readAll(target), QByteArray("A\r\n0\r\nB\r\n0010\r\n"));
}

void TestIndexForm::editModeRenames() {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("a.idx"));
    write(target, "A\r\n0\r\nB\r\n0010\r\nC\r\n0020\r\n");
    TIndexForm form(target, 0, 99, 0);
    QVERIFY(!form.numberBox()->isEnabled());
    QCOMPARE(form.list()->rowCount(), 3);
    form.list()->item(1, 0)->setText(QStringLiteral("Chorus"));
    selectRows(form, {2});
    click(form, "DeleteBtn");
    click(form, "SaveBtn");
    QCOMPARE(readAll(target), QByteArray("A\r\n0\r\nChorus\r\n0010\r\n"));
    QCOMPARE(form.newMarkNumber(), 0);
}

void TestIndexForm::cancelWritesNothing() {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("a.idx"));
    TIndexForm form(target, 1, 99, 5);
    click(form, "CancelBtn");
    QCOMPARE(form.result(), int(QDialog::Rejected));
    QVERIFY(!QFile::exists(target));
    QCOMPARE(form.newMarkNumber(), 0);
}

void TestIndexForm::failedSaveKeepsTheWindowOpen() {
    QTemporaryDir dir;
    write(dir.filePath(QStringLiteral("plain")), "x");
    // A folder that is really a file cannot take the index file, whoever runs the test.
    const QString target = dir.filePath(QStringLiteral("plain/a.idx"));
    TIndexForm form(target, 1, 99, 5);
    form.open();
    QString message;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            message = box->text();
            box->accept();
        }
    });
    click(form, "SaveBtn");
    QVERIFY(message.contains(target));
    QVERIFY(form.isVisible());
    QCOMPARE(form.result(), 0);
    QCOMPARE(form.newMarkNumber(), 0);
    QCOMPARE(form.list()->rowCount(), 2); // the rows are kept for another try
}

QTEST_MAIN(TestIndexForm)
#include "tst_indexform.moc"
