// Converting decoded audio to the device's 44100 Hz: one libsoxr resampler per stream, fed in chunks,
// gives the same clean sine as converting everything at once.
#include "FormatConverter.h"
#include "SineFit.h"

#include <QtTest>

#include <cmath>

using larkspin::kit::FormatConverter;
using larkspin::kit::mapChannels;

namespace {

constexpr int OutRate = 44100;

// seconds of a 1 kHz sine at rate, 16-bit stereo, amplitude 0.9 (undithered: its own noise floor is
// about -97 dB).
std::vector<int16_t> sine(int rate, double seconds, int channels = 2) {
    std::vector<int16_t> samples;
    const size_t frames = size_t(rate * seconds);
    for (size_t i = 0; i < frames; ++i) {
        const auto v = int16_t(std::lrint(0.9 * 32767 * std::sin(2 * M_PI * 1000.0 * double(i) / rate)));
        for (int c = 0; c < channels; ++c)
            samples.push_back(v);
    }
    return samples;
}

std::vector<float> convertInChunks(const std::vector<int16_t>& in, int rate, int channels, long chunk) {
    FormatConverter converter(OutRate, 2);
    std::vector<float> out;
    const long frames = long(in.size()) / channels;
    for (long at = 0; at < frames; at += chunk)
        converter.convert(in.data() + at * channels, std::min(chunk, frames - at), rate, channels, out);
    converter.drain(out);
    return out;
}

std::vector<float> left(const std::vector<float>& stereo, size_t skip) {
    std::vector<float> l;
    for (size_t i = skip * 2; i + skip * 2 < stereo.size(); i += 2)
        l.push_back(stereo[i]);
    return l;
}

} // namespace

class TestKitResampling : public QObject {
    Q_OBJECT
private slots:
    void chunkedSineIsClean_data();
    void chunkedSineIsClean();
    void formatChangeDrainsTheOldRate();
    void channelMaps_data();
    void channelMaps();
};

void TestKitResampling::chunkedSineIsClean_data() {
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("chunk");
    for (int rate : {32000, 48000, 96000}) {
        QTest::addRow("%d Hz in 4096-frame chunks", rate) << rate << 4096;
        QTest::addRow("%d Hz in 1000-frame chunks", rate) << rate << 1000;
    }
}

void TestKitResampling::chunkedSineIsClean() {
    QFETCH(int, rate);
    QFETCH(int, chunk);
    const std::vector<int16_t> in = sine(rate, 2.0);
    const std::vector<float> out = convertInChunks(in, rate, 2, chunk);
    QVERIFY(std::abs(double(out.size()) / 2 - 2.0 * OutRate) <= 2);
    const sinefit::Fit f = sinefit::fit(left(out, OutRate / 10), 1000, OutRate);
    const double ppm = (f.frequency / 1000 - 1) * 1e6;
    qInfo("%d Hz: pitch error %+.3f ppm, residual %.1f dB", rate, ppm, f.residualDb);
    QVERIFY2(std::abs(ppm) < 1, qPrintable(QString::number(ppm)));
    QVERIFY2(f.residualDb < -90, qPrintable(QString::number(f.residualDb)));
    // Chunks change nothing: the resampler's state runs on from one to the next.
    const std::vector<float> whole = convertInChunks(in, rate, 2, long(in.size()));
    QCOMPARE(whole.size(), out.size());
    double worst = 0;
    for (size_t i = 0; i < out.size(); ++i)
        worst = std::max(worst, double(std::abs(out[i] - whole[i])));
    QVERIFY2(worst < 1e-6, qPrintable(QString::number(worst)));
}

// A stream that turns from 48000 Hz stereo to 32000 Hz mono keeps its time line and its pitch.
void TestKitResampling::formatChangeDrainsTheOldRate() {
    const std::vector<int16_t> first = sine(48000, 1.0), second = sine(32000, 1.0, 1);
    FormatConverter converter(OutRate, 2);
    std::vector<float> out;
    converter.convert(first.data(), long(first.size() / 2), 48000, 2, out);
    converter.convert(second.data(), long(second.size()), 32000, 1, out);
    converter.drain(out);
    QVERIFY(std::abs(double(out.size()) / 2 - 2.0 * OutRate) <= 4);
    const std::vector<float> l = left(out, 0);
    const std::vector<float> before(l.begin() + OutRate / 10, l.begin() + OutRate * 9 / 10);
    const std::vector<float> after(l.begin() + OutRate * 11 / 10, l.end() - OutRate / 10);
    for (const auto& part : {before, after}) {
        const sinefit::Fit f = sinefit::fit(part, 1000, OutRate);
        QVERIFY2(std::abs(f.frequency - 1000) < 0.01, qPrintable(QString::number(f.frequency)));
        QVERIFY2(f.residualDb < -80, qPrintable(QString::number(f.residualDb)));
    }
}

void TestKitResampling::channelMaps_data() {
    QTest::addColumn<QList<int>>("in");
    QTest::addColumn<int>("outChannels");
    QTest::addColumn<QList<double>>("expected");
    QTest::newRow("mono to stereo") << QList<int>{16384} << 2 << QList<double>{0.5, 0.5};
    QTest::newRow("stereo to mono") << QList<int>{16384, -16384} << 1 << QList<double>{0.0};
    QTest::newRow("stereo kept") << QList<int>{16384, 8192} << 2 << QList<double>{0.5, 0.25};
    const double c = 0.70710678;
    QTest::newRow("5.1 centre into both")
        << QList<int>{0, 0, 32767, 32767, 32767, 32767} << 2 << QList<double>{c / (1 + c), c / (1 + c)};
    QTest::newRow("full 5.1 stays in range")
        << QList<int>{-32768, -32768, -32768, 0, 0, 0} << 2 << QList<double>{-1.0, -1.0};
}

void TestKitResampling::channelMaps() {
    QFETCH(QList<int>, in);
    QFETCH(int, outChannels);
    QFETCH(QList<double>, expected);
    std::vector<int16_t> frame(in.begin(), in.end());
    std::vector<float> out(static_cast<size_t>(outChannels));
    mapChannels(frame.data(), int(frame.size()), out.data(), outChannels);
    for (int c = 0; c < outChannels; ++c)
        QVERIFY2(std::abs(out[size_t(c)] - expected[c]) < 1e-3, qPrintable(QString::number(out[size_t(c)])));
}

QTEST_GUILESS_MAIN(TestKitResampling)
#include "tst_kitresampling.moc"
