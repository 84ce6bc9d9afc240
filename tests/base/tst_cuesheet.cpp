#include "CueSheet.h"
#include "DiscImageReader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <vector>

using namespace larkspin;

namespace {

constexpr int Sector = 2352;

// The files of a case: name -> contents; a content of "<fifo>" or "<dir>" makes a FIFO or a folder.
using Files = QMap<QString, QByteArray>;

bool Make(const QDir& dir, const Files& files) {
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QString path = dir.filePath(it.key());
        if (it.value() == "<fifo>") {
            if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
                return false;
        } else if (it.value() == "<dir>") {
            if (!dir.mkdir(it.key()))
                return false;
        } else {
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly) || f.write(it.value()) != it.value().size())
                return false;
        }
    }
    return true;
}

// Sectors filled with one byte each, so a sector read from the wrong place shows.
QByteArray Sectors(int count, char first = 1, int size = Sector) {
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += QByteArray(size, static_cast<char>(first + i));
    return bytes;
}

QByteArray Wav(qint64 dataBytes, int rate = 44100, int channels = 2, qint64 claimed = -1) {
    QByteArray h;
    auto u32 = [&](quint32 v) { h.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](quint16 v) { h.append(reinterpret_cast<const char*>(&v), 2); };
    if (claimed < 0)
        claimed = dataBytes;
    h += "RIFF";
    u32(static_cast<quint32>(36 + claimed));
    h += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(static_cast<quint16>(channels));
    u32(static_cast<quint32>(rate));
    u32(static_cast<quint32>(rate * channels * 2));
    u16(static_cast<quint16>(channels * 2));
    u16(16);
    h += "data";
    u32(static_cast<quint32>(claimed));
    return h + QByteArray(dataBytes, '\x22');
}

// "01 AUDIO 40/55" per track (INDEX 00 or "-", INDEX 01), then "| lead-out".
QString Describe(const DiscLayout& layout) {
    QStringList parts;
    for (const CueTrack& t : layout.Tracks)
        parts << QString::asprintf("%02d %s %s/%d", t.Number, t.Mode.c_str(),
                                   t.Index0 < 0 ? "-" : qPrintable(QString::number(t.Index0)), t.Start);
    return parts.join(", ") + " | " + QString::number(layout.LeadOut);
}

const QByteArray OneTrack = "FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";

} // namespace

class TestCueSheet : public QObject {
    Q_OBJECT
private slots:
    void layouts_data();
    void layouts();
    void badSheetsSayWhy_data();
    void badSheetsSayWhy();
    void readerReadsAcrossFilesAndGaps();
    void readerFailsAtTheFirstSectorItCannotRead();
};

void TestCueSheet::layouts_data() {
    QTest::addColumn<QByteArray>("sheet");
    QTest::addColumn<Files>("files");
    QTest::addColumn<QString>("expected");
    QTest::newRow("hidden audio before track 1")
        << QByteArray("FILE \"a.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 00 00:00:00\n  INDEX 01 00:02:00\n")
        << Files{{"a.bin", Sectors(160)}} << "01 AUDIO 0/150 | 160";
    QTest::newRow("data track of 2048-byte sectors before audio in one file")
        << QByteArray("FILE \"a.bin\" BINARY\n TRACK 01 MODE1/2048\n  INDEX 01 00:00:00\n"
                      " TRACK 02 AUDIO\n  INDEX 01 00:00:10\n")
        << Files{{"a.bin", Sectors(10, 1, 2048) + Sectors(20)}} << "01 MODE1/2048 -/0, 02 AUDIO -/10 | 30";
    QTest::newRow("PREGAP and INDEX 00: the pregap begins with the silence")
        << QByteArray("FILE \"a.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
                      " TRACK 02 AUDIO\n  PREGAP 00:00:05\n  INDEX 00 00:00:10\n  INDEX 01 00:00:12\n")
        << Files{{"a.bin", Sectors(20)}} << "01 AUDIO -/0, 02 AUDIO 10/17 | 25";
    QTest::newRow("PREGAP of track 1, POSTGAP of the last track")
        << QByteArray("FILE \"a.bin\" BINARY\n TRACK 01 AUDIO\n  PREGAP 00:02:00\n  INDEX 01 00:00:00\n"
                      "  POSTGAP 00:00:30\n")
        << Files{{"a.bin", Sectors(20)}} << "01 AUDIO 0/150 | 200";
    QTest::newRow("a file ending inside a sector ends with its last whole sector")
        << OneTrack << Files{{"a.bin", Sectors(7) + "xyz"}} << "01 AUDIO -/0 | 7";
    QTest::newRow("other keywords, INDEX 02, blank lines, tabs")
        << QByteArray("CATALOG 0000000000000\nCDTEXTFILE \"x.cdt\"\nTITLE \"A\"\n\n"
                      "FILE\t\"a.bin\"\tBINARY\n\tTRACK 01 AUDIO\n\t\tFLAGS DCP\n\t\tISRC ABCDE1234567\n"
                      "\t\tINDEX 01 00:00:00\n\t\tINDEX 02 00:00:03\n")
        << Files{{"a.bin", Sectors(5)}} << "01 AUDIO -/0 | 5";
    QTest::newRow("words after the file type")
        << QByteArray("FILE \"a.bin\" BINARY   written by hand\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n")
        << Files{{"a.bin", Sectors(3)}} << "01 AUDIO -/0 | 3";
    QTest::newRow("a WAVE file's sectors start after its header")
        << QByteArray("FILE a.wav WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n TRACK 02 AUDIO\n  INDEX 01 "
                      "00:00:04\n")
        << Files{{"a.wav", Wav(9 * Sector)}} << "01 AUDIO -/0, 02 AUDIO -/4 | 9";
}

