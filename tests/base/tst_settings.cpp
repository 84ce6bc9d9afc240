#include "../TestFiles.h"
#include "PrivateProfile.h"
#include "ProgramFolder.h"
#include "Settings.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <regex>

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

using namespace larkspin;

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void missingFileGivesDefaultsAndFirstWriteCreatesAllSections();
    void oddValues_data();
    void oddValues();
    void pauseTimeIsNeverReadAndWrittenAsZero();
    void outputFolder_data();
    void outputFolder();
    void chooseOutputFolder_data();
    void chooseOutputFolder();
    void roundTripKeepsEveryValue();
    void failedSaveKeepsTheWholeOldFile();
    void saveReplacesTheFileOnceAndKeepsForeignLines();
};

namespace {

// Counts how often a file name in a folder gets a new file: created or renamed into place.
class ReplacementCounter {
public:
    ReplacementCounter(const QString& folder, const QString& name) : name_(name.toStdString()) {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd_ >= 0)
            inotify_add_watch(fd_, folder.toLocal8Bit().constData(), IN_CREATE | IN_MOVED_TO);
    }
    ~ReplacementCounter() {
        if (fd_ >= 0)
            close(fd_);
    }
    bool valid() const { return fd_ >= 0; }
    // The events so far; inotify queues them before the writing call returns.
    int count() {
        alignas(inotify_event) char buffer[64 * 1024];
        for (;;) {
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            if (n <= 0)
                return count_;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->len > 0 && name_ == event->name)
                    ++count_;
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    std::string name_;
    int fd_ = -1;
    int count_ = 0;
};

} // namespace

void TestSettings::missingFileGivesDefaultsAndFirstWriteCreatesAllSections() {
    QTemporaryDir dir;
    QString path = dir.filePath("larkspin.ini");
    PrivateProfile file(path.toStdString());
    Settings s;
    s.CrossTime = 1; // must be replaced by the default
    ReadSettings(file, "/opt/prog", s);
    QCOMPARE(s.CrossTime, 5000);
    QCOMPARE(s.Temp, std::string("/opt/prog/"));
    QCOMPARE(s.PlayVolume, 255);
    QCOMPARE(s.SkinName, std::string("VezAdev"));
    QCOMPARE(s.CDDBPort, std::string("80"));
    QCOMPARE(s.Row4, 11);
    QVERIFY(s.Firststart && s.ListDockedBottom && s.StationDockedRight && !s.ListDockedTop);
    QCOMPARE(s.filelist_height, 129);

    WriteSettings(file, s);
    std::string text = readAll(path);
    std::vector<std::string> sections;
    std::regex header(R"(^\[([^\]]+)\]$)", std::regex::multiline);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), header); it != std::sregex_iterator(); ++it)
        sections.push_back((*it)[1]);
    std::vector<std::string> expected = {"Prog",      "Audio",     "CDRipper", "StartUp",
                                         "Player",    "Playlist",  "AddFiles", "Windows",
                                         "FileInfos", "Organizer", "CDAudio",  "Loudness"};
    QCOMPARE(sections, expected);
    QVERIFY(text.rfind("[Prog]\nFirststart=1\n[Audio]\nPlayFontSize=8\n", 0) == 0);
}

