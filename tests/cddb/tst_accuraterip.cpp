// AccurateRip's side of a disc: its identifiers and record address from a table of contents, reading
// record files (good and damaged ones) and the verdict a record gives a ripped track.
#include "AccurateRip.h"
#include "DiscId.h"

#include <QRandomGenerator>
#include <QTest>

#include <cstring>

using namespace larkspin;

namespace {

// starts and leadOut in sectors from the first track (lead-in not included); dataTracks: 1-based
// positions of data tracks.
TocRecord Toc(const QList<int>& starts, int leadOut, const QList<int>& dataTracks = {}) {
    TocRecord toc;
    toc.TrackCount = static_cast<uint8_t>(starts.size());
    for (int i = 0; i < starts.size(); ++i) {
        static_cast<TocMsf&>(toc.Tracks[i]) = MsfFromFrames(starts[i] + 150);
        toc.Tracks[i].IsAudio = dataTracks.contains(i + 1) ? 0 : TocAudioTrack;
    }
    toc.LeadOut = MsfFromFrames(leadOut + 150);
    return toc;
}

void Put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>(v >> (8 * i));
}

// One record: ids, then per track (confidence, crc, frame-450 crc).
std::string Record(const AccurateRipDisc& disc, const QList<std::array<uint32_t, 3>>& tracks) {
    std::string r(1, static_cast<char>(tracks.size()));
    Put32(r, disc.Id1);
    Put32(r, disc.Id2);
    Put32(r, disc.CddbId);
    for (const auto& t : tracks) {
        r += static_cast<char>(t[0]);
        Put32(r, t[1]);
        Put32(r, t[2]);
    }
    return r;
}

const AccurateRipDisc TwoTracks{2, 0x11111111, 0x22222222, 0x33333333};

} // namespace

class TestAccurateRip : public QObject {
    Q_OBJECT
private slots:
    void idsAndAddress_data();
    void idsAndAddress();
    void tableWithoutAudioHasNoIds();
    void parsesRecordFiles_data();
    void parsesRecordFiles();
    void damagedFilesNeverCrash();
    void verdicts_data();
    void verdicts();
};

void TestAccurateRip::idsAndAddress_data() {
    QTest::addColumn<TocRecord>("toc");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("url"); // %1: the CDDB ID

    // id1 = 0 + 375 + 920 + 1220 = 2515 = 0x9d3; id2 = 1*1 + 375*2 + 920*3 + 1220*4 = 8391 = 0x20c7.
    QTest::newRow("three audio tracks, first at sector 0")
        << Toc({0, 375, 920}, 1220) << "http://www.accuraterip.com/accuraterip/"
        << "http://www.accuraterip.com/accuraterip/3/d/9/dBAR-003-000009d3-000020c7-%1.bin";
    // A base without its "/"; id1 = 32 + 20000 = 0x4e40, id2 = 32 + 20000*2 = 0x9c60.
    QTest::newRow("one track after a hidden gap")
        << Toc({32}, 20000) << "http://127.0.0.1:8080/ar"
        << "http://127.0.0.1:8080/ar/0/4/e/dBAR-001-00004e40-00009c60-%1.bin";
    // A data session after the audio: the audio ends 11400 sectors before it. id1 = 0 + 15000 +
    // (40000 - 11400) = 43600 = 0xaa50; id2 = 1 + 30000 + 28600*3 = 115801 = 0x1c459.
    QTest::newRow("enhanced CD") << Toc({0, 15000, 40000}, 50000, {3}) << "http://h/"
                                 << "http://h/0/5/a/dBAR-002-0000aa50-0001c459-%1.bin";
}

void TestAccurateRip::idsAndAddress() {
    QFETCH(TocRecord, toc);
    QFETCH(QString, base);
    QFETCH(QString, url);
    const AccurateRipDisc disc = AccurateRipDiscOf(toc);
    QCOMPARE(disc.CddbId, ComputeDiscId(toc));
    QCOMPARE(QString::fromStdString(AccurateRipUrl(base.toStdString(), disc)),
             url.arg(ComputeDiscId(toc), 8, 16, QLatin1Char('0')));
}

void TestAccurateRip::tableWithoutAudioHasNoIds() {
    QCOMPARE(AccurateRipDiscOf(Toc({0}, 3000, {1})).TrackCount, 0);
    QCOMPARE(AccurateRipDiscOf(TocRecord{}).TrackCount, 0);
}

void TestAccurateRip::parsesRecordFiles_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("records"); // -1: refused
    QTest::addColumn<QString>("error");

    const std::string one = Record(TwoTracks, {{{5, 0xAABBCCDD, 0x01020304}}, {{2, 0x10203040, 0}}});
    const std::string other = Record({2, 1, 2, 3}, {{{200, 7, 8}}, {{0, 9, 10}}});
    QTest::newRow("one record") << QByteArray::fromStdString(one) << 1 << "";
    QTest::newRow("two records") << QByteArray::fromStdString(one + other) << 2 << "";
    QTest::newRow("empty") << QByteArray() << -1 << "The AccurateRip record is empty";
    QTest::newRow("cut in a track") << QByteArray::fromStdString(one.substr(0, one.size() - 3)) << -1
                                    << "The AccurateRip record at byte 0 is cut short";
    QTest::newRow("cut in the second record's head")
        << QByteArray::fromStdString(one + other.substr(0, 5)) << -1
        << QString("The AccurateRip record at byte %1 is cut short").arg(one.size());
    QTest::newRow("no track") << QByteArray::fromStdString(one + std::string(13, '\0')) << -1
                              << QString("An AccurateRip record at byte %1 names no track").arg(one.size());
    QTest::newRow("an HTML page") << QByteArray("<html><body>Not here</body></html>") << -1
                                  << "The AccurateRip record at byte 0 is cut short";
}

