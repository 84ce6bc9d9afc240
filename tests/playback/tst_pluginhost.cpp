#include "PlugInHost.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace larkspin;

namespace {

const QString RecordingDir = QStringLiteral(LARKSPIN_BUILD_DIR "/tests/plugins/");
constexpr intptr_t MainWindow = 4242;

// A plug-in folder filled with copies of the recording plug-in; every copy is a library of its own.
class PlugInFolder {
public:
    PlugInFolder() {
        logPath_ = dir_.filePath(QStringLiteral("calls.log"));
        qputenv("LARKSPIN_RECORDING_LOG", logPath_.toUtf8());
        QDir().mkpath(folder());
    }
    ~PlugInFolder() { qunsetenv("LARKSPIN_RECORDING_LOG"); }

    QString folder() const { return dir_.filePath(QStringLiteral("Decoder")); }

    // Copies a recording plug-in as name; script lines are "key=value".
    void add(const QString& name, const QStringList& script = {},
             const QString& source = QStringLiteral("IB_recording.so")) {
        QVERIFY(QFile::copy(RecordingDir + source, folder() + "/" + name));
        QFile f(folder() + "/" + name + ".script");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(script.join('\n').toUtf8());
    }

    // The calls recorded since the last clear, without the queries the host repeats for its table.
    QStringList calls() const {
        QFile f(logPath_);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    void clear() { QFile::remove(logPath_); }

    PlugInHostOptions options() const {
        PlugInHostOptions o;
        o.decoderFolder = folder().toStdString();
        o.mainWindow = MainWindow;
        o.DirectSound = true;
        o.PlayVolume = 255;
        o.StopTime = 1000;
        return o;
    }

private:
    QTemporaryDir dir_;
    QString logPath_;
};

QStringList names(const TPlugInHost& host) {
    QStringList list;
    for (const PlugInRow& row : host.PlugInTable())
        list << QString::fromStdString(row.name);
    return list;
}

QString enabledFlags(const TPlugInHost& host) {
    QString flags;
    for (const PlugInRow& row : host.PlugInTable())
        flags += row.enabled ? '1' : '0';
    return flags;
}

} // namespace

class TestPlugInHost : public QObject {
    Q_OBJECT
private slots:
    void enumerationTable_data();
    void enumerationTable();
    void enumerationCallsAndLists();
    void incompleteLibraryKeepsRowAndIsNeverCalled();
    void choosePlugIn_data();
    void choosePlugIn();
    void samePlugInWhilePlayingOnlyLoadsAndPlays();
    void switchingClosesOldAndStartsNew_data();
    void switchingClosesOldAndStartsNew();
    void findDecodingPlugIn_data();
    void findDecodingPlugIn();
    void decodeBindingPairsStartAndClose();
    void decodingLibraryLaterSelectedForPlayback();
    void decodeBindingOfBrokenLibrary();
};

void TestPlugInHost::enumerationTable_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("plugCheck");
    QTest::addColumn<QStringList>("table");
    QTest::addColumn<QString>("enabled");

    QTest::newRow("prefix in any case, other names skipped")
        << QStringList{"ib_wave.so", "wave.so", "IB_a.so", "IB_b.txt", "xIB_c.so"} << ""
        << QStringList{"IB_a.so", "ib_wave.so"} << "11";
    QTest::newRow("short PlugCheck disables the rows beyond it")
        << QStringList{"IB_c.so", "IB_a.so", "IB_b.so"} << "10"
        << QStringList{"IB_a.so", "IB_b.so", "IB_c.so"} << "100";
    QTest::newRow("long PlugCheck is cut to the table")
        << QStringList{"IB_a.so", "IB_b.so"} << "0110" << QStringList{"IB_a.so", "IB_b.so"} << "01";
    QTest::newRow("only 1 enables") << QStringList{"IB_a.so", "IB_b.so", "IB_c.so"} << "1x1"
                                    << QStringList{"IB_a.so", "IB_b.so", "IB_c.so"} << "101";
    QTest::newRow("empty folder") << QStringList{} << "11" << QStringList{} << "";
}

