// Hostile and damaged inputs through the real plug-ins' exports: nothing crashes, no export blocks,
// and the state always ends at 0 or 3.
#include "DecoderPlugIn.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace {

// Runs calls on a thread of their own; true when they returned within timeoutMs. A call that blocks
// forever leaves its thread behind and fails the test instead of hanging it.
template <typename F> bool returnsPromptly(F calls, int timeoutMs = 5000) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread worker([calls, done] {
        calls();
        *done = true;
    });
    const bool returned = waitFor([&] { return done->load(); }, timeoutMs);
    if (returned)
        worker.join();
    else
        worker.detach();
    return returned;
}

// A WAV header (PCM, 16-bit) declaring rate and channels, followed by a second of samples.
QByteArray wavDeclaring(uint32_t rate, uint16_t channels) {
    QByteArray header("RIFF\0\0\0\0WAVEfmt \x10\0\0\0\x01\0", 22);
    auto put16 = [&](uint32_t v) { header.append(char(v & 0xff)).append(char((v >> 8) & 0xff)); };
    auto put32 = [&](uint32_t v) { put16(v & 0xffff), put16(v >> 16); };
    const uint32_t dataBytes = 44100 * 4;
    put16(channels);
    put32(rate);
    put32(rate * channels * 2);
    put16(channels * 2u);
    put16(16);
    header.append("data", 4);
    put32(dataBytes);
    header.append(QByteArray(int(dataBytes), '\x20'));
    const uint32_t riff = uint32_t(header.size() - 8);
    for (int i = 0; i < 4; ++i)
        header[4 + i] = char((riff >> (8 * i)) & 0xff);
    return header;
}

} // namespace

class TestPlugInHostile : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void fifoNeverBlocksAnExport_data();
    void fifoNeverBlocksAnExport();
    void fifoIsNeverDecoded();
    void unplayableRatesAreRefused_data();
    void unplayableRatesAreRefused();
    void unopenableFileAfterSetPosEnds_data();
    void unopenableFileAfterSetPosEnds();
    void absurdLengthCountsAsUnknown();
    void headerLengthFirstThenTheScannedOne();
    void inputsFoundByFuzzingPlayAndDecodeSafely_data();
    void inputsFoundByFuzzingPlayAndDecodeSafely();