void TestCueSheet::layouts() {
    QFETCH(QByteArray, sheet);
    QFETCH(Files, files);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(Make(QDir(dir.path()), files));
    QVERIFY(Make(QDir(dir.path()), {{"disc.cue", sheet}}));
    DiscLayout layout;
    std::string error;
    QVERIFY2(ReadCueSheet(dir.filePath("disc.cue").toStdString(), layout, error), error.c_str());
    QCOMPARE(Describe(layout), expected);
    // The spans cover the disc without holes or overlaps.
    std::int32_t next = 0;
    for (const CueSpan& span : layout.Spans) {
        QCOMPARE(span.FirstSector, next);
        QVERIFY(span.Sectors > 0);
        next += span.Sectors;
    }
    QCOMPARE(next, layout.LeadOut);
}

void TestCueSheet::badSheetsSayWhy_data() {
    QTest::addColumn<QByteArray>("sheet"); // "<fifo>" or "<dir>": the sheet is one
    QTest::addColumn<Files>("files");
    QTest::addColumn<QString>("error"); // the start of the error text
    const Files bin{{"a.bin", Sectors(10)}};
    auto track = [](const char* lines) {
        return QByteArray("FILE \"a.bin\" BINARY\n  TRACK 01 AUDIO\n") + lines;
    };
    QTest::newRow("empty sheet") << QByteArray("\n\n") << bin << "The sheet has no tracks";
    QTest::newRow("no tracks") << QByteArray("FILE \"a.bin\" BINARY\n") << bin << "The sheet has no tracks";
    QTest::newRow("garbage") << QByteArray("\x01\x02 TRACK 99\xff INDEX 77:99:99\nFILE\n") << bin
                             << "Line 2: FILE needs a name and a type";
    QTest::newRow("TRACK before FILE")
        << QByteArray("TRACK 01 AUDIO\n") << bin << "Line 1: TRACK comes before any FILE";
    QTest::newRow("missing file") << OneTrack << Files{}
                                  << "The file \"a.bin\" named in the sheet is missing";
    QTest::newRow("data file is a FIFO")
        << OneTrack << Files{{"a.bin", "<fifo>"}} << "\"a.bin\" is not a regular file";
    QTest::newRow("data file is a folder")
        << OneTrack << Files{{"a.bin", "<dir>"}} << "\"a.bin\" is not a regular file";
    QTest::newRow("sheet is a FIFO") << QByteArray("<fifo>") << bin << "\"";
    QTest::newRow("sheet is a folder") << QByteArray("<dir>") << bin << "\"";
    QTest::newRow("sheet too big") << QByteArray(1024 * 1024 + 1, ' ') << bin << "\"";
    QTest::newRow("seconds 60") << track("INDEX 01 00:60:00\n") << bin << "Line 3: bad time \"00:60:00\"";
    QTest::newRow("frame 75") << track("INDEX 01 00:00:75\n") << bin << "Line 3: bad time \"00:00:75\"";
    QTest::newRow("time without frames") << track("INDEX 01 00:00\n") << bin << "Line 3: bad time \"00:00\"";
    QTest::newRow("huge minutes") << track("INDEX 01 99999999999999999999:00:00\n") << bin
                                  << "Line 3: bad time";
    QTest::newRow("negative time") << track("INDEX 01 -1:00:00\n") << bin << "Line 3: bad time";
    QTest::newRow("huge PREGAP") << track("PREGAP 9999:00:00\nINDEX 01 00:00:00\n") << bin
                                 << "The image is longer than a CD can be";
    QTest::newRow("huge track number") << QByteArray("FILE \"a.bin\" BINARY\nTRACK 4294967297 AUDIO\n") << bin
                                       << "Line 2: a TRACK needs a number from 1 to 99";
    QTest::newRow("huge index number")
        << track("INDEX 4294967297 00:00:00\n") << bin << "Line 3: bad INDEX number";
    QTest::newRow("no INDEX 01") << track("INDEX 00 00:00:00\n") << bin << "Line 2: track 1 has no INDEX 01";
    QTest::newRow("INDEX 02 before 01")
        << track("INDEX 02 00:00:00\n") << bin << "Line 3: INDEX 02 is out of order";
    QTest::newRow("INDEX 01 twice") << track("INDEX 01 00:00:00\nINDEX 01 00:00:01\n") << bin
                                    << "Line 4: INDEX 01 is out of order";
    QTest::newRow("INDEX past the file's end")
        << track("INDEX 01 00:00:11\n") << bin << "Line 3: INDEX 00:00:11 lies past the end of \"a.bin\"";
    QTest::newRow("track numbers skip") << track("INDEX 01 00:00:00\nTRACK 03 AUDIO\nINDEX 01 00:00:05\n")
                                        << bin << "Line 4: track 3 does not follow track 1";
    QTest::newRow("times going back") << track("INDEX 01 00:00:05\nTRACK 02 AUDIO\nINDEX 01 00:00:02\n")
                                      << bin << "Line 5: INDEX 00:00:02 lies before the INDEX above it";
    QTest::newRow("two tracks at one sector")
        << track("INDEX 01 00:00:05\nTRACK 02 AUDIO\nINDEX 01 00:00:05\n") << bin
        << "Line 2: track 1 has no sectors";
    QTest::newRow("last track at the file's end")
        << track("INDEX 01 00:00:10\n") << bin << "Line 2: track 1 has no sectors";
    QTest::newRow("empty file") << OneTrack << Files{{"a.bin", ""}} << "Line 2: track 1 has no sectors";
    QTest::newRow("MP3 file") << QByteArray("FILE \"a.mp3\" MP3\n") << bin
                              << "\"a.mp3\" is a MP3 file; only BINARY, MOTOROLA and WAVE files can be read";
    QTest::newRow("unknown track type") << QByteArray("FILE \"a.bin\" BINARY\nTRACK 01 MODE3/1234\n") << bin
                                        << "Line 2: unknown track type \"MODE3/1234\"";
    QTest::newRow("name without closing quote")
        << QByteArray("FILE \"a.bin BINARY\n") << bin << "Line 1: the file name has no closing quote";
    const QByteArray wave = "FILE \"a.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
    QTest::newRow("48 kHz WAVE") << wave << Files{{"a.wav", Wav(Sector * 4, 48000)}}
                                 << "\"a.wav\" is not 44.1 kHz 16-bit stereo";
    QTest::newRow("mono WAVE") << wave << Files{{"a.wav", Wav(Sector * 4, 44100, 1)}}
                               << "\"a.wav\" is not 44.1 kHz 16-bit stereo";
    QTest::newRow("truncated WAVE") << wave << Files{{"a.wav", Wav(Sector * 4, 44100, 2, Sector * 40)}}
                                    << "\"a.wav\" is truncated";
    QTest::newRow("raw data called WAVE")
        << wave << Files{{"a.wav", Sectors(4)}} << "\"a.wav\" is not a WAV file";
}

