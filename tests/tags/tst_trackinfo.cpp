// The track information service: display formats, file name rules, fields by file type, records,
// library lines, the path check and the cover picture.
#include "OtherFormatFixtures.h"
#include "TagTestFiles.h"
#include "TrackFieldOracle.h"

#include "CoverPicture.h"
#include "DriveCheck.h"
#include "FileNameParts.h"
#include "TID3v1.h"
#include "TID3v2.h"
#include "TextConvert.h"
#include "TrackFormat.h"
#include "TrackInfo.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#include <sys/stat.h>

using namespace larkspin;
using namespace fixtures;

namespace {

// MPEG 1 Layer III, 128 kbit/s, 44100 Hz, stereo, no padding: 417-byte frames.
std::string Mp3Frames(int count) {
    std::string frame(417, '\0');
    frame[0] = '\xFF';
    frame[1] = '\xFB';
    frame[2] = '\x90';
    frame[3] = '\x00';
    std::string s;
    for (int i = 0; i < count; ++i)
        s += frame;
    return s;
}

struct V2 {
    std::string artist, title, album, year, genre, comment;
    uint8_t track = 0;
};
struct V1 {
    std::string artist, title, album, year, comment;
    uint8_t track = 0;
    uint8_t genre = 255;
};

std::string Id3v2Tag(const V2& v) {
    TID3v2 t;
    t.SetArtist(v.artist);
    t.SetTitle(v.title);
    t.SetAlbum(v.album);
    t.SetYear(v.year);
    t.SetGenre(v.genre);
    t.SetComment(v.comment);
    t.SetTrack(v.track);
    return t.BuildTag();
}

std::string Id3v1Tag(const V1& v) {
    TID3v1 t;
    t.SetArtist(v.artist);
    t.SetTitle(v.title);
    t.SetAlbum(v.album);
    t.SetYear(v.year);
    t.SetComment(v.comment);
    t.SetTrack(v.track);
    t.SetGenreIndex(v.genre);
    const auto tag = t.BuildTag();
    return std::string(reinterpret_cast<const char*>(tag.data()), tag.size());
}

QString Show(const TrackRecord& r) {
    QStringList l;
    for (const std::string& f : r)
        l << QString::fromStdString(f);
    return "[" + l.join("|") + "]";
}

} // namespace

class TestTrackInfo : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void lengthText_data();
    void lengthText();
    void sizeText_data();
    void sizeText();
    void trackAndBitrateText();

    void fileNameParts_data();
    void fileNameParts();
    void artistTitleSplit_data();
    void artistTitleSplit();
    void trackNumberRemoval_data();
    void trackNumberRemoval();

    void fieldsByType_data();
    void fieldsByType();

    void fillTrackItem();
    void fillTrackItemsWithoutOpeningOtherFiles();
    void libraryLine();
    void libraryLineTransforms_data();
    void libraryLineTransforms();
    void fillToWidthKeepsCharactersWhole();

    void oneReadGivesTheFieldByFieldTexts();
    void everyTestFileThroughTheService();
    void testFileRecords();

    void driveReady_data();
    void driveReady();
    void fileAvailable();

    void audioStart();
    void coverPicture();

private:
    QTemporaryDir dir_;
    QString Path(const QString& name) const { return dir_.filePath(name); }
    std::vector<std::string> realFiles_;
};

