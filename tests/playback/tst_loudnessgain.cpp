// The loudness gain the player hands to the plug-in: the gain chosen from a file's tags and the
// settings (modes, pre-amp, untagged files, clipping prevention), and what the player sends for the
// entries of a playlist, albums in order or not.
#include "LoudnessGain.h"
#include "PlayerRig.h"

#include <QTest>

#include <cmath>

using namespace larkspin;
using namespace larkspin::test;

namespace {

constexpr double None = -1000;

std::optional<double> Value(double v) {
    return v == None ? std::nullopt : std::optional<double>(v);
}

GainTags Tags(double trackGain, double trackPeak, double albumGain, double albumPeak) {
    GainTags t;
    t.TrackGain = Value(trackGain);
    t.TrackPeak = Value(trackPeak);
    t.AlbumGain = Value(albumGain);
    t.AlbumPeak = Value(albumPeak);
    return t;
}

} // namespace

Q_DECLARE_METATYPE(GainTags)
Q_DECLARE_METATYPE(GainChoice)

class TestLoudnessGain : public QObject {
    Q_OBJECT

private slots:
    void chosenGain_data();
    void chosenGain();
    void fromSettings();
    void playerSendsTheGain_data();
    void playerSendsTheGain();
    void crossfadeIntoTheNextEntryCarriesItsGain();
};

void TestLoudnessGain::chosenGain_data() {
    QTest::addColumn<GainTags>("tags");
    QTest::addColumn<GainChoice>("choice");
    QTest::addColumn<bool>("albumInOrder");
    QTest::addColumn<double>("db");

    const GainTags full = Tags(-6.5, 0.5, -8, 0.9);
    const GainTags trackOnly = Tags(-6.5, 0.5, None, None);
    const GainTags albumOnly = Tags(None, None, -8, 0.9);
    const GainTags loudPeak = Tags(4, 0.8, 6, 0.95);
    const GainTags none;
    const auto mode = [](GainMode m, double pre = 0, double untagged = 0, bool clip = true) {
        return GainChoice{m, pre, untagged, clip};
    };
    QTest::newRow("off ignores everything") << full << mode(GainMode::Off, 5, 5) << true << 0.0;
    QTest::newRow("track") << full << mode(GainMode::Track) << true << -6.5;
    QTest::newRow("album") << full << mode(GainMode::Album) << false << -8.0;
    QTest::newRow("album in order, in order") << full << mode(GainMode::AlbumInOrder) << true << -8.0;
    QTest::newRow("album in order, not in order") << full << mode(GainMode::AlbumInOrder) << false << -6.5;
    QTest::newRow("track falls back to album") << albumOnly << mode(GainMode::Track) << false << -8.0;
    QTest::newRow("album falls back to track") << trackOnly << mode(GainMode::Album) << false << -6.5;
    QTest::newRow("pre-amp on a tagged file") << full << mode(GainMode::Track, 2.5, -3) << false << -4.0;
    QTest::newRow("untagged gets its own gain, no pre-amp")
        << none << mode(GainMode::Track, 2.5, -3) << false << -3.0;
    // 1/0.8 is +1.94 dB of headroom: +4 dB would clip the peak.
    QTest::newRow("clipping prevented by the track peak")
        << loudPeak << mode(GainMode::Track) << false << -20 * std::log10(0.8);
    QTest::newRow("clipping prevented by the album peak")
        << loudPeak << mode(GainMode::Album) << false << -20 * std::log10(0.95);
    QTest::newRow("clipping allowed") << loudPeak << mode(GainMode::Track, 0, 0, false) << false << 4.0;
    QTest::newRow("pre-amp limited by the peak")
        << full << mode(GainMode::Track, 14) << false << -20 * std::log10(0.5);
    QTest::newRow("other peak when own is missing")
        << Tags(5, None, None, 0.9) << mode(GainMode::Track) << false << -20 * std::log10(0.9);
    QTest::newRow("peak zero is no peak") << Tags(5, 0, None, None) << mode(GainMode::Track) << false << 5.0;
    QTest::newRow("quiet file with a low peak may rise")
        << Tags(10, 0.1, None, None) << mode(GainMode::Track) << false << 10.0;
    QTest::newRow("bounded above") << Tags(40, None, None, None) << mode(GainMode::Track, 10) << false
                                   << 24.0;
    QTest::newRow("bounded below") << Tags(-64, None, None, None) << mode(GainMode::Track, -10) << false
                                   << -60.0;
}

