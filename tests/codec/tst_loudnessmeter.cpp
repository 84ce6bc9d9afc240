// Loudness of generated signals of known level (EBU Tech 3341 style: 1 kHz tones, gating by a quiet
// start and end), the album of several files, the gains they lead to, files that cannot be measured,
// and agreement with ffmpeg's ebur128 filter on noise.
#include "LoudnessMeter.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace larkspin;

using Pieces = QList<std::pair<double, double>>; // seconds, dBFS

namespace {

bool Run(const QString& program, const QStringList& args, QByteArray* output = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool ok = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (output)
        *output = p.readAll();
    return ok;
}

} // namespace

class TestLoudnessMeter : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    // A 16-bit WAV of the sox synthesis arguments given, at rate Hz and channels channels.
    bool make(const QString& name, const QStringList& synth, int rate = 48000, int channels = 2) {
        return Run("sox", QStringList{"-n", "-r", QString::number(rate), "-c", QString::number(channels),
                                      "-b", "16", path(name)} +
                              synth);
    }
    // Tone pieces of given seconds at given dBFS, one after the other.
    bool tones(const QString& name, const Pieces& pieces) {
        QStringList parts;
        for (int i = 0; i < pieces.size(); ++i) {
            const QString part = QStringLiteral("%1.part%2.wav").arg(name).arg(i);
            if (!make(part, {"synth", QString::number(pieces[i].first), "sine", "1000", "vol",
                             QString::number(pieces[i].second) + "dB"}))
                return false;
            parts << path(part);
        }
        return Run("sox", parts << path(name));
    }

private slots:
    void initTestCase();
    void knownLevels_data();
    void knownLevels();
    void albumIsTheFilesInARow();
    void unmeasurable_data();
    void unmeasurable();
    void cancelAndProgress();
    void agreesWithFfmpeg();
};

void TestLoudnessMeter::initTestCase() {
    QVERIFY(dir.isValid());
    if (QStandardPaths::findExecutable("sox").isEmpty())
        QSKIP("sox is needed to make the signals");
}

void TestLoudnessMeter::knownLevels_data() {
    QTest::addColumn<Pieces>("pieces");
    QTest::addColumn<int>("channels");
    QTest::addColumn<double>("lufs");
    QTest::addColumn<double>("peakDb");
    // A stereo 1 kHz sine at -23 dBFS measures -23 LUFS, at -33 dBFS -33 LUFS.
    QTest::newRow("-23 dBFS") << Pieces{{20, -23}} << 2 << -23.0 << -23.0;
    QTest::newRow("-33 dBFS") << Pieces{{20, -33}} << 2 << -33.0 << -33.0;
    // The quiet parts are more than 10 LU below: the relative gate leaves them out.
    QTest::newRow("relative gate") << Pieces{{5, -36}, {20, -23}, {5, -36}} << 2 << -23.0 << -23.0;
    // Below -70 LUFS the absolute gate leaves a part out.
    QTest::newRow("absolute gate") << Pieces{{5, -72}, {5, -36}, {20, -23}, {5, -36}, {5, -72}} << 2 << -23.0
                                   << -23.0;
    // A mono file is heard on both loudspeakers.
    QTest::newRow("mono") << Pieces{{20, -23}} << 1 << -23.0 << -23.0;
}

void TestLoudnessMeter::knownLevels() {
    QFETCH(Pieces, pieces);
    QFETCH(int, channels);
    QFETCH(double, lufs);
    QFETCH(double, peakDb);
    const QString name = QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_') + ".wav";
    if (channels == 2) {
        QVERIFY(tones(name, pieces));
    } else {
        QVERIFY(make(name, {"synth", "20", "sine", "1000", "vol", "-23dB"}, 44100, 1));
    }
    LoudnessMeter meter;
    TrackLoudness t;
    std::string problem;
    QVERIFY2(meter.Measure(path(name).toStdString(), t, problem), problem.c_str());
    QVERIFY2(std::fabs(t.Lufs - lufs) <= 0.1, qPrintable(QString::number(t.Lufs)));
    QVERIFY2(std::fabs(20 * std::log10(t.Peak) - peakDb) <= 0.05, qPrintable(QString::number(t.Peak)));
    // -18 LUFS is the ReplayGain reference.
    QVERIFY(std::fabs(t.GainDb() - (-18 - lufs)) <= 0.1);
}

