// Ripping in the running program: a disc image as a virtual drive, names from a local CDDB server, two
// tracks ripped to MP3 through the Zizezed Avidido window's "CD Ripper" page, found tagged in the output
// folder.
#include "CddbTestServer.h"
#include "DiscImage.h"
#include "LarkspinApp.h"
#include "ModalAnswer.h"
#include "RipRun.h"
#include "Settings.h"
#include "TFrame_CDRipper.h"
#include "THauptform.h"
#include "TRipPrepare.h"
#include "TStationForm.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

using namespace larkspin;

// Shows the station window on its CD Ripper page, as a user opening it would.
TFrame_CDRipper* ShowRipperPage(LarkspinApp& app) {
    TStationForm& station = app.stationWindow();
    station.show();
    station.StationPage->setCurrentIndex(TStationForm::CdRipperPage);
    return station.findChild<TFrame_CDRipper*>();
}

// The settings of a program folder that rips through the internal MP3 coder at 128 kbit/s into out and
// offers the disc image cue as a drive; ripperLines go into [CDRipper] too.
bool WriteRipSettings(const QString& folder, const QString& out, const QString& cue,
                      const QString& ripperLines = {}) {
    QFile ini(QDir(folder).filePath("larkspin.ini"));
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    ini.write(QStringLiteral(
                  "[Prog]\nFirststart=0\n[CDRipper]\nIntEncoder=1\nBitrate=128\nTemp=%1/\nAccurateRipUrl=\n%2"
                  "[CDAudio]\nVirtualDrives=%3\n")
                  .arg(out, ripperLines, cue)
                  .toUtf8());
    return true;
}

// Starts the rip of the ticked tracks, answering "Prepare ripping..." with its OK once it is enabled;
// false when the window was not answered.
bool StartTickedRip(TFrame_CDRipper* page) {
    ModalAnswer prepare([](QWidget* modal) {
        auto* dialog = qobject_cast<TRipPrepare*>(modal);
        if (!dialog || !dialog->BitBtn1->isEnabled())
            return false;
        dialog->BitBtn1->click();
        return true;
    });
    page->StartButton->click();
    return prepare.answered();
}

class TestRipApp : public QObject {
    Q_OBJECT
private slots:
    void prepareFetchNamesAndRipTwoTracksToMp3();
    void quitDuringARipEndsAndLeavesNoPartialFile();
    void refusedQuitLeavesTheRipRunning();
};

