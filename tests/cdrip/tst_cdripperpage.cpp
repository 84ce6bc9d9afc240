// The "CD Ripper" page on disc images as virtual drives: the audio tracks it lists, ticking, the rip it
// starts through the preparation, the controls it refuses while a rip runs, the question before files are
// replaced, and an output folder that is missing.
#include "CddbTestServer.h"
#include "DiscId.h"
#include "DiscImage.h"
#include "IndependentSums.h"
#include "ModalAnswer.h"
#include "Settings.h"
#include "TEncoderHost.h"
#include "TFrame_CDRipper.h"
#include "TRipPrepare.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace larkspin;

namespace {

QStringList Captions(const TFrame_CDRipper& page) {
    QStringList out;
    for (int i = 0; i < page.CDListView->topLevelItemCount(); ++i)
        out << page.CDListView->topLevelItem(i)->text(0);
    return out;
}

void Tick(TFrame_CDRipper& page, int row) {
    page.CDListView->topLevelItem(row)->setCheckState(0, Qt::Checked);
}

// Presses "Start ripping..." in the preparation dialog once it shows.
bool StartInPreparation(QWidget* modal) {
    auto* prepare = qobject_cast<TRipPrepare*>(modal);
    if (!prepare)
        return false;
    prepare->BitBtn1->click();
    return true;
}

Settings& WithDrives(Settings& settings, const QString& cue) {
    settings.VirtualDrives = cue.toStdString();
    return settings;
}

// The page over one disc image, initialised, its output folder a fresh one.
struct PageRig {
    explicit PageRig(const QString& cue, TEncoderHost* encoders = nullptr)
        : page(WithDrives(settings, cue), encoders) {
        settings.AccurateRipUrl.clear(); // no test asks the real database
        page.Initialise();
        page.Pathinfo->setText(out.path());
    }

    QTemporaryDir out;
    Settings settings;
    TFrame_CDRipper page;
};

} // namespace

class TestCdRipperPage : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void listsAudioTracksOnly_data();
    void listsAudioTracksOnly();
    void selectAllAndNone();
    void ripsTheTickedTracksAndRefusesChangesMeanwhile();
    void cancelledPreparationStartsNothing();
    void existingFileIsReplacedOnlyWhenAllowed();
    void missingOutputFolderIsNamed();
    void abortLeavesNoHalfTrack();
    void encoderPlugInModeLeavesEncodedFilesOnly();
    void vanishingDiscEndsTheRunWithItsReason();
    void damagedImageListsNothing();
    void accurateRipVerdictsLogAndCueSheet_data();
    void accurateRipVerdictsLogAndCueSheet();
    void outputFolderIsRemembered();

private:
    QTemporaryDir dir_;
    QString audioCue_;
};

void TestCdRipperPage::initTestCase() {
    QString error;
    audioCue_ = MakeDiscImage(dir_.path(), "audio", ThreeToneFrames, &error);
    QVERIFY2(!audioCue_.isEmpty(), qPrintable(error));
}

void TestCdRipperPage::listsAudioTracksOnly_data() {
    QTest::addColumn<QStringList>("modes");
    QTest::addColumn<QStringList>("captions");
    QTest::newRow("audio") << QStringList{}
                           << QStringList{"CD Audio / Track Number 1", "CD Audio / Track Number 2",
                                          "CD Audio / Track Number 3"};
    // A data track is not listed; the audio tracks keep their places on the disc.
    QTest::newRow("data last") << QStringList{"AUDIO", "AUDIO", "MODE1/2352"}
                               << QStringList{"CD Audio / Track Number 1", "CD Audio / Track Number 2"};
    QTest::newRow("data first") << QStringList{"MODE1/2352", "AUDIO", "AUDIO"}
                                << QStringList{"CD Audio / Track Number 2", "CD Audio / Track Number 3"};
}

void TestCdRipperPage::listsAudioTracksOnly() {
    QFETCH(QStringList, modes);
    QTemporaryDir dir;
    QString error;
    const QString cue = MakeDiscImage(dir.path(), "mixed", ThreeToneFrames, &error, modes);
    QVERIFY2(!cue.isEmpty(), qPrintable(error));
    PageRig rig(cue);
    TFrame_CDRipper& page = rig.page;
    QCOMPARE(page.DriveSelBox->count(),
             page.DriveSelBox->findText(QFileInfo(cue).fileName(), Qt::MatchContains) + 1);
    QTEST(Captions(page), "captions");
}

