#include "PlayerInterfaces.h"

#include "CoverPicture.h"
#include "DriveCheck.h"

namespace larkspin {

bool LocalFileAvailable(const std::string& path) {
    return FileAvailable(path);
}

PlayerFileServices TrackInfoFileServices() {
    PlayerFileServices s;
    s.FileAvailable = LocalFileAvailable;
    s.ExtractCover = ExtractTrackCover;
    return s;
}

} // namespace larkspin
