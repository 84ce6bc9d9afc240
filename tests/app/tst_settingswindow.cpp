// The settings window: each control writes its setting at once, the rules between controls, closing
// after a column change, the decoder plug-in list and skin activation.
#include "Language.h"
#include "MakerAddress.h"
#include "PlugInHost.h"
#include "ProgramFolder.h"
#include "Settings.h"
#include "SkinEngine.h"
#include "SkinFile.h"
#include "TPlugInForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "../WhenModal.h"

using namespace larkspin;

namespace {

// What the window asked of the rest of the program.
struct Calls {
    int rebuilds = 0;
    QList<int> selected;
    int loads = 0;
    int empties = 0;
    int writes = 0;
    QStringList logos;
    QList<std::pair<int, int>> fonts;
};

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool isYellow(QRgb px) {
    return qRed(px) > 200 && qGreen(px) > 200 && qBlue(px) < 60;
}

} // namespace

class TestSettingsWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void columnChangeRebuildsThePlaylistOnClose();
    void crossfadeSliderAndDiagram();
    void fadeFields();
    void startupOptionsUncheckEachOther();
    void libraryOption();
    void decoderListRebuildsPlugCheck();
    void outputFormatAndTheRest();
    void loudnessControls();
    void discImagesListedAndRemoved();
    void skinsListedAndActivated();
    void opensModallyUnlessEncodingOrRipping();
    void encoderPlugIns();
    void languageActivatedIsKept();

private:
    template <class T> T* control(const char* name) {
        T* c = form->findChild<T*>(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }
    void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(4, b->height() / 2)); }

    QTemporaryDir dir;
    std::unique_ptr<TPlugInHost> host;
    std::unique_ptr<TPlugInForm> form;
    Calls calls;
};

void TestSettingsWindow::initTestCase() {
    const QString decoders = dir.filePath("PlugIn/Decoder");
    QDir().mkpath(decoders);
    for (const char* name : {"IB_recording.so", "IB_recording2.so"})
        QVERIFY(
            QFile::copy(QStringLiteral(LARKSPIN_BUILD_DIR "/tests/plugins/") + name, decoders + "/" + name));
    PlugInHostOptions options;
    options.decoderFolder = decoders.toStdString();
    host = std::make_unique<TPlugInHost>(options);
    host->EnumeratePlugIns(settings().PlugCheck);
    QCOMPARE(host->PlugInTable().size(), size_t(2));
}

void TestSettingsWindow::init() {
    form.reset();
    settings() = Settings();
    skinEngine().useBuiltIn();
    calls = Calls();
    host->EnumeratePlugIns(settings().PlugCheck);
    form = std::make_unique<TPlugInForm>(*host);
    SettingsWindowHooks hooks;
    hooks.RebuildPlaylistView = [this] { ++calls.rebuilds; };
    hooks.PlaylistCount = [] { return 3; };
    hooks.SelectPlaylistRow = [this](int row) { calls.selected << row; };
    hooks.LoadLibrary = [this] { ++calls.loads; };
    hooks.EmptyLibrary = [this] { ++calls.empties; };
    hooks.FileAvailable = [](const std::string&) { return true; };
    hooks.WriteSettings = [this] { ++calls.writes; };
    hooks.ShowLogo = [this](const QString& path) { calls.logos << path; };
    hooks.ApplyFontSizes = [this](int a, int b) { calls.fonts << std::pair{a, b}; };
    form->setHooks(hooks);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
}

void TestSettingsWindow::columnChangeRebuildsThePlaylistOnClose() {
    settings().Row4 = 3; // Album
    settings().Row5 = 5; // Year
    form->FillSettingsControls();
    QComboBox* no4 = control<QComboBox>("No04");
    QCOMPARE(no4->count(), 12);
    QCOMPARE(control<QComboBox>("No01")->count(), 11);
    emit no4->activated(NoColumn);
    QCOMPARE(no4->currentText(), QStringLiteral("Year"));
    QCOMPARE(control<QComboBox>("No05")->currentText(), QStringLiteral("<none>"));
    QCOMPARE(settings().Row4, 5);
    QCOMPARE(settings().Row5, NoColumn);
    QVERIFY(form->columnsChanged());

    settings().PlayFontSize = 11;
    click(control<QPushButton>("Cancelbtn"));
    QVERIFY(!form->isVisible());
    QCOMPARE(calls.rebuilds, 1);
    QCOMPARE(calls.selected, QList<int>{0}); // prepares the first entry when nothing plays
    QVERIFY(!form->columnsChanged());
    QCOMPARE(calls.fonts.back(), (std::pair{11, 8}));

    // Closed again without a column change: the view stays.
    form->show();
    form->reject();
    QCOMPARE(calls.rebuilds, 1);
}