void TestCdRipperPage::selectAllAndNone() {
    PageRig rig(audioCue_);
    TFrame_CDRipper& page = rig.page;
    page.SelectAllClick();
    QVERIFY(
        std::all_of(page.List().begin(), page.List().end(), [](const CdListItem& i) { return i.Ticked; }));
    page.SelectNoneClick();
    QVERIFY(
        std::none_of(page.List().begin(), page.List().end(), [](const CdListItem& i) { return i.Ticked; }));
    Tick(page, 2);
    QCOMPARE(page.CDListView->topLevelItem(2)->checkState(0), Qt::Checked);
}

void TestCdRipperPage::ripsTheTickedTracksAndRefusesChangesMeanwhile() {
    PageRig rig(audioCue_);
    TFrame_CDRipper& page = rig.page;
    QTemporaryDir& out = rig.out;
    Tick(page, 0);
    Tick(page, 2);
    QSignalSpy running(&page, &TFrame_CDRipper::ripInProgressChanged);
    ModalAnswer start(StartInPreparation);
    page.StartRippingClick();
    QVERIFY(start.answered());
    QCOMPARE(running.size(), 1);
    QVERIFY(page.RipInProgress());
    QVERIFY(page.rippanel->isVisibleTo(&page));
    // The component must stay while it rips.
    QVERIFY(!page.RefreshCdView());
    QVERIFY(!page.EjectClick());
    QVERIFY(!page.StartButton->isEnabled() && !page.RefreshButton->isEnabled() &&
            !page.DriveSelBox->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!page.RipInProgress(), 30000);
    QCOMPARE(running.size(), 2);
    QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList({"01 CD Audio - Track Number 1.wav", "03 CD Audio - Track Number 3.wav",
                          "Audio CD.cue", "Audio CD.log"}));
    // 375 and 300 frames of 2352 bytes behind a 44-byte header.
    QCOMPARE(QFileInfo(out.filePath("01 CD Audio - Track Number 1.wav")).size(), 44 + 375 * 2352);
    QCOMPARE(QFileInfo(out.filePath("03 CD Audio - Track Number 3.wav")).size(), 44 + 300 * 2352);
    QVERIFY(page.RefreshCdView());
}

void TestCdRipperPage::cancelledPreparationStartsNothing() {
    PageRig rig(audioCue_);
    TFrame_CDRipper& page = rig.page;
    QTemporaryDir& out = rig.out;
    // Nothing ticked: the preparation does not even open.
    page.StartRippingClick();
    QVERIFY(!page.RipInProgress());
    Tick(page, 1);
    ModalAnswer cancel([](QWidget* modal) {
        auto* prepare = qobject_cast<TRipPrepare*>(modal);
        if (prepare)
            prepare->BitBtn2->click();
        return prepare != nullptr;
    });
    page.StartRippingClick();
    QVERIFY(cancel.answered());
    QVERIFY(!page.RipInProgress());
    QVERIFY(QDir(out.path()).isEmpty());
    // The rows were written back all the same.
    QCOMPARE(Captions(page)[1], QStringLiteral("02 CD Audio / Track Number 2"));
}

void TestCdRipperPage::existingFileIsReplacedOnlyWhenAllowed() {
    PageRig rig(audioCue_);
    TFrame_CDRipper& page = rig.page;
    QTemporaryDir& out = rig.out;
    Tick(page, 0);
    QFile mine(out.filePath("01 CD Audio - Track Number 1.wav"));
    QVERIFY(mine.open(QIODevice::WriteOnly));
    mine.write("mine");
    mine.close();

    for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
        QString asked;
        bool prepared = false;
        ModalAnswer both([&](QWidget* modal) {
            if (!prepared) {
                prepared = StartInPreparation(modal);
                return false;
            }
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box)
                return false;
            asked = box->text();
            box->button(answer)->click();
            return true;
        });
        page.StartRippingClick();
        QVERIFY(both.answered());
        QVERIFY2(asked.contains(mine.fileName()), qPrintable(asked));
        if (answer == QMessageBox::No) {
            QVERIFY(!page.RipInProgress());
            QCOMPARE(QFileInfo(mine.fileName()).size(), 4);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(!page.RipInProgress(), 30000);
            QCOMPARE(QFileInfo(mine.fileName()).size(), 44 + 375 * 2352);
        }
    }
}

