// The file information window's logic: which tag a field comes from, the read-only texts, and saving the
// fields into MP3 files (checked with TagLib), including failed saves that must leave the file alone.

#include "../FileSizeLimit.h"
#include "FileInfoFields.h"
#include "FileInfoFixtures.h"
#include "TID3v1.h"
#include "TID3v2.h"
#include "TMPEGaudio.h"
#include "TOggVorbis.h"
#include "TWAVfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#include <unistd.h>

using namespace larkspin;
using namespace fixtures;

Q_DECLARE_METATYPE(larkspin::TagFields)

namespace {

TagFields EveryField() {
    return {7, "2001", "Some Artist", "Some Title", "Some Album", "Some Comment", "Rock"};
}

} // namespace

class TestFileInfoFields : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(name); }

private slots:
    void mp3Fields_data();
    void mp3Fields();
    void durationText_data();
    void durationText();
    void genreIndex();
    void mp3Properties();
    void wavAndOggProperties();
    void saveEveryField_data();
    void saveEveryField();
    void genreOutsideTheTable();
    void nonAsciiRoundTrip();
    void untickedTagIsLeftAlone();
    void readOnlyFileIsSaved();
    void unwritableFolderReportsFailure();
    void vanishedFileReportsFailure();
    void fullDiskLeavesFileAsItWas();
};

void TestFileInfoFields::mp3Fields_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("useV1");
    QTest::addColumn<bool>("useV2");
    QTest::addColumn<TagFields>("expected");
    QTest::addColumn<bool>("marker");

    const QByteArray v1 = V1Block()
                              .put(3, "V1 Title")
                              .put(33, "V1 Artist")
                              .put(63, "V1 Album")
                              .put(93, "1987")
                              .put(97, "V1 Comment")
                              .byte(125, 0)
                              .byte(126, 5)
                              .byte(127, 17)
                              .b;
    const QByteArray v2 = v23Tag({{"TIT2", "V2 Title"}, {"TPE1", "V2 Artist"}, {"TCON", ""}});
    const QByteArray both = v2 + mp3Audio() + v1;

    QTest::newRow("both: ID3v2 where it has a value, ID3v1 for the rest")
        << both << true << true
        << TagFields{5, "1987", "V2 Artist", "V2 Title", "V1 Album", "V1 Comment", "Rock"} << true;
    QTest::newRow("Id3v1 unticked: ID3v2 alone, the missing year stays empty")
        << both << false << true << TagFields{0, "", "V2 Artist", "V2 Title", "", "", ""} << true;
    QTest::newRow("Id3v2 unticked: ID3v1 alone")
        << both << true << false
        << TagFields{5, "1987", "V1 Artist", "V1 Title", "V1 Album", "V1 Comment", "Rock"} << false;
    QTest::newRow("ID3v1 only, genre 255 chooses none")
        << mp3Audio() + V1Block().put(33, "Solo").byte(127, 255).b << true << true
        << TagFields{0, "", "Solo", "", "", "", ""} << false;
    QTest::newRow("ID3v2 track wins unless it is 0")
        << v23Tag({{"TRCK", "3/12"}}) + mp3Audio() + V1Block().byte(125, 0).byte(126, 9).b << true << true
        << TagFields{3, "", "", "", "", "", "Blues"} << true;
    QTest::newRow("no tags") << mp3Audio() << true << true << TagFields{} << false;
}

void TestFileInfoFields::mp3Fields() {
    QFETCH(QByteArray, file);
    QFETCH(bool, useV1);
    QFETCH(bool, useV2);
    QVERIFY(writeFile(path("fields.mp3"), file));
    TID3v1 v1;
    TID3v2 v2;
    QVERIFY(v1.Load(path("fields.mp3").toStdString()));
    QVERIFY(v2.Load(path("fields.mp3").toStdString()));
    const Mp3TagView view = Mp3TagFields(v1, v2, useV1, useV2);
    QTEST(view.fields, "expected");
    QTEST(view.fromId3v2, "marker");
}

void TestFileInfoFields::durationText_data() {
    QTest::addColumn<double>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("below one second") << 0.46 << ".5 sec.";
    QTest::newRow("one decimal") << 12.34 << "12.3 sec.";
    QTest::newRow("rounds up into the next second") << 9.96 << "10.0 sec.";
    QTest::newRow("zero") << 0.0 << ".0 sec.";
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << ".0 sec.";
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << ".0 sec.";
}