void TestPlugInHost::enumerationTable() {
    QFETCH(QStringList, files);
    QFETCH(QString, plugCheck);
    QFETCH(QStringList, table);
    QFETCH(QString, enabled);
    PlugInFolder folder;
    for (const QString& file : files)
        folder.add(file);
    TPlugInHost host(folder.options());
    std::string check = plugCheck.toStdString();
    host.EnumeratePlugIns(check);
    QCOMPARE(names(host), table);
    QCOMPARE(enabledFlags(host), enabled);
    QCOMPARE(QString::fromStdString(check), enabled);
    QCOMPARE(QString::fromStdString(host.PlugCheck()), enabled);
    QCOMPARE(host.CurrentPlugInIndex(), 0);
    if (!table.isEmpty())
        QCOMPARE(QString::fromStdString(host.PlaybackPlugInName()), table.last());
}

void TestPlugInHost::enumerationCallsAndLists() {
    PlugInFolder folder;
    folder.add("IB_a.so", {"filetypes=*.MP3;*.Mp2", "cdsupport=1"});
    folder.add("IB_b.so", {"filetypes=*.OGG", "decoding=1"});
    folder.add("IB_c.so", {"filetypes=*.wav", "cdsupport=1", "decoding=1"});
    TPlugInHost host(folder.options());
    std::string check;
    host.EnumeratePlugIns(check);

    QCOMPARE(host.PlugInTable().at(0).fileTypes, std::string("*.mp3;*.mp2"));
    QCOMPARE(host.PlugInTable().at(1).fileTypes, std::string("*.ogg"));
    QCOMPARE(host.CdPlugIns(), (std::vector<std::string>{"IB_a.so", "IB_c.so"}));
    QCOMPARE(host.DecodingPlugIns().size(), size_t(2));
    QCOMPARE(host.DecodingPlugIns().at(0).name, std::string("IB_b.so"));
    QCOMPARE(host.DecodingPlugIns().at(0).fileTypes, std::string("*.ogg"));
    QCOMPARE(host.DecodingPlugIns().at(1).name, std::string("IB_c.so"));
    QVERIFY(host.PlugInReady());

    // Each library is started, configured and queried, and closed before the next one starts; the last
    // stays started.
    const QStringList calls =
        folder.calls().filter(QRegularExpression("Start|Close|SetOutputMode|SetVolume"));
    const QStringList expected{
        "IB_a.so: StartPlugIn(0,4242)", "IB_a.so: SetOutputMode(0)",    "IB_a.so: SetVolume(255)",
        "IB_a.so: ClosePlugIn()",       "IB_b.so: StartPlugIn(0,4242)", "IB_b.so: SetOutputMode(0)",
        "IB_b.so: SetVolume(255)",      "IB_b.so: ClosePlugIn()",       "IB_c.so: StartPlugIn(0,4242)",
        "IB_c.so: SetOutputMode(0)",    "IB_c.so: SetVolume(255)",
    };
    QCOMPARE(calls, expected);
}