void TestLoudnessMeter::albumIsTheFilesInARow() {
    QVERIFY(tones("loud.wav", {{10, -20}}));
    QVERIFY(tones("quiet.wav", {{20, -30}}));
    QVERIFY(Run("sox", {path("loud.wav"), path("quiet.wav"), path("row.wav")}));
    LoudnessMeter meter;
    TrackLoudness loud, quiet, row, album;
    std::string problem;
    QVERIFY(!meter.Album(album));
    QVERIFY(meter.Measure(path("loud.wav").toStdString(), loud, problem));
    QVERIFY(meter.Measure(path("quiet.wav").toStdString(), quiet, problem));
    QVERIFY(!meter.Measure(path("missing.wav").toStdString(), row, problem)); // not part of the album
    QVERIFY(meter.Album(album));
    LoudnessMeter whole;
    QVERIFY(whole.Measure(path("row.wav").toStdString(), row, problem));
    QVERIFY2(std::fabs(album.Lufs - row.Lufs) < 0.05,
             qPrintable(QString("%1 %2").arg(album.Lufs).arg(row.Lufs)));
    QVERIFY(album.Lufs > quiet.Lufs && album.Lufs < loud.Lufs);
    QCOMPARE(album.Peak, loud.Peak);
    meter.ClearAlbum();
    QVERIFY(!meter.Album(album));
}

void TestLoudnessMeter::unmeasurable_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("problem");
    QTest::newRow("missing") << "nothing.wav"
                             << "cannot be opened";
    QTest::newRow("silence") << "silence.wav"
                             << "is silent";
    QTest::newRow("below the absolute gate") << "whisper.wav"
                                             << "is silent";
    QTest::newRow("not a wav") << "text.wav"
                               << "not a WAV";
}

void TestLoudnessMeter::unmeasurable() {
    QFETCH(QString, name);
    QFETCH(QString, problem);
    if (name == "silence.wav")
        QVERIFY(make(name, {"trim", "0", "3"}));
    if (name == "whisper.wav")
        QVERIFY(tones(name, {{3, -80}}));
    if (name == "text.wav") {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not audio at all");
    }
    LoudnessMeter meter;
    TrackLoudness t;
    std::string why;
    QVERIFY(!meter.Measure(path(name).toStdString(), t, why));
    QVERIFY2(QString::fromStdString(why).contains(problem, Qt::CaseInsensitive), why.c_str());
    QVERIFY(!meter.Album(t));
}

void TestLoudnessMeter::cancelAndProgress() {
    QVERIFY(tones("long.wav", {{30, -23}}));
    LoudnessMeter meter;
    TrackLoudness t;
    std::string problem;
    std::vector<double> steps;
    QVERIFY(meter.Measure(path("long.wav").toStdString(), t, problem, nullptr,
                          [&](double p) { steps.push_back(p); }));
    QVERIFY(steps.size() > 10);
    QVERIFY(std::is_sorted(steps.begin(), steps.end()));
    QCOMPARE(steps.back(), 1.0);

    // Cancelled from the progress callback part-way: no result, and the album stays as it was.
    std::atomic<bool> cancel{false};
    QVERIFY(!meter.Measure(path("long.wav").toStdString(), t, problem, &cancel,
                           [&](double p) { cancel = cancel || p > 0.3; }));
    QCOMPARE(QString::fromStdString(problem), QStringLiteral("was cancelled"));
    TrackLoudness album;
    QVERIFY(meter.Album(album));
    QVERIFY(std::fabs(album.Lufs + 23) <= 0.1);
}

void TestLoudnessMeter::agreesWithFfmpeg() {
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty())
        QSKIP("ffmpeg is needed for the comparison");
    // Pink noise with a slow swell: a signal where K-weighting and gating both matter.
    QVERIFY(make("noise.wav", {"synth", "15", "pinknoise", "tremolo", "0.2", "60", "vol", "-12dB"}, 44100));
    LoudnessMeter meter;
    TrackLoudness t;
    std::string problem;
    QVERIFY(meter.Measure(path("noise.wav").toStdString(), t, problem));
    QByteArray out;
    QVERIFY(Run("ffmpeg",
                {"-hide_banner", "-nostats", "-i", path("noise.wav"), "-af", "ebur128", "-f", "null", "-"},
                &out));
    const QRegularExpression summary(QStringLiteral("Integrated loudness:\\s*I:\\s*(-?[0-9.]+) LUFS"));
    const auto match = summary.match(QString::fromUtf8(out));
    QVERIFY2(match.hasMatch(), out.right(400).constData());
    const double theirs = match.captured(1).toDouble();
    // ffmpeg prints one decimal.
    QVERIFY2(std::fabs(t.Lufs - theirs) <= 0.1 + 0.05, qPrintable(QString("%1 %2").arg(t.Lufs).arg(theirs)));
}

QTEST_GUILESS_MAIN(TestLoudnessMeter)
#include "tst_loudnessmeter.moc"
