// FLAC, Ogg Opus, MP4/M4A and ID3v2.4-tagged MP3 files made at test time by the standard tools: every
// field text the track information service shows equals what the tool wrote, length and bitrate agree
// with TagLib within rounding, and the cover comes out whole. Damaged copies of each never harm.
#include "CoverPicture.h"
#include "TagTestFiles.h"
#include "TextConvert.h"
#include "TrackFieldOracle.h"
#include "TrackFormat.h"
#include "TrackInfo.h"

#include <taglib/audioproperties.h>
#include <taglib/fileref.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace larkspin;
using namespace fixtures;

namespace {

const QString Title = QString::fromUtf8("Gr\xC3\xBC\xC3\x9F"
                                        "e \xE6\x97\xA5\xE6\x9C\xAC");
const QString Artist = QString::fromUtf8("\xC3\x9Cn\xC3\xAF"
                                         "code");

struct Expected {
    QString artist, title, album, year, genre, comment, track;
};

} // namespace

Q_DECLARE_METATYPE(Expected)

class TestTodaysFormats : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    QString tone, cover;

private slots:
    void initTestCase();
    void realFiles_data();
    void realFiles();
    void damagedCopies_data();
    void damagedCopies();
    void readsTrackInfo();
};

void TestTodaysFormats::initTestCase() {
    QVERIFY(dir.isValid());
    CreateTrackReaders();
    if (!HaveTool("sox") || !HaveTool("ffmpeg"))
        QSKIP("sox and ffmpeg are needed to make the files");
    tone = path("tone.wav");
    cover = path("cover.jpg");
    QVERIFY(Run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", tone, "synth", "3", "sine", "440",
                        "pinknoise", "vol", "0.3"}));
    QVERIFY(Run("ffmpeg", {"-loglevel", "error", "-y", "-f", "lavfi", "-i", "color=c=blue:s=48x48",
                           "-frames:v", "1", cover}));
}

