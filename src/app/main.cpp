#include "LarkspinApp.h"
#include "UnixSignalWatcher.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

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
    if (!choosePlatform()) {
        std::fprintf(stderr, "Larkspin needs a display (none found); without one, run it as: xvfb-run -a %s\n",
                     argv[0]);
        return EXIT_FAILURE;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Larkspin 3.0"));
    // Watch for termination signals from the start; one that arrives early waits in the pipe.
    UnixSignalWatcher signalWatcher;

    LarkspinApp larkspin(QCoreApplication::applicationFilePath(), dataHome());
    QObject::connect(&larkspin, &LarkspinApp::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    larkspin.Start();
    QObject::connect(&signalWatcher, &UnixSignalWatcher::terminationRequested, &larkspin,
                     [&larkspin] { larkspin.ShutDown(LarkspinApp::Cause::Signal); });
    return app.exec();
}