void TestTrackInfo::initTestCase() {
    QVERIFY(dir_.isValid());
    CreateTrackReaders();

    // Byte-built files with known tags.
    V2 v2{"V2 Artist", "V2 Title", "", "2002", "Rock", "v2 comment", 7};
    V1 v1{"V1 Artist", "V1 Title", "V1 Album", "1991", "v1 comment", 12, 17};
    const std::string frames = Mp3Frames(200);
    QVERIFY(writeFile(Path("both.mp3"), Id3v2Tag(v2) + frames + Id3v1Tag(v1)));
    QVERIFY(writeFile(Path("v1only.Mp3"), frames + Id3v1Tag(v1)));
    QVERIFY(writeFile(Path("Some Band - Some Song.mp3"),
                      frames + Id3v1Tag({"Unknown Artist", "Unknown Title", "", "", ""})));
    QVERIFY(writeFile(Path("Lead - Space.mp3"), frames + Id3v1Tag({" Lead", "Fine", "", "", ""})));
    QVERIFY(writeFile(Path("notags.mp3"), frames));
    QVERIFY(writeFile(Path("Wave Artist - Wave Title.wav"), Wav(2, 44100, 16, 1764000)));
    QVERIFY(writeFile(Path("vorbis.ogg"),
                      Ogg(2, 44100, 128000,
                          {"ARTIST=  Ogg Artist ", "TITLE=Ogg \xE2\x99\xAA", "ALBUM=Ogg Album",
                           "TRACKNUMBER=3/9", "DATE=2011", "GENRE=Jazz", "COMMENT=ogg c"},
                          44100 * 125)));
    QVERIFY(writeFile(Path("media.wma"), Asf({FileProperties(64000), StreamProperties(2, 44100, 8000),
                                              ContentDescription(u"WMA Title", u"WMA Artist", u"wma c"),
                                              ExtendedContent({TextDescriptor(u"WM/AlbumTitle", u"WMA Album"),
                                                               TextDescriptor(u"WM/Year", u"1980"),
                                                               TextDescriptor(u"WM/Genre", u"Pop"),
                                                               TextDescriptor(u"WM/Track", u"4")})},
                                             1000000)));
    QVERIFY(writeFile(Path("song.mp3x"), frames));
    QVERIFY(writeFile(Path("song"), frames));

    // Real encodings, where the tools are installed.
    const QString wav = Path("source.wav");
    if (HaveTool("sox") &&
        Run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "2", "sine", "440"})) {
        realFiles_.push_back(wav.toStdString());
        if (HaveTool("lame")) {
            if (Run("lame",
                    {"--quiet", "-V", "4", "--tt", "Lame Title", "--ta", "Lame Artist", "--tl", "Album",
                     "--ty", "2020", "--tn", "5", "--tg", "Blues", "--add-id3v2", wav, Path("vbr.mp3")}))
                realFiles_.push_back(Path("vbr.mp3").toStdString());
            if (Run("lame", {"--quiet", "-b", "96", "-t", "--id3v1-only", "--tt", "Cbr", "--ta", "Cbr Artist",
                             wav, Path("cbr.mp3")}))
                realFiles_.push_back(Path("cbr.mp3").toStdString());
        }
        if (HaveTool("oggenc") && Run("oggenc", {"-Q", "-q", "2", "-t", "Ogg \xC3\xA9t\xC3\xA9", "-a", "Enc",
                                                 "-N", "2", wav, "-o", Path("enc.ogg")}))
            realFiles_.push_back(Path("enc.ogg").toStdString());
        if (HaveTool("ffmpeg") &&
            Run("ffmpeg", {"-loglevel", "error", "-y", "-i", wav, "-c:a", "wmav2", "-b:a", "128k",
                           "-metadata", "title=Wm \xE6\x97\xA5", "-metadata", "artist=Ff", Path("enc.wma")}))
            realFiles_.push_back(Path("enc.wma").toStdString());
    }
}

// ---- Display formats ---------------------------------------------------------------------------------

void TestTrackInfo::lengthText_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0.0 << "0:00";
    QTest::newRow("7") << 7.0 << "0:07";
    QTest::newRow("59.44") << 59.44 << "0:59";
    // 59.46 first becomes 59.5, which goes to the even 60.
    QTest::newRow("59.46") << 59.46 << "1:00";
    QTest::newRow("58.46") << 58.46 << "0:58";
    QTest::newRow("0.5 to even") << 0.5 << "0:00";
    QTest::newRow("1.5 to even") << 1.5 << "0:02";
    QTest::newRow("2.5 to even") << 2.5 << "0:02";
    QTest::newRow("225") << 225.0 << "3:45";
    QTest::newRow("3725 has no hours") << 3725.0 << "62:05";
    QTest::newRow("negative") << -5.0 << "0:00";
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << "0:00";
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << "0:00";
    QTest::newRow("huge") << 1e300 << "16666666666666:40";
}

void TestTrackInfo::lengthText() {
    QFETCH(double, seconds);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(FormatLength(seconds)), text);
}

void TestTrackInfo::sizeText_data() {
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << qint64(0) << "0 MB";
    QTest::newRow("3,456,789") << qint64(3456789) << "3.38 MB";
    QTest::newRow("3,481,600") << qint64(3481600) << "3.4 MB";
    QTest::newRow("one unit is 1,024,000") << qint64(1024000) << "1 MB";
    // 5120 bytes are half a hundredth: halves go to the even 0; 15360 are 1.5 hundredths, giving 2.
    QTest::newRow("half to even down") << qint64(5120) << "0 MB";
    QTest::newRow("half to even up") << qint64(15360) << "0.02 MB";
    QTest::newRow("0.05") << qint64(51200) << "0.05 MB";
    QTest::newRow("4 GiB") << qint64(4294967296LL) << "4194.3 MB";
    QTest::newRow("negative") << qint64(-1) << "0 MB";
}

void TestTrackInfo::sizeText() {
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(FormatSize(bytes)), text);
}

void TestTrackInfo::trackAndBitrateText() {
    const std::pair<int, const char*> tracks[] = {{0, ""},    {1, "01"},  {7, "07"},    {9, "09"},
                                                  {10, "10"}, {12, "12"}, {255, "255"}, {-3, ""}};
    for (const auto& [n, text] : tracks)
        QCOMPARE(FormatTrackNumber(n), std::string(text));
    QCOMPARE(FormatBitrate(0), std::string("0 kbit/s"));
    QCOMPARE(FormatBitrate(320), std::string("320 kbit/s"));
}

// ---- File names ----------------------------------------------------------------------------------------

