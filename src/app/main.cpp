#include "TGetCDForm.h"
#include "THauptform.h"
#include "TPlaylistForm.h"
#include "TPlugInForm.h"
#include "TStationForm.h"
#include "Taddfilesform.h"
#include "Taddurlform.h"
#include "Thintform.h"
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

    // The eight windows of the program, created once, in this order, living until the process ends.
    THauptform hauptform(QCoreApplication::applicationFilePath());
    TPlaylistForm playlistForm;
    TPlugInForm plugInForm(&hauptform);
    TStationForm stationForm;
    Taddfilesform addFilesForm;
    Taddurlform addUrlForm;
    TGetCDForm getCdForm;
    Thintform hintForm;
    hauptform.setCompanions(&playlistForm, &stationForm);
    hauptform.setPlugInHost(&plugInForm.plugInHost());

    QObject::connect(&signalWatcher, &UnixSignalWatcher::terminationRequested, &hauptform,
                     [&hauptform] { hauptform.ShutDown(); });

    hauptform.show();
    return app.exec();
}
