#include "LoudnessMeter.h"

#include "WavReader.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>

namespace larkspin {

namespace {

constexpr long BlockFrames = 16384;

struct StateDeleter {
    void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
};
using State = std::unique_ptr<ebur128_state, StateDeleter>;

} // namespace

struct LoudnessMeter::AlbumStates {
    std::vector<State> states;
    double peak = 0;
};

LoudnessMeter::LoudnessMeter() : album_(std::make_unique<AlbumStates>()) {}
LoudnessMeter::~LoudnessMeter() = default;

bool LoudnessMeter::Measure(const std::string& wavPath, TrackLoudness& result, std::string& problem,
                            const std::atomic<bool>* cancel, const std::function<void(double)>& progress) {
    WavReader wav;
    if (!wav.Open(wavPath)) {
        problem = wav.ProblemText();
        return false;
    }
    const WavFormat& format = wav.Format();
    State state(ebur128_init(static_cast<unsigned>(format.channels),
                             static_cast<unsigned long>(format.sampleRate),
                             EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK));
    if (!state) {
        problem = "cannot be measured (" + std::to_string(format.channels) + " channels at " +
                  std::to_string(format.sampleRate) + " Hz)";
        return false;
    }
    // Mono counts as both loudspeakers of a stereo pair, as a mono file is heard.
    if (format.channels == 1)
        ebur128_set_channel(state.get(), 0, EBUR128_DUAL_MONO);
    std::vector<std::int16_t> samples(static_cast<std::size_t>(BlockFrames * format.channels));
    for (;;) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            problem = "was cancelled";
            return false;
        }
        const long got = wav.Read(samples.data(), BlockFrames);
        if (got < 0) {
            problem = "cannot be read to its end";
            return false;
        }
        if (got == 0)
            break;
        if (ebur128_add_frames_short(state.get(), samples.data(), static_cast<std::size_t>(got)) !=
            EBUR128_SUCCESS) {
            problem = "cannot be measured (out of memory)";
            return false;
        }
        if (progress && format.frames > 0)
            progress(static_cast<double>(wav.FramesRead()) / static_cast<double>(format.frames));
    }
    double lufs = 0;
    if (ebur128_loudness_global(state.get(), &lufs) != EBUR128_SUCCESS || !std::isfinite(lufs)) {
        problem = "is silent";
        return false;
    }
    double peak = 0;
    for (unsigned c = 0; c < static_cast<unsigned>(format.channels); ++c) {
        double p = 0;
        if (ebur128_sample_peak(state.get(), c, &p) == EBUR128_SUCCESS)
            peak = std::max(peak, p);
    }
    result.Lufs = lufs;
    result.Peak = peak;
    album_->peak = std::max(album_->peak, peak);
    album_->states.push_back(std::move(state));
    return true;
}

bool LoudnessMeter::Album(TrackLoudness& result) const {
    if (album_->states.empty())
        return false;
    std::vector<ebur128_state*> states;
    for (const auto& s : album_->states)
        states.push_back(s.get());
    double lufs = 0;
    if (ebur128_loudness_global_multiple(states.data(), states.size(), &lufs) != EBUR128_SUCCESS ||
        !std::isfinite(lufs))
        return false;
    result.Lufs = lufs;
    result.Peak = album_->peak;
    return true;
}

void LoudnessMeter::ClearAlbum() {
    album_->states.clear();
    album_->peak = 0;
}

} // namespace larkspin
