#pragma once

#include <cstdint>

namespace larkspin {

// The sample formats the ripping library delivers: 16-bit signed little-endian, interleaved when stereo.
enum TOutputFormat : std::uint8_t { STEREO44100, MONO44100, STEREO22050, MONO22050, STEREO11025, MONO11025 };

inline constexpr int OutputFormatCount = 6;

inline constexpr int FormatRate(TOutputFormat format) {
    return format <= MONO44100 ? 44100 : format <= MONO22050 ? 22050 : 11025;
}

inline constexpr int FormatChannels(TOutputFormat format) {
    return format % 2 == 0 ? 2 : 1;
}

// How many times the 44100 Hz rate is halved for the format (0, 1 or 2).
inline constexpr int FormatHalvings(TOutputFormat format) {
    return format / 2;
}

inline constexpr int CdSectorBytes = 2352; // one CD audio sector: 588 stereo frames at 44100 Hz
inline constexpr int CdSectorFrames = 588;

// The PCM bytes sectors hold in the format: 2352, 1176, 1176, 588, 588, 294 per sector.
inline constexpr std::int64_t FormatBytes(TOutputFormat format, std::int64_t sectors) {
    return sectors * (CdSectorFrames >> FormatHalvings(format)) * FormatChannels(format) * 2;
}

// Results of the ripping calls (the values the ripping component relies on).
enum CdRipResult : int {
    CrOk = 0,          // data delivered
    CrError = 1,       // failure; nothing usable was delivered this call
    CrJitterError = 3, // data delivered, but paranoia met a read error, a skip or dropped/duplicated bytes
    CrRipDone = 4,     // the range is finished (the call may still have delivered its last data)
};

} // namespace larkspin
