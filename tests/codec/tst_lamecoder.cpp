// The MP3 encoding component: its configuration rules and real streams through libmp3lame.
#include "CodecFixtures.h"

#include "AtomicFile.h"
#include "TLameCoder.h"
#include "TMPEGaudio.h"
#include "WavReader.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <fstream>

using namespace larkspin;

Q_DECLARE_METATYPE(std::vector<std::string>)

namespace {

struct StreamResult {
    bool ok = false;
    std::int64_t sourceFrames = 0;
    std::uint32_t closeResult = 0;
};

// Encodes the WAV at source into an MP3 at target the way the rip does: chunk after chunk, every block
// written in call order, then flush and close.
StreamResult encodeFile(TLameCoder& coder, const QString& source, const QString& target) {
    StreamResult result;
    WavReader wav;
    if (!wav.Open(source.toStdString()))
        return result;
    coder.SampleRate = static_cast<std::uint32_t>(wav.Format().sampleRate);
    if (coder.PrepareCoder() != BE_ERR_SUCCESSFUL || LastLameResult != BE_ERR_SUCCESSFUL)
        return result;
    std::ofstream out(target.toStdString(), std::ios::binary);
    std::vector<std::int16_t> pcm(coder.SamplesPerChunk());
    std::vector<std::uint8_t> mp3(coder.OutputBufferSize());
    const long framesPerChunk = long(coder.SamplesPerChunk()) / wav.Format().channels;
    std::uint32_t bytes = 0;
    long got;
    while ((got = wav.Read(pcm.data(), framesPerChunk)) > 0) {
        const auto count = static_cast<std::uint32_t>(got * wav.Format().channels);
        if (coder.EncodeChunk(pcm.data(), count, mp3.data(), bytes) != BE_ERR_SUCCESSFUL)
            return result;
        out.write(reinterpret_cast<const char*>(mp3.data()), bytes);
    }
    if (coder.FlushCoder(mp3.data(), bytes) != BE_ERR_SUCCESSFUL)
        return result;
    out.write(reinterpret_cast<const char*>(mp3.data()), bytes);
    out.close();
    result.closeResult = coder.CloseCoder();
    result.sourceFrames = wav.Format().frames;
    result.ok = true;
    return result;
}

// Samples as mpg123 decodes them; with a LAME header it removes the encoder's delay and padding.
bool decodeMp3(const QString& mp3, const QString& wav, WavData& data) {
    return runTool("mpg123", {"-q", "-w", wav, mp3}) && readWav(wav, data);
}

} // namespace

class TestLameCoder : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void defaults();
    void enableVBRSetsTheHeaderFlag();
    void modeIgnoresValuesOutsideTheRange_data();
    void modeIgnoresValuesOutsideTheRange();
    void inputFilesRebuildOutputFiles_data();
    void inputFilesRebuildOutputFiles();
    void assignCopiesTheConfigurationOnly();
    void configurationRecord();
    void versionComesFromTheLibrary();
    void streamCallsOutOfOrderFail();
    void constantBitrateStream_data();
    void constantBitrateStream();
    void vbrHeaderAgreesWithTheSource();
    void vbrHeaderBehindAnId3v2Tag();
    void vbrHeaderIsNeverWrittenOverAudio();

private:
    QTemporaryDir dir_;
    QString stereo_;
    QString mono_;
};

void TestLameCoder::initTestCase() {
    QVERIFY(dir_.isValid());
    stereo_ = dir_.filePath("stereo.wav");
    mono_ = dir_.filePath("mono.wav");
    // An odd length: the last chunk is shorter than the others.
    QVERIFY(makeTone(stereo_, 3.3217));
    QVERIFY(makeTone(mono_, 2.5, 32000, 1));
}

void TestLameCoder::defaults() {
    TLameCoder c;
    QCOMPARE(c.SampleRate, 44100u);
    QCOMPARE(c.Bitrate, 128u);
    QCOMPARE(c.MaxBitrate, 320u);
    QCOMPARE(c.Quality, MPEG_QUALITY::NORMAL_QUALITY);
    QVERIFY(!c.Private);
    QVERIFY(c.CRC);
    QCOMPARE(c.Mode(), 0u);
    QVERIFY(!c.Copyright);
    QVERIFY(!c.Original);
    QVERIFY(!c.WriteVBRHeader);
    QVERIFY(!c.EnableVBR());
    QCOMPARE(c.VBRQuality, 4);
    QCOMPARE(c.DefaultExt, std::string(".mp3"));
    QVERIFY(c.InputFiles().empty() && c.OutputFiles().empty() && c.Mp3FileName.empty());
}

