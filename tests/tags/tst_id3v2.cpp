// ID3v2: reading the seven text frames of ID3v2.3 tags, text encodings, and rebuilding files on save.

#include "../FileSizeLimit.h"
#include "FileBytes.h"
#include "Id3Fixtures.h"
#include "TID3v2.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace larkspin;
using namespace fixtures;

namespace {

QByteArray audio() {
    return QByteArray("\xFF\xFB\x90\x00", 4) + QByteArray(3000, '\x33');
}

struct Fields {
    QString title, artist, album, year, genre, comment;
    int track = 0;
};

Fields fieldsOf(const TID3v2& t) {
    return {QString::fromStdString(t.Title()),
            QString::fromStdString(t.Artist()),
            QString::fromStdString(t.Album()),
            QString::fromStdString(t.Year()),
            QString::fromStdString(t.Genre()),
            QString::fromStdString(t.Comment()),
            t.Track()};
}

} // namespace

class TestId3v2 : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(name); }
    Fields load(const QByteArray& content, TID3v2& tag) {
        const QString file = path("load.mp3");
        if (!writeFile(file, content))
            return {};
        if (!tag.Load(file.toStdString())) {
            Fields failed;
            failed.title = "<load failed>";
            return failed;
        }
        return fieldsOf(tag);
    }

private slots:
    void frames_data();
    void frames();
    void extendedHeaderIsSkipped();
    void laterVersions_data();
    void laterVersions();
    void largeTagIsReadWithOneRead();
    void trackAndGenre_data();
    void trackAndGenre();
    void header_data();
    void header();
    void loadFailsBelow10Bytes();
    void bytesWritten_data();
    void bytesWritten();
    void saveRoundTrip_data();
    void saveRoundTrip();
    void saveKeepsTheVersionAndOtherFrames();
    void replacingOnlyTheChangedFrames_data();
    void replacingOnlyTheChangedFrames();
    void saveKeepsBytesOfOversizedTag();
    void saveReadOnlyFile();
    void saveThroughSymlink();
    void saveKeepsExistingBackupName();
    void failedRebuildLeavesOriginal();
    void saveRefusesMissingFile();
};

