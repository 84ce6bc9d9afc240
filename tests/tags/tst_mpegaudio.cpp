// MPEG audio: frame header test, frame search, Xing and VBRI headers, the end-of-file encoder search and
// the derived values, over byte-built files and over files made with sox and lame.

#include "Id3Fixtures.h"
#include "TMPEGaudio.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace larkspin;
using namespace fixtures;

namespace {

constexpr int Length128 = 417; // MPEG 1 Layer III, 128 kbit/s, 44100 Hz, not padded

// A first frame holding a VBR header at offset, followed by plain frames.
QByteArray vbrFile(const Header& h, int length, int offset, const QByteArray& vbrHeader, int more = 20) {
    QByteArray first = frames(h, length, 1);
    first.replace(offset, vbrHeader.size(), vbrHeader);
    return first + frames(h, length, more);
}

QByteArray xing(qint32 frameCount, qint32 byteCount, const QByteArray& vendor = "LAME3.92",
                int quality = 57) {
    QByteArray x =
        "Xing" + bigEndian32(15) + bigEndian32(quint32(frameCount)) + bigEndian32(quint32(byteCount));
    x += QByteArray(100, '\x01'); // table of contents
    x += bigEndian32(quint32(quality));
    return x + vendor;
}

QByteArray vbri(qint32 frameCount, qint32 byteCount, int quality = 75) {
    QByteArray v = "VBRI" + QByteArray("\0\1\0\0\0", 5) + QByteArray(1, char(quality));
    return v + bigEndian32(quint32(byteCount)) + bigEndian32(quint32(frameCount)) + QByteArray(8, '\0');
}

} // namespace

class TestMpegAudio : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(name); }
    bool load(TMPEGaudio& mpeg, const QByteArray& content) {
        const QString file = path("test.mp3");
        return writeFile(file, content) && mpeg.Load(file.toStdString());
    }

private slots:
    void headerTest_data();
    void headerTest();
    void frameLength_data();
    void frameLength();
    void clearedStateHasNoDivisionByZero();
    void cbrFile();
    void vbrHeaders_data();
    void vbrHeaders();
    void vbrHeaderOffsets_data();
    void vbrHeaderOffsets();
    void vbrBitrateRoundsHalvesToEven_data();
    void vbrBitrateRoundsHalvesToEven();
    void falseSyncWithoutFollowerIsSkipped();
    void secondWindowAtTheMiddle();
    void oversizedId3v2CountsAsNoTag();
    void shortFileWithoutVbrHeader();
    void noFrameLeavesClearedState();
    void tailVendor_data();
    void tailVendor();
    void encoderGuess_data();
    void encoderGuess();
    void realFiles();
};

void TestMpegAudio::headerTest_data() {
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<bool>("valid");
    const auto with = [](auto change) {
        Header h;
        change(h);
        return h.bytes();
    };
    QTest::newRow("MPEG 1 Layer III") << Header().bytes() << true;
    QTest::newRow("MPEG 2.5 Layer I") << with([](Header& h) {
        h.version = 0;
        h.layer = 3;
    }) << true;
    QTest::newRow("reserved version") << with([](Header& h) { h.version = 1; }) << false;
    QTest::newRow("reserved layer") << with([](Header& h) { h.layer = 0; }) << false;
    QTest::newRow("bitrate index 0") << with([](Header& h) { h.bitrateIndex = 0; }) << false;
    QTest::newRow("bitrate index 15") << with([](Header& h) { h.bitrateIndex = 15; }) << false;
    QTest::newRow("sample rate index 3") << with([](Header& h) { h.rateIndex = 3; }) << false;
    QTest::newRow("emphasis 2") << with([](Header& h) { h.emphasis = 2; }) << false;
    QTest::newRow("emphasis 3") << with([](Header& h) { h.emphasis = 3; }) << true;
    QTest::newRow("first byte not 255") << QByteArray("\xFE\xFB\x90\x00", 4) << false;
    QTest::newRow("sync bits incomplete") << QByteArray("\xFF\xDB\x90\x00", 4) << false;
}

void TestMpegAudio::headerTest() {
    QFETCH(QByteArray, header);
    QTEST(TMPEGaudio::IsFrameHeader(reinterpret_cast<const std::uint8_t*>(header.constData())), "valid");
}