void TestLameCoder::enableVBRSetsTheHeaderFlag() {
    TLameCoder c;
    c.SetEnableVBR(true);
    QVERIFY(c.EnableVBR() && c.WriteVBRHeader);
    c.SetEnableVBR(false);
    QVERIFY(!c.EnableVBR() && !c.WriteVBRHeader);
    // The header flag alone leaves VBR off.
    c.WriteVBRHeader = true;
    QVERIFY(!c.EnableVBR());
}

void TestLameCoder::modeIgnoresValuesOutsideTheRange_data() {
    QTest::addColumn<quint32>("value");
    QTest::addColumn<quint32>("expected");
    QTest::newRow("joint stereo") << 1u << 1u;
    QTest::newRow("mono") << 3u << 3u;
    QTest::newRow("4") << 4u << 2u;
    QTest::newRow("all bits") << 0xFFFFFFFFu << 2u;
}

void TestLameCoder::modeIgnoresValuesOutsideTheRange() {
    QFETCH(quint32, value);
    QFETCH(quint32, expected);
    TLameCoder c;
    c.SetMode(TLameMode::DUALCHANNEL);
    c.SetMode(value);
    QCOMPARE(c.Mode(), expected);
}

void TestLameCoder::inputFilesRebuildOutputFiles_data() {
    QTest::addColumn<std::vector<std::string>>("input");
    QTest::addColumn<std::vector<std::string>>("output");
    QTest::newRow("two names") << std::vector<std::string>{"a.wav", "b.x.wav"}
                               << std::vector<std::string>{"a.mp3", "b.x.mp3"};
    QTest::newRow("dot in a folder") << std::vector<std::string>{"/music/v1.0/track", "/m/x.WAV"}
                                     << std::vector<std::string>{"/music/v1.0/track.mp3", "/m/x.mp3"};
    QTest::newRow("empty") << std::vector<std::string>{} << std::vector<std::string>{};
}

void TestLameCoder::inputFilesRebuildOutputFiles() {
    QFETCH(std::vector<std::string>, input);
    QFETCH(std::vector<std::string>, output);
    TLameCoder c;
    c.SetInputFiles({"old.wav"});
    c.SetInputFiles(input);
    QCOMPARE(c.InputFiles(), input);
    QCOMPARE(c.OutputFiles(), output);
}

void TestLameCoder::assignCopiesTheConfigurationOnly() {
    TLameCoder a;
    a.SampleRate = 32000;
    a.Bitrate = 192;
    a.MaxBitrate = 256;
    a.Quality = MPEG_QUALITY::HIGH_QUALITY;
    a.Private = true;
    a.CRC = false;
    a.SetMode(TLameMode::MONO);
    a.Copyright = true;
    a.Original = true;
    a.SetEnableVBR(true);
    a.VBRQuality = 2;
    a.SetInputFiles({"a.wav"});
    a.Mp3FileName = "a.mp3";
    TLameCoder b;
    b.Assign(a);
    QCOMPARE(b.ConfigRecord(), a.ConfigRecord());
    QVERIFY(b.InputFiles().empty());
    QVERIFY(b.Mp3FileName.empty());
}

void TestLameCoder::configurationRecord() {
    TLameCoder c;
    c.SetMode(TLameMode::JSTEREO);
    c.Bitrate = 192;
    const LameConfigRecord r = c.ConfigRecord();
    const auto at = [&](int offset) {
        std::uint32_t v;
        std::memcpy(&v, r.data() + offset, 4);
        return v;
    };
    QCOMPARE(r.size(), size_t(331));
    QCOMPARE(at(0), 256u);
    QCOMPARE(at(4), 1u);
    QCOMPARE(at(8), 331u);
    QCOMPARE(at(12), 44100u);
    QCOMPARE(at(20), 1u);
    QCOMPARE(at(24), 192u);
    QCOMPARE(at(28), 320u);
    QCOMPARE(at(32), 0u);
    QCOMPARE(at(36), 1u);
    QCOMPARE(at(52), 0xFFFFFFFFu);
    for (int offset : {16, 40, 44, 48, 56, 60, 64, 68})
        QCOMPARE(at(offset), 0u);
    QCOMPARE(at(72), 4u);
    QVERIFY(std::all_of(r.begin() + 76, r.end(), [](std::uint8_t b) { return b == 0; }));
}

