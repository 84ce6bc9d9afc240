// Loudness normalisation values read from every tag kind that carries them: the value texts, the choice
// between REPLAYGAIN and R128 items, each format's container (byte-built), damaged APE tags, and files
// tagged by the standard tools.
#include "Id3Fixtures.h"
#include "OtherFormatFixtures.h"

#include "FileBytes.h"
#include "GainTags.h"
#include "TFLACfile.h"
#include "TID3v2.h"
#include "TMP4file.h"
#include "TOggVorbis.h"
#include "TOpusFile.h"
#include "VorbisComments.h"

#include <QDir>
#include <QFile>

#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <optional>

using namespace larkspin;
using namespace fixtures;

namespace {

using Maybe = std::optional<double>;
constexpr double None = -1000; // a table's mark for "no value"

double Shown(const Maybe& v) {
    return v ? *v : None;
}

bool Near(double a, double b) {
    return std::fabs(a - b) < 1e-6;
}

// Track gain, track peak, album gain, album peak.
struct Four {
    double tg = None, tp = None, ag = None, ap = None;
};

void Compare(const GainTags& g, const Four& want) {
    QVERIFY2(Near(Shown(g.TrackGain), want.tg), qPrintable(QString::number(Shown(g.TrackGain))));
    QVERIFY2(Near(Shown(g.TrackPeak), want.tp), qPrintable(QString::number(Shown(g.TrackPeak))));
    QVERIFY2(Near(Shown(g.AlbumGain), want.ag), qPrintable(QString::number(Shown(g.AlbumGain))));
    QVERIFY2(Near(Shown(g.AlbumPeak), want.ap), qPrintable(QString::number(Shown(g.AlbumPeak))));
}

const std::vector<std::string> FullSet = {"REPLAYGAIN_TRACK_GAIN=-6.54 dB", "REPLAYGAIN_TRACK_PEAK=0.988251",
                                          "REPLAYGAIN_ALBUM_GAIN=-7.25 dB", "REPLAYGAIN_ALBUM_PEAK=1.0432"};
const Four FullSetValues{-6.54, 0.988251, -7.25, 1.0432};

// An APEv2 tag (items, then a footer) of text items.
std::string ApeTag(const std::vector<std::pair<std::string, std::string>>& items, int declaredCount = -1,
                   int64_t declaredSize = -1) {
    std::string body;
    for (const auto& [key, value] : items) {
        PutLE32(body, static_cast<uint32_t>(value.size()));
        PutLE32(body, 0);
        body += key;
        body += '\0';
        body += value;
    }
    std::string footer = "APETAGEX";
    PutLE32(footer, 2000);
    PutLE32(footer, declaredSize >= 0 ? static_cast<uint32_t>(declaredSize)
                                      : static_cast<uint32_t>(body.size() + 32));
    PutLE32(footer,
            declaredCount >= 0 ? static_cast<uint32_t>(declaredCount) : static_cast<uint32_t>(items.size()));
    PutLE32(footer, 0);
    footer.append(8, '\0');
    return body + footer;
}

// A TXXX frame's data: encoding 0 (Latin-1) or 3 (UTF-8), description, zero, value.
QByteArray Txxx8(const QByteArray& description, const QByteArray& value, char encoding = 0) {
    return QByteArray(1, encoding) + description + QByteArray(1, '\0') + value;
}

// The same in UTF-16 with marks before both strings.
QByteArray Txxx16(const QString& description, const QString& value) {
    return utf16Text(description) + QByteArray(2, '\0') + utf16Text(value).mid(1);
}

} // namespace

Q_DECLARE_METATYPE(Four)
Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(std::vector<std::string>)

class TestGainTags : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void valueTexts_data();
    void valueTexts();
    void itemChoice_data();
    void itemChoice();
    void containers_data();
    void containers();
    void opusHeaderGain();
    void apeTags_data();
    void apeTags();
    void byExtension();
    void toolTaggedFiles_data();
    void toolTaggedFiles();
};

// ---- The value texts --------------------------------------------------------------------------------