void TestTrackInfo::fileNameParts_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("withoutExt");
    QTest::newRow("plain") << "/music/a/song.Mp3"
                           << "Mp3"
                           << "song.Mp3"
                           << "/music/a/song";
    QTest::newRow("no extension") << "/music/a/song"
                                  << ""
                                  << "song"
                                  << "/music/a/song";
    QTest::newRow("dot in a folder") << "/music/a.b/song"
                                     << ""
                                     << "song"
                                     << "/music/a.b/song";
    QTest::newRow("two dots") << "/x/a.tar.gz"
                              << "gz"
                              << "a.tar.gz"
                              << "/x/a.tar";
    QTest::newRow("trailing dot") << "/x/song."
                                  << ""
                                  << "song."
                                  << "/x/song";
    QTest::newRow("no folder") << "song.ogg"
                               << "ogg"
                               << "song.ogg"
                               << "song";
    QTest::newRow("folder only") << "/x/y/"
                                 << ""
                                 << ""
                                 << "/x/y/";
    // Only "/" separates; a backslash and a colon are parts of the name.
    QTest::newRow("backslash") << "/x/a\\b.c\\d"
                               << "c\\d"
                               << "a\\b.c\\d"
                               << "/x/a\\b";
    QTest::newRow("colon") << "/x/C:song.wav"
                           << "wav"
                           << "C:song.wav"
                           << "/x/C:song";
    QTest::newRow("empty") << ""
                           << ""
                           << ""
                           << "";
}

void TestTrackInfo::fileNameParts() {
    QFETCH(QString, path);
    QFETCH(QString, ext);
    QFETCH(QString, name);
    QFETCH(QString, withoutExt);
    const std::string p = path.toStdString();
    QCOMPARE(QString::fromStdString(GetFileExt(p)), ext);
    QCOMPARE(QString::fromStdString(GetFileNamePart(p)), name);
    QCOMPARE(QString::fromStdString(RemoveFileExt(p)), withoutExt);
}

void TestTrackInfo::artistTitleSplit_data() {
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("title");
    QTest::newRow("last separator") << "A - B - C.mp3"
                                    << "A - B"
                                    << "C";
    QTest::newRow("none") << "Song.mp3"
                          << "Song"
                          << "Song";
    QTest::newRow("empty artist") << " - Title.mp3"
                                  << ""
                                  << "Title";
    QTest::newRow("empty title") << "Artist - .mp3"
                                 << "Artist"
                                 << "";
    QTest::newRow("hyphen without spaces") << "A-B.mp3"
                                           << "A-B"
                                           << "A-B";
    QTest::newRow("space on one side") << "A -B.mp3"
                                       << "A -B"
                                       << "A -B";
    QTest::newRow("track number") << "01 - Intro.ogg"
                                  << "01"
                                  << "Intro";
    QTest::newRow("dot in the title") << "Artist - Title.live.mp3"
                                      << "Artist"
                                      << "Title.live";
    QTest::newRow("separator in the extension is not one") << "A.b - c"
                                                           << "A"
                                                           << "A";
    QTest::newRow("multibyte") << "M\xC3\xB6tley - \xE6\x97\xA5.mp3"
                               << "M\xC3\xB6tley"
                               << "\xE6\x97\xA5";
}

void TestTrackInfo::artistTitleSplit() {
    QFETCH(QString, fileName);
    QFETCH(QString, artist);
    QFETCH(QString, title);
    const std::string f = fileName.toStdString();
    QCOMPARE(QString::fromStdString(SplitArtistTitle(f, 1)), artist);
    QCOMPARE(QString::fromStdString(SplitArtistTitle(f, 2)), title);
    QCOMPARE(QString::fromStdString(SplitArtistTitle(f, 0)), title); // any other part number is the title
}

void TestTrackInfo::trackNumberRemoval_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("result");
    QTest::newRow("removed") << "03 Band"
                             << "Band";
    QTest::newRow("only the number") << "03 "
                                     << "";
    QTest::newRow("one digit") << "3 Band"
                               << "3 Band";
    QTest::newRow("no space") << "03Band"
                              << "03Band";
    QTest::newRow("three digits") << "003 Band"
                                  << "003 Band";
    QTest::newRow("letter") << "0a Band"
                            << "0a Band";
    QTest::newRow("tab") << "03\tBand"
                         << "03\tBand";
    QTest::newRow("short") << "03"
                           << "03";
    QTest::newRow("empty") << ""
                           << "";
}

void TestTrackInfo::trackNumberRemoval() {
    QFETCH(QString, text);
    QFETCH(QString, result);
    QCOMPARE(QString::fromStdString(RemoveTrackNumber(text.toStdString())), result);
}

// ---- Fields by file type ---------------------------------------------------------------------------------