void TestSettingsWindow::crossfadeSliderAndDiagram() {
    QSlider* slider = control<QSlider>("CrossfadingSlider");
    slider->setValue(50);
    QCOMPARE(control<QLineEdit>("CrossfadingTime")->text(), QStringLiteral("5000"));
    QCOMPARE(settings().CrossTime, 5000);

    // The yellow slope runs from (W/2 - 60, 20) to (W/2 + 60, H): 3 pixels across per pixel down here,
    // 120 pixels across in all.
    const QImage img = form->crossfadePicture();
    QCOMPARE(img.pixelColor(5, 5), QColor(128, 128, 128));
    QCOMPARE(img.pixelColor(10, 5), QColor(Qt::white));
    QCOMPARE(img.height(), 60);
    auto yellowCentre = [&img](int y) {
        int sum = 0, n = 0;
        for (int x = 0; x < img.width(); ++x)
            if (isYellow(img.pixel(x, y))) {
                sum += x;
                ++n;
            }
        return n ? double(sum) / n : -1.0;
    };
    const double upper = yellowCentre(31), lower = yellowCentre(51);
    QVERIFY2(std::abs((lower - upper) * 2 - 120) <= 2,
             qPrintable(QStringLiteral("%1 %2").arg(upper).arg(lower)));
    QVERIFY(std::abs(upper - (img.width() / 2 - 60 + 33)) <= 2);
    QVERIFY(isYellow(img.pixel(30, 20)) || isYellow(img.pixel(30, 21)));
    QCOMPARE(img.pixelColor(img.width() - 3, 20), QColor(Qt::red));
}

void TestSettingsWindow::fadeFields() {
    QLineEdit* play = control<QLineEdit>("PlayFadeTime");
    QSlider* playSlider = control<QSlider>("PlayFadeSlider");
    QTest::keyClicks(play, "5"); // "2000" becomes "20005"
    QCOMPARE(settings().PlayTime, 20005);
    QCOMPARE(playSlider->value(), FadeSliderMax);
    QCOMPARE(play->text(), QStringLiteral("20005")); // the slider does not rewrite what was typed
    play->clear();
    QTest::keyClicks(play, "2550");
    QCOMPARE(settings().PlayTime, 2550);
    QCOMPARE(playSlider->value(), 25);
    QTest::keyClicks(play, "x"); // not a number: the setting keeps its value
    QCOMPARE(settings().PlayTime, 2550);

    // Typing the crossfade time sets it; the slider and the diagram stay until the slider moves.
    QSlider* crossSlider = control<QSlider>("CrossfadingSlider");
    const int sliderBefore = crossSlider->value();
    const QImage shownBefore = control<QLabel>("CrossfadeDiagram")->pixmap().toImage();
    QLineEdit* cross = control<QLineEdit>("CrossfadingTime");
    cross->clear();
    QTest::keyClicks(cross, "1000");
    QCOMPARE(settings().CrossTime, 1000);
    QCOMPARE(crossSlider->value(), sliderBefore);
    QCOMPARE(control<QLabel>("CrossfadeDiagram")->pixmap().toImage(), shownBefore);
    crossSlider->setValue(sliderBefore == 10 ? 20 : 10);
    QCOMPARE(control<QLabel>("CrossfadeDiagram")->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
             form->crossfadePicture());
}

void TestSettingsWindow::startupOptionsUncheckEachOther() {
    QCheckBox* remember = control<QCheckBox>("RememberPlaylist");
    QCheckBox* selected = control<QCheckBox>("SelectedPlaylist");
    QVERIFY(remember->isChecked() && !selected->isChecked());
    QVERIFY(!control<QLineEdit>("SelPlaylistEdit")->isEnabled());
    click(selected);
    QVERIFY(selected->isChecked() && !remember->isChecked());
    QVERIFY(settings().SelectedPlaylist && !settings().RememberPlaylist);
    QVERIFY(control<QLineEdit>("SelPlaylistEdit")->isEnabled());
    click(remember);
    QVERIFY(remember->isChecked() && !selected->isChecked());
    QVERIFY(settings().RememberPlaylist && !settings().SelectedPlaylist);
    QVERIFY(!control<QLineEdit>("SelPlaylistEdit")->isEnabled());
}

void TestSettingsWindow::libraryOption() {
    QCheckBox* library = control<QCheckBox>("ActivateOrganizer");
    click(library);
    QVERIFY(!settings().ActivateOrganizer);
    QCOMPARE(calls.empties, 1);
    QVERIFY(!control<QCheckBox>("ActivateRating")->isEnabled());
    QVERIFY(!control<QCheckBox>("ActivateAdd")->isEnabled());
    click(library);
    QVERIFY(settings().ActivateOrganizer);
    QCOMPARE(calls.loads, 1);
    QVERIFY(control<QCheckBox>("ActivateAdd")->isEnabled());
    // Filling the window from the settings loads nothing.
    settings().ActivateOrganizer = false;
    form->FillSettingsControls();
    QCOMPARE(calls.empties, 1);
    QCOMPARE(calls.loads, 1);
}