void TestTodaysFormats::realFiles_data() {
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("args"); // %in the tone, %out the file, %cover the picture
    QTest::addColumn<Expected>("expected");

    const Expected full{Artist, Title, "The Album", "2004", "Ambient", "Nice one", "03"};
    QTest::newRow("FLAC") << "flac"
                          << "a.flac"
                          << QStringList{"--silent",
                                         "-T",
                                         "TITLE=" + Title,
                                         "-T",
                                         "ARTIST=" + Artist,
                                         "-T",
                                         "ALBUM=The Album",
                                         "-T",
                                         "DATE=2004-05-01",
                                         "-T",
                                         "GENRE=Ambient",
                                         "-T",
                                         "COMMENT=Nice one",
                                         "-T",
                                         "TRACKNUMBER=3/10",
                                         "--picture=%cover",
                                         "-o",
                                         "%out",
                                         "%in"}
                          << full;
    QTest::newRow("FLAC, two artists")
        << "flac"
        << "b.flac" << QStringList{"--silent", "-T",      "ARTIST=One", "-T",   "ARTIST=Two",
                                   "-T",       "TITLE=T", "-o",         "%out", "%in"}
        << Expected{"One / Two", "T", "", "", "", "", ""};
    QTest::newRow("Opus") << "opusenc"
                          << "c.opus" << QStringList{"--quiet",
                                                     "--title",
                                                     Title,
                                                     "--artist",
                                                     Artist,
                                                     "--album",
                                                     "The Album",
                                                     "--date",
                                                     "2004",
                                                     "--genre",
                                                     "Ambient",
                                                     "--comment",
                                                     "COMMENT=Nice one",
                                                     "--tracknumber",
                                                     "3",
                                                     "--picture",
                                                     "%cover",
                                                     "%in",
                                                     "%out"}
                          << full;
    const QStringList metadata = {"-metadata", "title=" + Title,  "-metadata", "artist=" + Artist,
                                  "-metadata", "album=The Album", "-metadata", "date=2004",
                                  "-metadata", "genre=Ambient",   "-metadata", "comment=Nice one",
                                  "-metadata", "track=3/10"};
    QTest::newRow("M4A, AAC, moov behind the audio, cover")
        << "ffmpeg"
        << "d.m4a"
        << QStringList{"-loglevel", "error",          "-y",          "-i",   "%in", "-i",   "%cover", "-map",
                       "0:a",       "-map",           "1",           "-c:a", "aac", "-b:a", "128k",   "-c:v",
                       "copy",      "-disposition:v", "attached_pic"} +
               metadata + QStringList{"%out"}
        << full;
    QTest::newRow("M4A, ALAC, moov in front")
        << "ffmpeg"
        << "e.m4a"
        << QStringList{"-loglevel", "error", "-y", "-i", "%in", "-c:a", "alac", "-movflags", "+faststart"} +
               metadata + QStringList{"%out"}
        << full;
    QTest::newRow("MP4") << "ffmpeg"
                         << "f.mp4"
                         << QStringList{"-loglevel", "error", "-y",  "-i",        "%in",         "-c:a",
                                        "aac",       "-b:a",  "96k", "-metadata", "title=Plain", "%out"}
                         << Expected{"", "Plain", "", "", "", "", ""};
    QTest::newRow("MP3, eyeD3 ID3v2.4 with cover") << "eyeD3"
                                                   << "g.mp3"
                                                   << QStringList{"--quiet",
                                                                  "-t",
                                                                  Title,
                                                                  "-a",
                                                                  Artist,
                                                                  "-A",
                                                                  "The Album",
                                                                  "-Y",
                                                                  "2004",
                                                                  "-G",
                                                                  "Ambient",
                                                                  "-n",
                                                                  "3",
                                                                  "-N",
                                                                  "10",
                                                                  "-c",
                                                                  "Nice one",
                                                                  "--add-image",
                                                                  "%cover:FRONT_COVER",
                                                                  "%out"}
                                                   << full;
    QTest::newRow("MP3, mid3v2 ID3v2.4")
        << "mid3v2"
        << "h.mp3" << QStringList{"-t", Title,     "-a", Artist, "-A", "The Album", "-y",  "2004",
                                  "-g", "Ambient", "-T", "3/10", "-c", "Nice one",  "%out"}
        << full;
}

void TestTodaysFormats::realFiles() {
    QFETCH(QString, tool);
    QFETCH(QString, file);
    QFETCH(QStringList, args);
    QFETCH(Expected, expected);
    if (!HaveTool(tool.toUtf8().constData()) || !HaveTool("lame"))
        QSKIP(qPrintable(tool + " and lame are needed"));
    const QString out = path(file);
    for (QString& a : args)
        a.replace("%in", tone).replace("%out", out).replace("%cover", cover);
    if (file.endsWith(".mp3"))
        QVERIFY(Run("lame", {"--quiet", "-b", "128", tone, out}));
    QVERIFY(Run(tool, args));

    const std::string p = out.toStdString();
    TrackRecord r;
    FillTrackItem(p, r, true);
    QCOMPARE(QString::fromStdString(r[RecordArtist]),
             expected.artist.isEmpty() ? file.left(1) : expected.artist);
    QCOMPARE(QString::fromStdString(r[RecordTitle]), expected.title);
    QCOMPARE(QString::fromStdString(r[RecordAlbum]), expected.album);
    QCOMPARE(QString::fromStdString(r[RecordYear]), expected.year);
    QCOMPARE(QString::fromStdString(r[RecordStyle]), expected.genre);
    QCOMPARE(QString::fromStdString(r[RecordComment]), expected.comment);
    QCOMPARE(QString::fromStdString(r[RecordTrack]), expected.track);
    QCOMPARE(r[RecordSize], FormatSize(QFileInfo(out).size()));
    QCOMPARE(r, RecordFieldByField(p, true));

    // Length and bitrate as TagLib reads them, within rounding.
    TagLib::FileRef ref(p.c_str(), true, TagLib::AudioProperties::Accurate);
    QVERIFY(!ref.isNull() && ref.audioProperties());
    const int ms = ref.audioProperties()->lengthInMilliseconds();
    const QString length = QString::fromStdString(r[RecordLength]);
    QVERIFY2(length == QString::fromStdString(FormatLength(ms / 1000.0)) ||
                 length == QString::fromStdString(FormatLength(ms / 1000.0 + 0.5)) ||
                 length == QString::fromStdString(FormatLength(ms / 1000.0 - 0.5)),
             qPrintable(length + " / TagLib " + QString::number(ms) + " ms"));
    const int kbits = QString::fromStdString(r[RecordBitrate]).section(' ', 0, 0).toInt();
    QVERIFY2(std::abs(kbits - ref.audioProperties()->bitrate()) <= 2,
             qPrintable(QString::fromStdString(r[RecordBitrate]) + " / TagLib " +
                        QString::number(ref.audioProperties()->bitrate())));

    // The cover, where the tool wrote one, comes out byte for byte.
    if (args.join(' ').contains(cover)) {
        QFile::remove(path("temp.jpg"));
        if (file.endsWith(".mp3"))
            QVERIFY(FindAudioStart(p));
        QVERIFY(ExtractCover(p, dir.path().toStdString()));
        QCOMPARE(readFile(path("temp.jpg")), readFile(cover));
    }
}

