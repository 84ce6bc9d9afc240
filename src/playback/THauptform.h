#pragma once

#include "PrivateProfile.h"

#include <QWidget>

#include <memory>

namespace larkspin {

// The main player window: the application's main window. Creating it prepares the program
// (folders, settings); closing it never closes it but runs ShutDown, which ends the process.
class THauptform : public QWidget {
    Q_OBJECT
public:
    explicit THauptform(const QString& executablePath, QWidget* parent = nullptr);

    // The windows created after this one that the main window places and shows.
    void setCompanions(QWidget* playlistWindow, QWidget* stationWindow);

    // Stops playback, saves the temporary playlist and the settings, and ends the event loop.
    // When the settings cannot be written the error is shown and the program keeps running.
    void ShutDown();

    bool closing() const { return Closing; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate(const QString& executablePath);
    void FormShow();
    void FormCloseQuery();
    void BtnPlaylistClick();
    void StationBtnClick();
    void applyFullScreenLayout();

    std::unique_ptr<PrivateProfile> settingsFile_;
    QWidget* playlistWindow_ = nullptr;
    QWidget* stationWindow_ = nullptr;
    bool playlistToggle_ = false;
    bool stationToggle_ = false;
    bool shown_ = false;
    bool Closing = false;
};

} // namespace larkspin
