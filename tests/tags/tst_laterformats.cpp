// The FLAC, Ogg Opus and MP4 readers over byte-built files: the fields of each format, and damaged or
// hostile structure (sizes past their parent or the file, huge counts, pages of other streams).
#include "OtherFormatFixtures.h"

#include "FileBytes.h"
#include "TFLACfile.h"
#include "TMP4file.h"
#include "TOpusFile.h"
#include "TextConvert.h"

#include <QTest>

#include <cmath>

using namespace larkspin;
using namespace fixtures;

Q_DECLARE_METATYPE(std::string)

namespace {

// The fields compared in every row.
struct Shown {
    bool valid = false;
    double duration = 0;
    uint32_t rate = 0;
    int channels = 0;
    uint32_t bitrate = 0;
    QString title, artist;
    int track = 0;
    QString genre;
};

Shown ShownOf(const AudioTags& t) {
    return {t.Valid,
            t.Duration,
            t.SampleRate,
            t.Channels,
            t.Bitrate,
            QString::fromStdString(t.Title),
            QString::fromStdString(t.Artist),
            t.Track,
            QString::fromStdString(t.Genre)};
}

void Compare(const AudioTags& t, const Shown& e) {
    const Shown s = ShownOf(t);
    QCOMPARE(s.valid, e.valid);
    QVERIFY2(std::abs(s.duration - e.duration) < 1e-9, qPrintable(QString::number(s.duration)));
    QCOMPARE(s.rate, e.rate);
    QCOMPARE(s.channels, e.channels);
    QCOMPARE(s.bitrate, e.bitrate);
    QCOMPARE(s.title, e.title);
    QCOMPARE(s.artist, e.artist);
    QCOMPARE(s.track, e.track);
    QCOMPARE(s.genre, e.genre);
    QVERIFY(IsValidUtf8(t.Title) && IsValidUtf8(t.Artist) && IsValidUtf8(t.Comment));
}

std::string Bytes(const char* s, size_t n) {
    return std::string(s, n);
}

} // namespace

Q_DECLARE_METATYPE(Shown)

class TestLaterFormats : public QObject {
    Q_OBJECT

private slots:
    void flac_data();
    void flac();
    void flacPicture();
    void opus_data();
    void opus();
    void mp4_data();
    void mp4();
    void mp4Cover();
    void truncatedCopies();
};

void TestLaterFormats::flac_data() {
    QTest::addColumn<std::string>("bytes");
    QTest::addColumn<Shown>("shown");

    const std::string info = FlacBlock(0, StreamInfo(44100, 2, 16, 441000), false);
    const std::string comments =
        FlacBlock(4, VorbisComments({"TITLE=T", "ARTIST=A", "artist=B", "TRACKNUMBER=4/9"}), true);
    // 10000 bytes of audio in 10 seconds: 8 kbit/s.
    const Shown basic{true, 10.0, 44100, 2, 8, "T", "A / B", 4, ""};
    QTest::newRow("STREAMINFO and comments") << Flac({info, comments}) << basic;
    QTest::newRow("ID3v2 tag in front")
        << "ID3\x03" + std::string(5, '\0') + "\x0A" + std::string(10, '\0') + Flac({info, comments})
        << basic;
    QTest::newRow("comment block past the file ends the scan")
        << Flac({info, FlacBlock(4, VorbisComments({"TITLE=T"}), true, 0xFFFFFF)}, 100)
        << Shown{true, 10.0, 44100, 2, 0, "", "", 0, ""};
    QTest::newRow("no STREAMINFO") << Flac({comments}) << Shown{};
    QTest::newRow("comment count beyond the entries")
        << Flac({info, FlacBlock(4, VorbisComments({"TITLE=T"}, 4000000000u), true)})
        << Shown{true, 10.0, 44100, 2, 8, "T", "", 0, ""};
    std::string pastBlock = VorbisComments({"TITLE=T", "ARTIST=A"});
    pastBlock[pastBlock.size() - 12] = '\x7F'; // the second entry's length
    QTest::newRow("entry running past its block")
        << Flac({info, FlacBlock(4, pastBlock, true)}) << Shown{true, 10.0, 44100, 2, 8, "T", "", 0, ""};
    QTest::newRow("rate 0 gives no length")
        << Flac({FlacBlock(0, StreamInfo(0, 1, 8, 1000), true)}) << Shown{true, 0, 0, 1, 0, "", "", 0, ""};
    QTest::newRow("STREAMINFO too short") << Flac({FlacBlock(0, std::string(20, '\0'), true)}) << Shown{};
    QTest::newRow("not FLAC") << std::string("fLaX") + std::string(100, '\0') << Shown{};
    QTest::newRow("empty") << std::string() << Shown{};
}

