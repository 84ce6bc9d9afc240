// The player with a real decoder plug-in on SDL's disk driver: a file's gain tag changes its level in
// what the output captured.
#include "../plugins/CaptureAnalysis.h"
#include "EntryListFake.h"
#include "PlayerController.h"
#include "PlugInHost.h"
#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace larkspin;

class TestPlayerGainCapture : public QObject {
    Q_OBJECT
private slots:
    void gainTagLowersItsFileInTheCapture();
};

// Two FLAC files of equal level, the first tagged 6.02 dB too loud: with track gain on, what SDL's disk
// driver captures holds the first at half the amplitude of the second.
void TestPlayerGainCapture::gainTagLowersItsFileInTheCapture() {
    using namespace capture;
    if (QStandardPaths::findExecutable("sox").isEmpty() ||
        QStandardPaths::findExecutable("metaflac").isEmpty())
        QSKIP("sox and metaflac are needed to make the files");
    QTemporaryDir dir;
    const QString decoders = larkspin::test::CopySndfileDecoder(dir);
    QVERIFY2(!decoders.isEmpty(), "build the decoder plug-ins first");
    larkspin::test::EntryListFake list;
    for (auto [name, freq] : {std::pair{"tagged.flac", 440}, std::pair{"plain.flac", 660}}) {
        const QString path = dir.filePath(name);
        QVERIFY(runTool("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", path, "synth", "3", "sine",
                                QString::number(freq), "vol", QString::number(Full)}));
        list.entries.push_back({path.toStdString(), {}, {}, {}});
    }
    QVERIFY(runTool("metaflac", {"--set-tag=REPLAYGAIN_TRACK_GAIN=-6.02 dB",
                                 "--set-tag=REPLAYGAIN_TRACK_PEAK=0.5", dir.filePath("tagged.flac")}));
    const QString capturePath = dir.filePath("capture.raw");
    qputenv("LARKSPIN_AUDIO_DRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", capturePath.toUtf8());

    Settings settings;
    settings.Crossfading = false;
    settings.PlayFade = false;
    settings.StopFade = false;
    settings.PlayVolume = 100;
    settings.GainMode = 1;
    PlugInHostOptions options;
    options.decoderFolder = decoders.toStdString();
    options.liveSettings = &settings;
    {
        TPlugInHost host(options);
        std::string check;
        host.EnumeratePlugIns(check);
        QVERIFY(host.PlugInReady());
        PlayerController player(settings, host, TrackInfoFileServices(), dir.path().toStdString());
        list.player = &player;
        player.SetEntryList(&list);
        list.SelectRow(0);
        player.Play();
        QTRY_VERIFY_WITH_TIMEOUT(host.GetPos() >= 1, 20000);
        player.NextTrack();
        if (player.TimerLinearEnabled())
            player.TimerLinearTimer();
        QCOMPARE(player.Order().Current(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(host.GetPos() >= 1, 20000);
        player.Stop();
    } // the host closes the plug-in, which closes the capture

    const Levels l = levelsOf(capturePath);
    const int tagged = firstAbove(l.a, 0.4);
    QVERIFY(tagged >= 0);
    QVERIFY2(std::abs(l.a[size_t(tagged) + 10] - 0.5 * Full) < 0.03 * Full,
             "the tagged file at half amplitude");
    QVERIFY2(firstAbove(l.a, 0.6) < 0, "the tagged file never at its own level");
    const int plain = firstAbove(l.c, 0.9);
    QVERIFY(plain > tagged);
    QVERIFY2(std::abs(l.c[size_t(plain) + 10] - Full) < 0.03 * Full, "the untagged file unchanged");
}

QTEST_GUILESS_MAIN(TestPlayerGainCapture)
#include "tst_playergaincapture.moc"
