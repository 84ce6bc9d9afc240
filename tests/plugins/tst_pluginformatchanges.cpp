// Streams whose format changes midway (channels, rate, a chained Ogg of different links) decode and
// play whole, at the right pitch, without a crash.
#include "DecoderPlugIn.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr double Tone = 440;

// The tone's level in the first channel, in windows of 50 ms, relative to full scale.
std::vector<double> levels(const WavData& wav) {
    std::vector<float> first;
    for (size_t i = 0; i + size_t(wav.channels) <= wav.samples.size(); i += size_t(wav.channels))
        first.push_back(float(wav.samples[i]) / 32768.0f);
    return toneLevels(first, Tone, wav.rate, wav.rate / 20, wav.rate / 20);
}

} // namespace

class TestPlugInFormatChanges : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void decodesWholeInTheOpeningFormat_data();
    void decodesWholeInTheOpeningFormat();
    void playsToTheEnd_data() { decodesWholeInTheOpeningFormat_data(); }
    void playsToTheEnd();

private:
    QString file(const QString& name) const { return dir.filePath(name); }
    static DecoderPlugIn& plugIn(const QString& name) { return KeptPlugIn(name); }
    // Two seconds of the tone at rate with channels, encoded by a tool into name.
    void part(const QString& name, int rate, int channels, const QStringList& encode) {
        const QString wav = file(name + ".wav");
        QVERIFY(runTool("sox", {"-n", "-r", QString::number(rate), "-c", QString::number(channels), "-b",
                                "16", wav, "synth", "2", "sine", QString::number(Tone), "vol", "0.5"}));
        QStringList arguments = encode;
        arguments.replaceInStrings("IN", wav);
        arguments.replaceInStrings("OUT", file(name));
        QVERIFY(runTool(arguments.takeFirst(), arguments));
    }
    void join(const QStringList& parts, const QString& name) {
        QFile out(file(name));
        QVERIFY(out.open(QIODevice::WriteOnly));
        for (const QString& p : parts) {
            QFile in(file(p));
            QVERIFY(in.open(QIODevice::ReadOnly));
            out.write(in.readAll());
        }
    }

    QTemporaryDir dir;
};

void TestPlugInFormatChanges::initTestCase() {
    QVERIFY(dir.isValid());
    const QStringList adts{"ffmpeg", "-v",   "error", "-y", "-i",   "IN", "-c:a",
                           "aac",    "-b:a", "96k",   "-f", "adts", "OUT"};
    const QStringList ac3{"ffmpeg", "-v",   "error", "-y", "-i",  "IN", "-c:a",
                          "ac3",    "-b:a", "128k",  "-f", "ac3", "OUT"};
    // The links of a chain need serial numbers of their own.
    const QStringList ogg{"oggenc", "-Q", "-q", "4", "-s", "SERIAL", "-o", "OUT", "IN"};
    const QStringList mp3{"lame", "--quiet", "-b", "128", "IN", "OUT"};
    part("stereo.aac", 44100, 2, adts);
    part("mono.aac", 44100, 1, adts);
    part("48k.aac", 48000, 2, adts);
    part("stereo.ac3", 48000, 2, ac3);
    part("mono.ac3", 48000, 1, ac3);
    part("mono22k.ogg", 22050, 1, QStringList(ogg).replaceInStrings("SERIAL", "11"));
    part("stereo44k.ogg", 44100, 2, QStringList(ogg).replaceInStrings("SERIAL", "22"));
    part("44k.mp3", 44100, 2, mp3);
    part("22k.mp3", 22050, 2, mp3);
    join({"stereo.aac", "mono.aac"}, "stereo-then-mono.aac");
    join({"stereo.aac", "48k.aac"}, "rate-change.aac");
    join({"stereo.ac3", "mono.ac3"}, "stereo-then-mono.ac3");
    join({"mono22k.ogg", "stereo44k.ogg"}, "chain.ogg");
    join({"44k.mp3", "22k.mp3"}, "rate-change.mp3");
}

void TestPlugInFormatChanges::decodesWholeInTheOpeningFormat_data() {
    QTest::addColumn<QString>("plugInName");
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::newRow("aac stereo then mono") << "IB_ffmpeg.so"
                                          << "stereo-then-mono.aac" << 44100 << 2;
    QTest::newRow("aac 44100 then 48000 Hz") << "IB_ffmpeg.so"
                                             << "rate-change.aac" << 44100 << 2;
    QTest::newRow("ac3 stereo then mono") << "IB_ffmpeg.so"
                                          << "stereo-then-mono.ac3" << 48000 << 2;
    QTest::newRow("ogg chain mono 22050 then stereo 44100") << "IB_vorbis.so"
                                                            << "chain.ogg" << 22050 << 1;
    QTest::newRow("mp3 44100 then 22050 Hz") << "IB_mpeg.so"
                                             << "rate-change.mp3" << 44100 << 2;
}

void TestPlugInFormatChanges::decodesWholeInTheOpeningFormat() {
    QFETCH(QString, plugInName);
    QFETCH(QString, source);
    QFETCH(int, rate);
    QFETCH(int, channels);
    DecoderPlugIn& p = plugIn(plugInName);
    QVERIFY(p.loaded());
    QTemporaryDir out;
    p.StartPlugIn(0, 0);
    p.decodefile(file(source).toUtf8(), out.path().toUtf8());
    QTRY_VERIFY_WITH_TIMEOUT(p.GetDecodePos() >= 100, 30000);
    p.ClosePlugIn();

    WavData wav;
    QVERIFY(readWav(out.filePath(QFileInfo(source).completeBaseName() + ".wav"), wav));
    QCOMPARE(wav.rate, rate);
    QCOMPARE(wav.channels, channels);
    const double seconds = double(wav.samples.size()) / channels / rate;
    QVERIFY2(std::abs(seconds - 4.0) < 0.15, qPrintable(QString("%1 s decoded of 4").arg(seconds)));
    // The tone at its level and pitch all through, also after the change (not 404 Hz for 440).
    // Encoders pad each part, so the 50 ms around the join may be quieter.
    const std::vector<double> l = levels(wav);
    for (size_t i = 1; i + 1 < l.size(); ++i)
        if (i < 39 || i > 41)
            QVERIFY2(l[i] > 0.4 && l[i] < 0.6,
                     qPrintable(QString("level %1 at %2 ms").arg(l[i]).arg(i * 50)));
}

void TestPlugInFormatChanges::playsToTheEnd() {
    QFETCH(QString, plugInName);
    QFETCH(QString, source);
    qputenv("LARKSPIN_AUDIO_DRIVER", "dummy");
    DecoderPlugIn& p = plugIn(plugInName);
    p.StartPlugIn(0, 0);
    p.LoadFile(file(source).toUtf8());
    p.Play(0);
    // Estimated from the bit rate for ADTS and AC3.
    QTRY_VERIFY_WITH_TIMEOUT(p.GetState() == 1 && p.GetLength() > 0, 5000);
    p.SetPos(3);
    QTRY_VERIFY_WITH_TIMEOUT(p.GetState() == 3, 5000);
    // libmpg123 counts the samples of both rates as one, so its length of the MP3 is 3 s, not 4.
    QVERIFY(p.GetPos() >= 2);
    p.Stop(0);
    p.ClosePlugIn();
}

QTEST_GUILESS_MAIN(TestPlugInFormatChanges)
#include "tst_pluginformatchanges.moc"
