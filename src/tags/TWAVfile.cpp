#include "TWAVfile.h"

#include "ByteReading.h"

#include <cstring>

namespace larkspin {

bool TWAVfile::Load(const std::string& fileName) {
    FileBytes file;
    if (!file.Open(fileName)) {
        Clear();
        return false;
    }
    return Load(file);
}

bool TWAVfile::Load(const FileBytes& file) {
    Clear();
    unsigned char h[44];
    if (!bytes::ReadExact(file, 0, h, sizeof h))
        return false;
    const unsigned channels = bytes::LE16(h + 22);
    if (std::memcmp(h, "RIFF", 4) != 0 || std::memcmp(h + 8, "WAVE", 4) != 0 ||
        std::memcmp(h + 12, "fmt ", 4) != 0 || (channels != 1 && channels != 2))
        return true;
    Valid = true;
    Channels = h[22];
    SampleRate = bytes::LE32(h + 24) & 0xFFFF;
    BitsPerSample = h[34];
    FileSize = static_cast<int64_t>(bytes::LE32(h + 4)) + 8;
    // Streaming encoders write 0xFFFFFFFF, or a size they meant to fix later: the file knows better.
    if (bytes::LE32(h + 4) == 0xFFFFFFFF || FileSize > file.Size())
        FileSize = file.Size();
    // A header that claims fewer than 44 bytes, or a zero rate or sample width, gives no length rather
    // than a negative one or a division by zero.
    if (SampleRate != 0 && BitsPerSample != 0 && FileSize > 44)
        Duration = static_cast<double>(FileSize - 44) * 8 / SampleRate / BitsPerSample / Channels;
    return true;
}

std::string TWAVfile::ChannelModeName() const {
    return ChannelModeNameOf(Channels);
}

std::string ChannelModeNameOf(unsigned channels) {
    switch (channels) {
    case 0:
        return "Unknown";
    case 1:
        return "Mono";
    case 2:
        return "Stereo";
    default:
        return {};
    }
}

} // namespace larkspin