void TestMpegAudio::frameLength_data() {
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("layer");
    QTest::addColumn<int>("bitrateIndex");
    QTest::addColumn<int>("rateIndex");
    QTest::addColumn<bool>("padded");
    QTest::addColumn<int>("bitrate");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<int>("length");

    QTest::newRow("MPEG 1 L3 128k 44.1k") << 3 << 1 << 9 << 0 << false << 128 << 44100 << 417;
    QTest::newRow("padded: one byte more") << 3 << 1 << 9 << 0 << true << 128 << 44100 << 418;
    QTest::newRow("MPEG 1 L1 448k 32k padded: four bytes")
        << 3 << 3 << 14 << 2 << true << 448 << 32000 << 676;
    QTest::newRow("MPEG 1 L2 384k 32k padded: largest") << 3 << 2 << 14 << 2 << true << 384 << 32000 << 1729;
    QTest::newRow("MPEG 1 L3 320k 48k") << 3 << 1 << 14 << 1 << false << 320 << 48000 << 960;
    QTest::newRow("MPEG 2 L3 64k 22.05k: half coefficient")
        << 2 << 1 << 8 << 0 << false << 64 << 22050 << 208;
    QTest::newRow("MPEG 2 L2 160k 16k") << 2 << 2 << 14 << 2 << false << 160 << 16000 << 1440;
    QTest::newRow("MPEG 2 L1 256k 24k") << 2 << 3 << 14 << 1 << false << 256 << 24000 << 512;
    QTest::newRow("MPEG 2.5 L3 8k 8k") << 0 << 1 << 1 << 2 << false << 8 << 8000 << 72;
    QTest::newRow("MPEG 2.5 L3 64k 11.025k") << 0 << 1 << 8 << 0 << false << 64 << 11025 << 417;
}

void TestMpegAudio::frameLength() {
    Header h;
    QFETCH(int, version);
    QFETCH(int, layer);
    QFETCH(int, bitrateIndex);
    QFETCH(int, rateIndex);
    QFETCH(bool, padded);
    h.version = version;
    h.layer = layer;
    h.bitrateIndex = bitrateIndex;
    h.rateIndex = rateIndex;
    h.padded = padded;
    const QByteArray b = h.bytes();
    const MpegFrame f = TMPEGaudio::DecodeHeader(reinterpret_cast<const std::uint8_t*>(b.constData()));
    QTEST(int(TMPEGaudio::TableBitrate(f)), "bitrate");
    QTEST(int(TMPEGaudio::TableSampleRate(f)), "sampleRate");
    QTEST(int(TMPEGaudio::FrameLengthOf(f)), "length");
}

void TestMpegAudio::clearedStateHasNoDivisionByZero() {
    TMPEGaudio mpeg;
    QCOMPARE(mpeg.FrameLength(), std::uint16_t(0));
    QCOMPARE(mpeg.FrameCount(), 0);
    QCOMPARE(mpeg.Duration(), 0.0);
    QCOMPARE(mpeg.Bitrate(), std::uint16_t(0));
    QCOMPARE(mpeg.SampleRate(), std::uint16_t(0));
    QCOMPARE(mpeg.ChannelModeName(), std::string("Unknown"));
    QCOMPARE(mpeg.EmphasisName(), std::string("Unknown"));
    QCOMPARE(mpeg.EncoderIndex(), 0);
    QCOMPARE(mpeg.EncoderName(), std::string("Unknown"));
    QCOMPARE(int(mpeg.FirstFrame().VersionBits), 1);
    QCOMPARE(int(mpeg.FirstFrame().SampleRateIndex), 3);
    QCOMPARE(int(mpeg.FirstFrame().ModeBits), 4);
    QCOMPARE(int(mpeg.FirstFrame().ModeExtension), 4);
    QCOMPARE(int(mpeg.FirstFrame().EmphasisBits), 2);
}