void TestSettings::oddValues_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("8-bit SpeedIdx keeps the low byte") << "SpeedIdx=260"
                                                       << "CDRipper"
                                                       << "SpeedIdx"
                                                       << "4";
    QTest::newRow("8-bit Channel from hex") << "Channel=$103"
                                            << "CDRipper"
                                            << "Channel"
                                            << "3";
    QTest::newRow("8-bit EncIdx negative") << "EncIdx=-1"
                                           << "CDRipper"
                                           << "EncIdx"
                                           << "255";
    QTest::newRow("letters give the default") << "CrossTime=abc"
                                              << "Audio"
                                              << "CrossTime"
                                              << "5000";
    QTest::newRow("hex integer") << "CrossTime=0x1F4"
                                 << "Audio"
                                 << "CrossTime"
                                 << "500";
    QTest::newRow("any non-zero is true") << "DirectSound=2"
                                          << "Audio"
                                          << "DirectSound"
                                          << "1";
    QTest::newRow("zero is false") << "DirectSound=0"
                                   << "Audio"
                                   << "DirectSound"
                                   << "0";
    QTest::newRow("malformed boolean gives default") << "StopFade=yes"
                                                     << "Audio"
                                                     << "StopFade"
                                                     << "1";
    QTest::newRow("text as it stands") << "SkinName=Night Sky"
                                       << "StartUp"
                                       << "SkinName"
                                       << "Night Sky";
    QTest::newRow("empty text is a value") << "CDDBServer="
                                           << "CDRipper"
                                           << "CDDBServer"
                                           << "";
    // Out of range: numbers are clamped, list positions outside their list take the default.
    QTest::newRow("volume of 900 clamped") << "PlayVolume=900"
                                           << "Player"
                                           << "PlayVolume"
                                           << "255";
    QTest::newRow("negative volume clamped") << "PlayVolume=-4"
                                             << "Player"
                                             << "PlayVolume"
                                             << "0";
    QTest::newRow("negative window width clamped") << "ListWidth=-5"
                                                   << "Windows"
                                                   << "ListWidth"
                                                   << "0";
    QTest::newRow("negative column width clamped") << "ArtistWidth=-40"
                                                   << "Playlist"
                                                   << "ArtistWidth"
                                                   << "8";
    QTest::newRow("font size 0 clamped") << "PlayFontSize=0"
                                         << "Audio"
                                         << "PlayFontSize"
                                         << "1";
    QTest::newRow("font size 500 clamped") << "PlayFontSize=500"
                                           << "Audio"
                                           << "PlayFontSize"
                                           << "99";
    QTest::newRow("negative crossfade clamped") << "CrossTime=-100"
                                                << "Audio"
                                                << "CrossTime"
                                                << "0";
    QTest::newRow("endless crossfade clamped") << "CrossTime=99999999"
                                               << "Audio"
                                               << "CrossTime"
                                               << "600000";
    QTest::newRow("column beyond <none> gives default") << "Row4=12"
                                                        << "Playlist"
                                                        << "Row4"
                                                        << "11";
    QTest::newRow("<none> is no field for column 1") << "Row1=11"
                                                     << "Playlist"
                                                     << "Row1"
                                                     << "0";
    QTest::newRow("arrow colour beyond the list") << "IconIndex=9"
                                                  << "Playlist"
                                                  << "IconIndex"
                                                  << "0";
    QTest::newRow("rip speed beyond the list") << "SpeedIdx=7"
                                               << "CDRipper"
                                               << "SpeedIdx"
                                               << "0";
}

static std::string valueOf(const Settings& s, const QString& key) {
    if (key == "SpeedIdx")
        return std::to_string(s.SpeedIdx);
    if (key == "Channel")
        return std::to_string(s.Channel);
    if (key == "EncIdx")
        return std::to_string(s.EncIdx);
    if (key == "CrossTime")
        return std::to_string(s.CrossTime);
    if (key == "DirectSound")
        return s.DirectSound ? "1" : "0";
    if (key == "StopFade")
        return s.StopFade ? "1" : "0";
    if (key == "SkinName")
        return s.SkinName;
    if (key == "CDDBServer")
        return s.CDDBServer;
    for (auto [name, value] : {std::pair{"PlayVolume", s.PlayVolume},
                               {"ListWidth", s.ListWidth},
                               {"ArtistWidth", s.ArtistWidth},
                               {"PlayFontSize", s.PlayFontSize},
                               {"Row4", s.Row4},
                               {"Row1", s.Row1},
                               {"IconIndex", s.IconIndex}})
        if (key == name)
            return std::to_string(value);
    return "?";
}