void TestLameCoder::versionComesFromTheLibrary() {
    const TLameCoder coder;
    const TLameVersion& v = coder.LameVersion();
    QCOMPARE(v.DLLMajorVersion, 3);
    QVERIFY(v.DLLMinorVersion >= 97);
    QCOMPARE(v.MajorVersion, v.DLLMajorVersion);
    QCOMPARE(v.MinorVersion, v.DLLMinorVersion);
}

void TestLameCoder::streamCallsOutOfOrderFail() {
    TLameCoder c;
    std::vector<std::int16_t> pcm(4608);
    std::vector<std::uint8_t> out(20000);
    std::uint32_t bytes = 99;
    QCOMPARE(c.EncodeChunk(pcm.data(), out.data(), bytes), std::uint32_t(BE_ERR_INVALID_HANDLE));
    QCOMPARE(bytes, 0u);
    QCOMPARE(c.FlushCoder(out.data(), bytes), std::uint32_t(BE_ERR_INVALID_HANDLE));
    QCOMPARE(c.CloseCoder(), std::uint32_t(BE_ERR_INVALID_HANDLE));
    QCOMPARE(c.PrepareCoder(), std::uint32_t(BE_ERR_SUCCESSFUL));
    QCOMPARE(c.SamplesPerChunk(), 2304u);
    QCOMPARE(c.OutputBufferSize(), 2304u * 5 / 4 + 7200);
    // More values than one chunk holds would overrun the output buffer.
    QCOMPARE(c.EncodeChunk(pcm.data(), 2306, out.data(), bytes), std::uint32_t(BE_ERR_BUFFER_TOO_SMALL));
    QCOMPARE(c.CloseCoder(), std::uint32_t(BE_ERR_SUCCESSFUL));
    // A rate no MPEG layer knows and lame cannot resample to is refused and remembered.
    c.SampleRate = 0xFFFFFFF;
    QVERIFY(c.PrepareCoder() != BE_ERR_SUCCESSFUL);
    QCOMPARE(LastLameResult.load(), std::uint32_t(BE_ERR_INVALID_FORMAT_PARAMETERS));
    QCOMPARE(c.SamplesPerChunk(), 0u);
}

void TestLameCoder::constantBitrateStream_data() {
    QTest::addColumn<quint32>("mode");
    QTest::addColumn<quint32>("bitrate");
    QTest::addColumn<bool>("mono");
    QTest::newRow("joint stereo 192") << 1u << 192u << false;
    QTest::newRow("stereo 32") << 0u << 32u << false;
    QTest::newRow("mono 64 at 32000 Hz") << 3u << 64u << true;
}

// Without a VBR header the stream is plain frames: the first one is audio with the asked-for header bits.
void TestLameCoder::constantBitrateStream() {
    QFETCH(quint32, mode);
    QFETCH(quint32, bitrate);
    QFETCH(bool, mono);
    TLameCoder c;
    c.SetMode(mode);
    c.Bitrate = bitrate;
    c.Original = true;
    const QString mp3 = dir_.filePath(QString("cbr%1.mp3").arg(QTest::currentDataTag()));
    const StreamResult r = encodeFile(c, mono ? mono_ : stereo_, mp3);
    QVERIFY(r.ok);
    QCOMPARE(r.closeResult, std::uint32_t(BE_ERR_SUCCESSFUL));

    TMPEGaudio info;
    QVERIFY(info.Load(mp3.toStdString()));
    QVERIFY(info.FirstFrame().Found);
    QVERIFY(!info.Vbr().Found);
    QCOMPARE(info.FirstFrame().Offset, 0);
    QCOMPARE(info.FirstFrame().VersionBits, 3); // MPEG-1
    QCOMPARE(info.FirstFrame().ModeBits, int(mode));
    QVERIFY(info.FirstFrame().CrcProtected);
    QVERIFY(info.FirstFrame().OriginalMedia);
    QCOMPARE(info.Bitrate(), bitrate);
    QCOMPARE(info.SampleRate(), mono ? 32000 : 44100);

    // Without the header a decoder keeps the encoder's delay and padding: never shorter than the source,
    // at most two frames of delay and one of padding longer.
    WavData decoded;
    QVERIFY(decodeMp3(mp3, mp3 + ".wav", decoded));
    QCOMPARE(decoded.channels, mono ? 1 : 2);
    const auto frames = std::int64_t(decoded.samples.size()) / decoded.channels;
    QVERIFY2(frames >= r.sourceFrames && frames <= r.sourceFrames + 3 * 1152,
             qPrintable(QString("%1 decoded frames for %2").arg(frames).arg(r.sourceFrames)));
}

