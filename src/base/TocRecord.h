#pragma once

#include <array>
#include <cstdint>

namespace larkspin {

// One position on a disc in minutes, seconds and frames (75 frames per second), absolute: it includes
// the 2-second lead-in, so the first track of a normal disc starts at 00:02:00.
struct TocMsf {
    uint8_t Minutes = 0;
    uint8_t Seconds = 0;
    uint8_t Frames = 0;
};

struct TocTrack : TocMsf {
    uint32_t IsAudio = 0; // all bits set for an audio track, 0 for a data track
};

inline constexpr uint32_t TocAudioTrack = 0xFFFFFFFFu;
inline constexpr int TocMaxTracks = 100;
inline constexpr int FramesPerSecond = 75;
inline constexpr int LeadInFrames = 150;

// The table of contents of one disc; Tracks[i] for i below TrackCount are in disc order.
struct TocRecord {
    uint8_t TrackCount = 0;
    TocMsf LeadOut;
    std::array<TocTrack, TocMaxTracks> Tracks{};
};

// Absolute frame number (lead-in included) <-> MSF.
inline TocMsf MsfFromFrames(uint32_t frames) {
    TocMsf m;
    m.Minutes = static_cast<uint8_t>(frames / (60 * FramesPerSecond));
    m.Seconds = static_cast<uint8_t>((frames / FramesPerSecond) % 60);
    m.Frames = static_cast<uint8_t>(frames % FramesPerSecond);
    return m;
}

inline uint32_t FramesFromMsf(const TocMsf& m) {
    return m.Minutes * 60u * FramesPerSecond + m.Seconds * 75u + m.Frames;
}

} // namespace larkspin
