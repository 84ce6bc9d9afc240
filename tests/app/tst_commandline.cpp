// The command line and handing a start's request to the running instance.
#include "CommandLine.h"
#include "SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace larkspin;
using Action = LaunchRequest::Action;

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void helpTellsHowToChooseTheAudioOutput();
    void requestSurvivesTheSocketAndDamageIsRefused();
    void laterStartReachesTheRunningOne();
    void socketLiesInAPrivateFolder();
    void staleSocketOfACrashedRunIsReplaced();
};

void TestCommandLine::parse_data() {
    QTest::addColumn<QByteArrayList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("enqueue");
    QTest::addColumn<QByteArrayList>("paths"); // relative to the test folder
    QTest::addColumn<QByteArrayList>("missing");
    using L = QByteArrayList;
    QTest::newRow("nothing") << L{} << int(Action::Run) << false << L{} << L{};
    QTest::newRow("files and a folder in order")
        << L{"b.ogg", "album", "a.mp3"} << int(Action::Run) << false << L{"b.ogg", "album", "a.mp3"} << L{};
    QTest::newRow("a folder with a slash, and dots")
        << L{"album/", "./album/../b.ogg"} << int(Action::Run) << false << L{"album", "b.ogg"} << L{};
    QTest::newRow("enqueue anywhere")
        << L{"a.mp3", "--enqueue"} << int(Action::Run) << true << L{"a.mp3"} << L{};
    QTest::newRow("missing paths are set apart")
        << L{"gone.mp3", "a.mp3"} << int(Action::Run) << false << L{"a.mp3"} << L{"gone.mp3"};
    QTest::newRow("a file address") << L{"file://%1/a.mp3"} << int(Action::Run) << false << L{"a.mp3"} << L{};
    // Linux file names are bytes: a name that is no UTF-8 is found and kept as it is.
    QTest::newRow("a name that is no UTF-8") << L{"bad\xff.wav", "file://%1/bad%FF.wav"} << int(Action::Run)
                                             << false << L{"bad\xff.wav", "bad\xff.wav"} << L{};
    QTest::newRow("a name that looks like an option")
        << L{"--", "-x.mp3"} << int(Action::Run) << false << L{"-x.mp3"} << L{};
    QTest::newRow("help") << L{"a.mp3", "--help"} << int(Action::Help) << false << L{} << L{};
    QTest::newRow("version") << L{"--version"} << int(Action::Version) << false << L{} << L{};
    QTest::newRow("unknown option") << L{"--shuffle"} << int(Action::Error) << false << L{} << L{};
}

