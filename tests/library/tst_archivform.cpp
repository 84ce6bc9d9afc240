// The import window offscreen over generated MP3 files: search, reading off the user-interface thread
// with progress and cancel, the preview, "Finish"; and the medium dialog.
#include "LibraryFixtures.h"

#include "MusicLibrary.h"
#include "Settings.h"
#include "TArchivForm.h"
#include "TGetCDForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

using namespace larkspin;
using namespace libfixtures;

class TestArchivForm : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void comboOfMasks();
    void importFolderTwice();
    void cancelReading();
    void cancelSearching();
    void deleteSelectedTitles();
    void finishWithoutReading();
    void mediumDialog();

private:
    // Runs search, "Next >>" and reading; returns when the preview is filled.
    void searchAndRead(TArchivForm& form);

    QTemporaryDir dir;
    Settings s;
};

void TestArchivForm::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QVERIFY(QDir().mkpath(dir.filePath("music/sub")));
    QVERIFY(
        WriteTaggedMp3(dir.filePath("music/01 Zed.mp3").toStdString(), "01 Zebras", "Stripes", "Savanna", 2));
    QVERIFY(WriteTaggedMp3(dir.filePath("music/sub/b.MP3").toStdString(), "ants", "Hill", "Ground", 1));
    QVERIFY(WriteTaggedMp3(dir.filePath("music/Band - Song.mp3").toStdString(), "", ""));
    QVERIFY(WriteBytes(dir.filePath("music/cover.jpg"), "not audio"));
    s.TransformArtOrg = true;
}

void TestArchivForm::searchAndRead(TArchivForm& form) {
    form.setFolder(dir.filePath("music"));
    form.StartSearchClick();
    QTRY_VERIFY_WITH_TIMEOUT(!form.searching(), 30000);
    QCOMPARE(form.status1->text(), QString("Finished"));
    QVERIFY(form.nextButton->isEnabled());
    form.NextClick();
    QVERIFY(!form.nextButton->isEnabled());
    form.ReadInfosClick();
    QTRY_VERIFY(!form.reading());
    QCOMPARE(form.status2->text(), QString("Finished"));
}

void TestArchivForm::comboOfMasks() {
    MusicLibrary lib;
    TArchivForm form(lib, s);
    QCOMPARE(form.ComboBox1->count(), 0);
    form.setFileTypeLists({"*.mp3;*.mp2", "*.ogg"});
    QCOMPARE(form.ComboBox1->count(), 4);
    QCOMPARE(form.ComboBox1->itemText(0), QString("All compatible Files"));
    QCOMPARE(form.ComboBox1->itemText(3), QString("*.ogg"));
    QVERIFY(form.subfoldersBox->isChecked());
    QVERIFY(form.id3v1Radio->isChecked());
    QCOMPARE(form.status1->text(), QString("Waiting..."));
    // Without masks nothing is searched, but the search still finishes.
    form.setFileTypeLists({});
    form.setFolder(dir.filePath("music"));
    form.StartSearchClick();
    QVERIFY(form.foundPaths().isEmpty());
    QVERIFY(form.nextButton->isEnabled());
}

void TestArchivForm::importFolderTwice() {
    MusicLibrary lib;
    for (int pass = 0; pass < 2; ++pass) {
        TArchivForm form(lib, s);
        form.setFileTypeLists({"*.mp3"});
        searchAndRead(form);
        QCOMPARE(form.foundPaths().size(), 3);
        QCOMPARE(form.foundCount->text(), QString("3"));
        QCOMPARE(form.preview().rowCount(), 3);
        QCOMPARE(form.mediumKind(), std::string("int"));
        // Sorted by the first column, case-sensitively.
        QCOMPARE(form.preview().index(0, 0).data().toString(), QString("01 Zebras"));
        QCOMPARE(form.preview().index(0, 11).data().toString(), QString("Internal"));
        QCOMPARE(form.cancelButton->text(), QString("Finish"));
        QVERIFY(!form.readButton->isEnabled());
        lib.LibraryModified = false;
        form.CancelClick();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(lib.Lines.Count(), std::size_t(3));
        QVERIFY(lib.LibraryModified);
    }
    QStringList artists;
    for (LibraryEntry e : lib.Lines.Entries())
        artists << QString::fromStdString(std::string(e.Field(ArtistField)));
    // TransformArtOrg took the number off; the untagged file is named by its file name.
    QCOMPARE(artists, (QStringList{"ants", "Band", "Zebras"}));
}