void TestGainTags::valueTexts_data() {
    QTest::addColumn<int>("kind"); // 0 gain in dB, 1 peak, 2 Q7.8
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    const auto row = [](const char* name, int kind, const char* text, double value) {
        QTest::newRow(name) << kind << QString::fromLatin1(text) << value;
    };
    row("gain with unit", 0, "-6.54 dB", -6.54);
    row("gain, plus, no blank", 0, "+1.20dB", 1.2);
    row("gain, lower-case unit", 0, " 3 db ", 3);
    row("gain without unit", 0, "-0.5", -0.5);
    row("gain at the bound", 0, "-64.0 dB", -64);
    row("gain beyond the bound", 0, "-64.5 dB", None);
    row("gain with comma", 0, "-6,54 dB", None);
    row("gain nan", 0, "nan dB", None);
    row("gain exponent", 0, "1e1 dB", None);
    row("gain empty", 0, "", None);
    row("gain only unit", 0, "dB", None);
    row("gain two numbers", 0, "-6.5 -3 dB", None);
    row("peak", 1, "0.988251", 0.988251);
    row("peak above full scale", 1, "1.35", 1.35);
    row("peak zero", 1, "0.000000", 0);
    row("peak negative", 1, "-0.5", None);
    row("peak huge", 1, "100", None);
    row("peak text", 1, "loud", None);
    row("q7.8 minus five dB", 2, "-1280", -5);
    row("q7.8 fraction", 2, "+384", 1.5);
    row("q7.8 lowest", 2, "-32768", -128);
    row("q7.8 beyond 16 bits", 2, "32768", None);
    row("q7.8 decimal point", 2, "-1280.0", None);
    row("q7.8 empty", 2, "", None);
}

void TestGainTags::valueTexts() {
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(double, value);
    const std::string t = text.toStdString();
    const Maybe got = kind == 0 ? ParseGainDb(t) : kind == 1 ? ParsePeak(t) : ParseQ78Db(t);
    QCOMPARE(Shown(got), value);
}

// ---- Which item fills a field -------------------------------------------------------------------------

void TestGainTags::itemChoice_data() {
    QTest::addColumn<std::vector<std::string>>("items");
    QTest::addColumn<Four>("want");
    QTest::newRow("full set") << FullSet << FullSetValues;
    QTest::newRow("names in any case")
        << std::vector<std::string>{"replaygain_track_gain=-2 dB", "ReplayGain_Album_Peak=0.5"}
        << Four{-2, None, None, 0.5};
    // R128 gains are relative to -23 LUFS: -1280 (-5 dB) is 0 dB towards -18 LUFS.
    QTest::newRow("r128 only") << std::vector<std::string>{"R128_TRACK_GAIN=-1280", "R128_ALBUM_GAIN=256"}
                               << Four{0, None, 6, None};
    QTest::newRow("r128 wins after") << std::vector<std::string>{"REPLAYGAIN_TRACK_GAIN=-9 dB",
                                                                 "R128_TRACK_GAIN=-2560"}
                                     << Four{-5, None, None, None};
    QTest::newRow("r128 wins before")
        << std::vector<std::string>{"R128_TRACK_GAIN=-2560", "REPLAYGAIN_TRACK_GAIN=-9 dB"}
        << Four{-5, None, None, None};
    QTest::newRow("first of repeated")
        << std::vector<std::string>{"REPLAYGAIN_TRACK_GAIN=-1 dB", "REPLAYGAIN_TRACK_GAIN=-2 dB"}
        << Four{-1, None, None, None};
    QTest::newRow("unreadable then readable")
        << std::vector<std::string>{"REPLAYGAIN_TRACK_GAIN=loud", "REPLAYGAIN_TRACK_GAIN=-2 dB"}
        << Four{-2, None, None, None};
    QTest::newRow("unreadable r128 leaves replaygain")
        << std::vector<std::string>{"REPLAYGAIN_TRACK_GAIN=-2 dB", "R128_TRACK_GAIN=-2.5"}
        << Four{-2, None, None, None};
    QTest::newRow("other names") << std::vector<std::string>{"REPLAYGAIN_REFERENCE_LOUDNESS=89.0 dB",
                                                             "REPLAYGAIN_TRACK_GAINX=-3 dB", "TITLE=x"}
                                 << Four{};
}

void TestGainTags::itemChoice() {
    QFETCH(std::vector<std::string>, items);
    QFETCH(Four, want);
    // The same items through the Vorbis comment list of FLAC and Opus, and through Ogg Vorbis.
    AudioTags tags;
    QVERIFY(ReadVorbisComments(VorbisComments(items), tags, false));
    Compare(tags.Gain, want);
    TOggVorbis ogg;
    QVERIFY(ogg.Load(FileBytes::FromMemory(Ogg(2, 44100, 128000, items, 441000))));
    QVERIFY(ogg.Valid);
    Compare(ogg.Gain, want);
}

// ---- Each container ---------------------------------------------------------------------------------