void TestAccurateRip::parsesRecordFiles() {
    QFETCH(QByteArray, file);
    QFETCH(int, records);
    QFETCH(QString, error);
    std::vector<AccurateRipRecord> parsed{AccurateRipRecord{}};
    std::string why;
    const bool ok = ParseAccurateRip(std::string_view(file.constData(), file.size()), parsed, why);
    QCOMPARE(ok, records >= 0);
    QCOMPARE(QString::fromStdString(why), error);
    QCOMPARE(static_cast<int>(parsed.size()), std::max(records, 0));
    if (records >= 1) {
        const AccurateRipRecord& r = parsed[0];
        QCOMPARE(r.TrackCount, 2);
        QCOMPARE(r.Id1, 0x11111111u);
        QCOMPARE(r.Id2, 0x22222222u);
        QCOMPARE(r.CddbId, 0x33333333u);
        QCOMPARE(r.Tracks.size(), size_t(2));
        QCOMPARE(r.Tracks[0].Confidence, uint8_t(5));
        QCOMPARE(r.Tracks[0].Crc, 0xAABBCCDDu);
        QCOMPARE(r.Tracks[0].Frame450Crc, 0x01020304u);
        QCOMPARE(r.Tracks[1].Crc, 0x10203040u);
    }
    if (records == 2) {
        QCOMPARE(parsed[1].Tracks[0].Confidence, uint8_t(200));
        QCOMPARE(parsed[1].Tracks[1].Frame450Crc, 10u);
    }
}

void TestAccurateRip::damagedFilesNeverCrash() {
    // Every cut of a good file and random bytes: an answer and no read outside the data (the
    // sanitizers watch); a cut file is refused unless the cut falls between records.
    const std::string good =
        Record(TwoTracks, {{{1, 2, 3}}, {{4, 5, 6}}}) + Record(TwoTracks, {{{7, 8, 9}}, {{1, 2, 3}}});
    std::vector<AccurateRipRecord> records;
    std::string why;
    for (size_t cut = 0; cut <= good.size(); ++cut) {
        const std::string part = good.substr(0, cut);
        const bool ok = ParseAccurateRip(part, records, why);
        QCOMPARE(ok, cut == good.size() / 2 || cut == good.size());
    }
    QRandomGenerator random(42);
    for (int i = 0; i < 500; ++i) {
        std::string noise(random.bounded(1, 200), '\0');
        for (char& c : noise)
            c = static_cast<char>(random.bounded(256));
        if (ParseAccurateRip(noise, records, why))
            QVERIFY(!records.empty());
        else
            QVERIFY(records.empty() && !why.empty());
    }
}

void TestAccurateRip::verdicts_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");

    // Track 1 sums to v1 0x100 / v2 0x200 below; track 2 to 0x300 / 0x400.
    const std::string a = Record(TwoTracks, {{{3, 0x100, 0}}, {{3, 0x999, 0}}});
    const std::string b = Record(TwoTracks, {{{12, 0x200, 0}}, {{1, 0x888, 0}}});
    const std::string otherDisc = Record({2, 1, 2, 3}, {{{50, 0x100, 0}}, {{50, 0x300, 0}}});
    const std::string threeTracks = Record({3, TwoTracks.Id1, TwoTracks.Id2, TwoTracks.CddbId},
                                           {{{9, 0x100, 0}}, {{9, 0x300, 0}}, {{9, 1, 0}}});
    QTest::newRow("v1 matches") << QByteArray::fromStdString(a) << 0 << "Accurately ripped (confidence 3)";
    QTest::newRow("v2 matches") << QByteArray::fromStdString(b) << 0 << "Accurately ripped (confidence 12)";
    // Two submissions agree in different versions: the higher confidence counts.
    QTest::newRow("both records match")
        << QByteArray::fromStdString(a + b) << 0 << "Accurately ripped (confidence 12)";
    QTest::newRow("no record matches") << QByteArray::fromStdString(a + b) << 1 << "Not accurate";
    QTest::newRow("records of other discs only")
        << QByteArray::fromStdString(otherDisc + threeTracks) << 1 << "Not in database";
    QTest::newRow("position beyond the disc") << QByteArray::fromStdString(a) << 2 << "Not in database";
    QTest::newRow("no records") << QByteArray() << 0 << "Not in database";
}

void TestAccurateRip::verdicts() {
    QFETCH(QByteArray, file);
    QFETCH(int, position);
    QFETCH(QString, text);
    std::vector<AccurateRipRecord> records;
    std::string why;
    if (!file.isEmpty())
        QVERIFY(ParseAccurateRip(std::string_view(file.constData(), file.size()), records, why));
    const uint32_t v1[] = {0x100, 0x300, 0x500};
    const uint32_t v2[] = {0x200, 0x400, 0x600};
    const AccurateRipVerdict verdict =
        CheckAccurateRip(records, TwoTracks, position, v1[position], v2[position]);
    QCOMPARE(QString::fromStdString(AccurateRipText(verdict)), text);
}

QTEST_APPLESS_MAIN(TestAccurateRip)
#include "tst_accuraterip.moc"
