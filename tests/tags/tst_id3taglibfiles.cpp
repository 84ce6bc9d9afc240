// The ID3 and MPEG readers over the real and hostile files of TagLib's test suite. Where our rules give
// TagLib's value it is asserted; where they differ, our value is asserted and the row names the rule.

#include "Id3Fixtures.h"
#include "TID3v1.h"
#include "TID3v2.h"
#include "TMPEGaudio.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace larkspin;
using namespace fixtures;

class TestId3TaglibFiles : public QObject {
    Q_OBJECT

private slots:
    void everyFileReadsWithoutHarm();
    void mpegValues_data();
    void mpegValues();
    void id3v2Values_data();
    void id3v2Values();
    void id3v1Values();
    void savingKeepsTheAudioBytes();
};

void TestId3TaglibFiles::everyFileReadsWithoutHarm() {
    SKIP_WITHOUT_TAGLIB_FILES();
    const QStringList files = QDir(TaglibFile("")).entryList(QDir::Files);
    QVERIFY(files.size() >= 40);
    for (const QString& name : files) {
        const std::string p = TaglibFile(name).toStdString();
        TID3v1 v1;
        TID3v2 v2;
        TMPEGaudio mpeg;
        const bool v1ok = v1.Load(p);
        QVERIFY2(v2.Load(p), qPrintable(name));
        mpeg.Load(p);
        QVERIFY2(v1ok == (QFileInfo(TaglibFile(name)).size() >= 128), qPrintable(name));
        QVERIFY2(mpeg.Duration() >= 0 && std::isfinite(mpeg.Duration()), qPrintable(name));
        QVERIFY2(!mpeg.EncoderName().empty(), qPrintable(name));
        if (!mpeg.FirstFrame().Found)
            QVERIFY2(mpeg.FrameCount() == 0 && mpeg.Bitrate() == 0 && mpeg.FileSize() == 0, qPrintable(name));
    }
}

void TestId3TaglibFiles::mpegValues_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("firstFrameInFile"); // -1: none found
    QTest::addColumn<QString>("vbrKind");
    QTest::addColumn<int>("bitrate");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<double>("durationMs");

    // Same values as TagLib.
    QTest::newRow("lame_vbr: Xing") << "lame_vbr.mp3" << 1876LL << "Xing" << 70 << 44100 << 1887164.1;
    QTest::newRow("rare_frames: VBRI at 36")
        << "rare_frames.mp3" << 1007LL << "VBRI" << 233 << 44100 << 222197.6;
    QTest::newRow("mpeg2: Xing at 13") << "mpeg2.mp3" << 0LL << "Xing" << 25 << 22050 << 5387284.9;
    QTest::newRow("bladeenc: no VBR header") << "bladeenc.mp3" << 0LL << "" << 64 << 44100 << 3552.75;
    QTest::newRow("invalid-frames1: junk skipped")
        << "invalid-frames1.mp3" << 327LL << "" << 160 << 44100 << 391.85;
    QTest::newRow("invalid-frames2: false syncs skipped")
        << "invalid-frames2.mp3" << 374LL << "" << 192 << 44100 << 313.5;
    QTest::newRow("ape-id3v1: frame at 0") << "ape-id3v1.mp3" << 0LL << "" << 32 << 44100 << 2104.75;
    QTest::newRow("ape-id3v2: frame after the tag")
        << "ape-id3v2.mp3" << 1050LL << "" << 32 << 44100 << 2072.75;
    QTest::newRow("id3v22-tda: ID3v2.2 size counted")
        << "id3v22-tda.mp3" << 512LL << "" << 32 << 44100 << 896.0;

    // Our rules differ from TagLib's:
    // the duration without a VBR header counts the bytes to the end of the file (TagLib: to the end of
    // the last whole frame, 183 ms and 2064 ms); the stray "Xing" in xing.mp3's last frame is never seen.
    QTest::newRow("invalid-frames3: bytes to end of file")
        << "invalid-frames3.mp3" << 969LL << "" << 320 << 44100 << 180.575;
    QTest::newRow("xing: bytes to end of file, no VBR header")
        << "xing.mp3" << 0LL << "" << 32 << 44100 << 2052.0;
    // Only "Xing" and "VBRI" are VBR headers; LAME's "Info" header of a CBR file is not (TagLib: 1887 s).
    QTest::newRow("lame_cbr: Info is not a VBR header")
        << "lame_cbr.mp3" << 208LL << "" << 64 << 44100 << 486.0;
    QTest::newRow("itunes10: Info is not a VBR header")
        << "itunes10.mp3" << 10433LL << "" << 192 << 44100 << 78.25;
    // An ID3v2 tag counts only at the start of the file: garbage.mp3's tag at 2047 is audio to us, the
    // first window (0 to 3458) holds no frame with a follower, so the frame is found in the second window
    // at the file's middle (4095), 39 bytes in (TagLib: 2255).
    QTest::newRow("garbage: tag not at the start, second window")
        << "garbage.mp3" << 4134LL << "" << 64 << 44100 << 1018.875;
    // The search starts after the first ID3v2 tag only; the second tag fills both windows, so no frame is
    // found and the cleared state remains (TagLib: 44100 Hz).
    QTest::newRow("duplicate_id3v2: no frame in the windows")
        << "duplicate_id3v2.mp3" << -1LL << "" << 0 << 0 << 0.0;
    // Files without audio.
    QTest::newRow("w000: no audio") << "w000.mp3" << -1LL << "" << 0 << 0 << 0.0;
    QTest::newRow("excessive_alloc: no audio") << "excessive_alloc.mp3" << -1LL << "" << 0 << 0 << 0.0;
    QTest::newRow("extended-header: no audio") << "extended-header.mp3" << -1LL << "" << 0 << 0 << 0.0;
}

