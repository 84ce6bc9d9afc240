// "Edit title informations...": prefilling from the rip list, single-title and all-titles edits, dropping
// a row with renumbering, and the dialog's fields driving the same logic.

#include "TInfoEditForm.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

using namespace larkspin;

namespace {

TitleRow Row(int n, const QString& artist, const QString& title,
             const QString& album = QStringLiteral("Album"), const QString& year = QStringLiteral("1999"),
             const QString& genre = QStringLiteral("Rock")) {
    return TitleRow{QString::number(n), artist, title, album, year, genre};
}

QList<TitleRow> FiveRows() {
    QList<TitleRow> rows;
    for (int i = 1; i <= 5; ++i)
        rows << Row(i, QStringLiteral("Band"), QStringLiteral("Song %1").arg(i));
    return rows;
}

} // namespace

class TestTitleInfoEdit : public QObject {
    Q_OBJECT
private slots:
    void stripFileNameChars();
    void prefill_data();
    void prefill();
    void singleTitle();
    void dropRowRenumbers_data();
    void dropRowRenumbers();
    void selectedRowOutsideListChangesNothing();
    void allTitles();
    void dialogOkAppliesFields();
    void dialogCancelKeepsRows();
    void dialogWithoutSelectionOffersAllTitlesOnly();
};

void TestTitleInfoEdit::stripFileNameChars() {
    QCOMPARE(StripFileNameChars(QStringLiteral("AC/DC")), QStringLiteral("ACDC"));
    QCOMPARE(StripFileNameChars(QStringLiteral("a\"b*c/d:e<f>g?h\\i|j")), QStringLiteral("abcdefghij"));
    // Letters outside ASCII are kept as they are.
    QCOMPARE(StripFileNameChars(QStringLiteral("Björk: Jóga?")), QStringLiteral("Björk Jóga"));
}

void TestTitleInfoEdit::prefill_data() {
    QTest::addColumn<QList<TitleRow>>("rows");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("allArtist");
    QTest::addColumn<bool>("single");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("title");

    const QList<TitleRow> mixed{Row(1, "A", "One"), Row(2, "B", "Two"), Row(3, "A", "Three")};
    QTest::newRow("common artist, no selection") << FiveRows() << -1 << "Band" << false << ""
                                                 << "";
    QTest::newRow("artists differ") << mixed << -1 << "" << false << ""
                                    << "";
    QTest::newRow("one row never gives a common artist")
        << QList<TitleRow>{Row(1, "Solo", "Only")} << -1 << "" << false << ""
        << "";
    QTest::newRow("selected row") << mixed << 1 << "" << true << "B"
                                  << "Two";
    QTest::newRow("selection past the end is no selection") << mixed << 3 << "" << false << ""
                                                            << "";
    QTest::newRow("empty list") << QList<TitleRow>{} << 0 << "" << false << ""
                                << "";
}

void TestTitleInfoEdit::prefill() {
    QFETCH(QList<TitleRow>, rows);
    QFETCH(int, selected);
    const TitleEdit e = PrefillTitleEdit(rows, selected);
    QTEST(e.allArtist, "allArtist");
    QTEST(e.singleTitle, "single");
    QTEST(e.artist, "artist");
    QTEST(e.title, "title");
    QCOMPARE(e.selectedRow, e.singleTitle ? selected : -1);
    // Album, year and genre come from the first row whatever the others hold.
    QCOMPARE(e.allAlbum, rows.isEmpty() ? QString() : rows[0].album);
    QCOMPARE(e.allYear, rows.isEmpty() ? QString() : rows[0].year);
    QCOMPARE(e.allGenre, rows.isEmpty() ? QString() : rows[0].genre);
}

void TestTitleInfoEdit::singleTitle() {
    QList<TitleRow> rows = FiveRows();
    TitleEdit e = PrefillTitleEdit(rows, 2);
    e.artist = QStringLiteral("AC/DC");
    e.title = QStringLiteral("Who? Me: \"Yes\"");
    e.allAlbum = QStringLiteral("ignored in this mode");
    ApplyTitleEdit(rows, e);

    QList<TitleRow> expected = FiveRows();
    expected[2].artist = QStringLiteral("ACDC");
    expected[2].title = QStringLiteral("Who Me Yes");
    QCOMPARE(rows, expected);
}

void TestTitleInfoEdit::dropRowRenumbers_data() {
    QTest::addColumn<int>("selected");
    QTest::addColumn<QStringList>("numbers");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("third of five") << 2 << QStringList{"1", "2", "3", "4"}
                                   << QStringList{"Song 1", "Song 2", "Song 4", "Song 5"};
    QTest::newRow("first") << 0 << QStringList{"1", "2", "3", "4"}
                           << QStringList{"Song 2", "Song 3", "Song 4", "Song 5"};
    QTest::newRow("last") << 4 << QStringList{"1", "2", "3", "4"}
                          << QStringList{"Song 1", "Song 2", "Song 3", "Song 4"};
}

