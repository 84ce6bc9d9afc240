// Decoding to WAV through the real plug-ins, compared with reference decoders.
#include "DecoderPlugIn.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <map>

#include <memory>
#include <sys/stat.h>

namespace {

// Waits for a decode to report 100 %.
bool waitForDecode(DecoderPlugIn& p, int timeoutMs = 20000) {
    return waitFor([&] { return p.GetDecodePos() >= 100; }, timeoutMs);
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

class TestPlugInDecode : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void sameSamplesAsTheReferenceDecoder_data();
    void sameSamplesAsTheReferenceDecoder();
    void upperCaseExtensionDecodes();
    void cancelLeavesNoFileBehind();
    void neverReplacesTheSourceItself();
    void failuresFinishWithoutAFile_data();
    void failuresFinishWithoutAFile();
    void emptyOutputFolderWritesNothing();
    void decodedFileTakesTheUsersUmask_data();
    void decodedFileTakesTheUsersUmask();
    void hostileFilesNeverCrashOrHang_data();
    void hostileFilesNeverCrashOrHang();
    void hostileFilesPlayWithoutCrashOrHang_data() { hostileFilesNeverCrashOrHang_data(); }
    void hostileFilesPlayWithoutCrashOrHang();

private:
    DecoderPlugIn& plugIn(const QString& name) {
        auto& slot = plugIns[name];
        if (!slot)
            slot = std::make_unique<DecoderPlugIn>(name); // stays loaded, as in the host
        return *slot;
    }
    QString file(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    std::map<QString, std::unique_ptr<DecoderPlugIn>> plugIns;
};

void TestPlugInDecode::initTestCase() {
    QVERIFY(dir.isValid());
    // Two seconds of two different tones, left and right.
    QVERIFY(runTool("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", file("source.wav"), "synth", "2",
                            "sine", "440", "sine", "660", "vol", "0.5"}));
    QVERIFY(runTool("sox", {"-n", "-r", "22050", "-c", "1", "-b", "16", file("mono22k.wav"), "synth", "1.5",
                            "sine", "300", "vol", "0.7"}));
    QVERIFY(runTool("lame", {"--quiet", "-b", "192", file("source.wav"), file("tone.mp3")}));
    QVERIFY(runTool("mpg123", {"-q", "-w", file("tone.mp3.ref.wav"), file("tone.mp3")}));
    QVERIFY(runTool("oggenc", {"-Q", "-q", "4", "-o", file("tone.ogg"), file("source.wav")}));
    QVERIFY(runTool("oggdec", {"-Q", "-o", file("tone.ogg.ref.wav"), file("tone.ogg")}));
    // What may follow the last Ogg page: a tag-sized scrap, or 64 MB of zeros (a torn download),
    // which libvorbisfile alone searches backwards for a minute.
    QVERIFY(QFile::copy(file("tone.ogg"), file("scrap.ogg")));
    QVERIFY(QFile::copy(file("tone.ogg"), file("zeros.ogg")));
    {
        QFile scrap(file("scrap.ogg"));
        QVERIFY(scrap.open(QIODevice::Append));
        scrap.write(QByteArray("TAG") + QByteArray(125, 'x'));
        QFile zeros(file("zeros.ogg"));
        QVERIFY(zeros.resize(zeros.size() + 64 * 1024 * 1024));
    }
    QVERIFY(runTool("sox", {file("source.wav"), "-e", "floating-point", "-b", "32", file("float.wav")}));
    QVERIFY(runTool("flac", {"-s", "-o", file("tone.flac"), file("source.wav")}));
    QVERIFY(runTool("sox", {file("source.wav"), file("tone.aiff")}));
    for (const QString& ext : {QStringLiteral("wma"), QStringLiteral("m4a")}) {
        const QString codec = ext == "wma" ? "wmav2" : "aac";
        QVERIFY(runTool("ffmpeg", {"-v", "error", "-y", "-i", file("source.wav"), "-c:a", codec, "-b:a",
                                   "128k", file("tone." + ext)}));
        QVERIFY(runTool("ffmpeg", {"-v", "error", "-y", "-i", file("tone." + ext), "-f", "wav",
                                   file("tone." + ext + ".ref.wav")}));
    }
}

void TestPlugInDecode::sameSamplesAsTheReferenceDecoder_data() {
    QTest::addColumn<QString>("plugInName");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<int>("tolerance");
    QTest::newRow("mp3 / mpg123") << "IB_mpeg.so"
                                  << "tone.mp3"
                                  << "tone.mp3.ref.wav" << 1;
    QTest::newRow("ogg / oggdec") << "IB_vorbis.so"
                                  << "tone.ogg"
                                  << "tone.ogg.ref.wav" << 1;
    QTest::newRow("ogg with a scrap after its last page / oggdec") << "IB_vorbis.so"
                                                                   << "scrap.ogg"
                                                                   << "tone.ogg.ref.wav" << 1;
    QTest::newRow("ogg with 64 MB of zeros after its last page / oggdec") << "IB_vorbis.so"
                                                                          << "zeros.ogg"
                                                                          << "tone.ogg.ref.wav" << 1;
    QTest::newRow("32-bit float wav / original") << "IB_sndfile.so"
                                                 << "float.wav"
                                                 << "source.wav" << 1;
    QTest::newRow("flac / original") << "IB_sndfile.so"
                                     << "tone.flac"
                                     << "source.wav" << 0;
    QTest::newRow("aiff / original") << "IB_sndfile.so"
                                     << "tone.aiff"
                                     << "source.wav" << 0;
    QTest::newRow("mono 22050 Hz wav / original") << "IB_sndfile.so"
                                                  << "mono22k.wav"
                                                  << "mono22k.wav" << 0;
    QTest::newRow("wma / ffmpeg") << "IB_ffmpeg.so"
                                  << "tone.wma"
                                  << "tone.wma.ref.wav" << 1;
    QTest::newRow("m4a / ffmpeg") << "IB_ffmpeg.so"
                                  << "tone.m4a"
                                  << "tone.m4a.ref.wav" << 1;
}

void TestPlugInDecode::sameSamplesAsTheReferenceDecoder() {
    QFETCH(QString, plugInName);
    QFETCH(QString, source);
    QFETCH(QString, reference);
    QFETCH(int, tolerance);
    DecoderPlugIn& p = plugIn(plugInName);
    QVERIFY(p.loaded());
    QTemporaryDir out;
    p.StartPlugIn(0, 0);
    p.decodefile(file(source).toUtf8(), out.path().toUtf8());
    QVERIFY(waitForDecode(p));
    p.ClosePlugIn();

    const QString base = QFileInfo(source).completeBaseName();
    QCOMPARE(entries(out.path()), QStringList{base + ".wav"});
    WavData ours, ref;
    QVERIFY(readWav(out.filePath(base + ".wav"), ours));
    QVERIFY(readWav(file(reference), ref));
    // A plain 44-byte header whose sizes agree with the file.
    QCOMPARE(ours.bits, 16);
    QCOMPARE(qsizetype(ours.dataSize), ours.fileSize - 44);
    QCOMPARE(qsizetype(ours.riffSize), ours.fileSize - 8);
    QCOMPARE(ours.channels, ref.channels);
    QCOMPARE(ours.rate, ref.rate);
    QCOMPARE(ours.samples.size(), ref.samples.size());
    int worst = 0;
    for (size_t i = 0; i < ours.samples.size(); ++i)
        worst = std::max(worst, std::abs(int(ours.samples[i]) - int(ref.samples[i])));
    QVERIFY2(worst <= tolerance, qPrintable(QString("samples differ by up to %1").arg(worst)));
}

void TestPlugInDecode::upperCaseExtensionDecodes() {
    QVERIFY(QFile::copy(file("tone.mp3"), file("Track.MP3")));
    DecoderPlugIn& p = plugIn("IB_mpeg.so");
    QTemporaryDir out;
    p.decodefile(file("Track.MP3").toUtf8(), (out.path() + "/").toUtf8());
    QVERIFY(waitForDecode(p));
    QCOMPARE(entries(out.path()), QStringList{"Track.wav"});
}

void TestPlugInDecode::cancelLeavesNoFileBehind() {
    const QString longFile = file("long.flac");
    QVERIFY(
        runTool("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", longFile, "synth", "60", "whitenoise"}));
    DecoderPlugIn& p = plugIn("IB_sndfile.so");
    QTemporaryDir out;
    p.decodefile(longFile.toUtf8(), out.path().toUtf8());
    QVERIFY(p.GetDecodePos() < 100);
    p.canceldecode();
    QCOMPARE(p.GetDecodePos(), 100);
    QCOMPARE(entries(out.path()), QStringList{});