void TestTrackInfo::fieldsByType_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("useId3v2");
    QTest::addColumn<QStringList>("fields"); // fields 1 to 10

    const QString mp3Length = "0:05"; // 200 frames of 417 bytes at 128 kbit/s
    // ID3v2 answers every text field when present, even empty ones (no album here, and no fall back to
    // ID3v1's); bit rate, length and size give the empty text.
    QTest::newRow("MP3, ID3v2 used") << "both.mp3" << true
                                     << QStringList{"V2 Artist", "V2 Title", "",           "",   "",
                                                    "2002",      "Rock",     "v2 comment", "07", ""};
    QTest::newRow("MP3, ID3v2 not used")
        << "both.mp3" << false << QStringList{"V1 Artist", "V1 Title", "V1 Album",   "128 kbit/s", mp3Length,
                                              "1991",      "Rock",     "v1 comment", "12",         "0.08 MB"};
    // Without an ID3v2 tag the flag makes no difference. The extension's case does not matter either.
    QTest::newRow("MP3, no ID3v2 tag")
        << "v1only.Mp3" << true
        << QStringList{"V1 Artist", "V1 Title", "V1 Album",   "128 kbit/s", "0:05",
                       "1991",      "Rock",     "v1 comment", "12",         "0.08 MB"};
    QTest::newRow("MP3, unknown artist and title")
        << "Some Band - Some Song.mp3" << false
        << QStringList{"", "", "", "128 kbit/s", "0:05", "", "", "", "", "0.08 MB"};
    QTest::newRow("MP3, artist starting with a space")
        << "Lead - Space.mp3" << false
        << QStringList{"", "Fine", "", "128 kbit/s", "0:05", "", "", "", "", "0.08 MB"};
    QTest::newRow("MP3, no tags") << "notags.mp3" << true
                                  << QStringList{"", "", "", "128 kbit/s", "0:05", "", "", "", "", "0.08 MB"};
    QTest::newRow("WAV") << "Wave Artist - Wave Title.wav" << true
                         << QStringList{"", "", "", "Wavefile", "0:10", "", "", "", "", "1.72 MB"};
    QTest::newRow("OGG") << "vorbis.ogg" << true
                         << QStringList{"Ogg Artist", QString::fromUtf8("Ogg \xE2\x99\xAA"),
                                        "Ogg Album",  "128 kbit/s",
                                        "2:05",       "2011",
                                        "Jazz",       "ogg c",
                                        "03",         "0 MB"};
    QTest::newRow("WMA") << "media.wma" << false
                         << QStringList{"WMA Artist", "WMA Title", "WMA Album", "64 kbit/s", "2:05",
                                        "1980",       "Pop",       "wma c",     "04",        "0.98 MB"};
    QTest::newRow("other extension") << "song.mp3x" << false
                                     << QStringList{"", "", "", "", "", "", "", "", "", ""};
    QTest::newRow("no extension") << "song" << false << QStringList{"", "", "", "", "", "", "", "", "", ""};
    // A missing file of a known type gives the cleared readers' values.
    QTest::newRow("missing MP3") << "missing.mp3" << true
                                 << QStringList{"", "", "", "0 kbit/s", "0:00", "", "", "", "", "0 MB"};
    QTest::newRow("missing WAV") << "missing.wav" << true
                                 << QStringList{"", "", "", "Wavefile", "0:00", "", "", "", "", "0 MB"};
}

void TestTrackInfo::fieldsByType() {
    QFETCH(QString, file);
    QFETCH(bool, useId3v2);
    QFETCH(QStringList, fields);
    const std::string path = Path(file).toStdString();
    for (int n = 1; n <= 10; ++n)
        QCOMPARE(QString::fromStdString(GetTrackInfo(path, n, useId3v2)), fields[n - 1]);
    QCOMPARE(GetTrackInfo(path, 0, useId3v2), std::string());
    QCOMPARE(GetTrackInfo(path, 11, useId3v2), std::string());
}

// ---- Records and library lines ---------------------------------------------------------------------------

void TestTrackInfo::fillTrackItem() {
    TrackRecord r;
    FillTrackItem(Path("both.mp3").toStdString(), r, true);
    // Length, bit rate and size always come from the MPEG header, whatever the flag.
    QCOMPARE(Show(r), "[V2 Artist|V2 Title|0:05||128 kbit/s|2002|Rock|v2 comment|07|0.08 MB|" +
                          Path("both.mp3") + "]");

    // ID3v1's "Unknown Artist" and "Unknown Title" give way to the file name.
    FillTrackItem(Path("Some Band - Some Song.mp3").toStdString(), r, false);
    QCOMPARE(QString::fromStdString(r[RecordArtist]), QString("Some Band"));
    QCOMPARE(QString::fromStdString(r[RecordTitle]), QString("Some Song"));

    FillTrackItem(Path("Wave Artist - Wave Title.wav").toStdString(), r, true);
    QCOMPARE(Show(r), "[Wave Artist|Wave Title|0:10||Wavefile|||||1.72 MB|" +
                          Path("Wave Artist - Wave Title.wav") + "]");

    // Without tags and without " - " both names are the bare file name.
    FillTrackItem(Path("notags.mp3").toStdString(), r, true);
    QCOMPARE(QString::fromStdString(r[RecordArtist]), QString("notags"));
    QCOMPARE(QString::fromStdString(r[RecordTitle]), QString("notags"));

    const std::string missing = Path("gone.mp3").toStdString();
    FillTrackItem(missing, r, true);
    QCOMPARE(Show(r), "[Error! File not found!|" + QString::fromStdString(missing) +
                          "|---|---|---|---|---|---|---|---|" + QString::fromStdString(missing) + "]");
    // A folder is not a file.
    QVERIFY(QDir(dir_.path()).mkdir("folder.mp3"));
    FillTrackItem(Path("folder.mp3").toStdString(), r, true);
    QCOMPARE(r[RecordArtist], std::string(FileNotFoundText));
    // Nor is a FIFO, and reading one would block: it is never opened.
    const std::string pipe = Path("pipe.mp3").toStdString();
    QCOMPARE(::mkfifo(pipe.c_str(), 0600), 0);
    FillTrackItem(pipe, r, true);
    QCOMPARE(r[RecordArtist], std::string(FileNotFoundText));
    QVERIFY(!FindAudioStart(pipe));
    const std::string wavPipe = Path("pipe.wav").toStdString();
    QCOMPARE(::mkfifo(wavPipe.c_str(), 0600), 0);
    QCOMPARE(GetTrackInfo(wavPipe, InfoBitrate, false), std::string("Wavefile"));
    QCOMPARE(GetTrackInfo(wavPipe, InfoLength, false), std::string("0:00"));
}

