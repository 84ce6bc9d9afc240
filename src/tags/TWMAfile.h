#pragma once

#include "FileBytes.h"

#include <cstdint>
#include <string>

namespace larkspin {

// The header objects of a Windows Media Audio (ASF) file: stream format, bit rates and the text
// fields. Texts are stored as UTF-16 in the file and held here as trimmed UTF-8.
class TWMAfile {
public:
    TWMAfile() { Clear(); }

    void Clear();
    // False on a read error inside the header; true otherwise, with Valid telling whether the header
    // held a plausible audio stream.
    bool Load(const std::string& fileName);
    bool Load(const FileBytes& file);

    bool Valid = false;
    int64_t FileSize = 0;
    uint8_t Channels = 0;
    uint32_t SampleRate = 0;
    double Duration = 0;
    uint32_t Bitrate = 0; // kbit/s
    std::string Title;
    std::string Artist;
    std::string Album;
    int32_t Track = 0;
    std::string Year;
    std::string Genre;
    std::string Comment;

    // Bounds that keep a damaged header cheap to read.
    static constexpr uint32_t MaxHeaderObjects = 1024;
    static constexpr size_t MaxStringBytes = 500;
};

} // namespace larkspin
