// "Calculate loudness" over real files and the real decoder plug-ins: track and album gains written
// into MP3 files, files that cannot be measured or tagged reported, progress, and a cancelled scan.
#include "CodecFixtures.h"
#include "GainTags.h"
#include "LoudnessScan.h"
#include "PlugInHost.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>

using namespace larkspin;

namespace {

struct Rig {
    QTemporaryDir files;
    std::unique_ptr<TPlugInHost> host;
    std::unique_ptr<LoudnessScan> scan;
    Rig() {
        PlugInHostOptions options;
        options.decoderFolder = LARKSPIN_BUILD_DIR "/PlugIn/Decoder";
        host = std::make_unique<TPlugInHost>(options);
        std::string check;
        host->EnumeratePlugIns(check);
        scan = std::make_unique<LoudnessScan>(*host);
    }
    // A stereo 1 kHz tone of seconds at dBFS (-23 dBFS measures -23 LUFS), MP3 or WAV by the name.
    QString tone(const QString& name, double seconds, double dbfs) {
        const QString path = files.filePath(name);
        const QString wav = name.endsWith(".mp3") ? files.filePath(name + ".src.wav") : path;
        if (!runTool("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth",
                             QString::number(seconds), "sine", "1000", "vol", QString::number(dbfs) + "dB"}))
            return {};
        if (wav == path)
            return path;
        const bool ok = runTool("lame", {"--quiet", "-b", "192", wav, path});
        QFile::remove(wav);
        return ok ? path : QString();
    }
};

double Near(const std::optional<double>& v) {
    return v ? *v : -1000;
}

// The gain ffmpeg's ebur128 filter leads to for a file (it prints the loudness to 0.1 LU); NaN without
// ffmpeg.
double FfmpegGain(const QString& path) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("ffmpeg", {"-hide_banner", "-nostats", "-i", path, "-af", "ebur128", "-f", "null", "-"});
    if (!p.waitForFinished(60000))
        return std::nan("");
    const auto m = QRegularExpression(QStringLiteral("Integrated loudness:\\s*I:\\s*(-?[0-9.]+) LUFS"))
                       .match(QString::fromUtf8(p.readAll()));
    return m.hasMatch() ? -18 - m.captured(1).toDouble() : std::nan("");
}

// Within 0.1 LU of ffmpeg's figure (plus its rounding), and near the level the tone was made at (MP3
// coding moves it by a few tenths).
void VerifyGain(const QString& path, const std::optional<double>& gain, double nominal) {
    QVERIFY2(gain && std::fabs(*gain - nominal) < 0.5, qPrintable(QString::number(Near(gain))));
    const double theirs = FfmpegGain(path);
    if (!std::isnan(theirs))
        QVERIFY2(std::fabs(*gain - theirs) <= 0.15, qPrintable(QString("%1 %2").arg(*gain).arg(theirs)));
}

} // namespace

class TestLoudnessScan : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void trackAndAlbumGainsWritten();
    void problemsAreReportedAndTheRestTagged();
    void cancelLeavesUntouchedFiles();
};

void TestLoudnessScan::initTestCase() {
    Rig rig;
    QVERIFY2(rig.host->FindDecodingPlugIn(".mp3") >= 0 && rig.host->FindDecodingPlugIn(".wav") >= 0,
             "the decoder plug-ins must be built");
    if (QStandardPaths::findExecutable("sox").isEmpty() || QStandardPaths::findExecutable("lame").isEmpty())
        QSKIP("sox and lame are needed to make the files");
}

// Two files of album "A" at -23 and -33 dBFS (gains +5 and +15 dB), a file of no album at -28 dBFS, and a
// file of another folder's album "A": the album gain is that of the two together, the others get none.
void TestLoudnessScan::trackAndAlbumGainsWritten() {
    Rig rig;
    const QString a1 = rig.tone("a1.mp3", 8, -23), a2 = rig.tone("a2.mp3", 8, -33),
                  solo = rig.tone("solo.mp3", 6, -28);
    QVERIFY(rig.files.path() != QString() && QDir(rig.files.path()).mkdir("other"));
    const QString other = rig.tone("other/o.mp3", 6, -20);
    QVERIFY(!a1.isEmpty() && !a2.isEmpty() && !solo.isEmpty() && !other.isEmpty());
    QSignalSpy tagged(rig.scan.get(), &LoudnessScan::fileTagged);
    QSignalSpy failed(rig.scan.get(), &LoudnessScan::fileFailed);
    QSignalSpy progress(rig.scan.get(), &LoudnessScan::progressChanged);
    QSignalSpy finished(rig.scan.get(), &LoudnessScan::finished);
    QCOMPARE(rig.scan->Start({{a1, "A"}, {solo, ""}, {a2, " A "}, {other, "A"}}), QString());
    QVERIFY(rig.scan->Running());
    QCOMPARE(rig.scan->Start({{a1, "A"}}), QStringLiteral("A loudness calculation is already running."));
    QVERIFY(finished.wait(60000) || finished.count() == 1);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toBool(), false);
    QVERIFY(!rig.scan->Running());
    QVERIFY2(failed.isEmpty(), failed.isEmpty() ? "" : qPrintable(failed.first().at(1).toString()));
    QCOMPARE(tagged.count(), 4);
    QCOMPARE(progress.last().at(0).toInt(), 4);
    QCOMPARE(progress.last().at(1).toInt(), 4);

    const GainTags g1 = ReadGainTags(a1.toStdString()), g2 = ReadGainTags(a2.toStdString());
    const GainTags gs = ReadGainTags(solo.toStdString()), go = ReadGainTags(other.toStdString());
    VerifyGain(a1, g1.TrackGain, 5);
    VerifyGain(a2, g2.TrackGain, 15);
    VerifyGain(solo, gs.TrackGain, 10);
    VerifyGain(other, go.TrackGain, 2);
    QVERIFY(std::fabs(Near(g1.TrackPeak) - std::pow(10, -23 / 20.0)) < 0.01);
    // The album of equal halves at about -23 and -33 LUFS: both lie above the relative gate (10 LU below
    // their mean power), so the album's loudness is the mean power of the two.
    QVERIFY(g1.AlbumGain && g2.AlbumGain);
    QCOMPARE(*g1.AlbumGain, *g2.AlbumGain);
    const double l1 = -18 - *g1.TrackGain, l2 = -18 - *g2.TrackGain;
    const double albumLufs = 10 * std::log10((std::pow(10, l1 / 10) + std::pow(10, l2 / 10)) / 2);
    QVERIFY2(std::fabs(*g1.AlbumGain - (-18 - albumLufs)) < 0.1, qPrintable(QString::number(*g1.AlbumGain)));
    QCOMPARE(*g1.AlbumPeak, *g2.AlbumPeak);
    QVERIFY(!gs.AlbumGain);
    // Alone in its folder, "A" there is an album of one file.
    QVERIFY(go.AlbumGain && std::fabs(*go.AlbumGain - *go.TrackGain) < 0.01);
    // The decoded audio is gone.
    QVERIFY(QDir(rig.files.path()).entryList({"*.wav"}, QDir::Files).isEmpty());
}