// Each row: the frames of an ID3v2.3 tag, and the title, artist and comment read from it.
void TestId3v2::frames_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("comment");

    QTest::newRow("Latin-1 frames") << v2Frame("TIT2", latin1Text("Title")) +
                                           v2Frame("TPE1", latin1Text("Artist"))
                                    << "Title"
                                    << "Artist"
                                    << "";
    QTest::newRow("8-bit text that is not UTF-8 is Latin-1")
        << v2Frame("TIT2", latin1Text("Caf\xE9")) << QString::fromUtf8("Caf\xC3\xA9") << ""
        << "";
    QTest::newRow("8-bit text that is UTF-8 stays UTF-8")
        << v2Frame("TIT2", latin1Text("Caf\xC3\xA9")) << QString::fromUtf8("Caf\xC3\xA9") << ""
        << "";
    QTest::newRow("UTF-16 little-endian with mark")
        << v2Frame("TIT2", utf16Text(QString::fromUtf8("Gr\xC3\xBC\xC3\x9F \xE6\x97\xA5\xE6\x9C\xAC")))
        << QString::fromUtf8("Gr\xC3\xBC\xC3\x9F \xE6\x97\xA5\xE6\x9C\xAC") << ""
        << "";
    QTest::newRow("UTF-16 big-endian with mark, terminated")
        << v2Frame("TPE1",
                   utf16Text(QString::fromUtf8("\xD0\x9C\xD1\x83\xD0\xB7"), true) + QByteArray(2, '\0'))
        << "" << QString::fromUtf8("\xD0\x9C\xD1\x83\xD0\xB7") << "";
    QTest::newRow("UTF-16 surrogate pair")
        << v2Frame("TIT2", utf16Text(QString::fromUtf8("a\xF0\x9F\x8E\xB5")))
        << QString::fromUtf8("a\xF0\x9F\x8E\xB5") << ""
        << "";
    QTest::newRow("leading and trailing blanks trimmed")
        << v2Frame("TIT2", latin1Text("  Title \r\n")) << "Title"
        << ""
        << "";
    QTest::newRow("comment with empty description") << v2Frame("COMM", QByteArray("\0eng\0Nice", 9)) << ""
                                                    << ""
                                                    << "Nice";
    QTest::newRow("comment description stays in front")
        << v2Frame("COMM", QByteArray("\0engdesc\0Nice", 13)) << ""
        << "" << QString::fromUtf8("desc\0Nice", 9);
    QTest::newRow("UTF-16 comment") << v2Frame("COMM",
                                               QByteArray("\1eng\xFF\xFE\0\0", 8) +
                                                   utf16Text(QString::fromUtf8("\xC3\xA9t\xC3\xA9")).mid(1))
                                    << ""
                                    << "" << QString::fromUtf8("\xC3\xA9t\xC3\xA9");
    QTest::newRow("later COMM wins") << v2Frame("COMM", QByteArray("\0eng\0First", 10)) +
                                            v2Frame("COMM", QByteArray("\0eng\0Second", 11))
                                     << ""
                                     << ""
                                     << "Second";
    QTest::newRow("other frames skipped")
        << v2Frame("TXXX", latin1Text("x")) + v2Frame("APIC", QByteArray(600, 'p')) +
               v2Frame("TIT2", latin1Text("T"))
        << "T"
        << ""
        << "";
    QTest::newRow("frame over 250 bytes: first 250 read, next frame still found")
        << v2Frame("TIT2", latin1Text(QByteArray(300, 'a'))) + v2Frame("TPE1", latin1Text("B"))
        << QString(249, 'a') << "B"
        << "";
    // Of a UTF-16 frame over 250 bytes the whole characters in the first 250 bytes are read.
    QTest::newRow("UTF-16 over 250 bytes")
        << v2Frame("TIT2", utf16Text(QString(200, QChar(0x65E5)))) << QString(123, QChar(0x65E5)) << ""
        << "";
    QTest::newRow("UTF-16 over 250 bytes cut inside a pair")
        << v2Frame("TIT2", utf16Text(QString::fromUtf8("\xF0\x9F\x8E\xB5").repeated(70)))
        << QString::fromUtf8("\xF0\x9F\x8E\xB5").repeated(61) << ""
        << "";
    // Files that leave the mark out are little-endian.
    QTest::newRow("UTF-16 without a mark is little-endian")
        << v2Frame("TIT2", QByteArray("\1G\0r\0\xFC\0\xE5\x65", 9))
        << QString::fromUtf8("Gr\xC3\xBC\xE6\x97\xA5") << ""
        << "";
    // The 250-byte read cuts the 125th "é" of valid UTF-8 text: the whole ones stay UTF-8.
    QTest::newRow("8-bit UTF-8 cut inside a character by the read")
        << v2Frame("TIT2", latin1Text(QByteArray("\xC3\xA9").repeated(150)))
        << QString::fromUtf8("\xC3\xA9").repeated(124) << ""
        << "";
    QTest::newRow("8-bit Latin-1 cut by the read stays Latin-1")
        << v2Frame("TIT2", latin1Text(QByteArray("\xE9").repeated(300)))
        << QString::fromUtf8("\xC3\xA9").repeated(249) << ""
        << "";
    // The frame's odd last byte is completed by a zero, as the read into a zero-filled buffer did.
    QTest::newRow("UTF-16 with an odd last byte") << v2Frame("TIT2", QByteArray("\1\xFF\xFE"
                                                                                "A\0B",
                                                                                6))
                                                  << "AB"
                                                  << ""
                                                  << "";
    QTest::newRow("UTF-16 unpaired surrogate") << v2Frame("TIT2", QByteArray("\1\xFF\xFE\x00\xD8\x41\x00", 7))
                                               << QString::fromUtf8("\xEF\xBF\xBD"
                                                                    "A")
                                               << ""
                                               << "";
    QTest::newRow("padding ends the scan")
        << v2Frame("TIT2", latin1Text("T")) + QByteArray(20, '\0') + v2Frame("TPE1", latin1Text("late"))
        << "T"
        << ""
        << "";
    QTest::newRow("lower-case identifier ends the scan")
        << v2Frame("TIT2", latin1Text("T")) + v2Frame("tpe1", latin1Text("x")) +
               v2Frame("TPE1", latin1Text("y"))
        << "T"
        << ""
        << "";
    // A frame's data never reaches past the tag into the audio.
    QTest::newRow("frame size past the tag ends the scan")
        << v2Frame("TIT2", latin1Text("T")) + QByteArray("TPE1\xFF\xFF\xFF\xFF\0\0\0Who", 14) << "T"
        << "Who"
        << "";
}

