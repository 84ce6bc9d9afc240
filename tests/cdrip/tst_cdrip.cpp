#include "../FileSizeLimit.h"
#include "AtomicFile.h"
#include "PcmDiscImage.h"
#include "TCDRIP.h"
#include "TLameCoder.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace larkspin;

namespace {

// Three tracks of odd lengths (none a whole number of chunks or of MP3 frames); the last is data.
const QList<int> TrackSectors = {151, 60, 40};

struct Disc {
    QTemporaryDir dir;
    QString cue;
    QList<QByteArray> tracks;
    QString out; // the output folder
};

void MakeDisc(Disc& disc, const QStringList& modes = {"AUDIO", "AUDIO", "MODE1/2352"},
              const QList<int>& sectors = TrackSectors) {
    for (int i = 0; i < sectors.size(); ++i)
        disc.tracks << TrackPcm(i, sectors[i] * 588);
    disc.cue = WritePcmDiscImage(disc.dir.path(), "disc", disc.tracks, modes);
    QVERIFY(!disc.cue.isEmpty());
    QVERIFY(QDir(disc.dir.path()).mkdir("out"));
    disc.out = disc.dir.filePath("out");
}

// A component on the last drive: the image.
std::unique_ptr<TCDRIP> OpenComponent(const QStringList& images) {
    CR_SetVirtualDrives(images.join(';').toStdString());
    auto rip = std::make_unique<TCDRIP>();
    rip->SetCDRomNum(CR_GetNumCDROM() - 1);
    rip->SetWriteWAV(true);
    return rip;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList FilesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class TestCdRip : public QObject {
    Q_OBJECT

private slots:
    void trackListOfAnImage();
    void switchingDrivesReplacesTheTracks();
    void mp3Names_data();
    void mp3Names();
    void ripsTracksToWav_data();
    void ripsTracksToWav();
    void headerCountsEverySector();
    void headerlessPcm();
    void eventsInOrderAcrossAChain();
    void abortLeavesNoFile();
    void unusableOutputFolders();
    void hostileImages();
    void vanishingDiscMidRip();
    void mp3OnTheFly_data();
    void mp3OnTheFly();
    void readOffsetShiftsTheAudio_data();
    void readOffsetShiftsTheAudio();
};

void TestCdRip::trackListOfAnImage() {
    Disc disc;
    MakeDisc(disc);
    auto rip = OpenComponent({disc.cue});
    QCOMPARE(rip->TocEntryCount(), 3);
    QCOMPARE(rip->Tracks().size(), 3);
    const int ends[] = {150, 210, 250};
    for (int i = 0; i < 3; ++i) {
        const auto& [name, track] = rip->Tracks()[i];
        QCOMPARE(name, QString("Track0%1").arg(i + 1));
        QCOMPARE(track.Number, i + 1);
        QCOMPARE(track.EndSector, ends[i]);
        QCOMPARE(track.Kind, i == 2 ? "Data" : "Audio");
    }
    QCOMPARE(rip->DriveName(), QString("disc.cue"));
    QVERIFY(rip->DriveTable());
    QCOMPARE(rip->Version(), "300");
    QVERIFY(rip->JitterCorrect());
    QVERIFY(!rip->SwapChannel());

    // Ten tracks: the names count on past Track09.
    Disc many;
    QList<QByteArray> ten;
    for (int i = 0; i < 10; ++i)
        ten << TrackPcm(i, 5 * 588);
    const QString cue = WritePcmDiscImage(many.dir.path(), "ten", ten);
    rip = OpenComponent({cue});
    QCOMPARE(rip->Tracks().size(), 10);
    QCOMPARE(rip->Tracks()[8].first, "Track09");
    QCOMPARE(rip->Tracks()[9].first, "Track10");
}

void TestCdRip::switchingDrivesReplacesTheTracks() {
    Disc a, b;
    MakeDisc(a);
    QList<QByteArray> one = {TrackPcm(5, 80 * 588)};
    b.cue = WritePcmDiscImage(b.dir.path(), "single", one);
    CR_SetVirtualDrives((a.cue + ";" + b.cue).toStdString());
    TCDRIP rip;
    const int last = CR_GetNumCDROM() - 1;
    rip.SetCDRomNum(last - 1);
    QCOMPARE(rip.Tracks().size(), 3);
    rip.SetSwapChannel(true);
    rip.SetCDRomNum(last);
    QCOMPARE(rip.CDRomNum(), last);
    QCOMPARE(rip.Tracks().size(), 1);
    QCOMPARE(rip.Tracks()[0].second.EndSector, 79);
    // The same drive again rereads nothing: the vanished image still shows its track.
    QVERIFY(QFile::remove(b.dir.filePath("single.bin")));
    rip.SetCDRomNum(last);
    QCOMPARE(rip.Tracks().size(), 1);
    // The swap chosen before the switch holds on the new drive.
    rip.SetCDRomNum(last - 1);
    rip.SetWriteWAV(false);
    QVERIFY(rip.SwapChannel());
    const QString file = a.dir.filePath("out.pcm");
    rip.RipRange(0, 9, file);
    const std::vector<int16_t> got = Samples(ReadAll(file));
    const std::vector<int16_t> src = Samples(a.tracks[0].left(10 * 2352));
    QCOMPARE(got.size(), src.size());
    QCOMPARE(got[0], src[1]);
    QCOMPARE(got[101], src[100]);
}

void TestCdRip::mp3Names_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("mp3");
    QTest::addColumn<QString>("log");
    QTest::newRow("wav") << QString("/music/Track01.wav") << QString("/music/Track01.mp3")
                         << QString("/music/Track01.jitt");
    QTest::newRow("no dot") << QString("/music/Track01") << QString("/music/Track01.mp3")
                            << QString("/music/Track01.jitt");
    QTest::newRow("dot in a title") << QString("/music/Mr. X") << QString("/music/Mr.mp3")
                                    << QString("/music/Mr.jitt");
    QTest::newRow("dot only in the folder")
        << QString("/music.d/Track01") << QString("/music.d/Track01.mp3") << QString("/music.d/Track01.jitt");
}

void TestCdRip::mp3Names() {
    QFETCH(QString, name);
    QFETCH(QString, mp3);
    QFETCH(QString, log);
    QCOMPARE(TCDRIP::Mp3FileName(name), mp3);
    QCOMPARE(TCDRIP::JitterLogName(name), log);
    QCOMPARE(TCDRIP::JitterLogName(mp3), log);
}

void TestCdRip::ripsTracksToWav_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("jitter");
    QTest::addColumn<bool>("swap");
    QTest::newRow("paranoia") << int(STEREO44100) << true << false;
    QTest::newRow("plain reads") << int(STEREO44100) << false << false;
    QTest::newRow("swapped") << int(STEREO44100) << true << true;
    QTest::newRow("mono") << int(MONO44100) << false << false;
    QTest::newRow("22050 Hz") << int(STEREO22050) << true << false;
    QTest::newRow("mono 11025 Hz") << int(MONO11025) << false << true;
}

