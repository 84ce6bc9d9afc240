#include "Playlist.h"
#include "MakerAddress.h"

#include "FileNameParts.h"
#include "PlayerController.h"
#include "PlaylistColumns.h"
#include "Settings.h"
#include "TrackInfoJob.h"

#include <QCollator>
#include <QLoggingCategory>

#include <algorithm>
#include <filesystem>

Q_LOGGING_CATEGORY(lcPlaylist, "larkspin.playlist", QtWarningMsg)

namespace larkspin {

namespace {

// More separate runs of deleted rows than this are announced as one reset: a view handles one reset
// of 100,000 rows faster than a thousand removals.
constexpr int MaxRemovalSignals = 32;

QString CaptionFor(const std::string& name) {
    return QString::fromStdString(WithMakerAddress(name));
}

} // namespace

struct Playlist::Job {
    enum class Kind { Append, Load, Reload };
    Kind kind = Kind::Append;
    std::vector<StoredEntry> items; // until the job starts (a reload collects its paths then)
    TrackInfoJob* reader = nullptr;
    PlaylistFormat format = PlaylistFormat::Unsupported;
    bool listWasEmpty = false;    // Append: the list was empty when the job started
    bool firstSlice = true;       // no slice applied yet
    std::size_t shuffleBatch = 0; // Append: where this job's indices begin in the shuffle order
};

Playlist::Playlist(Settings& settings, PlayerController& player, QObject* parent)
    : QObject(parent), settings_(settings), player_(player), columns_(ColumnFields(settings)) {}

Playlist::~Playlist() {
    jobs_.clear(); // the readers are children: they stop and wait when the QObject part goes
}

// --- PlayerEntryList

PlayerEntryList::Entry Playlist::EntryAt(int index) const {
    Entry e;
    if (index < 0 || index >= Count())
        return e;
    const PlaylistEntry& entry = entries_[static_cast<std::size_t>(index)];
    e.Path = entry.Path();
    e.Artist = entry.Field(RecordArtist);
    e.Title = entry.Field(RecordTitle);
    e.Album = entry.Field(RecordAlbum);
    e.Year = entry.Field(RecordYear);
    return e;
}

void Playlist::MarkCurrentEntry(int index) {
    const int row = index >= 0 && index < Count() ? index : -1;
    if (row == markedRow_)
        return;
    const int old = markedRow_;
    markedRow_ = row;
    emit playMarkChanged(old, row);
}

void Playlist::SelectRow(int index) {
    std::fill(selected_.begin(), selected_.end(), 0);
    selectedCount_ = 0;
    if (index >= 0 && index < Count()) {
        selected_[static_cast<std::size_t>(index)] = 1;
        selectedCount_ = 1;
    }
    emit selectionChanged();
    player_.PlaylistSelectionChanged(index, selectedCount_);
    player_.UpdateTrackNumber();
}

void Playlist::ScrollToRow(int index) {
    emit scrollToRowRequested(index);
}

// --- The model's view

std::string_view Playlist::Field(int row, int field) const {
    if (row < 0 || row >= Count())
        return {};
    return entries_[static_cast<std::size_t>(row)].Field(field);
}

std::string_view Playlist::Cell(int row, int column) const {
    if (column < 0 || column >= static_cast<int>(columns_.size()))
        return {};
    return Field(row, columns_[static_cast<std::size_t>(column)]);
}

int Playlist::PlayMarkImage(int row) const {
    return row >= 0 && row == markedRow_ ? std::clamp(settings_.IconIndex, 0, 4) + 1 : 0;
}

QString Playlist::TitlesCaption() const {
    return QStringLiteral("Number of titles: %1").arg(Count());
}

// --- Selection

bool Playlist::IsSelected(int row) const {
    return row >= 0 && row < Count() && selected_[static_cast<std::size_t>(row)];
}

std::vector<int> Playlist::SelectedRows() const {
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(selectedCount_));
    for (std::size_t i = 0; i < selected_.size() && rows.size() < static_cast<std::size_t>(selectedCount_);
         ++i)
        if (selected_[i])
            rows.push_back(static_cast<int>(i));
    return rows;
}

void Playlist::SelectionChangedInView(const std::vector<int>& rows) {
    std::fill(selected_.begin(), selected_.end(), 0);
    selectedCount_ = 0;
    int first = -1;
    for (int row : rows)
        if (row >= 0 && row < Count() && !selected_[static_cast<std::size_t>(row)]) {
            selected_[static_cast<std::size_t>(row)] = 1;
            ++selectedCount_;
            first = first < 0 ? row : std::min(first, row);
        }
    player_.PlaylistSelectionChanged(first, selectedCount_);
    player_.UpdateTrackNumber();
}

