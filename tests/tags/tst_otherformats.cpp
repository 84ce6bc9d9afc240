// The WAV, Ogg Vorbis and WMA header readers: byte-built edge cases, damaged input and real files.
#include "OtherFormatFixtures.h"
#include "TagTestFiles.h"

#include "FileBytes.h"
#include "TOggVorbis.h"
#include "TWAVfile.h"
#include "TWMAfile.h"
#include "TextConvert.h"

#include <QDir>
#include <QTest>

#include <cmath>
#include <sys/stat.h>

using namespace larkspin;
using namespace fixtures;

Q_DECLARE_METATYPE(std::string)

namespace {

FileBytes Mem(const std::string& data) {
    return FileBytes::FromMemory(data);
}

// A Vorbis file whose comment header is spread over pages of pageSegments lacing values each (255
// bytes a value), so page borders fall inside comments, as in files with many or long comments.
std::string VorbisOverPages(const std::vector<std::string>& comments, size_t pageSegments) {
    uint32_t sequence = 0;
    std::string s = OggPacketPages(VorbisIdPacket(2, 44100, 128000), sequence);
    s += OggPacketPages(VorbisCommentPacket("vendor", comments), sequence, pageSegments);
    return s + OggLacedPage(std::string(100, 'z'), {100}, 4, 441000, sequence++);
}

// ARTIST first, n NOTE comments, TITLE and TRACKNUMBER last.
std::vector<std::string> ManyComments(int n) {
    std::vector<std::string> c{"ARTIST=First"};
    for (int i = 0; i < n; ++i)
        c.push_back("NOTE=" + std::to_string(i));
    c.push_back("TITLE=Last");
    c.push_back("TRACKNUMBER=9");
    return c;
}

} // namespace

class TestOtherFormats : public QObject {
    Q_OBJECT

private slots:
    void wavHeader_data();
    void wavHeader();
    void wavLoadsFromDiskAndFailsOnMissingFile();

    void oggHeaderAndDuration_data();
    void oggHeaderAndDuration();
    void oggComments_data();
    void oggComments();
    void oggDamagedCommentHeaderKeepsWhatWasRead();
    void oggCommentHeaderOverPages_data();
    void oggCommentHeaderOverPages();
    void oggManyCommentsInFewReads();

    void wmaHeader_data();
    void wmaHeader();
    void wmaTexts();
    void wmaDamagedHeaders_data();
    void wmaDamagedHeaders();
    void wmaLargeHeaderInFewReads();

    void realWavFiles_data();
    void realWavFiles();
    void realOggFiles();
    void realWmaFiles();

    void keptInputs_data();
    void keptInputs();
};

// ---- WAV ---------------------------------------------------------------------------------------------

void TestOtherFormats::wavHeader_data() {
    QTest::addColumn<std::string>("bytes");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<int>("bits");
    QTest::addColumn<qint64>("fileSize");
    QTest::addColumn<double>("duration");

    // 1,764,044 bytes at 44100 Hz, 16 bits, stereo: exactly ten seconds.
    QTest::newRow("ten seconds") << Wav(2, 44100, 16, 1764000) << true << true << 2 << 44100 << 16
                                 << qint64(1764044) << 10.0;
    QTest::newRow("mono 8 bit") << Wav(1, 8000, 8, 8000) << true << true << 1 << 8000 << 8 << qint64(8044)
                                << 1.0;
    // The stored rate is 32 bits; only its low 16 bits are kept.
    QTest::newRow("96 kHz wraps") << Wav(2, 96000, 16, 384000) << true << true << 2 << 30464 << 16
                                  << qint64(384044) << 384000.0 * 8 / 30464 / 16 / 2;
    QTest::newRow("three channels") << Wav(3, 44100, 16, 100) << true << false << 0 << 0 << 0 << qint64(0)
                                    << 0.0;
    QTest::newRow("no channels") << Wav(0, 44100, 16, 100) << true << false << 0 << 0 << 0 << qint64(0)
                                 << 0.0;
    QTest::newRow("43 bytes") << Wav(2, 44100, 16, 0).substr(0, 43) << false << false << 0 << 0 << 0
                              << qint64(0) << 0.0;
    std::string rifx = Wav(2, 44100, 16, 100);
    rifx[3] = 'X';
    QTest::newRow("RIFX") << rifx << true << false << 0 << 0 << 0 << qint64(0) << 0.0;
    std::string noFmt = Wav(2, 44100, 16, 100);
    noFmt.replace(12, 4, "junk");
    QTest::newRow("no fmt at 12") << noFmt << true << false << 0 << 0 << 0 << qint64(0) << 0.0;
    // The format tag is not examined: an A-law header reads like PCM.
    std::string alaw = Wav(1, 8000, 8, 8000);
    alaw[20] = 6;
    QTest::newRow("format tag ignored") << alaw << true << true << 1 << 8000 << 8 << qint64(8044) << 1.0;
    // A LIST chunk where data usually is: the audio is still counted from byte 44.
    std::string list = Wav(2, 1000, 16, 4000);
    list.replace(36, 4, "LIST");
    QTest::newRow("data chunk elsewhere") << list << true << true << 2 << 1000 << 16 << qint64(4044) << 1.0;
    // A RIFF size below 36 would give a negative length: it gives none.
    QTest::newRow("riff size 8") << Wav(2, 44100, 16, 100, 8) << true << true << 2 << 44100 << 16
                                 << qint64(16) << 0.0;
    // A zero rate or sample width must not divide by zero.
    QTest::newRow("rate 0") << Wav(2, 0, 16, 100) << true << true << 2 << 0 << 16 << qint64(144) << 0.0;
    QTest::newRow("65536 Hz wraps to 0")
        << Wav(2, 65536, 16, 100) << true << true << 2 << 0 << 16 << qint64(144) << 0.0;
    QTest::newRow("0 bits") << Wav(2, 44100, 0, 100) << true << true << 2 << 44100 << 0 << qint64(144) << 0.0;
    // Streamed WAV (the size unknown when the header was written): the size comes from the file.
    QTest::newRow("riff size 0xFFFFFFFF")
        << Wav(1, 8000, 8, 8000, 0xFFFFFFFFLL) << true << true << 1 << 8000 << 8 << qint64(8044) << 1.0;
    QTest::newRow("riff size beyond the file")
        << Wav(2, 1000, 16, 4000, 1000000) << true << true << 2 << 1000 << 16 << qint64(4044) << 1.0;
}