void TestCdRip::ripsTracksToWav() {
    // Every audio track rips to a WAV file whose header states the format and whose samples are the
    // source's: exactly at 44100 Hz, within 4 steps of the source at the same instant for a halved rate
    // (the library test gives the reasons).
    QFETCH(int, format);
    QFETCH(bool, jitter);
    QFETCH(bool, swap);
    const auto fmt = static_cast<TOutputFormat>(format);
    Disc disc;
    MakeDisc(disc);
    auto rip = OpenComponent({disc.cue});
    rip->SetOutputFormat(fmt);
    rip->SetJitterCorrect(jitter);
    rip->SetSwapChannel(swap);
    for (int t = 1; t <= 2; ++t) {
        const QString file = disc.out + QString("/Track%1.wav").arg(t);
        rip->RipTrack(t, file);
        QCOMPARE(rip->LastFileName(), file);
        const QByteArray wav = ReadAll(file);
        const qint64 data = FormatBytes(fmt, TrackSectors[t - 1]);
        QCOMPARE(wav.size(), 44 + data);
        QCOMPARE(wav.left(44), TCDRIP::WavHeader(fmt, static_cast<quint32>(data)));
        QCOMPARE(qFromLittleEndian<quint16>(wav.constData() + 22), quint16(FormatChannels(fmt)));
        QCOMPARE(qFromLittleEndian<quint32>(wav.constData() + 24), quint32(FormatRate(fmt)));
        const std::vector<int16_t> got = Samples(wav.mid(44));
        const std::vector<int16_t> src = Samples(disc.tracks[t - 1]);
        const size_t step = size_t(1) << FormatHalvings(fmt);
        const size_t channels = size_t(FormatChannels(fmt));
        const int tolerance = step > 1 ? 4 : 0;
        const size_t edge = step > 1 ? 200 : 0;
        for (size_t frame = edge; frame + edge < got.size() / channels; ++frame) {
            const int left = src[2 * frame * step + (swap ? 1 : 0)],
                      right = src[2 * frame * step + (swap ? 0 : 1)];
            const int want[2] = {channels == 1 ? (left + right) >> 1 : left, right};
            for (size_t c = 0; c < channels; ++c) {
                if (std::abs(got[frame * channels + c] - want[c]) > tolerance)
                    QFAIL(qPrintable(QString("track %1 frame %2 channel %3: %4, expected %5")
                                         .arg(t)
                                         .arg(frame)
                                         .arg(c)
                                         .arg(got[frame * channels + c])
                                         .arg(want[c])));
            }
        }
    }
    QCOMPARE(FilesIn(disc.out), QStringList({"Track1.wav", "Track2.wav"}));
}

