// A plug-in that is loaded, played, closed and unloaded many times really goes: its code is no longer
// mapped, none of its threads is left, and memory does not grow.
#include "DecoderPlugIn.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

int threadCount() {
    return int(QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

QByteArray maps() {
    QFile f("/proc/self/maps");
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Mappings of files (libraries and what they map); the heap's own vary with the sanitizer's
// allocator, thread stacks are counted as threads.
long mappings() {
    long files = 0;
    for (const QByteArray& line : maps().split('\n'))
        if (line.contains(" /"))
            ++files;
    return files;
}

} // namespace

class TestPlugInUnload : public QObject {
    Q_OBJECT
private slots:
    void ffmpegLoadsItsLibrariesOnFirstUse();
    void loadPlayCloseUnloadLeavesNothing();
};

// Enumerating IB_ffmpeg at start once pulled in FFmpeg's whole dependency tree (18 MiB resident).
// Runs first, while nothing else of the process has loaded FFmpeg.
void TestPlugInUnload::ffmpegLoadsItsLibrariesOnFirstUse() {
    QVERIFY(!maps().contains("libavcodec"));
    DecoderPlugIn p("IB_ffmpeg.so");
    QVERIFY(p.loaded());
    p.StartPlugIn(0, 0);
    QVERIFY(QByteArray(p.GetFileTypes()).contains("*.wma"));
    p.SetOutputMode(0);
    p.SetVolume(100);
    p.ClosePlugIn();
    QVERIFY2(!maps().contains("libavcodec"), "enumerating the plug-in loaded FFmpeg");

    QTemporaryDir dir;
    QVERIFY(runTool("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-c:a",
                               "wmav2", dir.filePath("tone.wma")}));
    p.StartPlugIn(0, 0);
    p.decodefile(dir.filePath("tone.wma").toUtf8(), dir.path().toUtf8());
    QTRY_VERIFY_WITH_TIMEOUT(p.GetDecodePos() >= 100, 10000);
    QVERIFY(QFile::exists(dir.filePath("tone.wav")));
    QVERIFY(maps().contains("libavcodec"));
    // FFmpeg's libraries stay loaded for the rest of the process, so what their initialisers
    // allocated is still referenced when the leak checker looks.
    for (const QByteArray& line : maps().split('\n')) {
        const qsizetype path = line.indexOf(" /");
        if (path > 0 && (line.contains("/libav") || line.contains("/libsw")))
            QVERIFY(dlopen(line.mid(path + 1).trimmed().constData(), RTLD_NOW | RTLD_NOLOAD));
    }
    p.ClosePlugIn();
    QCOMPARE(dlclose(p.handle), 0);
    QVERIFY2(!maps().contains("larkspin_ffmpeg_backend"), "the back end goes with the plug-in");
}

void TestPlugInUnload::loadPlayCloseUnloadLeavesNothing() {
    QTemporaryDir dir;
    QVERIFY(makeSine(dir.filePath("tone.wav"), 440, 2));
    qputenv("LARKSPIN_AUDIO_DRIVER", "dummy");
    const QString library = QStringLiteral(LARKSPIN_BUILD_DIR "/PlugIn/Decoder/IB_sndfile.so");
    // SDL stays loaded to the end, as it would in the program (the playback plug-in is never
    // unloaded), so the leak checker's suppressions know its own allocations.
    void* sdl = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_GLOBAL);
    QVERIFY(sdl);
    int threads = 0;
    long mapped = 0;
    for (int round = 0; round < 12; ++round) {
        {
            DecoderPlugIn p(library);
            QVERIFY(p.loaded());
            p.StartPlugIn(0, 0);
            p.LoadFile(dir.filePath("tone.wav").toUtf8());
            p.Play(100);
            QTRY_VERIFY_WITH_TIMEOUT(p.GetPos() >= 1 || p.GetState() == 3, 10000);
            p.SetPos(0);
            p.Stop(200);
            p.ClosePlugIn();
            p.decodefile(dir.filePath("tone.wav").toUtf8(), dir.filePath("out").toUtf8());
            QCOMPARE(dlclose(p.handle), 0);
        }
        QVERIFY2(!maps().contains("IB_sndfile.so"), "the plug-in is still mapped after dlclose");
        if (round == 1) { // the libraries it uses stay loaded after the first round
            threads = threadCount();
            mapped = mappings();
        } else if (round > 1) {
            QCOMPARE(threadCount(), threads);
            QVERIFY2(mappings() <= mapped, qPrintable(QString("%1 more mappings").arg(mappings() - mapped)));
        }
    }
}

QTEST_GUILESS_MAIN(TestPlugInUnload)
#include "tst_pluginunload.moc"
