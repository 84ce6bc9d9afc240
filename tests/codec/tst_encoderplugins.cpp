// The real encoder plug-ins: round trips through each format's own decoder, native tags, abort, the
// job queue and damaged inputs.
#include "../FileSizeLimit.h"
#include "CodecFixtures.h"

#include "TEncoderHost.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using namespace larkspin;

namespace {

const std::string PlugInFolder = LARKSPIN_BUILD_DIR "/PlugIn/Encoder";

// The plug-in file name, loaded and started in host.
bool use(TEncoderHost& host, const QString& name) {
    host.Enumerate();
    for (size_t i = 0; i < host.EncoderList().size(); ++i)
        if (host.EncoderList()[i].fileName == name.toStdString())
            return host.Select(int(i));
    return false;
}

bool waitFinished(TEncoderHost& host, int timeoutMs = 120000) {
    return waitFor([&] { return host.GetFinished(); }, timeoutMs);
}

// Every tag of the file as ffprobe reads it, keys in lower case (format and stream tags together).
QMap<QString, QString> probeTags(const QString& path) {
    QProcess p;
    p.start("ffprobe", {"-v", "error", "-show_entries", "format_tags:stream_tags", "-of", "json", path});
    p.waitForFinished(30000);
    const QJsonObject root = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    QMap<QString, QString> tags;
    const auto take = [&](const QJsonObject& o) {
        for (auto it = o.begin(); it != o.end(); ++it)
            tags[it.key().toLower()] = it.value().toString();
    };
    take(root["format"].toObject()["tags"].toObject());
    for (const QJsonValue& s : root["streams"].toArray())
        take(s.toObject()["tags"].toObject());
    return tags;
}

// The file's decoded samples, through the format's own command-line decoder.
bool decodeWithTool(const QString& type, const QString& file, int rate, WavData& out) {
    const QString wav = file + ".decoded.wav";
    bool ok = false;
    if (type == "ogg")
        ok = runTool("oggdec", {"-Q", "-o", wav, file});
    else if (type == "flac")
        ok = runTool("flac", {"-d", "-s", "-f", "-o", wav, file});
    else if (type == "opus")
        ok = runTool("opusdec", {"--quiet", "--rate", QString::number(rate), file, wav});
    else if (type == "mp3")
        ok = runTool("mpg123", {"-q", "-w", wav, file});
    return ok && readWav(wav, out);
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestEncoderPlugIns : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void roundTrip_data();
    void roundTrip();
    void tagsInTheFormatsOwnFields_data();
    void tagsInTheFormatsOwnFields();
    void jobsRunInOrderAndTagsGoToTheNextOnly();
    void abortLeavesNoHalfFile_data();
    void abortLeavesNoHalfFile();
    void closingDuringAJobEndsIt();
    void damagedInputsAreRefused_data();
    void damagedInputsAreRefused();
    void outputThatCannotBeWritten();
    void fullDiskNamesTheFileAndTheReason_data();
    void fullDiskNamesTheFileAndTheReason();
    void wavWithoutFrames_data();
    void wavWithoutFrames();
    void settingsFileChangesTheEncoding();

private:
    QTemporaryDir dir_;
    QString stereo_;
    QString mono_;
    QString longWav_;
};

void TestEncoderPlugIns::initTestCase() {
    QVERIFY(dir_.isValid());
    stereo_ = dir_.filePath("stereo.wav");
    mono_ = dir_.filePath("mono.wav");
    longWav_ = dir_.filePath("long.wav");
    QVERIFY(makeTone(stereo_, 4.1234));
    QVERIFY(makeTone(mono_, 3, 22050, 1, 1000));
    QVERIFY(makeTone(longWav_, 240));
}

void TestEncoderPlugIns::roundTrip_data() {
    QTest::addColumn<QString>("plugIn");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("mono");
    QTest::addColumn<double>("maxError"); // RMS difference, fraction of full scale
    QTest::addColumn<int>("lengthSlack"); // frames the decoded length may differ by
    for (bool mono : {false, true}) {
        const char* layout = mono ? " mono 22050" : " stereo 44100";
        QTest::addRow("flac%s", layout) << "enc_flac.so"
                                        << "flac" << mono << 0.0 << 0;
        QTest::addRow("ogg%s", layout) << "enc_vorbis.so"
                                       << "ogg" << mono << 0.02 << 0;
        QTest::addRow("mp3%s", layout) << "enc_mp3.so"
                                       << "mp3" << mono << 0.03 << 0;
        // opusdec resamples from 48 kHz back to the source's rate: a few frames either way.
        QTest::addRow("opus%s", layout) << "enc_opus.so"
                                        << "opus" << mono << 0.03 << 64;
    }
}

void TestEncoderPlugIns::roundTrip() {
    QFETCH(QString, plugIn);
    QFETCH(QString, type);
    QFETCH(bool, mono);
    QFETCH(double, maxError);
    QFETCH(int, lengthSlack);
    TEncoderHost host(PlugInFolder);
    QVERIFY(use(host, plugIn));
    QCOMPARE(QString::fromStdString(host.GetEncodeType()), type);
    const QString source = mono ? mono_ : stereo_;
    const QByteArray before = fileBytes(source);
    const QString out = dir_.filePath(QString("rt-%1-%2.%3").arg(type).arg(mono).arg(type));
    host.EncodeFile(source.toStdString(), out.toStdString());
    QVERIFY(waitFinished(host));
    QCOMPARE(host.GetEncodeError(), std::string());
    QCOMPARE(host.GetPosition(), 100);
    QCOMPARE(fileBytes(source), before);
    // At a constant bitrate the MP3 header frame is an "Info" frame: players still learn the exact length.
    if (type == "mp3")
        QVERIFY(fileBytes(out).left(200).contains("Info"));

    WavData original, decoded;
    QVERIFY(readWav(source, original));
    QVERIFY(decodeWithTool(type, out, original.rate, decoded));
    QCOMPARE(decoded.channels, original.channels);
    QCOMPARE(decoded.rate, original.rate);
    const qint64 want = qint64(original.samples.size()) / original.channels;
    const qint64 got = qint64(decoded.samples.size()) / decoded.channels;
    QVERIFY2(std::abs(got - want) <= lengthSlack,
             qPrintable(QString("%1 frames, expected %2").arg(got).arg(want)));
    const double error =
        rmsDifference(original.samples, decoded.samples, original.channels, lengthSlack ? 8 : 0);
    QVERIFY2(error <= maxError, qPrintable(QString("RMS difference %1").arg(error)));
}

void TestEncoderPlugIns::tagsInTheFormatsOwnFields_data() {
    QTest::addColumn<QString>("plugIn");
    QTest::addColumn<QString>("type");
    QTest::newRow("ogg") << "enc_vorbis.so"
                         << "ogg";
    QTest::newRow("flac") << "enc_flac.so"
                          << "flac";
    QTest::newRow("opus") << "enc_opus.so"
                          << "opus";
    QTest::newRow("mp3") << "enc_mp3.so"
                         << "mp3";
}

void TestEncoderPlugIns::tagsInTheFormatsOwnFields() {
    QFETCH(QString, plugIn);
    QFETCH(QString, type);
    TEncoderHost host(PlugInFolder);
    QVERIFY(use(host, plugIn));
    const QString out = dir_.filePath("tagged." + type);
    host.SendTag("Sigur Rós", "Svefn-g-englar 🎵", "Ágætis byrjun", "1999", 2, "日本語のコメント",
                 "Post-Rock");
    host.EncodeFile(mono_.toStdString(), out.toStdString());
    QVERIFY(waitFinished(host));
    QCOMPARE(host.GetEncodeError(), std::string());
    const QMap<QString, QString> tags = probeTags(out);
    QCOMPARE(tags.value("artist"), QString("Sigur Rós"));
    QCOMPARE(tags.value("title"), QString("Svefn-g-englar 🎵"));
    QCOMPARE(tags.value("album"), QString("Ágætis byrjun"));
    QCOMPARE(tags.value("date"), QString("1999"));
    QCOMPARE(tags.value("track"), QString("2"));
    QCOMPARE(tags.value("comment"), QString("日本語のコメント"));
    QCOMPARE(tags.value("genre"), QString("Post-Rock"));
}

void TestEncoderPlugIns::jobsRunInOrderAndTagsGoToTheNextOnly() {
    TEncoderHost host(PlugInFolder);
    QVERIFY(use(host, "enc_flac.so"));
    const QString first = dir_.filePath("q1.flac");
    const QString second = dir_.filePath("q2.flac");
    host.SendTag("Only the first", "", "", "", 0, "", "");
    host.EncodeFile(longWav_.toStdString(), first.toStdString());
    host.EncodeFile(mono_.toStdString(), second.toStdString());
    QVERIFY(!host.GetFinished());
    QVERIFY(waitFinished(host));
    QVERIFY(QFileInfo::exists(first) && QFileInfo::exists(second));
    // The short second job cannot overtake the long first one.
    QVERIFY(QFileInfo(first).lastModified() <= QFileInfo(second).lastModified());
    QCOMPARE(probeTags(first).value("artist"), QString("Only the first"));
    QVERIFY(!probeTags(second).contains("artist"));
}

void TestEncoderPlugIns::abortLeavesNoHalfFile_data() {
    tagsInTheFormatsOwnFields_data();
}

// A cancelled job leaves neither a file under the final name nor a temporary file, and an older file
// of that name stays whole.
void TestEncoderPlugIns::abortLeavesNoHalfFile() {
    QFETCH(QString, plugIn);
    QFETCH(QString, type);
    QTemporaryDir out;
    TEncoderHost host(PlugInFolder);
    QVERIFY(use(host, plugIn));
    const QString fresh = out.filePath("fresh." + type);
    host.EncodeFile(longWav_.toStdString(), fresh.toStdString());
    QTRY_VERIFY_WITH_TIMEOUT(host.GetPosition() > 0, 60000);
    QVERIFY(!host.GetFinished());
    host.CancelEncoding();
    QVERIFY(host.GetFinished());
    QVERIFY(entries(out.path()).isEmpty());

    const QString old = out.filePath("old." + type);
    QVERIFY(writeBytes(old, "an older file"));
    host.EncodeFile(longWav_.toStdString(), old.toStdString());
    QTRY_VERIFY_WITH_TIMEOUT(host.GetPosition() > 0, 60000);
    host.CancelEncoding();
    QCOMPARE(entries(out.path()), QStringList{"old." + type});
    QCOMPARE(fileBytes(old), QByteArray("an older file"));
}

void TestEncoderPlugIns::closingDuringAJobEndsIt() {
    QTemporaryDir out;
    TEncoderHost host(PlugInFolder);
    QVERIFY(use(host, "enc_vorbis.so"));
    host.EncodeFile(longWav_.toStdString(), out.filePath("x.ogg").toStdString());
    host.EncodeFile(longWav_.toStdString(), out.filePath("y.ogg").toStdString());
    QTRY_VERIFY_WITH_TIMEOUT(host.GetPosition() > 0, 60000);
    host.Unload(); // ClosePlugIn, then the library goes away
    QVERIFY(entries(out.path()).isEmpty());
}

void TestEncoderPlugIns::damagedInputsAreRefused_data() {
    QTest::addColumn<QString>("plugIn");
    QTest::addColumn<QString>("fixture");
    QTest::addColumn<QString>("message");
    const QStringList fixtures{"24-bit", "float",       "8-bit", "truncated", "lying-size",
                               "text",   "mp3-renamed", "empty", "missing",   "3-channels"};
    for (const char* plugIn : {"enc_vorbis.so", "enc_flac.so", "enc_opus.so", "enc_mp3.so"})
        for (const QString& f : fixtures) {
            QString message;
            if (f == "24-bit")
                message = "is not 16-bit PCM (it has 24-bit samples)";
            else if (f == "8-bit")
                message = "is not 16-bit PCM (it has 8-bit samples)";
            else if (f == "float")
                message = "is not 16-bit PCM (its WAV format is 3)";
            else if (f == "truncated")
                message = "is truncated: its header announces";
            else if (f == "lying-size")
                message = "has a WAV header that gives a wrong size";
            else if (f == "missing")
                message = "cannot be opened (No such file or directory)";
            else if (f == "3-channels")
                message = QString(plugIn) == "enc_flac.so" ? "" : "has 3 channels;";
            else
                message = "is not a WAV file";
            QTest::addRow("%s %s", plugIn, qPrintable(f)) << plugIn << f << message;
        }
}

// Each damaged input ends its job with a message for that file, writes nothing and changes nothing.
void TestEncoderPlugIns::damagedInputsAreRefused() {
    QFETCH(QString, plugIn);
    QFETCH(QString, fixture);
    QFETCH(QString, message);
    QTemporaryDir work;
    const QString source = work.filePath(fixture + ".wav");
    if (fixture == "24-bit" || fixture == "8-bit") {
        QVERIFY(runTool(
            "sox", {"-n", "-b", fixture.left(fixture.indexOf('-')), source, "synth", "0.5", "sine", "440"}));
    } else if (fixture == "float") {
        QVERIFY(runTool("sox",
                        {"-n", "-e", "floating-point", "-b", "32", source, "synth", "0.5", "sine", "440"}));
    } else if (fixture == "truncated") {
        QVERIFY(makeTone(source, 1));
        QVERIFY(writeBytes(source, fileBytes(source).left(20000)));
    } else if (fixture == "lying-size") {
        QVERIFY(makeTone(source, 1));
        QByteArray b = fileBytes(source);
        const qsizetype data = b.indexOf("data");
        const quint32 lie = 50'000'000;
        memcpy(b.data() + data + 4, &lie, 4);
        QVERIFY(writeBytes(source, b));
    } else if (fixture == "text") {
        QVERIFY(writeBytes(source, "RIFF? no, just some text that is long enough to look at"));
    } else if (fixture == "mp3-renamed") {
        QVERIFY(makeTone(work.filePath("t.wav"), 0.5));
        QVERIFY(runTool("lame", {"--quiet", work.filePath("t.wav"), source}));
        QFile::remove(work.filePath("t.wav"));
    } else if (fixture == "empty") {
        QVERIFY(writeBytes(source, {}));
    } else if (fixture == "3-channels") {
        QVERIFY(makeTone(source, 0.5, 44100, 3));
    }
    const QByteArray before = fileBytes(source);
    const QStringList filesBefore = entries(work.path());

    TEncoderHost host(PlugInFolder);
    QVERIFY(use(host, plugIn));
    const QString out = work.filePath("out." + QString::fromStdString(host.GetEncodeType()));
    host.EncodeFile(source.toStdString(), out.toStdString());
    QVERIFY(waitFinished(host));
    const QString error = QString::fromStdString(host.GetEncodeError());
    if (message.isEmpty()) { // FLAC takes up to eight channels
        QCOMPARE(error, QString());
        QVERIFY(QFileInfo::exists(out));
        return;
    }
    QVERIFY2(error.startsWith(message), qPrintable(error));
    QCOMPARE(entries(work.path()), filesBefore);
    QCOMPARE(fileBytes(source), before);
}

void TestEncoderPlugIns::wavWithoutFrames_data() {
    QTest::addColumn<QString>("plugIn");
    QTest::addColumn<QString>("message"); // the job's error; empty for a valid empty stream
    QTest::newRow("mp3") << "enc_mp3.so"
                         << "has no audio to encode";
    QTest::newRow("flac") << "enc_flac.so"
                          << "";
    QTest::newRow("ogg") << "enc_vorbis.so"
                         << "";
}

// A WAV with a header and no frames: either a valid stream that decodes to nothing, or a clear error
// and no file; never a success that leaves a file without an audio stream.
void TestEncoderPlugIns::wavWithoutFrames() {
    QFETCH(QString, plugIn);
    QFETCH(QString, message);
    QTemporaryDir work;
    const QString source = work.filePath("silence.wav");
    QVERIFY(makeTone(source, 1));
    QVERIFY(writeBytes(source, [&] {
        QByteArray b = fileBytes(source);
        const qsizetype data = b.indexOf("data");
        b.truncate(data + 8);
        const quint32 zero = 0, riff = quint32(b.size() - 8);
        memcpy(b.data() + data + 4, &zero, 4);
        memcpy(b.data() + 4, &riff, 4);
        return b;
    }()));
    TEncoderHost host(PlugInFolder);
    QVERIFY(use(host, plugIn));
    const QString type = QString::fromStdString(host.GetEncodeType());
    const QString out = work.filePath("out." + type);
    host.EncodeFile(source.toStdString(), out.toStdString());
    QVERIFY(waitFinished(host));
    const QString error = QString::fromStdString(host.GetEncodeError());
    if (!message.isEmpty()) {
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(entries(work.path()), QStringList{"silence.wav"});
        return;
    }
    QCOMPARE(error, QString());
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-show_entries", "stream=codec_type", "-of", "csv=p=0", out});
    QVERIFY(probe.waitForFinished(30000));
    QCOMPARE(probe.readAllStandardOutput().trimmed(), QByteArray("audio"));
    WavData decoded;
    QVERIFY(decodeWithTool(type, out, 44100, decoded));
    QCOMPARE(decoded.samples.size(), size_t(0));
}

void TestEncoderPlugIns::outputThatCannotBeWritten() {
    TEncoderHost host(PlugInFolder);
    QVERIFY(use(host, "enc_vorbis.so"));
    host.EncodeFile(stereo_.toStdString(), dir_.filePath("no/such/folder/x.ogg").toStdString());
    QVERIFY(waitFinished(host));
    QVERIFY(QString::fromStdString(host.GetEncodeError()).startsWith("cannot be written to"));
    // The source itself is never the destination.
    const QByteArray before = fileBytes(stereo_);
    host.EncodeFile(stereo_.toStdString(), stereo_.toStdString());
    QVERIFY(waitFinished(host));
    QCOMPARE(host.GetEncodeError(), std::string("would be replaced by its own output"));
    QCOMPARE(fileBytes(stereo_), before);
}

void TestEncoderPlugIns::fullDiskNamesTheFileAndTheReason_data() {
    tagsInTheFormatsOwnFields_data();
}

// Output that stops fitting on the disk while the encoder writes it: the message names the file and
// the system's reason, and nothing stays behind.
void TestEncoderPlugIns::fullDiskNamesTheFileAndTheReason() {
    QFETCH(QString, plugIn);
    QFETCH(QString, type);
    QTemporaryDir out;
    TEncoderHost host(PlugInFolder);
    QVERIFY(use(host, plugIn));
    const QString destination = out.filePath("long." + type);
    // Files of this process cannot grow beyond 16 KiB, as on a full disk (also for root).
    FileSizeLimit limit(16 * 1024);
    QVERIFY(limit.Active());
    host.EncodeFile(longWav_.toStdString(), destination.toStdString());
    const bool finished = waitFinished(host);
    limit.Lift();
    QVERIFY(finished);
    QCOMPARE(QString::fromStdString(host.GetEncodeError()),
             "could not be written to " + destination + ": " + std::strerror(EFBIG));
    QVERIFY(entries(out.path()).isEmpty());
}

// The settings file beside a copy of the MP3 plug-in: ShowSettings writes the defaults, a changed value
// changes the next job.
void TestEncoderPlugIns::settingsFileChangesTheEncoding() {
    QTemporaryDir folder;
    QVERIFY(QFile::copy(QString::fromStdString(PlugInFolder) + "/enc_mp3.so", folder.filePath("enc_mp3.so")));
    TEncoderHost host(folder.path().toStdString());
    host.Enumerate();
    QCOMPARE(host.EncoderList().size(), size_t(1));
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    host.ShowSettingsOf(0);
    const QByteArray defaults = fileBytes(folder.filePath("enc_mp3.ini"));
    QVERIFY2(defaults.contains("\nBitrate=128\n") && defaults.contains("\nVBR=0\n"), defaults.constData());

    QVERIFY(writeBytes(folder.filePath("enc_mp3.ini"), "Bitrate=64\nVBR=1\nVBRQuality=2\n"));
    const QString out = dir_.filePath("settings.mp3");
    host.EncodeFile(stereo_.toStdString(), out.toStdString());
    QVERIFY(waitFinished(host));
    QCOMPARE(host.GetEncodeError(), std::string());
    WavData original, decoded;
    QVERIFY(readWav(stereo_, original));
    QVERIFY(decodeWithTool("mp3", out, 44100, decoded));
    QCOMPARE(decoded.samples.size(), original.samples.size());
    // Variable bitrate: the header frame says "Xing" where a constant bitrate says "Info".
    QVERIFY(fileBytes(out).left(200).contains("Xing"));
}

QTEST_GUILESS_MAIN(TestEncoderPlugIns)
#include "tst_encoderplugins.moc"