void TestCdRip::headerCountsEverySector() {
    // Sectors 0 to 150 are 151 sectors: the header counts them all (351 * 2352 = 355152 bytes), where
    // Last - First would claim 352800 and cut the last sector off for every reader.
    Disc disc;
    MakeDisc(disc);
    auto rip = OpenComponent({disc.cue});
    const QString file = disc.out + "/range.wav";
    rip->RipRange(0, 150, file);
    const QByteArray wav = ReadAll(file);
    QCOMPARE(qFromLittleEndian<quint32>(wav.constData() + 40), 355152u);
    QCOMPARE(qFromLittleEndian<quint32>(wav.constData() + 4), 355188u);
    QCOMPARE(wav.size(), 44 + 355152);
    QCOMPARE(wav.mid(44), disc.tracks[0]);
    // One sector: a header of 2352 bytes of data.
    rip->SetOutputFormat(MONO22050);
    rip->RipRange(7, 7, file);
    QCOMPARE(qFromLittleEndian<quint32>(ReadAll(file).constData() + 40), 588u);
    QCOMPARE(ReadAll(file).size(), 44 + 588);
}

void TestCdRip::headerlessPcm() {
    Disc disc;
    MakeDisc(disc);
    auto rip = OpenComponent({disc.cue});
    rip->SetWriteWAV(false);
    const QString file = disc.out + "/Track02.wav";
    rip->RipTrack(2, file);
    QCOMPARE(ReadAll(file), disc.tracks[1]);
}

