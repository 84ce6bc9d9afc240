// Disc images as users have them: the same disc written as different CUE sheets (names, cases, one or
// several files, WAVE files, gaps as PREGAP/POSTGAP or as silence in the file) must give the same TOC,
// disc ID and samples, whether ripped or played.
#include "CdDrives.h"
#include "CdRipReader.h"
#include "CdTrackPath.h"
#include "CddaDecoder.h"
#include "DiscId.h"
#include "PcmDiscImage.h"

#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace larkspin;

namespace {

// The disc: track 1 (40 sectors) at 0, 15 sectors of silence (track 2's pregap), track 2 (30 sectors)
// at 55, track 3 (25 sectors) at 85, lead-out at 110.
constexpr int Sector = 2352;

struct Disc {
    QByteArray t1 = TrackPcm(0, 40 * 588);
    QByteArray gap = QByteArray(15 * Sector, '\0');
    QByteArray t2 = TrackPcm(1, 30 * 588);
    QByteArray t3 = TrackPcm(2, 25 * 588);
};

QByteArray Wav(const QByteArray& pcm, int rate = 44100, int channels = 2) {
    QByteArray h;
    auto u32 = [&](quint32 v) { h.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](quint16 v) { h.append(reinterpret_cast<const char*>(&v), 2); };
    h += "RIFF";
    u32(static_cast<quint32>(36 + 8 + pcm.size())); // and a LIST chunk, so the data does not start at 44
    h += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(static_cast<quint16>(channels));
    u32(static_cast<quint32>(rate));
    u32(static_cast<quint32>(rate * channels * 2));
    u16(static_cast<quint16>(channels * 2));
    u16(16);
    h += "LIST";
    u32(0);
    h += "data";
    u32(static_cast<quint32>(pcm.size()));
    return h + pcm;
}

QByteArray Swapped(QByteArray pcm) {
    for (qsizetype i = 0; i + 1 < pcm.size(); i += 2)
        std::swap(pcm[i], pcm[i + 1]);
    return pcm;
}

bool Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

CdDriveInfo ImageDrive(const QString& cue) {
    CdDriveInfo drive;
    drive.DevicePath = cue.toStdString();
    drive.IsVirtual = true;
    return drive;
}

struct Seen {
    TocRecord toc;
    quint32 discId = 0;
    QList<QByteArray> ripped; // each track, start to the next one's start
    QList<QByteArray> played;
};

QByteArray Rip(const CdDriveInfo& drive, int first, int last) {
    CdRipReader reader;
    if (reader.Open(drive, first, last, CdRipOptions{}) != CrOk)
        return "open failed: " + QByteArray::fromStdString(reader.LastError());
    std::vector<std::uint8_t> buffer(static_cast<size_t>(reader.BufferSize()));
    QByteArray out;
    for (int r = CrOk; r == CrOk;) {
        std::int32_t bytes = 0;
        r = reader.ReadChunk(buffer.data(), bytes);
        if (r == CrError)
            return "read failed: " + QByteArray::fromStdString(reader.LastError());
        out.append(reinterpret_cast<const char*>(buffer.data()), bytes);
    }
    return out;
}

QByteArray Play(const QString& cue, int number) {
    auto decoder = kit::CreateCddaDecoder();
    if (!decoder->open(cdda::FormatCdTrackPath({cue.toStdString(), true, number})))
        return "cannot play";
    QByteArray out;
    std::vector<int16_t> samples(4096 * 2);
    for (long n; (n = decoder->read(samples.data(), 4096)) > 0;)
        out.append(reinterpret_cast<const char*>(samples.data()), n * 4);
    return out;
}

bool Look(const QString& cue, Seen& seen) {
    CdDriveTable table;
    EnumerateCdDrives(table, cdiAutoDetect, cue.toStdString());
    const int index = table.DriveCount - 1;
    if (index < 0 || ReadDriveToc(table, index, seen.toc, cdiAutoDetect) != 0)
        return false;
    seen.discId = ComputeDiscId(seen.toc);
    DiscToc disc;
    if (!ReadDiscToc(table.Drives[index], disc))
        return false;
    for (size_t i = 0; i < disc.Tracks.size(); ++i) {
        const int end = i + 1 < disc.Tracks.size() ? disc.Tracks[i + 1].Start : disc.LeadOut;
        seen.ripped << Rip(table.Drives[index], disc.Tracks[i].Start, end - 1);
        seen.played << Play(cue, disc.Tracks[i].Number);
    }
    return true;
}

} // namespace

