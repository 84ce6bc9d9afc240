#pragma once

#include "DecodeQueue.h"
#include "PlayOrder.h"
#include "PlayerInterfaces.h"
#include "PlaylistEntry.h"
#include "PlaylistFiles.h"
#include "PlaylistSort.h"

#include <QList>
#include <QObject>
#include <QString>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace larkspin {

class PlayerController;
class TrackInfoJob;
struct Settings;

// The playlist's entry list and its logic, without widgets. The playlist window shows it through a
// model over Count()/Cell(), mirrors its selection (SelectionChangedInView one way, selectionChanged
// the other) and forwards its commands here. The player addresses entries through PlayerEntryList.
//
// Row k always shows entry k. Long work (reading the information of added, loaded or reloaded files)
// runs in a TrackInfoJob; its results are applied here, on the GUI thread, slice by slice and in order,
// so the list is consistent between events. Everything here runs on the GUI thread.
class Playlist : public QObject, public PlayerEntryList {
    Q_OBJECT
public:
    Playlist(Settings& settings, PlayerController& player, QObject* parent = nullptr);
    ~Playlist() override;

    // --- PlayerEntryList
    int Count() const override { return static_cast<int>(entries_.size()); }
    Entry EntryAt(int index) const override;
    bool PlaylistBusy() const override { return busy_; }
    // Moves the play mark (emits playMarkChanged).
    void MarkCurrentEntry(int index) override;
    // Selection := {index} (none for a negative index); emits selectionChanged, then runs the selection
    // change as the view would (a stopped player prepares that entry).
    void SelectRow(int index) override;
    // Emits scrollToRowRequested.
    void ScrollToRow(int index) override;
    // The play order, kept in step with every change of the entries.
    PlayOrder& Order() override { return order_; }
    const PlayOrder& Order() const override { return order_; }

    // --- The model's view of the list
    const std::vector<PlaylistEntry>& Entries() const { return entries_; }
    // Field 0..10 of entry row; empty when either is out of range.
    std::string_view Field(int row, int field) const;
    // The fields of the columns, as of the last RebuildView (ColumnFields).
    const std::vector<int>& Columns() const { return columns_; }
    // The text of a cell: the field column shows, of entry row.
    std::string_view Cell(int row, int column) const;
    // The row with the play mark (-1: none) and the image of a row: 0 (empty) or IconIndex + 1.
    int MarkedRow() const { return markedRow_; }
    int PlayMarkImage(int row) const;
    // "Number of titles: " and the count.
    QString TitlesCaption() const;

    // --- Selection (owned here; the view mirrors it)
    bool IsSelected(int row) const;
    std::vector<int> SelectedRows() const; // ascending
    int SelectedCount() const { return selectedCount_; }
    // The user changed the selection in the view: rows holds every selected row (any order). Runs the
    // selection change: a stopped player prepares the one selected row; the track number is refreshed.
    void SelectionChangedInView(const std::vector<int>& rows);

    // --- Commands
    // Recreates columns (from Row1..Row10) and rows; selects row 0 first when there are rows.
    void RebuildView();
    // The one way to append files: one entry per path, in order; the files' information is read in the
    // background and the entries appear slice by slice. New indices join the shuffle order, shuffled
    // among themselves; a list that was empty gets its first row (or the first of the shuffle order)
    // selected. Queued behind work already running.
    void AddFilesToPlaylist(const std::vector<std::string>& paths);
    // "Play selected": double-click or Enter.
    void PlaySelected();
    // "Delete selected items": keeps the current entry on the entry before a removed current one and
    // the shuffle order a permutation of the remaining indices.
    void DeleteSelected();
    // "Clear list". A playing track plays on.
    void ClearList();
    // Click on a column header: sorts by the column's field (a new column ascending, the same column
    // again the other way), keeping the current entry by its key.
    void SortPlaylist(int column);
    const SortState& Sort() const { return sort_; }
    // A drop of the selected rows before targetRow (-1: below the last row). The moved rows stay
    // selected; the current entry is found again by its key.
    void MoveSelectedRows(int targetRow);
    // Artist immediately followed by Title of the current entry (empty when there is none).
    std::string CurrentEntryKey() const;
    // The current entry := the highest index whose Artist + Title equals key (unchanged when none does).
    void FindCurrentByKey(const std::string& key);
    // "Reload fileinformations": every entry is read anew from its file (in the background), keeping
    // the current entry by position. widths: the view's column widths for StoreColumnWidths (may be empty).
    void ReloadFileInfos(const std::vector<int>& columnWidths = {});
    // The start-up reload (TimerRefresh): ReloadFileInfos when ReloadInfos is on.
    void StartupReload();
    // A uniformly random order of all entry indices as the shuffle order.
    void BuildShuffleOrder();
    // The file "File information" shows, when TrackLoaded and that file exists; none otherwise.
    std::optional<std::string> FileInfoTarget() const;
    // "Decode to Wave...": decodebox := the selected entries' paths, in list order.
    void FillDecodeQueue();
    DecodeQueue& decodebox() { return decodebox_; }