    // A new decode after a cancelled one runs normally.
    p.decodefile(file("tone.flac").toUtf8(), out.path().toUtf8());
    QVERIFY(waitForDecode(p));
    QCOMPARE(entries(out.path()), QStringList{"tone.wav"});
}

void TestPlugInDecode::neverReplacesTheSourceItself() {
    QTemporaryDir work;
    const QString source = work.filePath("mono.wav");
    QVERIFY(runTool("sox", {file("mono22k.wav"), "-b", "24", source}));
    QFile f(source);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    DecoderPlugIn& p = plugIn("IB_sndfile.so");
    p.decodefile(source.toUtf8(), work.path().toUtf8());
    QVERIFY(waitForDecode(p));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    QCOMPARE(entries(work.path()), QStringList{"mono.wav"});
}

void TestPlugInDecode::failuresFinishWithoutAFile_data() {
    QTest::addColumn<QString>("plugInName");
    QTest::addColumn<QByteArray>("content"); // empty: no source file at all
    QTest::addColumn<bool>("outputFolderExists");
    QTest::newRow("missing source") << "IB_mpeg.so" << QByteArray() << true;
    QTest::newRow("text named .ogg") << "IB_vorbis.so" << QByteArray("not an ogg stream at all\n") << true;
    QTest::newRow("garbage named .flac") << "IB_sndfile.so" << QByteArray(5000, '\x5a') << true;
    QTest::newRow("garbage named .wma") << "IB_ffmpeg.so" << QByteArray(5000, '\x11') << true;
    QTest::newRow("missing output folder") << "IB_sndfile.so" << QByteArray("source.wav") << false;
}

