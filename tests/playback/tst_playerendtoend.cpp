// The player with a real decoder plug-in on SDL's dummy driver: two short WAV files in a list, the second
// brought in by a crossfade; a damaged and an empty file passed with a message.
#include "EntryListFake.h"
#include "PlugInHost.h"
#include "PlayerController.h"
#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cmath>

using namespace larkspin;

namespace {

// A 16-bit stereo 44.1 kHz WAV file with a sine tone.
QByteArray wavFile(double seconds, double frequency) {
    const int rate = 44100;
    const int frames = static_cast<int>(seconds * rate);
    QByteArray pcm;
    pcm.reserve(frames * 4);
    for (int i = 0; i < frames; ++i) {
        const auto v = static_cast<int16_t>(8000 * std::sin(2 * M_PI * frequency * i / rate));
        for (int c = 0; c < 2; ++c) {
            pcm.append(static_cast<char>(v & 0xff));
            pcm.append(static_cast<char>((v >> 8) & 0xff));
        }
    }
    auto le32 = [](uint32_t x) {
        QByteArray b(4, 0);
        for (int i = 0; i < 4; ++i)
            b[i] = static_cast<char>((x >> (8 * i)) & 0xff);
        return b;
    };
    auto le16 = [](uint16_t x) {
        QByteArray b(2, 0);
        b[0] = static_cast<char>(x & 0xff);
        b[1] = static_cast<char>(x >> 8);
        return b;
    };
    QByteArray out = "RIFF" + le32(36 + pcm.size()) + "WAVEfmt " + le32(16) + le16(1) + le16(2) + le32(rate) +
                     le32(rate * 4) + le16(4) + le16(16) + "data" + le32(pcm.size());
    return out + pcm;
}


} // namespace

class TestPlayerEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void secondEntryStartsByCrossfade();
    void damagedAndEmptyFilesArePassed();
};

void TestPlayerEndToEnd::secondEntryStartsByCrossfade() {
    qputenv("LARKSPIN_AUDIO_DRIVER", "dummy");

    QTemporaryDir dir;
    const QString decoders = larkspin::test::CopySndfileDecoder(dir);
    QVERIFY2(!decoders.isEmpty(), "build the decoder plug-ins first");
    larkspin::test::EntryListFake list;
    for (auto [name, freq] : {std::pair{"first.wav", 440.0}, std::pair{"second.wav", 660.0}}) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(wavFile(3.0, freq));
        list.entries.push_back({dir.filePath(name).toStdString(), {}, {}, {}});
    }

    Settings settings;
    settings.Crossfading = true;
    settings.CrossTime = 1000;
    settings.PlayFade = false;
    settings.PlayVolume = 40;
    PlugInHostOptions options;
    options.decoderFolder = decoders.toStdString();
    options.liveSettings = &settings;
    TPlugInHost host(options);
    std::string check;
    host.EnumeratePlugIns(check);
    QCOMPARE(check, std::string("1"));
    QVERIFY(host.PlugInReady());

    PlayerController player(settings, host, TrackInfoFileServices(), dir.path().toStdString());
    list.player = &player;
    player.SetEntryList(&list);

    list.SelectRow(0);
    QVERIFY(player.TrackLoaded);
    QCOMPARE(player.Display().DisplayInfo, QStringLiteral("first"));
    player.Play();
    QVERIFY(player.DisplayTimerEnabled());

    // Tick as the window's timers do, watching what the plug-in answers before each tick.
    int lastLength = 0;
    int lastPos = -1;
    bool endedBeforeMove = false;
    bool fadingSeen = false;
    QTimer displayTimer;
    displayTimer.setInterval(100);
    connect(&displayTimer, &QTimer::timeout, this, [&] {
        if (player.Order().Current() == 0) {
            lastLength = host.GetLength();
            lastPos = host.GetPos();
            endedBeforeMove = endedBeforeMove || host.GetState() == 3;
        }
        player.DisplayTimerTimer();
        fadingSeen = fadingSeen || (player.Order().Current() == 1 && player.Display().FadingVisible);
        if (player.TimerLinearEnabled())
            player.TimerLinearTimer();
    });
    displayTimer.start();
    QTRY_COMPARE_WITH_TIMEOUT(player.Order().Current(), 1, 10000);
    QCOMPARE(lastLength, 3);
    // The crossfade window of a 3 s file with 1000 ms opens at second 2, before the end of the file.
    QVERIFY2(lastPos >= 1 && lastPos <= 2, qPrintable(QString::number(lastPos)));
    QVERIFY(!endedBeforeMove);

    QTRY_VERIFY_WITH_TIMEOUT(fadingSeen, 3000);
    QCOMPARE(player.Display().Track, (TrackDigits{Blank, 0, 0, 2}));
    QCOMPARE(player.Display().DisplayInfo, QStringLiteral("second"));
    QCOMPARE(player.Display().Length, (TimeDigits{Blank, 0, 0, 0, 3}));
    QVERIFY(player.Playing);
    const uint8_t state = host.GetState();
    QVERIFY(state != 0 && state != 3);

    // The last entry plays to its end, then the player stops.
    QTRY_VERIFY_WITH_TIMEOUT(!player.Playing, 10000);
    QCOMPARE(player.Order().Current(), 1);
}

