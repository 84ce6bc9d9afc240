#include "CdRip.h"
#include "CdRipReader.h"
#include "PcmDiscImage.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <utility>

using namespace larkspin;

namespace {

// Sector counts of the three tracks: odd lengths, one shorter than a chunk, so chunk edges and the
// last short chunk are crossed.
const QList<int> TrackSectors = {100, 20, 77};

struct Image {
    QTemporaryDir dir;
    QString cue;
    QList<QByteArray> tracks;
};

void MakeImage(Image& image, QStringList modes = {}) {
    for (int i = 0; i < TrackSectors.size(); ++i)
        image.tracks << TrackPcm(i, TrackSectors[i] * 588);
    image.cue = WritePcmDiscImage(image.dir.path(), "disc", image.tracks, modes);
    QVERIFY(!image.cue.isEmpty());
}

CdDriveInfo ImageDrive(const QString& cue) {
    CdDriveInfo drive;
    drive.DevicePath = cue.toStdString();
    drive.IsVirtual = true;
    return drive;
}

int OpenImage(const QString& cue) {
    CR_SetVirtualDrives(cue.toStdString());
    if (CR_Init() != 0)
        return -1;
    const int drive = CR_GetNumCDROM() - 1; // images come after the real drives
    if (CR_SetActiveCDROM(drive) != 0)
        return -1;
    return drive;
}

void SetParams(TOutputFormat format, bool jitter, bool swap) {
    CDROMPARAMS params;
    QCOMPARE(CR_GetCDROMParameters(&params), 0);
    params.Bytes[ParamOutputFormat] = format;
    WriteParam32(params, ParamJitterCorrect, jitter ? 0xFFFFFFFFu : 0);
    WriteParam32(params, ParamSwapChannels, swap ? 0xFFFFFFFFu : 0);
    QCOMPARE(CR_SetCDROMParameters(&params), 0);
}

// Rips first..last through the library calls; the results of every chunk are collected.
QByteArray RipWithLibrary(int first, int last, QList<int>* results = nullptr) {
    std::int32_t bufferSize = 0;
    if (CR_OpenRipper(&bufferSize, first, last) != 0)
        return {};
    QByteArray out, buffer(bufferSize, 0);
    for (int guard = 0; guard < 100000; ++guard) {
        std::int32_t bytes = -1;
        const int r = CR_RipChunk(reinterpret_cast<std::uint8_t*>(buffer.data()), &bytes);
        if (results)
            *results << r;
        if (r != 1)
            out.append(buffer.constData(), bytes);
        if (r == 4 || r == 1)
            break;
    }
    CR_CloseRipper();
    return out;
}

// The expectation for a format computed from the source alone: swap and mix by the formula, and for a
// halved rate the source sample at the same instant (the tones lie far below the new Nyquist
// frequency, so an ideal low-pass passes them unchanged).
std::vector<int16_t> Expected(const QByteArray& source, TOutputFormat format, bool swap) {
    const std::vector<int16_t> s = Samples(source);
    const size_t step = size_t(1) << FormatHalvings(format);
    std::vector<int16_t> out;
    for (size_t frame = 0; frame < s.size() / 2; frame += step) {
        const int left = s[2 * frame + (swap ? 1 : 0)], right = s[2 * frame + (swap ? 0 : 1)];
        if (FormatChannels(format) == 1) {
            out.push_back(static_cast<int16_t>((left + right) >> 1));
        } else {
            out.push_back(static_cast<int16_t>(left));
            out.push_back(static_cast<int16_t>(right));
        }
    }
    return out;
}

} // namespace

