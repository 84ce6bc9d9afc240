#include "CdDrives.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
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

// libcdio accepts a sheet without tracks as an empty disc (and keeps a little memory each time);
// such a sheet, or a file far too big to be a sheet, is no disc.
bool SheetHasTracks(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    for (size_t read = 0; read < 1024 * 1024 && std::getline(in, line); read += line.size() + 1) {
        std::string word = Trimmed(line).substr(0, 6);
        std::transform(word.begin(), word.end(), word.begin(),
                       [](unsigned char c) { return std::toupper(c); });
        if (word.size() == 6 && word.compare(0, 5, "TRACK") == 0 &&
            std::isspace(static_cast<unsigned char>(word[5])))
            return true;
    }
    return false;
}

// "mm:ss:ff" as frames; -1 when it is not that.
long MsfFrames(const std::string& text) {
    unsigned mm = 0, ss = 0, ff = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%u:%u:%u%c", &mm, &ss, &ff, &rest) != 3 || mm > 99 || ss > 59 || ff > 74)
        return -1;
    return static_cast<long>((mm * 60 + ss) * 75 + ff);
}

// The PREGAP length in frames of each track of a sheet, in order. libcdio 2.1 ignores PREGAP: the
// silence it stands for is on the disc but not in the file, so every later start and the lead-out
// move by it.
std::vector<long> SheetPregaps(const std::string& path) {
    std::vector<long> pregaps;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    for (size_t read = 0; read < 1024 * 1024 && std::getline(in, line); read += line.size() + 1) {
        std::string text = Trimmed(line);
        std::string word = text.substr(0, text.find_first_of(" \t"));
        std::transform(word.begin(), word.end(), word.begin(),
                       [](unsigned char c) { return std::toupper(c); });
        if (word == "TRACK")
            pregaps.push_back(0);
        else if (word == "PREGAP" && !pregaps.empty())
            pregaps.back() = std::max(0L, MsfFrames(Trimmed(text.substr(word.size()))));
    }
    return pregaps;
}

// Checked with stat, never by opening: opening a FIFO waits for a writer.
bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
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
// a recursion), and opening an image logs warnings. The CD plug-in reads on its own threads and the
// ripper on another, so libcdio logs nothing below an assertion; what fails shows in results.
void QuietCdioLogging() {
    static std::once_flag once;
    std::call_once(once, [] { cdio_loglevel_default = CDIO_LOG_ASSERT; });
}

std::string DiscImageDataPath(const std::string& cuePath) {
    const size_t n = cuePath.size();
    if (n <= 3)
        return {};
    const std::string end = cuePath.substr(n - 3);
    if (end == "cue")
        return cuePath.substr(0, n - 3) + "bin";
    if (end == "CUE")
        return cuePath.substr(0, n - 3) + "BIN";
    return {};
}

// A disc image is a CUE sheet; libcdio reads the .bin beside it that has the sheet's base name.
CdIo_t* OpenCdDevice(const CdDriveInfo& drive) {
    QuietCdioLogging();
    if (drive.DevicePath.empty())
        return nullptr;
    if (drive.IsVirtual) {
        const std::string data = DiscImageDataPath(drive.DevicePath);
        if (!IsRegularFile(drive.DevicePath) || data.empty() || !IsRegularFile(data) ||
            !SheetHasTracks(drive.DevicePath))
            return nullptr;
    }
    return cdio_open(drive.DevicePath.c_str(), drive.IsVirtual ? DRIVER_BINCUE : DRIVER_DEVICE);
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
    } else {
        CdioHandle cd = OpenDrive(drive);
        cdio_hwinfo_t info{};
        if (!cd || !cdio_get_hwinfo(cd.get(), &info)) {
            drive.DisplayName = drive.DevicePath;
            return false;
        }
        drive.Vendor = CutAtZero(info.psz_vendor, sizeof info.psz_vendor);
        drive.Product = CutAtZero(info.psz_model, sizeof info.psz_model);
        drive.ProductRevision = CutAtZero(info.psz_revision, sizeof info.psz_revision);
    }
    drive.DisplayName = drive.Vendor + drive.Product + drive.ProductRevision;
    return true;
}

int ReadDriveToc(const CdDriveTable& table, int index, TocRecord& toc, TCDInterface cdInterface) {
    RequireRoute(cdInterface, NoUsableInterfaceText);
    toc = TocRecord{};
    if (index < 0 || index >= table.DriveCount)
        return 1;
    CdioHandle cd = OpenDrive(table.Drives[index]);
    if (!cd)
        return 1;
    track_t first = cdio_get_first_track_num(cd.get());
    track_t count = cdio_get_num_tracks(cd.get());
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0)
        return 1;
    lba_t leadOut = cdio_get_track_lba(cd.get(), CDIO_CDROM_LEADOUT_TRACK);
    if (leadOut == CDIO_INVALID_LBA)
        return 1;

    const std::vector<long> pregaps =
        table.Drives[index].IsVirtual ? SheetPregaps(table.Drives[index].DevicePath) : std::vector<long>();
    for (long gap : pregaps)
        leadOut += gap;
    long gaps = 0;
    int tracks = std::min<int>(count, TocMaxTracks);
    for (int i = 0; i < tracks; ++i) {
        track_t number = static_cast<track_t>(first + i);
        if (static_cast<size_t>(i) < pregaps.size())
            gaps += pregaps[static_cast<size_t>(i)];
        lba_t start = cdio_get_track_lba(cd.get(), number);
        if (start != CDIO_INVALID_LBA)
            start += gaps;
        // Starts must rise and stay before the lead-out; a damaged image can claim anything.
        lba_t previous = i == 0 ? LeadInFrames - 1 : static_cast<lba_t>(FramesFromMsf(toc.Tracks[i - 1]));
        if (start <= previous || start >= leadOut) {
            toc = TocRecord{};
            return 1;
        }
        static_cast<TocMsf&>(toc.Tracks[i]) = MsfFromFrames(static_cast<uint32_t>(start));
        toc.Tracks[i].IsAudio =
            cdio_get_track_format(cd.get(), number) == TRACK_FORMAT_AUDIO ? TocAudioTrack : 0;
    }
    toc.TrackCount = static_cast<uint8_t>(tracks);
    toc.LeadOut = MsfFromFrames(static_cast<uint32_t>(leadOut));
    return 0;
}

} // namespace larkspin
