// Saving the file information window's fields keeps everything it does not edit: files made by ffmpeg,
// eyeD3 and mid3v2 and real files of TagLib's test suite get one field edited (or none) through the
// window's own save, and then every other frame is still there byte for byte, in its order, in a tag of
// the same version; TagLib reads the edit, ffprobe still sees the cover.

#include "FileInfoFields.h"
#include "Id3Fixtures.h"
#include "RipTagging.h"
#include "TID3v1.h"
#include "TID3v2.h"
#include "TagTestFiles.h"

#include <taglib/id3v2frame.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace larkspin;
using namespace fixtures;

namespace {

struct RawFrame {
    QByteArray id;
    QByteArray bytes; // header and data as in the file
    QByteArray data;

    bool operator==(const RawFrame&) const = default;
};

struct RawTag {
    int version = 0;
    QList<RawFrame> frames;
};

quint32 sizeOf(const QByteArray& b, int at, int count, bool synchsafe) {
    quint32 n = 0;
    for (int k = 0; k < count; ++k)
        n = synchsafe ? (n << 7) | (quint8(b[at + k]) & 0x7F) : (n << 8) | quint8(b[at + k]);
    return n;
}

// The frames of the file's ID3v2 tag as stored, split by the published frame layout (written here
// independently of the product's reader).
RawTag rawTag(const QByteArray& file) {
    RawTag tag;
    if (!file.startsWith("ID3"))
        return tag;
    tag.version = file[3];
    const int end = std::min(10 + int(sizeOf(file, 6, 4, true)), int(file.size()));
    int pos = 10;
    if ((file[5] & 0x40) != 0 && tag.version >= 3)
        pos += tag.version == 3 ? 4 + int(sizeOf(file, 10, 4, false)) : int(sizeOf(file, 10, 4, true));
    const int header = tag.version == 2 ? 6 : 10;
    while (pos + header <= end && file[pos] >= 'A' && file[pos] <= 'Z') {
        const int idLength = tag.version == 2 ? 3 : 4;
        const int size = int(tag.version == 2 ? sizeOf(file, pos + 3, 3, false)
                                              : sizeOf(file, pos + 4, 4, tag.version == 4));
        tag.frames.append(
            {file.mid(pos, idLength), file.mid(pos, header + size), file.mid(pos + header, size)});
        pos += header + size;
    }
    return tag;
}

bool emptyDescription(const QByteArray& data) {
    if (data.size() < 5)
        return true;
    if (data[0] == 1 || data[0] == 2)
        return data.mid(4, 2) == QByteArray(2, '\0') || data.mid(6, 2) == QByteArray(2, '\0');
    return data[4] == '\0';
}

enum class Edit { None, Title, EmptyAlbum, Comment };

// True for the frames an edit may replace or remove: its field's own frames.
bool touchedBy(Edit edit, const RawFrame& f) {
    switch (edit) {
    case Edit::None:
        return false;
    case Edit::Title:
        return f.id == "TIT2" || f.id == "TT2";
    case Edit::EmptyAlbum:
        return f.id == "TALB" || f.id == "TAL";
    case Edit::Comment:
        return (f.id == "COMM" || f.id == "COM") && emptyDescription(f.data);
    }
    return false;
}

QList<RawFrame> untouched(const QList<RawFrame>& frames, Edit edit) {
    QList<RawFrame> kept;
    for (const RawFrame& f : frames)
        if (!touchedBy(edit, f))
            kept.append(f);
    return kept;
}

int attachedPictures(const QString& path) {
    QProcess p;
    p.start("ffprobe",
            {"-v", "error", "-show_entries", "stream_disposition=attached_pic", "-of", "csv=p=0", path});
    if (!p.waitForFinished(60000))
        return -1;
    return int(p.readAllStandardOutput().split('\n').count("1"));
}

struct TaglibView {
    int version = 0;
    QStringList ids; // frame names in order, with the texts of text frames
    QString title, album, comment;
};

TaglibView taglibView(const QString& path) {
    TaglibView v;
    TagLib::MPEG::File f(QFile::encodeName(path).constData());
    TagLib::ID3v2::Tag* tag = f.ID3v2Tag();
    if (!tag)
        return v;
    v.version = int(tag->header()->majorVersion());
    for (const TagLib::ID3v2::Frame* frame : tag->frameList())
        v.ids.append(QString::fromLatin1(frame->frameID().data(), int(frame->frameID().size())));
    v.title = QString::fromStdString(tag->title().to8Bit(true));
    v.album = QString::fromStdString(tag->album().to8Bit(true));
    v.comment = QString::fromStdString(tag->comment().to8Bit(true));
    return v;
}

} // namespace

