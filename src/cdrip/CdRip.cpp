#include "CdRip.h"

#include "CdDrives.h"
#include "CdRipReader.h"

#include <cdio/cdio.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace larkspin {

namespace {

// The library's process-wide state; every field is guarded by lock.
struct RipLibrary {
    std::mutex lock;
    std::string virtualDrives;
    bool initialised = false;
    CdDriveTable drives;
    std::vector<CDROMPARAMS> params; // one record per drive
    int active = 0;
    std::vector<TOCENTRY> toc; // the tracks, then the lead-out; empty without a readable disc
    CdRipReader reader;
    std::string lastError;
};

RipLibrary& Library() {
    static RipLibrary library;
    return library;
}

bool ActiveValid(const RipLibrary& lib) {
    return lib.initialised && lib.active >= 0 && lib.active < lib.drives.DriveCount;
}

CDROMPARAMS DefaultParams(const CdDriveInfo& drive) {
    CDROMPARAMS params;
    std::string name = drive.DisplayName.empty() ? drive.DevicePath : drive.DisplayName;
    name.resize(std::min<size_t>(name.size(), 255));
    std::memcpy(params.Bytes.data() + ParamDriveName, name.data(), name.size());
    WriteParam32(params, ParamJitterCorrect, 0xFFFFFFFFu);
    params.Bytes[ParamOutputFormat] = STEREO44100;
    return params;
}

} // namespace