// --- Commands

void Playlist::RebuildView() {
    if (Count() > 0)
        SelectRow(0);
    emit aboutToBeReset();
    columns_ = ColumnFields(settings_);
    emit wasReset();
    emit selectionChanged(); // a reset view has lost its selection
    markedRow_ = -1;
    MarkCurrentEntry(order_.Current());
}

void Playlist::AddFilesToPlaylist(const std::vector<std::string>& paths) {
    if (paths.empty())
        return;
    auto job = std::make_unique<Job>();
    job->kind = Job::Kind::Append;
    job->items.resize(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        job->items[i].record[RecordPath] = paths[i];
        job->items[i].readFromFile = true;
    }
    jobs_.push_back(std::move(job));
    if (jobs_.size() == 1)
        StartNextJob();
}

void Playlist::PlaySelected() {
    int first = -1;
    for (std::size_t i = 0; i < selected_.size() && first < 0; ++i)
        if (selected_[i])
            first = static_cast<int>(i);
    player_.PlaylistDoubleClick(first);
}

void Playlist::DeleteSelected() {
    if (selectedCount_ == 0)
        return;
    DropRunningReload();
    busy_ = true;
    const std::vector<unsigned char> removed = selected_;
    // Runs of selected rows, first to last.
    std::vector<std::pair<int, int>> runs;
    for (int row = 0; row < Count(); ++row) {
        if (!removed[static_cast<std::size_t>(row)])
            continue;
        if (!runs.empty() && runs.back().second == row - 1)
            runs.back().second = row;
        else
            runs.push_back({row, row});
    }
    markedRow_ = -1; // marked again when the rows are gone
    const bool reset = static_cast<int>(runs.size()) > MaxRemovalSignals;
    if (reset) {
        emit aboutToBeReset();
        std::size_t kept = 0;
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (!removed[i])
                entries_[kept++] = std::move(entries_[i]);
        entries_.resize(kept);
        selected_.assign(kept, 0);
        emit wasReset();
    } else {
        // From the last row to the first, as each removal changes the indices after it.
        for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
            emit rowsAboutToBeRemoved(run->first, run->second);
            entries_.erase(entries_.begin() + run->first, entries_.begin() + run->second + 1);
            selected_.erase(selected_.begin() + run->first, selected_.begin() + run->second + 1);
            emit rowsRemoved(run->first, run->second);
        }
    }
    selectedCount_ = 0;
    order_.Remove(removed);
    emit selectionChanged();
    MarkCurrentEntry(order_.Current());
    busy_ = false;
}

void Playlist::ClearList() {
    DropWork();
    busy_ = true;
    if (Count() > 0) {
        SelectRow(0);
        ScrollToRow(0);
    }
    emit aboutToBeReset();
    entries_.clear();
    entries_.shrink_to_fit();
    selected_.clear();
    selectedCount_ = 0;
    markedRow_ = -1;
    emit wasReset();
    RebuildView();
    busy_ = false;
    // No entry is current; while nothing plays the player window shows that no track is prepared.
    player_.PlaylistCleared();
    MarkCurrentEntry(-1);
}

void Playlist::SortPlaylist(int column) {
    if (column < 0 || column >= static_cast<int>(columns_.size()))
        return;
    DropRunningReload();
    const bool hasCurrent = order_.Current() >= 0;
    const std::string key = CurrentEntryKey();
    const bool descending = sort_.Click(column);
    QCollator collator; // the user's locale, case-sensitive
    ApplyOrder(SortedOrder(entries_, columns_[static_cast<std::size_t>(column)], descending, collator));
    if (hasCurrent) {
        FindCurrentByKey(key);
        MarkCurrentEntry(order_.Current());
    }
}

void Playlist::MoveSelectedRows(int targetRow) {
    std::vector<int> order = MovedOrder(Count(), SelectedRows(), targetRow);
    bool unchanged = true;
    for (std::size_t k = 0; k < order.size() && unchanged; ++k)
        unchanged = order[k] == static_cast<int>(k);
    if (unchanged)
        return;
    DropRunningReload();
    const bool hasCurrent = order_.Current() >= 0;
    const std::string key = CurrentEntryKey();
    ApplyOrder(order);
    emit selectionChanged();
    if (hasCurrent) {
        FindCurrentByKey(key);
        MarkCurrentEntry(order_.Current());
    }
}