class TestCdRipLibrary : public QObject {
    Q_OBJECT

private slots:
    void tocOfAnImage();
    void ripsEachFormat_data();
    void ripsEachFormat();
    void filterStopsWhatCannotBeKept();
    void shapingDoesNotDependOnPieceSizes();
    void readerSeeksAndReadsOn();
    void samplesAreNeverByteSwappedByGuess();
    void parametersRejectUnknownFormatAndKeepOtherBytes();
    void hostileImages();
    void vanishingImageIsAReadError_data();
    void vanishingImageIsAReadError();
    void imageCutShortFailsAtItsFirstMissingSector_data();
    void imageCutShortFailsAtItsFirstMissingSector();
    void seekToTheEndBeforeAnyRead();
    void readAheadPastTheRangeIsNotItsJitterError();
};

void TestCdRipLibrary::tocOfAnImage() {
    Image image;
    MakeImage(image, {"AUDIO", "AUDIO", "MODE1/2352"});
    QVERIFY(OpenImage(image.cue) >= 0);
    QVERIFY(CR_IsVirtualDrive(CR_GetActiveCDROM()));
    QCOMPARE(QString::fromStdString(CR_GetDevicePath(CR_GetActiveCDROM())), image.cue);
    QCOMPARE(CR_ReadToc(), 0);
    QCOMPARE(CR_GetNumTocEntries(), 3);
    const int starts[] = {0, 100, 120, 197};
    for (int i = 0; i <= 3; ++i) {
        const TOCENTRY e = CR_GetTocEntry(i);
        QCOMPARE(e.StartSector, starts[i]);
        QCOMPARE(e.TrackNumber, i == 3 ? TocLeadOutTrack : i + 1);
        QCOMPARE(e.Flag, i == 2 ? TocFlagData : TocFlagAudio);
    }
    QCOMPARE(CR_GetTocEntry(4).StartSector, 0);
    QCOMPARE(CR_GetTocEntry(-1).TrackNumber, 0);
    QCOMPARE(CR_EjectCD(true), 0); // an image has no tray; nothing to refuse
}

void TestCdRipLibrary::ripsEachFormat_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("jitter");
    QTest::addColumn<bool>("swap");
    QTest::addColumn<int>("tolerance");
    // Halved rates: the filter's pass-band ripple (beta 8: about 1e-4 of full scale, 3 LSB) plus rounding.
    QTest::newRow("stereo 44100, paranoia") << int(STEREO44100) << true << false << 0;
    QTest::newRow("stereo 44100, plain reads") << int(STEREO44100) << false << false << 0;
    QTest::newRow("swapped, paranoia") << int(STEREO44100) << true << true << 0;
    QTest::newRow("mono 44100") << int(MONO44100) << false << false << 0;
    QTest::newRow("swapped mono") << int(MONO44100) << true << true << 0;
    QTest::newRow("stereo 22050") << int(STEREO22050) << true << false << 4;
    QTest::newRow("swapped stereo 22050") << int(STEREO22050) << false << true << 4;
    QTest::newRow("mono 22050") << int(MONO22050) << false << false << 4;
    QTest::newRow("stereo 11025") << int(STEREO11025) << false << false << 4;
    QTest::newRow("mono 11025") << int(MONO11025) << true << false << 4;
}

void TestCdRipLibrary::ripsEachFormat() {
    QFETCH(int, format);
    QFETCH(bool, jitter);
    QFETCH(bool, swap);
    QFETCH(int, tolerance);
    const auto fmt = static_cast<TOutputFormat>(format);
    Image image;
    MakeImage(image);
    QVERIFY(OpenImage(image.cue) >= 0);
    QCOMPARE(CR_ReadToc(), 0);
    SetParams(fmt, jitter, swap);
    for (int t = 0; t < TrackSectors.size(); ++t) {
        const TOCENTRY entry = CR_GetTocEntry(t);
        const int last = CR_GetTocEntry(t + 1).StartSector - 1;
        QList<int> results;
        const QByteArray ripped = RipWithLibrary(entry.StartSector, last, &results);
        QVERIFY2(results.last() == 4, CR_GetLastError().c_str());
        QVERIFY(!results.contains(1) && !results.contains(3));
        QCOMPARE(ripped.size(), FormatBytes(fmt, TrackSectors[t]));
        const std::vector<int16_t> got = Samples(ripped), want = Expected(image.tracks[t], fmt, swap);
        QCOMPARE(got.size(), want.size());
        // Near the ends the filter sees the silence beyond the range; compare from its reach on.
        const size_t edge = tolerance ? size_t(2 * HalfRateFilter::Reach * FormatChannels(fmt)) : 0;
        for (size_t i = edge; i + edge < got.size(); ++i) {
            if (std::abs(got[i] - want[i]) > tolerance)
                QFAIL(qPrintable(QString("track %1 sample %2: %3, expected %4")
                                     .arg(t + 1)
                                     .arg(i)
                                     .arg(got[i])
                                     .arg(want[i])));
        }
    }
}

