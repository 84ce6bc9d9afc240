#pragma once

#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QTabWidget;

namespace larkspin {

struct MusicLibrary;
struct Settings;
class PlayerController;
class TFrame_Organizer;
class Thintform;

// The "Zizezed Avidido" window: the pages "Encoder", "CD Ripper" and "Library" in StationPage.
class TStationForm : public QWidget {
    Q_OBJECT
public:
    enum Page { EncoderPage, CdRipperPage, LibraryPage };

    // The process-wide library and settings; the library is loaded from ProgramFolder (the program
    // saves it at shutdown with SaveProgramLibrary).
    explicit TStationForm(QWidget* parent = nullptr);
    TStationForm(MusicLibrary& library, Settings& settings, QWidget* parent = nullptr);

    // Loads the library file of the program folder when ActivateOrganizer is on; a damaged or
    // unreadable file is reported in a message box.
    void LoadLibraryAtStart(const std::string& programFolder);

    // "Play" of the library plays through this player.
    void setPlayer(PlayerController* player);
    // The library browser's hint window, made by make when it is first shown.
    void setHintWindow(std::function<Thintform*()> make);
    // The decoder plug-ins' type lists, offered by the import's file-type choice.
    void setDecoderFileTypes(std::vector<std::string> typeLists) { fileTypes_ = std::move(typeLists); }

    // The "Encoder" page once the program has its encoder plug-ins; the window takes it over.
    void setEncoderPage(QWidget* page);
    // The "CD Ripper" page; activate runs when the page is shown (it lists the drives and tracks).
    void setCdRipperPage(QWidget* page, std::function<void()> activate);

    QTabWidget* StationPage = nullptr;
    TFrame_Organizer* organizer() const { return organizer_; }

signals:
    // The titles' paths for the playlist: appended, replacing the playlist, or queued after it.
    void addToPlaylist(const QStringList& paths);
    void createPlaylist(const QStringList& paths);
    void enqueue(const QStringList& paths);
    // The window was closed (the main window's station button goes up).
    void stationClosed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void pageChanged(int index);
    void replacePage(int index, QWidget* page, const QString& title);

    MusicLibrary& library_;
    Settings& settings_;
    TFrame_Organizer* organizer_ = nullptr;
    QTimer LibraryTimer;
    std::function<void()> activateCdRipper_;
    std::vector<std::string> fileTypes_;
    bool showing_ = false;
};

} // namespace larkspin