void TestOtherFormats::wavHeader() {
    QFETCH(std::string, bytes);
    QFETCH(bool, loaded);
    QFETCH(bool, valid);
    QFETCH(int, channels);
    QFETCH(int, sampleRate);
    QFETCH(int, bits);
    QFETCH(qint64, fileSize);
    QFETCH(double, duration);

    TWAVfile wav;
    QCOMPARE(wav.Load(Mem(bytes)), loaded);
    QCOMPARE(wav.Valid, valid);
    QCOMPARE(int(wav.Channels), channels);
    QCOMPARE(int(wav.SampleRate), sampleRate);
    QCOMPARE(int(wav.BitsPerSample), bits);
    QCOMPARE(qint64(wav.FileSize), fileSize);
    QVERIFY2(std::abs(wav.Duration - duration) < 1e-9, std::to_string(wav.Duration).c_str());
    QCOMPARE(QString::fromStdString(wav.ChannelModeName()), channels == 0   ? QString("Unknown")
                                                            : channels == 1 ? QString("Mono")
                                                                            : QString("Stereo"));
}

void TestOtherFormats::wavLoadsFromDiskAndFailsOnMissingFile() {
    QTemporaryDir dir;
    const std::string path = dir.filePath("a.wav").toStdString();
    QFile f(QString::fromStdString(path));
    QVERIFY(f.open(QIODevice::WriteOnly));
    const std::string bytes = Wav(2, 44100, 16, 1764000);
    f.write(bytes.data(), qint64(bytes.size()));
    f.close();

    TWAVfile wav;
    QVERIFY(wav.Load(path));
    QCOMPARE(wav.Duration, 10.0);
    // A failed load leaves the cleared state behind, not the previous file's values.
    QVERIFY(!wav.Load(dir.filePath("missing.wav").toStdString()));
    QVERIFY(!wav.Valid);
    QCOMPARE(wav.FileSize, 0);
    QVERIFY(!wav.Load(dir.path().toStdString())); // a folder is not a file
    // A FIFO is not opened: reading it would block.
    const std::string pipe = dir.filePath("pipe.wav").toStdString();
    QCOMPARE(::mkfifo(pipe.c_str(), 0600), 0);
    QVERIFY(!wav.Load(pipe));
    QVERIFY(!TOggVorbis().Load(pipe));
    QVERIFY(!TWMAfile().Load(pipe));
}

// ---- Ogg Vorbis ------------------------------------------------------------------------------------

void TestOtherFormats::oggHeaderAndDuration_data() {
    QTest::addColumn<std::string>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<int>("nominal");
    QTest::addColumn<uint>("samples");
    QTest::addColumn<double>("duration");

    const std::string tenSeconds = Ogg(2, 44100, 128000, {}, 441000);
    QTest::newRow("granule gives ten seconds") << tenSeconds << true << 2 << 44100 << 128 << 441000u << 10.0;
    QTest::newRow("mono 8 kHz") << Ogg(1, 8000, 16000, {}, 8000) << true << 1 << 8000 << 16 << 8000u << 1.0;
    // A rate outside 8000 to 48000 counts as 0, and with a granule found the length is then 0.
    QTest::newRow("96 kHz") << Ogg(2, 96000, 128000, {}, 96000) << true << 2 << 0 << 128 << 96000u << 0.0;
    QTest::newRow("three channels") << Ogg(3, 44100, 128000, {}, 44100) << true << 0 << 44100 << 128 << 44100u
                                    << 1.0;
    QTest::newRow("nominal below 16 kbit/s")
        << Ogg(2, 44100, 15999, {}, 44100) << true << 2 << 44100 << 0 << 44100u << 1.0;
    QTest::newRow("nominal 350 kbit/s")
        << Ogg(2, 44100, 350999, {}, 44100) << true << 2 << 44100 << 350 << 44100u << 1.0;
    QTest::newRow("nominal -1") << Ogg(2, 44100, -1, {}, 44100) << true << 2 << 44100 << 0 << 44100u << 1.0;
    // Without a page in the last 12010 bytes the nominal bit rate gives the length.
    const std::string noTail = Ogg(2, 44100, 128000, {}, 0, 13000, false);
    QTest::newRow("no last page") << noTail << true << 2 << 44100 << 128 << 0u
                                  << double(noTail.size()) / 128 / 2 / 125 * 2;
    const std::string noTailNoRate = Ogg(2, 44100, 0, {}, 0, 13000, false);
    QTest::newRow("no last page, no nominal") << noTailNoRate << true << 2 << 44100 << 0 << 0u << 0.0;
    // The last page lies just inside the searched 12010 bytes.
    std::string farPage = Ogg(2, 44100, 128000, {}, 0, 2000, false) + OggPage("", 4, 88200, 2);
    farPage.append(12010 - 27 - 1, 'z');
    QTest::newRow("page 12010 bytes from the end") << farPage << true << 2 << 44100 << 128 << 88200u << 2.0;
    std::string tooFar = Ogg(2, 44100, 0, {}, 0, 2000, false) + OggPage("", 4, 88200, 2);
    tooFar.append(12010 - 27 + 10, 'z');
    QTest::newRow("page beyond the searched end") << tooFar << true << 2 << 44100 << 0 << 0u << 0.0;
    // Only the low 32 bits of the granule position count.
    QTest::newRow("granule high half")
        << Ogg(2, 44100, 0, {}, 0x100000000ULL + 44100) << true << 2 << 44100 << 0 << 44100u << 1.0;
    std::string notVorbis = tenSeconds;
    notVorbis.replace(29, 6, "theora");
    QTest::newRow("not vorbis") << notVorbis << false << 0 << 0 << 0 << 0u << 0.0;
}