void TestMpegAudio::cbrFile() {
    TMPEGaudio mpeg;
    const QByteArray file = frames(Header(), Length128, 100) + QByteArray(100, '\x55');
    QVERIFY(load(mpeg, file));
    QVERIFY(mpeg.FirstFrame().Found);
    QCOMPARE(mpeg.FirstFrame().Offset, 0);
    QCOMPARE(mpeg.FileSize(), std::int64_t(file.size()));
    QVERIFY(!mpeg.Vbr().Found);
    QCOMPARE(mpeg.FrameLength(), std::uint16_t(Length128));
    QCOMPARE(mpeg.FrameCount(), file.size() / Length128);
    QCOMPARE(mpeg.Duration(), file.size() * 8.0 / 128000);
    QCOMPARE(mpeg.Bitrate(), std::uint16_t(128));
    QCOMPARE(mpeg.SampleRate(), std::uint16_t(44100));
    QCOMPARE(mpeg.ChannelModeName(), std::string("Stereo"));
    QCOMPARE(mpeg.EmphasisName(), std::string("None"));
    QCOMPARE(mpeg.EncoderName(), std::string("Blade")); // at most 160 kbit/s and stereo

    // An ID3v1 tag counts as audio bytes; the ID3v2 tag does not.
    const QByteArray tagged = v2Tag(v2Frame("TIT2", latin1Text("T"))) + file + V1Block().title("x").b;
    QVERIFY(load(mpeg, tagged));
    QVERIFY(mpeg.Id3v1().Present());
    QCOMPARE(mpeg.Id3v2().TagSize(), std::int64_t(22));
    QCOMPARE(mpeg.FrameCount(), (file.size() + 128) / Length128);
    QCOMPARE(mpeg.Duration(), (file.size() + 128) * 8.0 / 128000);
}

void TestMpegAudio::vbrHeaders_data() {
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("quality");
    QTest::addColumn<int>("encoder");
    QTest::addColumn<QString>("encoderName");

    QTest::newRow("LAME with version") << xing(1000, 417960, "LAME3.92") << "Xing" << 57 << 3 << "LAME 3.92";
    QTest::newRow("LAME without version") << xing(1000, 417960, "LAMEabcd") << "Xing" << 57 << 3 << "LAME";
    QTest::newRow("LAME 3.100 cut to eight")
        << xing(1000, 417960, "LAME3.100") << "Xing" << 57 << 3 << "LAME 3.10";
    QTest::newRow("GOGO") << xing(1000, 417960, "GOGO1.00") << "Xing" << 57 << 5 << "GoGo";
    QTest::newRow("MPGE") << xing(1000, 417960, "MPGEabcd") << "Xing" << 57 << 5 << "GoGo";
    QTest::newRow("other Xing vendor")
        << xing(1000, 417960, QByteArray(8, '\0'), 3) << "Xing" << 3 << 1 << "Xing";
    QTest::newRow("VBRI") << vbri(1000, 417960, 80) << "VBRI" << 80 << 2 << "FhG";
}

void TestMpegAudio::vbrHeaders() {
    QFETCH(QByteArray, header);
    TMPEGaudio mpeg;
    QVERIFY(load(mpeg, vbrFile(Header(), Length128, 36, header)));
    QVERIFY(mpeg.Vbr().Found);
    QTEST(QString::fromStdString(mpeg.Vbr().Kind), "kind");
    QCOMPARE(mpeg.Vbr().Frames, 1000);
    QCOMPARE(mpeg.Vbr().Bytes, 417960);
    QTEST(int(mpeg.Vbr().Quality), "quality");
    QCOMPARE(mpeg.Bitrate(), std::uint16_t(128)); // round(417.96 * 44100 / 144 / 1000)
    QCOMPARE(mpeg.FrameCount(), 1000);
    QVERIFY(std::abs(mpeg.Duration() - 144.0 * 1000 * 8 / 44100) < 1e-9);
    QVERIFY(mpeg.TailVendor().empty()); // no end-of-file search with a VBR header
    QTEST(mpeg.EncoderIndex(), "encoder");
    QTEST(QString::fromStdString(mpeg.EncoderName()), "encoderName");
}

void TestMpegAudio::vbrHeaderOffsets_data() {
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("offset");
    QTest::addColumn<bool>("found");

    QTest::newRow("MPEG 1 stereo at 36") << 3 << 0 << 36 << true;
    QTest::newRow("MPEG 1 stereo at 21") << 3 << 0 << 21 << false;
    QTest::newRow("MPEG 1 mono at 21") << 3 << 3 << 21 << true;
    QTest::newRow("MPEG 2 stereo at 21") << 2 << 0 << 21 << true;
    QTest::newRow("MPEG 2 stereo at 36") << 2 << 0 << 36 << false;
    QTest::newRow("MPEG 2 mono at 13") << 2 << 3 << 13 << true;
    QTest::newRow("MPEG 2.5 joint stereo at 21") << 0 << 1 << 21 << true;
}

