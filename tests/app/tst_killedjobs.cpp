// Rips and encodes killed at a random point: the ripping component (to WAV, and to MP3 through LAME)
// and the encoder page's job list (through the MP3 and Ogg Vorbis plug-ins) write their output through
// AtomicFile. A helper process (killedjob) runs the real job over and over and is killed with SIGKILL;
// the output must then be wholly the file from before or wholly a new one, and no other file may stay
// in the folder once the next job there has run. Every other rip is killed with named temporary files,
// as on a file system without O_TMPFILE.
#include "../cdrip/PcmDiscImage.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <csignal>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <unistd.h>

namespace {

constexpr int Kills = 30;
constexpr int Variants = 3; // sources of different sound, so the old and the new output differ
// A little more than AtomicFile buffers, so a ripped WAV reaches its temporary file before the end.
constexpr int TrackSectors = 120;

// One job of the helper: what it writes into a folder, and the arguments after kind, temporary-file
// mode and once|loop for variant v.
struct Job {
    QString kind;
    QString fileName; // the output's name in its folder
    bool ogg = false;
    std::function<QStringList(const QString& folder, int variant)> arguments;
    // The encoder plug-ins carry their own copy of AtomicFile, which the helper's switch to named
    // temporary files does not reach: their jobs always run as on a file system with O_TMPFILE.
    bool namedToo = true;
};

// A 16-bit stereo 44.1 kHz WAV file of pcm.
QByteArray WavFile(const QByteArray& pcm) {
    QByteArray h;
    const auto u32 = [&h](quint32 v) {
        for (int i = 0; i < 4; ++i)
            h += char((v >> (8 * i)) & 0xFF);
    };
    const auto u16 = [&h](quint16 v) { h += char(v & 0xFF), h += char(v >> 8); };
    h += "RIFF";
    u32(quint32(36 + pcm.size()));
    h += "WAVEfmt ";
    u32(16), u16(1), u16(2), u32(44100), u32(44100 * 4), u16(4), u16(16);
    h += "data";
    u32(quint32(pcm.size()));
    return h + pcm;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An Ogg stream with the serial numbers and checksums of its pages cleared (the Vorbis plug-in picks a
// random serial per stream); empty when the bytes are no whole stream ending in its last page.
QByteArray WithoutSerials(QByteArray bytes) {
    qsizetype at = 0;
    bool last = false;
    while (at < bytes.size()) {
        if (last || bytes.size() - at < 27 || bytes.mid(at, 4) != "OggS")
            return {};
        const int segments = quint8(bytes[at + 26]);
        if (bytes.size() - at < 27 + segments)
            return {};
        qsizetype body = 0;
        for (int i = 0; i < segments; ++i)
            body += quint8(bytes[at + 27 + i]);
        last = (quint8(bytes[at + 5]) & 0x04) != 0;
        for (int i = 14; i < 18; ++i)
            bytes[at + i] = 0;
        for (int i = 22; i < 26; ++i)
            bytes[at + i] = 0;
        at += 27 + segments + body;
    }
    return at == bytes.size() && last ? bytes : QByteArray();
}

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// The helper: forks a child per job and reports on it line by line.
class Helper {
public:
    Helper() {
        process_.start(QStringLiteral(LARKSPIN_BUILD_DIR "/tests/killedjob"), {});
        started_ = process_.waitForStarted(60000);
    }
    ~Helper() {
        process_.closeWriteChannel(); // the helper ends at the end of its input
        if (!process_.waitForFinished(60000))
            process_.kill();
    }
    bool started() const { return started_; }
    QString errors() { return QString::fromLocal8Bit(process_.readAllStandardError()).right(2000); }

    // Starts a job in a child; its pid, 0 when the helper did not answer.
    pid_t start(const Job& job, bool named, bool loop, const QString& folder, int variant) {
        const QStringList request =
            QStringList{loop ? "loop" : "once", job.kind, named ? "named" : "unnamed"} +
            job.arguments(folder, variant);
        ended_.clear();
        kept_.clear();
        process_.write((request.join(' ') + '\n').toLocal8Bit());
        const std::optional<QByteArray> pid = next("pid ");
        return pid ? pid_t(pid->toInt()) : 0;
    }
    // The rest of the next line that starts with prefix; none when the child ended first (unless
    // prefix is "ended ") or the helper fell silent. The child's lines may come before the helper's
    // "pid": lines asked for later are kept.
    std::optional<QByteArray> next(const QByteArray& prefix) {
        for (qsizetype i = 0; i < kept_.size(); ++i)
            if (kept_[i].startsWith(prefix))
                return kept_.takeAt(i).mid(prefix.size());
        for (;;) {
            while (!process_.canReadLine())
                if (!process_.waitForReadyRead(120000))
                    return {};
            const QByteArray line = process_.readLine().trimmed();
            if (line.startsWith(prefix))
                return line.mid(prefix.size());
            if (line.startsWith("ended ")) {
                ended_ = line.mid(6);
                return {};
            }
            kept_ << line;
        }
    }
    // How the last child ended ("0", "1" or minus the signal), once next() has seen it.
    QByteArray ended() const { return ended_; }

private:
    QProcess process_;
    bool started_ = false;
    QByteArray ended_;
    QList<QByteArray> kept_; // lines of the running child not asked for yet
};

// Runs the job to its end; its time from start to finished file in microseconds, -1 on failure.
qint64 RunOnce(Helper& helper, const Job& job, bool named, const QString& folder, int variant) {
    if (helper.start(job, named, false, folder, variant) == 0)
        return -1;
    const std::optional<QByteArray> done = helper.next("done ");
    const QByteArray ended = done ? helper.next("ended ").value_or("?") : helper.ended();
    if (!done || ended != "0") {
        qWarning("%s ended with %s: %s", qPrintable(job.kind), ended.constData(),
                 qPrintable(helper.errors()));
        return -1;
    }
    return done->toLongLong();
}

// Starts the job over and over in a child and kills it up to maxDelay after its first job started.
void KillWhileWriting(Helper& helper, const Job& job, bool named, const QString& folder, int variant,
                      std::chrono::microseconds maxDelay, std::mt19937& random) {
    const pid_t child = helper.start(job, named, true, folder, variant);
    QVERIFY2(child > 0, qPrintable(helper.errors()));
    QVERIFY2(helper.next("go"),
             qPrintable("the job ended before it began: " + helper.ended() + " " + helper.errors()));
    ::usleep(std::uniform_int_distribution<useconds_t>(0, useconds_t(maxDelay.count()))(random));
    QCOMPARE(::kill(child, SIGKILL), 0);
    const QByteArray ended = helper.next("ended ").value_or("?");
    QVERIFY2(ended == QByteArray::number(-SIGKILL),
             qPrintable("the job ended before it was killed: " + ended + " " + helper.errors()));
}

} // namespace

class TestKilledJobs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void outputIsWholeAndNoOtherFileStays_data();
    void outputIsWholeAndNoOtherFileStays();

private:
    // A kill is no power failure: the files may live in memory, which spares the test the disk's
    // flushes on a busy machine.
    QTemporaryDir dir_{QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/tst_killedjobs-XXXXXX")
                                                 : QDir::tempPath() + "/tst_killedjobs-XXXXXX"};
    QString cue_;
    std::unique_ptr<Helper> helper_;
};

void TestKilledJobs::initTestCase() {
    QVERIFY(dir_.isValid());
    helper_ = std::make_unique<Helper>();
    QVERIFY(helper_->started());
    // A disc of one track per variant, and the same sound as WAV files of one name in folders of their
    // own (the job list names its output after the source).
    QList<QByteArray> tracks;
    for (int v = 0; v < Variants; ++v) {
        tracks << TrackPcm(v, TrackSectors * 588);
        const QString folder = dir_.filePath(QString("source%1").arg(v));
        QVERIFY(QDir().mkpath(folder));
        QFile wav(folder + "/song.wav");
        QVERIFY(wav.open(QIODevice::WriteOnly));
        QVERIFY(wav.write(WavFile(tracks.back())) > 0);
    }
    cue_ = WritePcmDiscImage(dir_.path(), "disc", tracks);
    QVERIFY(!cue_.isEmpty());
}

void TestKilledJobs::outputIsWholeAndNoOtherFileStays_data() {
    QTest::addColumn<Job>("job");
    const QString cue = cue_;
    const QString sources = dir_.path();
    const auto rip = [cue](const QString& folder, int v) {
        return QStringList{folder + "/Track.wav", cue, QString::number(v + 1)};
    };
    const auto encode = [sources](const QString& folder, int v) {
        return QStringList{folder, QString("%1/source%2/song.wav").arg(sources).arg(v)};
    };
    QTest::newRow("rip WAV") << Job{"rip-wav", "Track.wav", false, rip, true};
    QTest::newRow("rip MP3 on the fly") << Job{"rip-mp3", "Track.mp3", false, rip, true};
    QTest::newRow("encode MP3 (enc_mp3)") << Job{"encode-mp3", "song.mp3", false, encode, false};
    QTest::newRow("encode Ogg Vorbis (enc_vorbis)") << Job{"encode-ogg", "song.ogg", true, encode, false};
}

void TestKilledJobs::outputIsWholeAndNoOtherFileStays() {
    QFETCH(Job, job);
    const QString row = QString::fromUtf8(QTest::currentDataTag());
    const QString base = dir_.filePath(job.kind);
    const auto comparable = [&job](const QByteArray& bytes) {
        return job.ogg ? WithoutSerials(bytes) : bytes;
    };

    // The whole output of every variant, from jobs that ran to their end; the longest tells how long a
    // job takes here.
    QList<QByteArray> whole;
    qint64 longest = 0;
    for (int v = 0; v < Variants; ++v) {
        const QString folder = QString("%1/whole%2").arg(base).arg(v);
        QVERIFY(QDir().mkpath(folder));
        const qint64 took = RunOnce(*helper_, job, false, folder, v);
        QVERIFY(took >= 0);
        longest = std::max(longest, took);
        QCOMPARE(FilesIn(folder), QStringList{job.fileName});
        whole << comparable(ReadAll(folder + "/" + job.fileName));
        QVERIFY(!whole.back().isEmpty());
    }
    QVERIFY(whole[0] != whole[1] && whole[1] != whole[2] && whole[0] != whole[2]);
    const auto variantOf = [&](const QString& file) -> int {
        if (!QFileInfo::exists(file))
            return -2;
        return int(whole.indexOf(comparable(ReadAll(file))));
    };

    // The folder starts with an output from before.
    const QString out = base + "/out";
    const QString file = out + "/" + job.fileName;
    QVERIFY(QDir().mkpath(out));
    QVERIFY(QFile::copy(QString("%1/whole0/%2").arg(base, job.fileName), file));
    // The kills fall anywhere in the helper's first two jobs, and at least anywhere in its first 10 ms.
    const auto maxDelay = std::chrono::microseconds(std::max<qint64>(10000, 2 * longest));
    std::mt19937 random(std::random_device{}());
    int held = 0; // the variant the file holds
    int old = 0, fresh = 0, torn = 0, strayRuns = 0, strayFiles = 0;
    for (int run = 1; run <= Kills; ++run) {
        const int variant = run % Variants;
        const bool named = job.namedToo && run % 2 == 1;
        KillWhileWriting(*helper_, job, named, out, variant, maxDelay, random);
        if (QTest::currentTestFailed())
            return;
        const int found = variantOf(file);
        if (found == held) {
            ++old;
        } else if (found == variant) {
            ++fresh;
        } else {
            ++torn;
            qWarning("kill %d: the output is %s", run, found == -2 ? "gone" : "no whole file");
        }
        if (found >= 0)
            held = found;
        QStringList left = FilesIn(out);
        left.removeOne(job.fileName);
        if (!left.isEmpty()) {
            ++strayRuns;
            strayFiles += int(left.size());
            // The next job in the folder takes what the killed one left.
            const int next = (variant + 1) % Variants;
            QVERIFY(RunOnce(*helper_, job, named, out, next) >= 0);
            QCOMPARE(FilesIn(out), QStringList{job.fileName});
            QCOMPARE(variantOf(file), next);
            held = next;
        }
    }
    qInfo("%s: %d kills within %d ms: %d old, %d new, %d torn; temporary files left in %d runs (%d "
          "files), 0 stray after the next job",
          qPrintable(row), Kills, int(maxDelay.count() / 1000), old, fresh, torn, strayRuns, strayFiles);
    QCOMPARE(torn, 0);
    QCOMPARE(FilesIn(out), QStringList{job.fileName});
}

QTEST_GUILESS_MAIN(TestKilledJobs)
#include "tst_killedjobs.moc"
