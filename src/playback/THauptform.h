#pragma once

#include "PlayerInterfaces.h"
#include "PlayerPlugInSocket.h"
#include "PrivateProfile.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>

class QAction;
class QMenu;

namespace larkspin {

class PlayerController;
class TCoverImage;
class TLedDigit;
class TPlugInHost;
class TScrollDisplay;
class TSkinButton;
class TSkinLabel;
class TSkinSlider;
class SkinDescription;

// The main player window: the application's main window. Creating it prepares the program
// (folders, settings); closing it never closes it but runs ShutDown, which ends the process.
// It draws the player's displays, owns the player's timers and turns its controls, menus and
// shortcuts into the controller's commands.
class THauptform : public QWidget {
    Q_OBJECT
public:
    explicit THauptform(const QString& executablePath, QWidget* parent = nullptr);
    // The same with the file services the player uses (tests; the running program takes the defaults).
    THauptform(const QString& executablePath, PlayerFileServices files, QWidget* parent = nullptr);
    ~THauptform() override;

    // The windows created after this one that the main window places and shows.
    void setCompanions(QWidget* playlistWindow, QWidget* stationWindow);

    // The playlist the player plays from; showing the window prepares its first entry.
    void setEntryList(PlayerEntryList* list);

    // The decoder plug-ins the player drives, once the settings window has enumerated them.
    void setPlugInHost(TPlugInHost* host);
    PlayerPlugInSocket& plugIns() { return plugIns_; }
    PlayerController& player() { return *player_; }

    // Stops playback, saves the temporary playlist and the settings, and ends the event loop.
    // When the settings cannot be written the error is shown and the program keeps running.
    void ShutDown();

    bool closing() const { return Closing; }

    // Redraws every display from the controller's display state.
    void refreshDisplays();
    void applySkin(const SkinDescription& skin);

    QMenu* popupMenu() const { return popupMenu_; }
    QMenu* systemMenu() const { return systemMenu_; }
    QMenu* sliderMenu() const { return sliderMenu_; }
    QAction* fullScreenAction() const { return FullScreenMode1; }

    // The player's timers; the controller switches them through its signals.
    QTimer DisplayTimer;
    QTimer TimerLinear;
    QTimer Timer1;

signals:
    // Files dropped on the window, in the order given, for the playlist to add.
    void filesDropped(const QStringList& paths);
    // The 200 ms tick that watches the windows for docking.
    void dockingTick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void FormCreate(const QString& executablePath);
    void FormShow();
    void FormCloseQuery();
    // Keeps the current left and top of the three windows in the position settings.
    void storeWindowPositions();
    void BtnPlaylistClick();
    void StationBtnClick();
    void applyFullScreenLayout();

    void createPlayer(PlayerFileServices files);
    void buildControls();
    void buildMenus();
    void layoutSmallButtons();
    void FullScreenMode1Click();
    void Setindex1Click();
    void Editindex1Click();
    void Deleteindex1Click();
    void refreshCover();

    std::unique_ptr<PrivateProfile> settingsFile_;
    QWidget* playlistWindow_ = nullptr;
    QWidget* stationWindow_ = nullptr;
    bool playlistToggle_ = false;
    bool stationToggle_ = false;
    bool shown_ = false;
    bool Closing = false;

    PlayerPlugInSocket plugIns_;
    PlayerEntryList* entryList_ = nullptr;
    std::unique_ptr<PlayerController> player_;
    std::unique_ptr<SkinDescription> skin_;

    // Displays and controls, named as the window's components.
    TScrollDisplay* DisplayInfo = nullptr;
    std::array<TLedDigit*, 4> TrackLED{};   // TrackLED0 (thousands) .. TrackLED3 (units)
    std::array<TLedDigit*, 5> elapsedLED{}; // elamin3, elamin2, elamin1, elasek2, elasek1
    std::array<TLedDigit*, 5> lengthLED{};  // estmin3, estmin2, estmin1, estsek2, estsek1
    TLedDigit* indexLED10 = nullptr;
    TLedDigit* indexLED01 = nullptr;
    TSkinSlider* Slider = nullptr;
    TSkinSlider* VolumeBar = nullptr;
    TSkinLabel* VolLabel = nullptr;
    TSkinLabel* FadingLabel = nullptr;
    TSkinLabel* DSLabel = nullptr;
    TSkinLabel* ShuffleLabel = nullptr;
    TSkinLabel* RepeatLabel = nullptr;
    TSkinLabel* IndexLabel = nullptr;
    TSkinLabel* display_artist = nullptr;
    TSkinLabel* display_album = nullptr;
    TSkinLabel* display_year = nullptr;
    TCoverImage* image = nullptr;
    TSkinButton* PlayBtn = nullptr;
    TSkinButton* PauseBtn = nullptr;
    TSkinButton* StopBtn = nullptr;
    TSkinButton* LastBtn = nullptr;
    TSkinButton* NextBtn = nullptr;
    TSkinButton* PlaylistBtn = nullptr;
    TSkinButton* StationBtn = nullptr;
    TSkinButton* BtnSettings = nullptr;
    TSkinButton* ShuffleBtn = nullptr;
    TSkinButton* RepeatBtn = nullptr;
    TSkinButton* Repeat1Btn = nullptr;
    TSkinButton* MenuBtn = nullptr;
    TSkinButton* MinimizeBtn = nullptr;
    TSkinButton* CloseBtn = nullptr;

    QMenu* popupMenu_ = nullptr;
    QMenu* systemMenu_ = nullptr;
    QMenu* sliderMenu_ = nullptr;
    QAction* FullScreenMode1 = nullptr;

    QString coverKey_;
    QPoint dragOffset_;
    bool movingWindow_ = false;
};

} // namespace larkspin