void TestId3TaglibFiles::mpegValues() {
    SKIP_WITHOUT_TAGLIB_FILES();
    QFETCH(QString, file);
    QFETCH(qint64, firstFrameInFile);
    QFETCH(QString, vbrKind);
    QFETCH(double, durationMs);
    TMPEGaudio mpeg;
    mpeg.Load(TaglibFile(file).toStdString());
    const MpegFrame& f = mpeg.FirstFrame();
    QCOMPARE(f.Found, firstFrameInFile >= 0);
    if (f.Found) {
        // The offset counts inside the window: the first one starts after the ID3v2 tag, the second at
        // (file size - tag size) / 2.
        const qint64 firstWindow = mpeg.Id3v2().TagSize();
        const qint64 secondWindow = (mpeg.FileSize() - firstWindow) / 2;
        QVERIFY2(f.Offset + firstWindow == firstFrameInFile || f.Offset + secondWindow == firstFrameInFile,
                 qPrintable(QString::number(f.Offset)));
    }
    QCOMPARE(QString::fromStdString(mpeg.Vbr().Kind), vbrKind);
    QTEST(int(mpeg.Bitrate()), "bitrate");
    QTEST(int(mpeg.SampleRate()), "sampleRate");
    QVERIFY2(std::abs(mpeg.Duration() * 1000 - durationMs) < 0.1,
             qPrintable(QString::number(mpeg.Duration() * 1000, 'f', 3)));
}

void TestId3TaglibFiles::id3v2Values_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("major");
    QTest::addColumn<qint64>("tagSize");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("artist");
    QTest::addColumn<QString>("album");
    QTest::addColumn<int>("track");

    // Same as TagLib: UTF-16 frames decoded, a tag-level unsynchronisation undone.
    QTest::newRow("unsynch: unsynchronised UTF-16 frames")
        << "unsynch.id3" << 3 << 186LL << "My babe just cares for me"
        << "Nina Simone"
        << "100% Jazz" << 3;
    // Our rules differ from TagLib's:
    // only the tag at the start counts (TagLib: 8049, both tags);
    QTest::newRow("duplicate_id3v2: first tag only, UTF-16 texts")
        << "duplicate_id3v2.mp3" << 3 << 3943LL << "TitleXXXX"
        << "ArtistXXXX"
        << "AlbumXXXX" << 0;
    // a declared size beyond the file makes the size 0 and no frame is read (TagLib reads W000);
    QTest::newRow("w000: size beyond the file") << "w000.mp3" << 3 << 0LL << ""
                                                << ""
                                                << "" << 0;
    QTest::newRow("excessive_alloc: size beyond the file") << "excessive_alloc.mp3" << 4 << 0LL << ""
                                                           << ""
                                                           << "" << 0;
    QTest::newRow("compressed_id3_frame: size beyond the file")
        << "compressed_id3_frame.mp3" << 4 << 0LL << ""
        << ""
        << "" << 0;
    // ID3v2.4 and ID3v2.2 tags, as TagLib reads them: an extended header skipped, v2.2's three-letter
    // frames, a v2.4 tag behind a zero-size file. TagLib gives track 0 for extended-header's "03" and
    // opens neither ".id3" file.
    QTest::newRow("extended-header: ID3v2.4") << "extended-header.mp3" << 4 << 159LL << "Druids"
                                              << "Excelsis"
                                              << "Vo Chrieger U Drache" << 3;
    QTest::newRow("005411: ID3v2.4") << "005411.id3" << 4 << 38402LL << "Sunshine Superman"
                                     << "Donovan"
                                     << "Sunshine Superman" << 1;
    QTest::newRow("broken-tenc: ID3v2.4") << "broken-tenc.id3" << 4 << 280LL << "Take On Me"
                                          << "A Ha"
                                          << "1985" << 1;
    QTest::newRow("itunes10: ID3v2.2") << "itunes10.mp3" << 2 << 10433LL << "iTunes10MP3"
                                       << "Artist"
                                       << "Album" << 1;
    QTest::newRow("rare_frames: ID3v2.4 without these frames") << "rare_frames.mp3" << 4 << 1007LL << ""
                                                               << ""
                                                               << "" << 0;
    QTest::newRow("lame_cbr: empty title") << "lame_cbr.mp3" << 3 << 208LL << ""
                                           << ""
                                           << "" << 0;
}

