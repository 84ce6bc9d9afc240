// ID3v1: reading the 128-byte block, the genre table, setters, and writing and stripping files.

#include "../FileSizeLimit.h"
#include "Id3Fixtures.h"
#include "TID3v1.h"

#include <QTemporaryDir>
#include <QTest>

using namespace larkspin;
using namespace fixtures;

class TestId3v1 : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(name); }
    static QByteArray audio() { return QByteArray(4000, '\x5A') + QByteArray("\xFF\xFB\x90\x00", 4); }

private slots:
    void load_data();
    void load();
    void loadFailsBelow128Bytes();
    void genreTable();
    void setters_data();
    void setters();
    void saveRoundTrip_data();
    void saveRoundTrip();
    void saveWritesLatin1OrUtf8Bytes();
    void saveReplacesOrAppends();
    void saveTrackOverwritesCommentEnd();
    void saveReadOnlyFile();
    void saveRefusesShortOrMissingFile();
    void failedAppendLeavesFileAsItWas();
    void strip();
};

void TestId3v1::load_data() {
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<bool>("present");
    QTest::addColumn<int>("revision");
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<QByteArray>("comment");
    QTest::addColumn<int>("track");
    QTest::addColumn<int>("genre");
    QTest::addColumn<QString>("genreName");

    QTest::newRow("no tag") << QByteArray(128, 'x') << false << 1 << QByteArray() << QByteArray() << 0 << 255
                            << QString();
    QTest::newRow("v1.1: zero byte then track")
        << V1Block().title("Song").comment("Nice").byte(125, 0).byte(126, 7).byte(127, 17).b << true << 2
        << QByteArray("Song") << QByteArray("Nice") << 7 << 17 << QString("Rock");
    QTest::newRow("v1.1: space then non-space is a track")
        << V1Block().comment(QByteArray(28, 'c') + " 7").b << true << 2 << QByteArray() << QByteArray(28, 'c')
        << 55 << 0 << QString("Blues");
    QTest::newRow("v1.0: two zero bytes, the full 30-byte comment")
        << V1Block().comment(QByteArray(20, 'c')).byte(127, 255).b << true << 1 << QByteArray()
        << QByteArray(20, 'c') << 0 << 255 << QString();
    QTest::newRow("v1.0: 30-letter comment")
        << V1Block().comment(QByteArray(30, 'c')).b << true << 1 << QByteArray() << QByteArray(30, 'c') << 0
        << 0 << QString("Blues");
    QTest::newRow("space filling trimmed") << V1Block().title("abc" + QByteArray(27, ' ')).b << true << 1
                                           << QByteArray("abc") << QByteArray() << 0 << 0 << QString("Blues");
    QTest::newRow("inner zero byte kept")
        << V1Block().title(QByteArray("abc\0def", 7)).b << true << 1 << QByteArray("abc\0def", 7)
        << QByteArray() << 0 << 0 << QString("Blues");
    QTest::newRow("Latin-1 bytes become UTF-8")
        << V1Block().title("Caf\xE9 M\xFCller").b << true << 1 << QByteArray("Caf\xC3\xA9 M\xC3\xBCller")
        << QByteArray() << 0 << 0 << QString("Blues");
    QTest::newRow("UTF-8 bytes stay UTF-8")
        << V1Block().title("\xE6\x97\xA5\xE6\x9C\xAC").b << true << 1
        << QByteArray("\xE6\x97\xA5\xE6\x9C\xAC") << QByteArray() << 0 << 0 << QString("Blues");
    QTest::newRow("last genre") << V1Block().byte(127, 147).b << true << 1 << QByteArray() << QByteArray()
                                << 0 << 147 << QString("Synthpop");
    QTest::newRow("genre past the table")
        << V1Block().byte(127, 148).b << true << 1 << QByteArray() << QByteArray() << 0 << 148 << QString();
}

void TestId3v1::load() {
    QFETCH(QByteArray, tail);
    const QString file = path("load.mp3");
    QVERIFY(writeFile(file, audio() + tail));
    TID3v1 tag;
    tag.SetTitle("stale");
    QVERIFY(tag.Load(file.toStdString()));
    QTEST(tag.Present(), "present");
    QTEST(int(tag.Revision()), "revision");
    QTEST(bytes(tag.Title()), "title");
    QTEST(bytes(tag.Comment()), "comment");
    QTEST(int(tag.Track()), "track");
    QTEST(int(tag.GenreIndex()), "genre");
    QTEST(QString::fromStdString(tag.GenreName()), "genreName");
}

void TestId3v1::loadFailsBelow128Bytes() {
    TID3v1 tag;
    tag.SetArtist("stale");
    const QString file = path("short.mp3");
    QVERIFY(writeFile(file, QByteArray("TAG") + QByteArray(124, 'a')));
    QVERIFY(!tag.Load(file.toStdString()));
    QVERIFY(tag.Artist().empty());
    QCOMPARE(int(tag.GenreIndex()), 255);
    QVERIFY(!tag.Load(path("missing.mp3").toStdString()));
    QVERIFY(!tag.Load(dir.path().toStdString())); // a folder is not a file
}