void TestGainTags::containers_data() {
    QTest::addColumn<std::string>("file");
    QTest::addColumn<QString>("type");
    QTest::addColumn<Four>("want");

    QTest::newRow("flac") << Flac({FlacBlock(0, StreamInfo(44100, 2, 16, 441000), false),
                                   FlacBlock(4, VorbisComments(FullSet), true)})
                          << "flac" << FullSetValues;
    QTest::newRow("opus") << Opus({"TITLE=t", "R128_TRACK_GAIN=-512", "R128_ALBUM_GAIN=0"}, 48000 * 10)
                          << "opus" << Four{3, None, 5, None};

    std::string ilst = Ilst({Item("\xA9nam", "t"),
                             Atom("----", Atom("mean", std::string(4, '\0') + "com.apple.iTunes") +
                                              Atom("name", std::string(4, '\0') + "replaygain_track_gain") +
                                              Atom("data", std::string("\0\0\0\1\0\0\0\0", 8) + "-4.10 dB")),
                             Atom("----", Atom("mean", std::string(4, '\0') + "com.apple.iTunes") +
                                              Atom("name", std::string(4, '\0') + "replaygain_track_peak") +
                                              Atom("data", std::string("\0\0\0\1\0\0\0\0", 8) + "0.75")),
                             // a freeform item without data, and one with a short name atom
                             Atom("----", Atom("name", std::string(4, '\0') + "replaygain_album_gain")),
                             Atom("----", Atom("name", "ab") + Atom("data", std::string(8, '\0') + "-1"))});
    const std::string moov =
        Atom("moov", Atom("mvhd", TimeBody(1000, 5000)) +
                         SoundTrak(44100, 44100 * 5, Mp4aEntry(2, 44100, 128000)) + ilst);
    QTest::newRow("mp4 freeform") << Atom("ftyp", "M4A ") + moov + Atom("mdat", std::string(100, 'x'))
                                  << "m4a" << Four{-4.1, 0.75, None, None};

    const QByteArray v23 =
        v2Tag(v2Frame("TIT2", latin1Text("t")) + v2Frame("TXXX", Txxx8("REPLAYGAIN_TRACK_GAIN", "-6.54 dB")) +
              v2Frame("TXXX", Txxx16("replaygain_track_peak", "0.988251")) +
              v2Frame("TXXX", Txxx8("REPLAYGAIN_ALBUM_GAIN", "-7.25 dB\0", 0)) +
              v2Frame("TXXX", Txxx8("MusicBrainz Album Id", "x")) +
              v2Frame("TXXX", QByteArray("\0REPLAYGAIN_ALBUM_PEAK", 22))); // no value
    QTest::newRow("id3v2.3 latin-1 and utf-16")
        << str(v23) + std::string(1000, '\xFF') << "mp3" << Four{-6.54, 0.988251, -7.25, None};
    const QByteArray v24 = v2Tag(v24Frame("TXXX", Txxx8("REPLAYGAIN_ALBUM_GAIN", "+2.00 dB", 3)) +
                                     v24Frame("TXXX", Txxx16("REPLAYGAIN_ALBUM_PEAK", "0.5")),
                                 4);
    QTest::newRow("id3v2.4 utf-8") << str(v24) << "mp3" << Four{None, None, 2, 0.5};
    const QByteArray v22 = v2Tag(v22Frame("TXX", Txxx8("REPLAYGAIN_TRACK_GAIN", "-1 dB")), 2);
    QTest::newRow("id3v2.2") << str(v22) << "mp3" << Four{-1, None, None, None};
    // An MP3 without gain frames in its ID3v2 tag takes them from an APE tag.
    QTest::newRow("mp3 ape behind id3v2")
        << str(v2Tag(v2Frame("TIT2", latin1Text("t")))) + std::string(500, '\xFF') +
               ApeTag({{"REPLAYGAIN_TRACK_GAIN", "-3.00 dB"}, {"REPLAYGAIN_TRACK_PEAK", "0.9"}})
        << "mp3" << Four{-3, 0.9, None, None};
    QTest::newRow("id3v2 wins over ape")
        << str(v2Tag(v2Frame("TXXX", Txxx8("REPLAYGAIN_TRACK_GAIN", "-1 dB")))) +
               ApeTag({{"REPLAYGAIN_TRACK_GAIN", "-3.00 dB"}})
        << "mp3" << Four{-1, None, None, None};
}