void TestTrackInfo::fillTrackItemsWithoutOpeningOtherFiles() {
    const std::vector<std::string> paths = {Path("vorbis.ogg").toStdString(), "/nowhere/notes.txt",
                                            "/nowhere/Band - Tune.ape", Path("gone.wav").toStdString(),
                                            "/nowhere/noext"};
    std::vector<TrackRecord> records(1); // records are appended after what is there
    records[0][RecordArtist] = "keep";
    QList<int> begins, steps;
    int ends = 0;
    FillProgress progress;
    progress.Begin = [&](int maximum) { begins << maximum; };
    progress.Step = [&](int position) {
        steps << position;
        QCOMPARE(records.size(), size_t(position) + 2); // the step follows its record
    };
    progress.End = [&] { ++ends; };
    FillTrackItems(paths, records, true, progress);

    QCOMPARE(begins, QList<int>{4});
    QCOMPARE(steps, (QList<int>{0, 1, 2, 3, 4}));
    QCOMPARE(ends, 1);
    QCOMPARE(records.size(), size_t(6));
    QCOMPARE(records[0][RecordArtist], std::string("keep"));
    QCOMPARE(records[1][RecordArtist], std::string("Ogg Artist"));
    // Other types: names from the file name (an empty title when it equals the artist), never opened.
    QCOMPARE(Show(records[2]), QString("[notes||---|---|---|---|---|---|---|---|/nowhere/notes.txt]"));
    QCOMPARE(Show(records[3]),
             QString("[Band|Tune|---|---|---|---|---|---|---|---|/nowhere/Band - Tune.ape]"));
    QCOMPARE(records[4][RecordArtist], std::string(FileNotFoundText));
    QCOMPARE(Show(records[5]), QString("[noext||---|---|---|---|---|---|---|---|/nowhere/noext]"));

    // No paths: the progress maximum is -1 and no step is reported.
    begins.clear();
    steps.clear();
    FillTrackItems({}, records, true, progress);
    QCOMPARE(begins, QList<int>{-1});
    QVERIFY(steps.isEmpty());
    QCOMPARE(records.size(), size_t(6));
}

void TestTrackInfo::libraryLine() {
    std::vector<std::string> lines{"existing"};
    const std::string path = Path("both.mp3").toStdString();
    BuildLibraryLine(path, lines, true);
    QCOMPARE(lines.size(), size_t(2));
    QCOMPARE(lines[0], std::string("existing"));
    const std::string& line = lines[1];
    QCOMPARE(line.size(), LibraryLineLength);
    // Every field at its fixed column.
    const char* expected[13] = {"V2 Artist",  "V2 Title", "0:05",    "",      "128 kbit/s", "2002", "Rock",
                                "v2 comment", "07",       "0.08 MB", nullptr, "Unknown",    "0"};
    size_t column = 0;
    for (size_t k = 0; k < 13; ++k) {
        const std::string field = line.substr(column, LibraryFieldWidths[k]);
        const std::string want = expected[k] ? expected[k] : path;
        QCOMPARE(field, FillToWidth(want, LibraryFieldWidths[k]));
        column += LibraryFieldWidths[k];
    }
    QCOMPARE(column, LibraryLineLength);

    // Other files: "---" in the eight value fields.
    BuildLibraryLine("/nowhere/A - B.txt", lines, true);
    QCOMPARE(lines[2].substr(0, 100), FillToWidth("A", 100));
    QCOMPARE(lines[2].substr(100, 100), FillToWidth("B", 100));
    QCOMPARE(lines[2].substr(200, 20), FillToWidth("---", 20));
    QCOMPARE(lines[2].substr(465, 10), FillToWidth("---", 10));
    QCOMPARE(lines[2].size(), LibraryLineLength);

    // A path longer than its 255 bytes is cut.
    const std::string longPath = "/nowhere/" + std::string(300, 'p') + ".mp3";
    BuildLibraryLine(longPath, lines, true);
    QCOMPARE(lines[3].substr(475, 255), longPath.substr(0, 255));
    QCOMPARE(lines[3].size(), LibraryLineLength);
}

void TestTrackInfo::libraryLineTransforms_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("artistRule");
    QTest::addColumn<bool>("titleRule");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("title");
    QTest::newRow("artist 03 Band") << "03 Band - 01 Song.mp3" << true << false << "Band"
                                    << "01 Song";
    QTest::newRow("title 01 Song") << "03 Band - 01 Song.mp3" << false << true << "03 Band"
                                   << "Song";
    QTest::newRow("off") << "03 Band - 01 Song.mp3" << false << false << "03 Band"
                         << "01 Song";
    // A title of three characters keeps its number.
    QTest::newRow("short title kept") << "03 Band - 01 .mp3" << true << true << "Band"
                                      << "01 ";
    // Other files: the title is compared with the changed artist before its own change.
    QTest::newRow("other file") << "03 Song.txt" << true << true << "Song"
                                << "Song";
    QTest::newRow("other file, artist rule only") << "03 Song.txt" << true << false << "Song"
                                                  << "03 Song";
    QTest::newRow("other file, no rule") << "03 Song.txt" << false << false << "03 Song"
                                         << "";
}

