// The media controls on a private session bus: dbus-send drives the player as the desktop would.
#include "MprisService.h"
#include "PlayerRig.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QtTest>

using namespace larkspin;
using namespace larkspin::test;

// Collects the PropertiesChanged signals of the player interface.
class PropertiesWatcher : public QObject {
    Q_OBJECT
public:
    QList<QVariantMap> changes;
    bool seen(const QString& name, const QVariant& value) const {
        for (const QVariantMap& c : changes)
            if (c.value(name) == value)
                return true;
        return false;
    }
public slots:
    void changed(const QString& interface, const QVariantMap& properties, const QStringList&) {
        if (interface == QLatin1String("org.mpris.MediaPlayer2.Player"))
            changes << properties;
    }
};

class TestMpris : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void commandsReachThePlayer();
    void propertiesFollowThePlayer();
    void settingPropertiesGoesThroughThePlayer();
    void metadataCarriesTheTagsAndTheCdTrack();
    void nothingIsSentWhileNothingChanges();

private:
    // Runs dbus-send against the player while the event loop serves the call; its printed reply.
    QString send(const QStringList& call);
    QString property(const QString& name) {
        return send({"org.freedesktop.DBus.Properties.Get", "string:org.mpris.MediaPlayer2.Player",
                     "string:" + name});
    }
    QProcess bus_;
};