void TestFileInfoFields::durationText() {
    QFETCH(double, seconds);
    QTEST(DurationText(seconds), "text");
}

void TestFileInfoFields::genreIndex() {
    QCOMPARE(GenreIndexOf("Blues"), 0);
    QCOMPARE(GenreIndexOf("Rock"), 17);
    QCOMPARE(GenreIndexOf("rOCK"), 17);
    QCOMPARE(GenreIndexOf("Synthpop"), 147);
    QCOMPARE(GenreIndexOf("Rock "), 255);
    QCOMPARE(GenreIndexOf("Krautrock Deluxe"), 255);
    QCOMPARE(GenreIndexOf(""), 255);
}

void TestFileInfoFields::mp3Properties() {
    // A tag in front: the first frame's position counts from the file's start, not from the tag's end.
    const QByteArray tag = v23Tag({{"TIT2", "x"}});
    Header h;
    h.crc = true;
    h.original = true;
    h.mode = 3;
    QVERIFY(writeFile(path("props.mp3"), tag + frames(h, 417, 60)));
    TMPEGaudio mpeg;
    QVERIFY(mpeg.Load(path("props.mp3").toStdString()));
    const FileProperties p = Mp3Properties(mpeg);
    QCOMPARE(p.fileType, "Mp3 file");
    QCOMPARE(p.fileSize, QString::number(tag.size() + 417 * 60) + " bytes");
    QCOMPARE(p.bitrate, "CBR 128 kbit/s");
    QCOMPARE(p.sampleRate, "44100 hz");
    QCOMPARE(p.channelMode, QString::fromStdString(mpeg.ChannelModeName()));
    QCOMPARE(p.firstFrame, QString::number(tag.size()) + " bytes");
    QCOMPARE(p.totalFrames, "60");
    QCOMPARE(p.crc, "Yes");
    QCOMPARE(p.copyright, "No");
    QCOMPARE(p.original, "Yes");
    QCOMPARE(p.duration, DurationText(mpeg.Duration()));
    QCOMPARE(p.emphasis, QString::fromStdString(mpeg.EmphasisName()));
    QCOMPARE(p.encoder, QString::fromStdString(mpeg.EncoderName()));

    // TagLib agrees on what it can tell.
    TagLib::MPEG::File f(path("props.mp3").toLocal8Bit().constData());
    QVERIFY(f.audioProperties());
    QCOMPARE(f.audioProperties()->bitrate(), 128);
    QCOMPARE(f.audioProperties()->sampleRate(), 44100);
}

void TestFileInfoFields::wavAndOggProperties() {
    const QString wave = path("tone.wav");
    QVERIFY(Run("sox", {"-n", "-r", "22050", "-c", "1", "-b", "16", wave, "synth", "0.46", "sine", "440"}));
    TWAVfile wav;
    QVERIFY(wav.Load(wave.toStdString()));
    const FileProperties w = WavProperties(wav);
    QCOMPARE(w.fileType, "Wave file (PCM)");
    QCOMPARE(w.fileSize, QString::number(QFile(wave).size()) + " bytes");
    QCOMPARE(w.duration, ".5 sec.");
    QCOMPARE(w.sampleRate, "22050 hz");
    QCOMPARE(w.channelMode, "Mono");
    QVERIFY(w.bitrate.isEmpty() && w.totalFrames.isEmpty() && w.crc.isEmpty());

    const QString ogg = path("tone.ogg");
    QVERIFY(Run("oggenc", {"-Q", "-q", "2", "-t", "Ogg Title", "-a", "Ogg Artist", "-d", "2004", "-N", "4",
                           "-G", "Ambient", wave, "-o", ogg}));
    TOggVorbis vorbis;
    QVERIFY(vorbis.Load(ogg.toStdString()));
    const FileProperties o = OggProperties(vorbis);
    QCOMPARE(o.fileType, "Ogg Vorbis File");
    QCOMPARE(o.encoder, "Ogg Vorbis");
    // No "VBR "/"CBR " before an Ogg bitrate.
    QCOMPARE(o.bitrate, QString::number(vorbis.AverageBitrate()) + " kbit/s");
    QCOMPARE(o.channelMode, "Mono");
    QCOMPARE(OggTagFields(vorbis), (TagFields{4, "2004", "Ogg Artist", "Ogg Title", "", "", "Ambient"}));
}