private:
    QString file(const QString& name) const { return dir.filePath(name); }
    static DecoderPlugIn& plugIn(const QString& name) { return KeptPlugIn(name); }
    void write(const QString& name, const QByteArray& bytes) {
        QFile f(file(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QTemporaryDir dir;
};

void TestPlugInHostile::initTestCase() {
    QVERIFY(dir.isValid());
    QCOMPARE(mkfifo(file("fifo.mp3").toUtf8().constData(), 0600), 0);
    QVERIFY(QFile::link(file("fifo.mp3"), file("fifo.wav")));
    QVERIFY(QFile::link(file("fifo.mp3"), file("fifo.ogg")));
    QVERIFY(QFile::link(file("fifo.mp3"), file("fifo.wma")));
}

void TestPlugInHostile::init() {
    qputenv("LARKSPIN_AUDIO_DRIVER", "dummy");
}

void TestPlugInHostile::fifoNeverBlocksAnExport_data() {
    QTest::addColumn<QString>("plugInName");
    QTest::addColumn<QString>("name");
    QTest::newRow("mpeg") << "IB_mpeg.so"
                          << "fifo.mp3";
    QTest::newRow("sndfile") << "IB_sndfile.so"
                             << "fifo.wav";
    QTest::newRow("vorbis") << "IB_vorbis.so"
                            << "fifo.ogg";
    QTest::newRow("ffmpeg") << "IB_ffmpeg.so"
                            << "fifo.wma";
}

void TestPlugInHostile::fifoNeverBlocksAnExport() {
    QFETCH(QString, plugInName);
    QFETCH(QString, name);
    DecoderPlugIn& p = plugIn(plugInName);
    QVERIFY(p.loaded());
    const QByteArray path = file(name).toUtf8();
    QVERIFY(returnsPromptly([&p, path] {
        p.StartPlugIn(0, 0);
        p.LoadFile(path);
        p.Play(0);
        p.GetState();
        p.SetPos(3);
        p.Stop(0);
        p.GetState();
        p.LoadFile(path);
        p.Play(0);
    }));
    QTRY_VERIFY_WITH_TIMEOUT(p.GetState() == 3, 5000);
    QCOMPARE(p.GetLength(), 0);
    QCOMPARE(p.GetPos(), 0);
    QVERIFY(returnsPromptly([&p] {
        p.Stop(0);
        p.ClosePlugIn();
    }));
}

void TestPlugInHostile::fifoIsNeverDecoded() {
    DecoderPlugIn& p = plugIn("IB_sndfile.so");
    QTemporaryDir out;
    const QByteArray path = file("fifo.wav").toUtf8();
    QVERIFY(returnsPromptly([&p, path, folder = out.path().toUtf8()] {
        p.StartPlugIn(0, 0);
        p.decodefile(path, folder);
    }));
    QTRY_VERIFY_WITH_TIMEOUT(p.GetDecodePos() >= 100, 5000);
    QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    QVERIFY(returnsPromptly([&p] { p.ClosePlugIn(); }));
}

void TestPlugInHostile::unplayableRatesAreRefused_data() {
    QTest::addColumn<uint32_t>("rate");
    QTest::newRow("1 Hz") << 1u;
    QTest::newRow("999 Hz") << 999u;
    QTest::newRow("4 GHz") << 4000000000u;
}

// Converting 1 Hz to the device rate once drove resident memory to gigabytes.
void TestPlugInHostile::unplayableRatesAreRefused() {
    QFETCH(uint32_t, rate);
    write("odd.wav", wavDeclaring(rate, 2));
    DecoderPlugIn& p = plugIn("IB_sndfile.so");
    p.StartPlugIn(0, 0);
    p.LoadFile(file("odd.wav").toUtf8());
    p.Play(0);
    QTRY_VERIFY_WITH_TIMEOUT(p.GetState() == 3, 5000);
    QCOMPARE(p.GetLength(), 0);
    QCOMPARE(p.GetPos(), 0);
    p.Stop(0);

    QTemporaryDir out;
    p.decodefile(file("odd.wav").toUtf8(), out.path().toUtf8());
    QTRY_VERIFY_WITH_TIMEOUT(p.GetDecodePos() >= 100, 5000);
    QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    p.ClosePlugIn();
}

void TestPlugInHostile::unopenableFileAfterSetPosEnds_data() {
    QTest::addColumn<QString>("plugInName");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("missing mp3") << "IB_mpeg.so"
                                 << "" << QByteArray();
    QTest::newRow("text as ogg") << "IB_vorbis.so"
                                 << "text.ogg" << QByteArray("no ogg here\n");
    QTest::newRow("zeros as wav") << "IB_sndfile.so"
                                  << "zeros.wav" << QByteArray(3000, '\0');
    QTest::newRow("zeros as wma") << "IB_ffmpeg.so"
                                  << "zeros.wma" << QByteArray(3000, '\0');
}

// The contract: a file that cannot be opened plays as silence of no length, the state reads 0 or 3 —
// also after a seek (it once stayed "playing" at the sought second for ever).
void TestPlugInHostile::unopenableFileAfterSetPosEnds() {
    QFETCH(QString, plugInName);
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QString path = file("missing/nothing.mp3");
    if (!name.isEmpty()) {
        write(name, bytes);
        path = file(name);
    }
    DecoderPlugIn& p = plugIn(plugInName);
    p.StartPlugIn(0, 0);
    p.LoadFile(path.toUtf8());
    p.Play(0);
    QTRY_VERIFY_WITH_TIMEOUT(p.GetState() == 3, 5000);
    p.SetPos(2);
    QCOMPARE(p.GetState(), uint8_t(3));
    QCOMPARE(p.GetPos(), 0);
    // Asked at once, before the decoding thread has tried the file.
    p.LoadFile(path.toUtf8());
    p.Play(0);
    p.SetPos(7);
    QTRY_VERIFY_WITH_TIMEOUT(p.GetState() == 3, 5000);
    QCOMPARE(p.GetPos(), 0);
    QCOMPARE(p.GetLength(), 0);
    p.Stop(0);
    p.ClosePlugIn();
}

// libsndfile reports INT64_MAX frames for a cut Opus file: the length is unknown (0), not a wrapped
// number, and a seek far beyond the end leaves nothing stuck.
void TestPlugInHostile::absurdLengthCountsAsUnknown() {
    QVERIFY(makeSine(file("tone48k.wav"), 440, 3, 48000));
    QVERIFY(runTool("ffmpeg", {"-v", "error", "-y", "-i", file("tone48k.wav"), "-c:a", "libopus", "-b:a",
                               "64k", file("whole.opus")}));
    QFile whole(file("whole.opus"));
    QVERIFY(whole.open(QIODevice::ReadOnly));
    write("cut.opus", whole.read(whole.size() / 2));
    DecoderPlugIn& p = plugIn("IB_sndfile.so");
    p.StartPlugIn(0, 0);
    p.LoadFile(file("cut.opus").toUtf8());
    p.Play(0);
    QTRY_VERIFY_WITH_TIMEOUT(p.GetState() == 1 || p.GetState() == 3, 5000);
    QCOMPARE(p.GetLength(), 0);
    p.SetPos(2000000000);
    QVERIFY(p.GetPos() >= 0);
    QTRY_VERIFY_WITH_TIMEOUT(p.GetState() == 3, 10000);
    QVERIFY(returnsPromptly([&p] {
        p.Stop(0);
        p.ClosePlugIn();
    }));
}

// A VBR MP3 without a Xing frame: the length first comes from the header's bit rate, and once the
// file has been scanned it is the exact one.
void TestPlugInHostile::headerLengthFirstThenTheScannedOne() {
    QVERIFY(runTool("sox", {"-n",    "-r",  "44100", "-c",  "1",     "-b", "16",         file("vbr.wav"),
                            "synth", "4",   "sine",  "300", "synth", "4",  "whitenoise", "fmod",
                            "sine",  "vol", "0.5",   "pad", "0",     "8"}));
    QVERIFY(runTool("lame", {"--quiet", "-V", "0", "-t", file("vbr.wav"), file("vbr.mp3")}));
    DecoderPlugIn& p = plugIn("IB_mpeg.so");
    p.StartPlugIn(0, 0);
    p.LoadFile(file("vbr.mp3").toUtf8());
    p.Play(0);
    QTRY_VERIFY_WITH_TIMEOUT(p.GetLength() == 12, 10000);
    p.Stop(0);
    p.ClosePlugIn();
}

// Every input the decoder fuzzers once crashed on, through every plug-in: playing ends (0 or 3) and
// decoding finishes, without a crash.
void TestPlugInHostile::inputsFoundByFuzzingPlayAndDecodeSafely_data() {
    QTest::addColumn<QString>("plugIn");
    QTest::addColumn<QString>("input");
    const QDir regressions(QStringLiteral(LARKSPIN_SOURCE_DIR "/tests/plugins/regressions"));
    for (const QString& input : regressions.entryList(QDir::Files, QDir::Name))
        for (const char* plugIn : {"IB_mpeg.so", "IB_sndfile.so", "IB_vorbis.so", "IB_ffmpeg.so"})
            QTest::newRow(qPrintable(input + " " + plugIn)) << QString(plugIn) << regressions.filePath(input);
}

void TestPlugInHostile::inputsFoundByFuzzingPlayAndDecodeSafely() {
    QFETCH(QString, plugIn);
    QFETCH(QString, input);
    DecoderPlugIn& p = this->plugIn(plugIn);
    QVERIFY(p.loaded());
    const QByteArray path = input.toUtf8();
    p.StartPlugIn(0, 0);
    p.LoadFile(path);
    p.Play(0);
    QTRY_VERIFY_WITH_TIMEOUT(p.GetState() == 0 || p.GetState() == 3, 20000);
    QTemporaryDir out;
    p.decodefile(path, out.path().toUtf8());
    QTRY_VERIFY_WITH_TIMEOUT(p.GetDecodePos() >= 100, 20000);
    QVERIFY(returnsPromptly([&p] { p.ClosePlugIn(); }));
}

QTEST_GUILESS_MAIN(TestPlugInHostile)
#include "tst_pluginhostile.moc"
