#pragma once

#include "CdDrives.h"

#include <cstdint>
#include <string>
#include <vector>

namespace larkspin::cdda {

// One audio track of a disc: its number in the TOC and its sectors.
struct AudioTrack {
    int number = 0;
    int32_t firstSector = 0;
    int32_t lastSector = 0; // inclusive
    int64_t frames() const { return (static_cast<int64_t>(lastSector) - firstSector + 1) * 588; }
};

// The audio tracks of the disc in drive, in TOC order; empty without a readable disc or on a data disc.
std::vector<AudioTrack> ReadAudioTracks(const CdDriveInfo& drive);

// "Track 01  03:45": the label in characters 1-8, the length (minutes and seconds) in 11-15.
std::string TrackInfoText(const AudioTrack& track);

// The drives as the host numbers them: libcdio's devices in name order, then the disc images of the
// LARKSPIN_VIRTUAL_DRIVES environment variable (CUE sheets separated by ";"), which the program sets
// from its settings before it loads any plug-in.
CdDriveTable CurrentDrives();

} // namespace larkspin::cdda