// Makes the files a sheet needs in a folder.
using MakeFiles = std::function<bool(const QDir&, const Disc&)>;
Q_DECLARE_METATYPE(MakeFiles)

class TestCueImages : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void everySheetOfTheDiscGivesTheSameDisc_data();
    void everySheetOfTheDiscGivesTheSameDisc();
    void imageDriveIsNamedByItsSheet();

private:
    QTemporaryDir dir;
    Disc disc;
    Seen reference;
};

// The plain image: one .bin with the silence in it, INDEX 00 marking it.
void TestCueImages::initTestCase() {
    QVERIFY(dir.isValid());
    QVERIFY(Write(dir.filePath("ref.bin"), disc.t1 + disc.gap + disc.t2 + disc.t3));
    QVERIFY(Write(dir.filePath("ref.cue"), "FILE \"ref.bin\" BINARY\n"
                                           "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                                           "  TRACK 02 AUDIO\n    INDEX 00 00:00:40\n    INDEX 01 00:00:55\n"
                                           "  TRACK 03 AUDIO\n    INDEX 01 00:01:10\n"));
    QVERIFY(Look(dir.filePath("ref.cue"), reference));
    QCOMPARE(int(reference.toc.TrackCount), 3);
    const uint32_t starts[] = {150, 205, 235};
    for (int i = 0; i < 3; ++i)
        QCOMPARE(FramesFromMsf(reference.toc.Tracks[i]), starts[i]);
    QCOMPARE(FramesFromMsf(reference.toc.LeadOut), 260u);
    QCOMPARE(reference.ripped, (QList<QByteArray>{disc.t1 + disc.gap, disc.t2, disc.t3}));
    QCOMPARE(reference.played, reference.ripped);
}

void TestCueImages::everySheetOfTheDiscGivesTheSameDisc_data() {
    QTest::addColumn<QByteArray>("sheet");
    QTest::addColumn<MakeFiles>("files");
    using Files = MakeFiles;
    const Files oneBin = [](const QDir& d, const Disc& c) {
        return Write(d.filePath("My Disc (2001).bin"), c.t1 + c.gap + c.t2 + c.t3);
    };
    const Files noGapBin = [](const QDir& d, const Disc& c) {
        return Write(d.filePath("nogap.bin"), c.t1 + c.t2 + c.t3);
    };
    const Files perTrack = [](const QDir& d, const Disc& c) {
        return Write(d.filePath("01.bin"), c.t1) && Write(d.filePath("02.bin"), c.t2) &&
               Write(d.filePath("03.bin"), c.t3);
    };
    QTest::newRow("lower case, blanks in a quoted name, another name than the sheet's, CR LF")
        << QByteArray("\xEF\xBB\xBFrem COMMENT \"made by hand\"\r\nfile \"My Disc (2001).bin\" binary\r\n"
                      "  track 01 audio\r\n    index 01 00:00:00\r\n"
                      "  track 02 audio\r\n    index 00 00:00:40\r\n    index 01 00:00:55\r\n"
                      "  track 03 audio\r\n    index 01 00:01:10\r\n")
        << oneBin;
    QTest::newRow("unquoted name with blanks, named by a Windows path in other case")
        << QByteArray("FILE C:\\Rips\\MY DISC (2001).BIN BINARY\n"
                      "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                      "  TRACK 02 AUDIO\n    INDEX 00 00:00:40\n    INDEX 01 00:00:55\n"
                      "  TRACK 03 AUDIO\n    INDEX 01 00:01:10\n")
        << oneBin;
    QTest::newRow("PREGAP instead of silence in the file")
        << QByteArray("FILE \"nogap.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                      "  TRACK 02 AUDIO\n    PREGAP 00:00:15\n    INDEX 01 00:00:40\n"
                      "  TRACK 03 AUDIO\n    INDEX 01 00:00:70\n")
        << noGapBin;
    QTest::newRow("POSTGAP instead of silence in the file")
        << QByteArray(
               "FILE \"nogap.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n    POSTGAP 00:00:15\n"
               "  TRACK 02 AUDIO\n    INDEX 01 00:00:40\n"
               "  TRACK 03 AUDIO\n    INDEX 01 00:00:70\n")
        << noGapBin;
    QTest::newRow("one file per track, PREGAP")
        << QByteArray("FILE \"01.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                      "FILE \"02.bin\" BINARY\n  TRACK 02 AUDIO\n    PREGAP 00:00:15\n    INDEX 01 00:00:00\n"
                      "FILE \"03.bin\" BINARY\n  TRACK 03 AUDIO\n    INDEX 01 00:00:00\n")
        << perTrack;
    QTest::newRow("two WAVE files, the gap at the end of the first (INDEX 00 before the FILE)")
        << QByteArray("FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                      "  TRACK 02 AUDIO\n    INDEX 00 00:00:40\n"
                      "FILE \"b.wav\" WAVE\n    INDEX 01 00:00:00\n"
                      "  TRACK 03 AUDIO\n    INDEX 01 00:00:30\n")
        << Files([](const QDir& d, const Disc& c) {
               return Write(d.filePath("a.wav"), Wav(c.t1 + c.gap)) &&
                      Write(d.filePath("b.wav"), Wav(c.t2 + c.t3));
           });
    QTest::newRow("WAVE files called BINARY")
        << QByteArray(
               "FILE \"01.wav\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
               "FILE \"02.wav\" BINARY\n  TRACK 02 AUDIO\n    INDEX 00 00:00:00\n    INDEX 01 00:00:15\n"
               "FILE \"03.wav\" BINARY\n  TRACK 03 AUDIO\n    INDEX 01 00:00:00\n")
        << Files([](const QDir& d, const Disc& c) {
               return Write(d.filePath("01.wav"), Wav(c.t1)) &&
                      Write(d.filePath("02.wav"), Wav(c.gap + c.t2)) &&
                      Write(d.filePath("03.wav"), Wav(c.t3));
           });
    QTest::newRow("big-endian MOTOROLA file")
        << QByteArray("FILE \"be.bin\" MOTOROLA\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                      "  TRACK 02 AUDIO\n    INDEX 00 00:00:40\n    INDEX 01 00:00:55\n"
                      "  TRACK 03 AUDIO\n    INDEX 01 00:01:10\n")
        << Files([](const QDir& d, const Disc& c) {
               return Write(d.filePath("be.bin"), Swapped(c.t1 + c.gap + c.t2 + c.t3));
           });
}

