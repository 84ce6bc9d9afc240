#include "DriveCheck.h"

#include <sys/stat.h>
#include <unistd.h>

namespace larkspin {

namespace {

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folder that holds path ("/" for "/" itself and for names directly below it).
std::string ParentOf(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return "/";
    return path.substr(0, slash);
}

} // namespace

bool DriveReady(const std::string& path) {
    if (path.empty() || path[0] != '/' || path.find("://") != std::string::npos)
        throw EConvertError(InvalidDriveIdText);
    std::string folder = IsDirectory(path) ? path : ParentOf(path);
    while (!IsDirectory(folder)) {
        if (folder == "/")
            return false;
        folder = ParentOf(folder);
    }
    return ::access(folder.c_str(), R_OK) == 0;
}

bool FileAvailable(const std::string& path) {
    try {
        if (!DriveReady(path))
            return false;
    } catch (const EConvertError&) {
        return false;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace larkspin
