#include "PlaylistFiles.h"

namespace larkspin {

PlaylistFormat PlaylistFormatOf(const std::string&) {
    return PlaylistFormat::Unsupported;
}
std::string_view CutAtCharacter(std::string_view text, std::size_t capacity) {
    return text.substr(0, capacity);
}
PlaylistFileOutcome LoadTe3Playlist(const std::string&, std::vector<PlaylistEntry>&) {
    return {};
}
PlaylistFileOutcome SaveTe3Playlist(const std::string&, const std::vector<PlaylistEntry>&) {
    return {};
}
PlaylistFileOutcome LoadTelPlaylist(const std::string&, std::vector<StoredEntry>&) {
    return {};
}
PlaylistFileOutcome SaveTelPlaylist(const std::string&, const std::vector<PlaylistEntry>&) {
    return {};
}
PlaylistFileOutcome LoadM3uPlaylist(const std::string&, std::vector<StoredEntry>&) {
    return {};
}
PlaylistFileOutcome SaveM3uPlaylist(const std::string&, const std::vector<PlaylistEntry>&) {
    return {};
}
PlaylistFileOutcome LoadPlsPlaylist(const std::string&, std::vector<StoredEntry>&) {
    return {};
}
std::string TemporaryPlaylistPath(const std::string& programFolder) {
    return programFolder + "/Temporary Playlist/Temp.te3";
}

} // namespace larkspin
