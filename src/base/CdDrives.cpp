#include "CdDrives.h"

#include "CueSheet.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace larkspin {

namespace {

struct CdioCloser {
    void operator()(CdIo_t* p) const { cdio_destroy(p); }
};
using CdioHandle = std::unique_ptr<CdIo_t, CdioCloser>;

bool InterfaceKnown(TCDInterface cdInterface) {
    return cdInterface == cdiAutoDetect || cdInterface == cdiASPI || cdInterface == cdiNTSCSI;
}

void RequireRoute(TCDInterface cdInterface, const char* message) {
    if (!InterfaceKnown(cdInterface) || !DetectInterface())
        throw ECdInterfaceError(message);
}

std::string FileName(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Trimmed(const std::string& s) {
    auto isSpace = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    auto first = std::find_if_not(s.begin(), s.end(), isSpace);
    auto last = std::find_if_not(s.rbegin(), s.rend(), isSpace).base();
    return first < last ? std::string(first, last) : std::string();
}

std::vector<std::string> SplitVirtualDrives(const std::string& list) {
    std::vector<std::string> paths;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string::npos)
            end = list.size();
        std::string path = Trimmed(list.substr(start, end - start));
        if (!path.empty())
            paths.push_back(path);
        start = end + 1;
    }
    return paths;
}

CdioHandle OpenDrive(const CdDriveInfo& drive) {
    return CdioHandle(OpenCdDevice(drive));
}

std::string CutAtZero(const char* text, size_t capacity) {
    size_t n = 0;
    while (n < capacity && text[n] != '\0')
        ++n;
    return Trimmed(std::string(text, n));
}

} // namespace

// libcdio's logging aborts the process when two threads log at once (it takes the second message for
// a recursion), and opening a device logs warnings. The CD plug-in reads on its own threads and the
// ripper on another, so libcdio logs nothing below an assertion; what fails shows in results.
void QuietCdioLogging() {
    static std::once_flag once;
    std::call_once(once, [] { cdio_loglevel_default = CDIO_LOG_ASSERT; });
}

CdIo_t* OpenCdDevice(const CdDriveInfo& drive) {
    QuietCdioLogging();
    if (drive.DevicePath.empty() || drive.IsVirtual)
        return nullptr;
    return cdio_open(drive.DevicePath.c_str(), DRIVER_DEVICE);
}

bool ReadDiscToc(const CdDriveInfo& drive, DiscToc& toc, std::string* error) {
    toc = DiscToc{};
    std::string why;
    auto fail = [&](std::string text) {
        toc = DiscToc{};
        if (error)
            *error = std::move(text);
        return false;
    };
    if (drive.IsVirtual) {
        DiscLayout layout;
        if (!ReadCueSheet(drive.DevicePath, layout, why))
            return fail(why);
        for (const CueTrack& track : layout.Tracks)
            toc.Tracks.push_back({track.Number, track.Start, track.Audio});
        toc.LeadOut = layout.LeadOut;
        return true;
    }
    CdioHandle cd = OpenDrive(drive);
    if (!cd)
        return fail("No disc in " + drive.DevicePath);
    const track_t first = cdio_get_first_track_num(cd.get());
    const track_t count = cdio_get_num_tracks(cd.get());
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0)
        return fail("No tracks on the disc in " + drive.DevicePath);
    toc.LeadOut = cdio_get_track_lsn(cd.get(), CDIO_CDROM_LEADOUT_TRACK);
    for (int i = 0; i < count && first + i <= CDIO_CD_MAX_TRACKS; ++i) {
        const auto number = static_cast<track_t>(first + i);
        const lsn_t start = cdio_get_track_lsn(cd.get(), number);
        // Starts must rise and stay before the lead-out; a damaged disc can claim anything.
        if (start == CDIO_INVALID_LSN || start < 0 ||
            (!toc.Tracks.empty() && start <= toc.Tracks.back().Start))
            return fail("The disc in " + drive.DevicePath + " has a damaged table of contents");
        toc.Tracks.push_back({number, start, cdio_get_track_format(cd.get(), number) == TRACK_FORMAT_AUDIO});
    }
    if (toc.LeadOut == CDIO_INVALID_LSN || toc.LeadOut <= toc.Tracks.back().Start)
        return fail("The disc in " + drive.DevicePath + " has a damaged table of contents");
    return true;
}

