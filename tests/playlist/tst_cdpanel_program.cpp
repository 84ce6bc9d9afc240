// The CD player inside the running program (in-process, a fresh program folder): a disc image named in
// the settings file is offered in the playlist's "+" menu, its panel lists the tracks, and a
// double-click on track 2 sounds track 2's tone through the CD plug-in into SDL's disk driver.
#include "../plugins/CaptureAnalysis.h"
#include "CdDrives.h"
#include "DiscImage.h"
#include "LarkspinApp.h"
#include "PlayerController.h"
#include "Settings.h"
#include "TCdPanelWidget.h"
#include "THauptform.h"
#include "TPlaylistForm.h"

#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace larkspin;

class TestCdPanelInProgram : public QObject {
    Q_OBJECT
private slots:
    void playsTrackTwoOfADiscImage();
};

void TestCdPanelInProgram::playsTrackTwoOfADiscImage() {
    CdDriveTable table;
    EnumerateCdDrives(table, cdiAutoDetect, "");
    if (table.DriveCount > 0)
        QSKIP("this machine has CD drives; the test expects the disc image as the first drive");
    const QString plugIn = QStringLiteral(LARKSPIN_BUILD_DIR "/PlugIn/Decoder/IB_cdda.so");
    QVERIFY2(QFile::exists(plugIn), "build the CD plug-in first");

    QTemporaryDir dir;
    QDir folder(dir.path());
    QVERIFY(folder.mkpath("PlugIn/Decoder"));
    QVERIFY(QFile::copy(plugIn, folder.filePath("PlugIn/Decoder/IB_cdda.so")));
    const QString capture = folder.filePath("capture.raw");
    {
        QFile ini(folder.filePath("PlugIn/Decoder/IB_cdda.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[Output]\nDriver=disk\nDiskFile=%1\n").arg(capture).toUtf8());
    }
    QString error;
    const QString cue = MakeDiscImage(dir.path(), "disc", ThreeToneFrames, &error); // 330, 550, 770 Hz
    QVERIFY2(!cue.isEmpty(), qPrintable(error));
    {
        QFile ini(folder.filePath("larkspin.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Prog]\nFirststart=0\n[Player]\nPlayVolume=100\n[CDAudio]\nVirtualDrives=" + cue.toUtf8() +
                  "\n");
    }
    qunsetenv("LARKSPIN_AUDIO_DRIVER");
    qunsetenv("SDL_DISKAUDIOFILE");
    qunsetenv("LARKSPIN_VIRTUAL_DRIVES");

    settings() = Settings{};
    LarkspinApp app(folder.filePath("larkspin"), folder.filePath("share"));
    app.Start();
    TPlaylistForm& playlist = app.playlistWindow();
    playlist.show();

    QMenu* add = playlist.addMenu();
    emit add->aboutToShow();
    QAction* cd11 = add->findChild<QAction*>("cd11");
    QVERIFY(cd11 && cd11->isVisible());
    QCOMPARE(cd11->text(), "AudioCD (" + cue + ")");
    cd11->trigger();

    TCdPanelWidget* panel = playlist.cdPanelWidget();
    QVERIFY(panel->isVisible());
    QTableWidget* tracks = panel->cdlistview();
    QCOMPARE(tracks->rowCount(), 3);
    QCOMPARE(tracks->item(1, 1)->text(), QString("00:07"));
    const QPoint at = tracks->visualItemRect(tracks->item(1, 0)).center();
    QTest::mouseClick(tracks->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tracks->viewport(), Qt::LeftButton, {}, at);

    PlayerController& player = app.mainWindow().player();
    QVERIFY(player.CdMode);
    QVERIFY(player.Playing);
    QCOMPARE(player.CurrentCdTrack, 1);
    QTRY_COMPARE_WITH_TIMEOUT(player.Display().DisplayInfo, QString("Track 02"), 5000);
    // A second and a half of output: the disk driver writes float32 stereo in real time.
    const qint64 enough = 3LL * capture::Rate * qint64(sizeof(float));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(capture).size() >= enough, 20000);

    const std::vector<float> left = capture::readCapture(capture, 0);
    const int window = capture::Rate / 10;
    const auto peak = [&](double frequency) {
        const std::vector<double> levels = toneLevels(left, frequency, capture::Rate, window, window);
        return levels.empty() ? 0.0 : *std::max_element(levels.begin(), levels.end());
    };
    const double two = peak(550), one = peak(330), three = peak(770);
    QVERIFY2(two > 0.4 && one < two / 10 && three < two / 10,
             qPrintable(QString("330 Hz %1, 550 Hz %2, 770 Hz %3").arg(one).arg(two).arg(three)));

    // Closing the CD player stops the disc; the empty playlist shows that no title is selected.
    playlist.findChild<QPushButton*>("closecd")->click();
    QVERIFY(!player.CdMode);
    QVERIFY(!panel->isVisible());
    QVERIFY(player.Display().DisplayInfo.endsWith("no title selected..."));

    QSignalSpy finished(&app, &LarkspinApp::finished);
    app.mainWindow().close();
    QCOMPARE(finished.count(), 1);
}

QTEST_MAIN(TestCdPanelInProgram)
#include "tst_cdpanel_program.moc"