void TestFileInfoFields::saveEveryField_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("no tags") << mp3Audio();
    QTest::newRow("both tags") << v23Tag({{"TIT2", "Old title"}, {"TPE1", "Old artist"}, {"TYER", "1970"}}) +
                                      mp3Audio() + V1Block().put(3, "Old title").byte(127, 3).b;
    QTest::newRow("ID3v2.4 tag with a large padding")
        << v2Tag(v24Frame("TIT2", latin1Text("Old")) + QByteArray(4000, '\0'), 4) + mp3Audio();
}

void TestFileInfoFields::saveEveryField() {
    QFETCH(QByteArray, file);
    const QString mp3 = path("save.mp3");
    QVERIFY(writeFile(mp3, file));
    TID3v1 v1;
    TID3v2 v2;
    QCOMPARE(SaveTagFields(mp3, EveryField(), &v1, &v2), QString());

    const SeenTags t = readWithTaglib(mp3);
    for (const SeenTag& tag : {t.v1, t.v2}) {
        QVERIFY(tag.present);
        QCOMPARE(tag.artist, "Some Artist");
        QCOMPARE(tag.title, "Some Title");
        QCOMPARE(tag.album, "Some Album");
        QCOMPARE(tag.comment, "Some Comment");
        QCOMPARE(tag.genre, "Rock");
        QCOMPARE(tag.year, 2001u);
        QCOMPARE(tag.track, 7u);
    }
    QCOMPARE(t.v1GenreNumber, 17);
    // The audio is still there, whole, between the tags.
    const QByteArray after = readFile(mp3);
    QVERIFY(after.indexOf(mp3Audio()) > 0);
    QCOMPARE(after.size() - after.indexOf(mp3Audio()) - mp3Audio().size(), 128);

    // Our own readers see the same, so the window's refill after a save shows what is in the file.
    QVERIFY(v1.Load(mp3.toStdString()) && v2.Load(mp3.toStdString()));
    QCOMPARE(Mp3TagFields(v1, v2, true, true).fields, EveryField());
}

void TestFileInfoFields::genreOutsideTheTable() {
    const QString mp3 = path("genre.mp3");
    QVERIFY(writeFile(mp3, mp3Audio() + V1Block().byte(127, 17).b));
    TagFields f = EveryField();
    f.genre = "Hard Bop Fusion";
    TID3v1 v1;
    TID3v2 v2;
    QCOMPARE(SaveTagFields(mp3, f, &v1, &v2), QString());
    const SeenTags t = readWithTaglib(mp3);
    QCOMPARE(t.v2.genre, "Hard Bop Fusion");
    QCOMPARE(t.v1GenreNumber, 255);
}

void TestFileInfoFields::nonAsciiRoundTrip() {
    const QString mp3 = path("unicode.mp3");
    QVERIFY(writeFile(mp3, mp3Audio()));
    TagFields f = EveryField();
    f.artist = QStringLiteral("Björk Guðmundsdóttir"); // fits Latin-1
    f.title = QStringLiteral("東京の夜");              // does not
    f.album = QStringLiteral("Ça va — “quotes”");
    TID3v1 v1;
    TID3v2 v2;
    QCOMPARE(SaveTagFields(mp3, f, &v1, &v2), QString());

    // ID3v2: TagLib decodes whichever encoding was chosen back to the same text.
    const SeenTags t = readWithTaglib(mp3);
    QCOMPARE(t.v2.artist, f.artist);
    QCOMPARE(t.v2.title, f.title);
    QCOMPARE(t.v2.album, f.album);
    // ID3v1 holds bytes: Latin-1 where every character fits, UTF-8 otherwise.
    const QByteArray tag = readFile(mp3).right(128);
    QCOMPARE(tag.mid(33, 30).replace('\0', ""), f.artist.toLatin1());
    QCOMPARE(tag.mid(3, 30).replace('\0', ""), f.title.toUtf8());
    // Our readers bring both back as the text typed (the album is cut to 30 bytes in ID3v1 only).
    QVERIFY(v1.Load(mp3.toStdString()) && v2.Load(mp3.toStdString()));
    QCOMPARE(QString::fromStdString(v1.Artist()), f.artist);
    QCOMPARE(QString::fromStdString(v1.Title()), f.title);
    QCOMPARE(Mp3TagFields(v1, v2, false, true).fields.album, f.album);
}