void TestOtherFormats::oggHeaderAndDuration() {
    QFETCH(std::string, bytes);
    QFETCH(bool, valid);
    QFETCH(int, channels);
    QFETCH(int, sampleRate);
    QFETCH(int, nominal);
    QFETCH(uint, samples);
    QFETCH(double, duration);

    TOggVorbis ogg;
    QVERIFY(ogg.Load(Mem(bytes)));
    QCOMPARE(ogg.Valid, valid);
    QCOMPARE(int(ogg.Channels), channels);
    QCOMPARE(int(ogg.SampleRate), sampleRate);
    QCOMPARE(int(ogg.NominalBitrate), nominal);
    QCOMPARE(uint(ogg.Samples), samples);
    QVERIFY2(std::abs(ogg.Duration - duration) < 1e-9, std::to_string(ogg.Duration).c_str());
    if (valid) {
        QCOMPARE(ogg.FileSize, int64_t(bytes.size()));
        const uint32_t expected = duration > 0 ? uint32_t(std::nearbyint(bytes.size() / duration / 125)) : 0;
        QCOMPARE(ogg.AverageBitrate(), expected);
    } else {
        QCOMPARE(ogg.FileSize, 0);
    }
}

void TestOtherFormats::oggComments_data() {
    QTest::addColumn<std::vector<std::string>>("comments");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<int>("track");
    QTest::addColumn<QString>("vendor");

    using V = std::vector<std::string>;
    QTest::newRow("all seven names") << V{"TITLE=T",   "ARTIST=A", "ALBUM=B",  "TRACKNUMBER=4",
                                          "DATE=1999", "GENRE=G",  "COMMENT=C"}
                                     << "T"
                                     << "A" << 4 << "test vendor";
    QTest::newRow("names compared upper-cased") << V{"title=t", "Artist=a", "tracknumber=07"} << "t"
                                                << "a" << 7 << "test vendor";
    QTest::newRow("later name wins") << V{"ARTIST=first", "ARTIST=second"} << ""
                                     << "second" << 0 << "test vendor";
    QTest::newRow("value keeps later =") << V{"TITLE=a=b"} << "a=b"
                                         << "" << 0 << "test vendor";
    QTest::newRow("name with a space does not match") << V{"TITLE =x"} << ""
                                                      << "" << 0 << "test vendor";
    QTest::newRow("track 3/12") << V{"TRACKNUMBER=3/12"} << ""
                                << "" << 3 << "test vendor";
    QTest::newRow("track trimmed") << V{"TRACKNUMBER= 5 /9"} << ""
                                   << "" << 5 << "test vendor";
    QTest::newRow("track 300 wraps") << V{"TRACKNUMBER=300"} << ""
                                     << "" << 44 << "test vendor";
    // A sign is read as in ID3v2's TRCK.
    QTest::newRow("track with a plus sign") << V{"TRACKNUMBER=+4"} << ""
                                            << "" << 4 << "test vendor";
    QTest::newRow("track -1 wraps like ID3v2") << V{"TRACKNUMBER=-1"} << ""
                                               << "" << 255 << "test vendor";
    QTest::newRow("track letters") << V{"TRACKNUMBER=five"} << ""
                                   << "" << 0 << "test vendor";
    QTest::newRow("track too large") << V{"TRACKNUMBER=99999999999"} << ""
                                     << "" << 0 << "test vendor";
    QTest::newRow("four-byte UTF-8 kept")
        << V{"TITLE=Song \xF0\x9F\x8E\xB5 \xE6\x97\xA5"}
        << QString::fromUtf8("Song \xF0\x9F\x8E\xB5 \xE6\x97\xA5") << "" << 0 << "test vendor";
    // Decoding stops at the first malformed or cut-off sequence; the rest of that value is dropped.
    QTest::newRow("malformed sequence") << V{"TITLE=ab\xC3(cd", "ARTIST=ok"} << "ab"
                                        << "ok" << 0 << "test vendor";
    QTest::newRow("lone continuation byte") << V{"TITLE=\x80xyz"} << ""
                                            << "" << 0 << "test vendor";
    QTest::newRow("cut-off sequence") << V{"TITLE=ab\xE2\x82"} << "ab"
                                      << "" << 0 << "test vendor";
    QTest::newRow("overlong form") << V{"TITLE=a\xC0\xAF"} << "a"
                                   << "" << 0 << "test vendor";
    QTest::newRow("surrogate") << V{"TITLE=a\xED\xA0\x80"} << "a"
                               << "" << 0 << "test vendor";
    // Only the first 250 bytes of a string count; the next string is still found.
    QTest::newRow("long value") << V{"TITLE=" + std::string(300, 'x'), "ARTIST=after"}
                                << QString(250 - 6, 'x') << "after" << 0 << "test vendor";
    // A cut at 250 bytes that splits a character drops the partial character.
    QTest::newRow("cut inside a character")
        << V{"TITLE=" + std::string(243, 'x') + "\xC3\xA9"} << QString(243, 'x') << "" << 0 << "test vendor";
    QTest::newRow("no = keeps the vendor") << V{"stray text"} << ""
                                           << "" << 0 << "test vendor";
}

