#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace larkspin {

// The loudness the ReplayGain gains lead to: a file at this integrated loudness gets 0 dB.
inline constexpr double ReplayGainReferenceLufs = -18.0;

struct TrackLoudness {
    double Lufs = 0; // integrated loudness (EBU R128, gated)
    double Peak = 0; // the largest sample magnitude, 1.0 being full scale
    double GainDb() const { return ReplayGainReferenceLufs - Lufs; }
};

// Measures the loudness of 16-bit PCM WAV files (what the decoder plug-ins decode to) with libebur128,
// one file after the other, and keeps each file's measurement so that the album's loudness is that of
// all of them played in a row. Standard library and libebur128 only; one object per thread.
class LoudnessMeter {
public:
    LoudnessMeter();
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    // Measures one file. False, with the reason in problem, when the file cannot be read, is silent
    // throughout (nothing above the absolute gate), or cancel became true (checked between blocks).
    // progress, when set, gets the share of the file read so far (0 to 1).
    bool Measure(const std::string& wavPath, TrackLoudness& result, std::string& problem,
                 const std::atomic<bool>* cancel = nullptr, const std::function<void(double)>& progress = {});

    // The files measured successfully so far, as one album: their integrated loudness together and the
    // largest peak. False when none was measured.
    bool Album(TrackLoudness& result) const;
    // Forgets the files measured so far (the next album).
    void ClearAlbum();

private:
    struct AlbumStates; // the measurement states of the files measured so far
    std::unique_ptr<AlbumStates> album_;
};

} // namespace larkspin