void TestTrackInfo::libraryLineTransforms() {
    QFETCH(QString, file);
    QFETCH(bool, artistRule);
    QFETCH(bool, titleRule);
    QFETCH(QString, artist);
    QFETCH(QString, title);
    const QString path = Path(file);
    if (file.endsWith(".mp3"))
        QVERIFY(writeFile(path, Mp3Frames(3)));
    std::vector<std::string> lines;
    LibraryTransforms t;
    t.TransformArtOrg = artistRule;
    t.TransformTitOrg = titleRule;
    BuildLibraryLine(path.toStdString(), lines, true, t);
    QCOMPARE(lines.size(), size_t(1));
    QCOMPARE(QString::fromStdString(lines[0].substr(0, 100)),
             QString::fromStdString(FillToWidth(artist.toStdString(), 100)));
    QCOMPARE(QString::fromStdString(lines[0].substr(100, 100)),
             QString::fromStdString(FillToWidth(title.toStdString(), 100)));
}

void TestTrackInfo::fillToWidthKeepsCharactersWhole() {
    QCOMPARE(FillToWidth("ab", 5), std::string("ab   "));
    QCOMPARE(FillToWidth("abcdef", 3), std::string("abc"));
    QCOMPARE(FillToWidth("", 0), std::string());
    // "a" then two-byte characters: a cut at byte 100 would split one, so it falls back to 99 and pads.
    std::string s = "a";
    for (int i = 0; i < 60; ++i)
        s += "\xC3\xA9";
    const std::string cut = FillToWidth(s, 100);
    QCOMPARE(cut.size(), size_t(100));
    QVERIFY(IsValidUtf8(cut));
    QCOMPARE(cut.substr(0, 99), s.substr(0, 99));
    QCOMPARE(cut[99], ' ');
    // A four-byte character at the edge.
    const std::string emoji = "xx\xF0\x9F\x8E\xB5";
    QCOMPARE(FillToWidth(emoji, 4), std::string("xx  "));
    QCOMPARE(FillToWidth(emoji, 6), emoji);
}

// ---- One read against the field-by-field rules
// --------------------------------------------------------------

void TestTrackInfo::oneReadGivesTheFieldByFieldTexts() {
    SKIP_WITHOUT_TAGLIB_FILES();
    std::vector<std::string> files = realFiles_;
    for (const char* f :
         {"both.mp3", "v1only.Mp3", "Some Band - Some Song.mp3", "Lead - Space.mp3", "notags.mp3",
          "Wave Artist - Wave Title.wav", "vorbis.ogg", "media.wma", "gone.ogg"})
        files.push_back(Path(f).toStdString());
    const QStringList real = QDir(TaglibFolder()).entryList(QDir::Files, QDir::Name);
    for (const QString& f : real)
        files.push_back(TaglibPath(f));
    QVERIFY(files.size() > 40);

    for (const std::string& path : files) {
        for (bool useId3v2 : {true, false}) {
            TrackRecord once;
            FillTrackItem(path, once, useId3v2);
            const bool exists = QFile::exists(QString::fromStdString(path));
            if (exists)
                QCOMPARE(Show(once), Show(RecordFieldByField(path, useId3v2)));
            // The library line carries the same texts.
            std::vector<std::string> lines;
            BuildLibraryLine(path, lines, useId3v2);
            QCOMPARE(lines.size(), size_t(1));
            QCOMPARE(lines[0].size(), LibraryLineLength);
            const std::string type = UpperFileExt(path);
            if (exists && (type == "MP3" || type == "WAV" || type == "OGG" || type == "WMA")) {
                size_t column = 0;
                for (size_t k = 0; k < TrackRecordFields; ++k) {
                    QCOMPARE(lines[0].substr(column, LibraryFieldWidths[k]),
                             FillToWidth(once[k], LibraryFieldWidths[k]));
                    column += LibraryFieldWidths[k];
                }
            }
        }
    }
    if (realFiles_.size() < 5)
        qWarning("encoders missing: only %d generated files checked", int(realFiles_.size()));
}

void TestTrackInfo::everyTestFileThroughTheService() {
    SKIP_WITHOUT_TAGLIB_FILES();
    // No crash, hang or over-read on any of them, and a record of eleven texts with the path last.
    const QStringList files = QDir(TaglibFolder()).entryList(QDir::Files, QDir::Name);
    QVERIFY(files.size() >= 40);
    std::vector<std::string> paths;
    for (const QString& f : files)
        paths.push_back(TaglibPath(f));
    std::vector<TrackRecord> records;
    FillTrackItems(paths, records, true);
    QCOMPARE(records.size(), paths.size());
    for (size_t i = 0; i < records.size(); ++i) {
        QCOMPARE(records[i][RecordPath], paths[i]);
        QVERIFY(!records[i][RecordArtist].empty() || !records[i][RecordTitle].empty());
        for (const std::string& text : records[i])
            QVERIFY2(IsValidUtf8(text), paths[i].c_str());
    }
}

