#pragma once

#include "LibraryTitleModel.h"

#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QStringListModel;
class QTreeView;

namespace larkspin {

struct MusicLibrary;
struct Settings;
class PlayerController;
class Thintform;

// The "Library" tab of the Zizezed Avidido window: browse modes, the artist or album list, the title
// list, search, and the actions on titles. The lists are views over the library; nothing is copied
// into widget items.
class TFrame_Organizer : public QWidget {
    Q_OBJECT
public:
    enum BrowseMode { ModeAll, ModeArtist, ModeAlbum, ModeSearch };

    TFrame_Organizer(MusicLibrary& library, Settings& settings, QWidget* parent = nullptr);

    void setPlayer(PlayerController* player) { player_ = player; }
    // The hint window over the title list, made by make when it is first needed (not at start).
    void setHintWindow(std::function<Thintform*()> make) { makeHint_ = std::move(make); }
    // Opens the import; the library page refreshes afterwards. Empty: the button does nothing.
    void setImportOpener(std::function<void()> open) { openImport_ = std::move(open); }

    // Selects a browse mode in listarchiv1 and lists it (the mode list's click).
    void ListArchiv1_Down();
    void selectMode(int mode);
    int currentMode() const;
    // Lists the titles of the artist or album selected in listarchiv2.
    void ListArchiv2_Down();
    void RefreshBrowseMode();
    void StartSearch();
    void ClearSearch();

    // Title actions.
    void AddToPlaylistClick();
    void CreatePlaylistClick();
    void EnqueueClick();
    void PlayClick();
    void DeleteClick();
    void ClearLibraryClick();
    void AddFilesClick();

    // The entry count of the group box, refreshed every second.
    void UpdateEntryCount();
    // Shows the hint for the title row under a point of the title list's viewport, or closes it.
    void HintAt(const QPoint& viewportPos);

    int upperPanelHeight() const;
    void setUpperPanelHeight(int height);

    QListWidget* listarchiv1 = nullptr;
    QTreeView* listarchiv2 = nullptr;
    QTreeView* listarchiv3 = nullptr;
    QLabel* waitLabel = nullptr;
    QStackedWidget* upperPanel = nullptr;
    QWidget* searchpanel = nullptr;
    QLineEdit* searchItem = nullptr;
    QPushButton* startSearchButton = nullptr;
    QPushButton* clearSearchButton = nullptr;
    QCheckBox* casebox = nullptr;
    QSplitter* splitter1 = nullptr;
    QGroupBox* albumpanel = nullptr;
    QPushButton* createPlaylistButton = nullptr;
    QPushButton* enqueueButton = nullptr;
    QGroupBox* titlepanel = nullptr;
    QPushButton* deleteButton = nullptr;
    QPushButton* addToPlaylistButton = nullptr;
    QPushButton* playButton = nullptr;
    QLabel* notFoundLabel = nullptr;
    QGroupBox* LibraryBox = nullptr;
    QPushButton* addFilesButton = nullptr;
    QPushButton* clearLibraryButton = nullptr;
    QMenu* PopUpStation = nullptr;
    QAction* hintAction = nullptr;

    LibraryTitleModel& titles() { return *titleModel_; }
    const std::vector<std::string>& names() const { return names_; }
    // The path of the title row selected last.
    const QString& currentPath() const { return currentPath_; }
    // Follows the library's entry count once a second, only while the browser shows.
    const QTimer& countTimer() const { return countTimer_; }

signals:
    void addToPlaylist(const QStringList& paths);
    void createPlaylist(const QStringList& paths);
    void enqueue(const QStringList& paths);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildWidgets();
    void connectWidgets();
    void listarchiv3SelectItem();
    void columnClicked(int column);
    void fillNames(int field);
    QStringList selectedPaths() const;
    QStringList allPaths() const;
    int nameField() const;

    MusicLibrary& library_;
    Settings& settings_;
    PlayerController* player_ = nullptr;
    Thintform* hint_ = nullptr; // null until first shown
    std::function<Thintform*()> makeHint_;
    std::function<void()> openImport_;
    LibraryTitleModel* titleModel_ = nullptr;
    QStringListModel* nameModel_ = nullptr;
    std::vector<std::string> names_;
    QString currentPath_;
    QTimer countTimer_;
};

} // namespace larkspin
