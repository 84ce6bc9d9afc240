// The CD plug-in: the CD functions over the drive table, tracks played through the kit's engine.
#include "CdDisc.h"
#include "CdTrackPath.h"
#include "CddaDecoder.h"

#include <string>
#include <vector>

namespace larkspin::kit {
namespace {

// The drives of the last count or track query, and the tracks of the drive counted last. The host
// calls the CD functions from its one thread only.
struct CdState {
    CdDriveTable drives;
    bool drivesRead = false;
    std::vector<cdda::AudioTrack> counted;
    std::string text; // the last answer of drivePath or trackInfos
};

CdState& cdState() {
    static CdState state;
    return state;
}

const CdDriveInfo* driveAt(int32_t drive) {
    CdState& s = cdState();
    if (!s.drivesRead) {
        s.drives = cdda::CurrentDrives();
        s.drivesRead = true;
    }
    return drive >= 0 && drive < s.drives.DriveCount ? &s.drives.Drives[static_cast<size_t>(drive)] : nullptr;
}

void rereadDrives() {
    cdState().drivesRead = false;
}

int32_t driveCount() {
    rereadDrives();
    driveAt(0);
    return cdState().drives.DriveCount;
}

const char* drivePath(int32_t drive) {
    const CdDriveInfo* info = driveAt(drive);
    cdState().text = info ? info->DevicePath : std::string();
    return cdState().text.c_str();
}

// Counting looks at the drives afresh: a disc may have been changed or an image added.
int32_t trackCount(int32_t drive) {
    rereadDrives();
    const CdDriveInfo* info = driveAt(drive);
    cdState().counted = info ? cdda::ReadAudioTracks(*info) : std::vector<cdda::AudioTrack>{};
    return static_cast<int32_t>(cdState().counted.size());
}

const char* trackInfos(int32_t track) {
    CdState& s = cdState();
    s.text = track >= 0 && track < static_cast<int32_t>(s.counted.size())
                 ? cdda::TrackInfoText(s.counted[static_cast<size_t>(track)])
                 : std::string();
    return s.text.c_str();
}

std::string trackPath(int32_t drive, int32_t track) {
    const CdDriveInfo* info = driveAt(drive);
    if (!info || track < 0)
        return {};
    const std::vector<cdda::AudioTrack> tracks = cdda::ReadAudioTracks(*info);
    if (track >= static_cast<int32_t>(tracks.size()))
        return {};
    return cdda::FormatCdTrackPath(
        {info->DevicePath, info->IsVirtual, tracks[static_cast<size_t>(track)].number});
}

const CdFunctions cdFunctions{driveCount, drivePath, trackCount, trackInfos, trackPath};

} // namespace

// Plays no files: a CD track reaches the engine only through PlayCDTrack.
const PlugInDescription& plugInDescription() {
    static const PlugInDescription description{"", CreateCddaDecoder, nullptr, &cdFunctions};
    return description;
}

} // namespace larkspin::kit