Q_DECLARE_METATYPE(Edit)

class TestId3Keep : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    bool made = false;

private slots:
    void initTestCase();
    void saveKeepsWhatWasNotEdited_data();
    void saveKeepsWhatWasNotEdited();
    void damagedTagIsWrittenAnew();
    void ripTaggingKeepsTheEncodersFrames();
};

void TestId3Keep::initTestCase() {
    QVERIFY(dir.isValid());
    if (!HaveTool("ffmpeg") || !HaveTool("eyeD3") || !HaveTool("mid3v2") || !HaveTool("ffprobe"))
        return;
    const QString plain = path("plain.mp3"), cover = path("cover.png");
    QVERIFY(Run("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-c:a",
                           "libmp3lame", "-b:a", "64k", plain}));
    QVERIFY(
        Run("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "color=red:s=16x16", "-frames:v", "1", cover}));
    QVERIFY(Run("ffmpeg", {"-v",
                           "error",
                           "-i",
                           plain,
                           "-i",
                           cover,
                           "-map",
                           "0",
                           "-map",
                           "1",
                           "-c",
                           "copy",
                           "-id3v2_version",
                           "3",
                           "-write_id3v1",
                           "1",
                           "-metadata",
                           "title=T",
                           "-metadata",
                           "artist=A",
                           "-metadata",
                           "album_artist=AA",
                           "-metadata",
                           "disc=2/3",
                           "-metadata",
                           "album=Al",
                           "-metadata",
                           "comment=C",
                           "-metadata:s:v",
                           "comment=Cover (front)",
                           path("ffmpeg23.mp3")}));
    QVERIFY(writeFile(path("lyrics.txt"), "la la la\n"));
    QVERIFY(QFile::copy(plain, path("eyed3v24.mp3")));
    QVERIFY(Run("eyeD3", {"-Q",
                          "--to-v2.4",
                          "-t",
                          "Title",
                          "-a",
                          "Artist",
                          "-A",
                          "Album",
                          "-b",
                          "AlbumArtist",
                          "-d",
                          "2",
                          "-n",
                          "3",
                          "-Y",
                          "2004",
                          "--add-image",
                          cover + ":FRONT_COVER",
                          "--user-text-frame",
                          "REPLAYGAIN_TRACK_GAIN:-6.5 dB",
                          "--user-text-frame",
                          "MusicBrainz Album Id:1234",
                          "--add-lyrics",
                          path("lyrics.txt") + ":desc:eng",
                          "--add-comment",
                          "plain comment",
                          "--add-comment",
                          "other:desc2",
                          "--text-frame",
                          "TSSE:enc",
                          "--text-frame",
                          "TLEN:1000",
                          path("eyed3v24.mp3")}));
    QVERIFY(QFile::copy(path("eyed3v24.mp3"), path("eyed3v23.mp3")));
    QVERIFY(Run("eyeD3", {"-Q", "--to-v2.3", path("eyed3v23.mp3")}));
    QVERIFY(QFile::copy(plain, path("mid3v2.mp3")));
    QVERIFY(Run("mid3v2", {"-t", "Title", "-a", "Art", "-A", QString(300, 'L'), "-c", "::mid comment:eng",
                           "-c", "d:desc comment:eng", "--TXXX", "REPLAYGAIN_ALBUM_GAIN:-3 dB", "--TPE2",
                           "Band", "-p", cover + ":front:3:image/png", path("mid3v2.mp3")}));
    made = true;
}

void TestId3Keep::saveKeepsWhatWasNotEdited_data() {
    QTest::addColumn<QString>("source"); // a made file's name, or "taglib/" and a real file's name
    QTest::addColumn<int>("version");
    QTest::addColumn<int>("pictures");
    QTest::addColumn<Edit>("edit");

    const struct {
        const char* source;
        int version;
        int pictures;
    } files[] = {
        {"ffmpeg23.mp3", 3, 1},
        {"eyed3v24.mp3", 4, 1},
        {"eyed3v23.mp3", 3, 1},
        {"mid3v2.mp3", 4, 1},          // with an album of 300 letters
        {"taglib/itunes10.mp3", 2, 1}, // a v2.2 picture
        {"taglib/extended-header.mp3", 4, 0},
        {"taglib/id3v22-tda.mp3", 2, 0},
        {"taglib/rare_frames.mp3", 4, 0},
    };
    const struct {
        const char* name;
        Edit edit;
    } edits[] = {{"no change", Edit::None},
                 {"title", Edit::Title},
                 {"album emptied", Edit::EmptyAlbum},
                 {"comment", Edit::Comment}};
    for (const auto& f : files)
        for (const auto& e : edits)
            QTest::addRow("%s: %s", f.source, e.name)
                << QString(f.source) << f.version << f.pictures << e.edit;
}

void TestId3Keep::saveKeepsWhatWasNotEdited() {
    QFETCH(QString, source);
    QFETCH(int, version);
    QFETCH(int, pictures);
    QFETCH(Edit, edit);
    QString original;
    if (source.startsWith("taglib/")) {
        SKIP_WITHOUT_TAGLIB_FILES();
        original = TaglibFile(source.mid(7));
    } else {
        if (!made)
            QSKIP("ffmpeg, ffprobe, eyeD3 or mid3v2 is missing: skipped");
        original = path(source);
    }
    const QString file = path("edited.mp3");
    QFile::remove(file);
    QVERIFY(QFile::copy(original, file));
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    const RawTag before = rawTag(readFile(file));
    const TaglibView seenBefore = taglibView(file);
    QCOMPARE(before.version, version);
    QCOMPARE(attachedPictures(file), pictures);

    // What the window does: load both tags, show the fields, change one, "Save Tag".
    TID3v1 v1;
    TID3v2 v2;
    v1.Load(file.toStdString());
    QVERIFY(v2.Load(file.toStdString()));
    TagFields fields = Mp3TagFields(v1, v2, false, true).fields;
    const QString newTitle = QString::fromUtf8("Neuer Titel \xC3\xA9 \xE6\x97\xA5");
    const QString newComment = QString::fromUtf8("Kommentar \xE2\x82\xAC");
    if (edit == Edit::Title)
        fields.title = newTitle;
    else if (edit == Edit::EmptyAlbum)
        fields.album.clear();
    else if (edit == Edit::Comment)
        fields.comment = newComment;
    QCOMPARE(SaveTagFields(file, fields, v1.Present() ? &v1 : nullptr, &v2), QString());

    const QByteArray afterBytes = readFile(file);
    const RawTag after = rawTag(afterBytes);
    QCOMPARE(after.version, version);
    // Every frame the edit does not own is still there, byte for byte and in its order.
    QCOMPARE(untouched(after.frames, edit), untouched(before.frames, edit));
    const int added = int(after.frames.size() - untouched(after.frames, edit).size());
    if (edit == Edit::None || edit == Edit::EmptyAlbum)
        QCOMPARE(added, 0);
    else
        QCOMPARE(added, 1);
    if (edit == Edit::None)
        QCOMPARE(after.frames, before.frames);

    // TagLib sees the same frames and the edit.
    const TaglibView seen = taglibView(file);
    QCOMPARE(seen.version, version);
    QStringList expectedIds = seenBefore.ids;
    const QString titleId = version == 2 ? "TT2" : "TIT2";
    if (edit == Edit::EmptyAlbum) // TagLib names v2.2 frames by their later names
        expectedIds.removeAll("TALB");
    if (edit == Edit::Title && !expectedIds.contains(titleId) && !expectedIds.contains("TIT2"))
        expectedIds.append("TIT2");
    // (TagLib passes over a frame of the tag whose extended header has a CRC; the saved tag has none.)
    if (edit != Edit::Comment && !source.contains("extended-header"))
        QCOMPARE(seen.ids, expectedIds);
    if (edit == Edit::Title)
        QCOMPARE(seen.title, newTitle);
    if (edit == Edit::EmptyAlbum)
        QCOMPARE(seen.album, QString());
    if (edit != Edit::EmptyAlbum)
        QCOMPARE(seen.album, seenBefore.album);
    if (edit != Edit::Title)
        QCOMPARE(seen.title, seenBefore.title);

    // Larkspin reads the edit back; the audio behind the tag is untouched.
    TID3v2 back;
    QVERIFY(back.Load(file.toStdString()));
    if (edit == Edit::Comment)
        QCOMPARE(QString::fromStdString(back.Comment()), newComment);
    const QByteArray originalBytes = readFile(original);
    const qint64 oldAudio = v2.TagSize();
    const qint64 v1Length = v1.Present() ? 128 : 0;
    QCOMPARE(afterBytes.mid(back.TagSize(), afterBytes.size() - back.TagSize() - v1Length),
             originalBytes.mid(oldAudio, originalBytes.size() - oldAudio - v1Length));
    QCOMPARE(attachedPictures(file), pictures);
}

void TestId3Keep::damagedTagIsWrittenAnew() {
    // A v2.3 tag unsynchronised as a whole cannot keep its frames as they are: it is written anew with
    // the fields (and the reason logged), and the audio stays.
    const QString file = path("unsync.mp3");
    const QByteArray tag = v2Header(quint32(v2Frame("TIT2", latin1Text("Old")).size()), 3, 0x80) +
                           v2Frame("TIT2", latin1Text("Old"));
    QVERIFY(writeFile(file, tag + frames(Header{}, 417, 6)));
    TID3v1 v1;
    TID3v2 v2;
    QVERIFY(v2.Load(file.toStdString()));
    TagFields fields = Mp3TagFields(v1, v2, false, true).fields;
    fields.artist = "New";
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("unsynchronised"));
    QCOMPARE(SaveTagFields(file, fields, nullptr, &v2), QString());
    QCOMPARE(readFile(file), v2Tag(v2Frame("TIT2", latin1Text("Old")) + v2Frame("TPE1", latin1Text("New"))) +
                                 frames(Header{}, 417, 6));
}