void TestId3v2::frames() {
    QFETCH(QByteArray, body);
    TID3v2 tag;
    const Fields f = load(v2Tag(body) + audio(), tag);
    QVERIFY(tag.Present());
    QCOMPARE(int(tag.MajorVersion()), 3);
    QCOMPARE(tag.TagSize(), std::int64_t(body.size() + 10));
    QTEST(f.title, "title");
    QTEST(f.artist, "artist");
    QTEST(f.comment, "comment");
}

void TestId3v2::extendedHeaderIsSkipped() {
    const QByteArray frames = v2Frame("TIT2", latin1Text("After"));
    const QByteArray extended = bigEndian32(6) + QByteArray(6, '\0');
    const QByteArray body = extended + frames;
    TID3v2 tag;
    const Fields f = load(v2Header(quint32(body.size()), 3, 0x40) + body + audio(), tag);
    QCOMPARE(f.title, QString("After"));
}

// ID3v2.4 and v2.2 tags: each row's body, version and the fields read from it.
void TestId3v2::laterVersions_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("album");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("genre");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<int>("track");

    const QByteArray utf8 = QByteArray("\3") + "Gr\xC3\xBC\xC3\x9F";
    QTest::newRow("v2.4 UTF-8, TDRC year, numbered genre")
        << v24Frame("TIT2", utf8) + v24Frame("TPE1", latin1Text("A")) + v24Frame("TALB", latin1Text("B")) +
               v24Frame("TDRC", latin1Text("2004-05-01")) + v24Frame("TCON", latin1Text("17")) +
               v24Frame("TRCK", latin1Text("7/9"))
        << 4 << 0 << QString::fromUtf8("Gr\xC3\xBC\xC3\x9F") << "A"
        << "B"
        << "2004"
        << "Rock"
        << "" << 7;
    QTest::newRow("v2.4 several values joined, UTF-16 big-endian without mark")
        << v24Frame("TPE1", QByteArray("\3One\0Two\0", 9)) + v24Frame("TIT2", QByteArray("\2\0X\0\0\0Y", 7))
        << 4 << 0 << "X / Y"
        << "One / Two"
        << ""
        << ""
        << ""
        << "" << 0;
    // A frame over 127 bytes shows the synchsafe size: read as a plain number it would end the walk.
    QTest::newRow("v2.4 synchsafe frame size")
        << v24Frame("COMM", QByteArray("\0eng\0", 5) + QByteArray(200, 'c')) +
               v24Frame("TIT2", latin1Text("T"))
        << 4 << 0 << "T"
        << ""
        << ""
        << ""
        << "" << QString(200, 'c') << 0;
    QTest::newRow("v2.4 plain frame size from an old writer")
        << QByteArray("COMM") + bigEndian32(205) + QByteArray(2, '\0') + QByteArray("\0eng\0", 5) +
               QByteArray(200, 'c') + v24Frame("TIT2", latin1Text("T"))
        << 4 << 0 << "T"
        << ""
        << ""
        << ""
        << "" << QString(200, 'c') << 0;
    QTest::newRow("v2.4 frame unsynchronisation and data length")
        << v24Frame("TIT2", bigEndian32(4) + QByteArray("\1\xFF\0\xFEX\0", 6), 0x03) << 4 << 0 << "X"
        << ""
        << ""
        << ""
        << ""
        << "" << 0;
    QTest::newRow("v2.4 compressed frame passed over")
        << v24Frame("TIT2", bigEndian32(9) + QByteArray("x\x9c\0\0", 4), 0x09) +
               v24Frame("TPE1", latin1Text("A"))
        << 4 << 0 << ""
        << "A"
        << ""
        << ""
        << ""
        << "" << 0;
    QTest::newRow("v2.4 player data in iTunNORM is no comment")
        << v24Frame("COMM", QByteArray("\0engiTunNORM\0 0000036C", 22)) +
               v24Frame("COMM", QByteArray("\0eng\0Nice", 9))
        << 4 << 0 << ""
        << ""
        << ""
        << ""
        << ""
        << "Nice" << 0;
    QTest::newRow("v2.4 comment without description wins over described ones")
        << v24Frame("COMM", QByteArray("\0engfirst\0A", 11)) + v24Frame("COMM", QByteArray("\0eng\0B", 6)) +
               v24Frame("COMM", QByteArray("\0engsecond\0C", 12))
        << 4 << 0 << ""
        << ""
        << ""
        << ""
        << ""
        << "B" << 0;
    QTest::newRow("v2.4 extended header")
        << synchsafe32(6) + QByteArray("\1\0", 2) + v24Frame("TIT2", latin1Text("After")) << 4 << 0x40
        << "After"
        << ""
        << ""
        << ""
        << ""
        << "" << 0;
    QTest::newRow("v2.2 three-letter frames")
        << v22Frame("TT2", latin1Text("T")) + v22Frame("TP1", utf16Text("\u00C9")) +
               v22Frame("TAL", latin1Text("Al")) + v22Frame("TYE", latin1Text("1999")) +
               v22Frame("TCO", latin1Text("(13)")) + v22Frame("TRK", latin1Text("3/12")) +
               v22Frame("COM", QByteArray("\0eng\0Hi", 7)) + v22Frame("PIC", QByteArray(300, 'p'))
        << 2 << 0 << "T" << QString::fromUtf8("\xC3\x89") << "Al"
        << "1999"
        << ""
        << "Hi" << 3;
}