void TestCdRip::eventsInOrderAcrossAChain() {
    // The run starts the next track from OnEndTrack, so the tracks rip inside one chain of nested
    // calls; every track's progress arrives between its begin and its end, rising to 100.
    Disc disc;
    MakeDisc(disc);
    auto rip = OpenComponent({disc.cue});
    QStringList events;
    connect(rip.get(), &TCDRIP::OnBeginTrack,
            [&](TCDRIP*, quint16 t) { events << QString("begin %1").arg(t); });
    connect(rip.get(), &TCDRIP::OnProgress, [&](TCDRIP* sender, quint16 p) {
        QVERIFY(sender->Ripping());
        events << QString("progress %1").arg(p);
    });
    connect(rip.get(), &TCDRIP::OnEndTrack, [&](TCDRIP* sender, quint16 t) {
        events << QString("end %1").arg(t);
        QVERIFY(!sender->Ripping());
        if (t == 1)
            sender->RipTrack(2, disc.out + "/Track02.wav");
    });
    rip->RipTrack(1, disc.out + "/Track01.wav");
    QCOMPARE(events.first(), "begin 1");
    QCOMPARE(events.last(), "end 2");
    const int end1 = int(events.indexOf("end 1")), begin2 = int(events.indexOf("begin 2"));
    QCOMPARE(begin2, end1 + 1);
    QCOMPARE(events[end1 - 1], "progress 100");
    QCOMPARE(events[events.size() - 2], "progress 100");
    int last = -1;
    for (int i = 1; i < end1; ++i) {
        const int p = events[i].section(' ', 1).toInt();
        QVERIFY(events[i].startsWith("progress") && p >= last);
        last = p;
    }
    QCOMPARE(end1 - 1, 5); // 151 sectors in chunks of 32
    QCOMPARE(FilesIn(disc.out), QStringList({"Track01.wav", "Track02.wav"}));
}

// A first track of three minutes, ripped to MP3 while it is read: the worker takes a while over it,
// so what a progress handler does lands while it runs.
const QList<int> LongTrackSectors = {13500, 60};

void TestCdRip::abortLeavesNoFile() {
    Disc disc;
    MakeDisc(disc, {"AUDIO", "AUDIO"}, LongTrackSectors);
    auto rip = OpenComponent({disc.cue});
    TLameCoder coder;
    rip->SetCoder(&coder);
    rip->SetEncode(true);
    const QString file = disc.out + "/Track01.wav";
    QVERIFY(WritePcmDiscImage(disc.out, "keep", {}).size()); // files beside it stay untouched
    const QStringList before = FilesIn(disc.out);
    QSignalSpy ends(rip.get(), &TCDRIP::OnEndTrack);
    int progress = 0;
    // From the first progress: the worker does not wait for it, but stops within a few chunks.
    auto aborting = connect(rip.get(), &TCDRIP::OnProgress, [&](TCDRIP* sender, quint16) {
        if (++progress == 1)
            sender->AbortRip();
    });
    rip->RipTrack(1, file); // no exception
    QCOMPARE(ends.size(), 1);
    QCOMPARE(progress, 1); // none after the abort
    QCOMPARE(FilesIn(disc.out), before);
    QCOMPARE(rip->LastFileName(), QString());
    disconnect(aborting);

    // From OnBeginTrack: the track stops before its first chunk.
    progress = 0;
    auto early =
        connect(rip.get(), &TCDRIP::OnBeginTrack, [](TCDRIP* sender, quint16) { sender->AbortRip(); });
    connect(rip.get(), &TCDRIP::OnProgress, [&] { ++progress; });
    rip->RipTrack(2, file);
    QCOMPARE(ends.size(), 2);
    QCOMPARE(progress, 0);
    QCOMPARE(FilesIn(disc.out), before);
    disconnect(early);

    // An abort stops that range only: the next one rips whole.
    rip->SetEncode(false);
    rip->RipTrack(2, file);
    QCOMPARE(ReadAll(file).mid(44), disc.tracks[1]);
}