void Playlist::ApplyOrder(const std::vector<int>& order) {
    emit aboutToBeReordered();
    std::vector<PlaylistEntry> entries(order.size());
    std::vector<unsigned char> selected(order.size());
    QList<int> newRowOfOld(static_cast<qsizetype>(order.size()));
    for (std::size_t k = 0; k < order.size(); ++k) {
        const auto old = static_cast<std::size_t>(order[k]);
        entries[k] = std::move(entries_[old]);
        selected[k] = selected_[old];
        newRowOfOld[static_cast<qsizetype>(old)] = static_cast<int>(k);
    }
    entries_ = std::move(entries);
    selected_ = std::move(selected);
    if (markedRow_ >= 0)
        markedRow_ = newRowOfOld[markedRow_]; // the play mark moves with its row
    emit reordered(newRowOfOld);
}

std::string Playlist::CurrentEntryKey() const {
    const int i = order_.Current();
    if (i < 0 || i >= Count())
        return {};
    return std::string(Field(i, RecordArtist)) + std::string(Field(i, RecordTitle));
}

void Playlist::FindCurrentByKey(const std::string& key) {
    int found = Count() - 1;
    for (; found >= 0; --found) {
        const std::string_view artist = Field(found, RecordArtist);
        const std::string_view title = Field(found, RecordTitle);
        if (artist.size() + title.size() == key.size() && key.starts_with(artist) &&
            std::string_view(key).substr(artist.size()) == title)
            break;
    }
    order_.Reordered(found);
}

void Playlist::ReloadFileInfos(const std::vector<int>& columnWidths) {
    if (!columnWidths.empty())
        StoreColumnWidths(settings_, columnWidths);
    auto job = std::make_unique<Job>();
    job->kind = Job::Kind::Reload;
    jobs_.push_back(std::move(job));
    if (jobs_.size() == 1)
        StartNextJob();
}

void Playlist::StartupReload() {
    if (settings_.ReloadInfos)
        ReloadFileInfos();
}

void Playlist::BuildShuffleOrder() {
    order_.BuildShuffleOrder(Count());
}

std::optional<std::string> Playlist::FileInfoTarget() const {
    if (!player_.TrackLoaded)
        return std::nullopt;
    std::string file;
    if (Count() == 0) {
        file = player_.CurrentFile();
    } else if (selectedCount_ == 0) {
        if (order_.Current() < 0 || order_.Current() >= Count())
            return std::nullopt;
        file = Field(order_.Current(), RecordPath);
    } else {
        file = Field(SelectedRows().front(), RecordPath);
    }
    if (!LocalFileAvailable(file))
        return std::nullopt;
    return file;
}

void Playlist::FillDecodeQueue() {
    std::vector<std::string> paths;
    for (int row : SelectedRows())
        paths.emplace_back(Field(row, RecordPath));
    decodebox_.Fill(paths);
}

// --- Playlist files

Playlist::FileCommandOutcome Playlist::LoadPlaylistFile(const std::string& fileName) {
    if (settings_.StopPlayback)
        player_.Stop();
    const PlaylistFormat format = PlaylistFormatOf(fileName);
    FileCommandOutcome outcome;
    if (format == PlaylistFormat::Unsupported) {
        // Nothing else changes: the list, its shuffle order and the current entry stay.
        outcome.ok = false;
        outcome.message = UnsupportedPlaylistMessage;
        return outcome;
    }
    // The file is read before the list is cleared: one that cannot be opened leaves the list as it was.
    std::vector<PlaylistEntry> loaded;
    std::vector<StoredEntry> stored;
    const PlaylistFileOutcome read = format == PlaylistFormat::Te3   ? LoadTe3Playlist(fileName, loaded)
                                     : format == PlaylistFormat::Tel ? LoadTelPlaylist(fileName, stored)
                                     : format == PlaylistFormat::M3u ? LoadM3uPlaylist(fileName, stored)
                                                                     : LoadPlsPlaylist(fileName, stored);
    if (!read.ok) {
        qCWarning(lcPlaylist) << "loading" << fileName.c_str() << "failed:" << read.error.c_str();
        outcome = {false, read.error, {}};
        if (loaded.empty() && stored.empty())
            return outcome;
    }
    order_.Clear();
    MarkCurrentEntry(-1);
    ClearList();
    if (format != PlaylistFormat::Tel)
        outcome.caption = CaptionFor(RemoveFileExt(GetFileNamePart(fileName)));
    if (format == PlaylistFormat::Te3) {
        AppendEntries(std::move(loaded)); // what was read before an error stays
        RebuildView();
        AfterLoad(format);
        return outcome;
    }
    auto job = std::make_unique<Job>();
    job->kind = Job::Kind::Load;
    job->format = format;
    job->items = std::move(stored);
    jobs_.push_back(std::move(job));
    StartNextJob();
    return outcome;
}