void TestId3v2::laterVersions() {
    QFETCH(QByteArray, body);
    QFETCH(int, major);
    QFETCH(int, flags);
    TID3v2 tag;
    const Fields f = load(v2Header(quint32(body.size()), major, flags) + body + audio(), tag);
    QCOMPARE(int(tag.MajorVersion()), major);
    QTEST(f.title, "title");
    QTEST(f.artist, "artist");
    QTEST(f.album, "album");
    QTEST(f.year, "year");
    QTEST(f.genre, "genre");
    QTEST(f.comment, "comment");
    QTEST(f.track, "track");
}

// A hostile tag of many tiny frames far beyond the cached head costs one read, not one per frame.
void TestId3v2::largeTagIsReadWithOneRead() {
    QByteArray body =
        v2Frame("TXXX", QByteArray(1, 'x')).repeated(100000) + v2Frame("TIT2", latin1Text("Last"));
    const QString file = path("large.mp3");
    QVERIFY(writeFile(file, v2Tag(body) + audio()));
    FileBytes bytes;
    QVERIFY(bytes.Open(file.toStdString()));
    const std::int64_t openReads = bytes.FileReads();
    TID3v2 tag;
    QVERIFY(tag.Load(bytes));
    QCOMPARE(QString::fromStdString(tag.Title()), QString("Last"));
    QVERIFY2(bytes.FileReads() - openReads <= 1, qPrintable(QString::number(bytes.FileReads() - openReads)));
}

void TestId3v2::trackAndGenre_data() {
    QTest::addColumn<QByteArray>("track");
    QTest::addColumn<QByteArray>("genre");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("genreText");

    QTest::newRow("number of total") << QByteArray("3/12") << QByteArray("Rock") << 3 << "Rock";
    QTest::newRow("space before the slash spoils it")
        << QByteArray("3 /12") << QByteArray("(13)Pop") << 0 << "Pop";
    QTest::newRow("letters") << QByteArray("abc") << QByteArray("(13)") << 0 << "";
    QTest::newRow("modulo 256") << QByteArray("300") << QByteArray("(1)(2)Jazz") << 44 << "Jazz";
    QTest::newRow("blanks around are trimmed") << QByteArray("  07 ") << QByteArray(" Folk ") << 7 << "Folk";
    QTest::newRow("too large for a number") << QByteArray("99999999999") << QByteArray("") << 0 << "";
    QTest::newRow("empty number before slash") << QByteArray("/5") << QByteArray("A)B") << 0 << "B";
}

void TestId3v2::trackAndGenre() {
    QFETCH(QByteArray, track);
    QFETCH(QByteArray, genre);
    TID3v2 tag;
    const Fields f =
        load(v2Tag(v2Frame("TRCK", latin1Text(track)) + v2Frame("TCON", latin1Text(genre))), tag);
    QTEST(f.track, "number");
    QTEST(f.genre, "genreText");
}

// Tags that are detected but whose frames are not read.
void TestId3v2::header_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("present");
    QTest::addColumn<int>("major");
    QTest::addColumn<qint64>("tagSize");

    const QByteArray frame = v2Frame("TIT2", latin1Text("Hidden"));
    QTest::newRow("no tag") << audio() << false << 0 << qint64(0);
    QTest::newRow("ID3v2.5 detected, not read")
        << v2Tag(frame, 5) + audio() << true << 5 << qint64(frame.size() + 10);
    QTest::newRow("ID3v2.2 has no four-letter frames")
        << v2Tag(frame, 2) + audio() << true << 2 << qint64(frame.size() + 10);
    QTest::newRow("declared size beyond the file") << v2Header(5000) + frame << true << 3 << qint64(0);
    QTest::newRow("size bytes 0 0 1 72 mean 200")
        << v2Header(200) + QByteArray(200, '\0') << true << 3 << qint64(210);
    QTest::newRow("just the header") << v2Header(0) << true << 3 << qint64(10);
}

