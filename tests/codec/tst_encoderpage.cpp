// The encoder page, the decode window and the LAME settings dialog, offscreen.
#include "CodecFixtures.h"
#include "EncoderFolder.h"

#include "LameBitrateSteps.h"
#include "PlugInHost.h"
#include "Settings.h"
#include "TDecodeForm.h"
#include "TDecodeRun.h"
#include "TEncodeJobs.h"
#include "TEncoderHost.h"
#include "TEncoderPage.h"
#include "TEncoderSettingsPanel.h"
#include "TinternalEncoder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTreeWidget>
#include <QtTest>

using namespace larkspin;

namespace {

QString messageText(QWidget* page) {
    auto* box = page->findChild<QMessageBox*>();
    return box ? box->text() : QString();
}

std::unique_ptr<TPlugInHost> decoderHost() {
    PlugInHostOptions options;
    options.decoderFolder = LARKSPIN_BUILD_DIR "/PlugIn/Decoder";
    auto host = std::make_unique<TPlugInHost>(options);
    std::string check;
    host->EnumeratePlugIns(check);
    return host;
}

} // namespace

class TestEncoderPage : public QObject {
    Q_OBJECT
private slots:
    void choiceListsEveryPlugInAndLoadsTheFirst();
    void fileListRows();
    void startCaptionFollowsDecodeToWave();
    void progressPanelFollowsTheJobs();
    void abortHidesThePanel();
    void problemsAreShownAfterTheRun();
    void encodesRealFilesWithTheChosenPlugIn();
    void decodeWindowClosesWhenTheRunEnds();
    void decodeToWaveWritesIntoTheOutputFolder();
    void decodeWindowClosesOnlyThroughAbort();
    void settingsPanelShowsTheSelectedPlugIn();
    void lameSliderSteps_data();
    void lameSliderSteps();
    void lameSettingsKeepAnUnlistedBitrate();
};

void TestEncoderPage::choiceListsEveryPlugInAndLoadsTheFirst() {
    EncoderFolder f;
    f.add("a.so", {"info=Ogg Vorbis"});
    f.add("b.so", {"info=FLAC"}, "rec_b.so");
    TEncoderHost host(f.folderName());
    host.Enumerate();
    TEncoderPage page(host, nullptr);
    QCOMPARE(page.ComboBox1()->count(), 2);
    QCOMPARE(page.ComboBox1()->itemText(1), QString("FLAC"));
    QVERIFY(page.ComboBox1()->isEnabled());
    QCOMPARE(host.SelectedRow(), 0);
    QVERIFY(host.EncoderPluginLoaded());
    QVERIFY(!page.DecodeToWave()->isEnabled());

    EncoderFolder empty;
    TEncoderHost none(empty.folderName());
    none.Enumerate();
    TEncoderPage bare(none, nullptr);
    QVERIFY(!bare.ComboBox1()->isEnabled());
    QVERIFY(!none.EncoderPluginLoaded());
}

void TestEncoderPage::fileListRows() {
    EncoderFolder f;
    TEncoderHost host(f.folderName());
    TEncoderPage page(host, nullptr);
    page.AddFiles({"/m/one.wav", "/m/two.wav", "/n/three.wav"});
    QCOMPARE(page.ListView1()->topLevelItem(1)->text(0), QString("two.wav"));
    QCOMPARE(page.Files(), (QStringList{"/m/one.wav", "/m/two.wav", "/n/three.wav"}));
    page.ListView1()->topLevelItem(0)->setSelected(true);
    page.ListView1()->topLevelItem(2)->setSelected(true);
    page.DelFilesClick();
    QCOMPARE(page.Files(), QStringList{"/m/two.wav"});
    page.ClearListClick();
    QVERIFY(page.Files().isEmpty());
    // Starting an empty list does nothing.
    page.StartClick();
    QVERIFY(page.EncPanel()->isHidden());
}