Playlist::FileCommandOutcome Playlist::SavePlaylistFile(const std::string& fileName) const {
    FileCommandOutcome outcome;
    PlaylistFileOutcome written;
    switch (PlaylistFormatOf(fileName)) {
    case PlaylistFormat::Te3:
        written = SaveTe3Playlist(fileName, entries_);
        break;
    case PlaylistFormat::Tel:
        written = SaveTelPlaylist(fileName, entries_);
        if (written.ok)
            outcome.caption = CaptionFor(RemoveFileExt(GetFileNamePart(fileName)));
        break;
    case PlaylistFormat::M3u:
        written = SaveM3uPlaylist(fileName, entries_);
        break;
    case PlaylistFormat::Pls:
        written = SavePlsPlaylist(fileName, entries_);
        break;
    case PlaylistFormat::Unsupported:
        return {false, UnsupportedPlaylistMessage, {}};
    }
    if (!written.ok) {
        qCWarning(lcPlaylist) << "saving" << fileName.c_str() << "failed:" << written.error.c_str();
        outcome.ok = false;
        outcome.message = written.error;
    }
    return outcome;
}

Playlist::FileCommandOutcome Playlist::LoadStartPlaylist(const std::string& programFolder) {
    const std::string temporary = TemporaryPlaylistPath(programFolder);
    std::string file;
    FileCommandOutcome outcome;
    if (settings_.RememberPlaylist && LocalFileAvailable(temporary)) {
        file = temporary;
    } else if (settings_.SelectedPlaylist && LocalFileAvailable(settings_.SelPlaylistName)) {
        file = settings_.SelPlaylistName;
        const std::size_t slash = file.rfind('/');
        const std::size_t dot = file.rfind('.');
        outcome.caption = CaptionFor(dot != std::string::npos && (slash == std::string::npos || dot > slash)
                                         ? file.substr(0, dot)
                                         : file);
    } else {
        return outcome;
    }
    std::vector<PlaylistEntry> loaded;
    const PlaylistFileOutcome read = LoadTe3Playlist(file, loaded); // whatever its extension
    if (!read.ok) {
        qCWarning(lcPlaylist) << "loading" << file.c_str() << "failed:" << read.error.c_str();
        outcome.ok = false;
        outcome.message = read.error;
    }
    AppendEntries(std::move(loaded));
    return outcome;
}

Playlist::FileCommandOutcome Playlist::SaveTemporaryPlaylist(const std::string& programFolder) const {
    const std::string file = TemporaryPlaylistPath(programFolder);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);
    const PlaylistFileOutcome written = SaveTe3Playlist(file, entries_);
    if (!written.ok) {
        qCWarning(lcPlaylist) << "saving the temporary playlist failed:" << written.error.c_str();
        return {false, written.error, {}};
    }
    return {};
}

void Playlist::AfterLoad(PlaylistFormat format) {
    if (settings_.ShufflePlay) {
        BuildShuffleOrder();
        if (!player_.Playing && !order_.ShuffleOrder().empty()) {
            SelectRow(order_.ShuffleOrder().front());
            ScrollToRow(order_.ShuffleOrder().front());
        }
    } else {
        SelectRow(0);
    }
    if (settings_.ReloadInfos && format == PlaylistFormat::Te3)
        ReloadFileInfos();
}

// --- Background work

bool Playlist::Working() const {
    return !jobs_.empty();
}

void Playlist::CancelWork() {
    // Queued jobs go; the running one stops and finishes with what it applied.
    while (jobs_.size() > 1)
        jobs_.pop_back();
    if (!jobs_.empty() && jobs_.front()->reader)
        jobs_.front()->reader->Cancel();
}

void Playlist::WaitForWork() {
    while (!jobs_.empty()) {
        Job* job = jobs_.front().get();
        if (!job->reader)
            StartNextJob();
        else
            job->reader->Wait(); // delivers every slice and finishes, which starts the next job
    }
}

