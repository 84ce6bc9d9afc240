// The file information window over real files: what it shows for MP3, Ogg and WAV files, editing and
// saving through its controls, Autosave, a failed save, and stepping through the file list.

#include "../WhenModal.h"
#include "FileInfoFixtures.h"
#include "Settings.h"
#include "TCoverImage.h"
#include "TFileInfoForm.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace larkspin;
using namespace fixtures;

namespace {

QByteArray JpegBytes() {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return jpeg;
}

// Both tags, and a front cover in the ID3v2 tag.
QByteArray TaggedMp3() {
    const QByteArray apic = QByteArray(1, '\0') + "image/jpeg" + QByteArray(1, '\0') + char(3) +
                            QByteArray(1, '\0') + JpegBytes();
    const QByteArray v2 = v2Tag(v2Frame("TIT2", latin1Text("Tagged Title")) +
                                v2Frame("TPE1", latin1Text("Tagged Artist")) + v2Frame("APIC", apic));
    return v2 + mp3Audio() + V1Block().put(3, "V1 Title").put(93, "1999").byte(127, 17).b;
}

} // namespace

class TestFileInfoWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }

    struct Window {
        Settings settings;
        std::unique_ptr<TFileInfoForm> form;
        explicit Window(const QString& programFolder, bool autosave = false) {
            settings.Id3v1autosave = autosave;
            form = std::make_unique<TFileInfoForm>(settings, programFolder);
        }
        template <class T> T* child(const char* name) const {
            T* w = form->findChild<T*>(QLatin1String(name));
            if (!w)
                qFatal("no child %s", name);
            return w;
        }
        QLineEdit* edit(const char* name) const { return child<QLineEdit>(name); }
        void click(const char* name) const { child<QPushButton>(name)->click(); }
    };

private slots:
    void mp3ShowsBothPagesAndTheCover();
    void tickBoxesChooseTheTag();
    void editAndSaveEveryField();
    void oggIsShownNeverWritten();
    void wavShowsItsProperties();
    void autosaveWritesUserChangesOnly();
    void failedSaveIsReported();
    void fileListStepsThroughThePlaylist();
};

void TestFileInfoWindow::mp3ShowsBothPagesAndTheCover() {
    const QString mp3 = path("tagged.mp3");
    QVERIFY(writeFile(mp3, TaggedMp3()));
    Window w(dir.path());
    w.form->Open(mp3);
    QCOMPARE(w.form->fileType(), "MP3");
    QCOMPARE(w.edit("Edit1")->text(), "Tagged Artist");
    QCOMPARE(w.edit("Edit2")->text(), "Tagged Title");
    QCOMPARE(w.edit("Edit4")->text(), "1999");
    QCOMPARE(w.child<QComboBox>("ComboBox1")->currentText(), "Rock");
    QCOMPARE(w.child<QComboBox>("ComboBox1")->currentIndex(), 17);
    QVERIFY(!w.child<QLabel>("Image2")->isHidden());
    QVERIFY(!w.child<QCheckBox>("vau1")->isHidden() && !w.child<QCheckBox>("vau2")->isHidden());
    QCOMPARE(w.edit("FileTypeInfo")->text(), "Mp3 file");
    QCOMPARE(w.edit("BitrateInfo")->text(), "CBR 128 kbit/s");
    QCOMPARE(w.edit("SampleRateInfo")->text(), "44100 hz");
    QVERIFY(w.edit("DurationInfo")->text().endsWith(" sec."));
    auto* cover = w.child<TCoverImage>("Image1");
    QVERIFY(!cover->isHidden());
    QVERIFY(cover->hasPicture());
    QCOMPARE(readFile(path("temp.jpg")), JpegBytes());

    // A file without a cover hides the picture of the one before.
    QVERIFY(writeFile(path("plain.mp3"), mp3Audio()));
    w.form->Open(path("plain.mp3"));
    QVERIFY(cover->isHidden());
    QVERIFY(w.child<QLabel>("Image2")->isHidden());
    QCOMPARE(w.edit("Edit1")->text(), QString());
}

void TestFileInfoWindow::tickBoxesChooseTheTag() {
    const QString mp3 = path("ticks.mp3");
    QVERIFY(writeFile(mp3, TaggedMp3()));
    Window w(dir.path());
    w.form->Open(mp3);
    QCOMPARE(w.edit("Edit4")->text(), "1999");
    w.child<QCheckBox>("vau1")->setChecked(false);
    QCOMPARE(w.edit("Edit4")->text(), QString());
    QCOMPARE(w.edit("Edit2")->text(), "Tagged Title");
    w.child<QCheckBox>("vau2")->setChecked(false);
    QCOMPARE(w.edit("Edit2")->text(), "V1 Title");
    QVERIFY(w.child<QLabel>("Image2")->isHidden());
    // Refilling never writes the file.
    QCOMPARE(readFile(mp3), TaggedMp3());
}