void TestId3v2::header() {
    QFETCH(QByteArray, content);
    TID3v2 tag;
    const Fields f = load(content, tag);
    QTEST(tag.Present(), "present");
    QTEST(int(tag.MajorVersion()), "major");
    QTEST(qint64(tag.TagSize()), "tagSize");
    QCOMPARE(f.title, QString());
}

void TestId3v2::loadFailsBelow10Bytes() {
    TID3v2 tag;
    tag.SetTitle("stale");
    const QString file = path("short.mp3");
    QVERIFY(writeFile(file, QByteArray("ID3\3\0\0\0")));
    QVERIFY(!tag.Load(file.toStdString()));
    QVERIFY(!tag.Present());
    QVERIFY(tag.Title().empty());
    QVERIFY(!tag.Load(path("missing.mp3").toStdString()));
}

// The exact tag bytes Save writes.
void TestId3v2::bytesWritten_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<int>("track");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("all empty: header only") << ""
                                            << "" << 0 << v2Header(0);
    QTest::newRow("five-letter comment")
        << ""
        << "hello" << 0 << v2Header(20) + v2Frame("COMM", QByteArray("\0eng\0hello", 10));
    QTest::newRow("title and track in table order")
        << "T"
        << "" << 12
        << v2Header(11 + 1 + 11 + 2) + v2Frame("TIT2", latin1Text("T")) + v2Frame("TRCK", latin1Text("12"));
    QTest::newRow("body of 200 bytes")
        << QString(189, 'x') << "" << 0
        << QByteArray("ID3\3\0\0\0\0\1\x48", 10) + v2Frame("TIT2", latin1Text(QByteArray(189, 'x')));
    QTest::newRow("Latin-1 title as encoding 0") << QString::fromUtf8("\xC3\xA9") << "" << 0
                                                 << v2Header(12) + v2Frame("TIT2", QByteArray("\0\xE9", 2));
    QTest::newRow("other title as UTF-16 with mark")
        << QString::fromUtf8("\xE6\x97\xA5") << "" << 0
        << v2Header(15) + v2Frame("TIT2", QByteArray("\1\xFF\xFE\xE5\x65", 5));
    QTest::newRow("UTF-16 comment: empty description")
        << "" << QString::fromUtf8("\xCE\xA3") << 0
        << v2Header(22) + v2Frame("COMM", QByteArray("\1eng\xFF\xFE\0\0\xFF\xFE\xA3\x03", 12));
}

void TestId3v2::bytesWritten() {
    QFETCH(QString, title);
    QFETCH(QString, comment);
    QFETCH(int, track);
    TID3v2 tag;
    tag.SetTitle(title.toStdString());
    tag.SetComment(comment.toStdString());
    tag.SetTrack(std::uint8_t(track));
    QTEST(bytes(tag.BuildTag()), "expected");
}

void TestId3v2::saveRoundTrip_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("ASCII") << "Plain text";
    QTest::newRow("Latin-1") << QString::fromUtf8("M\xC3\xBCller & S\xC3\xB8n");
    QTest::newRow("Cyrillic") << QString::fromUtf8("\xD0\x9C\xD1\x83\xD0\xB7\xD1\x8B\xD0\xBA\xD0\xB0");
    QTest::newRow("CJK and emoji") << QString::fromUtf8("\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5");
    QTest::newRow("Latin-1 that looks like UTF-8") << QString::fromUtf8("\xC3\x83\xC2\xA9");
    // A zero byte separates strings in a frame; a U+FEFF after it must stay text, not become a mark.
    QTest::newRow("zero byte then U+FEFF") << QString::fromUtf8("\xE6\x97\xA5\0\xEF\xBB\xBFx", 8);
    QTest::newRow("zero byte in Latin-1") << QString::fromUtf8("a\0b", 3);
}