void TestGainTags::containers() {
    QFETCH(std::string, file);
    QFETCH(QString, type);
    QFETCH(Four, want);
    // The reader of the type, and ReadGainTags over the same bytes on disk.
    GainTags direct;
    const FileBytes bytes = FileBytes::FromMemory(file);
    if (type == "flac") {
        TFLACfile r;
        QVERIFY(r.Load(bytes) && r.Valid);
        direct = r.Gain;
    } else if (type == "opus") {
        TOpusFile r;
        QVERIFY(r.Load(bytes) && r.Valid);
        QCOMPARE(QString::fromStdString(r.Title), "t");
        direct = r.Gain;
    } else if (type == "m4a") {
        TMP4file r;
        QVERIFY(r.Load(bytes) && r.Valid);
        QCOMPARE(QString::fromStdString(r.Title), "t");
        direct = r.Gain;
    } else {
        TID3v2 r;
        QVERIFY(r.Load(bytes));
        direct = r.Gain();
        if (!direct.Any())
            ReadApeGain(bytes, direct);
    }
    Compare(direct, want);
    const QString path = dir.filePath(QString("file.") + type);
    QVERIFY(writeFile(path, file));
    Compare(ReadGainTags(path.toStdString()), want);
}

void TestGainTags::opusHeaderGain() {
    // The output gain of the OpusHead packet: bytes 16 and 17, signed Q7.8 dB.
    const struct {
        int16_t raw;
        double db;
    } cases[] = {{0, 0}, {-1280, -5}, {384, 1.5}, {-32768, -128}};
    for (const auto& c : cases) {
        std::string file = Opus({"R128_TRACK_GAIN=0"}, 48000 * 3);
        const std::size_t head = file.find("OpusHead");
        QVERIFY(head != std::string::npos);
        file[head + 16] = static_cast<char>(static_cast<uint16_t>(c.raw) & 0xFF);
        file[head + 17] = static_cast<char>(static_cast<uint16_t>(c.raw) >> 8);
        // The page checksum is not checked by the reader; the gain is.
        TOpusFile r;
        QVERIFY(r.Load(FileBytes::FromMemory(file)) && r.Valid);
        QCOMPARE(r.Gain.HeaderGain, c.db);
        QCOMPARE(Shown(r.Gain.TrackGain), 5.0); // the R128 gain does not include the header gain
    }
}

// ---- APE tags, whole and damaged ------------------------------------------------------------------------

void TestGainTags::apeTags_data() {
    QTest::addColumn<std::string>("file");
    QTest::addColumn<bool>("found");
    QTest::addColumn<Four>("want");
    const std::string audio(300, '\xFF');
    const std::string id3v1 = str(V1Block().title("t").b);
    const auto tag =
        ApeTag({{"Replaygain_Track_Gain", "-3.00 dB"}, {"Artist", "a"}, {"REPLAYGAIN_ALBUM_PEAK", "0.7"}});
    QTest::newRow("at the end") << audio + tag << true << Four{-3, None, None, 0.7};
    QTest::newRow("before id3v1") << audio + tag + id3v1 << true << Four{-3, None, None, 0.7};
    QTest::newRow("none") << audio << false << Four{};
    QTest::newRow("only a footer") << ApeTag({}) << true << Four{};
    QTest::newRow("size beyond the file")
        << ApeTag({{"REPLAYGAIN_TRACK_GAIN", "-3 dB"}}, -1, 100000) << false << Four{};
    QTest::newRow("size below the footer")
        << audio + ApeTag({{"REPLAYGAIN_TRACK_GAIN", "-3 dB"}}, -1, 8) << false << Four{};
    QTest::newRow("count beyond the items")
        << audio + ApeTag({{"REPLAYGAIN_TRACK_GAIN", "-3 dB"}}, 70000) << true << Four{-3, None, None, None};
    // The second item claims more value bytes than the tag holds: the first stays, nothing is read past.
    std::string cut = ApeTag({{"REPLAYGAIN_TRACK_GAIN", "-3 dB"}, {"REPLAYGAIN_ALBUM_GAIN", "-4 dB"}});
    const std::size_t second = cut.find("REPLAYGAIN_ALBUM_GAIN") - 8;
    cut[second] = '\x7F';
    QTest::newRow("item past the tag") << audio + cut << true << Four{-3, None, None, None};
    std::string noKeyEnd = ApeTag({{"REPLAYGAIN_TRACK_GAIN", "-3 dB"}});
    noKeyEnd[8 + 21] = 'X'; // the zero after the key
    noKeyEnd.replace(noKeyEnd.find("-3 dB"), 5, "XXXXX");
    QTest::newRow("key without end") << audio + noKeyEnd << true << Four{};
}