void TestId3TaglibFiles::id3v2Values() {
    SKIP_WITHOUT_TAGLIB_FILES();
    QFETCH(QString, file);
    TID3v2 tag;
    QVERIFY(tag.Load(TaglibFile(file).toStdString()));
    QVERIFY(tag.Present());
    QTEST(int(tag.MajorVersion()), "major");
    QTEST(qint64(tag.TagSize()), "tagSize");
    QTEST(QString::fromStdString(tag.Title()), "title");
    QTEST(QString::fromStdString(tag.Artist()), "artist");
    QTEST(QString::fromStdString(tag.Album()), "album");
    QTEST(int(tag.Track()), "track");
}

void TestId3TaglibFiles::id3v1Values() {
    SKIP_WITHOUT_TAGLIB_FILES();
    TID3v1 tag;
    QVERIFY(tag.Load(TaglibFile("ape-id3v1.mp3").toStdString()));
    QVERIFY(tag.Present());
    QCOMPARE(tag.Title(), std::string("Title"));
    QCOMPARE(int(tag.GenreIndex()), 255);
    QCOMPARE(tag.GenreName(), std::string());

    // Byte 125 is 0 and the track byte 0: by our rule that is ID3v1.0 with the whole 30-byte comment,
    // trailing blanks trimmed, the leading space kept (TagLib reads the ID3v1.1 layout).
    QVERIFY(tag.Load(TaglibFile("rare_frames.mp3").toStdString()));
    QVERIFY(tag.Present());
    QCOMPARE(int(tag.Revision()), 1);
    QCOMPARE(tag.Comment(), std::string(" 00000000 00000000 00000000"));
    QCOMPARE(tag.Title(), std::string());
    QCOMPARE(tag.GenreName(), std::string("Pop"));

    QVERIFY(tag.Load(TaglibFile("xing.mp3").toStdString()));
    QVERIFY(!tag.Present());
}

// Both tags saved into a copy of every MP3 and ID3 file: the bytes between the tags never change.
void TestId3TaglibFiles::savingKeepsTheAudioBytes() {
    SKIP_WITHOUT_TAGLIB_FILES();
    QTemporaryDir dir;
    const QStringList files = QDir(TaglibFile("")).entryList({"*.mp3", "*.id3"}, QDir::Files);
    QVERIFY(files.size() >= 20);
    for (const QString& name : files) {
        const QString copy = dir.filePath(name);
        QVERIFY(QFile::copy(TaglibFile(name), copy));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        const QByteArray original = readFile(copy);
        TID3v1 oldV1;
        TID3v2 oldV2;
        QVERIFY(oldV1.Load(copy.toStdString()));
        QVERIFY(oldV2.Load(copy.toStdString()));
        const int audioStart = int(oldV2.TagSize());
        const int audioLength = original.size() - audioStart - (oldV1.Present() ? 128 : 0);

        TID3v2 v2;
        v2.SetTitle("Neuer Titel \xC3\xA9");
        v2.SetArtist("\xE6\x97\xA5\xE6\x9C\xAC");
        QVERIFY2(v2.Save(copy.toStdString()), qPrintable(name));
        TID3v2 saved;
        QVERIFY(saved.Load(copy.toStdString()));
        const int newTag = int(saved.TagSize());
        TID3v1 v1;
        v1.SetTitle("Titel");
        // A file left shorter than 128 bytes (a tag without audio) cannot hold an ID3v1 tag.
        const bool room = newTag + audioLength + (oldV1.Present() ? 128 : 0) >= 128;
        QVERIFY2(v1.Save(copy.toStdString()) == room, qPrintable(name));

        const QByteArray after = readFile(copy);
        QCOMPARE(after.size(), newTag + audioLength + (room ? 128 : 0));
        QVERIFY2(after.mid(newTag, audioLength) == original.mid(audioStart, audioLength), qPrintable(name));
        TID3v2 back;
        QVERIFY(back.Load(copy.toStdString()));
        QCOMPARE(back.Artist(), std::string("\xE6\x97\xA5\xE6\x9C\xAC"));
    }
}

QTEST_GUILESS_MAIN(TestId3TaglibFiles)
#include "tst_id3taglibfiles.moc"
