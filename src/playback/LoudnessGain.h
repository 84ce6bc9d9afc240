#pragma once

#include "GainTags.h"

#include <cstdint>

namespace larkspin {

// How the player evens out loudness between files.
enum class GainMode : int32_t {
    Off = 0,
    Track = 1,        // each file at its own track gain
    Album = 2,        // each file at its album's gain
    AlbumInOrder = 3, // album gain while the playlist plays an album in order, else track gain
};

struct GainChoice {
    GainMode Mode = GainMode::Off;
    double PreampDb = 0;         // added to a tagged gain
    double UntaggedDb = 0;       // the gain of a file without gain tags
    bool PreventClipping = true; // the gain never lifts the tagged peak above full scale
};

// The gain for one file in dB. albumInOrder tells whether the playlist plays the file's album in order
// (only AlbumInOrder asks). A mode that wants the album gain falls back to the track gain and the other
// way round; clipping prevention uses the peak that belongs to the gain chosen (else the other one). The
// result lies within -60 to +24 dB; Off gives 0.
double FileGainDb(const GainTags& tags, const GainChoice& choice, bool albumInOrder);

// The same in hundredths of a dB, rounded, as the plug-in contract takes it.
int32_t FileGainHundredths(const GainTags& tags, const GainChoice& choice, bool albumInOrder);

// The choice as the settings keep it (tenths of a dB).
struct Settings;
GainChoice GainChoiceOf(const Settings& settings);

} // namespace larkspin