void TestCommandLine::parse() {
    QFETCH(QByteArrayList, arguments);
    QFETCH(int, action);
    QFETCH(bool, enqueue);
    QFETCH(QByteArrayList, paths);
    QFETCH(QByteArrayList, missing);
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    QVERIFY(QDir(dir.path()).mkdir("album"));
    // QTemporaryDir would miss a name that is no UTF-8: it goes by hand.
    const auto removeBadName = qScopeGuard([&] { ::unlink((folder + "/bad\xff.wav").constData()); });
    for (const char* name : {"a.mp3", "b.ogg", "-x.mp3", "bad\xff.wav"}) {
        const int fd = ::open((folder + '/' + name).constData(), O_CREAT | O_WRONLY, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
    }
    for (QByteArray& a : arguments)
        a.replace("%1", folder);

    const LaunchRequest r = ParseCommandLine(arguments, folder);
    QCOMPARE(int(r.action), action);
    if (r.action != Action::Run) {
        QVERIFY(!r.message.isEmpty()); // printed; nothing is started
        return;
    }
    QCOMPARE(r.enqueue, enqueue);
    QByteArrayList absolute;
    for (const QByteArray& p : paths)
        absolute << folder + '/' + p;
    QCOMPARE(r.paths, absolute);
    QCOMPARE(r.missing, missing);
}

// The sound output is chosen by an environment variable only; --help is where a user learns its name
// and values.
void TestCommandLine::helpTellsHowToChooseTheAudioOutput() {
    const LaunchRequest r = ParseCommandLine({"--help"}, QFile::encodeName(QDir::currentPath()));
    QCOMPARE(int(r.action), int(Action::Help));
    QVERIFY2(r.message.contains("LARKSPIN_AUDIO_DRIVER"), qPrintable(r.message));
    for (const char* driver : {"pulseaudio", "pipewire", "alsa", "dummy", "disk", "SDL_DISKAUDIOFILE"})
        QVERIFY2(r.message.contains(QLatin1String(driver)), driver);
    for (const QString& line : r.message.split('\n'))
        QVERIFY2(line.size() <= 100, qPrintable(line)); // fits a terminal
}

void TestCommandLine::requestSurvivesTheSocketAndDamageIsRefused() {
    LaunchRequest r;
    r.enqueue = true;
    r.paths = {QByteArray("/m/Ä b.mp3"), QByteArray("/m/x.ogg"), QByteArray("/m/bad\xff%41.wav")};
    const LaunchRequest back = DecodeLaunchRequest(EncodeLaunchRequest(r));
    QCOMPARE(back.enqueue, true);
    QCOMPARE(back.paths, r.paths);
    for (const QByteArray& damaged :
         {QByteArray("{\"paths\":[\"relative.mp3\", 7]}"), QByteArray("\xff\xfe"), QByteArray()}) {
        const LaunchRequest d = DecodeLaunchRequest(damaged);
        QVERIFY(d.paths.isEmpty());
        QVERIFY(!d.enqueue);
    }
}

void TestCommandLine::laterStartReachesTheRunningOne() {
    QTemporaryDir dir;
    SingleInstance running(dir.path().toStdString());
    QVERIFY(running.Listen());
    QSignalSpy received(&running, &SingleInstance::requestReceived);

    // The later start blocks while it waits for the answer, so it runs on a thread of its own here.
    LaunchRequest r;
    r.paths = {QFile::encodeName(dir.filePath("a.mp3"))};
    bool taken = false;
    std::unique_ptr<QThread> later(QThread::create([&] {
        SingleInstance second(dir.path().toStdString());
        taken = second.HandToRunning(r);
    }));
    later->start();
    QTRY_VERIFY_WITH_TIMEOUT(later->isFinished(), 10000);
    QVERIFY(taken);
    QCOMPARE(received.count(), 1);
    QCOMPARE(received.at(0).at(0).value<LaunchRequest>().paths, r.paths);

    // Another program folder is another player.
    QTemporaryDir other;
    SingleInstance elsewhere(other.path().toStdString());
    QVERIFY(elsewhere.ServerName() != running.ServerName());
    QVERIFY(!elsewhere.HandToRunning(r));
}

void TestCommandLine::socketLiesInAPrivateFolder() {
    QTemporaryDir program;
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir runtime;
    // A private runtime folder is used; one others can enter is not, nor none at all.
    for (const QFileDevice::Permissions mode :
         {QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner,
          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther |
              QFileDevice::ExeOther}) {
        QVERIFY(QFile::setPermissions(runtime.path(), mode));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        SingleInstance instance(program.path().toStdString());
        const QString folder = QFileInfo(instance.ServerName()).path();
        QCOMPARE(folder == runtime.path(), !(mode & QFileDevice::ReadOther));
        struct stat st {};
        QVERIFY(::stat(QFile::encodeName(folder).constData(), &st) == 0);
        QCOMPARE(st.st_uid, ::getuid());
        QCOMPARE(st.st_mode & 077, 0u);
    }
    if (savedRuntime.isEmpty())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", savedRuntime);
}

void TestCommandLine::staleSocketOfACrashedRunIsReplaced() {
    QTemporaryDir dir;
    SingleInstance instance(dir.path().toStdString());
    // A crashed run leaves its socket file behind with nobody listening.
    const QString path = instance.ServerName();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, path.toLocal8Bit().constData(), sizeof address.sun_path);
    QVERIFY(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
    ::close(fd);
    QVERIFY(QFile::exists(path));

    QVERIFY(!instance.HandToRunning(LaunchRequest{}));
    QVERIFY(instance.Listen());
    QSignalSpy received(&instance, &SingleInstance::requestReceived);
    bool taken = false;
    std::unique_ptr<QThread> later(QThread::create([&] {
        SingleInstance second(dir.path().toStdString());
        taken = second.HandToRunning(LaunchRequest{});
    }));
    later->start();
    QTRY_VERIFY_WITH_TIMEOUT(later->isFinished(), 10000);
    QVERIFY(taken);
    QCOMPARE(received.count(), 1);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