void TestMpegAudio::vbrHeaderOffsets() {
    QFETCH(int, version);
    QFETCH(int, mode);
    QFETCH(int, offset);
    Header h;
    h.version = version;
    h.mode = mode;
    h.bitrateIndex = 8;
    const QByteArray b = h.bytes();
    const int length = TMPEGaudio::FrameLengthOf(
        TMPEGaudio::DecodeHeader(reinterpret_cast<const std::uint8_t*>(b.constData())));
    TMPEGaudio mpeg;
    load(mpeg, vbrFile(h, length, offset, vbri(500, 100000), 40));
    QVERIFY(mpeg.FirstFrame().Found);
    QTEST(mpeg.Vbr().Found, "found");
}

void TestMpegAudio::vbrBitrateRoundsHalvesToEven_data() {
    QTest::addColumn<bool>("padded");
    QTest::addColumn<qint32>("bytes");
    QTest::addColumn<int>("bitrate");
    // 48000 Hz: kbit/s = bytes per frame / 3
    QTest::newRow("128.5 goes down to 128") << false << 771 << 128;
    QTest::newRow("129.5 goes up to 130") << false << 777 << 130;
    QTest::newRow("padding subtracted first") << true << 773 << 128;
    QTest::newRow("no bytes: 0") << false << 0 << 0;
    QTest::newRow("negative bytes: 0") << false << -5000 << 0;
}

void TestMpegAudio::vbrBitrateRoundsHalvesToEven() {
    QFETCH(bool, padded);
    QFETCH(qint32, bytes);
    Header h;
    h.rateIndex = 1;
    h.padded = padded;
    TMPEGaudio mpeg;
    QVERIFY(load(mpeg, vbrFile(h, 384 + (padded ? 1 : 0), 36, xing(2, bytes))));
    QVERIFY(mpeg.Vbr().Found);
    QTEST(int(mpeg.Bitrate()), "bitrate");
}

void TestMpegAudio::falseSyncWithoutFollowerIsSkipped() {
    TMPEGaudio mpeg;
    const QByteArray junk = Header().bytes() + QByteArray(496, '\x55');
    QVERIFY(load(mpeg, junk + frames(Header(), Length128, 20)));
    QCOMPARE(mpeg.FirstFrame().Offset, 500);
}

void TestMpegAudio::secondWindowAtTheMiddle() {
    const QByteArray tag = v2Tag(v2Frame("TIT2", latin1Text("Title")));
    const QByteArray file = tag + QByteArray(3000, '\x55') + frames(Header(), Length128, 40);
    TMPEGaudio mpeg;
    QVERIFY(load(mpeg, file));
    QVERIFY(mpeg.FirstFrame().Found);
    // The second window starts at (file size - tag size) / 2; the offset is counted inside it.
    const int window = (file.size() - tag.size()) / 2;
    const int audioStart = tag.size() + 3000;
    const int firstHeader = audioStart + ((window - audioStart + Length128 - 1) / Length128) * Length128;
    QCOMPARE(mpeg.FirstFrame().Offset, firstHeader - window);
    QCOMPARE(mpeg.FrameCount(), (file.size() - tag.size() - (firstHeader - window)) / Length128);

    // A short first window (the file ends inside it) is not followed by a second one.
    QVERIFY(load(mpeg, tag + QByteArray(3000, '\x55')));
    QVERIFY(!mpeg.FirstFrame().Found);
}

void TestMpegAudio::oversizedId3v2CountsAsNoTag() {
    TMPEGaudio mpeg;
    QVERIFY(load(mpeg, v2Header(1000000) + frames(Header(), Length128, 20)));
    QVERIFY(mpeg.Id3v2().Present());
    QCOMPARE(mpeg.Id3v2().TagSize(), std::int64_t(0));
    QCOMPARE(mpeg.FirstFrame().Offset, 10);
}

void TestMpegAudio::shortFileWithoutVbrHeader() {
    TMPEGaudio mpeg;
    // Below 3458 bytes the end-of-file window cannot be read: false, but the frame stays found.
    QVERIFY(!load(mpeg, frames(Header(), Length128, 5)));
    QVERIFY(mpeg.FirstFrame().Found);
    QCOMPARE(mpeg.Bitrate(), std::uint16_t(128));
    QCOMPARE(mpeg.FrameCount(), 5);
    // With an ID3v1 tag the window ends 128 bytes earlier, so 3586 bytes are needed; here 3500.
    QVERIFY(!load(mpeg, frames(Header(), Length128, 8) + QByteArray(36, '\x55') + V1Block().b));
    QVERIFY(mpeg.FirstFrame().Found);
    QVERIFY(load(mpeg, frames(Header(), Length128, 9) + V1Block().b));
    // A VBR header needs no end-of-file window.
    QVERIFY(load(mpeg, vbrFile(Header(), Length128, 36, xing(10, 4170), 2)));
}

