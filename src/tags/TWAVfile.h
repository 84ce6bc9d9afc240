#pragma once

#include "FileBytes.h"

#include <cstdint>
#include <string>

namespace larkspin {

// The 44-byte header of a RIFF/WAVE file. The audio is taken to start at byte 44; other chunks are
// not looked for.
class TWAVfile {
public:
    TWAVfile() { Clear(); }

    void Clear();
    // False when the file cannot be read or is shorter than 44 bytes; true otherwise, with Valid telling
    // whether it is a WAVE file of one or two channels.
    bool Load(const std::string& fileName);
    bool Load(const FileBytes& file);

    double Duration() const;
    std::string ChannelModeName() const;

    bool Valid = false;
    uint8_t Channels = 0;
    uint16_t SampleRate = 0; // the low 16 bits of the stored rate
    uint8_t BitsPerSample = 0;
    int64_t FileSize = 0; // the RIFF size plus 8; the file's size when that is larger or unknown
};

// "Unknown", "Mono", "Stereo" for 0, 1, 2 channels; empty otherwise.
std::string ChannelModeNameOf(unsigned channels);

} // namespace larkspin