bool DetectInterface() {
    return cdio_have_driver(DRIVER_BINCUE) || cdio_have_driver(DRIVER_LINUX);
}

bool EnumerateCdDrives(CdDriveTable& table, TCDInterface cdInterface, const std::string& virtualDrives) {
    QuietCdioLogging();
    RequireRoute(cdInterface, NoUsableInterfaceText);
    table.DriveCount = 0;
    table.Drives = {};

    std::vector<std::string> devices;
    if (char** list = cdio_get_devices(DRIVER_DEVICE)) {
        for (char** p = list; *p; ++p)
            devices.emplace_back(*p);
        cdio_free_device_list(list);
    }
    std::sort(devices.begin(), devices.end());
    devices.erase(std::unique(devices.begin(), devices.end()), devices.end());

    auto add = [&](const std::string& path, bool isVirtual) {
        if (table.DriveCount >= MaxCdDrives)
            return;
        CdDriveInfo& drive = table.Drives[table.DriveCount];
        drive.DevicePath = path;
        drive.IsVirtual = isVirtual;
        InquireDrive(table.DriveCount, table, cdInterface);
        ++table.DriveCount;
    };
    for (const auto& device : devices)
        add(device, false);
    for (const auto& image : SplitVirtualDrives(virtualDrives))
        add(image, true);
    return table.DriveCount > 0;
}

bool InquireDrive(int index, CdDriveTable& table, TCDInterface cdInterface) {
    RequireRoute(cdInterface, NoInterfaceText);
    if (index < 0 || index >= MaxCdDrives)
        return false;
    CdDriveInfo& drive = table.Drives[index];
    drive.Vendor.clear();
    drive.Product.clear();
    drive.ProductRevision.clear();
    drive.VendorSpecific.clear();
    if (drive.IsVirtual) {
        drive.Vendor = "Virtual";
        drive.Product = FileName(drive.DevicePath);
        drive.ProductRevision = "1.0";
        drive.DisplayName = drive.Product;
        return true;
    }
    CdioHandle cd = OpenDrive(drive);
    cdio_hwinfo_t info{};
    if (!cd || !cdio_get_hwinfo(cd.get(), &info)) {
        drive.DisplayName = drive.DevicePath;
        return false;
    }
    drive.Vendor = CutAtZero(info.psz_vendor, sizeof info.psz_vendor);
    drive.Product = CutAtZero(info.psz_model, sizeof info.psz_model);
    drive.ProductRevision = CutAtZero(info.psz_revision, sizeof info.psz_revision);
    drive.DisplayName = drive.Vendor + drive.Product + drive.ProductRevision;
    return true;
}

int ReadDriveToc(const CdDriveTable& table, int index, TocRecord& toc, TCDInterface cdInterface) {
    RequireRoute(cdInterface, NoUsableInterfaceText);
    toc = TocRecord{};
    if (index < 0 || index >= table.DriveCount)
        return 1;
    DiscToc disc;
    if (!ReadDiscToc(table.Drives[index], disc))
        return 1;
    const int tracks = std::min<int>(static_cast<int>(disc.Tracks.size()), TocMaxTracks);
    for (int i = 0; i < tracks; ++i) {
        const DiscTocTrack& track = disc.Tracks[static_cast<size_t>(i)];
        static_cast<TocMsf&>(toc.Tracks[i]) =
            MsfFromFrames(static_cast<uint32_t>(track.Start + LeadInFrames));
        toc.Tracks[i].IsAudio = track.Audio ? TocAudioTrack : 0;
    }
    const lba_t leadOut = disc.LeadOut + LeadInFrames;
    toc.TrackCount = static_cast<uint8_t>(tracks);
    toc.LeadOut = MsfFromFrames(static_cast<uint32_t>(leadOut));
    return 0;
}

} // namespace larkspin
