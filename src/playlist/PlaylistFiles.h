#pragma once

#include "PlaylistEntry.h"
#include "TrackInfo.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Playlist files: TE3 and TEL fixed-record files, M3U/M3U8 and PLS. Standard library only; every file
// is written through AtomicFile, so a failed save leaves the previous file whole.
namespace larkspin {

enum class PlaylistFormat { Te3, Tel, M3u, Pls, Unsupported };

// The format by the upper-cased extension alone ("TE3", "TEL", "M3U" or "M3U8", "PLS"); the contents
// are never examined.
PlaylistFormat PlaylistFormatOf(const std::string& fileName);

// Shown for any other extension.
inline constexpr const char* UnsupportedPlaylistMessage = "This file type is not supported yet!";

inline constexpr std::size_t Te3RecordSize = 751;
inline constexpr std::size_t TelRecordSize = 458;

// Byte capacity of each TE3 field in TrackRecord order (one length byte precedes each).
inline constexpr std::array<std::size_t, TrackRecordFields> Te3Capacities = {100, 100, 20, 100, 20, 10,
                                                                             20,  100, 5,  10,  255};

// The longest prefix of text of at most capacity bytes that does not end inside a UTF-8 sequence.
std::string_view CutAtCharacter(std::string_view text, std::size_t capacity);

// Outcome of reading or writing a playlist file. error is a text for the user when ok is false.
struct PlaylistFileOutcome {
    bool ok = true;
    std::string error;
};

// One entry of a TEL, M3U or PLS file: what the file stores, and whether the entry is to be filled from
// its audio file instead (TEL: the types ReadsTrackInfo accepts; M3U/PLS: those, and every entry the
// list gives no title for).
struct StoredEntry {
    TrackRecord record;
    bool readFromFile = false;
};

// TE3: appends one entry per whole 751-byte record; a trailing partial record is ignored. A length byte
// above the field's capacity is clamped to it. Text fields that are no UTF-8 are read as Latin-1; the
// path keeps its bytes (a Linux file name may be any bytes). On a read error the entries read so far
// stay appended.
PlaylistFileOutcome LoadTe3Playlist(const std::string& fileName, std::vector<PlaylistEntry>& entries);
PlaylistFileOutcome SaveTe3Playlist(const std::string& fileName, const std::vector<PlaylistEntry>& entries);

// TEL: artist, title and path per 458-byte record.
PlaylistFileOutcome LoadTelPlaylist(const std::string& fileName, std::vector<StoredEntry>& entries);
PlaylistFileOutcome SaveTelPlaylist(const std::string& fileName, const std::vector<PlaylistEntry>& entries);

// M3U and M3U8, both UTF-8 (a line that is no UTF-8 is read as Latin-1): "#EXTM3U", then per entry
// "#EXTINF:seconds,Artist - Title" and the path. Relative paths and file:// addresses are resolved
// against the list's folder on load; a path below the list's folder is written relative to it.
PlaylistFileOutcome LoadM3uPlaylist(const std::string& fileName, std::vector<StoredEntry>& entries);
PlaylistFileOutcome SaveM3uPlaylist(const std::string& fileName, const std::vector<PlaylistEntry>& entries);

// PLS ("[playlist]", FileN, TitleN, LengthN), entries in the order of N. Paths are stored as in M3U.
PlaylistFileOutcome LoadPlsPlaylist(const std::string& fileName, std::vector<StoredEntry>& entries);
PlaylistFileOutcome SavePlsPlaylist(const std::string& fileName, const std::vector<PlaylistEntry>& entries);

// The temporary playlist: folder + "/Temporary Playlist/Temp.te3".
std::string TemporaryPlaylistPath(const std::string& programFolder);

} // namespace larkspin