// A list of a damaged WAV file, an empty one and a good one, played from the first: each bad file is
// named once with its reason, and the good one plays to its end.
void TestPlayerEndToEnd::damagedAndEmptyFilesArePassed() {
    qputenv("LARKSPIN_AUDIO_DRIVER", "dummy");

    QTemporaryDir dir;
    const QString decoders = larkspin::test::CopySndfileDecoder(dir);
    QVERIFY2(!decoders.isEmpty(), "build the decoder plug-ins first");
    larkspin::test::EntryListFake list;
    QByteArray damaged = wavFile(1.0, 440.0).left(44);
    damaged.replace(8, 4, "JUNK"); // no longer a WAVE file
    const std::pair<const char*, QByteArray> files[] = {
        {"damaged.wav", damaged}, {"empty.wav", QByteArray()}, {"good.wav", wavFile(1.0, 440.0)}};
    for (const auto& [name, data] : files) {
        QFile f(dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
        list.entries.push_back({dir.filePath(name).toStdString(), {}, {}, {}});
    }

    Settings settings;
    settings.Crossfading = false;
    settings.PlayFade = false;
    PlugInHostOptions options;
    options.decoderFolder = decoders.toStdString();
    options.liveSettings = &settings;
    TPlugInHost host(options);
    std::string check;
    host.EnumeratePlugIns(check);
    QVERIFY(host.PlugInReady());

    PlayerController player(settings, host, TrackInfoFileServices(), dir.path().toStdString());
    list.player = &player;
    player.SetEntryList(&list);

    QStringList shown;
    connect(&player, &PlayerController::displayChanged, this, [&] {
        const QString text = player.Display().DisplayInfo.trimmed();
        if (shown.isEmpty() || shown.last() != text)
            shown << text;
    });
    QTest::failOnWarning(QRegularExpression("^cannot play "));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^cannot play .*/damaged.wav: it holds no audio"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^cannot play .*/empty.wav: the file is empty"));
    list.SelectRow(0);
    player.Play();
    QTimer displayTimer;
    displayTimer.setInterval(100);
    connect(&displayTimer, &QTimer::timeout, this, [&] {
        player.DisplayTimerTimer();
        if (player.TimerLinearEnabled())
            player.TimerLinearTimer();
    });
    displayTimer.start();
    // The message shows for 5 s, longer than the good file plays; then its title comes back.
    QTRY_VERIFY_WITH_TIMEOUT(!player.Playing && shown.last() == "good", 30000);
    QCOMPARE(player.Order().Current(), 2);
    QVERIFY2(shown.contains("Cannot play damaged.wav: it holds no audio this plug-in can decode"),
             qPrintable(shown.join(" | ")));
    QVERIFY2(shown.contains("Cannot play empty.wav: the file is empty"), qPrintable(shown.join(" | ")));
}

QTEST_GUILESS_MAIN(TestPlayerEndToEnd)
#include "tst_playerendtoend.moc"