void TestFileInfoWindow::editAndSaveEveryField() {
    for (const QByteArray& original : {mp3Audio(), TaggedMp3()}) {
        const QString mp3 = path("edit.mp3");
        QVERIFY(writeFile(mp3, original));
        Window w(dir.path());
        w.form->Open(mp3);
        w.child<QSpinBox>("spinEdit5")->setValue(12);
        w.edit("Edit4")->setText("2024");
        w.edit("Edit1")->setText(QStringLiteral("Sigur Rós"));
        w.edit("Edit2")->setText(QStringLiteral("Ágætis byrjun — 東京"));
        w.edit("Edit3")->setText("Album");
        w.edit("Edit6")->setText("Comment");
        w.child<QComboBox>("ComboBox1")
            ->setCurrentIndex(w.child<QComboBox>("ComboBox1")->findText("Ambient"));
        w.click("SaveTagBtn");
        QVERIFY(w.form->tagsSaved());

        const SeenTags t = readWithTaglib(mp3);
        QCOMPARE(t.v2.track, 12u);
        QCOMPARE(t.v2.year, 2024u);
        QCOMPARE(t.v2.artist, QStringLiteral("Sigur Rós"));
        QCOMPARE(t.v2.title, QStringLiteral("Ágætis byrjun — 東京"));
        QCOMPARE(t.v2.album, "Album");
        QCOMPARE(t.v2.comment, "Comment");
        QCOMPARE(t.v2.genre, "Ambient");
        QCOMPARE(t.v1.artist, QStringLiteral("Sigur Rós"));
        QCOMPARE(t.v1.track, 12u);
        QCOMPARE(t.v1GenreNumber, 26);

        // "Reload Tag" shows what the readers now hold: the saved values.
        w.edit("Edit1")->setText("unsaved");
        w.click("ReloadTagBtn");
        QCOMPARE(w.edit("Edit1")->text(), QStringLiteral("Sigur Rós"));
        QVERIFY(readFile(mp3).contains(mp3Audio()));
    }
}

