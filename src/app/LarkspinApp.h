#pragma once

#include "CommandLine.h"
#include "LaunchPaths.h"
#include "ProgramFolder.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <deque>
#include <memory>

template <typename T> class QFutureWatcher;

namespace larkspin {

class CdPanel;
class Playlist;
class MprisService;
class PrivateProfile;
class TEncoderHost;
class TEncoderPage;
class TFrame_CDRipper;
class THauptform;
class TPlaylistForm;
class TPlugInForm;
class TPlugInHost;
class TStationForm;
class Thintform;
class WindowSnapping;

// The running program: chooses the program folder, reads the settings, owns the decoder plug-in host and
// its windows, and shuts the program down. Lives on the GUI thread for the whole run.
class LarkspinApp : public QObject {
    Q_OBJECT
public:
    // Chooses the program folder for the executable at executablePath (its own folder, or
    // dataHome/larkspin when that cannot be written), creates the data folders and reads the settings.
    LarkspinApp(const QString& executablePath, const QString& dataHome, QObject* parent = nullptr);
    ~LarkspinApp() override;

    // Creates the windows in their order, enumerates the decoder plug-ins and shows the main window.
    void Start();

    // Adds what a command line asked for to the playlist: files as they are, folders searched with their
    // subfolders for what the plug-ins play, playlist files by their entries. Without enqueue the first
    // added entry plays once it is read. Folders and playlist files are read off the GUI thread; requests
    // are added in the order they came.
    void Open(const LaunchRequest& request);
    // True while requests are waiting for their folders and playlist files to be read.
    bool Opening() const { return !opens_.empty(); }
    // Offers the media controls on the session bus (runs on without them when there is none).
    void OfferMediaControls();
    // Shows the player window on top (a later start, the media controls' Raise).
    void Raise();

    // Why the program ends: the user closed it, or the system asked it to (a termination signal).
    enum class Cause { User, Signal };
    // Stops playback, saves the temporary playlist and the settings, stops a running rip and asks to end
    // (finished). When the settings cannot be written: closed by the user, the error is shown and the
    // program keeps running (a rip too); asked by a signal (logout, shutdown, kill), nobody may be there to
    // answer a dialog, so the error goes to the console and the program still ends, with exit status 1.
    void ShutDown(Cause cause);

    THauptform& mainWindow() { return *hauptform_; }
    TPlaylistForm& playlistWindow() { return *playlistForm_; }
    TStationForm& stationWindow() { return *stationForm_; }
    TPlugInHost& plugInHost() { return *host_; }

signals:
    // The program is done; the event loop ends with exitCode.
    void finished(int exitCode);

private:
    void playPending();
    void abortRip();
    // The skin at start, the windows following the skin engine, the settings window's ties to the other
    // windows, and the snapping of the three main windows.
    void connectSettingsAndSkins();

    std::unique_ptr<PrivateProfile> settingsFile_;
    std::unique_ptr<TPlugInHost> host_;
    // Before the windows: the encoder page and the settings panel use it until they go.
    std::unique_ptr<TEncoderHost> encoderHost_;
    InstalledFolders installed_; // read-only resources of an installed copy, found from the executable
    std::unique_ptr<THauptform> hauptform_;
    std::unique_ptr<Playlist> playlist_;
    std::unique_ptr<TPlaylistForm> playlistForm_;
    std::unique_ptr<TPlugInForm> plugInForm_;
    std::unique_ptr<TStationForm> stationForm_;
    std::unique_ptr<Thintform> hintForm_; // made when the library browser first shows a hint
    TEncoderPage* encoderPage_ = nullptr; // owned by the station window
    TFrame_CDRipper* cdRipper_ = nullptr; // owned by the station window
    std::unique_ptr<WindowSnapping> snapping_;
    std::unique_ptr<MprisService> mpris_;
    std::unique_ptr<CdPanel> cdPanel_;
    int pendingPlay_ = -1; // the entry to play once reading has reached it
    // Requests being resolved, the first one running in resolving_.
    std::deque<LaunchRequest> opens_;
    std::unique_ptr<QFutureWatcher<LaunchPaths>> resolving_;
    std::shared_ptr<std::atomic<bool>> resolveCancel_;
    void resolveNextOpen();
    void openResolved();
};

} // namespace larkspin