void TestId3v2::saveRoundTrip() {
    QFETCH(QString, text);
    const QString file = path("round.mp3");
    QVERIFY(writeFile(file, audio()));
    const std::string s = text.toStdString();
    TID3v2 tag;
    tag.SetTitle(s);
    tag.SetArtist(s + " A");
    tag.SetAlbum(s + " B");
    tag.SetYear("1999");
    tag.SetGenre(s + " G");
    tag.SetComment(s + " C");
    tag.SetTrack(7);
    QVERIFY(tag.Save(file.toStdString()));

    TID3v2 back;
    QVERIFY(back.Load(file.toStdString()));
    QCOMPARE(int(back.MajorVersion()), 3);
    QCOMPARE(QString::fromStdString(back.Title()), text);
    QCOMPARE(QString::fromStdString(back.Artist()), text + " A");
    QCOMPARE(QString::fromStdString(back.Album()), text + " B");
    QCOMPARE(QString::fromStdString(back.Year()), QString("1999"));
    QCOMPARE(QString::fromStdString(back.Genre()), text + " G");
    QCOMPARE(QString::fromStdString(back.Comment()), text + " C");
    QCOMPARE(int(back.Track()), 7);
    const QByteArray after = readFile(file);
    QCOMPARE(after.mid(int(back.TagSize())), audio());
}

void TestId3v2::saveKeepsTheVersionAndOtherFrames() {
    const QString file = path("v24.mp3");
    const QByteArray old =
        v2Tag(v2Frame("TIT2", QByteArray("\3Old", 4)) + v2Frame("APIC", QByteArray(500, 'p')), 4);
    QVERIFY(writeFile(file, old + audio()));
    TID3v2 tag;
    tag.SetArtist("New");
    QVERIFY(tag.Save(file.toStdString()));
    // The emptied title loses its frame, the picture stays byte for byte, the new artist is a v2.4 frame.
    QCOMPARE(readFile(file),
             v2Tag(v2Frame("APIC", QByteArray(500, 'p')) + v24Frame("TPE1", "\3New"), 4) + audio());

    // A file without a tag gets a v2.3 one in front of the unchanged audio.
    QVERIFY(writeFile(file, audio()));
    QVERIFY(tag.Save(file.toStdString()));
    QCOMPARE(readFile(file), v2Header(14) + v2Frame("TPE1", latin1Text("New")) + audio());
}

