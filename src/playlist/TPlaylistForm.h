#pragma once

#include <QFutureWatcher>
#include <QWidget>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QGroupBox;
class QMenu;
class QProgressBar;
class QPushButton;

namespace larkspin {

class CdPanel;
class Playlist;
class PlaylistModel;
class PlaylistView;
class TPlugInHost;
class Taddfilesform;
class TCdPanelWidget;
struct Settings;

// The playlist window: a resizable tool window that shows the entry list through PlaylistView and turns
// its buttons, menus, keys, clicks and drops into the list's commands. Closing it only hides it.
class TPlaylistForm : public QWidget {
    Q_OBJECT
public:
    TPlaylistForm(Playlist& list, Settings& settings, QWidget* parent = nullptr);
    ~TPlaylistForm() override;

    Playlist& list() { return list_; }
    PlaylistView* view() const { return PlaylistView_; }

    // Recreates the columns (with their fields' widths) and rows from the settings and the entry list.
    void RebuildView();
    // Each column's width into its field's width setting.
    void StoreColumnWidths();
    // The widths of the columns as the view shows them now.
    std::vector<int> ColumnWidths() const;

    // The decoder plug-ins: their type texts for the add dialogs, and the decoding binding.
    void setPlugInHost(TPlugInHost* host) { host_ = host; }
    // The folder "Decode to Wave..." writes into (the encoder page's output folder); without it each
    // file is decoded into its own folder.
    void setDecodeFolder(std::function<QString()> folder) { decodeFolder_ = std::move(folder); }
    // The main window's right-click menu, shown on right-clicks outside the list.
    void setMainWindowMenu(QMenu* menu) { mainWindowMenu_ = menu; }
    // The add-files dialog, created once by the program and kept between uses (made here when none is
    // given).
    void setAddFilesForm(Taddfilesform* form) { addFilesForm_ = form; }
    // The CD player: its panel covers the entry list while it is open, and the "+" menu offers the
    // first two drives that hold an audio CD.
    void setCdPanel(CdPanel* panel);
    TCdPanelWidget* cdPanelWidget() const { return cdpanel; }

    // Commands, as the buttons and menus run them.
    void BtnAddClick();
    void BtnDelClick();
    void BtnClearClick();
    void LoadPlaylistClick();
    void SavePlaylistClick();
    void AddFilesClick();
    void AddDirectoryClick();
    void ReloadFileInfosClick();
    // "Fileinfo": the file information window for the chosen entry (modal); saved tags reload the rows.
    void FileInfoClick();
    void DecodeSelected();
    // Files or folders dropped from a file manager, here or on the player window.
    void AddDroppedFiles(const QByteArrayList& paths);

    QMenu* addMenu() const { return PopupAdd; }
    QMenu* listMenu() const { return PlaylistPopUp; }
    QMenu* windowMenu() const { return MainPopUp; }

signals:
    // The window was closed by the user (the player window's playlist button is up again).
    void windowClosed();
    // "Close Larkspin".
    void closeProgramRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void connectList();
    void layoutControls();
    void refreshCaption();
    void mirrorSelection();
    void selectionChangedInView();
    void showProgress(int done, int total);
    void hideProgress();
    void searchFinished();
    void cancelWork();
    void prepareCdItems();
    void showCdPlayer(bool open);

    Playlist& list_;
    Settings& settings_;
    TPlugInHost* host_ = nullptr;
    std::function<QString()> decodeFolder_;
    QMenu* mainWindowMenu_ = nullptr;
    Taddfilesform* addFilesForm_ = nullptr;
    PlaylistModel* model_ = nullptr;
    std::vector<int> shownColumns_;
    bool mirroring_ = false;
    bool placed_ = false; // shown once: later showings keep the window where it is put
    std::unique_ptr<QFutureWatcher<std::vector<std::string>>> search_;
    std::shared_ptr<std::atomic<bool>> searchCancel_;

    // Controls, named as the window's components.
    QGroupBox* ListFrame = nullptr;
    PlaylistView* PlaylistView_ = nullptr;
    QProgressBar* Fortschritt = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* BtnAdd = nullptr;
    QPushButton* BtnDel = nullptr;
    QPushButton* BtnClear = nullptr;
    QPushButton* PlaylistLoadBtn = nullptr;
    QPushButton* PlaylistSaveBtn = nullptr;
    QPushButton* FileInfoBtn = nullptr;
    QMenu* PopupAdd = nullptr;
    QMenu* PlaylistPopUp = nullptr;
    QMenu* MainPopUp = nullptr;
    QAction* Fileinfos1 = nullptr;
    CdPanel* cd_ = nullptr;
    TCdPanelWidget* cdpanel = nullptr;
    QPushButton* cddbbtn = nullptr;
    QPushButton* closecd = nullptr;
    QAction* cd11 = nullptr;
    QAction* cd21 = nullptr;
    bool fileInfoShown_ = false; // FileInfoBtn's visibility before the CD player hid it
};

} // namespace larkspin