// A sheet that cannot be used says why in a sentence; nothing blocks, nothing crashes.
void TestCueSheet::badSheetsSayWhy() {
    QFETCH(QByteArray, sheet);
    QFETCH(Files, files);
    QFETCH(QString, error);
    QTemporaryDir dir;
    QVERIFY(Make(QDir(dir.path()), files));
    QVERIFY(Make(QDir(dir.path()), {{"disc.cue", sheet}}));
    DiscLayout layout;
    layout.LeadOut = 77;
    std::string why;
    QVERIFY(!ReadCueSheet(dir.filePath("disc.cue").toStdString(), layout, why));
    QVERIFY2(QString::fromStdString(why).startsWith(error), why.c_str());
    QVERIFY(layout.Tracks.empty());
    QCOMPARE(layout.LeadOut, 0);

    DiscImageReader reader;
    QVERIFY(!reader.Open(dir.filePath("disc.cue").toStdString()));
    QCOMPARE(reader.LastError(), why);
    std::vector<std::uint8_t> buffer(Sector);
    QVERIFY(!reader.Read(0, 1, buffer.data()));
}

void TestCueSheet::readerReadsAcrossFilesAndGaps() {
    // a.bin: a data track of 2048-byte sectors (2), then audio sectors 1-3; b.bin (MOTOROLA): audio
    // sectors 4-5 after a 2-sector PREGAP.
    QTemporaryDir dir;
    QByteArray b = Sectors(2, 0x40);
    b[0] = 'H';
    b[1] = 'L';
    QVERIFY(Make(QDir(dir.path()),
                 {{"a.bin", Sectors(2, 0x10, 2048) + Sectors(3, 0x20)},
                  {"b.bin", b},
                  {"disc.cue", "FILE \"a.bin\" BINARY\n TRACK 01 MODE1/2048\n  INDEX 01 00:00:00\n"
                               " TRACK 02 AUDIO\n  INDEX 01 00:00:02\n"
                               "FILE \"b.bin\" MOTOROLA\n TRACK 03 AUDIO\n  PREGAP 00:00:02\n"
                               "  INDEX 01 00:00:00\n"}}));
    DiscImageReader reader;
    QVERIFY2(reader.Open(dir.filePath("disc.cue").toStdString()), reader.LastError().c_str());
    QCOMPARE(reader.Layout().LeadOut, 9);
    std::vector<std::uint8_t> all(9 * Sector);
    QVERIFY2(reader.Read(0, 9, all.data()), reader.LastError().c_str());
    const QByteArray got(reinterpret_cast<const char*>(all.data()), static_cast<qsizetype>(all.size()));
    auto sector = [&](int i) { return got.mid(i * Sector, Sector); };
    // A 2048-byte data sector sits at byte 16 of its raw sector.
    QCOMPARE(sector(0), QByteArray(16, '\0') + QByteArray(2048, '\x10') + QByteArray(288, '\0'));
    QCOMPARE(sector(1), QByteArray(16, '\0') + QByteArray(2048, '\x11') + QByteArray(288, '\0'));
    QCOMPARE(got.mid(2 * Sector, 3 * Sector), Sectors(3, 0x20));
    QCOMPARE(got.mid(5 * Sector, 2 * Sector), QByteArray(2 * Sector, '\0'));
    QCOMPARE(sector(7).left(4), QByteArray("LH@@")); // big-endian samples turned round
    QCOMPARE(sector(8), Sectors(1, 0x41));
    // Any piece reads the same as the whole.
    for (int first = 0; first < 9; ++first)
        for (int count = 1; first + count <= 9; ++count) {
            std::vector<std::uint8_t> part(static_cast<size_t>(count) * Sector);
            QVERIFY(reader.Read(first, count, part.data()));
            QVERIFY(std::equal(part.begin(), part.end(), all.begin() + first * Sector));
        }
    // Outside the disc.
    QVERIFY(!reader.Read(8, 2, all.data()));
    QCOMPARE(reader.FailedSector(), 9);
    QVERIFY(!reader.Read(-1, 1, all.data()));
    QCOMPARE(reader.LastError(), std::string("Read error at sector -1"));
}