void TestEncoderPage::startCaptionFollowsDecodeToWave() {
    EncoderFolder f;
    TEncoderHost host(f.folderName());
    auto decoders = decoderHost();
    TEncoderPage page(host, decoders.get());
    QCOMPARE(page.StartButton()->text(), QString("Start encoding..."));
    page.DecodeToWave()->setChecked(true);
    QCOMPARE(page.StartButton()->text(), QString("Start decoding..."));
    page.DecodeToWave()->setChecked(false);
    QCOMPARE(page.StartButton()->text(), QString("Start encoding..."));
}

void TestEncoderPage::progressPanelFollowsTheJobs() {
    EncoderFolder f;
    f.add("a.so", {"type=ogg", "finished=0", "position=42"});
    TEncoderHost host(f.folderName());
    host.Enumerate();
    QTemporaryDir dir;
    QVERIFY(makeTone(dir.filePath("1.wav"), 0.1) && makeTone(dir.filePath("2.wav"), 0.1));
    TEncoderPage page(host, nullptr);
    page.show();
    QSignalSpy active(&page, &TEncoderPage::encodingActiveChanged);
    page.AddFiles({dir.filePath("1.wav"), dir.filePath("2.wav")});
    page.Edit1()->setText(dir.path() + "/");
    page.StartClick();
    QVERIFY(page.EncPanel()->isVisible());
    QVERIFY(!page.StartButton()->isEnabled());
    QCOMPARE(active.size(), 1);
    QVERIFY(active.at(0).at(0).toBool());
    QTRY_COMPARE_WITH_TIMEOUT(page.EncPer()->text(), QString("42%"), 5000);
    QCOMPARE(page.EncNum2()->text(), QString("1/2"));
    QCOMPARE(page.EncFort()->value(), 42);
    f.setScript("a.so", {"type=ogg", "finished=1", "position=42"});
    QTRY_COMPARE_WITH_TIMEOUT(page.EncNum2()->text(), QString("2/2"), 5000);
    f.setScript("a.so", {"type=ogg"});
    QTRY_VERIFY_WITH_TIMEOUT(page.EncPanel()->isHidden(), 5000);
    QVERIFY(page.StartButton()->isEnabled());
    QCOMPARE(active.size(), 2);
    QVERIFY(!page.EncodingActive());
    QVERIFY(QFileInfo::exists(dir.filePath("2.ogg")));
}

void TestEncoderPage::abortHidesThePanel() {
    EncoderFolder f;
    f.add("a.so", {"finished=0"});
    TEncoderHost host(f.folderName());
    host.Enumerate();
    QTemporaryDir dir;
    QVERIFY(makeTone(dir.filePath("1.wav"), 0.1));
    TEncoderPage page(host, nullptr);
    page.show();
    page.AddFiles({dir.filePath("1.wav")});
    page.Edit1()->setText(dir.path());
    page.StartClick();
    QVERIFY(page.EncPanel()->isVisible());
    page.AbortClick();
    QTRY_VERIFY_WITH_TIMEOUT(page.EncPanel()->isHidden(), 5000);
    QVERIFY(f.calls().contains("a.so: CancelEncoding()"));
    QVERIFY(!QFileInfo::exists(dir.filePath("1.rec")));
}

void TestEncoderPage::problemsAreShownAfterTheRun() {
    EncoderFolder f;
    f.add("a.so");
    TEncoderHost host(f.folderName());
    host.Enumerate();
    QTemporaryDir dir;
    TEncoderPage page(host, nullptr);
    page.show();
    page.AddFiles({dir.filePath("none.wav")});
    page.Edit1()->setText(dir.filePath("missing"));
    page.StartClick();
    QCOMPARE(messageText(&page),
             QString("The output folder \"%1\" does not exist.").arg(dir.filePath("missing")));
    QVERIFY(page.EncPanel()->isHidden());
    delete page.findChild<QMessageBox*>();

    page.Edit1()->setText(dir.path());
    page.StartClick();
    QTRY_VERIFY_WITH_TIMEOUT(!messageText(&page).isEmpty(), 5000);
    QVERIFY(messageText(&page).contains("none.wav: cannot be opened"));
}

