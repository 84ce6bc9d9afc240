// Each plug-in's formats, drivers and damaged files, played through the real plug-ins.
#include "CaptureAnalysis.h"
#include "SineFit.h"

#include <QTemporaryDir>
#include <QtTest>

#include <map>
#include <memory>

using namespace capture;

class TestPlugInFormats : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void seekLandsOnTheAskedSecond_data();
    void seekLandsOnTheAskedSecond();
    void realMp3PlaysInRealTimeThroughDummyDriver();
    void settingsFileBesideThePlugInChoosesTheDriver();
    void otherRatesAndChannelsKeepTheirPitch_data();
    void otherRatesAndChannelsKeepTheirPitch();
    void resampledSineIsClean_data();
    void resampledSineIsClean();
    void damagedFilesEndWithoutCrashOrHang_data();
    void damagedFilesEndWithoutCrashOrHang();

private:
    QString file(const QString& name) const { return dir.filePath(name); }
    QString startCapture(const QString& name) {
        const QString path = file(name);
        qputenv("SDL_DISKAUDIOFILE", path.toUtf8());
        return path;
    }

    QTemporaryDir dir;
    DecoderPlugIn* sndfile = nullptr;
    DecoderPlugIn* mpeg = nullptr;
};

void TestPlugInFormats::initTestCase() {
    QVERIFY(dir.isValid());
    static DecoderPlugIn s("IB_sndfile.so"), m("IB_mpeg.so"); // stay loaded, as in the host
    sndfile = &s;
    mpeg = &m;
    QVERIFY(sndfile->loaded());
    QVERIFY(mpeg->loaded());
    QVERIFY(makeSine(file("a440.wav"), 440, 3));
    QVERIFY(makeSine(file("short.wav"), 440, 1));
    QVERIFY(makeSine(file("s1.wav"), 440, 1));
    QVERIFY(makeSine(file("s2.wav"), 660, 1));
    QVERIFY(makeSine(file("s3.wav"), 880, 1));
    QVERIFY(runTool("sox", {file("s1.wav"), file("s2.wav"), file("s3.wav"), file("steps.wav")}));
    QVERIFY(runTool("lame", {"--quiet", "-b", "128", file("a440.wav"), file("a440.mp3")}));
    QVERIFY(runTool("lame", {"--quiet", "-b", "192", file("steps.wav"), file("steps.mp3")}));
    QVERIFY(runTool("oggenc", {"-Q", "-q", "6", "-o", file("steps.ogg"), file("steps.wav")}));
    QVERIFY(runTool("flac", {"-s", "-o", file("steps.flac"), file("steps.wav")}));
    QVERIFY(runTool("ffmpeg", {"-v", "error", "-y", "-i", file("steps.wav"), "-c:a", "wmav2", "-b:a", "192k",
                               file("steps.wma")}));
    QVERIFY(runTool("sox", {"-n", "-r", "22050", "-c", "1", "-b", "16", file("mono22k.wav"), "synth", "1.5",
                            "sine", "440", "vol", "0.5"}));
    QVERIFY(runTool("sox", {"-n", "-r", "48000", "-c", "2", "-b", "16", file("s48k.wav"), "synth", "1.5",
                            "sine", "440", "vol", "0.5"}));
    QVERIFY(runTool("oggenc", {"-Q", "-q", "6", "-o", file("s48k.ogg"), file("s48k.wav")}));
}

void TestPlugInFormats::init() {
    qputenv("LARKSPIN_AUDIO_DRIVER", "disk");
    sndfile->StartPlugIn(0, 0);
    sndfile->SetOutputMode(0);
    sndfile->SetVolume(100);
}

void TestPlugInFormats::cleanup() {
    sndfile->ClosePlugIn();
    mpeg->ClosePlugIn();
}

void TestPlugInFormats::seekLandsOnTheAskedSecond_data() {
    QTest::addColumn<QString>("plugInName");
    QTest::addColumn<QString>("source");
    QTest::newRow("mp3") << "IB_mpeg.so"
                         << "steps.mp3";
    QTest::newRow("ogg") << "IB_vorbis.so"
                         << "steps.ogg";
    QTest::newRow("flac") << "IB_sndfile.so"
                          << "steps.flac";
    QTest::newRow("wma") << "IB_ffmpeg.so"
                         << "steps.wma";
}