void TestRipApp::prepareFetchNamesAndRipTwoTracksToMp3() {
    QTemporaryDir dir;
    QString error;
    const QString cue = MakeDiscImage(dir.path(), "disc", ThreeToneFrames, &error);
    QVERIFY2(!cue.isEmpty(), qPrintable(error));
    QVERIFY(QDir(dir.path()).mkdir("out"));
    const QString out = dir.filePath("out");

    CddbTestServer server(60000);
    server.enqueue("200 rock 0e001003 Disc Artist / Disc Album\r\n");
    server.enqueue("210 rock 0e001003 CD database entry follows (until terminating `.')\r\n"
                   "DTITLE=Disc Artist / Disc Album\r\nDYEAR=2001\r\nDGENRE=Ambient\r\n"
                   "TTITLE0=First Song\r\nTTITLE1=Guest / Second Song\r\nTTITLE2=Third Song\r\n.\r\n");
    QVERIFY(
        WriteRipSettings(dir.path(), out, cue,
                         QStringLiteral("CDDBServer=127.0.0.1\nCDDBPort=%1\nCDDBEmail=tester@example.org\n")
                             .arg(server.port())));

    settings() = Settings{};
    LarkspinApp app(dir.filePath("larkspin"), dir.filePath("share"));
    app.Start();
    auto* page = ShowRipperPage(app);
    QVERIFY(page);
    QCOMPARE(page->CDListView->topLevelItemCount(), 3);
    page->CDListView->topLevelItem(0)->setCheckState(0, Qt::Checked);
    page->CDListView->topLevelItem(1)->setCheckState(0, Qt::Checked);

    // In "Prepare ripping...": fetch the names, then start once they are there.
    bool asked = false;
    ModalAnswer prepare([&](QWidget* modal) {
        auto* dialog = qobject_cast<TRipPrepare*>(modal);
        if (!dialog)
            return false;
        if (!asked) {
            dialog->Button1->click();
            asked = true;
            return false;
        }
        if (!dialog->BitBtn1->isEnabled())
            return false;
        dialog->BitBtn1->click();
        return true;
    });
    page->StartButton->click();
    QVERIFY(prepare.answered());
    QVERIFY(page->RipInProgress());
    QTRY_VERIFY_WITH_TIMEOUT(!page->RipInProgress(), 60000);

    QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden),
             QStringList({"01 Disc Artist - First Song.mp3", "02 Guest - Second Song.mp3", "Disc Album.cue",
                          "Disc Album.log"}));
    // The CUE sheet is named after the album and plays the MP3 files as one disc.
    QFile cueSheet(QDir(out).filePath("Disc Album.cue"));
    QVERIFY(cueSheet.open(QIODevice::ReadOnly));
    const QString sheet = QString::fromUtf8(cueSheet.readAll());
    QVERIFY2(sheet.startsWith("TITLE \"Disc Album\"\nFILE \"01 Disc Artist - First Song.mp3\" MP3\n"),
             qPrintable(sheet));
    QVERIFY2(sheet.contains("FILE \"02 Guest - Second Song.mp3\" MP3\n  TRACK 02 AUDIO\n"),
             qPrintable(sheet));
    const QStringList artists = {"Disc Artist", "Guest"};
    const QStringList titles = {"First Song", "Second Song"};
    const QStringList files = QDir(out).entryList(QDir::Files);
    for (int i = 0; i < 2; ++i) {
        TagLib::MPEG::File mp3(QFile::encodeName(QDir(out).filePath(files[i])).constData());
        QVERIFY(mp3.isValid() && mp3.hasID3v1Tag() && mp3.hasID3v2Tag());
        QCOMPARE(QString::fromStdString(mp3.ID3v2Tag()->artist().to8Bit(true)), artists[i]);
        QCOMPARE(QString::fromStdString(mp3.ID3v2Tag()->title().to8Bit(true)), titles[i]);
        QCOMPARE(QString::fromStdString(mp3.ID3v2Tag()->album().to8Bit(true)), QStringLiteral("Disc Album"));
        QCOMPARE(mp3.ID3v2Tag()->track(), unsigned(i + 1));
        QCOMPARE(mp3.ID3v1Tag()->year(), 2001u);
        // About the length of the track: 375 and 545 frames of 1/75 s.
        QVERIFY(mp3.audioProperties());
        const int expectedMs = (i == 0 ? 375 : 545) * 1000 / 75;
        QVERIFY(qAbs(mp3.audioProperties()->lengthInMilliseconds() - expectedMs) < 200);
    }
    QSignalSpy finished(&app, &LarkspinApp::finished);
    app.mainWindow().close();
    QCOMPARE(finished.size(), 1);
}