void TestEncoderPage::encodesRealFilesWithTheChosenPlugIn() {
    TEncoderHost host(LARKSPIN_BUILD_DIR "/PlugIn/Encoder");
    host.Enumerate();
    TEncoderPage page(host, nullptr);
    const int flac = page.ComboBox1()->findText("FLAC encoder (libFLAC)");
    QVERIFY(flac >= 0);
    page.ComboBox1()->setCurrentIndex(flac);
    QTemporaryDir in, out;
    QVERIFY(makeTone(in.filePath("a.wav"), 1) && makeTone(in.filePath("b.wav"), 1.5));
    page.AddFiles({in.filePath("a.wav"), in.filePath("b.wav")});
    page.Edit1()->setText(out.path() + "/");
    page.StartClick();
    QTRY_VERIFY_WITH_TIMEOUT(!page.EncodingActive(), 60000);
    QCOMPARE(QDir(out.path()).entryList(QDir::Files), (QStringList{"a.flac", "b.flac"}));
    QVERIFY(page.findChild<QMessageBox*>() == nullptr);
}

void TestEncoderPage::decodeWindowClosesWhenTheRunEnds() {
    auto decoders = decoderHost();
    QTemporaryDir dir;
    QVERIFY(makeTone(dir.filePath("a.wav"), 1));
    QVERIFY(runTool("oggenc", {"-Q", "-o", dir.filePath("a.ogg"), dir.filePath("a.wav")}));
    QFile::remove(dir.filePath("a.wav"));
    TDecodeForm form(*decoders);
    QCOMPARE(form.windowTitle(), QString("Decoder"));
    QCOMPARE(form.Start({dir.filePath("a.ogg")}, QString()), QString());
    QVERIFY(!form.DecodeCanClose());
    form.show();
    QCOMPARE(form.size(), QSize(416, 119));
    QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), 30000);
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(form.Headline()->text(), QString("Fertig"));
    QCOMPARE(form.FileLabel()->text(), QString("a.ogg"));
    QVERIFY(QFileInfo::exists(dir.filePath("a.wav")));
}

void TestEncoderPage::decodeToWaveWritesIntoTheOutputFolder() {
    TEncoderHost host(LARKSPIN_BUILD_DIR "/PlugIn/Encoder");
    host.Enumerate();
    auto decoders = decoderHost();
    TEncoderPage page(host, decoders.get());
    page.show();
    QTemporaryDir in, out;
    QVERIFY(makeTone(in.filePath("a.wav"), 1));
    QVERIFY(runTool("oggenc", {"-Q", "-o", in.filePath("a.ogg"), in.filePath("a.wav")}));
    QVERIFY(runTool("flac", {"-s", "-o", in.filePath("b.flac"), in.filePath("a.wav")}));
    QFile::remove(in.filePath("a.wav"));
    page.AddFiles({in.filePath("a.ogg"), in.filePath("b.flac")});
    page.DecodeToWave()->setChecked(true);

    // Without an output folder nothing is decoded, beside the sources or anywhere.
    page.Edit1()->clear();
    page.StartClick();
    QCOMPARE(messageText(&page), QString("Choose an output folder first."));
    delete page.findChild<QMessageBox*>();
    QCOMPARE(QDir(in.path()).entryList(QDir::Files), (QStringList{"a.ogg", "b.flac"}));

    // The decode window runs modally; a message box it leaves is recorded and closed.
    QString report;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            report = box->text();
            box->accept();
        }
    });
    answer.start(10);
    page.Edit1()->setText(out.path() + "/");
    page.StartClick();
    answer.stop();
    QCOMPARE(report, QString());
    QCOMPARE(QDir(out.path()).entryList(QDir::Files), (QStringList{"a.wav", "b.wav"}));
    QCOMPARE(QDir(in.path()).entryList(QDir::Files), (QStringList{"a.ogg", "b.flac"}));
    for (const char* wave : {"a.wav", "b.wav"})
        QVERIFY2(QFileInfo(out.filePath(wave)).size() > 44 + 0.9 * 44100 * 4, wave);
}

