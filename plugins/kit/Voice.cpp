#include "Voice.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace larkspin::kit {

namespace {
constexpr size_t RingSeconds = 2;
constexpr size_t ReadyFrames = OutputRate / 10;
constexpr long ChunkFrames = 4096;
} // namespace

Voice::Voice(std::string path) : path_(std::move(path)) {
    capacity_ = OutputRate * RingSeconds;
    ring_.assign(capacity_ * OutputChannels, 0.0f);
    thread_ = std::thread([this] { run(); });
}

Voice::~Voice() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

size_t Voice::freeFrames() const {
    return capacity_ - count_;
}

void Voice::push(const float* frames, size_t count) {
    std::lock_guard lock(mutex_);
    size_t writePos = (readPos_ + count_) % capacity_;
    for (size_t done = 0; done < count;) {
        const size_t n = std::min(count - done, capacity_ - writePos);
        std::memcpy(&ring_[writePos * OutputChannels], frames + done * OutputChannels,
                    n * OutputChannels * sizeof(float));
        done += n;
        writePos = (writePos + n) % capacity_;
    }
    count_ += count;
}

size_t Voice::pull(float* out, size_t frames) {
    size_t n;
    {
        std::lock_guard lock(mutex_);
        n = std::min(frames, count_);
        for (size_t done = 0; done < n;) {
            const size_t part = std::min(n - done, capacity_ - readPos_);
            std::memcpy(out + done * OutputChannels, &ring_[readPos_ * OutputChannels],
                        part * OutputChannels * sizeof(float));
            done += part;
            readPos_ = (readPos_ + part) % capacity_;
        }
        count_ -= n;
        played_ += static_cast<int64_t>(n);
    }
    if (n)
        wake_.notify_one();
    return n;
}

bool Voice::ready() const {
    std::lock_guard lock(mutex_);
    return done_ || count_ >= ReadyFrames;
}

bool Voice::finished() const {
    std::lock_guard lock(mutex_);
    return done_ && count_ == 0 && seekTarget_.load() < 0;
}

void Voice::seek(int32_t seconds) {
    int64_t target = std::max<int32_t>(seconds, 0);
    const int64_t length = lengthFrames_.load();
    const int rate = sourceRate_.load();
    if (length >= 0 && rate > 0)
        target = std::min<int64_t>(target, length / rate);
    seekShown_ = static_cast<int32_t>(target);
    {
        std::lock_guard lock(mutex_);
        seekTarget_ = target;
    }
    wake_.notify_all();
}

int32_t Voice::positionSeconds() const {
    const int32_t shown = seekShown_.load();
    if (shown >= 0)
        return shown;
    std::lock_guard lock(mutex_);
    return static_cast<int32_t>(played_ / OutputRate);
}

int32_t Voice::lengthSeconds() const {
    const int64_t length = lengthFrames_.load();
    const int rate = sourceRate_.load();
    return length > 0 && rate > 0 ? static_cast<int32_t>(length / rate) : 0;
}

void Voice::setEnvelope(float from, float to, int fadeMs) {
    gain = from;
    target = to;
    envelopeLeft = fadeMs > 0 ? static_cast<int64_t>(fadeMs) * OutputRate / 1000 : 0;
    if (envelopeLeft == 0) {
        gain = to;
        step = 0.0f;
    } else {
        step = (to - from) / static_cast<float>(envelopeLeft);
    }
}

float Voice::nextGain() {
    if (envelopeLeft > 0) {
        gain += step;
        if (--envelopeLeft == 0)
            gain = target;
    }
    return gain;
}

void Voice::run() {
    auto finish = [this] {
        std::lock_guard lock(mutex_);
        done_ = true;
    };
    std::unique_ptr<Decoder> decoder = plugInDescription().createDecoder();
    if (!decoder || !decoder->open(path_) || decoder->channels() < 1 || decoder->channels() > 8 ||
        decoder->sampleRate() <= 0) {
        seekShown_ = -1;
        lengthFrames_ = 0;
        finish();
        return;
    }
    const int channels = decoder->channels();
    const int rate = decoder->sampleRate();
    sourceRate_ = rate;
    lengthFrames_ = std::max<int64_t>(decoder->lengthFrames(), 0);
    SDL_AudioStream* stream = SDL_NewAudioStream(AUDIO_S16SYS, static_cast<Uint8>(channels), rate,
                                                 AUDIO_F32SYS, OutputChannels, OutputRate);
    if (!stream) {
        finish();
        return;
    }
    std::vector<int16_t> input(static_cast<size_t>(ChunkFrames) * channels);
    std::vector<float> converted(static_cast<size_t>(ChunkFrames) * OutputChannels);
    bool eof = false;
    const auto pause = std::chrono::milliseconds(20);
    for (;;) {
        int64_t target = -1;
        {
            std::unique_lock lock(mutex_);
            if (stopping_)
                break;
            target = seekTarget_.exchange(-1);
        }
        if (target >= 0) {
            // A seek asked before the length was known is clamped here.
            const int64_t length = lengthFrames_.load();
            if (length > 0 && target > length / rate)
                target = length / rate;
            eof = !decoder->seek(target * rate);
            SDL_AudioStreamClear(stream);
            {
                std::lock_guard lock(mutex_);
                count_ = 0;
                played_ = target * OutputRate;
                done_ = false;
            }
            if (seekTarget_.load() < 0)
                seekShown_ = -1;
            continue;
        }
        const int available = SDL_AudioStreamAvailable(stream);
        if (available > 0) {
            size_t space;
            {
                std::unique_lock lock(mutex_);
                wake_.wait_for(lock, pause,
                               [this] { return stopping_ || seekTarget_ >= 0 || freeFrames() > 0; });
                space = freeFrames();
            }
            if (space == 0)
                continue;
            const size_t frameBytes = OutputChannels * sizeof(float);
            const size_t want = std::min({space, converted.size() / OutputChannels, available / frameBytes});
            const int got = SDL_AudioStreamGet(stream, converted.data(), static_cast<int>(want * frameBytes));
            if (got > 0)
                push(converted.data(), static_cast<size_t>(got) / frameBytes);
            continue;
        }
        if (eof) {
            std::unique_lock lock(mutex_);
            done_ = true;
            wake_.wait_for(lock, pause * 5, [this] { return stopping_ || seekTarget_ >= 0; });
            continue;
        }
        const long frames = decoder->read(input.data(), ChunkFrames);
        if (frames <= 0) {
            SDL_AudioStreamFlush(stream);
            eof = true;
            continue;
        }
        SDL_AudioStreamPut(stream, input.data(), static_cast<int>(frames * channels * sizeof(int16_t)));
    }
    SDL_FreeAudioStream(stream);
}

} // namespace larkspin::kit