void TestCdRipLibrary::filterStopsWhatCannotBeKept() {
    // A 15 kHz tone lies above 11025 Hz, the Nyquist frequency of 22050 Hz: decimating without a filter
    // would fold it to 7050 Hz at full strength.
    QTemporaryDir dir;
    const QString cue = WritePcmDiscImage(dir.path(), "high", {TrackPcm(0, 200 * 588, 15000)});
    QVERIFY(OpenImage(cue) >= 0);
    SetParams(STEREO22050, false, false);
    const std::vector<int16_t> got = Samples(RipWithLibrary(0, 199));
    QCOMPARE(got.size(), size_t(200 * 294 * 2));
    double energy = 0;
    const size_t edge = 4 * HalfRateFilter::Reach;
    for (size_t i = edge; i + edge < got.size(); ++i)
        energy += double(got[i]) * got[i];
    const double rms = std::sqrt(energy / double(got.size() - 2 * edge));
    QVERIFY2(rms < 16, qPrintable(QString::number(rms))); // the input's is 11585
}

void TestCdRipLibrary::shapingDoesNotDependOnPieceSizes() {
    // Chunk sizes are the library's choice: any split of the input gives the same samples, and the
    // count the header promises (n / 2 and n / 4 frames for whole sectors).
    const QByteArray source = TrackPcm(3, 7 * 588) + TrackPcm(4, 5 * 588, 9000);
    const auto* frames = reinterpret_cast<const int16_t*>(source.constData());
    const size_t count = size_t(source.size()) / 4;
    for (TOutputFormat format : {MONO44100, STEREO22050, MONO22050, STEREO11025}) {
        std::vector<int16_t> whole;
        PcmShaper one(format, true);
        one.Push(frames, count, whole);
        one.Finish(whole);
        QCOMPARE(qint64(whole.size() * 2), FormatBytes(format, 12));
        for (size_t piece : {size_t(1), size_t(7), size_t(588), size_t(1001)}) {
            std::vector<int16_t> split;
            PcmShaper shaper(format, true);
            for (size_t at = 0; at < count; at += piece)
                shaper.Push(frames + 2 * at, std::min(piece, count - at), split);
            shaper.Finish(split);
            QVERIFY2(split == whole,
                     qPrintable(QString("format %1, pieces of %2").arg(int(format)).arg(piece)));
        }
    }
}

