#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace larkspin {

// The texts and stream properties that the FLAC, Opus and MP4 readers find, named as the track
// information service shows them. Texts are UTF-8; several values of one field are joined by " / ".
struct AudioTags {
    bool Valid = false; // the file is of the reader's format
    std::int64_t FileSize = 0;
    std::uint32_t SampleRate = 0;
    std::uint8_t Channels = 0;
    std::uint8_t BitsPerSample = 0; // 0 when the format does not say
    double Duration = 0;            // seconds
    std::uint32_t Bitrate = 0;      // kbit/s
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;
    std::string Genre;
    std::string Comment;
    std::int32_t Track = 0;
    std::string Picture; // the cover, filled only when asked for

    // Appends a value to a field, after " / " when it already holds one.
    static void AddValue(std::string& field, std::string_view value);
};

// Bounds that keep damaged or hostile files cheap to read.
inline constexpr std::size_t MaxTagBlockBytes = 16 * 1024 * 1024; // a comment block, an MP4 "moov"
inline constexpr std::size_t MaxTagTextBytes = 4096;              // one text value
inline constexpr std::uint32_t MaxTagItems = 65536;               // comments or atoms in one list

} // namespace larkspin
