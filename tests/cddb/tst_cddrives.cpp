#include "CdDrives.h"
#include "DiscId.h"
#include "DiscImage.h"
#include "TCddb.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace larkspin;

class TestCdDrives : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void imageIsReadThroughVirtualDrives();
    void dataTrackIsNotAudio();
    void pregapMovesTheLaterTracks();
    void unreadableImages_data();
    void unreadableImages();
    void virtualDriveListIsTrimmedAndCapped();
    void unknownInterfaceRaisesItsErrorTexts();
    void componentReadsTheImage();

private:
    int realDrives() {
        CdDriveTable table;
        EnumerateCdDrives(table, cdiAutoDetect, "");
        return table.DriveCount;
    }

    QTemporaryDir dir;
    QString toneCue;
    QString mixedCue;
};

void TestCdDrives::initTestCase() {
    QVERIFY(dir.isValid());
    QVERIFY(DetectInterface());
    QString error;
    toneCue = MakeDiscImage(dir.path(), "tones", ThreeToneFrames, &error);
    QVERIFY2(!toneCue.isEmpty(), qPrintable(error));
    mixedCue = MakeDiscImage(dir.path(), "mixed", ThreeToneFrames, &error, {"MODE1/2352", "AUDIO", "AUDIO"});
    QVERIFY2(!mixedCue.isEmpty(), qPrintable(error));
}

void TestCdDrives::imageIsReadThroughVirtualDrives() {
    const int real = realDrives();
    CdDriveTable table;
    QVERIFY(EnumerateCdDrives(table, cdiASPI, toneCue.toStdString()));
    QCOMPARE(int(table.DriveCount), real + 1);
    const CdDriveInfo& drive = table.Drives[real];
    QVERIFY(drive.IsVirtual);
    QCOMPARE(drive.DevicePath, toneCue.toStdString());
    QCOMPARE(drive.Vendor, std::string("Virtual"));
    QCOMPARE(drive.Product, std::string("tones.cue"));
    QCOMPARE(drive.ProductRevision, std::string("1.0"));
    QCOMPARE(drive.DisplayName, std::string("tones.cue"));

    TocRecord toc;
    toc.TrackCount = 77; // must be replaced
    QCOMPARE(ReadDriveToc(table, real, toc, cdiAutoDetect), 0);
    QCOMPARE(int(toc.TrackCount), 3);
    const int starts[] = {150, 525, 1070};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(FramesFromMsf(toc.Tracks[i]), uint32_t(starts[i]));
        QCOMPARE(toc.Tracks[i].IsAudio, TocAudioTrack);
    }
    QCOMPARE(int(toc.Tracks[2].Minutes), 0);
    QCOMPARE(int(toc.Tracks[2].Seconds), 14);
    QCOMPARE(int(toc.Tracks[2].Frames), 20);
    QCOMPARE(FramesFromMsf(toc.LeadOut), 1370u);
    QCOMPARE(ComputeDiscId(toc), 0x0e001003u);
    QCOMPARE(BuildQueryCommand(toc), std::string("cddb query 0e001003 3 150 525 1070 18"));
}

void TestCdDrives::dataTrackIsNotAudio() {
    const int real = realDrives();
    CdDriveTable table;
    QVERIFY(EnumerateCdDrives(table, cdiAutoDetect, mixedCue.toStdString()));
    TocRecord toc;
    QCOMPARE(ReadDriveToc(table, real, toc, cdiNTSCSI), 0);
    QCOMPARE(int(toc.TrackCount), 3);
    QCOMPARE(toc.Tracks[0].IsAudio, 0u);
    QCOMPARE(toc.Tracks[1].IsAudio, TocAudioTrack);
    QCOMPARE(ComputeDiscId(toc), 0x0e001003u); // the data track still counts
}

// A PREGAP is silence on the disc that the image leaves out: the tracks behind it and the lead-out
// start later by its length, which changes the disc ID.
void TestCdDrives::pregapMovesTheLaterTracks() {
    QString error;
    const QString cue =
        MakeDiscImage(dir.path(), "gaps", ThreeToneFrames, &error, {"AUDIO", "AUDIO", "AUDIO"}, {0, 150, 75});
    QVERIFY2(!cue.isEmpty(), qPrintable(error));
    const int real = realDrives();
    CdDriveTable table;
    QVERIFY(EnumerateCdDrives(table, cdiAutoDetect, cue.toStdString()));
    TocRecord toc;
    QCOMPARE(ReadDriveToc(table, real, toc, cdiAutoDetect), 0);
    QCOMPARE(int(toc.TrackCount), 3);
    const uint32_t starts[] = {150, 525 + 150, 1070 + 150 + 75};
    for (int i = 0; i < 3; ++i)
        QCOMPARE(FramesFromMsf(toc.Tracks[i]), starts[i]);
    QCOMPARE(FramesFromMsf(toc.LeadOut), 1370u + 150 + 75);
    // Start seconds 2, 9 and 17 (digit sums 2 + 9 + 8 = 19), 19 seconds long, 3 tracks.
    QCOMPARE(ComputeDiscId(toc), 0x13001303u);
}