// With VBR the header is written back on close: its frame count matches the stream, and a gapless decoder
// gets back exactly the source's length.
void TestLameCoder::vbrHeaderAgreesWithTheSource() {
    TLameCoder c;
    c.SetEnableVBR(true);
    c.VBRQuality = 2;
    const QString mp3 = dir_.filePath("vbr.mp3");
    c.Mp3FileName = mp3.toStdString();
    const StreamResult r = encodeFile(c, stereo_, mp3);
    QVERIFY(r.ok);
    QCOMPARE(r.closeResult, std::uint32_t(BE_ERR_SUCCESSFUL));

    TMPEGaudio info;
    QVERIFY(info.Load(mp3.toStdString()));
    QVERIFY(info.Vbr().Found);
    QCOMPARE(info.Vbr().Kind, std::string("Xing"));
    QCOMPARE(info.Vbr().Bytes, int(QFileInfo(mp3).size()));
    // The header counts the audio frames behind it.
    const std::int64_t audioFrames = (r.sourceFrames + 576 + 1152 + 1151) / 1152;
    QVERIFY2(std::abs(info.Vbr().Frames - audioFrames) <= 1, qPrintable(QString::number(info.Vbr().Frames)));
    QCOMPARE(qRound(info.Duration()), qRound(double(r.sourceFrames) / 44100));

    WavData decoded;
    QVERIFY(decodeMp3(mp3, mp3 + ".wav", decoded));
    QCOMPARE(std::int64_t(decoded.samples.size()) / 2, r.sourceFrames);
    WavData source;
    QVERIFY(readWav(stereo_, source));
    QVERIFY2(rmsDifference(source.samples, decoded.samples, 2) < 0.02,
             qPrintable(QString::number(rmsDifference(source.samples, decoded.samples, 2))));
}

// A caller that wrote an ID3v2 tag first still gets the header over the first frame, not over the tag.
void TestLameCoder::vbrHeaderBehindAnId3v2Tag() {
    TLameCoder c;
    c.SetEnableVBR(true);
    c.SetMode(TLameMode::MONO);
    const QString plain = dir_.filePath("plain.mp3");
    QVERIFY(encodeFile(c, mono_, plain).ok); // no Mp3FileName: nothing written back
    const QByteArray audio = fileBytes(plain);
    QByteArray tag("ID3\x03\x00\x00\x00\x00\x00\x14", 10);
    tag += QByteArray(20, '\0');
    const QString tagged = dir_.filePath("tagged.mp3");
    QVERIFY(writeBytes(tagged, tag + audio));

    TLameCoder second;
    second.SetEnableVBR(true);
    second.SetMode(TLameMode::MONO);
    second.Mp3FileName = tagged.toStdString();
    const QString scratch = dir_.filePath("scratch.mp3");
    QVERIFY(encodeFile(second, mono_, scratch).ok);
    // encodeFile wrote scratch; the header went into tagged, which holds the same stream.
    const QByteArray after = fileBytes(tagged);
    QCOMPARE(after.size(), tag.size() + audio.size());
    QCOMPARE(after.left(tag.size()), tag);
    QCOMPARE(after.mid(tag.size(), 4), fileBytes(scratch).left(4));
    QVERIFY(after.mid(tag.size(), 200).contains("Xing"));
    QVERIFY(after.mid(tag.size() + 2000) == audio.mid(2000));
}

void TestLameCoder::vbrHeaderIsNeverWrittenOverAudio() {
    // A file whose first frame is audio (a constant-bitrate stream) has no placeholder to fill.
    TLameCoder cbr;
    const QString target = dir_.filePath("cbr-target.mp3");
    QVERIFY(encodeFile(cbr, stereo_, target).ok);
    const QByteArray before = fileBytes(target);

    TLameCoder vbr;
    vbr.SetEnableVBR(true);
    vbr.Mp3FileName = target.toStdString();
    const StreamResult r = encodeFile(vbr, stereo_, dir_.filePath("vbr-scratch.mp3"));
    QVERIFY(r.ok);
    QCOMPARE(r.closeResult, std::uint32_t(BE_ERR_WRITE_VBR_HEADER));
    QCOMPARE(fileBytes(target), before);

    TLameCoder missing;
    missing.SetEnableVBR(true);
    missing.Mp3FileName = dir_.filePath("nowhere/x.mp3").toStdString();
    QCOMPARE(encodeFile(missing, stereo_, dir_.filePath("vbr-scratch2.mp3")).closeResult,
             std::uint32_t(BE_ERR_WRITE_VBR_HEADER));
}

QTEST_GUILESS_MAIN(TestLameCoder)
#include "tst_lamecoder.moc"