void TestFileInfoFields::untickedTagIsLeftAlone() {
    const QString mp3 = path("v2only.mp3");
    const QByteArray v1Block = V1Block().put(3, "Keep me").byte(127, 3).b;
    QVERIFY(writeFile(mp3, mp3Audio() + v1Block));
    TID3v2 v2;
    QCOMPARE(SaveTagFields(mp3, EveryField(), nullptr, &v2), QString());
    QCOMPARE(readFile(mp3).right(128), v1Block);
    QCOMPARE(readWithTaglib(mp3).v2.title, "Some Title");

    // And the other way round: an ID3v2 tag is not touched when only ID3v1 is written.
    const QByteArray head = readFile(mp3).left(int(v2.TagSize()));
    TID3v1 v1;
    QCOMPARE(SaveTagFields(mp3, TagFields{1, "", "Other", "", "", "", ""}, &v1, nullptr), QString());
    QVERIFY(readFile(mp3).startsWith(head));
    QCOMPARE(readWithTaglib(mp3).v1.artist, "Other");
}

void TestFileInfoFields::readOnlyFileIsSaved() {
    // Saving tags into a read-only file works: the owner gets write permission first.
    const QString mp3 = path("readonly.mp3");
    QVERIFY(writeFile(mp3, mp3Audio()));
    QVERIFY(QFile::setPermissions(mp3, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    TID3v1 v1;
    TID3v2 v2;
    QCOMPARE(SaveTagFields(mp3, EveryField(), &v1, &v2), QString());
    QCOMPARE(readWithTaglib(mp3).v1.artist, "Some Artist");
    QCOMPARE(readWithTaglib(mp3).v2.artist, "Some Artist");
}

void TestFileInfoFields::unwritableFolderReportsFailure() {
    if (::geteuid() == 0)
        QSKIP("permissions do not bind root");
    // A new ID3v2 tag needs a new file beside the old one: a folder that cannot be written refuses it.
    QVERIFY(QDir(dir.path()).mkpath("locked"));
    const QString mp3 = path("locked/song.mp3");
    const QByteArray original = mp3Audio() + V1Block().put(3, "Old").b;
    QVERIFY(writeFile(mp3, original));
    QVERIFY(QFile::setPermissions(path("locked"), QFile::ReadOwner | QFile::ExeOwner));
    TID3v1 v1;
    TID3v2 v2;
    const QString message = SaveTagFields(mp3, EveryField(), &v1, &v2);
    QFile::setPermissions(path("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY2(message.contains("could not be saved"), qPrintable(message));
    QCOMPARE(readFile(mp3), original);
}

void TestFileInfoFields::vanishedFileReportsFailure() {
    const QString mp3 = path("gone.mp3");
    for (int tags = 1; tags <= 3; ++tags) {
        TID3v1 v1;
        TID3v2 v2;
        const QString message =
            SaveTagFields(mp3, EveryField(), tags & 1 ? &v1 : nullptr, tags & 2 ? &v2 : nullptr);
        QVERIFY2(message.contains("does not exist"), qPrintable(message));
        QVERIFY(!QFile::exists(mp3));
    }
}

void TestFileInfoFields::fullDiskLeavesFileAsItWas() {
    // A file size limit a little above the file makes writing fail half-way, as a full disk would.
    const QByteArray original = v23Tag({{"TIT2", "Old"}}) + mp3Audio() + V1Block().put(3, "Old").b;
    const QString mp3 = path("full.mp3");
    for (int tags = 1; tags <= 3; ++tags) {
        QVERIFY(writeFile(mp3, tags == 1 ? mp3Audio() : original));
        const QByteArray before = readFile(mp3);
        TagFields f = EveryField();
        f.comment = QString(28, 'c'); // a larger ID3v2 tag than before
        FileSizeLimit limit(rlim_t(before.size() + 20));
        QVERIFY(limit.Active());
        TID3v1 v1;
        TID3v2 v2;
        const QString message = SaveTagFields(mp3, f, tags & 1 ? &v1 : nullptr, tags & 2 ? &v2 : nullptr);
        limit.Lift();
        QVERIFY2(message.contains("could not be saved"), qPrintable(message));
        QCOMPARE(readFile(mp3), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter("full").size(), 1);
    }
}

QTEST_GUILESS_MAIN(TestFileInfoFields)
#include "tst_fileinfofields.moc"