void TestCdRipLibrary::readerSeeksAndReadsOn() {
    // The reading part as a decoder uses it: open a track, read, seek back, read the same again.
    Image image;
    MakeImage(image);
    const CdDriveInfo drive = ImageDrive(image.cue);
    for (bool jitter : {false, true}) {
        CdRipReader reader;
        CdRipOptions options;
        options.JitterCorrect = jitter;
        QCOMPARE(reader.Open(drive, 0, 99, options), int(CrOk));
        std::vector<std::uint8_t> buffer(static_cast<size_t>(reader.BufferSize()));
        std::int32_t bytes = 0;
        QCOMPARE(reader.ReadChunk(buffer.data(), bytes), int(CrOk));
        QCOMPARE(reader.PercentCompleted(), 32);
        QCOMPARE(reader.Seek(40), int(CrOk));
        QCOMPARE(reader.ReadChunk(buffer.data(), bytes), int(CrOk));
        QCOMPARE(bytes, 32 * 2352);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(buffer.data()), bytes),
                 image.tracks[0].mid(40 * 2352, 32 * 2352));
        QCOMPARE(reader.Seek(100), int(CrOk)); // the end: nothing left
        QCOMPARE(reader.ReadChunk(buffer.data(), bytes), int(CrRipDone));
        QCOMPARE(bytes, 0);
        QCOMPARE(reader.ReadChunk(buffer.data(), bytes), int(CrRipDone));
        QCOMPARE(reader.Seek(101), int(CrError));
        QCOMPARE(reader.Seek(-1), int(CrError));
    }
}

// Audio whose bytes look smoother read big-endian (a sine stored byte-swapped) must still come back as
// stored: the reader may not guess the byte order from the samples.
void TestCdRipLibrary::samplesAreNeverByteSwappedByGuess() {
    QTemporaryDir dir;
    QByteArray pcm = TrackPcm(0, 100 * 588);
    for (qsizetype i = 0; i + 1 < pcm.size(); i += 2)
        std::swap(pcm[i], pcm[i + 1]);
    const QString cue = WritePcmDiscImage(dir.path(), "swapped", {pcm});
    QVERIFY(!cue.isEmpty());
    const CdDriveInfo drive = ImageDrive(cue);
    for (bool jitter : {false, true}) {
        CdRipReader reader;
        CdRipOptions options;
        options.JitterCorrect = jitter;
        QCOMPARE(reader.Open(drive, 0, 99, options), int(CrOk));
        std::vector<std::uint8_t> buffer(static_cast<size_t>(reader.BufferSize()));
        std::int32_t bytes = 0;
        QCOMPARE(reader.ReadChunk(buffer.data(), bytes), int(CrOk));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(buffer.data()), bytes), pcm.left(bytes));
    }
}

void TestCdRipLibrary::parametersRejectUnknownFormatAndKeepOtherBytes() {
    Image image;
    MakeImage(image);
    QVERIFY(OpenImage(image.cue) >= 0);
    CDROMPARAMS params;
    QCOMPARE(CR_GetCDROMParameters(&params), 0);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(params.Bytes.data())), QByteArray("disc.cue"));
    QCOMPARE(ReadParam32(params, ParamJitterCorrect), 0xFFFFFFFFu);
    params.Bytes[300] = 0x5A;
    params.Bytes[339] = 0xA5;
    QCOMPARE(CR_SetCDROMParameters(&params), 0);
    CDROMPARAMS back;
    QCOMPARE(CR_GetCDROMParameters(&back), 0);
    QVERIFY(back.Bytes == params.Bytes);
    params.Bytes[ParamOutputFormat] = 6;
    QCOMPARE(CR_SetCDROMParameters(&params), 1);
    QCOMPARE(CR_GetCDROMParameters(&back), 0);
    QCOMPARE(back.Bytes[ParamOutputFormat], 0);
    QCOMPARE(CR_SetActiveCDROM(CR_GetNumCDROM()), 1);
    QCOMPARE(CR_SetCDROMParameters(nullptr), 1);
}

