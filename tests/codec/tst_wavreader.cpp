// The WAV reader the encoders share, on hand-built files: which headers it takes and what it refuses.
#include "CodecFixtures.h"

#include "WavReader.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace larkspin;

Q_DECLARE_METATYPE(larkspin::WavProblem)

namespace {

QByteArray le16(quint32 v) {
    return QByteArray(1, char(v & 0xFF)) + char((v >> 8) & 0xFF);
}
QByteArray le32(quint32 v) {
    return le16(v & 0xFFFF) + le16(v >> 16);
}
QByteArray chunk(const QByteArray& id, const QByteArray& body, quint32 size) {
    return id + le32(size) + body;
}
QByteArray chunk(const QByteArray& id, const QByteArray& body) {
    return chunk(id, body, quint32(body.size())) + (body.size() % 2 ? QByteArray(1, '\0') : QByteArray());
}
QByteArray fmt(int tag, int channels, int rate, int bits) {
    return le16(quint32(tag)) + le16(quint32(channels)) + le32(quint32(rate)) +
           le32(quint32(rate * channels * bits / 8)) + le16(quint32(channels * bits / 8)) +
           le16(quint32(bits));
}
QByteArray extensible(int channels, int rate, int subFormat) {
    return fmt(0xFFFE, channels, rate, 16) + le16(22) + le16(16) + le32(3) + le16(quint32(subFormat)) +
           QByteArray("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
}
QByteArray riff(const QByteArray& chunks, qint64 sizeOverride = -1) {
    return "RIFF" + le32(quint32(sizeOverride >= 0 ? sizeOverride : chunks.size() + 4)) + "WAVE" + chunks;
}
// 16-bit samples 0, 1, 2, ... of count values.
QByteArray ramp(int count) {
    QByteArray b;
    for (int i = 0; i < count; ++i)
        b += le16(quint32(i));
    return b;
}

} // namespace

class TestWavReader : public QObject {
    Q_OBJECT
private slots:
    void headers_data();
    void headers();
    void readsTheSamplesInOrder();
};

void TestWavReader::headers_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<WavProblem>("problem");
    QTest::addColumn<int>("channels");
    QTest::addColumn<qint64>("frames");
    const QByteArray stereo = chunk("fmt ", fmt(1, 2, 44100, 16));
    const QByteArray data = chunk("data", ramp(400));
    QTest::newRow("canonical") << riff(stereo + data) << WavProblem::None << 2 << qint64(200);
    QTest::newRow("extensible PCM") << riff(chunk("fmt ", extensible(2, 48000, 1)) + data) << WavProblem::None
                                    << 2 << qint64(200);
    QTest::newRow("odd chunk before the data")
        << riff(stereo + chunk("LIST", "abc") + data) << WavProblem::None << 2 << qint64(200);
    QTest::newRow("half a frame at the end")
        << riff(stereo + chunk("data", ramp(401))) << WavProblem::None << 2 << qint64(200);
    QTest::newRow("streamed, size unknown") << riff(stereo + chunk("data", ramp(400), 0xFFFFFFFF), 0xFFFFFFFF)
                                            << WavProblem::None << 2 << qint64(200);
    QTest::newRow("no sound") << riff(stereo + chunk("data", {})) << WavProblem::None << 2 << qint64(0);
    QTest::newRow("extensible float")
        << riff(chunk("fmt ", extensible(2, 48000, 3)) + data) << WavProblem::NotPcm16 << 2 << qint64(0);
    QTest::newRow("ADPCM") << riff(chunk("fmt ", fmt(2, 2, 44100, 4)) + data) << WavProblem::NotPcm16 << 2
                           << qint64(0);
    QTest::newRow("32-bit PCM") << riff(chunk("fmt ", fmt(1, 2, 44100, 32)) + data) << WavProblem::NotPcm16
                                << 2 << qint64(0);
    QTest::newRow("no channels") << riff(chunk("fmt ", fmt(1, 0, 44100, 16)) + data)
                                 << WavProblem::DamagedHeader << 0 << qint64(0);
    QTest::newRow("nine channels") << riff(chunk("fmt ", fmt(1, 9, 44100, 16)) + data)
                                   << WavProblem::DamagedHeader << 9 << qint64(0);
    QTest::newRow("rate 0") << riff(chunk("fmt ", fmt(1, 2, 0, 16)) + data) << WavProblem::DamagedHeader << 2
                            << qint64(0);
    QTest::newRow("data before fmt") << riff(data + stereo) << WavProblem::DamagedHeader << 0 << qint64(0);
    QTest::newRow("short fmt") << riff(chunk("fmt ", fmt(1, 2, 44100, 16).left(14)) + data)
                               << WavProblem::DamagedHeader << 0 << qint64(0);
    QTest::newRow("no data chunk") << riff(stereo) << WavProblem::DamagedHeader << 2 << qint64(0);
    QTest::newRow("chunk past the end") << riff(stereo + chunk("LIST", "abcd", 0xFFFFFFF0) + data)
                                        << WavProblem::DamagedHeader << 2 << qint64(0);
    QTest::newRow("cut in the data") << riff(stereo + data).left(500) << WavProblem::Truncated << 2
                                     << qint64(0);
    QTest::newRow("data larger than the RIFF")
        << riff(stereo + chunk("data", ramp(400), 800000)) << WavProblem::LyingHeader << 2 << qint64(0);
    QTest::newRow("AVI") << QByteArray("RIFF\x10\x00\x00\x00"
                                       "AVI LIST",
                                       16)
                         << WavProblem::NotWav << 0 << qint64(0);
    QTest::newRow("eleven bytes") << QByteArray("RIFF\x00\x00\x00\x00WAV", 11) << WavProblem::NotWav << 0
                                  << qint64(0);
    QTest::newRow("empty") << QByteArray() << WavProblem::NotWav << 0 << qint64(0);
}