void TestCueSheet::readerFailsAtTheFirstSectorItCannotRead() {
    QTemporaryDir dir;
    QVERIFY(Make(QDir(dir.path()),
                 {{"a.bin", Sectors(4)},
                  {"b.bin", Sectors(6, 0x30)},
                  {"disc.cue", "FILE \"a.bin\" BINARY\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
                               "FILE \"b.bin\" BINARY\n TRACK 02 AUDIO\n  INDEX 01 00:00:00\n"}}));
    DiscImageReader reader;
    QVERIFY(reader.Open(dir.filePath("disc.cue").toStdString()));
    std::vector<std::uint8_t> buffer(10 * Sector);
    // Cut inside its fourth sector: sectors 4 to 6 of the disc are there, 7 is not.
    QVERIFY(QFile::resize(dir.filePath("b.bin"), 3 * Sector + 100));
    QVERIFY(reader.Read(0, 7, buffer.data()));
    QVERIFY(!reader.Read(2, 8, buffer.data()));
    QCOMPARE(reader.FailedSector(), 7);
    QCOMPARE(reader.LastError(), std::string("Read error at sector 7"));
    // Deleted: the file may still be open somewhere, but the disc is gone.
    QVERIFY(QFile::remove(dir.filePath("a.bin")));
    QVERIFY(!reader.Read(0, 1, buffer.data()));
    QCOMPARE(reader.FailedSector(), 0);
    // A FIFO in its place is never waited on.
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("a.bin")).constData(), 0600), 0);
    QVERIFY(!reader.Read(1, 2, buffer.data()));
    QCOMPARE(reader.FailedSector(), 1);
    QVERIFY(reader.Read(4, 3, buffer.data())); // the other file still reads
}

QTEST_GUILESS_MAIN(TestCueSheet)
#include "tst_cuesheet.moc"
