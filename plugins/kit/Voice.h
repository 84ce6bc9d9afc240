#pragma once

#include "Decoder.h"
#include "FrameRing.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace larkspin::kit {

inline constexpr int OutputRate = 44100;
inline constexpr int OutputChannels = 2;

// One file being played: a decoding thread fills a ring of output-format frames (float, stereo,
// OutputRate) that the mixer drains from the audio thread. The decoding thread sleeps while the ring
// holds more than a low-water mark and is woken only when the mixer drains it below that mark, or for a
// seek or the end. Nothing here blocks the audio thread or the user-interface thread.
class Voice {
public:
    Voice(std::string path, DecoderFactory createDecoder);
    ~Voice(); // stops and joins the decoding thread (never called on the audio thread)
    Voice(const Voice&) = delete;
    Voice& operator=(const Voice&) = delete;

    const std::string& path() const { return path_; }

    // Audio thread: copies up to frames frames into out and advances the position.
    size_t pull(float* out, size_t frames);
    // Audio thread: true once enough is buffered to start, or decoding is over.
    bool ready();
    // Any thread: decoding is over and everything decoded was played (or the file could not be opened).
    bool finished() const;

    // User-interface thread.
    void seek(int32_t seconds);
    int32_t positionSeconds() const;
    int32_t lengthSeconds() const;
    // Any thread: why the file cannot be played, or null while that is not known to be so.
    const char* failure() const { return failed_ ? failure_.load() : nullptr; }

    // Envelope, touched only under the engine's lock.
    bool started = false;
    bool removeAfterFade = false;
    bool silent = false; // a fading voice whose fade is over: the engine retires it
    float gain = 1.0f;
    float loudness = 1.0f; // the file's loudness normalisation factor
    float target = 1.0f;
    float step = 0.0f;
    int64_t envelopeLeft = 0;
    void setEnvelope(float from, float to, int fadeMs);
    float nextGain();

private:
    void run();
    // Decoding thread: sleeps until woken; hungry tells the mixer to wake it below the low-water mark.
    void sleep(bool hungry);
    void wake();
    // Audio thread: adopts the newest finished seek (drops what was decoded before it).
    void adoptSeek();

    enum Sleep : int { Awake, SleepsHungry, SleepsFull };

    const std::string path_;       // immutable
    const DecoderFactory factory_; // immutable
    FrameRing ring_;               // decoding thread writes, audio thread reads
    std::atomic<uint32_t> wakeups_{0};
    std::atomic<int> sleeping_{Awake};  // decoding thread writes
    std::atomic<bool> stopping_{false}; // user-interface thread writes
    std::atomic<bool> failed_{false};   // decoding thread writes: the file cannot be played
    std::atomic<const char*> failure_{nullptr}; // decoding thread writes before failed_: a static text

    // A seek is numbered by the user-interface thread, served by the decoding thread (which publishes
    // where its frames begin in the ring) and adopted by the audio thread.
    std::atomic<uint32_t> seekAsked_{0};     // user-interface thread writes
    std::atomic<int32_t> seekSeconds_{0};    // user-interface thread writes
    std::atomic<uint32_t> seekServed_{0};    // decoding thread writes, after the two below
    std::atomic<uint64_t> servedStart_{0};   // ring position of the first frame after the seek
    std::atomic<int64_t> servedFrame_{0};    // output frame of the file at that position
    std::atomic<uint32_t> seekAdopted_{0};   // audio thread writes
    std::atomic<int64_t> doneAfterSeek_{-1}; // decoding thread: the seek number whose decoding ended

    std::atomic<int64_t> played_{0};        // audio thread writes: output frames since the file start
    std::atomic<int64_t> lengthFrames_{-1}; // decoding thread writes; frames of openingRate_, -1 unknown
    std::atomic<int> openingRate_{0};       // decoding thread writes
    std::thread thread_;
};

} // namespace larkspin::kit
