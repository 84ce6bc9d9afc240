#include "Playlist.h"

#include "PlayerController.h"
#include "Settings.h"
#include "TrackInfoJob.h"

namespace larkspin {

struct Playlist::Job {};

Playlist::Playlist(Settings& settings, PlayerController& player, QObject* parent)
    : QObject(parent), settings_(settings), player_(player) {}
Playlist::~Playlist() = default;

PlayerEntryList::Entry Playlist::EntryAt(int) const {
    return {};
}
void Playlist::MarkCurrentEntry(int) {}
void Playlist::SelectRow(int) {}
void Playlist::ScrollToRow(int row) {
    emit scrollToRowRequested(row);
}
std::string_view Playlist::Field(int, int) const {
    return {};
}
std::string_view Playlist::Cell(int, int) const {
    return {};
}
int Playlist::PlayMarkImage(int) const {
    return 0;
}
QString Playlist::TitlesCaption() const {
    return QStringLiteral("Number of titles: %1").arg(Count());
}
bool Playlist::IsSelected(int) const {
    return false;
}
std::vector<int> Playlist::SelectedRows() const {
    return {};
}
void Playlist::SelectionChangedInView(const std::vector<int>&) {}
void Playlist::RebuildView() {}
void Playlist::AddFilesToPlaylist(const std::vector<std::string>&) {}
void Playlist::PlaySelected() {}
void Playlist::DeleteSelected() {}
void Playlist::ClearList() {}
void Playlist::SortPlaylist(int) {}
void Playlist::MoveSelectedRows(int) {}
std::string Playlist::CurrentEntryKey() const {
    return {};
}
void Playlist::FindCurrentByKey(const std::string&) {}
void Playlist::ReloadFileInfos(const std::vector<int>&) {}
void Playlist::StartupReload() {}
void Playlist::BuildShuffleOrder() {}
std::optional<std::string> Playlist::FileInfoTarget() const {
    return std::nullopt;
}
void Playlist::FillDecodeQueue() {}
Playlist::FileCommandOutcome Playlist::LoadPlaylistFile(const std::string&) {
    return {};
}
Playlist::FileCommandOutcome Playlist::SavePlaylistFile(const std::string&) const {
    return {};
}
Playlist::FileCommandOutcome Playlist::LoadStartPlaylist(const std::string&) {
    return {};
}
Playlist::FileCommandOutcome Playlist::SaveTemporaryPlaylist(const std::string&) const {
    return {};
}
bool Playlist::Working() const {
    return false;
}
void Playlist::CancelWork() {}
void Playlist::WaitForWork() {}

} // namespace larkspin
