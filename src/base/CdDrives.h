#pragma once

#include "TocRecord.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

typedef struct _CdIo CdIo_t;

namespace larkspin {

// How the drives are reached. On Linux every value means libcdio; the values stay so that settings and
// owners keep their meaning.
enum TCDInterface : int { cdiAutoDetect = 0, cdiASPI = 1, cdiNTSCSI = 2 };

inline constexpr int MaxCdDrives = 26;

struct CdDriveInfo {
    uint8_t HostAdapter = 0;
    uint8_t TargetId = 0;
    uint8_t Lun = 0;
    std::string Vendor;
    std::string Product;
    std::string ProductRevision;
    std::string VendorSpecific;
    std::string DisplayName; // the drive's names, or a disc image's sheet file name ("Album.cue")
    std::string DevicePath;  // /dev/sr0, or the .cue file of a disc image
    bool IsVirtual = false;
};

struct CdDriveTable {
    uint8_t CurrentDrive = 0;
    uint8_t DriveCount = 0;
    std::array<CdDriveInfo, MaxCdDrives> Drives;
};

// Raised when no way to reach CD drives exists for the chosen interface.
class ECdInterfaceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* NoUsableInterfaceText =
    "No usable interface available or selected interface not available";
inline constexpr const char* NoInterfaceText = "No usable interface available";

// True when libcdio can reach CD drives.
bool DetectInterface();

// Rebuilds the table: libcdio's CD devices in name order, then the disc images of virtualDrives
// (.cue paths separated by ";"), at most MaxCdDrives in all. True when at least one drive was found.
bool EnumerateCdDrives(CdDriveTable& table, TCDInterface cdInterface, const std::string& virtualDrives);

// Fills the identification texts of one entry. False when the device gave none; then DisplayName is
// the device path.
bool InquireDrive(int index, CdDriveTable& table, TCDInterface cdInterface);

// Keeps libcdio from logging below an assertion: it aborts the process when two threads log at once.
// The functions here call it first; code that calls libcdio itself on other threads calls it before.
void QuietCdioLogging();

// Opens a real drive through libcdio; null for a disc image (DiscImageReader reads those) or when
// the device cannot be opened. The caller owns the handle and frees it with cdio_destroy.
CdIo_t* OpenCdDevice(const CdDriveInfo& drive);

// One track of a disc as its TOC gives it.
struct DiscTocTrack {
    int Number = 0;
    std::int32_t Start = 0; // first sector, counted from the first track's start as 0 (LSN)
    bool Audio = true;
};

struct DiscToc {
    std::vector<DiscTocTrack> Tracks; // rising starts, all before LeadOut
    std::int32_t LeadOut = 0;
};

// Reads the TOC of a drive (through libcdio) or a disc image (from its CUE sheet). False when there
// is no readable disc; then error (when given) says why.
bool ReadDiscToc(const CdDriveInfo& drive, DiscToc& toc, std::string* error = nullptr);

// Reads the TOC of one drive into toc: 0 on success, 1 when there is no readable disc (toc stays empty).
int ReadDriveToc(const CdDriveTable& table, int index, TocRecord& toc, TCDInterface cdInterface);

} // namespace larkspin
