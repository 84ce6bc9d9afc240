#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace larkspin {

class Playlist;
class PrivateProfile;
class TGetCDForm;
class THauptform;
class TPlaylistForm;
class TPlugInForm;
class TPlugInHost;
class TStationForm;
class Taddfilesform;
class Taddurlform;
class Thintform;

// The running program: chooses the program folder, reads the settings, owns the decoder plug-in host and
// the eight windows, and shuts the program down. Lives on the GUI thread for the whole run.
class LarkspinApp : public QObject {
    Q_OBJECT
public:
    // Chooses the program folder for the executable at executablePath (its own folder, or
    // dataHome/larkspin when that cannot be written), creates the data folders and reads the settings.
    LarkspinApp(const QString& executablePath, const QString& dataHome, QObject* parent = nullptr);
    ~LarkspinApp() override;

    // Creates the windows in their order, enumerates the decoder plug-ins and shows the main window.
    void Start();

    // Why the program ends: the user closed it, or the system asked it to (a termination signal).
    enum class Cause { User, Signal };
    // Stops playback, saves the temporary playlist and the settings, and asks to end (finished). When the
    // settings cannot be written: closed by the user, the error is shown and the program keeps running;
    // asked by a signal (logout, shutdown, kill), nobody may be there to answer a dialog, so the error
    // goes to the console and the program still ends, with exit status 1.
    void ShutDown(Cause cause);

    THauptform& mainWindow() { return *hauptform_; }
    TPlaylistForm& playlistWindow() { return *playlistForm_; }
    TPlugInHost& plugInHost() { return *host_; }

signals:
    // The program is done; the event loop ends with exitCode.
    void finished(int exitCode);

private:
    std::unique_ptr<PrivateProfile> settingsFile_;
    std::unique_ptr<TPlugInHost> host_;
    std::unique_ptr<THauptform> hauptform_;
    std::unique_ptr<Playlist> playlist_;
    std::unique_ptr<TPlaylistForm> playlistForm_;
    std::unique_ptr<TPlugInForm> plugInForm_;
    std::unique_ptr<TStationForm> stationForm_;
    std::unique_ptr<Taddfilesform> addFilesForm_;
    std::unique_ptr<Taddurlform> addUrlForm_;
    std::unique_ptr<TGetCDForm> getCdForm_;
    std::unique_ptr<Thintform> hintForm_;
};

} // namespace larkspin