void TestTitleInfoEdit::dropRowRenumbers() {
    QFETCH(int, selected);
    QList<TitleRow> rows = FiveRows();
    TitleEdit e = PrefillTitleEdit(rows, selected);
    e.deleteRow = true;
    ApplyTitleEdit(rows, e);
    QStringList numbers, titles;
    for (const TitleRow& r : rows) {
        numbers << r.number;
        titles << r.title;
    }
    QTEST(numbers, "numbers");
    QTEST(titles, "titles");
}

void TestTitleInfoEdit::selectedRowOutsideListChangesNothing() {
    for (int bad : {-1, 5, 99}) {
        QList<TitleRow> rows = FiveRows();
        TitleEdit e;
        e.singleTitle = true;
        e.selectedRow = bad;
        e.artist = QStringLiteral("X");
        e.deleteRow = true;
        ApplyTitleEdit(rows, e);
        QCOMPARE(rows, FiveRows());
    }
}

void TestTitleInfoEdit::allTitles() {
    QList<TitleRow> rows{Row(1, "A", "One", "Old", "1990", "Pop"), Row(2, "B", "Two", "Old", "1990", "Pop")};
    TitleEdit e;
    e.allArtist = QStringLiteral("Guns/Roses?");
    e.allAlbum = QStringLiteral("Live: Vol? 1");
    e.allYear = QString(); // empty fields leave the rows' values
    e.allGenre = QStringLiteral("Hard/Rock");
    ApplyTitleEdit(rows, e);
    for (const TitleRow& r : rows) {
        QCOMPARE(r.artist, QStringLiteral("GunsRoses"));
        // Album, year and genre are taken as typed.
        QCOMPARE(r.album, QStringLiteral("Live: Vol? 1"));
        QCOMPARE(r.year, QStringLiteral("1990"));
        QCOMPARE(r.genre, QStringLiteral("Hard/Rock"));
    }
    QCOMPARE(rows[0].title, QStringLiteral("One"));
    QCOMPARE(rows[1].title, QStringLiteral("Two"));

    // An artist made only of forbidden characters does not blank every row.
    TitleEdit slashes;
    slashes.allArtist = QStringLiteral("//");
    ApplyTitleEdit(rows, slashes);
    QCOMPARE(rows[0].artist, QStringLiteral("GunsRoses"));
}

void TestTitleInfoEdit::dialogOkAppliesFields() {
    TInfoEditForm form(FiveRows(), 2);
    auto* single = form.findChild<QRadioButton*>("SelectedTitle");
    auto* all = form.findChild<QRadioButton*>("AllTitles");
    QVERIFY(single && all);
    QVERIFY(single->isChecked());
    QCOMPARE(form.findChild<QLineEdit*>("Edit1")->text(), QStringLiteral("Band"));
    QCOMPARE(form.findChild<QLineEdit*>("Edit2")->text(), QStringLiteral("Song 3"));
    QVERIFY(!form.findChild<QLineEdit*>("Edit3")->isEnabled());

    form.findChild<QLineEdit*>("Edit1")->setText(QStringLiteral("AC/DC"));
    form.findChild<QCheckBox*>("DeleteItem")->setChecked(true);
    // Switching the mode moves which fields count.
    all->setChecked(true);
    QVERIFY(!form.findChild<QLineEdit*>("Edit1")->isEnabled());
    QVERIFY(form.findChild<QLineEdit*>("Edit4")->isEnabled());
    single->setChecked(true);
    form.accept();
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(form.rows().size(), 4);
    QCOMPARE(form.rows()[2].title, QStringLiteral("Song 4"));
    QCOMPARE(form.rows()[3].number, QStringLiteral("4"));
}

void TestTitleInfoEdit::dialogCancelKeepsRows() {
    TInfoEditForm form(FiveRows(), -1);
    form.findChild<QLineEdit*>("Edit3")->setText(QStringLiteral("New album"));
    form.reject();
    QCOMPARE(form.rows(), FiveRows());
}

void TestTitleInfoEdit::dialogWithoutSelectionOffersAllTitlesOnly() {
    TInfoEditForm form(FiveRows(), -1);
    QVERIFY(!form.findChild<QRadioButton*>("SelectedTitle")->isEnabled());
    QVERIFY(form.findChild<QRadioButton*>("AllTitles")->isChecked());
    QCOMPARE(form.findChild<QLineEdit*>("Edit4")->text(), QStringLiteral("Band"));
    form.findChild<QLineEdit*>("Edit3")->setText(QStringLiteral("New album"));
    form.accept();
    for (const TitleRow& r : form.rows())
        QCOMPARE(r.album, QStringLiteral("New album"));
}

QTEST_MAIN(TestTitleInfoEdit)
#include "tst_titleinfoedit.moc"