void TestFileInfoWindow::oggIsShownNeverWritten() {
    const QString wave = path("o.wav");
    const QString ogg = path("song.ogg");
    QVERIFY(Run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", wave, "synth", "1", "sine", "440"}));
    QVERIFY(Run("oggenc", {"-Q", "-t", "Ogg Title", "-a", QStringLiteral("Ōgg Ärtist"), "-l", "Ogg Album",
                           "-N", "3", wave, "-o", ogg}));
    const QByteArray before = readFile(ogg);
    Window w(dir.path(), true);
    w.form->Open(ogg);
    QCOMPARE(w.form->fileType(), "OGG");
    QVERIFY(w.child<QPushButton>("SaveTagBtn")->isHidden());
    QVERIFY(w.child<QCheckBox>("CheckBox13")->isHidden());
    QVERIFY(w.child<QCheckBox>("vau1")->isHidden());
    QCOMPARE(w.edit("Edit1")->text(), QStringLiteral("Ōgg Ärtist"));
    QCOMPARE(w.child<QSpinBox>("spinEdit5")->value(), 3);
    QCOMPARE(w.edit("FileTypeInfo")->text(), "Ogg Vorbis File");
    QVERIFY(!w.edit("BitrateInfo")->text().startsWith("VBR") &&
            !w.edit("BitrateInfo")->text().startsWith("CBR"));
    QCOMPARE(w.edit("EncoderInfo")->text(), "Ogg Vorbis");
    QTest::keyClicks(w.edit("Edit1"), "x");
    QVERIFY(w.form->Button1Click());
    w.click("CloseBtn");
    QCOMPARE(readFile(ogg), before);
    QVERIFY(!w.form->tagsSaved());
}

void TestFileInfoWindow::wavShowsItsProperties() {
    const QString wave = path("w.wav");
    QVERIFY(Run("sox", {"-n", "-r", "8000", "-c", "2", "-b", "16", wave, "synth", "12.34", "sine", "440"}));
    Window w(dir.path());
    w.form->Open(wave);
    QCOMPARE(w.form->fileType(), "WAV");
    QCOMPARE(w.edit("FileTypeInfo")->text(), "Wave file (PCM)");
    QCOMPARE(w.edit("DurationInfo")->text(), "12.3 sec.");
    QCOMPARE(w.edit("SampleRateInfo")->text(), "8000 hz");
    QCOMPARE(w.edit("ChannelModeInfo")->text(), "Stereo");
    QCOMPARE(w.edit("BitrateInfo")->text(), QString());

    // A type the window does not know shows nothing.
    QVERIFY(writeFile(path("notes.txt"), "hello"));
    w.form->Open(path("notes.txt"));
    QCOMPARE(w.form->fileType(), QString());
    QCOMPARE(w.edit("FileTypeInfo")->text(), QString());
}

void TestFileInfoWindow::autosaveWritesUserChangesOnly() {
    const QString mp3 = path("auto.mp3");
    QVERIFY(writeFile(mp3, TaggedMp3()));
    Window w(dir.path(), true);
    w.form->Open(mp3);
    QVERIFY(w.child<QCheckBox>("CheckBox13")->isChecked());
    // Opening and refilling only read the file.
    w.click("ReloadTagBtn");
    w.child<QCheckBox>("vau1")->setChecked(false);
    w.child<QCheckBox>("vau1")->setChecked(true);
    QCOMPARE(readFile(mp3), TaggedMp3());
    QVERIFY(!w.form->tagsSaved());

    // A keystroke in the artist field saves at once, the year typed before it included.
    w.edit("Edit4")->setText("2011");
    QTest::keyClicks(w.edit("Edit1"), "!");
    QCOMPARE(readWithTaglib(mp3).v2.artist, "Tagged Artist!");
    QCOMPARE(readWithTaglib(mp3).v1.year, 2011u);

    // The album typed last is saved by "Close window".
    w.edit("Edit3")->setText("Closing Album");
    w.click("CloseBtn");
    QCOMPARE(readWithTaglib(mp3).v2.album, "Closing Album");
    QVERIFY(w.form->tagsSaved());

    // Unticking "Autosave" is remembered in the settings.
    Window again(dir.path(), true);
    again.form->Open(mp3);
    again.child<QCheckBox>("CheckBox13")->setChecked(false);
    QVERIFY(!again.settings.Id3v1autosave);
}

void TestFileInfoWindow::failedSaveIsReported() {
    const QString mp3 = path("vanishing.mp3");
    QVERIFY(writeFile(mp3, TaggedMp3()));
    Window w(dir.path(), true);
    w.form->Open(mp3);
    w.form->show();
    QVERIFY(QFile::remove(mp3));
    QString shown;
    test::whenModal([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            shown = box->text();
            box->accept();
        }
    });
    QTest::keyClicks(w.edit("Edit1"), "x");
    QVERIFY2(shown.contains("does not exist"), qPrintable(shown));
    QCOMPARE(w.form->lastError(), shown);
    QVERIFY(!QFile::exists(mp3));
    // Autosave is off after a failure, so the next keystroke does not fail again.
    QVERIFY(!w.child<QCheckBox>("CheckBox13")->isChecked());
    QVERIFY(w.settings.Id3v1autosave);
    QTest::keyClicks(w.edit("Edit1"), "y");
    QVERIFY(!QFile::exists(mp3));
    QVERIFY(!w.form->tagsSaved());
}

void TestFileInfoWindow::fileListStepsThroughThePlaylist() {
    const QString first = path("first.mp3");
    const QString second = path("second.mp3");
    QVERIFY(writeFile(first, TaggedMp3()));
    QVERIFY(writeFile(second, v23Tag({{"TPE1", "Second Artist"}}) + mp3Audio()));
    Window w(dir.path(), true);
    w.settings.ShowList = true;
    w.form->setPlaylistSource([&] {
        return QList<TFileInfoForm::ListRow>{{"Tagged Artist - Tagged Title", first},
                                             {"Second Artist - ", second}};
    });
    w.form->Open(first);
    QCOMPARE(w.form->width(), 785);
    QCOMPARE(w.child<QPushButton>("ShowListBtn")->text(), "<< Hide Filelist");
    w.click("GetPlaylistBtn");
    auto* list = w.child<QTreeWidget>("ScrollBox1");
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->topLevelItem(1)->text(0), "Second Artist - ");
    list->setCurrentItem(list->topLevelItem(1));
    QCOMPARE(w.form->fileName(), second);
    QCOMPARE(w.edit("Edit1")->text(), "Second Artist");
    // Choosing a file writes neither file, Autosave or not.
    QCOMPARE(readFile(first), TaggedMp3());
    QCOMPARE(readFile(second), v23Tag({{"TPE1", "Second Artist"}}) + mp3Audio());
    QVERIFY(w.child<QCheckBox>("CheckBox13")->isChecked());

    w.click("ShowListBtn");
    QCOMPARE(w.form->width(), 441);
    QVERIFY(!w.settings.ShowList);
}

QTEST_MAIN(TestFileInfoWindow)
#include "tst_fileinfowindow.moc"
