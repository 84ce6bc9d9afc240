#pragma once

#include "CdRipFormat.h"

#include <array>
#include <cstdint>
#include <string>

// The CD ripping library: drives and disc images, their tables of contents and ripping a sector range
// in chunks, through one process-wide active drive and one ripper. Standard library and libcdio only;
// no exception leaves these calls. Every call may come from any thread (they are serialised), but one
// rip is driven by one thread. Results: 0 success, 1 failure, unless a call says otherwise.
//
// Sector numbers count from the first track's start as 0 (libcdio's LSN); the lead-in is not included.

namespace larkspin {

// The drive parameter record, exchanged whole. Fields at these byte offsets (little-endian); every other
// byte passes through unchanged between a get and a set.
inline constexpr int CdRomParamsSize = 340;
struct CDROMPARAMS {
    std::array<std::uint8_t, CdRomParamsSize> Bytes{};
};
inline constexpr int ParamDriveName = 0;       // 256 bytes, NUL-terminated drive identification
inline constexpr int ParamSpeed = 276;         // 32-bit read speed, 0 = the drive's own
inline constexpr int ParamJitterCorrect = 284; // 32-bit, 0 = off, all bits set = on
inline constexpr int ParamSwapChannels = 288;  // 32-bit, same encoding
inline constexpr int ParamDriveTable = 292;    // seven 32-bit slots
inline constexpr int ParamOutputFormat = 327;  // one byte, TOutputFormat

std::uint32_t ReadParam32(const CDROMPARAMS& params, int offset);
void WriteParam32(CDROMPARAMS& params, int offset, std::uint32_t value);

// One entry of the table of contents; the entry after the last track is the lead-out (track 0xAA).
struct TOCENTRY {
    std::int32_t StartSector = 0;
    std::uint8_t Flag = 0; // 0x10 audio track, 0x14 data track
    std::uint8_t TrackNumber = 0;
};
inline constexpr std::uint8_t TocFlagAudio = 0x10;
inline constexpr std::uint8_t TocFlagData = 0x14;
inline constexpr std::uint8_t TocLeadOutTrack = 0xAA;

// Disc images (.cue paths separated by ";") offered as drives after the real ones; takes effect at the
// next CR_Init.
void CR_SetVirtualDrives(const std::string& cuePaths) noexcept;

std::uint32_t CR_GetCDRipVersion() noexcept;
// Finds the drives (libcdio's CD devices in name order, then the disc images); drive 0 becomes active.
// 1 when there is no drive at all.
int CR_Init() noexcept;
int CR_GetNumCDROM() noexcept;
int CR_GetActiveCDROM() noexcept;
int CR_SetActiveCDROM(int drive) noexcept;
// The device path (/dev/sr0, or the .cue of an image) of a drive; empty when there is none.
std::string CR_GetDevicePath(int drive);
bool CR_IsVirtualDrive(int drive) noexcept;
int CR_GetCDROMParameters(CDROMPARAMS* params) noexcept;
// 1 when the record is unusable (an unknown output format); the drive keeps its old parameters then.
int CR_SetCDROMParameters(const CDROMPARAMS* params) noexcept;

// Reads the table of contents of the active drive. 1 when there is no readable disc or its starts do
// not rise inside the disc (a damaged image); the entry count is then 0.
int CR_ReadToc() noexcept;
int CR_GetNumTocEntries() noexcept;
// Entry index (0 to the count; the count gives the lead-out); an empty entry outside.
TOCENTRY CR_GetTocEntry(int index) noexcept;

// Prepares ripping sectors first to last (inclusive) of the active drive with its parameters (jitter
// correction, channel swap, output format, speed). bufferSize: the most bytes one chunk delivers.
int CR_OpenRipper(std::int32_t* bufferSize, std::int32_t first, std::int32_t last) noexcept;
// Delivers the next chunk: 0 data, 1 error (nothing usable; CR_GetLastError says why), 3 jitter error
// (data still delivered; see CR_GetLastJitterErrorPosition), 4 range finished (with the last data).
int CR_RipChunk(std::uint8_t* buffer, std::int32_t* bytes) noexcept;
void CR_GetLastJitterErrorPosition(std::int32_t* start, std::int32_t* end) noexcept;
int CR_GetPercentCompleted() noexcept;
int CR_GetNumberOfJitterErrors() noexcept;
int CR_CloseRipper() noexcept;
// The reason of the last failure of CR_OpenRipper or CR_RipChunk.
std::string CR_GetLastError();

// Opens the active drive's tray (open true) or closes it; for a disc image there is nothing to move.
int CR_EjectCD(bool open) noexcept;

} // namespace larkspin