void TestLaterFormats::flac() {
    QFETCH(std::string, bytes);
    QFETCH(Shown, shown);
    TFLACfile f;
    QVERIFY(f.Load(FileBytes::FromMemory(bytes)));
    Compare(f, shown);
}

void TestLaterFormats::flacPicture() {
    const std::string info = FlacBlock(0, StreamInfo(44100, 2, 16, 441000), false);
    TFLACfile f;
    const std::string file =
        Flac({info, FlacBlock(6, FlacPicture(4, "back"), false), FlacBlock(6, FlacPicture(3, "front"), false),
              FlacBlock(6, FlacPicture(0, "other"), true)});
    QVERIFY(f.Load(FileBytes::FromMemory(file), true));
    QCOMPARE(f.Picture, std::string("front"));
    QVERIFY(f.Load(FileBytes::FromMemory(file), false));
    QVERIFY(f.Picture.empty());
    // A picture block whose data length runs past the block gives none.
    std::string broken = FlacPicture(3, "front");
    broken[broken.size() - 6] = '\x7F';
    QVERIFY(f.Load(FileBytes::FromMemory(Flac({info, FlacBlock(6, broken, true)})), true));
    QVERIFY(f.Picture.empty());
}

void TestLaterFormats::opus_data() {
    QTest::addColumn<std::string>("bytes");
    QTest::addColumn<Shown>("shown");

    const uint64_t fiveSeconds = 48000 * 5 + 312;
    const std::string basic = Opus({"TITLE=T", "ARTIST=A", "TRACKNUMBER=2"}, fiveSeconds);
    const auto bitrate = [](const std::string& file, size_t headers) {
        return uint32_t(std::nearbyint((file.size() - headers) * 8 / 5.0 / 1000));
    };
    uint32_t seq = 0;
    const size_t basicHeaders =
        OggPacketPages(OpusHead(2, 312, 44100), seq).size() +
        OggPacketPages("OpusTags" + VorbisComments({"TITLE=T", "ARTIST=A", "TRACKNUMBER=2"}), seq).size();
    QTest::newRow("head, tags, last granule")
        << basic << Shown{true, 5.0, 44100, 2, bitrate(basic, basicHeaders), "T", "A", 2, ""};
    // A long comment carried over many pages of two lacing values each; the title comes after it.
    const std::vector<std::string> long_ = {"COMMENT=" + std::string(3000, 'c'), "TITLE=After"};
    const std::string spread = Opus(long_, fiveSeconds, 312, 2);
    seq = 0;
    const size_t spreadHeaders = OggPacketPages(OpusHead(2, 312, 44100), seq).size() +
                                 OggPacketPages("OpusTags" + VorbisComments(long_), seq, 2).size();
    QTest::newRow("comment packet over many pages")
        << spread << Shown{true, 5.0, 44100, 2, bitrate(spread, spreadHeaders), "After", "", 0, ""};
    QTest::newRow("granule not beyond the pre-skip")
        << Opus({"TITLE=T"}, 300) << Shown{true, 0, 44100, 2, 0, "T", "", 0, ""};
    std::string noChannels = basic;
    noChannels[28 + 9] = 0;
    QTest::newRow("no channels") << noChannels << Shown{};
    QTest::newRow("cut inside the tags") << basic.substr(0, 60) << Shown{true, 0, 44100, 2, 0, "", "", 0, ""};
    // A page of another stream between the head and the tags is passed over.
    uint32_t s = 0;
    std::string interleaved = OggPacketPages(OpusHead(2, 312, 0), s);
    interleaved += OggLacedPage("other", {5}, 2, 0, 0, 0x9999);
    interleaved += OggPacketPages("OpusTags" + VorbisComments({"TITLE=Mine"}), s);
    interleaved += OggLacedPage(std::string(100, 'z'), {100}, 4, fiveSeconds, s++);
    QTest::newRow("page of another stream")
        << interleaved << Shown{true, 5.0, 48000, 2, 0, "Mine", "", 0, ""};
    QTest::newRow("Vorbis is not Opus") << Ogg(2, 44100, 128000, {"TITLE=x"}, 44100) << Shown{};
}

void TestLaterFormats::opus() {
    QFETCH(std::string, bytes);
    QFETCH(Shown, shown);
    TOpusFile f;
    QVERIFY(f.Load(FileBytes::FromMemory(bytes)));
    if (QByteArray(QTest::currentDataTag()) == "page of another stream")
        shown.bitrate = f.Bitrate; // not the subject of this row
    Compare(f, shown);
}