void TestEncoderPage::decodeWindowClosesOnlyThroughAbort() {
    auto decoders = decoderHost();
    QTemporaryDir dir;
    QVERIFY(makeTone(dir.filePath("long.wav"), 600));
    QVERIFY(runTool("flac", {"-s", "-0", "-o", dir.filePath("long.flac"), dir.filePath("long.wav")}));
    QFile::remove(dir.filePath("long.wav"));
    TDecodeForm form(*decoders);
    QCOMPARE(form.Start({dir.filePath("long.flac")}, QString()), QString());
    form.show();
    QTRY_VERIFY_WITH_TIMEOUT(form.Gauge()->value() > 0, 30000);
    form.close();
    form.reject();
    QVERIFY(form.isVisible());
    QTest::mouseClick(form.AbortButton(), Qt::LeftButton);
    QVERIFY(!form.isVisible());
    QVERIFY(!form.Run().Running());
    QVERIFY(!QFileInfo::exists(dir.filePath("long.wav")));
}

void TestEncoderPage::settingsPanelShowsTheSelectedPlugIn() {
    EncoderFolder f;
    f.add("a.so", {"info=Ogg Vorbis", "type=OGG"});
    f.add("b.so", {"info=FLAC", "type=flac"}, "rec_b.so");
    TEncoderHost host(f.folderName(), 9);
    host.Enumerate();
    TEncoderSettingsPanel panel(host);
    QCOMPARE(panel.EncoderList()->topLevelItemCount(), 2);
    QCOMPARE(panel.EncoderList()->topLevelItem(0)->text(1), QString("ogg"));
    QVERIFY(!host.EncoderPluginLoaded());
    panel.EncoderList()->setCurrentItem(panel.EncoderList()->topLevelItem(1));
    QCOMPARE(host.CurrentEncoderPlugin(), std::string("b.so"));
    QCOMPARE(panel.InfoLabel()->text(), QString("FLAC"));
    QCOMPARE(panel.DeveloperLabel()->text(), QString("Tests"));
    QCOMPARE(panel.MailLabel()->text(), QString("<a href=\"mailto:tests@localhost\">tests@localhost</a>"));
    QCOMPARE(panel.WebLabel()->text(), QString("---"));
    QCOMPARE(panel.DateLabel()->text(), QString("2026-12-10"));
    panel.EncoderList()->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    QVERIFY(!host.EncoderList()[0].ticked);
}

void TestEncoderPage::lameSliderSteps_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("bitrate");
    const int rates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 192, 224, 256, 320};
    for (int p = 1; p <= 15; ++p)
        QTest::addRow("%d", p) << p << QString("%1 kbit").arg(rates[p - 1]) << rates[p - 1];
}

void TestEncoderPage::lameSliderSteps() {
    QFETCH(int, position);
    QFETCH(QString, label);
    QFETCH(int, bitrate);
    settings().Bitrate = 128;
    TinternalEncoder dialog;
    dialog.BitrateSlider()->setValue(position);
    QCOMPARE(dialog.BitrateLabel()->text(), label);
    QCOMPARE(dialog.WorkingBitrate(), bitrate);
    QCOMPARE(LameBitrateSteps::PositionOf(bitrate), position);
}

void TestEncoderPage::lameSettingsKeepAnUnlistedBitrate() {
    settings().Bitrate = 200;
    settings().Channel = 1;
    {
        TinternalEncoder dialog;
        QCOMPARE(dialog.BitrateSlider()->value(), 9);
        QCOMPARE(dialog.BitrateLabel()->text(), QString("128 kbit"));
        QCOMPARE(dialog.ModeList()->currentText(), QString("Joint Stereo"));
        dialog.ModeList()->setCurrentIndex(3);
        dialog.Save();
    }
    QCOMPARE(settings().Bitrate, 200);
    QCOMPARE(int(settings().Channel), 3);
    {
        settings().Bitrate = 320;
        TinternalEncoder dialog;
        QCOMPARE(dialog.BitrateSlider()->value(), 15);
        dialog.BitrateSlider()->setValue(12);
        dialog.reject();
    }
    QCOMPARE(settings().Bitrate, 320);
}

QTEST_MAIN(TestEncoderPage)
#include "tst_encoderpage.moc"