void TestPlugInHost::incompleteLibraryKeepsRowAndIsNeverCalled() {
    PlugInFolder folder;
    folder.add("IB_a.so", {"filetypes=*.mp3"});
    folder.add("IB_b.so", {"filetypes=*.mp3", "cdsupport=1", "decoding=1"}, "IB_incomplete.so");
    folder.add("IB_c.so", {"filetypes=*.ogg"});
    QFile notALibrary(folder.folder() + "/IB_bb.so");
    QVERIFY(notALibrary.open(QIODevice::WriteOnly));
    notALibrary.write("not an ELF file");
    notALibrary.close();
    TPlugInHost host(folder.options());
    std::string check = "1111";
    host.EnumeratePlugIns(check);

    // The rows stay so that the PlugCheck positions of later rows do not move.
    QCOMPARE(names(host), (QStringList{"IB_a.so", "IB_b.so", "IB_bb.so", "IB_c.so"}));
    QCOMPARE(check, std::string("1111"));
    QVERIFY(host.PlugInTable().at(2).fileTypes.empty());
    host.SelectPlugIn("IB_bb.so");
    QVERIFY(!host.PlugInReady());
    host.Play(0);
    QVERIFY(host.PlugInTable().at(1).fileTypes.empty());
    QVERIFY(host.CdPlugIns().empty());
    QVERIFY(host.DecodingPlugIns().empty());
    QCOMPARE(host.ChoosePlugIn("/music/x.mp3").value_or(-1), 0);

    host.SelectPlugIn("IB_b.so");
    QVERIFY(!host.PlugInReady());
    host.LoadFile("/music/x.mp3");
    host.Play(500);
    host.Pause(0);
    host.Stop(500);
    host.SetPos(3);
    host.SetVolume(50);
    host.PlayCDTrack(0, 1, "play");
    QCOMPARE(host.GetState(), uint8_t(0));
    QCOMPARE(host.GetPos(), 0);
    QCOMPARE(host.GetLength(), 0);
    QVERIFY(!host.GetNowFading());
    QVERIFY(host.GetFileTypes().empty());
    QVERIFY(folder.calls().filter("IB_b.so").isEmpty());

    // Leaving it sends it nothing either.
    host.SelectPlugIn("IB_c.so");
    QVERIFY(host.PlugInReady());
    QVERIFY(folder.calls().filter("IB_b.so").isEmpty());
}

void TestPlugInHost::choosePlugIn_data() {
    QTest::addColumn<QStringList>("types");
    QTest::addColumn<QString>("plugCheck");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("row");

    const QStringList mp3Twice{"*.mp3;*.mp2", "*.ogg", "*.wav;*.mp3"};
    QTest::newRow("later plug-in wins, extension in any case") << mp3Twice << "111"
                                                               << "/m/Song.Mp3" << 2;
    QTest::newRow("disabled later plug-in is passed over") << mp3Twice << "110"
                                                           << "/m/song.mp3" << 0;
    QTest::newRow("only ogg plug-in disabled") << mp3Twice << "101"
                                               << "/m/track.ogg" << -1;
    QTest::newRow("upper-case file") << mp3Twice << "111"
                                     << "/m/TRACK.OGG" << 1;
    QTest::newRow("plain substring test") << mp3Twice << "110"
                                          << "/m/a.mp" << 0;
    QTest::newRow("unknown type") << mp3Twice << "111"
                                  << "/m/a.flac" << -1;
    QTest::newRow("no extension matches every enabled row") << mp3Twice << "110"
                                                            << "/m/README" << 1;
    QTest::newRow("dot in a folder name is no extension") << mp3Twice << "011"
                                                          << "/m/v1.ogg/README" << 2;
    QTest::newRow("last dot counts") << mp3Twice << "111"
                                     << "/m/a.ogg.wav" << 2;
}

void TestPlugInHost::choosePlugIn() {
    QFETCH(QStringList, types);
    QFETCH(QString, plugCheck);
    QFETCH(QString, path);
    QFETCH(int, row);
    PlugInFolder folder;
    for (int i = 0; i < types.size(); ++i)
        folder.add(QStringLiteral("IB_%1.so").arg(i), {"filetypes=" + types[i]});
    TPlugInHost host(folder.options());
    std::string check = plugCheck.toStdString();
    host.EnumeratePlugIns(check);
    QCOMPARE(host.ChoosePlugIn(path.toStdString()).value_or(-1), row);
}