void TestOtherFormats::oggComments() {
    QFETCH(std::vector<std::string>, comments);
    QFETCH(QString, title);
    QFETCH(QString, artist);
    QFETCH(int, track);
    QFETCH(QString, vendor);

    TOggVorbis ogg;
    QVERIFY(ogg.Load(Mem(Ogg(2, 44100, 128000, comments, 44100))));
    QVERIFY(ogg.Valid);
    QCOMPARE(QString::fromStdString(ogg.Title), title);
    QCOMPARE(QString::fromStdString(ogg.Artist), artist);
    QCOMPARE(int(ogg.Track), track);
    QCOMPARE(QString::fromStdString(ogg.Vendor), vendor);
    if (comments.size() == 7) {
        QCOMPARE(ogg.Album, std::string("B"));
        QCOMPARE(ogg.Year, std::string("1999"));
        QCOMPARE(ogg.Genre, std::string("G"));
        QCOMPARE(ogg.Comment, std::string("C"));
    }
}

void TestOtherFormats::oggDamagedCommentHeaderKeepsWhatWasRead() {
    // Empty vendor: a later string without "=" becomes the vendor.
    std::string s = OggPage(VorbisIdPacket(2, 44100, 128000), 2, 0, 0);
    std::string packet = "\x03vorbis";
    PutLE32(packet, 0);
    PutLE32(packet, 0xFFFFFFFF); // a count far beyond the strings present
    for (const char* c : {"ARTIST=kept", "late vendor", "TITLE=also kept"}) {
        PutLE32(packet, uint32_t(strlen(c)));
        packet += c;
    }
    PutLE32(packet, 0x7FFFFFF0); // runs far past the end of the packet: what the packet holds is kept
    packet += "TITLE=last";
    s += OggPage(packet, 0, 0, 1) + std::string(300, 'a') + OggPage("zz", 4, 44100, 2);

    TOggVorbis ogg;
    QVERIFY(ogg.Load(Mem(s)));
    QVERIFY(ogg.Valid);
    QCOMPARE(ogg.Artist, std::string("kept"));
    // The bytes behind the comment packet's page are not comments.
    QCOMPARE(ogg.Title, std::string("last"));
    QCOMPARE(ogg.Vendor, std::string("late vendor"));
    QCOMPARE(ogg.Samples, 44100u);
    QCOMPARE(ogg.Problem, std::string("comment 4 runs past the end of the comment header"));

    // A comment header behind bytes that are not an Ogg page is not read at all.
    std::string late = OggPage(VorbisIdPacket(2, 44100, 128000), 2, 0, 0) + std::string(300, 'p') +
                       OggPage(VorbisCommentPacket("v", {"TITLE=x"}), 0, 0, 1);
    QVERIFY(ogg.Load(Mem(late)));
    QVERIFY(ogg.Valid);
    QVERIFY(ogg.Title.empty());
    QVERIFY(ogg.Vendor.empty());
    QCOMPARE(ogg.Problem, std::string("the comment header: no Ogg page at byte 58"));

    // Fewer than 58 bytes: the identification packet cannot be read.
    QVERIFY(!ogg.Load(Mem(s.substr(0, 57))));
    QVERIFY(!ogg.Valid);
    QVERIFY(ogg.Artist.empty());
    QVERIFY(ogg.Load(Mem(s.substr(0, 58))));
    QVERIFY(ogg.Valid);
}

// The comment header read as the stream's second packet, over however many pages it spans: intact, cut
// off, with a damaged page, and larger than the bound. A fault keeps the comments before it and is named.
void TestOtherFormats::oggCommentHeaderOverPages_data() {
    QTest::addColumn<std::string>("bytes");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("track");
    QTest::addColumn<QString>("problem"); // the start of Problem

    const std::string many = VorbisOverPages(ManyComments(20000), 255);
    QTest::newRow("20000 comments over pages") << many << "Last" << 9 << "";
    QTest::newRow("small pages, borders inside comments")
        << VorbisOverPages(ManyComments(3000), 3) << "Last" << 9 << "";
    QTest::newRow("long value over three pages")
        << VorbisOverPages({"ARTIST=First", "COMMENT=" + std::string(200000, 'c'), "TITLE=Last"}, 255)
        << "Last" << 0 << "";
    QTest::newRow("cut inside the comment header")
        << many.substr(0, many.size() / 2) << "" << 0 << "the comment header: the Ogg page at byte";
    std::string damaged = many;
    const size_t second = damaged.find("OggS", damaged.find("OggS", 28) + 4);
    damaged.replace(second, 4, "Oggs");
    QTest::newRow("damaged page inside the comment header")
        << damaged << "" << 0 << "the comment header: no Ogg page at byte " + QString::number(second);
    // Beyond MaxTagBlockBytes the packet is not read further.
    QTest::newRow("larger than 16 MiB")
        << VorbisOverPages({"ARTIST=First", "COMMENT=" + std::string(MaxTagBlockBytes, 'c'), "TITLE=Last"},
                           255)
        << "" << 0 << "the comment header: a packet is larger than 16 MiB";
    QTest::newRow("count beyond the comments")
        << VorbisOverPages({"ARTIST=First", "TITLE=Last"}, 255)
               .replace(28 + 30 + 28 + 7 + 4 + 6, 4, std::string("\xFF\xFF\x00\x00", 4))
        << "Last" << 0 << "the comment header ends after 2 of 65535 comments";
}

