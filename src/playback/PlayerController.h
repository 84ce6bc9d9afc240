#pragma once

#include "IndexMarks.h"
#include "PlayOrder.h"
#include "PlayerDisplay.h"
#include "PlayerInterfaces.h"

#include <QObject>

#include <string>
#include <vector>

namespace larkspin {

struct Settings;

// The player's state machine: turns commands and track ends into plug-in calls, chooses the next
// entry, and keeps the display state the player window draws. It owns no timers: the window runs
// DisplayTimer (100 ms) and the one-shot TimerLinear and calls DisplayTimerTimer / TimerLinearTimer;
// displayTimerEnabledChanged and timerLinearStarted tell it when to switch them. DisplayTimer runs only
// while there is something to follow: a track playing or paused, a stop fade sounding, the CD player.
class PlayerController : public QObject {
    Q_OBJECT
public:
    PlayerController(Settings& settings, PlayerPlugIns& plugIns, PlayerFileServices files,
                     std::string programFolder, QObject* parent = nullptr);

    void SetEntryList(PlayerEntryList* list) { list_ = list; }
    void SetCdTrackList(PlayerCdTrackList* cd) { cd_ = cd; }

    const PlayerDisplay& Display() const { return display_; }
    bool DisplayTimerEnabled() const { return displayTimer_; }
    bool TimerLinearEnabled() const { return timerLinear_; }
    const std::string& CurrentFile() const { return currentFile_; }

    // The entry list's play order (the current entry, the shuffle order); an empty one without a list.
    const PlayOrder& Order() const { return list_ ? list_->Order() : noList_; }

    // Player state, read by the windows.
    bool Playing = false;
    bool Paused = false;
    bool TrackLoaded = false;
    bool Dragging = false;
    bool SkipSliderUpdate = false;
    bool CdMode = false;
    int CdDriveNumber = 0;
    int CurrentCdTrack = 0;
    // The CD track stopped by itself (the disc or its image went, or cannot be read): the player is
    // stopped and says so; a playlist entry started now leaves the CD.
    bool CdFailed = false;
    bool PlayFromLibrary = false;
    bool Closing = false;
    std::vector<IndexMark> IndexMarks;
    bool MarksLoaded = false;
    int CurrentMark = 1;

    // Track preparation and the plug-in side of starting, stopping and pausing.
    bool PrepareTrack(const std::string& path);
    void StartPlayback();
    void StopPlayback();
    void PausePlayback();

    // Commands of the player window (buttons, menus, shortcuts).
    void Play();
    void Pause();
    void Stop();
    void NextTrack();
    void PreviousTrack();
    void ShuffleClick(); // ToggleShuffle, then selects the current entry
    void ToggleShuffle();
    void RepeatAllClick();
    void RepeatOneClick();
    void JumpBy(int seconds); // 0 jumps to the beginning
    void VolumeUp();
    void VolumeDown();
    void VolumeMute();
    // Every change of the volume slider, by the user or by the program.
    void VolumeBarChange(int position);
    void SliderMouseDown();
    void SliderMouseUp(int sliderPosition);

    // Timers.
    void DisplayTimerTimer();
    void TimerLinearTimer();

    // Playlist entry points.
    void PlaylistSelectionChanged(int row, int selectedCount);
    void PlaylistDoubleClick(int selectedRow);
    void SelectPlaylistRow(int index);
    // The playlist was cleared: no entry is current and the shuffle order is empty; while nothing plays
    // the title, times and cover show that no track is prepared. A playing track plays on.
    void PlaylistCleared();
    // Library browser "Play".
    void PlayLibraryFile(const PlayerEntryList::Entry& entry);
    // CD panel: the CD player opened on a drive (the file that plays stops, the logo shows); the CD
    // plug-in was selected (it gets the volume slider's PlayVolume); the CD player closed (the playlist's
    // current entry is prepared again, or "no title selected..." shows for an empty list).
    void OpenCd(int drive);
    void CdPluginSelected();
    void CloseCd();
    // Start of ShutDown: stops playback; from now on selections prepare nothing.
    void BeginShutDown();

    // Index marks of the current track. Setting a mark: BeginSetIndex pauses and answers the index file
    // (empty when a mark cannot be set now); the window runs the editor in set mode at the slider
    // position, then EndSetIndex with the number Save answered (0 when cancelled).
    std::string BeginSetIndex();
    void EndSetIndex(int newMarkNumber);
    // Editing: the index file when it exists and a track is loaded, else empty; EndEditIndex reloads it.
    std::string EditIndexTarget() const;
    void EndEditIndex();
    // Deletes the current entry's index file; the title display shows the file name again.
    void DeleteIndexFile();

    void UpdateTrackNumber();

signals:
    void displayChanged();
    void displayTimerEnabledChanged(bool on);
    void timerLinearStarted();
    void scrollToRow(int row);

private:
    // True when the current playlist entry and a neighbour in list order share an album and shuffle is off.
    bool AlbumPlaysInOrder(bool fromLibrary) const;
    // Hands the plug-in the loudness gain of the file just loaded, as the settings ask.
    void ApplyFileGain(const std::string& path, bool fromLibrary);
    class Notify;
    int EntryCount() const;
    PlayOrder& order() { return list_ ? list_->Order() : noList_; }
    int Current() const { return Order().Current(); }
    std::string EntryPath(int index) const;
    void SetDisplayTimer(bool on);
    void StartTimerLinear();
    void SetVolumeSlider(int position);
    void ShowTitle(const std::string& path);
    void LoadMarks(const std::string& indexPath);
    void JumpToMark(int mark);
    void MoveOn();
    void RestartList();
    void CdStep(int delta);
    void ShowRepeatLabel();
    void ShowTime(TimeDigits& digits, int seconds) { digits = TimeToDigits(seconds); }
    // The file that was started cannot be played: says which and why, then goes on as at its end.
    void ReportUnplayable(const std::string& pluginReason);
    void PassUnplayable();
    void ShowNotice(const QString& text);
    void ClearNotice();

    Settings& settings_;
    PlayerPlugIns& plugIns_;
    PlayerFileServices files_;
    std::string folder_;
    PlayerEntryList* list_ = nullptr;
    PlayerCdTrackList* cd_ = nullptr;
    PlayOrder noList_; // stands in while no entry list is set: no entries, no current entry
    PlayerDisplay display_;
    PlayerEntryList::Entry libraryEntry_;
    std::string currentFile_;
    bool displayTimer_ = false;
    bool timerLinear_ = false;
    int notifyDepth_ = 0;
    // A message in the title display: it shows for NoticeTicks ticks, then the title comes back; -1
    // holds it until the user plays or chooses something (the player stopped at the file it names).
    QString notice_;
    int noticeTicks_ = 0;
    bool failureReported_ = false; // for the file loaded last
    bool selecting_ = false;       // the player itself selects a row (not the user)
    int failedInRow_ = 0;          // files that could not be played since one played or the user chose
};

} // namespace larkspin
