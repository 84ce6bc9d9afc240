#include "PlayerInterfaces.h"

#include "CoverPicture.h"
#include "DriveCheck.h"
#include "GainTags.h"

namespace larkspin {

bool LocalFileAvailable(const std::string& path) {
    return FileAvailable(path);
}

PlayerFileServices TrackInfoFileServices() {
    PlayerFileServices s;
    s.FileAvailable = LocalFileAvailable;
    s.ExtractCover = ExtractTrackCover;
    s.ReadGain = ReadGainTags;
    return s;
}

} // namespace larkspin
