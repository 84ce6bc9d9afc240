#pragma once

#include "FileBytes.h"

#include <cstdint>
#include <string>

namespace larkspin {

// The identification and comment headers of an Ogg Vorbis file and its last granule position.
// Comment texts are UTF-8, cut at the first malformed or cut-off sequence.
class TOggVorbis {
public:
    TOggVorbis() { Clear(); }

    void Clear();
    // False only when the 30 bytes of the identification packet cannot be read; a readable file that
    // is not Vorbis gives true with Valid false.
    bool Load(const std::string& fileName);
    bool Load(const FileBytes& file);

    double Duration() const;
    uint32_t Bitrate() const; // kbit/s
    std::string ChannelModeName() const;

    bool Valid = false;
    int64_t FileSize = 0;
    uint8_t Channels = 0;
    uint16_t SampleRate = 0;
    uint16_t NominalBitrate = 0; // kbit/s
    uint32_t Samples = 0;        // low half of the last granule position found
    std::string Title;
    std::string Artist;
    std::string Album;
    uint8_t Track = 0;
    std::string Date;
    std::string Genre;
    std::string Comment;
    std::string Vendor;

    // Bounds that keep a damaged comment header cheap to read.
    static constexpr size_t MaxCommentBytes = 250;
    static constexpr uint32_t MaxComments = 65536;
};

} // namespace larkspin
