#include "LoudnessGain.h"

#include "Settings.h"

#include <algorithm>
#include <cmath>

namespace larkspin {

double FileGainDb(const GainTags& tags, const GainChoice& choice, bool albumInOrder) {
    if (choice.Mode == GainMode::Off)
        return 0;
    const bool album =
        choice.Mode == GainMode::Album || (choice.Mode == GainMode::AlbumInOrder && albumInOrder);
    const std::optional<double>& first = album ? tags.AlbumGain : tags.TrackGain;
    const std::optional<double>& second = album ? tags.TrackGain : tags.AlbumGain;
    double gain = choice.UntaggedDb;
    std::optional<double> peak;
    if (first || second) {
        const bool useFirst = first.has_value();
        gain = (useFirst ? *first : *second) + choice.PreampDb;
        const std::optional<double>& ownPeak = useFirst == album ? tags.AlbumPeak : tags.TrackPeak;
        const std::optional<double>& otherPeak = useFirst == album ? tags.TrackPeak : tags.AlbumPeak;
        peak = ownPeak ? ownPeak : otherPeak;
    }
    if (choice.PreventClipping && peak && *peak > 0)
        gain = std::min(gain, -20 * std::log10(*peak));
    return std::clamp(gain, -60.0, 24.0);
}

int32_t FileGainHundredths(const GainTags& tags, const GainChoice& choice, bool albumInOrder) {
    return static_cast<int32_t>(std::lround(FileGainDb(tags, choice, albumInOrder) * 100));
}

GainChoice GainChoiceOf(const Settings& settings) {
    GainChoice c;
    c.Mode = static_cast<GainMode>(std::clamp(settings.GainMode, 0, 3));
    c.PreampDb = settings.GainPreamp / 10.0;
    c.UntaggedDb = settings.GainUntagged / 10.0;
    c.PreventClipping = settings.GainPreventClipping;
    return c;
}

} // namespace larkspin
