// Decode runs through the real decoder plug-ins: each file with the plug-in of its own type, into the
// chosen folder or its own, bad files reported, abort.
#include "CodecFixtures.h"

#include "PlugInHost.h"
#include "TDecodeRun.h"

#include <QSignalSpy>
#include <QtTest>

#include <cstring>

using namespace larkspin;

namespace {

struct Rig {
    QTemporaryDir files;
    QTemporaryDir out;
    std::unique_ptr<TPlugInHost> host;
    std::unique_ptr<TDecodeRun> run;

    Rig() {
        PlugInHostOptions options;
        options.decoderFolder = LARKSPIN_BUILD_DIR "/PlugIn/Decoder";
        host = std::make_unique<TPlugInHost>(options);
        std::string check;
        host->EnumeratePlugIns(check);
        run = std::make_unique<TDecodeRun>(*host);
    }
    // A tone of seconds as name, encoded by the tool its extension needs.
    QString tone(const QString& name, double seconds) {
        const QString path = files.filePath(name);
        const QString wav = files.filePath(name + ".src.wav");
        if (!makeTone(wav, seconds))
            return {};
        bool ok = true;
        if (name.endsWith(".mp3"))
            ok = runTool("lame", {"--quiet", wav, path});
        else if (name.endsWith(".ogg"))
            ok = runTool("oggenc", {"-Q", "-o", path, wav});
        else if (name.endsWith(".flac"))
            ok = runTool("flac", {"-s", "-f", "-o", path, wav});
        else
            ok = QFile::copy(wav, path);
        QFile::remove(wav);
        return ok ? path : QString();
    }
};

qint64 frames(const QString& wav) {
    WavData d;
    return readWav(wav, d) && d.channels ? qint64(d.samples.size()) / d.channels : -1;
}

} // namespace

class TestDecodeRun : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void eachFileWithItsOwnPlugIn();
    void eachFileIntoItsOwnFolder();
    void badFilesAreReportedAndTheRunGoesOn();
    void abortRemovesThePartialFile();
    void vanishedFolderIsNamedWithTheReason();
    void folderIsCheckedBeforeStarting();
};

void TestDecodeRun::initTestCase() {
    Rig rig;
    QVERIFY2(rig.host->FindDecodingPlugIn(".mp3") >= 0 && rig.host->FindDecodingPlugIn(".ogg") >= 0,
             "the decoder plug-ins must be built");
}

// A list of different types decodes every file; the plug-in chosen for the first never gets the others.
void TestDecodeRun::eachFileWithItsOwnPlugIn() {
    Rig rig;
    const QStringList sources{rig.tone("a.mp3", 1.5), rig.tone("b.ogg", 2), rig.tone("c.flac", 1)};
    QSignalSpy decoded(rig.run.get(), &TDecodeRun::fileDecoded);
    QSignalSpy finished(rig.run.get(), &TDecodeRun::finished);
    QCOMPARE(rig.run->Start(sources, rig.out.path()), QString());
    QVERIFY(rig.run->Running());
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(decoded.size(), 3);
    QVERIFY(rig.run->Problems().isEmpty());
    QVERIFY(std::abs(frames(rig.out.filePath("a.wav")) - 66150) < 3000);
    QCOMPARE(frames(rig.out.filePath("b.wav")), 88200);
    QCOMPARE(frames(rig.out.filePath("c.wav")), 44100);
    QVERIFY(rig.host->DecodingPlugInName().empty());
}

void TestDecodeRun::eachFileIntoItsOwnFolder() {
    Rig rig;
    QTemporaryDir other;
    const QString first = rig.tone("x.ogg", 0.5);
    const QString second = other.filePath("y.ogg");
    QVERIFY(QFile::copy(first, second));
    QSignalSpy finished(rig.run.get(), &TDecodeRun::finished);
    QCOMPARE(rig.run->Start({first, second}, QString()), QString());
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
    QVERIFY(QFileInfo::exists(rig.files.filePath("x.wav")));
    QVERIFY(QFileInfo::exists(other.filePath("y.wav")));
}

void TestDecodeRun::badFilesAreReportedAndTheRunGoesOn() {
    Rig rig;
    const QString unknown = rig.files.filePath("notes.xyz");
    QVERIFY(writeBytes(unknown, "text"));
    const QString broken = rig.files.filePath("broken.mp3");
    QVERIFY(writeBytes(broken, QByteArray(5000, 'x')));
    const QString wave = rig.tone("already.wav", 0.5);
    const QByteArray waveBytes = fileBytes(wave);
    const QString good = rig.tone("good.ogg", 0.5);
    QSignalSpy finished(rig.run.get(), &TDecodeRun::finished);
    QCOMPARE(rig.run->Start({unknown, rig.files.filePath("gone.ogg"), broken, wave, good}, QString()),
             QString());
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
    QCOMPARE(rig.run->Problems(), (QStringList{"notes.xyz: has a type no decoder plug-in decodes",
                                               "gone.ogg: does not exist", "broken.mp3: could not be decoded",
                                               "already.wav: would be replaced by its own output"}));
    QVERIFY(QFileInfo::exists(rig.files.filePath("good.wav")));
    QVERIFY(!QFileInfo::exists(rig.files.filePath("broken.wav")));
    QCOMPARE(fileBytes(wave), waveBytes);
}

void TestDecodeRun::abortRemovesThePartialFile() {
    Rig rig;
    const QString source = rig.tone("long.flac", 600);
    QSignalSpy progress(rig.run.get(), &TDecodeRun::progressChanged);
    QSignalSpy finished(rig.run.get(), &TDecodeRun::finished);
    QCOMPARE(rig.run->Start({source, source}, rig.out.path()), QString());
    QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last().at(1).toInt() > 0, 60000);
    rig.run->Abort();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QVERIFY(!rig.run->Running());
    QVERIFY(QDir(rig.out.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

void TestDecodeRun::vanishedFolderIsNamedWithTheReason() {
    Rig rig;
    const QString source = rig.tone("long.flac", 600);
    const QString folder = rig.out.filePath("chosen");
    QVERIFY(QDir().mkpath(folder));
    QSignalSpy progress(rig.run.get(), &TDecodeRun::progressChanged);
    QSignalSpy finished(rig.run.get(), &TDecodeRun::finished);
    QCOMPARE(rig.run->Start({source}, folder), QString());
    QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last().at(1).toInt() > 0, 60000);
    QVERIFY(QDir(folder).removeRecursively());
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 120000);
    QCOMPARE(rig.run->Problems(), QStringList{"long.flac: could not be written to " + folder +
                                              "/long.wav: " + QString::fromLocal8Bit(std::strerror(ENOENT))});
}

void TestDecodeRun::folderIsCheckedBeforeStarting() {
    Rig rig;
    const QString source = rig.tone("s.ogg", 0.2);
    const QString missing = rig.out.filePath("missing");
    QCOMPARE(rig.run->Start({source}, missing),
             QString("The output folder \"%1\" does not exist.").arg(missing));
    QCOMPARE(rig.run->Start({}, rig.out.path()), QString("There is nothing to decode."));
    QVERIFY(!rig.run->Running());
}

QTEST_GUILESS_MAIN(TestDecodeRun)
#include "tst_decoderun.moc"