void TestMpegAudio::noFrameLeavesClearedState() {
    TMPEGaudio mpeg;
    QVERIFY(load(mpeg, v2Tag(v2Frame("TIT2", latin1Text("T"))) + QByteArray(10000, '\xFF') + V1Block().b));
    QVERIFY(!mpeg.FirstFrame().Found);
    QCOMPARE(mpeg.FileSize(), std::int64_t(0));
    QVERIFY(!mpeg.Id3v1().Present());
    QVERIFY(!mpeg.Id3v2().Present());
    QCOMPARE(mpeg.Duration(), 0.0);
    QCOMPARE(mpeg.FrameCount(), 0);
    QCOMPARE(mpeg.FrameLength(), std::uint16_t(0));
    QCOMPARE(mpeg.EncoderIndex(), 0);

    QVERIFY(!load(mpeg, frames(Header(), 100, 1))); // shorter than 128 bytes: the tag readers fail
    QVERIFY(!mpeg.FirstFrame().Found);
    QVERIFY(!mpeg.Load(path("missing.mp3").toStdString()));
}

// Where an encoder string near the end is found: the search looks back from 8 bytes before the end of
// the audio over twice the frame length.
void TestMpegAudio::tailVendor_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("fromEnd");
    QTest::addColumn<bool>("id3v1");
    QTest::addColumn<QString>("vendor");
    QTest::addColumn<QString>("encoderName");

    QTest::newRow("LAME at the very end") << QByteArray("LAME3.90") << 8 << false << "LAME3.90"
                                          << "LAME 3.90";
    QTest::newRow("LAME before an ID3v1 tag") << QByteArray("LAME3.97") << 8 << true << "LAME3.97"
                                              << "LAME 3.97";
    QTest::newRow("LAME at the search's far end")
        << QByteArray("LAME3.98") << 8 + 2 * Length128 << false << "LAME3.98"
        << "LAME 3.98";
    QTest::newRow("LAME one byte too far back") << QByteArray("LAME3.98") << 9 + 2 * Length128 << false << ""
                                                << "Blade";
    QTest::newRow("LAME without version") << QByteArray("LAMEX.YZ") << 100 << false << "LAMEX.YZ"
                                          << "LAME";
    QTest::newRow("GOGO") << QByteArray("GOGO") << 50 << false << "GOGO"
                          << "GoGo";
    QTest::newRow("last bytes only partly LAME") << QByteArray("LAM") << 3 << false << ""
                                                 << "Blade";
}

void TestMpegAudio::tailVendor() {
    QFETCH(QByteArray, text);
    QFETCH(int, fromEnd);
    QFETCH(bool, id3v1);
    QByteArray audio = frames(Header(), Length128, 30);
    audio.replace(audio.size() - fromEnd, text.size(), text);
    TMPEGaudio mpeg;
    QVERIFY(load(mpeg, id3v1 ? audio + V1Block().b : audio));
    QTEST(QString::fromStdString(mpeg.TailVendor()), "vendor");
    QTEST(QString::fromStdString(mpeg.EncoderName()), "encoderName");
}

void TestMpegAudio::encoderGuess_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("bitrateIndex");
    QTest::addColumn<bool>("crc");
    QTest::addColumn<bool>("copyright");
    QTest::addColumn<bool>("original");
    QTest::addColumn<bool>("blankSideInfo");
    QTest::addColumn<int>("encoder");

    QTest::newRow("nothing special: FhG") << 1 << 11 << false << false << false << false << 2;
    QTest::newRow("original and CRC: LAME") << 1 << 11 << true << false << true << false << 3;
    QTest::newRow("stereo up to 160k: Blade") << 0 << 10 << false << false << false << false << 4;
    QTest::newRow("stereo above 160k: FhG") << 0 << 11 << false << false << false << false << 2;
    QTest::newRow("Blade overrides LAME") << 0 << 10 << true << false << true << false << 4;
    QTest::newRow("copyright and original, no CRC: Xing") << 1 << 11 << false << true << true << false << 1;
    QTest::newRow("blank side info and original: Xing") << 1 << 11 << true << false << true << true << 1;
    QTest::newRow("blank side info alone: FhG") << 1 << 11 << false << false << false << true << 2;
    QTest::newRow("dual channel with CRC: Shine") << 2 << 11 << true << false << false << false << 6;
    QTest::newRow("dual channel without CRC: FhG") << 2 << 11 << false << false << false << false << 2;
}

