#pragma once

#include "GainTags.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace larkspin {

// The texts and stream properties that the readers of every format but MP3 find (WAV, Ogg Vorbis, WMA,
// FLAC, Opus, MP4), named as the track information service shows them, so that it maps them one way.
// Texts are UTF-8 without leading or trailing control characters and blanks; where a format allows
// several values of one field, they are joined by " / ". A format without a field leaves it empty or 0.
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
    GainTags Gain;       // loudness normalisation values
    // Why the tags were not read in full (a damaged, cut-off or oversized header); empty when they were
    // or when the file is not of the reader's format. What was read before the fault is kept.
    std::string Problem;

    // Appends a value to a field, after " / " when it already holds one.
    static void AddValue(std::string& field, std::string_view value);
};

// Bounds that keep damaged or hostile files cheap to read.
inline constexpr std::size_t MaxTagBlockBytes = 16 * 1024 * 1024; // a comment block, an MP4 "moov"
inline constexpr std::size_t MaxTagTextBytes = 4096;              // one text value
inline constexpr std::uint32_t MaxTagItems = 65536;               // comments or atoms in one list

} // namespace larkspin