void TestPlugInHost::samePlugInWhilePlayingOnlyLoadsAndPlays() {
    PlugInFolder folder;
    folder.add("IB_a.so", {"filetypes=*.mp3"});
    folder.add("IB_b.so", {"filetypes=*.ogg"});
    TPlugInHost host(folder.options());
    std::string check;
    host.EnumeratePlugIns(check);

    // First track: nothing plays yet, so the host switches even to the current row.
    host.SwitchPlugIn(host.ChoosePlugIn("/m/1.mp3").value_or(-1), false);
    host.LoadFile("/m/1.mp3");
    host.Play(0);
    folder.clear();

    host.SwitchPlugIn(host.ChoosePlugIn("/m/2.mp3").value_or(-1), true);
    host.LoadFile("/m/2.mp3");
    host.Play(5000);
    QCOMPARE(folder.calls(), (QStringList{"IB_a.so: LoadFile(/m/2.mp3)", "IB_a.so: Play(5000)"}));
}

void TestPlugInHost::switchingClosesOldAndStartsNew_data() {
    QTest::addColumn<bool>("directSound");
    QTest::addColumn<int>("volume");
    QTest::addColumn<int>("stopTime");
    QTest::addColumn<int>("mode");
    QTest::newRow("sound server") << true << 255 << 1000 << 0;
    QTest::newRow("alsa") << false << 40 << 0 << 1;
}

void TestPlugInHost::switchingClosesOldAndStartsNew() {
    QFETCH(bool, directSound);
    QFETCH(int, volume);
    QFETCH(int, stopTime);
    QFETCH(int, mode);
    PlugInFolder folder;
    folder.add("IB_a.so", {"filetypes=*.mp3"});
    folder.add("IB_b.so", {"filetypes=*.ogg"});
    TPlugInHost host(folder.options());
    std::string check;
    host.EnumeratePlugIns(check);
    QStringList shown;
    host.ActualPlugInChanged = [&](const std::string& name) { shown << QString::fromStdString(name); };
    host.SwitchPlugIn(0, false);
    host.LoadFile("/m/1.mp3");
    host.Play(0);
    host.options().DirectSound = directSound;
    host.options().PlayVolume = volume;
    host.options().StopTime = stopTime;
    folder.clear();

    host.SwitchPlugIn(host.ChoosePlugIn("/m/2.ogg").value_or(-1), true);
    host.LoadFile("/m/2.ogg");
    host.Play(3000);
    const QStringList expected{
        QStringLiteral("IB_a.so: Stop(%1)").arg(stopTime),
        "IB_a.so: ClosePlugIn()",
        "IB_b.so: StartPlugIn(0,4242)",
        QStringLiteral("IB_b.so: SetOutputMode(%1)").arg(mode),
        QStringLiteral("IB_b.so: SetVolume(%1)").arg(volume),
        "IB_b.so: LoadFile(/m/2.ogg)",
        "IB_b.so: Play(3000)",
    };
    QCOMPARE(folder.calls(), expected);
    QCOMPARE(host.CurrentPlugInIndex(), 1);
    QCOMPARE(shown, (QStringList{"IB_a.so", "IB_b.so"}));
    QCOMPARE(host.PlaybackPlugInName(), std::string("IB_b.so"));
}

void TestPlugInHost::findDecodingPlugIn_data() {
    QTest::addColumn<QString>("extension");
    QTest::addColumn<int>("position");
    QTest::newRow("lower case") << ".ogg" << 0;
    QTest::newRow("upper case finds the lower-case type") << ".MP3" << 1;
    QTest::newRow("later entry wins") << ".wav" << 1;
    QTest::newRow("unknown") << ".flac" << -1;
    QTest::newRow("no dot is still a substring") << "mp2" << 1;
}

void TestPlugInHost::findDecodingPlugIn() {
    QFETCH(QString, extension);
    QFETCH(int, position);
    PlugInFolder folder;
    folder.add("IB_a.so", {"filetypes=*.OGG;*.wav", "decoding=1"});
    folder.add("IB_b.so", {"filetypes=*.mp3;*.mp2;*.wav", "decoding=1"});
    folder.add("IB_c.so", {"filetypes=*.flac"});
    TPlugInHost host(folder.options());
    std::string check = "000"; // the decoding list ignores the enabled flags
    host.EnumeratePlugIns(check);
    QCOMPARE(host.FindDecodingPlugIn(extension.toStdString()), position);
}