void TestId3Keep::ripTaggingKeepsTheEncodersFrames() {
    // An encoder wrote a v2.4 tag with its own frames; the rip then writes both tags in one go, and the
    // v2.4 tag keeps its version and every frame the rip does not set.
    const QString file = path("ripped.mp3");
    const QByteArray encoder = v24Frame("TSSE", QByteArray("\3LAME", 5));
    const QByteArray picture = v24Frame("APIC", QByteArray("\0image/png\0\3\0", 13) + QByteArray(300, 'p'));
    const QByteArray audio = frames(Header{}, 417, 6);
    QVERIFY(writeFile(file, v2Tag(encoder + v24Frame("TIT2", QByteArray("\3Old", 4)) + picture, 4) + audio));
    RipTagValues values;
    values.Track = 3;
    values.Artist = "Artist";
    values.Title = "Title";
    values.Album = "Album";
    values.Year = "2001";
    values.Genre = "Rock";
    QCOMPARE(WriteRipTags(file, values, {true, true}), QString());
    const QByteArray tag =
        v2Tag(encoder + v24Frame("TIT2", QByteArray("\3Title", 6)) + picture +
                  v24Frame("TPE1", QByteArray("\3Artist", 7)) + v24Frame("TALB", QByteArray("\3Album", 6)) +
                  v24Frame("TRCK", QByteArray("\3"
                                              "3",
                                              2)) +
                  v24Frame("TDRC", QByteArray("\3"
                                              "2001",
                                              5)) +
                  v24Frame("TCON", QByteArray("\3Rock", 5)),
              4);
    const QByteArray after = readFile(file);
    QCOMPARE(after.left(tag.size()), tag);
    QCOMPARE(after.mid(tag.size(), audio.size()), audio);
    TID3v1 v1;
    QVERIFY(v1.Load(file.toStdString()));
    QVERIFY(v1.Present());
    QCOMPARE(QString::fromStdString(v1.Title()), QString("Title"));
    QCOMPARE(after.size(), tag.size() + audio.size() + 128);
}

QTEST_GUILESS_MAIN(TestId3Keep)
#include "tst_id3keep.moc"