void TestOtherFormats::oggCommentHeaderOverPages() {
    QFETCH(std::string, bytes);
    QFETCH(QString, title);
    QFETCH(int, track);
    QFETCH(QString, problem);

    TOggVorbis ogg;
    QVERIFY(ogg.Load(Mem(bytes)));
    QVERIFY(ogg.Valid);
    QCOMPARE(ogg.Artist, std::string("First"));
    QCOMPARE(QString::fromStdString(ogg.Title), title);
    QCOMPARE(ogg.Track, track);
    QVERIFY2(problem.isEmpty() ? ogg.Problem.empty()
                               : QString::fromStdString(ogg.Problem).startsWith(problem),
             ogg.Problem.c_str());
    QCOMPARE(ogg.Vendor, std::string("vendor"));
}

// The comment header of a file on disk comes in a few large reads, not one or two per comment.
void TestOtherFormats::oggManyCommentsInFewReads() {
    QTemporaryDir dir;
    const QString path = dir.filePath("many.ogg");
    const std::string bytes = VorbisOverPages(ManyComments(30000), 255);
    QVERIFY(bytes.size() > 300000);
    QVERIFY(writeFile(path, bytes));
    FileBytes file;
    QVERIFY(file.Open(path.toStdString(), 8 * 1024, 12 * 1024));
    TOggVorbis ogg;
    QVERIFY(ogg.Load(file));
    QCOMPARE(ogg.Title, std::string("Last"));
    QCOMPARE(ogg.Duration, 10.0);
    QVERIFY2(file.FileReads() <= 8, std::to_string(file.FileReads()).c_str());
}

// ---- WMA ---------------------------------------------------------------------------------------------

void TestOtherFormats::wmaHeader_data() {
    QTest::addColumn<std::string>("bytes");
    QTest::addColumn<bool>("valid");

    QTest::newRow("plausible") << PlausibleAsf() << true;
    QTest::newRow("max bitrate 0") << PlausibleAsf({}, 0) << false;
    QTest::newRow("max bitrate 319999") << PlausibleAsf({}, 319999) << true;
    QTest::newRow("max bitrate 320000") << PlausibleAsf({}, 320000) << false;
    QTest::newRow("three channels") << Asf({FileProperties(64000), StreamProperties(3, 44100, 8000)})
                                    << false;
    QTest::newRow("rate 7999") << Asf({FileProperties(64000), StreamProperties(2, 7999, 8000)}) << false;
    QTest::newRow("rate 96000") << Asf({FileProperties(64000), StreamProperties(2, 96000, 8000)}) << true;
    QTest::newRow("rate 96001") << Asf({FileProperties(64000), StreamProperties(2, 96001, 8000)}) << false;
    QTest::newRow("39999 bytes/s") << Asf({FileProperties(64000), StreamProperties(1, 8000, 39999)}) << true;
    QTest::newRow("40000 bytes/s") << Asf({FileProperties(64000), StreamProperties(1, 8000, 40000)}) << false;
    QTest::newRow("no stream properties") << Asf({FileProperties(64000)}) << false;
    QTest::newRow("not ASF") << std::string(100, 'x') << false;
}

void TestOtherFormats::wmaHeader() {
    QFETCH(std::string, bytes);
    QFETCH(bool, valid);

    TWMAfile wma;
    QVERIFY(wma.Load(Mem(bytes)));
    QCOMPARE(wma.Valid, valid);
    if (!valid) {
        QCOMPARE(wma.FileSize, 0);
        QCOMPARE(wma.Duration, 0.0);
        return;
    }
    QCOMPARE(wma.FileSize, int64_t(bytes.size()));
    // Length from the file size and the maximum bit rate; bit rate from the average bytes per second.
    FileBytes file = Mem(bytes);
    uint8_t b[4];
    QVERIFY(file.Read(30 + 100, 4, b) == 4);
    const uint32_t maxBitrate = b[0] | b[1] << 8 | b[2] << 16 | uint32_t(b[3]) << 24;
    QCOMPARE(wma.Duration, double(bytes.size()) * 8 / maxBitrate);
}