void TestId3v2::replacingOnlyTheChangedFrames_data() {
    QTest::addColumn<QByteArray>("oldTag");
    QTest::addColumn<QString>("field"); // which field is set to value
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("newTag");
    QTest::addColumn<QString>("problem");

    const auto withHeader = [](const QByteArray& body, int flags = 0) {
        return v2Header(quint32(body.size()), 3, flags) + body;
    };
    const QByteArray longTitle = v2Frame("TIT2", latin1Text(QByteArray(400, 't')));
    QTest::newRow("unchanged field longer than 250 bytes stays whole")
        << v2Tag(longTitle + v2Frame("TPE1", latin1Text("A"))) << "artist"
        << "B" << v2Tag(longTitle + v2Frame("TPE1", latin1Text("B"))) << "";
    const QByteArray compressed =
        QByteArray("APIC") + bigEndian32(8) + char(0) + char(0x80) + QByteArray(8, 'z');
    QTest::newRow("compressed frame is kept as it is")
        << v2Tag(compressed + v2Frame("TIT2", latin1Text("Old"))) << "title"
        << "New" << v2Tag(compressed + v2Frame("TIT2", latin1Text("New"))) << "";
    QTest::newRow("title given to a tag without one goes to the end")
        << v2Tag(v2Frame("TPE1", latin1Text("A"))) << "title"
        << "T" << v2Tag(v2Frame("TPE1", latin1Text("A")) + v2Frame("TIT2", latin1Text("T"))) << "";
    QTest::newRow("several frames of one field become one")
        << v2Tag(v2Frame("TIT2", latin1Text("1")) + v2Frame("TPE1", latin1Text("A")) +
                 v2Frame("TIT2", latin1Text("2")))
        << "title"
        << "3" << v2Tag(v2Frame("TIT2", latin1Text("3")) + v2Frame("TPE1", latin1Text("A"))) << "";
    const QByteArray described = v2Frame("COMM", QByteArray("\0deudesc\0Beschrieben", 20));
    QTest::newRow("v2.3 comment: the one without description is replaced, in its language, behind the others")
        << v2Tag(v2Frame("COMM", QByteArray("\0deu\0Alt", 8)) + described + v2Frame("TPE1", latin1Text("A")))
        << "comment"
        << "Neu"
        << v2Tag(described + v2Frame("COMM", QByteArray("\0deu\0Neu", 8)) + v2Frame("TPE1", latin1Text("A")))
        << "";
    QTest::newRow("v2.4 comment replaced in place, UTF-8")
        << v2Tag(v24Frame("COMM", QByteArray("\3eng\0Old", 8)) + v24Frame("COMM", QByteArray("\3engd\0D", 7)),
                 4)
        << "comment"
        << "N\xC3\xA9"
        << v2Tag(v24Frame("COMM", QByteArray("\3eng\0N\xC3\xA9", 8)) +
                     v24Frame("COMM", QByteArray("\3engd\0D", 7)),
                 4)
        << "";
    QTest::newRow("v2.4 year goes to TDRC; a shown release time is replaced")
        << v2Tag(v24Frame("TDRL", QByteArray("\0"
                                             "2001",
                                             5)) +
                     v24Frame("TPE1", QByteArray("\3A", 2)),
                 4)
        << "year"
        << "2002"
        << v2Tag(v24Frame("TDRC", QByteArray("\3"
                                             "2002",
                                             5)) +
                     v24Frame("TPE1", QByteArray("\3A", 2)),
                 4)
        << "";
    QTest::newRow("v2.4 release time stays beside a recording time")
        << v2Tag(v24Frame("TDRL", QByteArray("\0"
                                             "2001",
                                             5)) +
                     v24Frame("TDRC", QByteArray("\0"
                                                 "1999",
                                                 5)),
                 4)
        << "year"
        << "2002"
        << v2Tag(v24Frame("TDRL", QByteArray("\0"
                                             "2001",
                                             5)) +
                     v24Frame("TDRC", QByteArray("\3"
                                                 "2002",
                                                 5)),
                 4)
        << "";
    QTest::newRow("v2.3 text outside Latin-1 is UTF-16")
        << v2Tag(v2Frame("TIT2", latin1Text("x"))) << "title"
        << "\xE6\x97\xA5" << v2Tag(v2Frame("TIT2", QByteArray("\1\xFF\xFE\xE5\x65", 5))) << "";
    QTest::newRow("v2.2 frames keep their short headers")
        << v2Tag(v22Frame("TT2", latin1Text("Old")) + v22Frame("PIC", QByteArray("\0PNG\3\0pic", 9)), 2)
        << "title"
        << "New"
        << v2Tag(v22Frame("TT2", latin1Text("New")) + v22Frame("PIC", QByteArray("\0PNG\3\0pic", 9)), 2)
        << "";
    QTest::newRow("emptied field loses its frame, the extended header goes")
        << withHeader(bigEndian32(6) + QByteArray(6, '\0') + v2Frame("TALB", latin1Text("Album")) +
                          v2Frame("TPE1", latin1Text("Artist")),
                      0x40)
        << "album"
        << "" << v2Tag(v2Frame("TPE1", latin1Text("Artist"))) << "";
    QTest::newRow("padding is dropped")
        << withHeader(v2Frame("TPE1", latin1Text("A")) + QByteArray(50, '\0')) << "artist"
        << "B" << v2Tag(v2Frame("TPE1", latin1Text("B"))) << "";
    QTest::newRow("frame running past the tag is dropped")
        << withHeader(v2Frame("TPE1", latin1Text("A")) + QByteArray("APIC") + bigEndian32(99) +
                      QByteArray(2, '\0') + QByteArray(4, 'p'))
        << "artist"
        << "B" << v2Tag(v2Frame("TPE1", latin1Text("B"))) << "past the end";
    QTest::newRow("tag unsynchronised as a whole is written anew")
        << withHeader(v2Frame("TPE1", latin1Text("A")) + v2Frame("TXXX", QByteArray("\0x\0y", 4)), 0x80)
        << "title"
        << "T" << v2Tag(v2Frame("TIT2", latin1Text("T")) + v2Frame("TPE1", latin1Text("A")))
        << "unsynchronised";
    QTest::newRow("version 5 is written anew") << v2Tag(v2Frame("TPE1", latin1Text("A")), 5) << "title"
                                               << "T" << v2Tag(v2Frame("TIT2", latin1Text("T"))) << "ID3v2.5";
}