void TestGainTags::apeTags() {
    QFETCH(std::string, file);
    QFETCH(bool, found);
    QFETCH(Four, want);
    GainTags gain;
    QCOMPARE(ReadApeGain(FileBytes::FromMemory(file), gain), found);
    Compare(gain, want);
}

void TestGainTags::byExtension() {
    // The type comes from the name: Vorbis comments in a file named .mp3 are not looked for, a missing
    // file and a folder named like a file give nothing.
    const std::string flac = Flac(
        {FlacBlock(0, StreamInfo(44100, 2, 16, 441000), false), FlacBlock(4, VorbisComments(FullSet), true)});
    QVERIFY(writeFile(dir.filePath("flac.mp3"), flac));
    QVERIFY(!ReadGainTags(dir.filePath("flac.mp3").toStdString()).Any());
    QVERIFY(writeFile(dir.filePath("flac.FLAC"), flac));
    Compare(ReadGainTags(dir.filePath("flac.FLAC").toStdString()), FullSetValues);
    QVERIFY(!ReadGainTags(dir.filePath("missing.flac").toStdString()).Any());
    QVERIFY(QDir(dir.path()).mkdir("folder.flac"));
    QVERIFY(!ReadGainTags(dir.filePath("folder.flac").toStdString()).Any());
    // Other types: an APE tag (as WavPack and Musepack files carry).
    QVERIFY(writeFile(dir.filePath("x.wv"),
                      std::string(200, 'w') + ApeTag({{"REPLAYGAIN_TRACK_GAIN", "-2 dB"}})));
    Compare(ReadGainTags(dir.filePath("x.wv").toStdString()), Four{-2, None, None, None});
}

// ---- Files tagged by the standard tools ---------------------------------------------------------------

void TestGainTags::toolTaggedFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::addRow("mp3") << "t.mp3";
    QTest::addRow("flac") << "t.flac";
    QTest::addRow("ogg") << "t.ogg";
    QTest::addRow("m4a") << "t.m4a";
    QTest::addRow("opus") << "t.opus";
}

void TestGainTags::toolTaggedFiles() {
    QFETCH(QString, name);
    if (!HaveTool("ffmpeg"))
        QSKIP("ffmpeg is needed to make the files");
    const QString path = dir.filePath(name);
    QStringList args = {"-v",  "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=1",
                        "-ac", "2"};
    if (name.endsWith(".opus")) {
        // Opus carries R128 items; ffmpeg writes them as comments like any other.
        args << "-c:a"
             << "libopus"
             << "-metadata"
             << "R128_TRACK_GAIN=-1024"
             << "-metadata"
             << "R128_ALBUM_GAIN=128";
    } else {
        args << "-metadata"
             << "REPLAYGAIN_TRACK_GAIN=-6.54 dB"
             << "-metadata"
             << "REPLAYGAIN_TRACK_PEAK=0.988251"
             << "-metadata"
             << "REPLAYGAIN_ALBUM_GAIN=-7.25 dB"
             << "-metadata"
             << "REPLAYGAIN_ALBUM_PEAK=1.0432";
    }
    if (name.endsWith(".m4a")) {
        // ffmpeg keeps such names as QuickTime "mdta" keys; taggers write iTunes freeform items.
        args = args.mid(0, args.indexOf("-metadata"));
        QVERIFY(Run("ffmpeg", args << path));
        if (!QFile::exists("/usr/bin/python3") || !Run("/usr/bin/python3", {"-c", "import mutagen.mp4"}))
            QSKIP("python3-mutagen is needed to tag the MP4 file");
        QVERIFY(Run("/usr/bin/python3",
                    {"-c",
                     "import sys, mutagen.mp4 as m\n"
                     "f = m.MP4(sys.argv[1])\n"
                     "for k, v in (('track_gain', '-6.54 dB'), ('track_peak', '0.988251'),\n"
                     "             ('album_gain', '-7.25 dB'), ('album_peak', '1.0432')):\n"
                     "    f['----:com.apple.iTunes:replaygain_' + k] = [m.MP4FreeForm(v.encode())]\n"
                     "f.save()\n",
                     path}));
    } else {
        QVERIFY(Run("ffmpeg", args << path));
    }
    const GainTags gain = ReadGainTags(path.toStdString());
    if (name.endsWith(".opus"))
        Compare(gain, Four{1, None, 5.5, None});
    else
        Compare(gain, FullSetValues);
}

QTEST_GUILESS_MAIN(TestGainTags)
#include "tst_gaintags.moc"
