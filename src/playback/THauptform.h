#pragma once

#include "PlayerInterfaces.h"

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
class TScrollDisplay;
class TSkinButton;
class TSkinLabel;
class TSkinSlider;
class SkinDescription;

// The main player window: the application's main window. It draws the player's displays, owns the
// player's timers and turns its controls, menus and shortcuts into the controller's commands. It is made
// after the program folder is chosen and the settings are read. Closing it never closes it: it stores
// the window positions and asks the program to shut down (closeRequested).
class THauptform : public QWidget {
    Q_OBJECT
public:
    // plugIns: the decoder plug-ins the player drives. files: the file services the player uses; the
    // ones left empty are the track information service's.
    explicit THauptform(PlayerPlugIns& plugIns, PlayerFileServices files = {}, QWidget* parent = nullptr);
    ~THauptform() override;

    // The windows created after this one that the main window places and shows.
    void setCompanions(QWidget* playlistWindow, QWidget* stationWindow);

    // The playlist the player plays from; showing the window prepares its first entry.
    void setEntryList(PlayerEntryList* list);
    // The playlist window was closed on its own: the playlist button shows it again.
    void playlistWindowClosed() { playlistToggle_ = false; }

    PlayerController& player() { return *player_; }

    // Redraws every display from the controller's display state.
    void refreshDisplays();
    void applySkin(const SkinDescription& skin);
    // Reads the cover picture again (the active logo was replaced by a skin's).
    void reloadCover();

    // Runs the docking tick within 200 ms (once, however often it is asked in the meantime): while a
    // window is dragged it ticks every 200 ms, and it stops when the windows stand still.
    void requestDockingTick();

    QMenu* popupMenu() const { return popupMenu_; }
    QMenu* systemMenu() const { return systemMenu_; }
    QMenu* sliderMenu() const { return sliderMenu_; }
    QAction* fullScreenAction() const { return FullScreenMode1; }

    // The player's timers; the controller switches them through its signals.
    QTimer DisplayTimer;
    QTimer TimerLinear;
    QTimer Timer1;

signals:
    // The window was closed (its positions are stored): the program shuts down.
    void closeRequested();
    // Files dropped on the window, in the order given, for the playlist to add.
    void filesDropped(const QByteArrayList& paths);
    // The tick that looks at the windows for docking, 200 ms after they moved.
    void dockingTick();
    // The settings button was pressed.
    void settingsRequested();

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
    void FormShow();
    void FormCloseQuery();
    // Keeps the current left and top of the three windows in the position settings.
    void storeWindowPositions();
    // Stored positions that no screen shows any more are brought back onto the nearest screen.
    void keepStoredPositionsOnScreen();
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

    QWidget* playlistWindow_ = nullptr;
    QWidget* stationWindow_ = nullptr;
    bool playlistToggle_ = false;
    bool stationToggle_ = false;
    bool shown_ = false;

    PlayerPlugIns& plugIns_;
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