void TestPlugInHost::decodeBindingPairsStartAndClose() {
    PlugInFolder folder;
    folder.add("IB_a.so", {"filetypes=*.mp3", "decoding=1", "decodepos=42"});
    folder.add("IB_b.so", {"filetypes=*.ogg", "decoding=1"});
    TPlugInHost host(folder.options());
    std::string check;
    host.EnumeratePlugIns(check);
    host.SwitchPlugIn(1, false); // IB_b.so plays
    folder.clear();

    // The playback library decodes: no second start, no close.
    QVERIFY(host.LoadDecodingPlugIn("IB_b.so"));
    QCOMPARE(host.DecodingPlugInName(), std::string("IB_b.so"));
    host.StartDecodingPlugIn();
    host.DecodeFile("/m/x.ogg", "/out");
    host.UnloadDecodingPlugIn();
    QVERIFY(host.DecodingPlugInName().empty());
    QCOMPARE(folder.calls(), (QStringList{"IB_b.so: decodefile(/m/x.ogg,/out)"}));
    QVERIFY(host.PlugInReady());
    folder.clear();

    // A separate library is started and closed once.
    QVERIFY(host.LoadDecodingPlugIn("IB_a.so"));
    host.StartDecodingPlugIn();
    host.DecodeFile("/m/y.mp3", "/out");
    QCOMPARE(host.GetDecodePos(), 42);
    host.CancelDecode();
    host.UnloadDecodingPlugIn();
    QCOMPARE(folder.calls(),
             (QStringList{"IB_a.so: StartPlugIn(0,4242)", "IB_a.so: decodefile(/m/y.mp3,/out)",
                          "IB_a.so: GetDecodePos()", "IB_a.so: canceldecode()", "IB_a.so: ClosePlugIn()"}));
    // The playback plug-in was not touched.
    host.Play(0);
    QCOMPARE(folder.calls().last(), QStringLiteral("IB_b.so: Play(0)"));
}

void TestPlugInHost::decodingLibraryLaterSelectedForPlayback() {
    PlugInFolder folder;
    folder.add("IB_a.so", {"filetypes=*.mp3", "decoding=1"});
    folder.add("IB_b.so", {"filetypes=*.ogg"});
    TPlugInHost host(folder.options());
    std::string check;
    host.EnumeratePlugIns(check); // IB_b.so is bound
    folder.clear();

    QVERIFY(host.LoadDecodingPlugIn("IB_a.so"));
    host.StartDecodingPlugIn();
    host.SwitchPlugIn(0, false); // playback moves to the decoding library: no second start
    host.SwitchPlugIn(1, false); // and away from it: no close while it decodes
    host.UnloadDecodingPlugIn(); // the decode job ends: now it is closed
    const QStringList aCalls = folder.calls().filter(QRegularExpression("IB_a.so: (Start|Close)"));
    QCOMPARE(aCalls, (QStringList{"IB_a.so: StartPlugIn(0,4242)", "IB_a.so: ClosePlugIn()"}));
    QCOMPARE(folder.calls().last(), QStringLiteral("IB_a.so: ClosePlugIn()"));
}

void TestPlugInHost::decodeBindingOfBrokenLibrary() {
    PlugInFolder folder;
    folder.add("IB_a.so", {"filetypes=*.mp3"});
    TPlugInHost host(folder.options());
    QVERIFY(!host.LoadDecodingPlugIn("IB_missing.so"));
    host.StartDecodingPlugIn();
    host.DecodeFile("/m/x.mp3", "/out");
    QCOMPARE(host.GetDecodePos(), 100); // a missing library never looks busy forever
    host.CancelDecode();
    host.UnloadDecodingPlugIn();
    QVERIFY(host.DecodingPlugInName().empty());
    QVERIFY(folder.calls().isEmpty());
}

QTEST_GUILESS_MAIN(TestPlugInHost)
#include "tst_pluginhost.moc"