void TestOtherFormats::wmaTexts() {
    using D = std::vector<Descriptor>;
    std::string dword;
    PutLE32(dword, 7);
    const std::string bytes = PlausibleAsf(
        {ContentDescription(u"  Old title ", u"\u0410\u0432\u0442\u043e\u0440", u"Comment\u00e9"),
         ExtendedContent(D{TextDescriptor(u"WM/AlbumTitle", u"Album \U0001F3B5"),
                           {u"WM/TRACK", 3, dword}, // a number of type DWORD is skipped
                           TextDescriptor(u"wm/year", u" 2001 "),
                           TextDescriptor(u"WM/Genre", u"Pop"),
                           TextDescriptor(u"WM/Title", u"New title"),
                           TextDescriptor(u"WM/TrackNumber", u"9"),
                           TextDescriptor(u" WM/Track ", u"12")})});
    TWMAfile wma;
    QVERIFY(wma.Load(Mem(bytes)));
    QVERIFY(wma.Valid);
    QCOMPARE(wma.Channels, 2);
    QCOMPARE(wma.SampleRate, 44100u);
    QCOMPARE(wma.Bitrate, 64u); // 8000 bytes/s
    // The extended descriptors come after the content description and replace its title.
    QCOMPARE(QString::fromStdString(wma.Title), QString("New title"));
    QCOMPARE(QString::fromStdString(wma.Artist),
             QString::fromUtf8("\xD0\x90\xD0\xB2\xD1\x82\xD0\xBE\xD1\x80"));
    QCOMPARE(QString::fromStdString(wma.Comment), QString::fromUtf8("Comment\xC3\xA9"));
    QCOMPARE(QString::fromStdString(wma.Album), QString::fromUtf8("Album \xF0\x9F\x8E\xB5"));
    QCOMPARE(QString::fromStdString(wma.Year), QString("2001"));
    QCOMPARE(QString::fromStdString(wma.Genre), QString("Pop"));
    // Only the name WM/Track counts (after trimming); WM/TrackNumber is another name.
    QCOMPARE(wma.Track, 12);

    // Strings of more than 500 bytes keep their first 250 characters; an odd length loses its last byte.
    std::u16string longTitle(300, u'x');
    const std::string odd("O\0d\0d\0X", 7); // "Odd" and a lone byte
    const std::string more =
        PlausibleAsf({ExtendedContent(D{{u"WM/Title", 0, Utf16z(longTitle)}, {u"WM/Genre", 0, odd}})});
    QVERIFY(wma.Load(Mem(more)));
    QCOMPARE(wma.Title, std::string(250, 'x'));
    QCOMPARE(wma.Genre, std::string("Odd"));
    // A sign is read as in ID3v2's TRCK.
    TWMAfile signed_;
    QVERIFY(signed_.Load(Mem(PlausibleAsf({ExtendedContent(D{TextDescriptor(u"WM/Track", u"+5")})}))));
    QCOMPARE(signed_.Track, 5);
}

void TestOtherFormats::wmaDamagedHeaders_data() {
    QTest::addColumn<std::string>("bytes");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("title");

    const std::string good = PlausibleAsf({ContentDescription(u"T", u"A", u"C")});
    QTest::newRow("intact") << good << true << true << "T";
    QTest::newRow("15 bytes") << good.substr(0, 15) << false << false << "";
    QTest::newRow("header cut in an object") << good.substr(0, 100) << false << false << "";

    // More objects announced than present: the scan runs past the data object to the end of the file.
    std::string moreObjects = good;
    moreObjects[24] = 9;
    QTest::newRow("count beyond the objects") << moreObjects << false << false << "";
    // A zero object size must not make the scan stand still.
    std::string zeroSize = Asf(
        {FileProperties(64000), StreamProperties(2, 44100, 8000), AsfObject(std::string(16, '\x11'), "")});
    zeroSize.replace(30 + 104 + 114 + 16, 8, std::string(8, '\0'));
    zeroSize[24] = '\xFF';
    zeroSize[25] = '\xFF';
    zeroSize[26] = '\xFF';
    zeroSize[27] = '\xFF';
    QTest::newRow("zero object size, huge count") << zeroSize << true << true << "";
    // Strings whose lengths run past their object: the object's fields are not taken, the scan goes on.
    std::string body;
    for (int k = 0; k < 5; ++k)
        PutLE16(body, 400);
    body += Utf16z(u"T");
    const std::string overlong = PlausibleAsf({AsfObject(ContentDescriptionGuid, body)});
    QTest::newRow("strings past their object") << overlong << true << true << "";
    // Descriptors counted beyond the object's end stop at the end.
    std::string ext = ExtendedContent({TextDescriptor(u"WM/Title", u"Kept")});
    ext[24] = '\xFF';
    ext[25] = '\xFF';
    QTest::newRow("descriptor count too large") << PlausibleAsf({ext}) << true << true << "Kept";
    // The last header object claims to run past the end of the file: read what is there.
    const std::string tail = ContentDescription(u"Tail", u"", u"");
    std::string pastEnd = Asf({FileProperties(64000), StreamProperties(2, 44100, 8000), tail}, 0);
    pastEnd.resize(pastEnd.size() - 24); // no data object
    pastEnd.replace(pastEnd.size() - tail.size() + 16, 4, std::string("\xFF\xFF\x00\x00", 4));
    QTest::newRow("object past the end") << pastEnd << true << true << "Tail";
}

void TestOtherFormats::wmaDamagedHeaders() {
    QFETCH(std::string, bytes);
    QFETCH(bool, loaded);
    QFETCH(bool, valid);
    QFETCH(QString, title);

    TWMAfile wma;
    QCOMPARE(wma.Load(Mem(bytes)), loaded);
    QCOMPARE(wma.Valid, valid);
    QCOMPARE(QString::fromStdString(wma.Title), title);
}

