#include "DiscId.h"

#include <QTest>

using namespace larkspin;

namespace {

TocRecord TocFromFrames(const QList<int>& starts, int leadOut) {
    TocRecord toc;
    toc.TrackCount = static_cast<uint8_t>(starts.size());
    for (int i = 0; i < starts.size(); ++i) {
        static_cast<TocMsf&>(toc.Tracks[i]) = MsfFromFrames(starts[i]);
        toc.Tracks[i].IsAudio = TocAudioTrack;
    }
    toc.LeadOut = MsfFromFrames(leadOut);
    return toc;
}

} // namespace

class TestDiscId : public QObject {
    Q_OBJECT
private slots:
    void discIdAndQuery_data();
    void discIdAndQuery();
    void dataTrackStillCounts();
};

void TestDiscId::discIdAndQuery_data() {
    QTest::addColumn<QList<int>>("starts"); // absolute frames, lead-in included
    QTest::addColumn<int>("leadOut");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("query");

    QTest::newRow("one track 00:02:00, lead-out 03:02:50") << QList<int>{150} << (182 * 75 + 50) << "0200B401"
                                                           << "cddb query 0200b401 1 150 182";
    QTest::newRow("22-track disc")
        << QList<int>{150,    9700,   25887,  39297,  53795,  63735,  77517,  94877,  107270, 123552, 135522,
                      148422, 161197, 174790, 192022, 205545, 218010, 228700, 239590, 255470, 266932, 288750}
        << 303602 << "370FCE16"
        << "cddb query 370fce16 22 150 9700 25887 39297 53795 63735 77517 94877 107270 123552 135522 148422 "
           "161197 174790 192022 205545 218010 228700 239590 255470 266932 288750 4048";
    QTest::newRow("11-track disc") << QList<int>{150,    28615,  51027,  75835,  102620, 121460,
                                                 148977, 175697, 204322, 231082, 268002}
                                   << 286950 << "920EF00B"
                                   << "cddb query 920ef00b 11 150 28615 51027 75835 102620 121460 148977 "
                                      "175697 204322 231082 268002 3826";
    QTest::newRow("three tones of the test image") << QList<int>{150, 525, 1070} << 1370 << "0E001003"
                                                   << "cddb query 0e001003 3 150 525 1070 18";
    // 99 tracks on a long disc: the digit sum passes 255.
    QList<int> many;
    for (int i = 0; i < 99; ++i)
        many << 150 + i * 4000 + 74;
    QString manyQuery = "cddb query 5414a063 99";
    for (int f : many)
        manyQuery += " " + QString::number(f);
    QTest::newRow("99 tracks, digit sum 1614 wraps")
        << many << 150 + 99 * 4000 << "5414A063" << manyQuery + " 5282";
    QTest::newRow("empty record (no disc)") << QList<int>{} << 0 << "00000000"
                                            << "cddb query 00000000 0 0";
}

void TestDiscId::discIdAndQuery() {
    QFETCH(QList<int>, starts);
    QFETCH(int, leadOut);
    QFETCH(QString, id);
    QFETCH(QString, query);
    TocRecord toc = TocFromFrames(starts, leadOut);
    uint32_t discId = ComputeDiscId(toc);
    QCOMPARE(QString::asprintf("%08X", discId), id);
    QCOMPARE(QString::fromStdString(BuildQueryCommand(toc)), query);
}

void TestDiscId::dataTrackStillCounts() {
    TocRecord toc = TocFromFrames({150, 525, 1070}, 1370);
    toc.Tracks[0].IsAudio = 0;
    QCOMPARE(ComputeDiscId(toc), 0x0e001003u);
    QCOMPARE(BuildQueryCommand(toc), std::string("cddb query 0e001003 3 150 525 1070 18"));
}

QTEST_APPLESS_MAIN(TestDiscId)
#include "tst_discid.moc"