void TestId3v2::replacingOnlyTheChangedFrames() {
    QFETCH(QByteArray, oldTag);
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QByteArray, newTag);
    QFETCH(QString, problem);
    const QString file = path("merge.mp3");
    QVERIFY(writeFile(file, oldTag + audio()));
    TID3v2 tag;
    QVERIFY(tag.Load(file.toStdString()));
    const std::string v = value.toStdString();
    if (field == "title")
        tag.SetTitle(v);
    else if (field == "artist")
        tag.SetArtist(v);
    else if (field == "album")
        tag.SetAlbum(v);
    else if (field == "year")
        tag.SetYear(v);
    else if (field == "comment")
        tag.SetComment(v);
    std::string why;
    QCOMPARE(bytes(tag.TagReplacing(str(oldTag), &why)), newTag);
    if (problem.isEmpty())
        QCOMPARE(QString::fromStdString(why), QString());
    else
        QVERIFY2(QString::fromStdString(why).contains(problem), why.c_str());
    // Save writes the same tag in front of the unchanged audio.
    QVERIFY(tag.Save(file.toStdString()));
    QCOMPARE(readFile(file), newTag + audio());
}

void TestId3v2::saveKeepsBytesOfOversizedTag() {
    const QString file = path("oversized.mp3");
    const QByteArray broken = v2Header(9000) + v2Frame("TIT2", latin1Text("Lost?"));
    QVERIFY(writeFile(file, broken + audio()));
    TID3v2 tag;
    tag.SetTitle("New");
    QVERIFY(tag.Save(file.toStdString()));
    QCOMPARE(readFile(file), bytes(tag.BuildTag()) + broken + audio());
}

void TestId3v2::saveReadOnlyFile() {
    const QString file = path("readonly.mp3");
    QVERIFY(writeFile(file, audio()));
    QVERIFY(::chmod(file.toLocal8Bit().constData(), 0440) == 0);
    TID3v2 tag;
    tag.SetTitle("Protected");
    QVERIFY(tag.Save(file.toStdString()));
    TID3v2 back;
    QVERIFY(back.Load(file.toStdString()));
    QCOMPARE(QString::fromStdString(back.Title()), QString("Protected"));
    QCOMPARE(modeOf(file), 0640u);
}

void TestId3v2::saveThroughSymlink() {
    const QString target = path("real.mp3");
    const QString link = path("link.mp3");
    QVERIFY(writeFile(target, audio()));
    QVERIFY(QFile::link(target, link));
    TID3v2 tag;
    tag.SetTitle("Linked");
    QVERIFY(tag.Save(link.toStdString()));
    QVERIFY(QFileInfo(link).isSymLink());
    TID3v2 back;
    QVERIFY(back.Load(target.toStdString()));
    QCOMPARE(QString::fromStdString(back.Title()), QString("Linked"));
}

void TestId3v2::saveKeepsExistingBackupName() {
    const QString file = path("backup.mp3");
    QVERIFY(writeFile(file, audio()));
    QVERIFY(writeFile(file + "~", "user's backup"));
    TID3v2 tag;
    tag.SetTitle("x");
    QVERIFY(tag.Save(file.toStdString()));
    QCOMPARE(readFile(file + "~"), QByteArray("user's backup"));
    // No temporary file is left behind.
    QCOMPARE(QDir(dir.path()).entryList({"backup.mp3*"}, QDir::Files).size(), 2);
}

void TestId3v2::failedRebuildLeavesOriginal() {
    const QString file = path("full.mp3");
    const QByteArray original = v2Tag(v2Frame("TIT2", latin1Text("Old"))) + audio();
    QVERIFY(writeFile(file, original));
    // A file size limit below the new file's size makes the rebuild fail, as a full disk would.
    FileSizeLimit limit(rlim_t(original.size() / 2));
    QVERIFY(limit.Active());
    TID3v2 tag;
    tag.SetTitle("A much longer new title that makes the file grow");
    const bool saved = tag.Save(file.toStdString());
    limit.Lift();
    QVERIFY(!saved);
    QCOMPARE(readFile(file), original);
    QCOMPARE(QDir(dir.path()).entryList({"full.mp3*"}, QDir::Files), QStringList{"full.mp3"});
}

void TestId3v2::saveRefusesMissingFile() {
    TID3v2 tag;
    tag.SetTitle("x");
    QVERIFY(!tag.Save(path("missing.mp3").toStdString()));
    QVERIFY(!QFile::exists(path("missing.mp3")));
    const QString tiny = path("tiny.mp3");
    QVERIFY(writeFile(tiny, "ID3"));
    QVERIFY(!tag.Save(tiny.toStdString())); // fewer than 10 bytes
    QCOMPARE(readFile(tiny), QByteArray("ID3"));
}

QTEST_GUILESS_MAIN(TestId3v2)
#include "tst_id3v2.moc"
