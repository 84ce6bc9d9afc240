#pragma once

#include "AudioTags.h"
#include "FileBytes.h"

#include <cstdint>
#include <string>

namespace larkspin {

// The header objects of a Windows Media Audio (ASF) file: stream format, bit rates and the text
// fields. Texts are stored as UTF-16 in the file and held here as trimmed UTF-8. Duration is the file
// size over the maximum bit rate, Bitrate the stream's average bytes per second in kbit/s.
class TWMAfile : public AudioTags {
public:
    TWMAfile() { Clear(); }

    void Clear() { static_cast<AudioTags&>(*this) = AudioTags{}; }
    // False on a read error inside the header; true otherwise, with Valid telling whether the header
    // held a plausible audio stream.
    bool Load(const std::string& fileName);
    bool Load(const FileBytes& file);

    // Bounds that keep a damaged header cheap to read.
    static constexpr uint32_t MaxHeaderObjects = 1024;
    static constexpr size_t MaxStringBytes = 500;
};

} // namespace larkspin
