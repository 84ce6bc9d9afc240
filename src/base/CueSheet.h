#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace larkspin {

// Raw CD sectors as drives deliver them and disc images hold them.
inline constexpr int CueSectorBytes = 2352;
// The most sectors a disc image may hold: 99:59:74 with the 2-second lead-in counted.
inline constexpr std::int32_t CueMaxDiscSectors = 100 * 60 * 75 - 150;

enum class CueFileType {
    Binary,   // raw sectors, audio little-endian
    Motorola, // raw sectors, audio big-endian
    Wave,     // a RIFF/WAVE file of 44.1 kHz 16-bit stereo PCM
};

// One data file of a sheet, as found on disk.
struct CueFile {
    std::string Name; // as the sheet writes it
    std::string Path; // where it was found
    CueFileType Type = CueFileType::Binary;
    std::int64_t DataOffset = 0; // where the file's first sector starts (a WAVE file's data chunk)
    std::int64_t DataBytes = 0;  // bytes of sectors from there on
};

// Consecutive disc sectors read from one file, or silence (File -1) for a PREGAP or POSTGAP.
struct CueSpan {
    std::int32_t FirstSector = 0; // counted from the first track's start as 0 (LSN)
    std::int32_t Sectors = 0;
    int File = -1;
    std::int64_t ByteOffset = 0;      // of FirstSector in the file
    int SectorBytes = CueSectorBytes; // bytes per sector in the file (2048 for MODE1/2048 ...)
    int RawOffset = 0;      // where those bytes go in a raw 2352-byte sector (16 for MODE1/2048 ...)
    bool SwapBytes = false; // big-endian audio (a MOTOROLA file)
};

struct CueTrack {
    int Number = 0;
    bool Audio = true;
    std::string Mode;         // as written: AUDIO, MODE1/2352 ...
    std::int32_t Index0 = -1; // where its pregap begins (INDEX 00 or a PREGAP), -1 without one
    std::int32_t Start = 0;   // INDEX 01
};

// A disc image laid out as a disc: tracks at their sectors, sectors mapped to files and gaps.
struct DiscLayout {
    std::vector<CueFile> Files;
    std::vector<CueTrack> Tracks; // rising starts, numbers rising by one
    std::vector<CueSpan> Spans;   // in disc order, without holes, from sector 0 to LeadOut
    std::int32_t LeadOut = 0;     // the first sector after the disc
};

// Reads the CUE sheet at cuePath and the sizes of the files it names into layout. Keywords in any
// case; FILE names quoted or not, relative to the sheet's folder (a name not found as written is
// looked for in that folder by its last part, in any case); BINARY, MOTOROLA and WAVE files; TRACK,
// INDEX, PREGAP and POSTGAP (silence on the disc that no file holds). Never opens anything but
// regular files, so a FIFO or a device cannot block the caller. False with a sentence in error when
// the sheet cannot be used.
bool ReadCueSheet(const std::string& cuePath, DiscLayout& layout, std::string& error);

// Lays out a sheet given as text; files are looked for in folder.
bool ParseCueSheet(const std::string& text, const std::string& folder, DiscLayout& layout,
                   std::string& error);

} // namespace larkspin