// Quitting while a track rips, as the program does it: the window's close runs the shutdown, whose
// finished() ends the application's event loop, while the rip's own event loop is running inside it.
// The rip stops, its file goes, and the event loop returns. Should the program hang instead, a
// watchdog ends the test with a failure.
void TestRipApp::quitDuringARipEndsAndLeavesNoPartialFile() {
    QTemporaryDir dir;
    QString error;
    // A long first track (3 minutes), so the quit comes early in it.
    const QString cue = MakeDiscImage(dir.path(), "disc", {13500, 750}, &error);
    QVERIFY2(!cue.isEmpty(), qPrintable(error));
    QVERIFY(QDir(dir.path()).mkdir("out"));
    const QString out = dir.filePath("out");
    QVERIFY(WriteRipSettings(dir.path(), out, cue));

    settings() = Settings{};
    LarkspinApp app(dir.filePath("larkspin"), dir.filePath("share"));
    app.Start();
    auto* page = ShowRipperPage(app);
    QVERIFY(page);
    QCOMPARE(page->CDListView->topLevelItemCount(), 2);
    page->CDListView->topLevelItem(0)->setCheckState(0, Qt::Checked);
    page->CDListView->topLevelItem(1)->setCheckState(0, Qt::Checked);
    QVERIFY(StartTickedRip(page));
    QVERIFY(page->RipInProgress());

    bool closed = false;
    connect(page->Run(), &RipRun::displayChanged, this, [&] {
        if (!closed && page->Run() && page->Run()->Display().RipPercent > 0) {
            closed = true;
            app.mainWindow().close();
        }
    });
    QSignalSpy finished(&app, &LarkspinApp::finished);
    connect(&app, &LarkspinApp::finished, qApp, &QCoreApplication::exit, Qt::QueuedConnection);

    std::mutex lock;
    std::condition_variable wake;
    bool returned = false;
    std::thread watchdog([&] {
        std::unique_lock guard(lock);
        if (!wake.wait_for(guard, std::chrono::seconds(120), [&] { return returned; }))
            qFatal("the program hangs when it quits during a rip");
    });
    const int code = QCoreApplication::exec();
    {
        std::lock_guard guard(lock);
        returned = true;
    }
    wake.notify_all();
    watchdog.join();

    QVERIFY(closed);
    QCOMPARE(code, 0);
    QCOMPARE(finished.size(), 1);
    QVERIFY(!page->RipInProgress() || !page->Run()->Running());
    QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList());
}

// Quitting is refused when the settings cannot be written (the user is told and the program runs on):
// the rip started before goes on to its end, its file whole.
void TestRipApp::refusedQuitLeavesTheRipRunning() {
    QTemporaryDir dir;
    QString error;
    const QString cue = MakeDiscImage(dir.path(), "disc", {13500, 750}, &error); // 3 min, 10 s
    QVERIFY2(!cue.isEmpty(), qPrintable(error));
    QVERIFY(QDir(dir.path()).mkdir("out"));
    const QString out = dir.filePath("out");
    const QString iniPath = dir.filePath("larkspin.ini");
    QVERIFY(WriteRipSettings(dir.path(), out, cue));

    settings() = Settings{};
    LarkspinApp app(dir.filePath("larkspin"), dir.filePath("share"));
    app.Start();
    auto* page = ShowRipperPage(app);
    QVERIFY(page);
    page->CDListView->topLevelItem(0)->setCheckState(0, Qt::Checked);
    QVERIFY(StartTickedRip(page));

    // A folder where the settings file was: writing the settings fails. The user quits early in the
    // track and is told.
    QVERIFY(QFile::remove(iniPath) && QDir().mkdir(iniPath));
    QString told;
    ModalAnswer refusal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box)
            return false;
        told = box->text();
        box->accept();
        return true;
    });
    QSignalSpy finished(&app, &LarkspinApp::finished);
    bool closed = false, aborted = false;
    connect(page->Run(), &RipRun::displayChanged, this, [&] {
        if (!closed && page->Run() && page->Run()->Display().RipPercent > 0) {
            closed = true;
            app.mainWindow().close();
            aborted = page->Run() && page->Run()->Aborted();
        }
    });
    QTRY_VERIFY_WITH_TIMEOUT(closed, 60000);
    QVERIFY(refusal.answered());
    QVERIFY2(told.contains(iniPath), qPrintable(told));
    QCOMPARE(finished.size(), 0);
    QVERIFY(!aborted);
    // The rip goes on to the end of the track.
    QTRY_VERIFY_WITH_TIMEOUT(!page->RipInProgress(), 120000);
    QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden),
             QStringList({"01 CD Audio - Track Number 1.mp3", "Audio CD.cue", "Audio CD.log"}));
    TagLib::MPEG::File mp3(
        QFile::encodeName(QDir(out).filePath("01 CD Audio - Track Number 1.mp3")).constData());
    QVERIFY(mp3.isValid() && mp3.audioProperties());
    QVERIFY(qAbs(mp3.audioProperties()->lengthInMilliseconds() - 180000) < 200);
    QVERIFY(QDir().rmdir(iniPath));
}

QTEST_MAIN(TestRipApp)
#include "tst_ripapp.moc"