// steps: a second each of 440, 660 and 880 Hz. A jump to second 2 goes from 440 Hz straight to 880 Hz.
void TestPlugInFormats::seekLandsOnTheAskedSecond() {
    QFETCH(QString, plugInName);
    QFETCH(QString, source);
    sndfile->ClosePlugIn();
    static std::map<QString, std::unique_ptr<DecoderPlugIn>> plugIns;
    auto& slot = plugIns[plugInName];
    if (!slot)
        slot = std::make_unique<DecoderPlugIn>(plugInName);
    DecoderPlugIn& p = *slot;
    QVERIFY(p.loaded());
    const QString capture = startCapture(source + ".raw");
    p.StartPlugIn(0, 0);
    p.SetVolume(100);
    p.LoadFile(file(source).toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetState() == 1 && p.GetLength() == 3; }, 5000));
    p.SetPos(2);
    QCOMPARE(p.GetPos(), 2);
    QVERIFY(waitFor([&] { return p.GetState() == 3; }, 5000));
    QCOMPARE(p.GetPos(), 3);
    QTest::qWait(200);
    p.ClosePlugIn();

    const Levels l = levelsOf(capture);
    const int start = firstAbove(l.b, 0.9);
    const int end = firstBelow(l.b, 0.5, start);
    QVERIFY(start >= 0 && end > start);
    QVERIFY2(std::abs((end - start) * StepMs - 1000) <= 80,
             qPrintable(QString::number((end - start) * StepMs)));
    QVERIFY2(firstAbove(l.c, 0.3) < 0, "nothing of the second before the asked one");
}

void TestPlugInFormats::realMp3PlaysInRealTimeThroughDummyDriver() {
    sndfile->ClosePlugIn();
    qputenv("LARKSPIN_AUDIO_DRIVER", "dummy");
    DecoderPlugIn& p = *mpeg;
    p.StartPlugIn(0, 0);
    p.SetOutputMode(0);
    p.SetVolume(100);
    p.LoadFile(file("a440.mp3").toUtf8());
    QElapsedTimer clock;
    clock.start();
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetState() == 1 && p.GetLength() == 3; }, 5000));
    QVERIFY(waitFor([&] { return p.GetPos() == 1; }, 5000));
    QVERIFY2(clock.elapsed() >= 900, "one second of audio takes a second");
    QVERIFY(waitFor([&] { return p.GetPos() == 2; }, 5000));
    QVERIFY(waitFor([&] { return p.GetState() == 3; }, 5000));
    QVERIFY2(clock.elapsed() >= 2800, "three seconds of audio take three seconds");
    QCOMPARE(p.GetPos(), 3);
    p.ClosePlugIn();
}

void TestPlugInFormats::settingsFileBesideThePlugInChoosesTheDriver() {
    sndfile->ClosePlugIn();
    QTemporaryDir folder;
    const QString library = folder.filePath("IB_sndfile.so");
    QVERIFY(QFile::copy(QStringLiteral(LARKSPIN_BUILD_DIR "/PlugIn/Decoder/IB_sndfile.so"), library));
    const QString capture = folder.filePath("heard.raw");
    QFile ini(folder.filePath("IB_sndfile.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Output]\r\n Driver = Disk \r\nDiskFile=" + capture.toUtf8() + "\r\n");
    ini.close();
    qunsetenv("LARKSPIN_AUDIO_DRIVER");
    qunsetenv("SDL_DISKAUDIOFILE");

    DecoderPlugIn p(library); // a library of its own, beside its settings file
    QVERIFY(p.loaded());
    p.StartPlugIn(0, 0);
    p.SetOutputMode(1);
    p.SetVolume(100);
    p.LoadFile(file("short.wav").toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetState() == 3; }, 6000));
    p.ClosePlugIn();
    const Levels l = levelsOf(capture);
    QVERIFY2(firstAbove(l.a, 0.95) >= 0, "the file was played into the settings' disk file");
}

void TestPlugInFormats::otherRatesAndChannelsKeepTheirPitch_data() {
    QTest::addColumn<QString>("plugInName");
    QTest::addColumn<QString>("source");
    QTest::newRow("mono 22050 Hz wav") << "IB_sndfile.so"
                                       << "mono22k.wav";
    QTest::newRow("stereo 48000 Hz ogg") << "IB_vorbis.so"
                                         << "s48k.ogg";
}

void TestPlugInFormats::otherRatesAndChannelsKeepTheirPitch() {
    QFETCH(QString, plugInName);
    QFETCH(QString, source);
    sndfile->ClosePlugIn();
    static DecoderPlugIn vorbis("IB_vorbis.so");
    QVERIFY(vorbis.loaded());
    DecoderPlugIn& p = plugInName == "IB_vorbis.so" ? vorbis : *sndfile;
    const QString capture = startCapture(source + ".raw");
    p.StartPlugIn(0, 0);
    p.SetVolume(100);
    p.LoadFile(file(source).toUtf8());
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetState() == 3; }, 6000));
    QCOMPARE(p.GetLength(), 1);
    QCOMPARE(p.GetPos(), 1);
    QTest::qWait(300); // some silence after the end
    p.ClosePlugIn();

    // 440 Hz at full level for about 1.5 s, in both channels: neither sped up nor slowed down.
    const Levels l = levelsOf(capture);
    const int start = firstAbove(l.a, 0.9);
    const int end = firstBelow(l.a, 0.5, start);
    QVERIFY(start >= 0 && end > start);
    QVERIFY2(std::abs((end - start) * StepMs - 1500) <= 80,
             qPrintable(QString::number((end - start) * StepMs)));
    QVERIFY(firstAbove(l.b, 0.05) < 0);
}

