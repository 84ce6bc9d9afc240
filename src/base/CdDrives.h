#pragma once

#include "TocRecord.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

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
    std::string DisplayName;
    std::string DevicePath; // /dev/sr0, or the .cue file of a disc image
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

// True when libcdio can reach CD drives or disc images.
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

// Opens a drive through libcdio: the device, or for a disc image its .cue sheet (null when the sheet
// has no tracks, or when the sheet or its data file is no regular file: a FIFO or a device would block
// the caller for ever). The caller owns the handle and frees it with cdio_destroy.
CdIo_t* OpenCdDevice(const CdDriveInfo& drive);

// The data file libcdio reads for the disc image cuePath: the sheet's name with "cue" (or "CUE") at its
// end replaced by "bin" ("BIN"); empty when the name does not end so.
std::string DiscImageDataPath(const std::string& cuePath);

// Reads the TOC of one drive into toc: 0 on success, 1 when there is no readable disc (toc stays empty).
int ReadDriveToc(const CdDriveTable& table, int index, TocRecord& toc, TCDInterface cdInterface);

} // namespace larkspin
