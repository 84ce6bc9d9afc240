// The player window with the real decoder plug-ins of the build, on SDL's silent dummy driver: a
// generated track plays and the window's own timers move the digits.
#include "PlayerController.h"
#include "PlugInHost.h"
#include "ProgramFolder.h"
#include "Settings.h"
#include "THauptform.h"
#include "TLedDigit.h"
#include "TScrollDisplay.h"
#include "TSkinSlider.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace larkspin;

namespace {

class Entries : public PlayerEntryList {
public:
    std::vector<Entry> entries;
    int Count() const override { return int(entries.size()); }
    Entry EntryAt(int i) const override { return entries.at(size_t(i)); }
    bool PlaylistBusy() const override { return false; }
    void MarkCurrentEntry(int) override {}
    void SelectRow(int) override {}
    void ScrollToRow(int) override {}
    PlayOrder& Order() override { return order; }
    const PlayOrder& Order() const override { return order; }
    PlayOrder order;
};

} // namespace

class TestPlayerWindowPlay : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qputenv("LARKSPIN_AUDIO_DRIVER", "dummy"); }
    void playsAGeneratedTrack();
};

void TestPlayerWindowPlay::playsAGeneratedTrack() {
    const QString decoders = QStringLiteral(LARKSPIN_BUILD_DIR "/PlugIn/Decoder");
    if (!QFile::exists(decoders + QStringLiteral("/IB_sndfile.so")))
        QSKIP("the sndfile decoder plug-in is not built");
    QTemporaryDir dir;
    const QString track = dir.filePath(QStringLiteral("tone.wav"));
    QCOMPARE(QProcess::execute(QStringLiteral("sox"), {"-n", "-r", "44100", "-c", "2", track, "synth", "4",
                                                       "sine", "440", "vol", "0.1"}),
             0);

    settings() = Settings{};
    programFolder() = dir.path().toStdString();
    Settings& s = settings();
    s.PlayFade = false;
    s.Crossfading = false;
    PlugInHostOptions options;
    options.decoderFolder = decoders.toStdString();
    options.liveSettings = &s;
    TPlugInHost host(options);
    std::string plugCheck;
    host.EnumeratePlugIns(plugCheck);
    THauptform window(host);
    Entries list;
    list.entries.push_back({track.toStdString(), "Tone", "Tests", "2026"});
    window.setEntryList(&list);

    PlayerController& player = window.player();
    player.PlaylistSelectionChanged(0, 1);
    QVERIFY(player.TrackLoaded);
    QCOMPARE(window.findChild<TScrollDisplay*>(QStringLiteral("DisplayInfo"))->text(),
             QStringLiteral("tone"));
    player.Play();

    auto digit = [&](const char* name) {
        return window.findChild<TLedDigit*>(QLatin1String(name))->shownDigit();
    };
    QTRY_COMPARE_WITH_TIMEOUT(digit("estsek1"), 4, 3000);
    QTRY_VERIFY_WITH_TIMEOUT(digit("elasek1") >= 1, 4000);
    QCOMPARE(window.findChild<TSkinSlider*>(QStringLiteral("Slider"))->maximum(), 4);
    QCOMPARE(digit("TrackLED3"), 1);
    // The only entry plays to its end; without repeat the player stops and the time returns to 0.
    QTRY_VERIFY_WITH_TIMEOUT(!player.Playing, 8000);
    QTRY_COMPARE_WITH_TIMEOUT(digit("elasek1"), 0, 2000);
}

QTEST_MAIN(TestPlayerWindowPlay)
#include "tst_playerwindow_play.moc"
