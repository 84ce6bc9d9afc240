#include "TrackFormat.h"

#include <charconv>
#include <cmath>

namespace larkspin {

std::string FormatTrackNumber(int64_t track) {
    if (track <= 0)
        return {};
    if (track <= 9)
        return std::string(1, '0').append(std::to_string(track));
    return std::to_string(track);
}

std::string FormatLength(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    // Far beyond any audio file; keeps the conversion to an integer defined.
    if (seconds > 1e15)
        seconds = 1e15;
    // One decimal first, without the locale's separator getting in the way.
    char buf[64];
    const auto written = std::to_chars(buf, buf + sizeof buf, seconds, std::chars_format::fixed, 1);
    double oneDecimal = 0;
    std::from_chars(buf, written.ptr, oneDecimal);
    const auto whole = static_cast<int64_t>(std::nearbyint(oneDecimal));
    const int64_t secs = whole % 60;
    return std::to_string(whole / 60) + ":" + (secs < 10 ? "0" : "") + std::to_string(secs);
}

std::string FormatSize(int64_t bytes) {
    if (bytes < 0)
        bytes = 0;
    const auto hundredths = static_cast<int64_t>(std::nearbyint(static_cast<double>(bytes) / 10 / 1024));
    std::string text = std::to_string(hundredths / 100);
    const int64_t frac = hundredths % 100;
    if (frac != 0) {
        text += '.';
        text += static_cast<char>('0' + frac / 10);
        if (frac % 10 != 0)
            text += static_cast<char>('0' + frac % 10);
    }
    return text + " MB";
}

std::string FormatBitrate(int64_t kbps) {
    return std::to_string(kbps) + " kbit/s";
}

} // namespace larkspin