void Playlist::DropWork() {
    dropping_ = true;
    CancelWork();
    dropping_ = false;
}

void Playlist::DropRunningReload() {
    if (!jobs_.empty() && jobs_.front()->kind == Job::Kind::Reload && jobs_.front()->reader) {
        dropping_ = true;
        jobs_.front()->reader->Cancel();
        dropping_ = false;
    }
}

void Playlist::StartNextJob() {
    if (jobs_.empty()) {
        emit workFinished();
        return;
    }
    Job& job = *jobs_.front();
    if (job.reader)
        return; // already running
    if (job.kind == Job::Kind::Reload) {
        job.items.resize(entries_.size());
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            job.items[i].record[RecordPath] = entries_[i].Path();
            job.items[i].readFromFile = true;
        }
    }
    job.listWasEmpty = entries_.empty();
    job.shuffleBatch = order_.ShuffleOrder().size();
    job.reader = new TrackInfoJob(std::move(job.items), settings_.ReadId3v2Tag, this);
    job.items.clear();
    connect(job.reader, &TrackInfoJob::sliceReady, this, &Playlist::ApplySlice);
    connect(job.reader, &TrackInfoJob::progress, this, &Playlist::workProgress);
    connect(job.reader, &TrackInfoJob::finished, this, &Playlist::JobFinished);
    emit workStarted(job.reader->Total());
    job.reader->Start();
}

void Playlist::ApplySlice(int first, const std::vector<TrackRecord>& records) {
    if (jobs_.empty() || records.empty())
        return;
    Job& job = *jobs_.front();
    if (job.kind == Job::Kind::Reload) {
        const int last = first + static_cast<int>(records.size()) - 1;
        if (first < 0 || last >= Count())
            return;
        for (std::size_t k = 0; k < records.size(); ++k)
            entries_[static_cast<std::size_t>(first) + k] = PlaylistEntry(records[k]);
        emit rowsChanged(first, last);
        return;
    }
    std::vector<PlaylistEntry> entries;
    entries.reserve(records.size());
    for (const TrackRecord& r : records)
        entries.emplace_back(r);
    const int firstNew = Count();
    const Job* applying = &job;
    AppendEntries(std::move(entries));
    // A handler of the new rows may have cancelled the work: the job is gone then.
    if (jobs_.empty() || jobs_.front().get() != applying || job.kind != Job::Kind::Append)
        return;
    if (settings_.ShufflePlay)
        order_.ShuffleInNew(firstNew, Count(), job.shuffleBatch, player_.Playing);
    if (job.firstSlice && job.listWasEmpty && firstNew == 0) {
        // A list that was empty gets its first row; a list that had entries keeps its selection.
        if (settings_.ShufflePlay) {
            if (!player_.Playing && !order_.ShuffleOrder().empty()) {
                SelectRow(order_.ShuffleOrder().front());
                ScrollToRow(order_.ShuffleOrder().front());
            }
        } else {
            SelectRow(0);
        }
    }
    job.firstSlice = false;
}

void Playlist::AppendEntries(std::vector<PlaylistEntry> entries) {
    if (entries.empty())
        return;
    const int first = Count();
    const int last = first + static_cast<int>(entries.size()) - 1;
    emit rowsAboutToBeInserted(first, last);
    if (entries_.empty())
        entries_ = std::move(entries);
    else
        entries_.insert(entries_.end(), std::make_move_iterator(entries.begin()),
                        std::make_move_iterator(entries.end()));
    selected_.resize(entries_.size(), 0);
    emit rowsInserted(first, last);
}

void Playlist::JobFinished(bool cancelled) {
    if (jobs_.empty())
        return;
    std::unique_ptr<Job> job = std::move(jobs_.front());
    jobs_.pop_front();
    // Deleted later: this runs inside the reader's own signal.
    job->reader->disconnect(this);
    job->reader->deleteLater();
    if (!dropping_) {
        if (job->kind == Job::Kind::Load) {
            RebuildView();
            AfterLoad(job->format);
        } else if (job->kind == Job::Kind::Reload && !cancelled) {
            busy_ = true;
            if (Count() > 0) {
                SelectRow(0);
                ScrollToRow(0);
            }
            RebuildView();
            busy_ = false;
            if (Count() > 0 && order_.Current() >= 0) {
                SelectRow(order_.Current());
                ScrollToRow(order_.Current());
            }
        }
    }
    StartNextJob();
}

} // namespace larkspin