void TestMpegAudio::encoderGuess() {
    QFETCH(int, mode);
    QFETCH(int, bitrateIndex);
    QFETCH(bool, crc);
    QFETCH(bool, copyright);
    QFETCH(bool, original);
    QFETCH(bool, blankSideInfo);
    Header h;
    h.mode = mode;
    h.bitrateIndex = bitrateIndex;
    h.crc = crc;
    h.copyright = copyright;
    h.original = original;
    const QByteArray b = h.bytes();
    const int length = TMPEGaudio::FrameLengthOf(
        TMPEGaudio::DecodeHeader(reinterpret_cast<const std::uint8_t*>(b.constData())));
    QByteArray audio = frames(h, length, 20);
    if (blankSideInfo)
        audio.replace(4, 6, QByteArray(6, '\0'));
    TMPEGaudio mpeg;
    QVERIFY(load(mpeg, audio));
    QCOMPARE(mpeg.FirstFrame().BlankSideInfo, blankSideInfo);
    QTEST(mpeg.EncoderIndex(), "encoder");
}

void TestMpegAudio::realFiles() {
    if (!HaveTool("sox") || !HaveTool("lame"))
        QSKIP("sox and lame are needed");
    const QString wav = path("sine.wav");
    QVERIFY(Run("sox", {"-n", "-r", "44100", "-c", "2", wav, "synth", "2", "sine", "440"}));
    const QString vbr = path("vbr.mp3");
    const QString cbr = path("cbr.mp3");
    const QString bare = path("bare.mp3");
    QVERIFY(Run("lame", {"--quiet", "-V", "4", "--add-id3v2", "--tt", "Title", "--ta",
                         QString::fromUtf8("\xE6\x97\xA5\xE6\x9C\xAC"), wav, vbr}));
    QVERIFY(Run("lame", {"--quiet", "-b", "128", wav, cbr}));
    QVERIFY(Run("lame", {"--quiet", "-b", "96", "-t", "-m", "m", wav, bare}));

    TMPEGaudio mpeg;
    QVERIFY(mpeg.Load(vbr.toStdString()));
    QVERIFY(mpeg.Vbr().Found);
    QCOMPARE(mpeg.Vbr().Kind, std::string("Xing"));
    QCOMPARE(mpeg.EncoderName(), std::string("LAME 3.10")); // "LAME3.100": the first eight characters
    QCOMPARE(mpeg.SampleRate(), std::uint16_t(44100));
    QVERIFY2(std::abs(mpeg.Duration() - 2.0) < 0.1, QByteArray::number(mpeg.Duration()));
    QVERIFY(mpeg.Id3v2().Present());
    QCOMPARE(mpeg.Id3v2().Title(), std::string("Title"));
    QCOMPARE(mpeg.Id3v2().Artist(), std::string("\xE6\x97\xA5\xE6\x9C\xAC")); // lame writes it as UTF-16

    // LAME marks a CBR file with an "Info" header, which is not a Xing header: the bytes give the length.
    QVERIFY(mpeg.Load(cbr.toStdString()));
    QVERIFY(!mpeg.Vbr().Found);
    QCOMPARE(mpeg.Bitrate(), std::uint16_t(128));
    QCOMPARE(mpeg.Duration(), mpeg.FileSize() * 8.0 / 128000);
    QVERIFY(std::abs(mpeg.Duration() - 2.0) < 0.1);
    QCOMPARE(mpeg.ChannelModeName(), std::string("Joint Stereo"));

    QVERIFY(mpeg.Load(bare.toStdString()));
    QVERIFY(!mpeg.Vbr().Found);
    QCOMPARE(mpeg.Bitrate(), std::uint16_t(96));
    QCOMPARE(mpeg.ChannelModeName(), std::string("Mono"));
    QCOMPARE(mpeg.FrameCount(), int(mpeg.FileSize() / mpeg.FrameLength()));
}

QTEST_GUILESS_MAIN(TestMpegAudio)
#include "tst_mpegaudio.moc"