void TestSettings::oddValues() {
    QFETCH(QString, line);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QString path = dir.filePath("larkspin.ini");
    writeAll(path, QString("[%1]\n%2\n").arg(section, line).toStdString());
    Settings s;
    ReadSettings(PrivateProfile(path.toStdString()), "/p", s);
    QCOMPARE(QString::fromStdString(valueOf(s, key)), expected);
}

void TestSettings::pauseTimeIsNeverReadAndWrittenAsZero() {
    QTemporaryDir dir;
    QString path = dir.filePath("larkspin.ini");
    writeAll(path, "[Audio]\nPauseTime=250\n");
    PrivateProfile file(path.toStdString());
    Settings s;
    ReadSettings(file, "/p", s);
    QCOMPARE(s.PauseTime, 0);
    WriteSettings(file, s);
    QCOMPARE(PrivateProfile(path.toStdString()).readInteger("Audio", "PauseTime", -1), 0);
}

// Ripped and encoded files go to the user's music folder unless another was chosen; the folders output
// used to go to by default (the program folder, its "Temporary Playlist") count as not chosen.
void TestSettings::outputFolder_data() {
    QTest::addColumn<QString>("stored"); // the [CDRipper] Temp line, or empty for none
    QTest::addColumn<QString>("outputFolder");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first start") << ""
                                 << "/home/u/Music/"
                                 << "/home/u/Music/";
    QTest::newRow("chosen folder kept") << "Temp=/srv/rips/"
                                        << "/home/u/Music/"
                                        << "/srv/rips/";
    QTest::newRow("old default moved") << "Temp=/p/"
                                       << "/home/u/Music/"
                                       << "/home/u/Music/";
    QTest::newRow("temporary playlist folder moved") << "Temp=/p/Temporary Playlist/"
                                                     << "/home/u/Music/"
                                                     << "/home/u/Music/";
    QTest::newRow("empty value") << "Temp="
                                 << "/home/u/Music/"
                                 << "/home/u/Music/";
    QTest::newRow("no output folder given") << ""
                                            << ""
                                            << "/p/";
}

void TestSettings::outputFolder() {
    QFETCH(QString, stored);
    QFETCH(QString, outputFolder);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QString path = dir.filePath("larkspin.ini");
    writeAll(path, QString("[CDRipper]\n%1\n").arg(stored).toStdString());
    Settings s;
    ReadSettings(PrivateProfile(path.toStdString()), "/p", s, outputFolder.toStdString());
    QCOMPARE(QString::fromStdString(s.Temp), expected);
}

void TestSettings::chooseOutputFolder_data() {
    QTest::addColumn<QString>("music"); // below a scratch folder holding "Music/" and "home/"
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("expected");
    QTest::newRow("music folder") << "Music"
                                  << "home"
                                  << "Music/";
    QTest::newRow("music folder with slash") << "Music/"
                                             << "home"
                                             << "Music/";
    QTest::newRow("no music folder: home") << "Musik"
                                           << "home"
                                           << "home/";
    QTest::newRow("a file is no folder") << "file.mp3"
                                         << "home"
                                         << "home/";
    QTest::newRow("nothing there: root") << "gone"
                                         << "gone too"
                                         << "/";
}

void TestSettings::chooseOutputFolder() {
    QFETCH(QString, music);
    QFETCH(QString, home);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("Music") && QDir(dir.path()).mkpath("home"));
    writeAll(dir.filePath("file.mp3"), "x");
    const QString root = dir.path() + "/";
    const std::string chosen = ChooseOutputFolder((root + music).toStdString(), (root + home).toStdString());
    QCOMPARE(QString::fromStdString(chosen), expected == "/" ? expected : root + expected);
    QCOMPARE(ChooseOutputFolder("Music", ""), std::string("/")); // relative folders are not taken
}

