#pragma once

#include <stdexcept>
#include <string>

namespace larkspin {

// Raised for a path that names no place on a local disk.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* InvalidDriveIdText = "Not a valid drive ID";

// True when the path's medium is there: the path is absolute and its nearest existing folder (the path
// itself when it is a folder) can be read. An empty or relative path, or a URL, raises EConvertError
// "Not a valid drive ID".
bool DriveReady(const std::string& path);

// True when the path is ready and a regular file exists there. Never raises.
bool FileAvailable(const std::string& path);

} // namespace larkspin