// A header larger than the cached head of the file (here 3000 descriptors before the title) comes in
// one read, not one or more per field.
void TestOtherFormats::wmaLargeHeaderInFewReads() {
    std::vector<Descriptor> many;
    for (int i = 0; i < 3000; ++i)
        many.push_back(TextDescriptor(u"WM/Note", u"some words"));
    many.push_back(TextDescriptor(u"WM/Title", u"Behind them"));
    many.push_back(TextDescriptor(u"WM/Track", u"5"));
    const std::string bytes = PlausibleAsf({ExtendedContent(many)});
    QVERIFY(bytes.size() > 100000);
    QTemporaryDir dir;
    const QString path = dir.filePath("large.wma");
    QVERIFY(writeFile(path, bytes));
    FileBytes file;
    QVERIFY(file.Open(path.toStdString(), 16 * 1024, 0));
    TWMAfile wma;
    QVERIFY(wma.Load(file));
    QVERIFY(wma.Valid);
    QCOMPARE(wma.Title, std::string("Behind them"));
    QCOMPARE(wma.Track, 5);
    QVERIFY2(file.FileReads() <= 3, std::to_string(file.FileReads()).c_str());
    // The same bytes from memory read alike.
    TWMAfile same;
    QVERIFY(same.Load(Mem(bytes)));
    QCOMPARE(same.Title, wma.Title);
}

// ---- Real files ----------------------------------------------------------------------------------------

void TestOtherFormats::realWavFiles_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<int>("bits");
    QTest::addColumn<double>("duration");

    // Where TagLib's values agree with ours (channels, rate, width, and the length of a file whose data
    // follows the 44-byte header) they are asserted as TagLib gives them.
    QTest::newRow("empty.wav") << "empty.wav" << true << true << 2 << 1000 << 16 << 3.675;
    QTest::newRow("float64.wav") << "float64.wav" << true << true << 2 << 44100 << 64
                                 << 68540 * 8.0 / 44100 / 128;
    QTest::newRow("duplicate_tags.wav")
        << "duplicate_tags.wav" << true << true << 2 << 1000 << 16 << 17008 * 8.0 / 1000 / 32;
    // Our rule counts every byte after the first 44 as audio, so chunks before or after the data
    // (fact, afsp, LIST) lengthen the file: TagLib gives 3.550 s, 2.937 s and 3.675 s here.
    QTest::newRow("alaw.wav: fact chunk counted")
        << "alaw.wav" << true << true << 2 << 8000 << 8 << 56814 * 8.0 / 8000 / 16;
    QTest::newRow("uint8we.wav: trailing chunks counted")
        << "uint8we.wav" << true << true << 2 << 8000 << 8 << 47196 * 8.0 / 8000 / 16;
    QTest::newRow("pcm_with_fact_chunk.wav: fact counted")
        << "pcm_with_fact_chunk.wav" << true << true << 2 << 1000 << 16 << 14712 * 8.0 / 1000 / 32;
    // Hostile files. The length comes from the RIFF size, not from the chunks TagLib walks.
    QTest::newRow("infloop.wav") << "infloop.wav" << true << true << 1 << 11025 << 8
                                 << 14207 * 8.0 / 11025 / 8;
    QTest::newRow("zero-size-chunk.wav: RIFF size 8 gives no length")
        << "zero-size-chunk.wav" << true << true << 2 << 44100 << 16 << 0.0;
    // Our rule needs the whole 44-byte header, which these files lack (TagLib opens them).
    QTest::newRow("segfault.wav: 30 bytes") << "segfault.wav" << false << false << 0 << 0 << 0 << 0.0;
    QTest::newRow("invalid-chunk.wav: 40 bytes")
        << "invalid-chunk.wav" << false << false << 0 << 0 << 0 << 0.0;
    // Only RIFF is read: an RF64 file is not valid.
    QTest::newRow("rf64.wav: RF64 is not RIFF") << "rf64.wav" << true << false << 0 << 0 << 0 << 0.0;
}

void TestOtherFormats::realWavFiles() {
    SKIP_WITHOUT_TAGLIB_FILES();
    QFETCH(QString, file);
    QFETCH(bool, loaded);
    QFETCH(bool, valid);
    QFETCH(int, channels);
    QFETCH(int, sampleRate);
    QFETCH(int, bits);
    QFETCH(double, duration);

    TWAVfile wav;
    QCOMPARE(wav.Load(TaglibPath(file)), loaded);
    QCOMPARE(wav.Valid, valid);
    QCOMPARE(int(wav.Channels), channels);
    QCOMPARE(int(wav.SampleRate), sampleRate);
    QCOMPARE(int(wav.BitsPerSample), bits);
    QVERIFY2(std::abs(wav.Duration - duration) < 1e-6, std::to_string(wav.Duration).c_str());
}

