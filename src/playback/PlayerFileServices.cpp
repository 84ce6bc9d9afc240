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
    s.ExtractCover = [](const std::string& path, const std::string& folder) {
        return FindAudioStart(path) && ExtractCover(path, folder);
    };
    return s;
}

} // namespace larkspin
