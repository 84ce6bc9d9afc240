#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace larkspin {

// The eleven texts of one audio file, in this fixed order (a playlist entry, a library import row and
// the first eleven fields of a library line).
enum TrackRecordField {
    RecordArtist,
    RecordTitle,
    RecordLength,
    RecordAlbum,
    RecordBitrate,
    RecordYear,
    RecordStyle,
    RecordComment,
    RecordTrack,
    RecordSize,
    RecordPath,
    TrackRecordFields
};
using TrackRecord = std::array<std::string, TrackRecordFields>;

// Field numbers of GetTrackInfo (not the order of TrackRecord).
enum TrackInfoField {
    InfoArtist = 1,
    InfoTitle = 2,
    InfoAlbum = 3,
    InfoBitrate = 4,
    InfoLength = 5,
    InfoYear = 6,
    InfoStyle = 7,
    InfoComment = 8,
    InfoTrack = 9,
    InfoSize = 10
};

inline constexpr const char* FileNotFoundText = "Error! File not found!";
inline constexpr const char* NoValueText = "---";

// True when the track information service reads this file's tags and properties (decided by the
// upper-cased extension alone); other files get their artist and title from the file name.
bool ReadsTrackInfo(const std::string& path);

// Makes the calling thread's set of tag and header readers (ID3v1, MPEG audio, ID3v2, WAV, Ogg Vorbis,
// WMA, FLAC, Opus, MP4). Each thread that asks for track information gets its own set, made on first use.
void CreateTrackReaders();

// One field of a file (1 to 10) as display text, chosen by the file's extension (MP3, WAV, OGG, WMA,
// FLAC, OPUS, M4A, MP4; any other gives the empty text, as does a field number outside 1 to 10). With
// useId3v2 set, an MP3 file whose ID3v2 tag is present answers every text field from that tag alone, and
// fields 4, 5 and 10 as the empty text; otherwise from ID3v1 and the first MPEG frame. Reads the file on
// every call.
std::string GetTrackInfo(const std::string& path, int field, bool useId3v2);

// Fills record for one file with a single read of it. A file that does not exist gives the artist
// "Error! File not found!", the path as title, "---" for the eight fields from Length to Size.
// Artist and title fall back to the file name ("Artist - Title.mp3").
void FillTrackItem(const std::string& path, TrackRecord& record, bool useId3v2);

// Progress of FillTrackItems: Begin(maximum) before the first path (maximum = count - 1), Step(i)
// after path i, End() when done. Each may be empty.
struct FillProgress {
    std::function<void(int maximum)> Begin;
    std::function<void(int position)> Step;
    std::function<void()> End;
};

// Appends one record per path, in order. Files of other types are not opened: their artist and title
// come from the file name, and the eight fields from Length to Size are "---".
void FillTrackItems(const std::vector<std::string>& paths, std::vector<TrackRecord>& records, bool useId3v2,
                    const FillProgress& progress = {});

// Library line: thirteen fields, each filled with spaces to its width or cut to it (at a UTF-8
// character boundary): Artist 100, Title 100, Length 20, Album 100, Bitrate 10, Year 10, Style 20,
// Comment 100, Track 5, Size 10, Path 255, Location 50, Rating 5; 785 bytes in all.
inline constexpr std::array<std::size_t, 13> LibraryFieldWidths = {100, 100, 20, 100, 10, 10, 20,
                                                                   100, 5,   10, 255, 50, 5};
inline constexpr std::size_t LibraryLineLength = 785;

// The TransformArtOrg and TransformTitOrg settings: drop a leading "NN " from artists and titles.
struct LibraryTransforms {
    bool TransformArtOrg = false;
    bool TransformTitOrg = false;
};

// Builds the library line for one file (a single read of it) and appends it to lines, unsorted.
void BuildLibraryLine(const std::string& path, std::vector<std::string>& lines, bool useId3v2,
                      const LibraryTransforms& transforms = {});

// Fills text with spaces to width bytes, or cuts it to at most width bytes at a character boundary
// (and then fills).
std::string FillToWidth(const std::string& text, std::size_t width);

} // namespace larkspin
