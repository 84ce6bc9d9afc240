// Hostile and damaged inputs through the real plug-ins' exports: nothing crashes, no export blocks,
// and the state always ends at 0 or 3.
#include "DecoderPlugIn.h"

#include <QDir>
#include <QProcess>
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

// A WAV header for dataBytes of samples (format 1: integer PCM, 3: float), the samples left as a hole
// of zeros: a file of any size that costs no disk space.
bool writeLongWav(const QString& path, uint16_t format, uint16_t bits, uint32_t dataBytes) {
    QByteArray header("RIFF\0\0\0\0WAVEfmt \x10\0\0\0", 20);
    auto put16 = [&](uint32_t v) { header.append(char(v & 0xff)).append(char((v >> 8) & 0xff)); };
    auto put32 = [&](uint32_t v) { put16(v & 0xffff), put16(v >> 16); };
    put16(format);
    put16(2);
    put32(44100);
    put32(44100u * 2 * bits / 8);
    put16(2u * bits / 8);
    put16(bits);
    header.append("data", 4);
    put32(dataBytes);
    const uint32_t riff = uint32_t(header.size()) - 8 + dataBytes;
    for (int i = 0; i < 4; ++i)
        header[4 + i] = char((riff >> (8 * i)) & 0xff);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(header) == header.size() && f.resize(f.size() + dataBytes);
}

// Bytes this process has read so far (every thread, every file).
qint64 bytesRead() {
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

// Set in the child process a case runs in.
constexpr const char* ChildVariable = "LARKSPIN_HOSTILE_CHILD";

// Runs function:tag of this test program in a child process, so that a case which hangs (in a call
// or at exit) fails the parent instead of hanging the run.
bool passesInChild(const char* function, const char* tag) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(ChildVariable, "1");
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QString("%1:%2").arg(function, tag)});
    const bool finished = child.waitForFinished(90000);
    if (!finished) {
        child.kill();
        child.waitForFinished();
    }
    const bool passed = finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    if (!passed)
        qWarning().noquote() << function << tag << (finished ? "failed:" : "did not finish:")
                             << child.readAll();
    return passed;
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
    void oggPlaysWhateverFollowsItsLastPage_data();
    void oggPlaysWhateverFollowsItsLastPage();
    void longFilesPlayWithoutBeingReadFirst_data();
    void longFilesPlayWithoutBeingReadFirst();
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
void TestPlugInHostile::oggPlaysWhateverFollowsItsLastPage_data() {
    QTest::addColumn<qint64>("tailBytes");
    QTest::addColumn<QByteArray>("tailStart");
    QTest::newRow("nothing") << qint64(0) << QByteArray();
    QTest::newRow("an ID3v1 tag") << qint64(128) << QByteArray("TAG");
    QTest::newRow("a false page start") << qint64(4096) << QByteArray("OggS\0garbage");
    QTest::newRow("64 MB of zeros") << qint64(64) * 1024 * 1024 << QByteArray();
    QTest::newRow("2 GB of zeros") << qint64(2) * 1024 * 1024 * 1024 << QByteArray();
}

// libvorbisfile alone searched a tail without Ogg pages backwards in ever-growing steps: a minute for
// 64 MB of zeros, and the voice it opened for kept the process from exiting until then. Each case runs
// in a child process, so a hang fails the test instead of stopping the run.
void TestPlugInHostile::oggPlaysWhateverFollowsItsLastPage() {
    QFETCH(qint64, tailBytes);
    QFETCH(QByteArray, tailStart);
    if (!qEnvironmentVariableIsSet(ChildVariable)) {
        QVERIFY(passesInChild("oggPlaysWhateverFollowsItsLastPage", QTest::currentDataTag()));
        return;
    }
    QVERIFY(runTool("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", file("tone.wav"), "synth", "3",
                            "sine", "440", "vol", "0.5"}));
    QVERIFY(runTool("oggenc", {"-Q", "-q", "2", "-o", file("tail.ogg"), file("tone.wav")}));
    {
        QFile f(file("tail.ogg"));
        QVERIFY(f.open(QIODevice::Append));
        f.write(tailStart);
        QVERIFY(f.resize(f.size() + tailBytes - tailStart.size()));
    }
    DecoderPlugIn& p = plugIn("IB_vorbis.so");
    p.StartPlugIn(0, 0);
    p.LoadFile(file("tail.ogg").toUtf8());
    p.Play(0);
    QTRY_VERIFY_WITH_TIMEOUT(p.GetPos() >= 1, 20000);
    QCOMPARE(p.GetLength(), 3);
    p.SetPos(2);
    QTRY_VERIFY_WITH_TIMEOUT(p.GetState() == 3, 20000);
    QCOMPARE(p.GetPos(), 3);
    p.Stop(0);
    p.ClosePlugIn();
    // Decoding to WAV ends as well, with the three seconds.
    QTemporaryDir out;
    p.decodefile(file("tail.ogg").toUtf8(), out.path().toUtf8());
    QTRY_VERIFY_WITH_TIMEOUT(p.GetDecodePos() >= 100, 20000);
    WavData wav;
    QVERIFY(readWav(out.filePath("tail.wav"), wav));
    QCOMPARE(qsizetype(wav.samples.size()), qsizetype(3 * 44100 * 2));
}

void TestPlugInHostile::longFilesPlayWithoutBeingReadFirst_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("bits");
    QTest::newRow("16-bit") << 1 << 16;
    QTest::newRow("32-bit float") << 3 << 32;
}

// libsndfile's scaling of float samples reads every frame at open to find the peak (seconds of silence
// before a long file plays, and an exit that waits for it). What was read by the time the first second
// has played must be about that second, not the whole file.
void TestPlugInHostile::longFilesPlayWithoutBeingReadFirst() {
    QFETCH(int, format);
    QFETCH(int, bits);
    constexpr uint32_t DataBytes = 1024u * 1024 * 1024; // 50 minutes of 16-bit stereo
    QVERIFY(writeLongWav(file("long.wav"), uint16_t(format), uint16_t(bits), DataBytes));
    DecoderPlugIn& p = plugIn("IB_sndfile.so");
    p.StartPlugIn(0, 0);
    const qint64 before = bytesRead();
    QVERIFY(before >= 0);
    p.LoadFile(file("long.wav").toUtf8());
    p.Play(0);
    QTRY_VERIFY_WITH_TIMEOUT(p.GetPos() >= 1, 60000);
    const qint64 read = bytesRead() - before;
    QCOMPARE(p.GetLength(), int(DataBytes / (2 * bits / 8) / 44100));
    p.Stop(0);
    p.ClosePlugIn();
    QVERIFY2(read < 64 * 1024 * 1024, qPrintable(QString("%1 MB read to play a second").arg(read >> 20)));
}

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