void TestMpris::initTestCase() {
    if (QStandardPaths::findExecutable("dbus-daemon").isEmpty() || QStandardPaths::findExecutable("dbus-send").isEmpty())
        QSKIP("dbus-daemon and dbus-send are needed for the media controls' tests");
    bus_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    QVERIFY(bus_.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(bus_.canReadLine(), 10000);
    const QByteArray address = bus_.readLine().trimmed();
    QVERIFY(!address.isEmpty());
    // Before the first use of the session bus, which reads it once.
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    QVERIFY(QDBusConnection::sessionBus().isConnected());
}

void TestMpris::cleanupTestCase() {
    bus_.kill();
    bus_.waitForFinished();
}

QString TestMpris::send(const QStringList& call) {
    QProcess p;
    p.start("dbus-send", QStringList{"--session", "--print-reply", "--dest=org.mpris.MediaPlayer2.larkspin",
                                     "/org/mpris/MediaPlayer2"} +
                             call);
    if (!p.waitForStarted())
        return {};
    if (!QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 10000))
        return {};
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

void TestMpris::commandsReachThePlayer() {
    PlayerRig rig(3);
    rig.list.SelectRow(0);
    bool raised = false;
    MprisService mpris(*rig.player, rig.settings, {[&] { raised = true; }, {}, {}});
    QVERIFY(mpris.Register());
    rig.clear();

    send({"org.mpris.MediaPlayer2.Player.Play"});
    QVERIFY(rig.player->Playing);
    QVERIFY(rig.commands().join(' ').contains("Play("));
    send({"org.mpris.MediaPlayer2.Player.PlayPause"});
    QVERIFY(rig.player->Paused);
    send({"org.mpris.MediaPlayer2.Player.PlayPause"});
    QVERIFY(!rig.player->Paused);
    send({"org.mpris.MediaPlayer2.Player.Next"});
    rig.tick(); // the next entry starts through the player's one-shot timer
    QCOMPARE(rig.player->Order().Current(), 1);
    send({"org.mpris.MediaPlayer2.Player.Previous"});
    rig.tick();
    QCOMPARE(rig.player->Order().Current(), 0);

    // Seeking: as if the position slider were dragged.
    rig.script("length", 200);
    rig.script("pos", 10);
    rig.tick();
    rig.clear();
    send({"org.mpris.MediaPlayer2.Player.Seek", "int64:30000000"});
    QVERIFY2(rig.commands().contains("SetPos(40)"), qPrintable(rig.commands().join(' ')));
    rig.clear();
    send({"org.mpris.MediaPlayer2.Player.SetPosition", "objpath:/org/larkspin/Track/0", "int64:5000000"});
    QVERIFY2(rig.commands().contains("SetPos(5)"), qPrintable(rig.commands().join(' ')));
    rig.clear();
    send({"org.mpris.MediaPlayer2.Player.SetPosition", "objpath:/org/larkspin/Track/2", "int64:5000000"});
    QVERIFY(rig.commands().isEmpty()); // another track's position is ignored

    send({"org.mpris.MediaPlayer2.Player.Stop"});
    QVERIFY(!rig.player->Playing);
    send({"org.mpris.MediaPlayer2.Raise"});
    QVERIFY(raised);
}

void TestMpris::propertiesFollowThePlayer() {
    PlayerRig rig(2);
    rig.list.entries[1].Artist = "Ärtist";
    rig.list.entries[1].Album = "The Album";
    MprisService mpris(*rig.player, rig.settings, {});
    QVERIFY(mpris.Register());

    // A second connection watches the signals as a desktop would.
    QDBusConnection watcher =
        QDBusConnection::connectToBus(QString::fromUtf8(qgetenv("DBUS_SESSION_BUS_ADDRESS")), "watcher");
    QVERIFY(watcher.isConnected());
    PropertiesWatcher changes;
    QVERIFY(watcher.connect(QString(), "/org/mpris/MediaPlayer2", "org.freedesktop.DBus.Properties",
                            "PropertiesChanged", &changes,
                            SLOT(changed(QString, QVariantMap, QStringList))));

    QCOMPARE(property("PlaybackStatus").contains("\"Stopped\""), true);
    rig.playEntry(1);
    QVERIFY(property("PlaybackStatus").contains("\"Playing\""));
    const QString metadata = property("Metadata");
    QVERIFY2(metadata.contains("/org/larkspin/Track/1"), qPrintable(metadata));
    QVERIFY2(metadata.contains("Ärtist"), qPrintable(metadata));
    QVERIFY2(metadata.contains("The Album"), qPrintable(metadata));
    QVERIFY2(metadata.contains("\"e1\""), qPrintable(metadata));
    QTRY_VERIFY(changes.seen("PlaybackStatus", "Playing"));
    rig.player->Pause();
    QVERIFY(property("PlaybackStatus").contains("\"Paused\""));
    QTRY_VERIFY(changes.seen("PlaybackStatus", "Paused"));
    QDBusConnection::disconnectFromBus("watcher");
}

void TestMpris::settingPropertiesGoesThroughThePlayer() {
    PlayerRig rig(3);
    rig.playEntry(0);
    MprisService mpris(*rig.player, rig.settings, {});
    QVERIFY(mpris.Register());
    auto set = [&](const QString& name, const QString& value) {
        send({"org.freedesktop.DBus.Properties.Set", "string:org.mpris.MediaPlayer2.Player", "string:" + name,
              value});
    };
    set("Volume", "variant:double:0.4");
    QCOMPARE(rig.player->Display().VolumeBar, 40);
    QCOMPARE(rig.settings.PlayVolume, 40);
    set("LoopStatus", "variant:string:Track");
    QVERIFY(rig.settings.RepeatOne);
    set("LoopStatus", "variant:string:Playlist");
    QVERIFY(rig.settings.RepeatAll && !rig.settings.RepeatOne);
    set("LoopStatus", "variant:string:None");
    QVERIFY(!rig.settings.RepeatAll && !rig.settings.RepeatOne);
    set("Shuffle", "variant:boolean:true");
    QVERIFY(rig.settings.ShufflePlay);
    QCOMPARE(rig.player->Order().ShuffleOrder().size(), size_t(3));
    QVERIFY(property("Shuffle").contains("true"));
}

// Without a bus: the metadata of a tagged entry, an untagged one and a CD track.
void TestMpris::metadataCarriesTheTagsAndTheCdTrack() {
    PlayerRig rig(2);
    rig.list.entries[0].Title = "Tagged Title";
    rig.list.entries[0].Artist = "Ärtist";
    rig.list.entries[0].Album = "Album";
    rig.list.entries[0].Year = "1999";
    MprisService mpris(*rig.player, rig.settings, {});
    rig.playEntry(0);
    rig.script("state", 1);
    rig.script("length", 200);
    rig.tick();
    QVariantMap m = mpris.Metadata();
    QCOMPARE(m.value("xesam:title").toString(), QStringLiteral("Tagged Title"));
    QCOMPARE(m.value("xesam:artist").toStringList(), QStringList{"Ärtist"});
    QCOMPARE(m.value("xesam:album").toString(), QStringLiteral("Album"));
    QCOMPARE(m.value("mpris:length").toLongLong(), 200LL * 1000000);
    // The title display keeps the file name.
    QCOMPARE(rig.player->Display().DisplayInfo, QStringLiteral("e0"));

    rig.player->NextTrack();
    rig.tick();
    m = mpris.Metadata();
    QCOMPARE(m.value("xesam:title").toString(), QStringLiteral("e1")); // no tag: the file's name
    QVERIFY(!m.contains("xesam:artist"));
    QVERIFY(!m.contains("xesam:album"));

    // A CD track shows its own caption and length, none of the file's texts.
    rig.player->PreviousTrack();
    rig.tick();
    rig.cd.count = 3;
    rig.player->OpenCd(0);
    rig.player->Play();
    rig.script("length", 180);
    rig.tick();
    m = mpris.Metadata();
    QCOMPARE(m.value("mpris:trackid").value<QDBusObjectPath>().path(), QStringLiteral("/org/larkspin/CdTrack/0"));
    QCOMPARE(m.value("xesam:title").toString(), QStringLiteral("Track 1"));
    QCOMPARE(m.value("mpris:length").toLongLong(), 180LL * 1000000);
    for (const char* key : {"xesam:artist", "xesam:album", "xesam:url", "mpris:artUrl"})
        QVERIFY2(!m.contains(key), key);
    const PlayerDisplay& d = rig.player->Display();
    QCOMPARE(d.Artist, QStringLiteral("---"));
    QCOMPARE(d.Album, QStringLiteral("---"));
    QCOMPARE(d.Year, QStringLiteral("---"));
}

// The display ticks ten times a second; only a change of a property's value goes out, and only the
// properties that changed.
void TestMpris::nothingIsSentWhileNothingChanges() {
    PlayerRig rig(2);
    MprisService mpris(*rig.player, rig.settings, {});
    QSignalSpy sent(&mpris, &MprisService::propertiesPublished);
    QVERIFY(mpris.Register());
    QCOMPARE(sent.size(), 1); // the first look sends everything
    QCOMPARE(sent.at(0).at(0).toMap().size(), 5);

    rig.playEntry(0);
    rig.script("state", 1);
    rig.script("length", 200);
    rig.tick();
    sent.clear();
    for (int pos = 1; pos <= 5; ++pos) {
        rig.script("pos", pos); // the position moves; it is asked for, never sent
        rig.tick();
    }
    QCOMPARE(sent.size(), 0);

    rig.player->VolumeBarChange(30);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.at(0).at(0).toMap().keys(), QStringList{"Volume"});
    sent.clear();
    rig.player->NextTrack();
    rig.tick();
    QVERIFY(sent.size() >= 1);
    QVERIFY(sent.last().at(0).toMap().contains("Metadata"));
    QVERIFY(!sent.last().at(0).toMap().contains("Shuffle"));
    sent.clear();
    rig.tick();
    rig.tick();
    QCOMPARE(sent.size(), 0);
}

QTEST_GUILESS_MAIN(TestMpris)
#include "tst_mpris.moc"