void TestArchivForm::cancelReading() {
    QTemporaryDir many;
    QVERIFY(WriteTaggedMp3(many.filePath("0.mp3").toStdString(), "A", "T"));
    for (int i = 1; i < 400; ++i)
        QVERIFY(QFile::copy(many.filePath("0.mp3"), many.filePath(QString::number(i) + ".mp3")));
    MusicLibrary lib;
    TArchivForm form(lib, s);
    form.setFileTypeLists({"*.mp3"});
    form.setFolder(many.path());
    form.StartSearchClick();
    QTRY_VERIFY_WITH_TIMEOUT(!form.searching(), 30000);
    QCOMPARE(form.foundPaths().size(), 400);
    form.NextClick();
    form.ReadInfosClick();
    QVERIFY(form.reading());
    form.CancelClick(); // stops the reading, keeps the window
    QTRY_VERIFY(!form.reading());
    QVERIFY(form.status2->text() == "Cancelled" || form.status2->text() == "Finished");
    const int kept = form.preview().rowCount();
    QVERIFY(kept <= 400);
    QCOMPARE(form.progress->value(), kept);
    form.CancelClick();
    QCOMPARE(lib.Lines.Count(), std::size_t(kept));
}

void TestArchivForm::cancelSearching() {
    QTemporaryDir many;
    for (int i = 0; i < 200; ++i) {
        const QString folder = many.filePath(QString::number(i));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(WriteBytes(folder + "/a.mp3", ""));
    }
    MusicLibrary lib;
    TArchivForm form(lib, s);
    form.setFileTypeLists({"*.mp3"});
    form.setFolder(many.path());
    form.StartSearchClick();
    QVERIFY(form.searching()); // the search runs beside the window
    QVERIFY(!form.startSearchButton->isEnabled());
    form.CancelClick(); // stops the search, keeps the window
    QTRY_VERIFY_WITH_TIMEOUT(!form.searching(), 30000);
    QCOMPARE(form.status1->text(), QString("Cancelled"));
    QVERIFY(form.foundPaths().size() <= 200);
    QVERIFY(form.nextButton->isEnabled());
    QVERIFY(form.startSearchButton->isEnabled());
    QCOMPARE(form.result(), 0);
}

void TestArchivForm::deleteSelectedTitles() {
    MusicLibrary lib;
    TArchivForm form(lib, s);
    form.setFileTypeLists({"*.mp3"});
    searchAndRead(form);
    form.DetailList->selectionModel()->select(form.preview().index(0, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    form.deleteButton->click();
    QCOMPARE(form.preview().rowCount(), 2);
    QVERIFY(QFile::exists(dir.filePath("music/01 Zed.mp3")));
    form.CancelClick();
    QCOMPARE(lib.Lines.Count(), std::size_t(2));
}

void TestArchivForm::finishWithoutReading() {
    MusicLibrary lib;
    {
        // Cancel in step one changes nothing.
        TArchivForm form(lib, s);
        form.CancelClick();
        QVERIFY(!lib.LibraryModified);
    }
    TArchivForm form(lib, s);
    form.setFileTypeLists({"*.mp3"});
    form.setFolder(dir.filePath("music"));
    form.StartSearchClick();
    QTRY_VERIFY_WITH_TIMEOUT(!form.searching(), 30000);
    form.NextClick();
    form.CancelClick();
    QVERIFY(lib.Lines.Empty());
    QVERIFY(lib.LibraryModified);
}

void TestArchivForm::mediumDialog() {
    TGetCDForm form;
    QVERIFY(!form.okButton->isEnabled());
    form.nameEdit->setText("Holiday CD");
    QVERIFY(form.okButton->isEnabled());
    form.okButton->click();
    QCOMPARE(form.mediumName(), QString("Holiday CD"));
    QCOMPARE(form.result(), int(QDialog::Accepted));
    form.nameEdit->setText("typed");
    form.cancelButton->click();
    QCOMPARE(form.mediumName(), QString());
}

QTEST_MAIN(TestArchivForm)
#include "tst_archivform.moc"