void TestSettings::roundTripKeepsEveryValue() {
    QTemporaryDir dir;
    QString path = dir.filePath("larkspin.ini");
    Settings s;
    s.Firststart = false;
    s.CrossTime = 7300;
    s.PlugCheck = "101";
    s.SpeedIdx = 5;
    s.Temp = "/home/me/Musik/Ärger/";
    s.SelPlaylistName = "/home/me/list.te3";
    s.ShufflePlay = true;
    s.PlayVolume = 64;
    s.Row10 = 10;
    s.MainPosLeft = -20;
    s.StationHeight = 900;
    s.filelist_height = 200;
    s.VirtualDrives = "/a.cue;/b.cue";
    {
        PrivateProfile file(path.toStdString());
        WriteSettings(file, s);
    }
    Settings back;
    ReadSettings(PrivateProfile(path.toStdString()), "/p", back);
    QCOMPARE(back.Firststart, false);
    QCOMPARE(back.CrossTime, 7300);
    QCOMPARE(back.PlugCheck, std::string("101"));
    QCOMPARE(back.SpeedIdx, uint8_t(5));
    QCOMPARE(back.Temp, s.Temp);
    QCOMPARE(back.SelPlaylistName, s.SelPlaylistName);
    QCOMPARE(back.ShufflePlay, true);
    QCOMPARE(back.PlayVolume, 64);
    QCOMPARE(back.Row10, 10);
    QCOMPARE(back.MainPosLeft, -20);
    QCOMPARE(back.StationHeight, 900);
    QCOMPARE(back.filelist_height, 200);
    QCOMPARE(back.VirtualDrives, s.VirtualDrives);
}

void TestSettings::saveReplacesTheFileOnceAndKeepsForeignLines() {
    QTemporaryDir dir;
    const QString path = dir.filePath("larkspin.ini");
    const std::string foreign = "; written by hand\n[Audio]\nCrossTime=100\nPlugIn=keep me\n\n[Mine]\nx=1\n";
    writeAll(path, foreign);
    PrivateProfile file(path.toStdString());
    Settings s;
    ReadSettings(file, "/p", s);
    QCOMPARE(s.CrossTime, 100);
    s.CrossTime = 4200;
    s.SkinName = "Other";
    ReplacementCounter replacements(dir.path(), "larkspin.ini");
    QVERIFY(replacements.valid());
    WriteSettings(file, s);
    QCOMPARE(replacements.count(), 1);
    WriteSettings(file, s);
    QCOMPARE(replacements.count(), 2);
    // A single key still reaches the file at once.
    file.writeInteger("Player", "PlayVolume", 12);
    QCOMPARE(replacements.count(), 3);

    const std::string text = readAll(path);
    QVERIFY(text.find("; written by hand\n[Audio]\nCrossTime=4200\nPlugIn=keep me\n") == 0);
    QVERIFY(text.find("\n[Mine]\nx=1\n") != std::string::npos);
    PrivateProfile back(path.toStdString());
    QCOMPARE(back.readString("StartUp", "SkinName", ""), std::string("Other"));
    QCOMPARE(back.readInteger("Player", "PlayVolume", 0), 12);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"larkspin.ini"});
}

void TestSettings::failedSaveKeepsTheWholeOldFile() {
    QTemporaryDir dir;
    QString path = dir.filePath("larkspin.ini");
    writeAll(path, "[Prog]\nFirststart=1\n");
    PrivateProfile file(path.toStdString());
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner)); // the file cannot be replaced
    Settings s;
    s.Firststart = false;
    QString message;
    try {
        WriteSettings(file, s);
    } catch (const EProfileWriteError& e) {
        message = e.what();
    }
    QVERIFY2(message.startsWith("Cannot write to " + path + ": "), qPrintable(message));
    QCOMPARE(readAll(path), std::string("[Prog]\nFirststart=1\n"));
    // The profile in memory is the file on disk, not the save that failed.
    QCOMPARE(file.readBool("Prog", "Firststart", false), true);
    QCOMPARE(file.readInteger("Audio", "CrossTime", -1), -1);
}

QTEST_APPLESS_MAIN(TestSettings)
#include "tst_settings.moc"