void TestPlugInDecode::failuresFinishWithoutAFile() {
    QFETCH(QString, plugInName);
    QFETCH(QByteArray, content);
    QFETCH(bool, outputFolderExists);
    QTemporaryDir work;
    QString source = work.filePath("nothing.mp3");
    if (content == "source.wav") {
        source = file("source.wav");
    } else if (!content.isEmpty()) {
        source = work.filePath(plugInName == "IB_vorbis.so"   ? "x.ogg"
                               : plugInName == "IB_ffmpeg.so" ? "x.wma"
                                                              : "x.flac");
        QFile f(source);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    const QString out = outputFolderExists ? work.filePath("out") : work.filePath("missing/out");
    if (outputFolderExists)
        QVERIFY(QDir().mkpath(out));
    DecoderPlugIn& p = plugIn(plugInName);
    p.decodefile(source.toUtf8(), out.toUtf8());
    QVERIFY(waitForDecode(p, 5000));
    QCOMPARE(entries(out), QStringList{});
}

void TestPlugInDecode::emptyOutputFolderWritesNothing() {
    QTemporaryDir work;
    const QString source = work.filePath("larkspin-empty-folder-test.wav");
    QVERIFY(QFile::copy(file("source.wav"), source));
    DecoderPlugIn& p = plugIn("IB_sndfile.so");
    p.decodefile(source.toUtf8(), "");
    QVERIFY(waitForDecode(p, 5000));
    QTest::qWait(100);
    QVERIFY(!QFile::exists("/larkspin-empty-folder-test.wav"));
    QCOMPARE(entries(work.path()), QStringList{"larkspin-empty-folder-test.wav"});
}

void TestPlugInDecode::decodedFileTakesTheUsersUmask_data() {
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("mode");
    QTest::newRow("022") << 022 << 0644;
    QTest::newRow("077") << 077 << 0600;
}

// Decoding once set a process-wide umask(0) on its thread: every file the program made from then on
// was writable by everyone.
void TestPlugInDecode::decodedFileTakesTheUsersUmask() {
    QFETCH(int, mask);
    QFETCH(int, mode);
    const mode_t before = umask(mode_t(mask));
    DecoderPlugIn& p = plugIn("IB_sndfile.so");
    QTemporaryDir out;
    p.decodefile(file("tone.flac").toUtf8(), out.path().toUtf8());
    QVERIFY(waitForDecode(p));
    struct stat st {};
    QCOMPARE(stat(out.filePath("tone.wav").toUtf8().constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), mode);
    QCOMPARE(int(umask(before)), mask); // the process's umask is as the test set it
}

void TestPlugInDecode::hostileFilesNeverCrashOrHang_data() {
    QTest::addColumn<QString>("plugInName");
    QTest::addColumn<QString>("path");
    const std::map<QString, QString> byType{{"mp3", "IB_mpeg.so"},
                                            {"ogg", "IB_vorbis.so"},
                                            {"oga", "IB_vorbis.so"},
                                            {"wav", "IB_sndfile.so"},
                                            {"wma", "IB_ffmpeg.so"}};
    const QDir taglib(QStringLiteral(LARKSPIN_TESTDATA "/taglib"));
    if (!taglib.exists()) {
        QTest::newRow("no real test files") << QString() << QString(); // the test says it skips
        return;
    }
    for (const QFileInfo& info : taglib.entryInfoList(QDir::Files, QDir::Name)) {
        auto it = byType.find(info.suffix().toLower());
        if (it != byType.end())
            QTest::newRow(qPrintable(info.fileName())) << it->second << info.absoluteFilePath();
    }
}

void TestPlugInDecode::hostileFilesNeverCrashOrHang() {
    QFETCH(QString, plugInName);
    QFETCH(QString, path);
    if (path.isEmpty())
        QSKIP("the real test files are absent (" LARKSPIN_TESTDATA "/taglib): skipped");
    DecoderPlugIn& p = plugIn(plugInName);
    QTemporaryDir out;
    p.decodefile(path.toUtf8(), out.path().toUtf8());
    QVERIFY(waitForDecode(p, 15000));
    // Whatever was decodable is a consistent WAV; nothing else is left behind.
    const QStringList written = entries(out.path());
    QVERIFY(written.size() <= 1);
    if (!written.isEmpty()) {
        WavData wav;
        QVERIFY(readWav(out.filePath(written.first()), wav));
        QCOMPARE(qsizetype(wav.dataSize), wav.fileSize - 44);
        QCOMPARE(wav.dataSize % uint32_t(2 * wav.channels), 0u);
    }
}

void TestPlugInDecode::hostileFilesPlayWithoutCrashOrHang() {
    QFETCH(QString, plugInName);
    QFETCH(QString, path);
    if (path.isEmpty())
        QSKIP("the real test files are absent (" LARKSPIN_TESTDATA "/taglib): skipped");
    qputenv("LARKSPIN_AUDIO_DRIVER", "dummy");
    DecoderPlugIn& p = plugIn(plugInName);
    p.StartPlugIn(0, 0);
    p.LoadFile(path.toUtf8());
    p.Play(50);
    waitFor([&] { return p.GetState() == 3; }, 150);
    p.SetPos(1);
    p.SetPos(-1);
    p.Pause(0);
    p.Play(1);
    waitFor([&] { return p.GetState() == 3; }, 100);
    const uint8_t state = p.GetState();
    QVERIFY(state == 1 || state == 3);
    QVERIFY(p.GetLength() >= 0);
    p.Stop(0);
    QCOMPARE(p.GetState(), uint8_t(0));
    p.ClosePlugIn();
}

QTEST_GUILESS_MAIN(TestPlugInDecode)
#include "tst_plugindecode.moc"