std::uint32_t ReadParam32(const CDROMPARAMS& params, int offset) {
    const std::uint8_t* p = params.Bytes.data() + offset;
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void WriteParam32(CDROMPARAMS& params, int offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        params.Bytes[static_cast<size_t>(offset + i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

void CR_SetVirtualDrives(const std::string& cuePaths) noexcept {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    try {
        lib.virtualDrives = cuePaths;
    } catch (...) {
        lib.virtualDrives.clear();
    }
}

std::uint32_t CR_GetCDRipVersion() noexcept {
    return 300;
}

int CR_Init() noexcept {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    try {
        lib.reader.Close();
        lib.toc.clear();
        lib.active = 0;
        lib.initialised = EnumerateCdDrives(lib.drives, cdiAutoDetect, lib.virtualDrives);
        lib.params.clear();
        for (int i = 0; i < lib.drives.DriveCount; ++i)
            lib.params.push_back(DefaultParams(lib.drives.Drives[static_cast<size_t>(i)]));
    } catch (...) {
        lib.initialised = false;
    }
    if (!lib.initialised)
        lib.drives.DriveCount = 0;
    return lib.initialised ? 0 : 1;
}

int CR_GetNumCDROM() noexcept {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    return lib.initialised ? lib.drives.DriveCount : 0;
}

int CR_GetActiveCDROM() noexcept {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    return lib.active;
}

int CR_SetActiveCDROM(int drive) noexcept {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    if (!lib.initialised || drive < 0 || drive >= lib.drives.DriveCount)
        return 1;
    if (drive != lib.active) {
        lib.reader.Close();
        lib.toc.clear();
    }
    lib.active = drive;
    return 0;
}

std::string CR_GetDevicePath(int drive) {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    if (!lib.initialised || drive < 0 || drive >= lib.drives.DriveCount)
        return {};
    return lib.drives.Drives[static_cast<size_t>(drive)].DevicePath;
}

bool CR_IsVirtualDrive(int drive) noexcept {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    return lib.initialised && drive >= 0 && drive < lib.drives.DriveCount &&
           lib.drives.Drives[static_cast<size_t>(drive)].IsVirtual;
}

int CR_GetCDROMParameters(CDROMPARAMS* params) noexcept {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    if (!params || !ActiveValid(lib))
        return 1;
    *params = lib.params[static_cast<size_t>(lib.active)];
    return 0;
}

int CR_SetCDROMParameters(const CDROMPARAMS* params) noexcept {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    if (!params || !ActiveValid(lib) || params->Bytes[ParamOutputFormat] >= OutputFormatCount)
        return 1;
    lib.params[static_cast<size_t>(lib.active)] = *params;
    return 0;
}

int CR_ReadToc() noexcept {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    lib.toc.clear();
    if (!ActiveValid(lib))
        return 1;
    try {
        DiscToc disc;
        if (!ReadDiscToc(lib.drives.Drives[static_cast<size_t>(lib.active)], disc))
            return 1;
        std::vector<TOCENTRY> toc;
        for (const DiscTocTrack& track : disc.Tracks) {
            TOCENTRY entry;
            entry.StartSector = track.Start;
            entry.TrackNumber = static_cast<std::uint8_t>(track.Number);
            entry.Flag = track.Audio ? TocFlagAudio : TocFlagData;
            toc.push_back(entry);
        }
        TOCENTRY leadOut;
        leadOut.StartSector = disc.LeadOut;
        leadOut.TrackNumber = TocLeadOutTrack;
        leadOut.Flag = TocFlagAudio;
        toc.push_back(leadOut);
        lib.toc = std::move(toc);
    } catch (...) {
        return 1;
    }
    return 0;
}

int CR_GetNumTocEntries() noexcept {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    return lib.toc.empty() ? 0 : static_cast<int>(lib.toc.size()) - 1;
}

TOCENTRY CR_GetTocEntry(int index) noexcept {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    if (index < 0 || static_cast<size_t>(index) >= lib.toc.size())
        return {};
    return lib.toc[static_cast<size_t>(index)];
}

int CR_OpenRipper(std::int32_t* bufferSize, std::int32_t first, std::int32_t last) noexcept {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    if (bufferSize)
        *bufferSize = 0;
    if (!ActiveValid(lib)) {
        lib.lastError = "No drive";
        return 1;
    }
    const CDROMPARAMS& params = lib.params[static_cast<size_t>(lib.active)];
    CdRipOptions options;
    options.JitterCorrect = ReadParam32(params, ParamJitterCorrect) != 0;
    options.SwapChannels = ReadParam32(params, ParamSwapChannels) != 0;
    options.Format = static_cast<TOutputFormat>(params.Bytes[ParamOutputFormat]);
    options.Speed = static_cast<int>(ReadParam32(params, ParamSpeed));
    const int result =
        lib.reader.Open(lib.drives.Drives[static_cast<size_t>(lib.active)], first, last, options);
    if (result != CrOk) {
        lib.lastError = lib.reader.LastError();
        return 1;
    }
    if (bufferSize)
        *bufferSize = lib.reader.BufferSize();
    return 0;
}

int CR_RipChunk(std::uint8_t* buffer, std::int32_t* bytes) noexcept {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    std::int32_t delivered = 0;
    const int result = buffer ? lib.reader.ReadChunk(buffer, delivered) : CrError;
    if (bytes)
        *bytes = delivered;
    if (result == CrError)
        lib.lastError = buffer ? lib.reader.LastError() : "No buffer";
    return result;
}

void CR_GetLastJitterErrorPosition(std::int32_t* start, std::int32_t* end) noexcept {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    std::int32_t s = 0, e = 0;
    lib.reader.LastJitterErrorPosition(s, e);
    if (start)
        *start = s;
    if (end)
        *end = e;
}

int CR_GetPercentCompleted() noexcept {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    return lib.reader.PercentCompleted();
}

int CR_GetNumberOfJitterErrors() noexcept {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    return lib.reader.JitterErrorCount();
}

int CR_CloseRipper() noexcept {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    lib.reader.Close();
    return 0;
}

std::string CR_GetLastError() {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    return lib.lastError;
}

int CR_EjectCD(bool open) noexcept {
    RipLibrary& lib = Library();
    std::lock_guard guard(lib.lock);
    if (!ActiveValid(lib))
        return 1;
    const CdDriveInfo& drive = lib.drives.Drives[static_cast<size_t>(lib.active)];
    if (drive.IsVirtual)
        return 0;
    lib.reader.Close();
    lib.toc.clear();
    if (open)
        return cdio_eject_media_drive(drive.DevicePath.c_str()) == DRIVER_OP_SUCCESS ? 0 : 1;
    driver_id_t driver = DRIVER_DEVICE;
    return cdio_close_tray(drive.DevicePath.c_str(), &driver) == DRIVER_OP_SUCCESS ? 0 : 1;
}

} // namespace larkspin