void TestOtherFormats::realOggFiles() {
    SKIP_WITHOUT_TAGLIB_FILES();
    TOggVorbis ogg;
    // empty.ogg: TagLib's channels, rate, nominal bit rate, length (162496 / 44100) and vendor.
    QVERIFY(ogg.Load(TaglibPath("empty.ogg")));
    QVERIFY(ogg.Valid);
    QCOMPARE(ogg.Channels, 2);
    QCOMPARE(ogg.SampleRate, 44100);
    QCOMPARE(ogg.NominalBitrate, 112);
    QCOMPARE(ogg.Samples, 162496u);
    QCOMPARE(qRound(ogg.Duration * 1000), 3685);
    QCOMPARE(ogg.Vendor, std::string("Xiph.Org libVorbis I 20050304"));
    QCOMPARE(ogg.FileSize, 4328);
    // Our bit rate is the file size over the length (TagLib says 1).
    QCOMPARE(ogg.AverageBitrate(), 9u);

    // lowercase-fields.ogg: names are compared upper-cased, as TagLib does.
    QVERIFY(ogg.Load(TaglibPath("lowercase-fields.ogg")));
    QCOMPARE(ogg.Title, std::string("TEST TITLE"));
    QCOMPARE(ogg.Artist, std::string("TEST ARTIST"));
    QCOMPARE(ogg.Samples, 162496u);

    // test.ogg: its fields have names outside the seven we read.
    QVERIFY(ogg.Load(TaglibPath("test.ogg")));
    QVERIFY(ogg.Valid);
    QVERIFY(ogg.Title.empty() && ogg.Artist.empty() && ogg.Comment.empty());
    QCOMPARE(ogg.Vendor, std::string("Xiph.Org libVorbis I 20050304"));

    // multiplex.ogg: the identification packet is looked for only at byte 28, where this file has its
    // Theora stream, so it is not valid for us (TagLib finds the Vorbis stream, "Paper Lights").
    QVERIFY(ogg.Load(TaglibPath("multiplex.ogg")));
    QVERIFY(!ogg.Valid);
    QVERIFY(ogg.Title.empty());

    // segfault.oga: an Ogg FLAC page with a lying segment table is not Vorbis.
    QVERIFY(ogg.Load(TaglibPath("segfault.oga")));
    QVERIFY(!ogg.Valid);

    // Files of other kinds are read without harm and are not Vorbis.
    for (const char* other : {"empty.wav", "silence-1.wma", "xing.mp3", "segfault.wav", "005411.id3"}) {
        TOggVorbis o;
        o.Load(TaglibPath(other));
        QVERIFY2(!o.Valid, other);
    }
}

void TestOtherFormats::realWmaFiles() {
    SKIP_WITHOUT_TAGLIB_FILES();
    TWMAfile wma;
    // silence-1.wma: channels, rate, bit rate (8001 * 8 / 1000) and title as TagLib asserts them.
    QVERIFY(wma.Load(TaglibPath("silence-1.wma")));
    QVERIFY(wma.Valid);
    QCOMPARE(wma.Channels, 2);
    QCOMPARE(wma.SampleRate, 48000u);
    QCOMPARE(wma.Bitrate, 64u);
    QCOMPARE(wma.Title, std::string("test"));
    QVERIFY(wma.Artist.empty());
    // Our length is the file size over the maximum bit rate, 35416 * 8 / 64685 (TagLib: 3.712 s).
    QCOMPARE(wma.Duration, 35416 * 8.0 / 64685);

    // real_example.wma: title, artist, album and genre as TagLib gives them. Its track is stored as
    // WM/TrackNumber; only WM/Track counts for us, so the track stays 0 (TagLib: 1).
    QVERIFY(wma.Load(TaglibPath("real_example.wma")));
    QVERIFY(wma.Valid);
    QCOMPARE(wma.Title, std::string("Wake Up, Get Up, Get Out There"));
    QCOMPARE(wma.Artist, std::string("Shoji Meguro"));
    QCOMPARE(wma.Album, std::string("Persona 5: Sounds of Rebellion"));
    QCOMPARE(wma.Genre, std::string("Alternative"));
    QCOMPARE(wma.Track, 0);
    QCOMPARE(wma.Channels, 2);
    QCOMPARE(wma.SampleRate, 44100u);
    QCOMPARE(wma.Bitrate, 128u); // 16002 * 8 / 1000

    // lossless.wma: 144000 average bytes per second fail the plausibility test (TagLib reads it).
    QVERIFY(wma.Load(TaglibPath("lossless.wma")));
    QVERIFY(!wma.Valid);
    QCOMPARE(wma.Bitrate, 0u);

    for (const char* other : {"empty.wav", "empty.ogg", "xing.mp3", "segfault.oga", "invalid-chunk.wav"}) {
        TWMAfile w;
        w.Load(TaglibPath(other));
        QVERIFY2(!w.Valid, other);
    }
}

// ---- Inputs that once made a reader fail ------------------------------------------------------------------

void TestOtherFormats::keptInputs_data() {
    QTest::addColumn<QString>("file");
    const QDir dir(QStringLiteral(LARKSPIN_SOURCE_DIR "/tests/tags/regressions"));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    if (names.isEmpty())
        QSKIP("no kept inputs");
    for (const QString& name : names)
        QTest::newRow(qPrintable(name)) << dir.filePath(name);
}

void TestOtherFormats::keptInputs() {
    QFETCH(QString, file);
    const std::string path = file.toStdString();
    FileBytes bytes;
    QVERIFY(bytes.Open(path));
    TWAVfile wav;
    wav.Load(bytes);
    QVERIFY(std::isfinite(wav.Duration) && wav.Duration >= 0);
    TOggVorbis ogg;
    ogg.Load(bytes);
    QVERIFY(std::isfinite(ogg.Duration) && ogg.Duration >= 0);
    for (const std::string* t :
         {&ogg.Title, &ogg.Artist, &ogg.Album, &ogg.Year, &ogg.Genre, &ogg.Comment, &ogg.Vendor})
        QVERIFY(IsValidUtf8(*t));
    TWMAfile wma;
    wma.Load(bytes);
    QVERIFY(std::isfinite(wma.Duration) && wma.Duration >= 0);
    for (const std::string* t : {&wma.Title, &wma.Artist, &wma.Album, &wma.Year, &wma.Genre, &wma.Comment})
        QVERIFY(IsValidUtf8(*t) && TrimControls(*t) == *t);
}

QTEST_APPLESS_MAIN(TestOtherFormats)
#include "tst_otherformats.moc"
