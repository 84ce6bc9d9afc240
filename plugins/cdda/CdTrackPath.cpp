#include "CdTrackPath.h"

#include <charconv>

namespace larkspin::cdda {
namespace {
constexpr std::string_view Prefix = "cdda:";
constexpr std::string_view Device = "device:";
constexpr std::string_view Image = "image:";
} // namespace

std::string FormatCdTrackPath(const CdTrackPath& track) {
    return std::string(Prefix) + std::string(track.isImage ? Image : Device) + std::to_string(track.number) +
           ":" + track.drive;
}

std::optional<CdTrackPath> ParseCdTrackPath(const std::string& text) {
    std::string_view rest = text;
    if (!rest.starts_with(Prefix))
        return std::nullopt;
    rest.remove_prefix(Prefix.size());
    CdTrackPath track;
    if (rest.starts_with(Image)) {
        track.isImage = true;
        rest.remove_prefix(Image.size());
    } else if (rest.starts_with(Device)) {
        rest.remove_prefix(Device.size());
    } else {
        return std::nullopt;
    }
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), track.number);
    if (error != std::errc() || end == rest.data() + rest.size() || *end != ':' || track.number < 1 ||
        track.number > 99)
        return std::nullopt;
    track.drive = std::string(end + 1, rest.data() + rest.size());
    if (track.drive.empty())
        return std::nullopt;
    return track;
}

} // namespace larkspin::cdda