void TestCdDrives::unreadableImages_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("cueText"); // empty: no .cue written
    QTest::addColumn<bool>("withBin");
    QTest::newRow("missing sheet") << "missing" << QByteArray() << false;
    QTest::newRow("sheet without its .bin") << "lonely"
                                            << QByteArray("FILE \"lonely.bin\" BINARY\n  TRACK 01 AUDIO\n"
                                                          "    INDEX 01 00:00:00\n")
                                            << false;
    QTest::newRow("garbage sheet") << "garbage" << QByteArray("\x01\x02 TRACK 99 INDEX 77:99:99\nFILE\n")
                                   << true;
    QTest::newRow("sheet without tracks")
        << "notracks" << QByteArray("FILE \"notracks.bin\" BINARY\n") << true;
    QTest::newRow("track index past the end of the .bin")
        << "short" << QByteArray("FILE \"short.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 70:00:00\n")
        << true;
    QTest::newRow("second track past the end of the .bin")
        << "shortsecond"
        << QByteArray("FILE \"shortsecond.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                      "  TRACK 02 AUDIO\n    INDEX 01 00:00:50\n")
        << true;
    QTest::newRow("track without INDEX")
        << "noindex" << QByteArray("FILE \"noindex.bin\" BINARY\n  TRACK 01 AUDIO\n") << true;
    QTest::newRow("tracks not rising")
        << "backwards"
        << QByteArray("FILE \"backwards.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:05\n"
                      "  TRACK 02 AUDIO\n    INDEX 01 00:00:02\n")
        << true;
}

void TestCdDrives::unreadableImages() {
    QFETCH(QString, name);
    QFETCH(QByteArray, cueText);
    QFETCH(bool, withBin);
    QString cue = dir.filePath(name + ".cue");
    if (!cueText.isEmpty()) {
        QFile f(cue);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(cueText);
    }
    if (withBin) {
        QFile f(dir.filePath(name + ".bin"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(2352 * 10, '\0'));
    }
    const int real = realDrives();
    CdDriveTable table;
    QVERIFY(EnumerateCdDrives(table, cdiAutoDetect, cue.toStdString()));
    QCOMPARE(int(table.DriveCount), real + 1); // a configured image stays listed
    TocRecord toc;
    toc.TrackCount = 5;
    QCOMPARE(ReadDriveToc(table, real, toc, cdiAutoDetect), 1);
    QCOMPARE(int(toc.TrackCount), 0);
    QCOMPARE(FramesFromMsf(toc.LeadOut), 0u);
}

void TestCdDrives::virtualDriveListIsTrimmedAndCapped() {
    const int real = realDrives();
    CdDriveTable table;
    std::string list = " " + toneCue.toStdString() + " ;; ;" + mixedCue.toStdString() + ";";
    QVERIFY(EnumerateCdDrives(table, cdiAutoDetect, list));
    QCOMPARE(int(table.DriveCount), real + 2);
    QCOMPARE(table.Drives[real].DevicePath, toneCue.toStdString());
    QCOMPARE(table.Drives[real + 1].DevicePath, mixedCue.toStdString());

    std::string many;
    for (int i = 0; i < 40; ++i)
        many += toneCue.toStdString() + ";";
    QVERIFY(EnumerateCdDrives(table, cdiAutoDetect, many));
    QCOMPARE(int(table.DriveCount), MaxCdDrives);
    TocRecord toc;
    QCOMPARE(ReadDriveToc(table, MaxCdDrives - 1, toc, cdiAutoDetect), 0);
    QCOMPARE(ReadDriveToc(table, MaxCdDrives, toc, cdiAutoDetect), 1);
    QCOMPARE(ReadDriveToc(table, -1, toc, cdiAutoDetect), 1);
}

void TestCdDrives::unknownInterfaceRaisesItsErrorTexts() {
    CdDriveTable table;
    TocRecord toc;
    auto bad = static_cast<TCDInterface>(7);
    auto message = [](auto&& call) -> std::string {
        try {
            call();
        } catch (const ECdInterfaceError& e) {
            return e.what();
        }
        return "no exception";
    };
    const std::string route = "No usable interface available or selected interface not available";
    QCOMPARE(message([&] { EnumerateCdDrives(table, bad, ""); }), route);
    QCOMPARE(message([&] { ReadDriveToc(table, 0, toc, bad); }), route);
    QCOMPARE(message([&] { InquireDrive(0, table, bad); }), std::string("No usable interface available"));

    TCddb cddb;
    cddb.CDInterface = bad;
    QVERIFY_THROWS_EXCEPTION(ECdInterfaceError, cddb.ReadTOC(0));
}

void TestCdDrives::componentReadsTheImage() {
    TCddb cddb;
    QVERIFY(cddb.InternalTOCRetrieve);
    QSignalSpy status(&cddb, &TCddb::OnStatusMessage);
    cddb.CDInterface = cdiASPI;
    cddb.VirtualDrives =
        mixedCue.toStdString() + ";" + toneCue.toStdString() + ";" + dir.filePath("absent.cue").toStdString();
    const int real = realDrives();

    QVERIFY(cddb.ReadTOC(real + 1));
    QCOMPARE(cddb.DiscID, QString("0e001003"));
    QCOMPARE(int(cddb.Drives.CurrentDrive), real + 1);
    QCOMPARE(int(cddb.Toc.TrackCount), 3);
    QCOMPARE(status.count(), 0);

    QVERIFY(!cddb.ReadTOC(real + 2)); // listed, but no disc behind it
    QCOMPARE(status.count(), 1);
    QCOMPARE(status.at(0).at(0).toString(), QString("No CD in CD/DVD drive!"));
    QCOMPARE(cddb.DiscID, QString("00000000"));
    QCOMPARE(int(cddb.Toc.TrackCount), 0);

    QVERIFY(!cddb.ReadTOC(real + 3)); // beyond the last drive: no status
    QVERIFY(!cddb.ReadTOC(-1));
    QCOMPARE(status.count(), 1);

    cddb.InternalTOCRetrieve = false;
    QVERIFY(!cddb.ReadTOC(real));
    QCOMPARE(status.count(), 2);
    QCOMPARE(status.at(1).at(0).toString(), QString("No CD-ROM interface detected!"));
}

QTEST_GUILESS_MAIN(TestCdDrives)
#include "tst_cddrives.moc"
