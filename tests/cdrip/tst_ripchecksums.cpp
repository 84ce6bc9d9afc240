// The checksums of ripped audio (CRC-32, peak, AccurateRip's v1 and v2 with the first and last
// track's edges) against an independent computation, whatever pieces the audio arrives in.
#include "IndependentSums.h"
#include "RipChecksums.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace larkspin;

class TestRipChecksums : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void sumsAgreeWithIndependentOnes_data();
    void sumsAgreeWithIndependentOnes();

private:
    QTemporaryDir dir_;
    QByteArray pcm_;
    QString file_;
    // Every range the cases use, summed by one run of the independent program.
    const std::vector<SumRange> ranges_{{0, 11, false, false}, {0, 11, true, false}, {0, 11, false, true},
                                        {0, 11, true, true},   {0, 7, true, true},   {0, 3, false, true}};
    std::vector<IndependentSum> expected_;
    QString error_;
};

void TestRipChecksums::initTestCase() {
    // 12 sectors of noise loud enough that every product carries into the high word, with the
    // extremes -32768 (the peak) and 32767 in it.
    QRandomGenerator random(7);
    pcm_.resize(12 * 2352);
    for (char& c : pcm_)
        c = static_cast<char>(random.bounded(256));
    const int16_t extremes[] = {-32768, 32767};
    std::memcpy(pcm_.data() + 5000 * 4, extremes, sizeof extremes);
    file_ = dir_.filePath("noise.raw");
    QFile f(file_);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(pcm_) == pcm_.size());
    f.close();
    expected_ = IndependentSums(file_, ranges_, &error_);
    QVERIFY2(!expected_.empty() || error_.startsWith("python3 failed"), qPrintable(error_));
}

void TestRipChecksums::sumsAgreeWithIndependentOnes_data() {
    QTest::addColumn<int>("sectors"); // the track: the file's first sectors
    QTest::addColumn<bool>("firstTrack");
    QTest::addColumn<bool>("lastTrack");
    QTest::addColumn<int>("piece"); // bytes per Add; 0: all at once

    for (int piece : {0, 2352 * 3, 1, 7, 4099}) {
        const QByteArray p = QByteArray::number(piece);
        QTest::newRow("middle track, piece " + p) << 12 << false << false << piece;
        QTest::newRow("first track, piece " + p) << 12 << true << false << piece;
        QTest::newRow("last track, piece " + p) << 12 << false << true << piece;
        QTest::newRow("only track, piece " + p) << 12 << true << true << piece;
    }
    // Shorter than the two edges together: the only track sums nothing for AccurateRip.
    QTest::newRow("short only track") << 8 << true << true << 0;
    QTest::newRow("short last track") << 4 << false << true << 0;
}

void TestRipChecksums::sumsAgreeWithIndependentOnes() {
    QFETCH(int, sectors);
    QFETCH(bool, firstTrack);
    QFETCH(bool, lastTrack);
    QFETCH(int, piece);
    if (!error_.isEmpty())
        QSKIP(qPrintable(error_));
    const auto range = std::find_if(ranges_.begin(), ranges_.end(), [&](const SumRange& r) {
        return r.last == sectors - 1 && r.firstTrack == firstTrack && r.lastTrack == lastTrack;
    });
    QVERIFY(range != ranges_.end());
    const IndependentSum expected = expected_[static_cast<size_t>(range - ranges_.begin())];

    TrackChecksummer summer(static_cast<uint64_t>(sectors) * SamplesPerSector, firstTrack, lastTrack);
    const auto* data = reinterpret_cast<const uint8_t*>(pcm_.constData());
    const size_t bytes = static_cast<size_t>(sectors) * 2352;
    const size_t step = piece > 0 ? static_cast<size_t>(piece) : bytes;
    for (size_t at = 0; at < bytes; at += step)
        summer.Add(data + at, std::min(step, bytes - at));
    const TrackChecksums& sums = summer.Result();
    QCOMPARE(sums.Samples, static_cast<uint64_t>(sectors) * SamplesPerSector);
    QCOMPARE(sums.ArCrcV1, expected.v1);
    QCOMPARE(sums.ArCrcV2, expected.v2);
    QCOMPARE(sums.Crc32, expected.crc32);
    QCOMPARE(sums.Peak, expected.peak);
    if (sectors == 12)
        QCOMPARE(sums.Peak, 32768u);
    // v1 and v2 part ways once a product passes 32 bits, which this noise makes sure of.
    if (sectors == 12)
        QVERIFY(sums.ArCrcV1 != sums.ArCrcV2);
}

QTEST_APPLESS_MAIN(TestRipChecksums)
#include "tst_ripchecksums.moc"