    // --- Playlist files
    struct FileCommandOutcome {
        bool ok = true;
        std::string message; // for a message box when ok is false
        QString caption;     // the window's new caption; empty: unchanged
    };
    // The load command after the dialog: stops playback when StopPlayback is on, reads the file by its
    // extension (TE3 at once; TEL, M3U and PLS read their audio files in the background), then selects
    // the first row or the first of a new shuffle order and, for TE3 with ReloadInfos, reloads. A file
    // of another type, or one that cannot be read at all, leaves the list as it was.
    FileCommandOutcome LoadPlaylistFile(const std::string& fileName);
    // The save command after the dialog. Nothing is written for an unsupported extension.
    FileCommandOutcome SavePlaylistFile(const std::string& fileName) const;
    // Start-up: the temporary playlist when RememberPlaylist is on and it exists, else SelPlaylistName
    // when SelectedPlaylist is on (read as TE3 whatever its extension). Entries only: the view is built
    // by RebuildView when the windows are shown.
    FileCommandOutcome LoadStartPlaylist(const std::string& programFolder);
    // Shutdown: the whole list to the temporary playlist (its folder created when missing).
    FileCommandOutcome SaveTemporaryPlaylist(const std::string& programFolder) const;

    // --- Background work
    bool Working() const;
    // Stops the running and queued work; entries already applied stay.
    void CancelWork();
    // Blocks until every queued job is read and applied (tests, shutdown).
    void WaitForWork();

signals:
    // Model notifications, each pair around the change.
    void rowsAboutToBeInserted(int first, int last);
    void rowsInserted(int first, int last);
    void rowsAboutToBeRemoved(int first, int last);
    void rowsRemoved(int first, int last);
    // Columns and rows rebuilt (RebuildView, clear, a large deletion).
    void aboutToBeReset();
    void wasReset();
    // Rows reordered (sort, move): newRowOfOldRow[old] is the row that entry now stands in.
    void aboutToBeReordered();
    void reordered(const QList<int>& newRowOfOldRow);
    // Entries first..last got new information (reload).
    void rowsChanged(int first, int last);
    // The play mark moved from oldRow to newRow (either may be -1).
    void playMarkChanged(int oldRow, int newRow);
    // The selection was changed here; the view re-reads SelectedRows().
    void selectionChanged();
    void scrollToRowRequested(int row);
    // Background work: started (total items), progress, and done (all queued work).
    void workStarted(int total);
    void workProgress(int done, int total);
    void workFinished();

private:
    struct Job;
    void StartNextJob();
    void ApplySlice(int first, const std::vector<TrackRecord>& records);
    void JobFinished(bool cancelled);
    void DropWork();
    void DropRunningReload();
    void AppendEntries(std::vector<PlaylistEntry> entries);
    void AfterLoad(PlaylistFormat format);
    void ApplyOrder(const std::vector<int>& order);

    Settings& settings_;
    PlayerController& player_;
    std::vector<PlaylistEntry> entries_;
    PlayOrder order_;
    std::vector<unsigned char> selected_; // parallel to entries_
    int selectedCount_ = 0;
    std::vector<int> columns_;
    int markedRow_ = -1;
    bool busy_ = false;
    SortState sort_;
    DecodeQueue decodebox_;
    std::deque<std::unique_ptr<Job>> jobs_; // front: the running one
    bool dropping_ = false;                 // work is being dropped for a change of the whole list
};

} // namespace larkspin