void TestId3v1::genreTable() {
    QCOMPARE(GenreTable.size(), size_t(148));
    QCOMPARE(GenreTable[0], std::string_view("Blues"));
    QCOMPARE(GenreTable[12], std::string_view("Other"));
    QCOMPARE(GenreTable[79], std::string_view("Hard Rock"));
    QCOMPARE(GenreTable[92], std::string_view("Progessive Rock"));
    QCOMPARE(GenreTable[123], std::string_view("A capella"));
    QCOMPARE(GenreTable[147], std::string_view("Synthpop"));
    for (auto name : GenreTable)
        QVERIFY(!name.empty());
}

void TestId3v1::setters_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("title");
    QTest::addColumn<QByteArray>("year");

    QTest::newRow("40 letters cut to 30") << QByteArray(40, 'a') << QByteArray(30, 'a') << QByteArray("aaaa");
    QTest::newRow("trailing blanks and controls trimmed")
        << QByteArray("1999 \t\n\0", 8) << QByteArray("1999") << QByteArray("1999");
    QTest::newRow("leading blanks kept") << QByteArray("  x") << QByteArray("  x") << QByteArray("  x");
    // Latin-1 text is stored one byte a character, so 30 characters fit.
    QTest::newRow("31 e-acute: 30 kept")
        << QString(31, QChar(0xE9)).toUtf8() << QString(30, QChar(0xE9)).toUtf8()
        << QString(4, QChar(0xE9)).toUtf8();
    // Other text is stored as UTF-8 and cut at a character boundary.
    QTest::newRow("CJK cut at a character")
        << QString(11, QChar(0x65E5)).toUtf8() << QString(10, QChar(0x65E5)).toUtf8()
        << QString(1, QChar(0x65E5)).toUtf8();
    QTest::newRow("Latin-1 prefix kept when the rest cannot fit")
        << (QString(20, QChar(0xE9)) + QChar(0x65E5)).toUtf8() << QString(20, QChar(0xE9)).toUtf8()
        << QString(4, QChar(0xE9)).toUtf8();
    QTest::newRow("invalid UTF-8 taken as Latin-1")
        << QByteArray("M\xFCller") << QByteArray("M\xC3\xBCller") << QByteArray("M\xC3\xBCll");
}

void TestId3v1::setters() {
    QFETCH(QByteArray, value);
    TID3v1 tag;
    tag.SetTitle(str(value));
    tag.SetYear(str(value));
    QTEST(bytes(tag.Title()), "title");
    QTEST(bytes(tag.Year()), "year");
}

void TestId3v1::saveRoundTrip_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<int>("track");
    QTest::addColumn<int>("genre");

    QTest::newRow("ASCII") << "Title"
                           << "Artist"
                           << "Comment" << 3 << 17;
    QTest::newRow("Latin-1") << QString::fromUtf8("Caf\xC3\xA9") << QString::fromUtf8("Bj\xC3\xB6rk")
                             << QString::fromUtf8("\xC3\x9F\xC3\xBC") << 12 << 0;
    QTest::newRow("not Latin-1") << QString::fromUtf8("\xE6\x97\xA5\xE6\x9C\xAC")
                                 << QString::fromUtf8("\xD0\x9C\xD1\x83") << QString::fromUtf8("\xCE\xA3")
                                 << 0 << 255;
    // Latin-1 bytes that happen to be valid UTF-8 would read back as other text, so UTF-8 is written.
    QTest::newRow("Latin-1 that looks like UTF-8") << QString::fromUtf8("\xC3\x83\xC2\xA9") << ""
                                                   << "" << 0 << 1;
    QTest::newRow("28-letter comment and a track") << ""
                                                   << "" << QString(28, 'c') << 255 << 147;
}

void TestId3v1::saveRoundTrip() {
    QFETCH(QString, title);
    QFETCH(QString, artist);
    QFETCH(QString, comment);
    QFETCH(int, track);
    QFETCH(int, genre);
    const QString file = path("round.mp3");
    QVERIFY(writeFile(file, audio()));

    TID3v1 tag;
    tag.SetTitle(title.toStdString());
    tag.SetArtist(artist.toStdString());
    tag.SetAlbum("Album");
    tag.SetYear("2001");
    tag.SetComment(comment.toStdString());
    tag.SetTrack(std::uint8_t(track));
    tag.SetGenreIndex(std::uint8_t(genre));
    QVERIFY(tag.Save(file.toStdString()));

    TID3v1 back;
    QVERIFY(back.Load(file.toStdString()));
    QVERIFY(back.Present());
    QCOMPARE(QString::fromStdString(back.Title()), title);
    QCOMPARE(QString::fromStdString(back.Artist()), artist);
    QCOMPARE(QString::fromStdString(back.Album()), QString("Album"));
    QCOMPARE(QString::fromStdString(back.Year()), QString("2001"));
    QCOMPARE(QString::fromStdString(back.Comment()), comment);
    QCOMPARE(int(back.Track()), track);
    QCOMPARE(int(back.Revision()), track != 0 ? 2 : 1);
    QCOMPARE(int(back.GenreIndex()), genre);
    QCOMPARE(readFile(file).left(audio().size()), audio());
}