void TestSettingsWindow::decoderListRebuildsPlugCheck() {
    QTreeWidget* list = control<QTreeWidget>("ListInput");
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("IB_recording.so"));
    QCOMPARE(settings().PlugCheck, std::string("11"));
    // Names are shown whole, whatever the list's first width.
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        QVERIFY(list->columnWidth(0) > list->fontMetrics().horizontalAdvance(list->topLevelItem(i)->text(0)) +
                                           list->iconSize().width());
    list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    QCOMPARE(settings().PlugCheck, std::string("01"));
    QVERIFY(!host->PlugInTable()[0].enabled);
    list->topLevelItem(0)->setCheckState(0, Qt::Checked);
    QCOMPARE(settings().PlugCheck, std::string("11"));
}

void TestSettingsWindow::outputFormatAndTheRest() {
    click(control<QRadioButton>("OutputFormat1"));
    QVERIFY(settings().IntEncoder && !settings().Encoder);
    click(control<QRadioButton>("OutputFormat2"));
    QVERIFY(!settings().IntEncoder && settings().Encoder);
    click(control<QCheckBox>("Jitter"));
    QVERIFY(settings().Jitter);
    emit control<QComboBox>("SpeedIdx")->activated(3);
    QCOMPARE(settings().SpeedIdx, uint8_t(3));
    control<QComboBox>("CDDBServer")->setCurrentText(QStringLiteral("cddb.example.org"));
    QCOMPARE(settings().CDDBServer, std::string("cddb.example.org"));
    QVERIFY(!form->findChild<QPushButton*>("LoadDefaults")->isEnabled());
}

void TestSettingsWindow::loudnessControls() {
    // Shown from the settings (tenths of a dB as dB), and kept back as the user changes them.
    settings().GainMode = 2;
    settings().GainPreamp = -25;
    settings().GainUntagged = 40;
    settings().GainPreventClipping = false;
    form->FillSettingsControls();
    auto* mode = control<QComboBox>("GainMode");
    auto* preamp = control<QDoubleSpinBox>("GainPreamp");
    auto* untagged = control<QDoubleSpinBox>("GainUntagged");
    QCOMPARE(mode->count(), 4);
    QCOMPARE(mode->currentIndex(), 2);
    QCOMPARE(preamp->value(), -2.5);
    QCOMPARE(untagged->value(), 4.0);
    QVERIFY(!control<QCheckBox>("GainPreventClipping")->isChecked());
    QCOMPARE(settings().GainPreamp, -25); // filling changes nothing

    mode->setCurrentIndex(3);
    QCOMPARE(settings().GainMode, 3);
    preamp->setValue(1.5);
    QCOMPARE(settings().GainPreamp, 15);
    untagged->setValue(-30); // beyond the range: -20 dB
    QCOMPARE(settings().GainUntagged, -200);
    click(control<QCheckBox>("GainPreventClipping"));
    QVERIFY(settings().GainPreventClipping);
}

void TestSettingsWindow::discImagesListedAndRemoved() {
    settings().VirtualDrives = " /music/a.cue ;;/music/b c.cue; ";
    form->FillSettingsControls();
    auto* images = control<QListWidget>("DiscImages");
    QCOMPARE(images->count(), 2);
    QCOMPARE(images->item(1)->text(), QStringLiteral("/music/b c.cue"));
    images->setCurrentRow(0);
    click(control<QPushButton>("RemoveDiscImage"));
    QCOMPARE(settings().VirtualDrives, std::string("/music/b c.cue"));
    click(control<QPushButton>("RemoveDiscImage"));
    QCOMPARE(settings().VirtualDrives, std::string());
}

