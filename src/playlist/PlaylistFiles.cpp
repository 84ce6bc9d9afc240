#include "PlaylistFiles.h"

#include "FileNameParts.h"

namespace larkspin {

PlaylistFormat PlaylistFormatOf(const std::string& fileName) {
    const std::string ext = UpperFileExt(fileName);
    if (ext == "TE3")
        return PlaylistFormat::Te3;
    if (ext == "TEL")
        return PlaylistFormat::Tel;
    if (ext == "M3U" || ext == "M3U8")
        return PlaylistFormat::M3u;
    if (ext == "PLS")
        return PlaylistFormat::Pls;
    return PlaylistFormat::Unsupported;
}

std::string_view CutAtCharacter(std::string_view text, std::size_t capacity) {
    if (text.size() <= capacity)
        return text;
    auto continuation = [&](std::size_t i) { return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; };
    // Back up to the lead byte of the character the cut falls into (at most three continuation bytes).
    std::size_t lead = capacity;
    while (lead > 0 && capacity - lead < 3 && continuation(lead))
        --lead;
    if (lead == capacity)
        return text.substr(0, capacity);
    const unsigned char b = static_cast<unsigned char>(text[lead]);
    const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    // A character that would cross the cut goes whole; stray bytes that are no UTF-8 are cut as bytes.
    return text.substr(0, lead + length > capacity && length > 1 ? lead : capacity);
}

std::string TemporaryPlaylistPath(const std::string& programFolder) {
    return programFolder + "/Temporary Playlist/Temp.te3";
}

} // namespace larkspin
