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
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("enqueue");
    QTest::addColumn<QStringList>("paths"); // relative to the test folder
    QTest::addColumn<QStringList>("missing");
    QTest::newRow("nothing") << QStringList{} << int(Action::Run) << false << QStringList{} << QStringList{};
    QTest::newRow("files and a folder in order")
        << QStringList{"b.ogg", "album", "a.mp3"} << int(Action::Run) << false
        << QStringList{"b.ogg", "album", "a.mp3"} << QStringList{};
    QTest::newRow("enqueue anywhere") << QStringList{"a.mp3", "--enqueue"} << int(Action::Run) << true
                                      << QStringList{"a.mp3"} << QStringList{};
    QTest::newRow("missing paths are set apart") << QStringList{"gone.mp3", "a.mp3"} << int(Action::Run)
                                                 << false << QStringList{"a.mp3"} << QStringList{"gone.mp3"};
    QTest::newRow("a file address") << QStringList{"file://%1/a.mp3"} << int(Action::Run) << false
                                    << QStringList{"a.mp3"} << QStringList{};
    QTest::newRow("a name that looks like an option")
        << QStringList{"--", "-x.mp3"} << int(Action::Run) << false << QStringList{"-x.mp3"} << QStringList{};
    QTest::newRow("help") << QStringList{"a.mp3", "--help"} << int(Action::Help) << false << QStringList{}
                          << QStringList{};
    QTest::newRow("version") << QStringList{"--version"} << int(Action::Version) << false << QStringList{}
                             << QStringList{};
    QTest::newRow("unknown option") << QStringList{"--shuffle"} << int(Action::Error) << false
                                    << QStringList{} << QStringList{};
}

void TestCommandLine::parse() {
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(bool, enqueue);
    QFETCH(QStringList, paths);
    QFETCH(QStringList, missing);
    QTemporaryDir dir;
    QDir d(dir.path());
    QVERIFY(d.mkdir("album"));
    for (const char* name : {"a.mp3", "b.ogg", "-x.mp3"})
        QVERIFY(QFile(d.filePath(name)).open(QIODevice::WriteOnly));
    for (QString& a : arguments)
        a.replace("%1", dir.path());

    const LaunchRequest r = ParseCommandLine(arguments, dir.path());
    QCOMPARE(int(r.action), action);
    if (r.action != Action::Run) {
        QVERIFY(!r.message.isEmpty()); // printed; nothing is started
        return;
    }
    QCOMPARE(r.enqueue, enqueue);
    QStringList absolute;
    for (const QString& p : paths)
        absolute << d.filePath(p);
    QCOMPARE(r.paths, absolute);
    QCOMPARE(r.missing, missing);
}

// The sound output is chosen by an environment variable only; --help is where a user learns its name
// and values.
void TestCommandLine::helpTellsHowToChooseTheAudioOutput() {
    const LaunchRequest r = ParseCommandLine({"--help"}, QDir::currentPath());
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
    r.paths = {QStringLiteral("/m/Ä b.mp3"), QStringLiteral("/m/x.ogg")};
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
    r.paths = {dir.filePath("a.mp3")};
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
