#pragma once

#include <optional>
#include <string>

namespace larkspin::cdda {

// A CD track as the file the plug-in's engine plays: "cdda:<kind>:<number>:<drive>", kind "device" or
// "image", number the track's number in the disc's TOC, drive the device path or the image's CUE sheet.
struct CdTrackPath {
    std::string drive;
    bool isImage = false;
    int number = 0;
};

std::string FormatCdTrackPath(const CdTrackPath& track);
// Nothing for a text that is not such a path.
std::optional<CdTrackPath> ParseCdTrackPath(const std::string& text);

} // namespace larkspin::cdda
