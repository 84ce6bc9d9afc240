#pragma once

#include "AudioTags.h"
#include "FileBytes.h"

#include <cstdint>
#include <string>

namespace larkspin {

// The 44-byte header of a RIFF/WAVE file. The audio is taken to start at byte 44; other chunks are
// not looked for, so the texts of AudioTags stay empty and Bitrate 0. SampleRate is the low 16 bits of
// the stored rate; FileSize the RIFF size plus 8, or the file's size when that is larger or unknown.
// Duration is (FileSize - 44) * 8 / SampleRate / BitsPerSample / Channels, 0 when any of these is 0.
class TWAVfile : public AudioTags {
public:
    TWAVfile() { Clear(); }

    void Clear() { static_cast<AudioTags&>(*this) = AudioTags{}; }
    // False when the file cannot be read or is shorter than 44 bytes; true otherwise, with Valid telling
    // whether it is a WAVE file of one or two channels.
    bool Load(const std::string& fileName);
    bool Load(const FileBytes& file);

    std::string ChannelModeName() const;
};

// "Unknown", "Mono", "Stereo" for 0, 1, 2 channels; empty otherwise.
std::string ChannelModeNameOf(unsigned channels);

} // namespace larkspin