void TestCdRipLibrary::hostileImages() {
    Image image;
    MakeImage(image);
    QFile bin(image.dir.filePath("disc.bin"));
    // Ranges beyond the disc or backwards: a clear refusal, no file read.
    QVERIFY(OpenImage(image.cue) >= 0);
    std::int32_t size = -1;
    QCOMPARE(CR_OpenRipper(&size, 150, 300), 1);
    QCOMPARE(size, 0);
    QVERIFY(QString::fromStdString(CR_GetLastError()).contains("not on the disc"));
    QCOMPARE(CR_OpenRipper(&size, 50, 10), 1);
    std::uint8_t buffer[16];
    std::int32_t bytes = -1;
    QCOMPARE(CR_RipChunk(buffer, &bytes), 1); // no ripper open
    QCOMPARE(bytes, 0);

    // Cut inside a sector of the last track: the disc ends with the last whole sector, and that much
    // rips.
    QVERIFY(bin.resize(150 * 2352 + 1000));
    QCOMPARE(CR_ReadToc(), 0);
    QCOMPARE(CR_GetTocEntry(3).StartSector, 150);
    QCOMPARE(RipWithLibrary(120, 149), image.tracks[2].left(30 * 2352));
    QCOMPARE(CR_OpenRipper(&size, 120, 150), 1);
    // The .bin ends inside the second track, before the third track's start.
    QVERIFY(bin.resize(110 * 2352));
    QCOMPARE(CR_ReadToc(), 1);
    QCOMPARE(CR_GetNumTocEntries(), 0);
    // Gone altogether.
    QVERIFY(bin.remove());
    QCOMPARE(CR_ReadToc(), 1);
    QCOMPARE(CR_OpenRipper(&size, 0, 10), 1);
}

void TestCdRipLibrary::vanishingImageIsAReadError_data() {
    QTest::addColumn<bool>("jitter");
    QTest::newRow("paranoia") << true;
    QTest::newRow("plain reads") << false;
}

void TestCdRipLibrary::vanishingImageIsAReadError() {
    // The image shrinks while its range is open, as a disc taken out mid-rip: once nothing can be read
    // the ripper says so instead of delivering silence or looping.
    QFETCH(bool, jitter);
    Image image;
    MakeImage(image);
    QVERIFY(OpenImage(image.cue) >= 0);
    SetParams(STEREO44100, jitter, false);
    std::int32_t size = 0;
    QCOMPARE(CR_OpenRipper(&size, 0, 99), 0);
    QByteArray buffer(size, 0);
    auto* data = reinterpret_cast<std::uint8_t*>(buffer.data());
    std::int32_t bytes = 0;
    QCOMPARE(CR_RipChunk(data, &bytes), 0);
    QVERIFY(QFile::resize(image.dir.filePath("disc.bin"), 40 * 2352));
    // The read fails within the next chunks, and never with a jitter error standing for silence.
    int r = 0;
    for (int chunk = 0; chunk < 3 && r == 0; ++chunk)
        r = CR_RipChunk(data, &bytes);
    QCOMPARE(r, 1);
    QCOMPARE(bytes, 0);
    QCOMPARE(CR_GetNumberOfJitterErrors(), 0);
    QVERIFY2(QString::fromStdString(CR_GetLastError()).startsWith("Read error at sector"),
             CR_GetLastError().c_str());
    QCOMPARE(CR_RipChunk(data, &bytes), 1); // and again: no progress past what cannot be read
    CR_CloseRipper();
}

void TestCdRipLibrary::imageCutShortFailsAtItsFirstMissingSector_data() {
    QTest::addColumn<bool>("jitter");
    QTest::addColumn<int>("cutBytes");
    QTest::addColumn<int>("missing"); // the first sector that cannot be read
    for (bool jitter : {true, false}) {
        const char* mode = jitter ? "paranoia" : "plain reads";
        // Sectors 0-99 in chunks 0-31, 32-63, 64-95, 96-99; the first chunk is read before the cut.
        QTest::addRow("%s, mid-track", mode) << jitter << 50 * 2352 << 50;
        QTest::addRow("%s, inside a full chunk", mode) << jitter << 80 * 2352 + 500 << 80;
        QTest::addRow("%s, at a chunk's start", mode) << jitter << 64 * 2352 << 64;
        QTest::addRow("%s, inside the last chunk", mode) << jitter << 98 * 2352 + 2000 << 98;
    }
}