void TestCdRip::unusableOutputFolders() {
    Disc disc;
    MakeDisc(disc);
    auto rip = OpenComponent({disc.cue});
    auto ripError = [&](const QString& file) -> QString {
        try {
            rip->RipTrack(2, file);
        } catch (const ECDRIPError& e) {
            return QString::fromLocal8Bit(e.what());
        }
        return {};
    };
    QVERIFY(ripError(disc.dir.filePath("missing/Track02.wav")).startsWith("Cannot create"));
    QVERIFY(!QDir(disc.dir.filePath("missing")).exists());
    QVERIFY(ripError(disc.out).startsWith("Cannot create")); // a folder where the file should be
    QVERIFY(ripError(disc.out + "/").startsWith("Cannot create"));
    rip->SetEncode(true); // no coder: an error, not an empty file
    QCOMPARE(ripError(disc.out + "/Track02.wav"), "No MP3 encoder");
    rip->SetEncode(false);
    QVERIFY(FilesIn(disc.out).isEmpty());
    // A read-only file of the same name is refused and kept as it was.
    const QString kept = disc.out + "/Track02.wav";
    QVERIFY(WriteFileAtomically(kept.toStdString(), "mine"));
    QVERIFY(QFile::setPermissions(kept, QFile::ReadOwner));
    QVERIFY(ripError(kept).contains("Permission denied"));
    QCOMPARE(ReadAll(kept), "mine");
    QCOMPARE(FilesIn(disc.out), QStringList{"Track02.wav"});
    QVERIFY(QFile::remove(kept));

    // A full disk names the file and the system's reason, and leaves nothing behind.
    {
        FileSizeLimit limit(64 * 1024);
        QVERIFY(limit.Active());
        const QString error = ripError(disc.out + "/Track02.wav");
        limit.Lift();
        QVERIFY2(error.startsWith("Write error: ") && error.contains("Track02.wav") &&
                     error.contains("File too large"),
                 qPrintable(error));
        QVERIFY(FilesIn(disc.out).isEmpty());
    }

    if (geteuid() == 0)
        QSKIP("root writes into read-only folders");
    QVERIFY(QFile::setPermissions(disc.out, QFile::ReadOwner | QFile::ExeOwner));
    const QString error = ripError(disc.out + "/Track02.wav");
    QFile::setPermissions(disc.out, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY2(error.startsWith("Cannot create") && error.contains("ermission"), qPrintable(error));
}

void TestCdRip::hostileImages() {
    // A .bin shorter than its sheet: the tracks it cannot hold make the whole table unusable.
    Disc disc;
    MakeDisc(disc);
    QVERIFY(QFile::resize(disc.dir.filePath("disc.bin"), 200 * 2352));
    auto rip = OpenComponent({disc.cue});
    QCOMPARE(rip->TocEntryCount(), 0);
    QVERIFY(rip->Tracks().isEmpty());
    QSignalSpy ends(rip.get(), &TCDRIP::OnEndTrack);
    QVERIFY_THROWS_EXCEPTION(ECDRIPError, rip->RipTrack(1, disc.out + "/Track01.wav"));
    QCOMPARE(ends.size(), 0);
    try {
        rip->RipRange(150, 210, disc.out + "/Track02.wav");
        QFAIL("no error");
    } catch (const ECDRIPError& e) {
        QVERIFY2(QString(e.what()).startsWith("Cannot read sectors 150 to 210"), e.what());
    }
    QVERIFY(FilesIn(disc.out).isEmpty());

    // A sheet without tracks, a sheet that is no sheet, a missing sheet: no tracks, no crash.
    for (const QByteArray& sheet :
         {QByteArray("FILE \"x.bin\" BINARY\n"), QByteArray("\x00\xff garbage", 10)}) {
        QFile cue(disc.dir.filePath("bad.cue"));
        QVERIFY(cue.open(QIODevice::WriteOnly));
        cue.write(sheet);
        cue.close();
        rip = OpenComponent({cue.fileName()});
        QVERIFY(rip->Tracks().isEmpty());
    }
    rip = OpenComponent({disc.dir.filePath("absent.cue")});
    QVERIFY(rip->Tracks().isEmpty());
}

void TestCdRip::vanishingDiscMidRip() {
    // The image is cut short at the first progress, as a disc taken out of its drive: the rip stops
    // with the sector it could not read, and neither the final file nor a temporary one is left.
    for (bool jitter : {true, false}) {
        Disc disc;
        MakeDisc(disc, {"AUDIO", "AUDIO"}, LongTrackSectors);
        auto rip = OpenComponent({disc.cue});
        rip->SetJitterCorrect(jitter);
        TLameCoder coder;
        rip->SetCoder(&coder);
        rip->SetEncode(true);
        const QString file = disc.out + "/Track01.wav";
        QSignalSpy ends(rip.get(), &TCDRIP::OnEndTrack);
        connect(rip.get(), &TCDRIP::OnProgress,
                [&] { QFile::resize(disc.dir.filePath("disc.bin"), 40 * 2352); });
        QString error;
        try {
            rip->RipTrack(1, file);
        } catch (const ECDRIPError& e) {
            error = e.what();
        }
        QVERIFY2(error.startsWith("Read error at sector"), qPrintable(error));
        QCOMPARE(ends.size(), 0);
        QVERIFY(FilesIn(disc.out).isEmpty());
        QVERIFY(!rip->Ripping());
    }
}

void TestCdRip::mp3OnTheFly_data() {
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("mode");       // the coder's mode set after the format's, -1 for none
    QTest::addColumn<bool>("vbrHeader"); // the coder's WriteVBRHeader
    QTest::newRow("stereo 44100") << int(STEREO44100) << -1 << true;
    QTest::newRow("stereo 44100, no VBR header asked for") << int(STEREO44100) << -1 << false;
    QTest::newRow("joint stereo coder") << int(STEREO44100) << 1 << false;
    QTest::newRow("mono coder on stereo PCM") << int(STEREO44100) << 3 << false;
    QTest::newRow("mono 22050") << int(MONO22050) << -1 << true;
}

void TestCdRip::mp3OnTheFly() {
    // Ripped straight to MP3 at 128 kbit/s, the track decodes to its exact length: the encoder's delay
    // and padding come out through the Info header, and the end of the track that fills no whole
    // encoder chunk is encoded too. A mono coder gets the mix of both channels, sample for sample in
    // time with the track.
    QFETCH(int, format);
    QFETCH(int, mode);
    QFETCH(bool, vbrHeader);
    const auto fmt = static_cast<TOutputFormat>(format);
    Disc disc;
    MakeDisc(disc);
    auto rip = OpenComponent({disc.cue});
    TLameCoder coder;
    coder.Bitrate = 128;
    coder.WriteVBRHeader = vbrHeader;
    rip->SetCoder(&coder);
    rip->SetOutputFormat(fmt);
    QCOMPARE(coder.SampleRate, quint32(FormatRate(fmt)));
    QCOMPARE(coder.Mode(), FormatChannels(fmt) == 1 ? 3u : 0u);
    if (mode >= 0)
        coder.SetMode(static_cast<quint32>(mode)); // as the ripper page does from its settings
    rip->SetEncode(true);
    rip->RipTrack(1, disc.out + "/Track01.wav");
    const QString mp3 = disc.out + "/Track01.mp3";
    QCOMPARE(rip->LastFileName(), mp3);
    QCOMPARE(FilesIn(disc.out), QStringList{"Track01.mp3"});
    QCOMPARE(coder.WriteVBRHeader, vbrHeader);

    const int channels = coder.Channels();
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-i", mp3, "-f", "s16le", "-"});
    QVERIFY(ffmpeg.waitForFinished(60000));
    QCOMPARE(ffmpeg.exitCode(), 0);
    const std::vector<int16_t> decoded = Samples(ffmpeg.readAllStandardOutput());
    const qint64 frames = qint64(decoded.size()) / channels;
    const qint64 expected = qint64(TrackSectors[0]) * (588 >> FormatHalvings(fmt));
    QVERIFY2(frames == expected, qPrintable(QString("%1 frames, expected %2").arg(frames).arg(expected)));
    if (FormatHalvings(fmt) != 0)
        return;
    // What the coder was fed: the track, or its mix (L + R) / 2.
    const std::vector<int16_t> track = Samples(disc.tracks[0]);
    std::vector<double> truth;
    for (size_t f = 0; f < track.size() / 2; ++f) {
        if (channels == 1) {
            truth.push_back((track[2 * f] + track[2 * f + 1]) / 2.0);
        } else {
            truth.push_back(track[2 * f]);
            truth.push_back(track[2 * f + 1]);
        }
    }
    QCOMPARE(truth.size(), decoded.size());
    double dot = 0, a = 0, b = 0;
    for (size_t i = 0; i < truth.size(); ++i) {
        dot += truth[i] * decoded[i];
        a += truth[i] * truth[i];
        b += double(decoded[i]) * decoded[i];
    }
    const double correlation = dot / std::sqrt(a * b);
    QVERIFY2(correlation > 0.99, qPrintable(QString("correlation %1").arg(correlation)));
}

void TestCdRip::readOffsetShiftsTheAudio_data() {
    QTest::addColumn<int>("track");
    QTest::addColumn<int>("offset"); // samples
    QTest::addColumn<bool>("jitter");
    QTest::newRow("middle, later") << 2 << 100 << true;
    QTest::newRow("middle, earlier") << 2 << -100 << false;
    QTest::newRow("middle, over a sector later") << 2 << 700 << true;
    QTest::newRow("middle, over a sector earlier") << 2 << -1300 << true;
    // Before the disc's start and past its end: silence.
    QTest::newRow("first, earlier") << 1 << -1000 << true;
    QTest::newRow("last, later") << 3 << 1000 << false;
    QTest::newRow("last, a whole sector later") << 3 << 588 << true;
}

void TestCdRip::readOffsetShiftsTheAudio() {
    // The file holds the disc's samples from the track's start + offset, silence outside the disc;
    // the checksums are of what the file holds.
    QFETCH(int, track);
    QFETCH(int, offset);
    QFETCH(bool, jitter);
    Disc disc;
    MakeDisc(disc, {"AUDIO", "AUDIO", "AUDIO"});
    auto rip = OpenComponent({disc.cue});
    rip->SetJitterCorrect(jitter);
    rip->SetReadOffset(offset);
    const QByteArray whole = disc.tracks.join();
    qint64 start = 0;
    for (int i = 0; i + 1 < track; ++i)
        start += disc.tracks[i].size();
    QByteArray expected;
    for (qint64 at = start + offset * 4; at < start + offset * 4 + disc.tracks[track - 1].size(); at += 4)
        expected += at >= 0 && at < whole.size() ? whole.mid(at, 4) : QByteArray(4, '\0');
    const QString file = disc.out + "/shifted.wav";
    rip->RipTrack(track, file);
    const QByteArray wav = ReadAll(file);
    QCOMPARE(wav.left(44), TCDRIP::WavHeader(STEREO44100, static_cast<quint32>(expected.size())));
    QVERIFY2(wav.mid(44) == expected, "the ripped samples are not the shifted ones");
    // The checksums are those of the shifted audio.
    TrackChecksummer shifted(static_cast<uint64_t>(expected.size() / 4), track == 1, track == 3);
    shifted.Add(reinterpret_cast<const uint8_t*>(expected.constData()), static_cast<size_t>(expected.size()));
    QVERIFY(rip->LastChecksums().has_value());
    QCOMPARE(rip->LastChecksums()->Samples, shifted.Result().Samples);
    QCOMPARE(rip->LastChecksums()->Crc32, shifted.Result().Crc32);
    QCOMPARE(rip->LastChecksums()->ArCrcV2, shifted.Result().ArCrcV2);
}

QTEST_GUILESS_MAIN(TestCdRip)
#include "tst_cdrip.moc"
