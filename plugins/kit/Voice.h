#pragma once

#include "Decoder.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace larkspin::kit {

inline constexpr int OutputRate = 44100;
inline constexpr int OutputChannels = 2;

// One file being played: a decoding thread fills a ring of output-format frames (float, stereo,
// OutputRate) that the mixer drains from the audio thread.
class Voice {
public:
    explicit Voice(std::string path);
    ~Voice(); // stops and joins the decoding thread
    Voice(const Voice&) = delete;
    Voice& operator=(const Voice&) = delete;

    const std::string& path() const { return path_; }

    // Audio thread: copies up to frames frames into out and advances the position.
    size_t pull(float* out, size_t frames);
    // True once enough is buffered to start, or decoding is over.
    bool ready() const;
    // Decoding is over and everything decoded was played.
    bool finished() const;

    // User-interface thread.
    void seek(int32_t seconds);
    int32_t positionSeconds() const;
    int32_t lengthSeconds() const;

    // Envelope, touched only under the mixer's lock.
    bool started = false;
    bool removeAfterFade = false;
    float gain = 1.0f;
    float target = 1.0f;
    float step = 0.0f;
    int64_t envelopeLeft = 0;
    void setEnvelope(float from, float to, int fadeMs);
    float nextGain();

private:
    void run();
    size_t freeFrames() const; // under mutex_
    void push(const float* frames, size_t count);

    std::string path_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<float> ring_;
    size_t capacity_ = 0; // frames
    size_t readPos_ = 0;
    size_t count_ = 0;
    int64_t played_ = 0; // output frames since the start of the file
    bool done_ = false;
    bool stopping_ = false;
    std::atomic<int64_t> lengthFrames_{-1};
    std::atomic<int> sourceRate_{0};
    std::atomic<int64_t> seekTarget_{-1}; // seconds, for the decoding thread
    std::atomic<int32_t> seekShown_{-1};  // seconds, shown until the seek is done
    std::thread thread_;
};

} // namespace larkspin::kit
