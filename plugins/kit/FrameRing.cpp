#include "FrameRing.h"

#include <algorithm>
#include <cstring>

namespace larkspin::kit {

FrameRing::FrameRing(size_t capacityFrames, int channels)
    : capacity_(capacityFrames), channels_(static_cast<size_t>(channels)),
      data_(capacityFrames * static_cast<size_t>(channels), 0.0f) {}

size_t FrameRing::write(const float* frames, size_t count) {
    const uint64_t w = written_.load(std::memory_order_relaxed);
    const uint64_t r = read_.load(std::memory_order_acquire);
    const size_t n = std::min(count, capacity_ - static_cast<size_t>(w - r));
    for (size_t done = 0; done < n;) {
        const size_t at = static_cast<size_t>((w + done) % capacity_);
        const size_t part = std::min(n - done, capacity_ - at);
        std::memcpy(&data_[at * channels_], frames + done * channels_, part * channels_ * sizeof(float));
        done += part;
    }
    written_.store(w + n, std::memory_order_release);
    return n;
}

size_t FrameRing::read(float* out, size_t count) {
    const uint64_t r = read_.load(std::memory_order_relaxed);
    const uint64_t w = written_.load(std::memory_order_acquire);
    const size_t n = std::min(count, static_cast<size_t>(w - r));
    for (size_t done = 0; done < n;) {
        const size_t at = static_cast<size_t>((r + done) % capacity_);
        const size_t part = std::min(n - done, capacity_ - at);
        std::memcpy(out + done * channels_, &data_[at * channels_], part * channels_ * sizeof(float));
        done += part;
    }
    read_.store(r + n, std::memory_order_release);
    return n;
}

void FrameRing::skipTo(uint64_t position) {
    const uint64_t r = read_.load(std::memory_order_relaxed);
    const uint64_t w = written_.load(std::memory_order_acquire);
    read_.store(std::clamp(position, r, w), std::memory_order_release);
}

} // namespace larkspin::kit