void TestLaterFormats::mp4_data() {
    QTest::addColumn<std::string>("bytes");
    QTest::addColumn<Shown>("shown");

    const std::string ftyp = Atom("ftyp", "M4A \0\0\0\0M4A mp42");
    const std::string ilst =
        Ilst({Item("\xA9nam", "T"),
              Item("\xA9"
                   "ART",
                   "A"),
              Item("trkn", Bytes("\0\0\0\x05\0\x0A\0\0", 8), 0), Item("gnre", Bytes("\0\x12", 2), 0)});
    const std::string body =
        Atom("mvhd", TimeBody(1000, 7000)) + SoundTrak(44100, 44100 * 5, Mp4aEntry(2, 44100, 128000)) + ilst;
    const Shown full{true, 5.0, 44100, 2, 128, "T", "A", 5, "Rock"};
    QTest::newRow("moov in front") << ftyp + Atom("moov", body) + Atom("mdat", std::string(1000, 'm'))
                                   << full;
    QTest::newRow("moov behind a 64-bit mdat")
        << ftyp + Atom("mdat", std::string(5000, 'm'), true) + Atom("moov", body) << full;
    QTest::newRow("moov with a 64-bit size") << ftyp + Atom("moov", body, true) << full;
    QTest::newRow("mdhd version 1") << ftyp + Atom("moov", SoundTrak(48000, 48000ull * 3,
                                                                     Mp4aEntry(1, 48000, 96000), 1))
                                    << Shown{true, 3.0, 48000, 1, 96, "", "", 0, ""};
    const std::string onlyMvhd = ftyp + Atom("moov", Atom("mvhd", TimeBody(1000, 8000)) + ilst);
    QTest::newRow("no sound track: the movie's length")
        << onlyMvhd << Shown{true, 8.0, 0, 0,     uint32_t(std::nearbyint(onlyMvhd.size() * 8 / 8.0 / 1000)),
                             "T",  "A", 5, "Rock"};
    // An item claiming to run past the item list is cut at its end; nothing behind it is read.
    const std::string longItem = Atom("\xA9nam", Atom("data", std::string(8, '\0') + "Cut"), false, 100000);
    QTest::newRow("item past its list")
        << ftyp + Atom("moov", Atom("mvhd", TimeBody(10, 20)) + Ilst({longItem}))
        << Shown{true, 2.0, 0, 0, 0, "Cut", "", 0, ""};
    QTest::newRow("atom smaller than its header") << ftyp + Atom("moov", body, false, 4) << Shown{};
    QTest::newRow("moov past the file") << ftyp + Atom("moov", body, false, 1 << 30) << full;
    QTest::newRow("no moov") << ftyp + Atom("mdat", std::string(100, 'm')) << Shown{};
    QTest::newRow("zero duration") << ftyp + Atom("moov", Atom("mvhd", TimeBody(1000, 0))) << Shown{};
    QTest::newRow("empty") << std::string() << Shown{};
}

void TestLaterFormats::mp4() {
    QFETCH(std::string, bytes);
    QFETCH(Shown, shown);
    TMP4file f;
    QVERIFY(f.Load(FileBytes::FromMemory(bytes)));
    if (QByteArray(QTest::currentDataTag()) == "item past its list")
        shown.bitrate = f.Bitrate;
    Compare(f, shown);
}

void TestLaterFormats::mp4Cover() {
    const std::string file =
        Atom("ftyp", "M4A ") +
        Atom("moov", Atom("mvhd", TimeBody(1000, 1000)) + Ilst({Item("covr", "\xFF\xD8jpeg", 13)}));
    TMP4file f;
    QVERIFY(f.Load(FileBytes::FromMemory(file), true));
    QCOMPARE(f.Picture, std::string("\xFF\xD8jpeg"));
}

// Every prefix of a file of each format reads without harm.
void TestLaterFormats::truncatedCopies() {
    const std::string files[] = {
        Flac({FlacBlock(0, StreamInfo(44100, 2, 16, 441000), false),
              FlacBlock(4, VorbisComments({"TITLE=T"}), false), FlacBlock(6, FlacPicture(3, "p"), true)},
             50),
        Opus({"TITLE=T", "COMMENT=" + std::string(600, 'c')}, 48000, 312, 1, 500),
        Atom("ftyp", "M4A ") + Atom("moov", Atom("mvhd", TimeBody(1000, 7000)) +
                                                SoundTrak(44100, 44100, Mp4aEntry(2, 44100, 128000)) +
                                                Ilst({Item("\xA9nam", "T"), Item("covr", "pic", 13)}))};
    for (const std::string& whole : files) {
        for (size_t n = 0; n <= whole.size(); ++n) {
            const FileBytes bytes = FileBytes::FromMemory(whole.substr(0, n));
            TFLACfile flac;
            TOpusFile opus;
            TMP4file mp4;
            QVERIFY(flac.Load(bytes, true) && opus.Load(bytes, true) && mp4.Load(bytes, true));
            QVERIFY(IsValidUtf8(flac.Title) && IsValidUtf8(opus.Title) && IsValidUtf8(mp4.Title));
        }
    }
}

QTEST_GUILESS_MAIN(TestLaterFormats)
#include "tst_laterformats.moc"