void TestLoudnessGain::chosenGain() {
    QFETCH(GainTags, tags);
    QFETCH(GainChoice, choice);
    QFETCH(bool, albumInOrder);
    QFETCH(double, db);
    QVERIFY2(std::fabs(FileGainDb(tags, choice, albumInOrder) - db) < 1e-9,
             qPrintable(QString::number(FileGainDb(tags, choice, albumInOrder))));
    QCOMPARE(FileGainHundredths(tags, choice, albumInOrder), static_cast<int32_t>(std::lround(db * 100)));
}

void TestLoudnessGain::fromSettings() {
    Settings s;
    QCOMPARE(GainChoiceOf(s).Mode, GainMode::Off);
    s.GainMode = 3;
    s.GainPreamp = -25;
    s.GainUntagged = 60;
    s.GainPreventClipping = false;
    const GainChoice c = GainChoiceOf(s);
    QCOMPARE(c.Mode, GainMode::AlbumInOrder);
    QCOMPARE(c.PreampDb, -2.5);
    QCOMPARE(c.UntaggedDb, 6.0);
    QCOMPARE(c.PreventClipping, false);
}

// Entries e0 to e4: e1, e2 and e3 of album "A", e0 and e4 of albums of their own; each file's track gain
// is -1 dB times (its number + 1), its album gain -10 dB.
void TestLoudnessGain::playerSendsTheGain_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("shuffle");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QStringList>("sent");
    QTest::newRow("off sends nothing") << 0 << false << 2 << QStringList{};
    QTest::newRow("track") << 1 << false << 2 << QStringList{"SetFileGain(-300)"};
    QTest::newRow("album") << 2 << false << 0 << QStringList{"SetFileGain(-1000)"};
    QTest::newRow("album in order, inside the album") << 3 << false << 2 << QStringList{"SetFileGain(-1000)"};
    QTest::newRow("album in order, first of the album")
        << 3 << false << 1 << QStringList{"SetFileGain(-1000)"};
    QTest::newRow("album in order, an album's only entry")
        << 3 << false << 4 << QStringList{"SetFileGain(-500)"};
    QTest::newRow("album in order, shuffled") << 3 << true << 2 << QStringList{"SetFileGain(-300)"};
    QTest::newRow("untagged file at 0 dB sends nothing") << 1 << false << 5 << QStringList{};
}

void TestLoudnessGain::playerSendsTheGain() {
    QFETCH(int, mode);
    QFETCH(bool, shuffle);
    QFETCH(int, entry);
    QFETCH(QStringList, sent);
    PlayerRig rig(0);
    const char* albums[] = {"B", "A", "A", "A", "C", "A"};
    for (int i = 0; i < 6; ++i) {
        rig.addEntry(QStringLiteral("e%1.mp3").arg(i));
        rig.list.entries.back().Album = albums[i];
    }
    rig.readGain = [&rig](const std::string& path) {
        GainTags t;
        for (int i = 0; i < 5; ++i)
            if (path == rig.path(QStringLiteral("e%1.mp3").arg(i)).toStdString()) {
                t.TrackGain = -1.0 * (i + 1);
                t.AlbumGain = -10;
            }
        return t;
    };
    rig.settings.GainMode = mode;
    rig.settings.ShufflePlay = shuffle;
    rig.list.SelectRow(entry);
    QStringList gains;
    for (const QString& c : rig.commands())
        if (c.startsWith("SetFileGain"))
            gains << c;
    QCOMPARE(gains, sent);
    // The gain goes right after the file it belongs to.
    const QStringList all = rig.commands();
    if (!sent.isEmpty()) {
        const int at = static_cast<int>(all.indexOf(sent.first()));
        QVERIFY(at > 0);
        QCOMPARE(all[at - 1], QStringLiteral("LoadFile(e%1.mp3)").arg(entry));
    }
}

void TestLoudnessGain::crossfadeIntoTheNextEntryCarriesItsGain() {
    PlayerRig rig(3);
    rig.settings.GainMode = 1;
    rig.readGain = [](const std::string& path) {
        GainTags t;
        t.TrackGain = path.find("e1.mp3") != std::string::npos ? 3.0 : -2.0;
        t.TrackPeak = 0.5; // up to +6.02 dB allowed
        return t;
    };
    rig.playEntry(0);
    rig.player->NextTrack();
    if (rig.player->TimerLinearEnabled())
        rig.player->TimerLinearTimer();
    QCOMPARE(rig.commands(), (QStringList{"LoadFile(e1.mp3)", "SetFileGain(300)", "Play(5000)"}));
}

QTEST_GUILESS_MAIN(TestLoudnessGain)
#include "tst_loudnessgain.moc"