void TestId3v1::saveWritesLatin1OrUtf8Bytes() {
    TID3v1 tag;
    tag.SetTitle("Bj\xC3\xB6rk");
    tag.SetArtist("\xE6\x97\xA5");
    const auto block = tag.BuildTag();
    const QByteArray b(reinterpret_cast<const char*>(block.data()), int(block.size()));
    QCOMPARE(b.mid(3, 6), QByteArray("Bj\xF6rk\0", 6));
    QCOMPARE(b.mid(33, 4), QByteArray("\xE6\x97\xA5\0", 4));
    QCOMPARE(b.left(3), QByteArray("TAG"));
    QCOMPARE(quint8(b[127]), quint8(255)); // no genre set
    QCOMPARE(b.mid(125, 2), QByteArray(2, '\0'));
}

void TestId3v1::saveReplacesOrAppends() {
    const QString file = path("sizes.mp3");
    QVERIFY(writeFile(file, audio()));
    TID3v1 tag;
    tag.SetTitle("One");
    QVERIFY(tag.Save(file.toStdString()));
    QCOMPARE(readFile(file).size(), audio().size() + 128);
    tag.SetTitle("Two");
    QVERIFY(tag.Save(file.toStdString()));
    const QByteArray after = readFile(file);
    QCOMPARE(after.size(), audio().size() + 128);
    QCOMPARE(after.left(audio().size()), audio());
    QCOMPARE(after.mid(audio().size() + 3, 4), QByteArray("Two\0", 4));
}

void TestId3v1::saveTrackOverwritesCommentEnd() {
    TID3v1 tag;
    tag.SetComment(std::string(30, 'c'));
    tag.SetTrack(9);
    const auto block = tag.BuildTag();
    QCOMPARE(int(block[124]), int('c'));
    QCOMPARE(int(block[125]), 0);
    QCOMPARE(int(block[126]), 9);
    tag.SetTrack(0); // without a track the comment's last bytes stay and the tag reads as ID3v1.0
    const auto plain = tag.BuildTag();
    QCOMPARE(int(plain[125]), int('c'));
    QCOMPARE(int(plain[126]), int('c'));
}

void TestId3v1::saveReadOnlyFile() {
    const QString file = path("readonly.mp3");
    QVERIFY(writeFile(file, audio()));
    QVERIFY(::chmod(file.toLocal8Bit().constData(), 0444) == 0);
    TID3v1 tag;
    tag.SetTitle("Protected");
    QVERIFY(tag.Save(file.toStdString()));
    TID3v1 back;
    QVERIFY(back.Load(file.toStdString()));
    QCOMPARE(QString::fromStdString(back.Title()), QString("Protected"));
    // The write protection is gone, the other permission bits stay.
    QCOMPARE(modeOf(file), 0644u);
    QVERIFY(::chmod(file.toLocal8Bit().constData(), 0444) == 0);
    QVERIFY(tag.Strip(file.toStdString()));
    QCOMPARE(readFile(file), audio());
}

void TestId3v1::saveRefusesShortOrMissingFile() {
    const QString file = path("tiny.mp3");
    const QByteArray tiny(100, 'a');
    QVERIFY(writeFile(file, tiny));
    QVERIFY(::chmod(file.toLocal8Bit().constData(), 0444) == 0);
    TID3v1 tag;
    tag.SetTitle("x");
    QVERIFY(!tag.Save(file.toStdString()));
    QCOMPARE(readFile(file), tiny);
    QCOMPARE(modeOf(file), 0444u); // a failed save puts the mode back
    QVERIFY(!tag.Strip(file.toStdString()));
    QVERIFY(!tag.Save(path("missing.mp3").toStdString()));
    QVERIFY(!QFile::exists(path("missing.mp3")));
}

void TestId3v1::failedAppendLeavesFileAsItWas() {
    const QString file = path("full.mp3");
    QVERIFY(writeFile(file, audio()));
    // A file size limit just above the file makes the append fail half-way, as a full disk would.
    FileSizeLimit limit(rlim_t(audio().size() + 50));
    QVERIFY(limit.Active());
    TID3v1 tag;
    tag.SetTitle("Never");
    const bool saved = tag.Save(file.toStdString());
    limit.Lift();
    QVERIFY(!saved);
    QCOMPARE(readFile(file), audio());
}

void TestId3v1::strip() {
    const QString file = path("strip.mp3");
    TID3v1 tag;
    QVERIFY(writeFile(file, audio()));
    QVERIFY(tag.Strip(file.toStdString())); // no tag: nothing to do
    QCOMPARE(readFile(file), audio());
    QVERIFY(writeFile(file, audio() + V1Block().title("x").b));
    QVERIFY(tag.Strip(file.toStdString()));
    QCOMPARE(readFile(file), audio());
    QVERIFY(!tag.Strip(path("missing.mp3").toStdString()));
}

QTEST_GUILESS_MAIN(TestId3v1)
#include "tst_id3v1.moc"