void TestCdRipLibrary::imageCutShortFailsAtItsFirstMissingSector() {
    // A short read is no success: without a check the chunk's end would repeat audio of the chunk
    // before.
    QFETCH(bool, jitter);
    QFETCH(int, cutBytes);
    QFETCH(int, missing);
    Image image;
    MakeImage(image);
    QVERIFY(OpenImage(image.cue) >= 0);
    SetParams(STEREO44100, jitter, false);
    std::int32_t size = 0;
    QCOMPARE(CR_OpenRipper(&size, 0, 99), 0);
    QByteArray buffer(size, 0), ripped;
    auto* data = reinterpret_cast<std::uint8_t*>(buffer.data());
    std::int32_t bytes = 0;
    QCOMPARE(CR_RipChunk(data, &bytes), 0);
    ripped.append(buffer.constData(), bytes);
    QVERIFY(QFile::resize(image.dir.filePath("disc.bin"), cutBytes));
    int r = 0;
    for (int chunk = 0; chunk < 4 && r != 1; ++chunk) {
        r = CR_RipChunk(data, &bytes);
        if (r != 1)
            ripped.append(buffer.constData(), bytes);
    }
    QCOMPARE(r, 1);
    QCOMPARE(QString::fromStdString(CR_GetLastError()),
             QStringLiteral("Read error at sector %1").arg(missing));
    // Everything delivered before the error is the track's own audio, whole chunks up to the cut.
    QCOMPARE(ripped.size(), missing / 32 * 32 * 2352);
    QCOMPARE(ripped, image.tracks[0].left(ripped.size()));
    QCOMPARE(CR_GetNumberOfJitterErrors(), 0);
    CR_CloseRipper();
}

void TestCdRipLibrary::seekToTheEndBeforeAnyRead() {
    // Nothing was ever shaped: the empty chunk is delivered without copying from nowhere.
    Image image;
    MakeImage(image);
    for (bool jitter : {false, true}) {
        CdRipReader reader;
        CdRipOptions options;
        options.JitterCorrect = jitter;
        QCOMPARE(reader.Open(ImageDrive(image.cue), 100, 119, options), int(CrOk));
        QCOMPARE(reader.Seek(120), int(CrOk));
        std::vector<std::uint8_t> buffer(static_cast<size_t>(reader.BufferSize()));
        std::int32_t bytes = -1;
        QCOMPARE(reader.ReadChunk(buffer.data(), bytes), int(CrRipDone));
        QCOMPARE(bytes, 0);
    }
}

void TestCdRipLibrary::readAheadPastTheRangeIsNotItsJitterError() {
    // Paranoia reads ahead past the range's end; the sectors there (here gone: the image ends with the
    // range) belong to the next track and are no problem of this rip.
    Image image;
    MakeImage(image);
    QVERIFY(OpenImage(image.cue) >= 0);
    SetParams(STEREO44100, true, false);
    std::int32_t size = 0;
    QCOMPARE(CR_OpenRipper(&size, 0, 99), 0);
    QVERIFY(QFile::resize(image.dir.filePath("disc.bin"), 100 * 2352));
    QByteArray buffer(size, 0), ripped;
    QList<int> results;
    for (int chunk = 0; chunk < 10; ++chunk) {
        std::int32_t bytes = 0;
        const int r = CR_RipChunk(reinterpret_cast<std::uint8_t*>(buffer.data()), &bytes);
        results << r;
        ripped.append(buffer.constData(), bytes);
        if (r == 4 || r == 1)
            break;
    }
    QCOMPARE(results, (QList<int>{0, 0, 0, 4}));
    QCOMPARE(ripped, image.tracks[0]);
    QCOMPARE(CR_GetNumberOfJitterErrors(), 0);
    CR_CloseRipper();
}

QTEST_GUILESS_MAIN(TestCdRipLibrary)
#include "tst_cdriplibrary.moc"
