#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace larkspin::kit {

// A single-producer, single-consumer ring of interleaved float frames. The producer (a decoding thread)
// writes, the consumer (the audio thread) reads; after construction neither locks nor allocates.
// Positions are running totals of frames, so "everything written before position p" stays meaningful
// however often the ring wraps.
class FrameRing {
public:
    FrameRing(size_t capacityFrames, int channels);

    size_t capacity() const { return capacity_; }
    // Totals so far; any thread may read them.
    uint64_t written() const { return written_.load(std::memory_order_acquire); }
    uint64_t consumed() const { return read_.load(std::memory_order_acquire); }
    size_t available() const { return static_cast<size_t>(written() - consumed()); }

    // Producer: copies as many of count frames as fit; returns that number.
    size_t write(const float* frames, size_t count);

    // Consumer: copies up to count frames into out; returns that number.
    size_t read(float* out, size_t count);
    // Consumer: drops every frame written before position.
    void skipTo(uint64_t position);

private:
    const size_t capacity_; // frames
    const size_t channels_;
    std::vector<float> data_;          // immutable size; a slot belongs to whichever side owns it
    std::atomic<uint64_t> written_{0}; // producer only writes
    std::atomic<uint64_t> read_{0};    // consumer only writes
};

} // namespace larkspin::kit