void TestSettingsWindow::skinsListedAndActivated() {
    QTemporaryDir own;
    const std::string shipped = LARKSPIN_SOURCE_DIR "/skins";
    form->setSkinFolders({own.path().toStdString(), shipped}, own.path().toStdString());
    QListWidget* list = control<QListWidget>("SkinList");
    // The download line points below the maker's address; a build without one has no such line.
    bool downloadLine = false;
    for (const QLabel* label : form->findChildren<QLabel*>())
        downloadLine |= label->text() == QStringLiteral("Download skins at:");
    QCOMPARE(downloadLine, *MakerWebAddress() != '\0');
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(0)->text(), QStringLiteral("Glacier"));
    QCOMPARE(list->item(1)->text(), QStringLiteral("VezAdev"));
    QPushButton* activate = control<QPushButton>("ActivateSkin");
    QVERIFY(!activate->isEnabled());
    list->setCurrentRow(0);
    QVERIFY(activate->isEnabled());
    click(activate);

    QCOMPARE(settings().SkinName, std::string("Glacier"));
    QCOMPARE(control<QLabel>("ActualSkin")->text(), QStringLiteral("Glacier"));
    QCOMPARE(calls.writes, 1);
    QCOMPARE(skinEngine().skin().name(), QStringLiteral("Glacier"));
    const SkinLoad glacier = LoadSkinFile(QString::fromStdString(shipped) + "/Glacier/skin.ini");
    QCOMPARE(form->palette().color(QPalette::Base), glacier.skin.color(SkinColor::ListBackground));
    const QString logo = own.filePath("_logo.jpg");
    QCOMPARE(calls.logos, QStringList{logo});
    QCOMPARE(contents(logo), contents(QString::fromStdString(shipped) + "/Glacier/_display/_logo.jpg"));
}

void TestSettingsWindow::opensModallyUnlessEncodingOrRipping() {
    form->hide();
    auto* pages = form->findChild<QTabWidget*>("Pages");
    pages->setCurrentIndex(3);
    QString refusal;
    QTimer::singleShot(0, this, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            refusal = box->text();
            box->accept();
        }
    });
    form->ShowSettings(true);
    QCOMPARE(refusal, QStringLiteral("Settings are not available while encoding or ripping!"));
    QVERIFY(!form->isVisible());

    bool modal = false;
    int page = -1;
    QTimer::singleShot(0, this, [&] {
        modal = QApplication::activeModalWidget() == form.get();
        page = pages->currentIndex();
        click(control<QPushButton>("Cancelbtn"));
    });
    form->ShowSettings(false);
    QVERIFY(modal);
    QCOMPARE(page, 0);
    QVERIFY(!form->isVisible());
}

void TestSettingsWindow::encoderPlugIns() {
    settings().EncIdx = 1;
    auto* panel = new QLabel(QStringLiteral("encoder panel"));
    form->setEncoders(panel, {"ogg - Vorbis", "mp3 - LAME"});
    QVERIFY(form->isAncestorOf(panel));
    QComboBox* choice = control<QComboBox>("EncoderChoice");
    QCOMPARE(choice->count(), 2);
    QCOMPARE(choice->currentText(), QStringLiteral("mp3 - LAME"));
    emit choice->activated(0);
    QCOMPARE(settings().EncIdx, uint8_t(0));
}

// Activate keeps the chosen language in the program folder and puts it to work at once; windows built
// before keep their texts, so the user is told that the change comes with the next start.
void TestSettingsWindow::languageActivatedIsKept() {
    QTemporaryDir folder;
    programFolder() = folder.path().toStdString();
    auto* list = control<QComboBox>("LanguageList");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->itemText(0), QStringLiteral("English"));
    QCOMPARE(list->itemText(1), QStringLiteral("Deutsch"));
    auto* activate = control<QPushButton>("ActivateLanguage");

    // Without the Language folder the choice cannot be kept: the user is told and nothing changes.
    QString message;
    test::whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        message = box->text();
        box->accept();
    });
    list->setCurrentIndex(1);
    click(activate);
    QVERIFY2(message.startsWith("Cannot write to "), qPrintable(message));
    QCOMPARE(QCoreApplication::translate("larkspin::TPlugInForm", "Language"), QStringLiteral("Language"));

    QVERIFY(QDir(folder.path()).mkpath("Language"));
    const struct {
        int row;
        const char* code;
        const char* told;
        const char* pageTitle;
    } cases[] = {{1, "de", "Die Sprache wechselt beim nächsten Start von Larkspin.", "Sprache"},
                 {0, "en", "The language changes when Larkspin starts again.", "Language"}};
    for (const auto& c : cases) {
        message.clear();
        test::whenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            message = box->text();
            box->accept();
        });
        list->setCurrentIndex(c.row);
        click(activate);
        QCOMPARE(message, QString::fromUtf8(c.told));
        QCOMPARE(control<QLabel>("ActualLanguage")->text(), list->currentText());
        QVERIFY(
            contents(folder.filePath("Language/Language.ini")).contains(QByteArray("Language=") + c.code));
        QCOMPARE(ChosenLanguage(programFolder()), QString::fromLatin1(c.code));
        // A settings window built now speaks the language.
        TPlugInForm again(*host);
        auto* pages = again.findChild<QTabWidget*>("Pages");
        QCOMPARE(pages->tabText(pages->count() - 1), QString::fromUtf8(c.pageTitle));
    }
    InstallLanguage("en");
}

QTEST_MAIN(TestSettingsWindow)
#include "tst_settingswindow.moc"