// Copies of each file cut short or with bytes overwritten: reading never fails harmfully, the record
// equals the field-by-field one, and every text is valid UTF-8.
void TestTodaysFormats::damagedCopies_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("damage");
    for (const char* file : {"a.flac", "c.opus", "d.m4a", "e.m4a", "g.mp3"}) {
        for (const char* damage : {"cut at 40", "cut at 300", "cut in half", "cut 1000 short", "zeros at 4",
                                   "0xFF run at 8", "sizes inflated"})
            QTest::newRow(qPrintable(QString(file) + ", " + damage)) << file << damage;
    }
}

void TestTodaysFormats::damagedCopies() {
    QFETCH(QString, file);
    QFETCH(QString, damage);
    QByteArray content = readFile(path(file));
    if (content.isEmpty())
        QSKIP("the file was not made (see realFiles)");
    if (damage == "cut at 40")
        content.truncate(40);
    else if (damage == "cut at 300")
        content.truncate(300);
    else if (damage == "cut in half")
        content.truncate(content.size() / 2);
    else if (damage == "cut 1000 short")
        content.chop(1000);
    else if (damage == "zeros at 4")
        content.replace(4, 64, QByteArray(64, '\0'));
    else if (damage == "0xFF run at 8")
        content.replace(8, 200, QByteArray(200, '\xFF'));
    else if (damage == "sizes inflated") // every 32-bit word whose top byte is 0 gets it set
        for (qsizetype i = 0; i + 4 <= qMin<qsizetype>(content.size(), 4096); i += 4)
            if (content[i] == 0)
                content[i] = '\x7F';
    const QString copy = path("damaged-" + file);
    QVERIFY(writeFile(copy, content));
    const std::string p = copy.toStdString();
    TrackRecord r;
    FillTrackItem(p, r, true);
    QCOMPARE(r, RecordFieldByField(p, true));
    for (const std::string& text : r)
        QVERIFY(IsValidUtf8(text));
    QFile::remove(path("temp.jpg"));
    if (file.endsWith(".mp3"))
        FindAudioStart(p);
    ExtractCover(p, dir.path().toStdString());
}

void TestTodaysFormats::readsTrackInfo() {
    for (const char* name :
         {"a.flac", "b.FLAC", "c.opus", "d.m4a", "e.M4A", "f.mp4", "g.mp3", "x.ogg", "y.wav", "z.wma"})
        QVERIFY2(ReadsTrackInfo(name), name);
    for (const char* name : {"a.aac", "b.ape", "c.txt", "noext", "d.flac.part"})
        QVERIFY2(!ReadsTrackInfo(name), name);
}

QTEST_GUILESS_MAIN(TestTodaysFormats)
#include "tst_todaysformats.moc"
