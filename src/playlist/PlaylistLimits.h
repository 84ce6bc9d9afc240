#pragma once

#include <cstddef>
#include <string>

namespace larkspin {

// A playlist file holding more entries than this is read up to it and reported: a file that is no
// playlist (a disc image picked by mistake) must not fill the memory.
inline constexpr std::size_t MaxPlaylistEntries = 1'000'000;

inline std::string TooManyEntriesMessage(const std::string& fileName) {
    return "More than " + std::to_string(MaxPlaylistEntries) + " entries; the rest of " + fileName +
           " was not read";
}

} // namespace larkspin