void TestTrackInfo::testFileRecords() {
    SKIP_WITHOUT_TAGLIB_FILES();
    struct Case {
        const char* file;
        bool useId3v2;
        const char* record; // Artist|Title|Length|Album|Bitrate|Year|Style|Comment|Track|Size
    };
    const Case cases[] = {
        // TagLib: 2 s, 32 kbit/s, no tags. Our length counts the whole file at the first frame's rate;
        // 8208 bytes are 0.8 hundredths of our MB, which round to 1.
        {"xing.mp3", true, "xing|xing|0:02||32 kbit/s|||||0.01 MB"},
        // ID3v2.3 whose declared size exceeds the file: present, so no ID3v1 fallback, but nothing is read.
        {"w000.mp3", true, "w000|w000|0:00||0 kbit/s|||||0 MB"},
        // TagLib: 3 s, 64 kbit/s, 48000 Hz, title "test". Our length: file size over the maximum bit rate.
        {"silence-1.wma", true, "silence-1|test|0:04||64 kbit/s|||||0.03 MB"},
        // WM/TrackNumber is not WM/Track: no track number (TagLib: 1).
        {"real_example.wma", true,
         "Shoji Meguro|Wake Up, Get Up, Get Out There|0:01|Persona 5: Sounds of Rebellion|128 "
         "kbit/s||Alternative|||"
         "0.01 MB"},
        // Fails our plausibility test (144000 bytes/s): no values at all.
        {"lossless.wma", true, "lossless|lossless|0:00||0 kbit/s|||||0 MB"},
        // TagLib: 3.685 s, 44100 Hz; the size rounds to 0 hundredths of our MB.
        {"empty.ogg", true, "empty|empty|0:04||112 kbit/s|||||0 MB"},
        {"lowercase-fields.ogg", true, "TEST ARTIST|TEST TITLE|0:04||112 kbit/s|||||0 MB"},
        // Theora first: not read as Vorbis (TagLib: title "Paper Lights").
        {"multiplex.ogg", true, "multiplex|multiplex|0:00||0 kbit/s|||||0 MB"},
        // TagLib: 3.675 s. Bit rate is the word "Wavefile", size the RIFF size plus 8.
        {"empty.wav", true, "empty|empty|0:04||Wavefile|||||0.01 MB"},
        {"segfault.wav", true, "segfault|segfault|0:00||Wavefile|||||0 MB"},
        {"rf64.wav", true, "rf64|rf64|0:00||Wavefile|||||0 MB"},
    };
    for (const Case& c : cases) {
        TrackRecord r;
        const std::string path = TaglibPath(c.file);
        FillTrackItem(path, r, c.useId3v2);
        QStringList fields;
        for (int k = 0; k < RecordPath; ++k)
            fields << QString::fromStdString(r[k]);
        QCOMPARE(fields.join("|"), QString(c.record));
    }
}

// ---- Paths
// ---------------------------------------------------------------------------------------------------

void TestTrackInfo::driveReady_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("raises");
    QTest::addColumn<bool>("ready");
    QTest::newRow("root") << "/" << false << true;
    QTest::newRow("existing file") << QCoreApplication::applicationFilePath() << false << true;
    QTest::newRow("missing file in an existing folder")
        << QDir::tempPath() + "/no-such-folder-here/x/y.mp3" << false << true;
    QTest::newRow("missing top folder") << "/no-such-top-folder-here/a.mp3" << false << true;
    QTest::newRow("trailing slashes") << "/tmp//" << false << true;
    QTest::newRow("empty") << "" << true << false;
    QTest::newRow("relative") << "music/a.mp3" << true << false;
    QTest::newRow("dot relative") << "./a.mp3" << true << false;
    QTest::newRow("URL") << "http://example.invalid/a.mp3" << true << false;
    QTest::newRow("file URL") << "file:///tmp/a.mp3" << true << false;
}

void TestTrackInfo::driveReady() {
    QFETCH(QString, path);
    QFETCH(bool, raises);
    QFETCH(bool, ready);
    try {
        const bool result = DriveReady(path.toStdString());
        QVERIFY2(!raises, "expected an error");
        QCOMPARE(result, ready);
    } catch (const EConvertError& e) {
        QVERIFY2(raises, e.what());
        QCOMPARE(QString(e.what()), QString("Not a valid drive ID"));
    }
}

void TestTrackInfo::fileAvailable() {
    QVERIFY(FileAvailable(Path("both.mp3").toStdString()));
    QVERIFY(!FileAvailable(Path("gone.mp3").toStdString()));
    QVERIFY(!FileAvailable(dir_.path().toStdString())); // a folder
    QVERIFY(!FileAvailable(""));                        // no error raised
    QVERIFY(!FileAvailable("both.mp3"));
    QVERIFY(!FileAvailable("http://example.invalid/a.mp3"));
}

// ---- Audio start and cover picture ---------------------------------------------------------------------