void TestWavReader::headers() {
    QFETCH(QByteArray, bytes);
    QFETCH(WavProblem, problem);
    QFETCH(int, channels);
    QFETCH(qint64, frames);
    QTemporaryDir dir;
    const QString path = dir.filePath("t.wav");
    QVERIFY(writeBytes(path, bytes));
    WavReader r;
    QCOMPARE(r.Open(path.toStdString()), problem == WavProblem::None);
    QCOMPARE(r.Problem(), problem);
    QCOMPARE(r.Format().channels, channels);
    QCOMPARE(r.Format().frames, frames);
    QCOMPARE(r.ProblemText().empty(), problem == WavProblem::None);
    std::vector<std::int16_t> samples(2048);
    long total = 0, got;
    while ((got = r.Read(samples.data(), 1024 / std::max(channels, 1))) > 0)
        total += got;
    QCOMPARE(got, 0L);
    QCOMPARE(qint64(total), frames);
}

void TestWavReader::readsTheSamplesInOrder() {
    QTemporaryDir dir;
    const QString path = dir.filePath("ramp.wav");
    QVERIFY(writeBytes(path, riff(chunk("fmt ", fmt(1, 1, 8000, 16)) + chunk("data", ramp(1000)))));
    WavReader r;
    QVERIFY(r.Open(path.toStdString()));
    std::vector<std::int16_t> samples(300);
    QCOMPARE(r.Read(samples.data(), 300), 300L);
    QCOMPARE(samples[0], 0);
    QCOMPARE(samples[299], 299);
    QCOMPARE(r.Read(samples.data(), 300), 300L);
    QCOMPARE(samples[0], 300);
    QCOMPARE(r.FramesRead(), qint64(600));
    QVERIFY(!r.Open(dir.path().toStdString()));
    QCOMPARE(r.Problem(), WavProblem::CannotOpen);
    QCOMPARE(r.Read(samples.data(), 300), 0L);
}

QTEST_GUILESS_MAIN(TestWavReader)
#include "tst_wavreader.moc"