void TestCueImages::everySheetOfTheDiscGivesTheSameDisc() {
    QFETCH(QByteArray, sheet);
    QFETCH(MakeFiles, files);
    QTemporaryDir here;
    QVERIFY(files(QDir(here.path()), disc));
    const QString cue = here.filePath("twin.cue");
    QVERIFY(Write(cue, sheet));
    Seen seen;
    QVERIFY(Look(cue, seen));
    QCOMPARE(int(seen.toc.TrackCount), int(reference.toc.TrackCount));
    for (int i = 0; i < seen.toc.TrackCount; ++i) {
        QCOMPARE(FramesFromMsf(seen.toc.Tracks[i]), FramesFromMsf(reference.toc.Tracks[i]));
        QCOMPARE(seen.toc.Tracks[i].IsAudio, TocAudioTrack);
    }
    QCOMPARE(FramesFromMsf(seen.toc.LeadOut), FramesFromMsf(reference.toc.LeadOut));
    QCOMPARE(QString::number(seen.discId, 16), QString::number(reference.discId, 16));
    QCOMPARE(seen.ripped.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QVERIFY2(seen.ripped[i] == reference.ripped[i], qPrintable(QString("track %1 ripped").arg(i + 1)));
        QVERIFY2(seen.played[i] == reference.played[i], qPrintable(QString("track %1 played").arg(i + 1)));
    }
}

void TestCueImages::imageDriveIsNamedByItsSheet() {
    CdDriveTable table;
    EnumerateCdDrives(table, cdiAutoDetect, dir.filePath("ref.cue").toStdString() + ";/gone/Other Album.CUE");
    QVERIFY(table.DriveCount >= 2);
    QCOMPARE(table.Drives[table.DriveCount - 2].DisplayName, std::string("ref.cue"));
    QCOMPARE(table.Drives[table.DriveCount - 1].DisplayName, std::string("Other Album.CUE"));
}

QTEST_GUILESS_MAIN(TestCueImages)
#include "tst_cueimages.moc"
