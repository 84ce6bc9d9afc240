#include "CommandLine.h"
#include "Language.h"
#include "LarkspinApp.h"
#include "ProgramFolder.h"
#include "SingleInstance.h"
#include "UnixSignalWatcher.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace larkspin;

namespace {

// Placing windows and snapping them need a windowing system that lets programs place windows.
bool choosePlatform() {
    bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    if (wayland && x11)
        qputenv("QT_QPA_PLATFORM", "xcb");
    return x11 || wayland;
}

QString dataHome() {
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    return home.isEmpty() ? qEnvironmentVariable("HOME") + QStringLiteral("/.local/share") : home;
}

} // namespace

int main(int argc, char* argv[]) {
    QByteArrayList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QByteArray(argv[i]);
    std::error_code noFolder;
    const std::string here = std::filesystem::current_path(noFolder).string(); // bytes, as the system has it
    const LaunchRequest request = ParseCommandLine(arguments, QByteArray::fromStdString(here));
    switch (request.action) {
    case LaunchRequest::Action::Help:
    case LaunchRequest::Action::Version:
        std::fputs(request.message.toLocal8Bit().constData(), stdout);
        return EXIT_SUCCESS;
    case LaunchRequest::Action::Error:
        std::fputs(request.message.toLocal8Bit().constData(), stderr);
        return 2;
    case LaunchRequest::Action::Run:
        break;
    }
    if (!choosePlatform()) {
        std::fprintf(stderr,
                     "Larkspin needs a display (none found); without one, run it as: xvfb-run -a %s\n",
                     argv[0]);
        return EXIT_FAILURE;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Larkspin 3.0"));
    // Watch for termination signals from the start; one that arrives early waits in the pipe.
    UnixSignalWatcher signalWatcher;

    LarkspinApp larkspin(QCoreApplication::applicationFilePath(), dataHome());
    // Texts come in the chosen language from here on; the windows take theirs when they are built.
    InstallLanguage(ChosenLanguage(programFolder()));
    for (const QByteArray& missing : request.missing) {
        // The name goes out as the bytes it was given, whatever the locale makes of them.
        const QString text = QCoreApplication::translate("main", "larkspin: %1: no such file or folder\n");
        const qsizetype at = std::max<qsizetype>(text.indexOf(QLatin1String("%1")), 0);
        std::fputs(text.left(at).toLocal8Bit().constData(), stderr);
        std::fwrite(missing.constData(), 1, size_t(missing.size()), stderr);
        std::fputs(text.mid(at + 2).toLocal8Bit().constData(), stderr);
    }
    // One Larkspin per program folder: a later start hands its files over (the running one comes to the
    // front) and ends.
    SingleInstance instance(programFolder());
    switch (instance.ClaimOrHandOver(request)) {
    case SingleInstance::Claim::HandedOver:
        return EXIT_SUCCESS;
    case SingleInstance::Claim::NoAnswer:
        std::fputs(QCoreApplication::translate(
                       "main", "Larkspin already runs for %1 but does not answer; nothing was started.\n")
                       .arg(QString::fromStdString(programFolder()))
                       .toLocal8Bit()
                       .constData(),
                   stderr);
        return EXIT_FAILURE;
    case SingleInstance::Claim::Running:
        break;
    }

    QObject::connect(&larkspin, &LarkspinApp::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    larkspin.Start();
    larkspin.OfferMediaControls();
    larkspin.Open(request);
    QObject::connect(&instance, &SingleInstance::requestReceived, &larkspin,
                     [&larkspin](const LaunchRequest& r) {
                         larkspin.Open(r);
                         larkspin.Raise();
                     });
    QObject::connect(&signalWatcher, &UnixSignalWatcher::terminationRequested, &larkspin,
                     [&larkspin] { larkspin.ShutDown(LarkspinApp::Cause::Signal); });
    return app.exec();
}