void TestPlugInFormats::resampledSineIsClean_data() {
    QTest::addColumn<int>("rate");
    QTest::newRow("32000 Hz") << 32000;
    QTest::newRow("48000 Hz") << 48000;
    QTest::newRow("96000 Hz") << 96000;
}

// A 1 kHz sine played from another rate and captured as heard: no pitch error and nothing but the
// sine above the 16-bit source's own noise (SDL's chunked resampler once jumped in phase every 4096
// frames: +318 ppm and -27 dB at 96 kHz).
void TestPlugInFormats::resampledSineIsClean() {
    QFETCH(int, rate);
    const QString source = file(QString("k1-%1.wav").arg(rate));
    QVERIFY(runTool("sox", {"-n", "-r", QString::number(rate), "-c", "2", "-b", "16", "-D", source, "synth",
                            "2", "sine", "1000", "vol", "0.9"}));
    DecoderPlugIn& p = *sndfile;
    const QString capture = startCapture(QString("k1-%1.raw").arg(rate));
    p.LoadFile(source.toUtf8());
    p.Play(0);
    QTRY_VERIFY_WITH_TIMEOUT(p.GetState() == 3, 6000);
    p.ClosePlugIn();

    const std::vector<float> heard = readCapture(capture, 0);
    size_t first = 0, last = heard.size();
    while (first < last && std::abs(heard[first]) < 0.01f)
        ++first;
    while (last > first && std::abs(heard[last - 1]) < 0.01f)
        --last;
    QVERIFY(last - first > size_t(Rate));
    const std::vector<float> middle(heard.begin() + long(first + Rate / 5),
                                    heard.begin() + long(last - Rate / 5));
    const sinefit::Fit f = sinefit::fit(middle, 1000, Rate);
    const double ppm = (f.frequency / 1000 - 1) * 1e6;
    qInfo("%d Hz as heard: pitch error %+.3f ppm, residual %.1f dB", rate, ppm, f.residualDb);
    QVERIFY2(std::abs(ppm) < 1, qPrintable(QString::number(ppm)));
    QVERIFY2(f.residualDb < -90, qPrintable(QString::number(f.residualDb)));
}

void TestPlugInFormats::damagedFilesEndWithoutCrashOrHang_data() {
    QTest::addColumn<QString>("plugIn");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QByteArray garbage(20000, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 7919) >> 3);
    QByteArray truncatedWav(
        "RIFF\xff\xff\xff\x7fWAVEfmt \x10\0\0\0\x01\0\x02\0\x44\xac\0\0\x10\xb1\x02\0\x04\0\x10\0data"
        "\xff\xff\xff\x7f",
        44);
    truncatedWav.append(QByteArray(1000, '\x10'));
    QTest::newRow("empty wav") << "IB_sndfile.so"
                               << "empty.wav" << QByteArray();
    QTest::newRow("garbage wav") << "IB_sndfile.so"
                                 << "garbage.wav" << garbage;
    QTest::newRow("wav claiming more data than it has") << "IB_sndfile.so"
                                                        << "cut.wav" << truncatedWav;
    QTest::newRow("missing file") << "IB_sndfile.so"
                                  << "" << QByteArray();
    QTest::newRow("garbage mp3") << "IB_mpeg.so"
                                 << "garbage.mp3" << garbage;
    QTest::newRow("empty mp3") << "IB_mpeg.so"
                               << "empty.mp3" << QByteArray();
}

void TestPlugInFormats::damagedFilesEndWithoutCrashOrHang() {
    QFETCH(QString, plugIn);
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QString path = file("missing/nothing.wav");
    if (!name.isEmpty()) {
        path = file(name);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    sndfile->ClosePlugIn();
    qputenv("LARKSPIN_AUDIO_DRIVER", "dummy");
    DecoderPlugIn& p = plugIn == "IB_mpeg.so" ? *mpeg : *sndfile;
    p.StartPlugIn(0, 0);
    p.LoadFile(path.toUtf8());
    p.Play(200);
    QVERIFY(waitFor([&] { return p.GetState() == 3 || p.GetState() == 0; }, 5000));
    p.SetPos(5);
    p.Play(0);
    QVERIFY(waitFor([&] { return p.GetState() == 3 || p.GetState() == 0; }, 5000));
    p.Stop(100);
    QCOMPARE(p.GetState(), uint8_t(0));
    p.ClosePlugIn();
}

QTEST_GUILESS_MAIN(TestPlugInFormats)
#include "tst_pluginformats.moc"