void TestCdRipperPage::missingOutputFolderIsNamed() {
    PageRig rig(audioCue_);
    TFrame_CDRipper& page = rig.page;
    QTemporaryDir& out = rig.out;
    page.Pathinfo->setText(out.filePath("gone"));
    Tick(page, 0);
    ModalAnswer start(StartInPreparation);
    page.StartRippingClick();
    QVERIFY(!page.RipInProgress());
    QTRY_VERIFY(OpenMessage(&page));
    QCOMPARE(OpenMessage(&page)->text(),
             QStringLiteral("The output directory \"%1/\" does not exist.").arg(out.filePath("gone")));
    QVERIFY(!QFileInfo::exists(out.filePath("gone")));
}

void TestCdRipperPage::abortLeavesNoHalfTrack() {
    PageRig rig(audioCue_);
    TFrame_CDRipper& page = rig.page;
    QTemporaryDir& out = rig.out;
    Tick(page, 0);
    Tick(page, 1);
    // "Abort" as soon as the first track starts (the rip's worker does not wait for the page, so a
    // later abort may find the short track ripped already).
    connect(&page, &TFrame_CDRipper::ripInProgressChanged, this, [&](bool running) {
        if (running)
            connect(page.Run(), &RipRun::displayChanged, &page, [&] {
                if (page.Run() && page.Run()->Display().RipText == QLatin1String("1/2"))
                    page.AbortButton->click();
            });
    });
    ModalAnswer start(StartInPreparation);
    page.StartRippingClick();
    QTRY_VERIFY_WITH_TIMEOUT(!page.RipInProgress(), 30000);
    QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
    QVERIFY(!OpenMessage(&page)); // an abort is no failure
    QVERIFY(page.StartButton->isEnabled());
}

void TestCdRipperPage::encoderPlugInModeLeavesEncodedFilesOnly() {
    TEncoderHost encoders(LARKSPIN_BUILD_DIR "/PlugIn/Encoder");
    encoders.Enumerate();
    const auto& rows = encoders.EncoderList();
    const auto flac =
        std::find_if(rows.begin(), rows.end(), [](const EncoderRow& r) { return r.encodeType == "flac"; });
    QVERIFY(flac != rows.end());
    PageRig rig(audioCue_, &encoders);
    rig.settings.Encoder = true;
    rig.settings.EncIdx = static_cast<uint8_t>(flac - rows.begin());
    TFrame_CDRipper& page = rig.page;
    QTemporaryDir& out = rig.out;
    Tick(page, 0);
    Tick(page, 1);
    ModalAnswer start(StartInPreparation);
    page.StartRippingClick();
    QVERIFY(page.label6->isVisibleTo(&page));
    QTRY_VERIFY_WITH_TIMEOUT(!page.RipInProgress(), 30000);
    QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({"01 CD Audio - Track Number 1.flac", "02 CD Audio - Track Number 2.flac",
                          "Audio CD.cue", "Audio CD.log"}));
    QVERIFY(!OpenMessage(&page));
}

