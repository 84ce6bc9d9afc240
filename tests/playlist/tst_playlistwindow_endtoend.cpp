// The shipped program plays a list: the built larkspin executable starts offscreen in a fresh program
// folder whose temporary playlist holds three generated tracks, plays the first one at once
// (AutomaticPlay) through the real WAV plug-in into SDL's disk driver, and writes the list back
// unchanged when it is ended by SIGTERM.
#include "../plugins/CaptureAnalysis.h"
#include "PlaylistEntry.h"
#include "PlaylistFiles.h"
#include "TrackInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace larkspin;

class TestPlaylistEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void playsTheRememberedListAndKeepsIt();
};

void TestPlaylistEndToEnd::playsTheRememberedListAndKeepsIt() {
    const QString plugIn = QStringLiteral(LARKSPIN_BUILD_DIR "/PlugIn/Decoder/IB_sndfile.so");
    QVERIFY2(QFile::exists(plugIn), "build the WAV decoder plug-in first");
    if (QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty())
        QSKIP("sox is needed to generate the tracks");

    QTemporaryDir dir;
    QDir folder(dir.path());
    QVERIFY(folder.mkpath(QStringLiteral("PlugIn/Decoder")));
    QVERIFY(folder.mkpath(QStringLiteral("Temporary Playlist")));
    QVERIFY(QFile::copy(QStringLiteral(LARKSPIN_BUILD_DIR "/larkspin"), folder.filePath("larkspin")));
    QVERIFY(QFile::copy(plugIn, folder.filePath("PlugIn/Decoder/IB_sndfile.so")));
    const QString capture = folder.filePath("capture.raw");
    {
        QFile ini(folder.filePath("PlugIn/Decoder/IB_sndfile.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[Output]\nDriver=disk\nDiskFile=%1\n").arg(capture).toUtf8());
    }
    {
        QFile ini(folder.filePath("larkspin.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Prog]\nFirststart=0\n[Audio]\nPlayFade=0\nCrossfading=0\n"
                  "[StartUp]\nRememberPlaylist=1\nAutomaticPlay=1\nPlaylistWindowShow=1\n"
                  "[Player]\nPlayVolume=100\n");
    }

    // Three tracks of their own tones; the first one sounds.
    std::vector<PlaylistEntry> entries;
    const std::pair<const char*, int> tracks[] = {
        {"One - First.wav", 440}, {"Two - Second.wav", 660}, {"Three - Third.wav", 880}};
    for (const auto& [name, frequency] : tracks) {
        const QString path = folder.filePath(QString::fromUtf8(name));
        QCOMPARE(QProcess::execute(QStringLiteral("sox"),
                                   {"-n", "-r", "44100", "-c", "2", "-b", "16", path, "synth", "8", "sine",
                                    QString::number(frequency), "vol", "0.5"}),
                 0);
        TrackRecord record;
        FillTrackItem(path.toStdString(), record, true);
        entries.emplace_back(record);
    }
    const QString temp = folder.filePath("Temporary Playlist/Temp.te3");
    QVERIFY(SaveTe3Playlist(temp.toStdString(), entries).ok);
    QFile original(temp);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();
    QCOMPARE(before.size(), 3 * 751);

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", dir.path());
    env.insert("XDG_DATA_HOME", folder.filePath("share"));
    env.remove("LARKSPIN_AUDIO_DRIVER");
    env.remove("SDL_DISKAUDIOFILE");
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(folder.filePath("larkspin"), {});
    QVERIFY(program.waitForStarted(10000));

    // Two seconds of output: the disk driver writes float32 stereo in real time.
    const qint64 twoSeconds = 2LL * capture::Rate * 2 * qint64(sizeof(float));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(capture).size() >= twoSeconds, 30000);
    QCOMPARE(program.state(), QProcess::Running);

    const capture::Levels levels = capture::levelsOf(capture);
    QVERIFY(!levels.a.empty());
    const double first = *std::max_element(levels.a.begin(), levels.a.end());
    const double second = *std::max_element(levels.c.begin(), levels.c.end());
    const double third = *std::max_element(levels.b.begin(), levels.b.end());
    QVERIFY2(first > 0.1 * capture::Full, qPrintable(QString("440 Hz at %1").arg(first)));
    QVERIFY2(second < first / 10 && third < first / 10,
             qPrintable(QString("440 Hz %1, 660 Hz %2, 880 Hz %3").arg(first).arg(second).arg(third)));

    ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(20000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QFile after(temp);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), before);
}

QTEST_GUILESS_MAIN(TestPlaylistEndToEnd)
#include "tst_playlistwindow_endtoend.moc"