void TestLoudnessScan::problemsAreReportedAndTheRestTagged() {
    Rig rig;
    const QString good = rig.tone("good.mp3", 4, -23);
    const QString silent = rig.tone("silent.mp3", 4, -100);
    const QString wav = rig.tone("plain.wav", 4, -23);
    const QString flac = rig.tone("lossless.flac", 4, -23);
    const QString missing = rig.files.filePath("missing.mp3");
    QSignalSpy tagged(rig.scan.get(), &LoudnessScan::fileTagged);
    QSignalSpy failed(rig.scan.get(), &LoudnessScan::fileFailed);
    QSignalSpy finished(rig.scan.get(), &LoudnessScan::finished);
    const QByteArray wavBefore = [&] {
        QFile f(wav);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QCOMPARE(rig.scan->Start({{missing, "X"}, {silent, "X"}, {wav, ""}, {good, "X"}, {flac, ""}}), QString());
    QVERIFY(finished.wait(60000) || finished.count() == 1);
    QCOMPARE(tagged.count(), 2);
    QCOMPARE(tagged.first().first().toString(), good);
    // Lossless: the tone's own level.
    const GainTags lossless = ReadGainTags(flac.toStdString());
    QVERIFY2(std::fabs(Near(lossless.TrackGain) - 5) <= 0.05,
             qPrintable(QString::number(Near(lossless.TrackGain))));
    QVERIFY(!lossless.AlbumGain);
    QMap<QString, QString> why;
    for (const auto& f : failed)
        why[QFileInfo(f.at(0).toString()).fileName()] = f.at(1).toString();
    QCOMPARE(why.size(), 3);
    QVERIFY2(why["missing.mp3"].contains("does not exist"), qPrintable(why["missing.mp3"]));
    QVERIFY2(why["silent.mp3"].contains("is silent"), qPrintable(why["silent.mp3"]));
    QVERIFY2(why["plain.wav"].contains("not written into WAV files"), qPrintable(why["plain.wav"]));
    QFile f(wav);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), wavBefore);
    // The album of the good file is the good file alone.
    const GainTags g = ReadGainTags(good.toStdString());
    QVERIFY(g.AlbumGain && std::fabs(*g.AlbumGain - *g.TrackGain) < 0.01);
}

void TestLoudnessScan::cancelLeavesUntouchedFiles() {
    Rig rig;
    QList<LoudnessScanItem> items;
    QMap<QString, QByteArray> before;
    for (int i = 0; i < 4; ++i) {
        const QString path = rig.tone(QStringLiteral("c%1.mp3").arg(i), 20, -23);
        QVERIFY(!path.isEmpty());
        items.push_back({path, "Album"});
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        before[path] = f.readAll();
    }
    QSignalSpy finished(rig.scan.get(), &LoudnessScan::finished);
    QCOMPARE(rig.scan->Start(items), QString());
    rig.scan->Cancel();
    QVERIFY(finished.count() == 1 || finished.wait(60000));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toBool(), true);
    // The album never became complete: no file got tags.
    for (auto it = before.begin(); it != before.end(); ++it) {
        QFile f(it.key());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll() == it.value());
    }
    // A new scan after a cancel runs to its end.
    QCOMPARE(rig.scan->Start(items.mid(0, 1)), QString());
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.last().first().toBool(), false);
    QVERIFY(ReadGainTags(items[0].path.toStdString()).TrackGain);
}

QTEST_GUILESS_MAIN(TestLoudnessScan)
#include "tst_loudnessscan.moc"