void TestCdRipperPage::vanishingDiscEndsTheRunWithItsReason() {
    QTemporaryDir dir;
    QString error;
    const QString cue = MakeDiscImage(dir.path(), "vanishing", ThreeToneFrames, &error);
    QVERIFY2(!cue.isEmpty(), qPrintable(error));
    PageRig rig(cue);
    TFrame_CDRipper& page = rig.page;
    page.SelectAllClick();
    // The disc goes as its first track starts (the rip's worker does not wait for the page, so a
    // disc going later may find the short track read already).
    connect(&page, &TFrame_CDRipper::ripInProgressChanged, this, [&](bool running) {
        if (running)
            connect(page.Run(), &RipRun::displayChanged, &page, [&] {
                if (page.Run() && page.Run()->Display().RipText == QLatin1String("1/3"))
                    QFile::resize(dir.filePath("vanishing.bin"), 2352 * 10);
            });
    });
    ModalAnswer start(StartInPreparation);
    page.StartRippingClick();
    QTRY_VERIFY_WITH_TIMEOUT(!page.RipInProgress(), 30000);
    QTRY_VERIFY(OpenMessage(&page));
    QVERIFY2(OpenMessage(&page)->text().startsWith("Not every track was ripped:\nTrack 1: "),
             qPrintable(OpenMessage(&page)->text()));
    QCOMPARE(QDir(rig.out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

void TestCdRipperPage::damagedImageListsNothing() {
    QTemporaryDir dir;
    QString error;
    const QString cue = MakeDiscImage(dir.path(), "short", ThreeToneFrames, &error);
    QVERIFY2(!cue.isEmpty(), qPrintable(error));
    // The .bin holds less than its sheet says.
    QVERIFY(QFile::resize(dir.filePath("short.bin"), 2352 * 400));
    PageRig rig(cue);
    TFrame_CDRipper& page = rig.page;
    QCOMPARE(page.CDListView->topLevelItemCount(), 0);
    page.StartRippingClick();
    QVERIFY(!page.RipInProgress());
}

namespace {

void Put32(QByteArray& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>(v >> (8 * i));
}

} // namespace

void TestCdRipperPage::accurateRipVerdictsLogAndCueSheet_data() {
    QTest::addColumn<QString>("reply"); // "record", "wrong record", "404", "closed"
    QTest::addColumn<QStringList>("verdicts");
    QTest::newRow("matching record") << "record"
                                     << QStringList{"Accurately ripped (confidence 4)",
                                                    "Accurately ripped (confidence 7)",
                                                    "Accurately ripped (confidence 2)"};
    QTest::newRow("other checksums") << "wrong record" << QStringList(3, "Not accurate");
    QTest::newRow("unknown disc") << "404" << QStringList(3, "Not in database");
    QTest::newRow("no server") << "closed"
                               << QStringList(3, "AccurateRip could not be reached: Connection refused");
}

void TestCdRipperPage::accurateRipVerdictsLogAndCueSheet() {
    QFETCH(QString, reply);
    QFETCH(QStringList, verdicts);
    // The image's tracks: sectors 0-374, 375-919 and 920-1219; the checksums computed apart.
    QString error;
    const QString bin = QFileInfo(audioCue_).path() + "/audio.bin";
    const std::vector<IndependentSum> sums = IndependentSums(
        bin, {{0, 374, true, false}, {375, 919, false, false}, {920, 1219, false, true}}, &error);
    if (sums.empty())
        QSKIP(qPrintable(error));
    QVERIFY2(error.isEmpty(), qPrintable(error));

    // The disc's AccurateRip ids worked out by hand: id1 = 0 + 375 + 920 + 1220 = 0x9d3,
    // id2 = 1*1 + 375*2 + 920*3 + 1220*4 = 0x20c7.
    TocRecord toc;
    toc.TrackCount = 3;
    for (int i = 0; i < 3; ++i) {
        static_cast<TocMsf&>(toc.Tracks[i]) = MsfFromFrames(QList<int>{0, 375, 920}[i] + 150);
        toc.Tracks[i].IsAudio = TocAudioTrack;
    }
    toc.LeadOut = MsfFromFrames(1220 + 150);
    const uint32_t cddbId = ComputeDiscId(toc);
    const int wrong = reply == "wrong record" ? 1 : 0;
    QByteArray record(1, 3);
    Put32(record, 0x9d3);
    Put32(record, 0x20c7);
    Put32(record, cddbId);
    // Track 1 submitted with its v1 checksum, track 2 with v2, track 3 with v1.
    const uint32_t crcs[] = {sums[0].v1, sums[1].v2, sums[2].v1};
    const int confidences[] = {4, 7, 2};
    for (int i = 0; i < 3; ++i) {
        record += static_cast<char>(confidences[i]);
        Put32(record, crcs[i] + wrong);
        Put32(record, 0);
    }
    // Some other pressing's record does not disturb the verdicts.
    QByteArray other(1, 3);
    Put32(other, 0x9d3);
    Put32(other, 0x20c7);
    Put32(other, cddbId);
    for (int i = 0; i < 3; ++i) {
        other += static_cast<char>(90);
        Put32(other, 0x12345678 + i);
        Put32(other, 0);
    }

    CddbTestServer server(60000);
    if (reply == "404")
        server.enqueueStatus(404, "<html>Not found</html>");
    else
        server.enqueue(record + other);
    QString port = server.port();
    if (reply == "closed")
        server.shutDown();

    PageRig rig(audioCue_);
    rig.settings.AccurateRipUrl = ("http://127.0.0.1:" + port + "/accuraterip").toStdString();
    TFrame_CDRipper& page = rig.page;
    page.SelectAllClick();
    ModalAnswer start(StartInPreparation);
    page.StartRippingClick();
    QTRY_VERIFY_WITH_TIMEOUT(!page.RipInProgress(), 60000);
    QVERIFY(!OpenMessage(&page));
    if (reply != "closed")
        QCOMPARE(server.targets,
                 QList<QByteArray>{QString("/accuraterip/3/d/9/dBAR-003-000009d3-000020c7-%1.bin")
                                       .arg(cddbId, 8, 16, QLatin1Char('0'))
                                       .toLatin1()});

    // The list shows each track's verdict.
    QStringList shown;
    for (int i = 0; i < page.CDListView->topLevelItemCount(); ++i)
        shown << page.CDListView->topLevelItem(i)->text(1);
    QCOMPARE(shown, verdicts);

    // The log: drive, read mode, per track its file, peak, CRC-32, checksums, verdict and jitter errors.
    QFile logFile(rig.out.filePath("Audio CD.log"));
    QVERIFY(logFile.open(QIODevice::ReadOnly));
    const QString log = QString::fromUtf8(logFile.readAll());
    QVERIFY2(log.contains("Drive: " + page.DriveSelBox->currentText() + "\n"), qPrintable(log));
    QVERIFY2(log.contains("Read mode: Burst\nRead offset: 0 samples\n"), qPrintable(log));
    for (int i = 0; i < 3; ++i) {
        const auto hex = [](uint32_t v) { return QString("%1").arg(v, 8, 16, QLatin1Char('0')).toUpper(); };
        const QString block =
            QString("Track %1\n  File: %1 CD Audio - Track Number %2.wav\n  Peak: %3 %\n  CRC32: %4\n"
                    "  AccurateRip checksums: v1 %5, v2 %6\n  AccurateRip: %7\n  Jitter errors: 0\n")
                .arg(QString::asprintf("%02d", i + 1))
                .arg(i + 1)
                .arg(sums[i].peak * 100.0 / 32768, 0, 'f', 1)
                .arg(hex(sums[i].crc32), hex(sums[i].v1), hex(sums[i].v2), verdicts[i]);
        QVERIFY2(log.contains(block), qPrintable(log + "\nlacks:\n" + block));
    }
    QVERIFY2(log.endsWith("Errors:\n  None\n"), qPrintable(log));

    QFile cueFile(rig.out.filePath("Audio CD.cue"));
    QVERIFY(cueFile.open(QIODevice::ReadOnly));
    QString expected = "PERFORMER \"CD Audio\"\n";
    for (int i = 1; i <= 3; ++i)
        expected +=
            QString("FILE \"0%1 CD Audio - Track Number %1.wav\" WAVE\n  TRACK 0%1 AUDIO\n"
                    "    TITLE \"Track Number %1\"\n    PERFORMER \"CD Audio\"\n    INDEX 01 00:00:00\n")
                .arg(i);
    QCOMPARE(QString::fromUtf8(cueFile.readAll()), expected);
}

// The page starts in the settings' output folder; a folder chosen or typed there becomes the setting,
// so the next start offers it again. An emptied field forgets nothing.
void TestCdRipperPage::outputFolderIsRemembered() {
    Settings settings;
    settings.Temp = "/home/someone/Music/";
    TFrame_CDRipper page(settings, nullptr);
    page.show();
    QCOMPARE(page.Pathinfo->text(), QStringLiteral("/home/someone/Music/"));
    page.Pathinfo->setText(QStringLiteral("/srv/rips/"));
    QCOMPARE(settings.Temp, std::string("/srv/rips/"));
    page.Pathinfo->clear();
    QCOMPARE(settings.Temp, std::string("/srv/rips/"));
}

QTEST_MAIN(TestCdRipperPage)
#include "tst_cdripperpage.moc"