void TestTrackInfo::audioStart() {
    const QString p = Path("start.mp3");
    const auto startOf = [&](const std::string& bytes) -> int64_t {
        if (!writeFile(p, bytes))
            return -2;
        return FindAudioStart(p.toStdString()) ? AudioStartMark() : -1;
    };
    const std::string tail(1128, '\0');
    QCOMPARE(startOf(std::string(100, 'x') + "\xFF\xFB" + tail), int64_t(102));
    QCOMPARE(startOf("\xFF\xFA" + tail), int64_t(2));
    // A 0xFF that is followed by another 0xFF is looked at again.
    QCOMPARE(startOf("ab\xFF\xFF\xFB" + tail), int64_t(5));
    QCOMPARE(startOf("ab\xFF\xF3\xFF\xFB" + tail), int64_t(6));
    // A chunk border between the two bytes (reads go in 64 KiB pieces).
    QCOMPARE(startOf(std::string(65535, 'x') + "\xFF\xFB" + tail), int64_t(65537));

    // Nothing found: false, and the mark keeps the last find.
    QVERIFY(startOf("\xFF\xFB" + tail) == 2);
    QVERIFY(writeFile(p, std::string(5000, 'x')));
    QVERIFY(!FindAudioStart(p.toStdString()));
    QCOMPARE(AudioStartMark(), int64_t(2));
    // The last 1128 bytes are never searched.
    QVERIFY(writeFile(p, "x\xFF\xFB" + std::string(1126, '\0')));
    QVERIFY(!FindAudioStart(p.toStdString()));
    QVERIFY(writeFile(p, "\xFF\xFB" + std::string(1127, '\0')));
    QVERIFY(FindAudioStart(p.toStdString()));
    QVERIFY(!FindAudioStart(Path("gone.mp3").toStdString()));
    QVERIFY(!FindAudioStart(""));
}

void TestTrackInfo::coverPicture() {
    const std::string picture = "\xFF\xD8\xFF\xE0 picture bytes \xFF\xD9";
    // An APIC frame as taggers wrote it: size, flags, encoding, "image/jpg", type, empty description.
    const auto apic = [](const std::string& data) {
        std::string f = "APIC";
        const uint32_t size = uint32_t(1 + 10 + 1 + 1 + data.size());
        f += char(size >> 24);
        f += char(size >> 16);
        f += char(size >> 8);
        f += char(size);
        f += std::string(2, '\0');
        f += '\0';
        f += std::string("image/jpg\0", 10);
        f += '\x03';
        f += '\0';
        return f + data;
    };
    const std::string padding(40, '\0');
    const std::string audio = Mp3Frames(4);
    const QString folder = Path("cover");
    QVERIFY(QDir().mkpath(folder));
    const QString jpg = folder + "/temp.jpg";
    const QString p = Path("cover.mp3");

    const auto extracted = [&](const std::string& bytes) -> std::string {
        if (!writeFile(p, bytes) || !FindAudioStart(p.toStdString()))
            return "<not written>";
        return ExtractCover(p.toStdString(), folder.toStdString()) ? str(readFile(jpg)) : "<none>";
    };

    // The picture is the frame's data behind its header fields: neither the tag's padding nor the audio
    // comes along.
    QCOMPARE(extracted("ID3\x03" + std::string(5, '\0') + char(apic(picture).size() + 40) + apic(picture) +
                       padding + audio),
             picture);
    // Without a tag at the start the bytes are scanned: the last APIC before the audio wins.
    QCOMPARE(extracted(apic("first picture") + apic(picture) + audio), picture);

    // No APIC: false, and the earlier picture file stays as it was.
    QCOMPARE(extracted(std::string(300, 'A') + "API" + audio), std::string("<none>"));
    QCOMPARE(str(readFile(jpg)), picture);

    // An APIC without data, or too close to the audio start for its header: nothing is written.
    QCOMPARE(extracted("APIC" + std::string(18, '\0') + audio), std::string("<none>"));
    QCOMPARE(extracted("APIC" + std::string(10, '\0') + audio), std::string("<none>"));
    QCOMPARE(extracted("APIC" + std::string(19, '\0') + audio), std::string("<none>"));
    QCOMPARE(str(readFile(jpg)), picture);

    // The file is scanned in 64 KiB pieces: an "APIC" across a border is found, and a picture longer than
    // a piece comes out whole.
    std::string big;
    for (int i = 0; i < 70000; ++i)
        big += char('a' + i % 26);
    QCOMPARE(extracted(std::string(65534, 'x') + apic(big) + audio), big);

    // A folder that cannot take the picture, and a mark beyond a shorter file: false, no error raised.
    QVERIFY(writeFile(p, apic(picture) + audio));
    QVERIFY(FindAudioStart(p.toStdString()));
    QVERIFY(!ExtractCover(p.toStdString(), Path("no/such/folder").toStdString()));
    QVERIFY(writeFile(Path("short.mp3"), "APIC"));
    QVERIFY(!ExtractCover(Path("short.mp3").toStdString(), folder.toStdString()));
    QVERIFY(!ExtractCover(Path("gone.mp3").toStdString(), folder.toStdString()));
    QVERIFY(!QFile::exists(folder + "/temp.jpg.part"));
}

QTEST_GUILESS_MAIN(TestTrackInfo)
#include "tst_trackinfo.moc"
