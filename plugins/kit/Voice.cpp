#include "Voice.h"

#include "FormatConverter.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace larkspin::kit {

namespace {
constexpr size_t RingFrames = OutputRate * 3;
constexpr size_t HighWater = OutputRate * 3 / 2; // the decoding thread fills to here, then sleeps
constexpr size_t LowWater = OutputRate / 2;      // and is woken below here
constexpr size_t ReadyFrames = OutputRate / 10;
constexpr long ChunkFrames = 4096;
} // namespace

Voice::Voice(std::string path, DecoderFactory createDecoder)
    : path_(std::move(path)), factory_(createDecoder), ring_(RingFrames, OutputChannels) {
    thread_ = std::thread([this] { run(); });
}

Voice::~Voice() {
    stopping_ = true;
    wake();
    thread_.join();
}

void Voice::wake() {
    wakeups_.fetch_add(1);
    wakeups_.notify_one();
}

void Voice::sleep(bool hungry) {
    const uint32_t seen = wakeups_.load();
    sleeping_.store(hungry ? SleepsHungry : SleepsFull);
    // Checked after announcing the sleep, so a pull that drained the ring just now is not missed.
    const bool stay =
        !stopping_ && seekAsked_.load() == seekServed_.load() && (!hungry || ring_.available() >= LowWater);
    if (stay)
        wakeups_.wait(seen);
    sleeping_.store(Awake);
}

void Voice::adoptSeek() {
    const uint32_t served = seekServed_.load(std::memory_order_acquire);
    if (served == seekAdopted_.load(std::memory_order_relaxed))
        return;
    ring_.skipTo(servedStart_.load());
    played_.store(servedFrame_.load());
    seekAdopted_.store(served);
}

size_t Voice::pull(float* out, size_t frames) {
    adoptSeek();
    const size_t n = ring_.read(out, frames);
    played_.fetch_add(static_cast<int64_t>(n));
    // Pairs with the decoding thread announcing its sleep before it looks at the ring.
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (ring_.available() < LowWater && sleeping_.load() == SleepsHungry)
        wake();
    return n;
}

bool Voice::ready() {
    adoptSeek();
    const uint32_t asked = seekAsked_.load();
    const bool decoded =
        failed_ || (doneAfterSeek_.load() == static_cast<int64_t>(asked) && seekAdopted_.load() == asked);
    return decoded || ring_.available() >= ReadyFrames;
}

bool Voice::finished() const {
    if (failed_)
        return true;
    const uint32_t asked = seekAsked_.load();
    return doneAfterSeek_.load() == static_cast<int64_t>(asked) && seekAdopted_.load() == asked &&
           ring_.available() == 0;
}

void Voice::seek(int32_t seconds) {
    int64_t target = std::max<int32_t>(seconds, 0);
    const int64_t length = lengthFrames_.load();
    const int rate = openingRate_.load();
    if (length >= 0 && rate > 0)
        target = std::min<int64_t>(target, length / rate);
    seekSeconds_ = static_cast<int32_t>(target);
    seekAsked_.fetch_add(1);
    wake();
}

int32_t Voice::positionSeconds() const {
    if (failed_)
        return 0;
    if (seekAdopted_.load() != seekAsked_.load())
        return seekSeconds_.load();
    return static_cast<int32_t>(std::min<int64_t>(played_.load() / OutputRate, INT32_MAX));
}

int32_t Voice::lengthSeconds() const {
    const int64_t length = lengthFrames_.load();
    const int rate = openingRate_.load();
    if (failed_ || length <= 0 || rate <= 0)
        return 0;
    return static_cast<int32_t>(std::min<int64_t>(length / rate, INT32_MAX));
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
    std::unique_ptr<Decoder> decoder = OpenDecoder(factory_, path_);
    if (!decoder || !playableFormat(decoder->sampleRate(), decoder->channels())) {
        failure_ = decoder ? "its sample rate or channel count cannot be played"
                           : "it holds no audio this plug-in can decode";
        failed_ = true;
        return;
    }
    const int rate = decoder->sampleRate();
    openingRate_ = rate;
    lengthFrames_ = plausibleLength(decoder->lengthFrames(), rate);

    FormatConverter converter(OutputRate, OutputChannels);
    std::vector<int16_t> input(static_cast<size_t>(ChunkFrames) * MaxChannels);
    std::vector<float> converted;
    size_t convertedAt = 0; // frames of converted already in the ring
    uint32_t served = 0;
    uint64_t servedStart = 0;
    bool ended = false;
    bool scanned = false;
    for (;;) {
        if (stopping_)
            return;
        const uint32_t asked = seekAsked_.load();
        if (asked != served) {
            int64_t seconds = seekSeconds_.load();
            // A seek asked before the length was known is clamped here.
            const int64_t length = lengthFrames_.load();
            if (length >= 0)
                seconds = std::min(seconds, length / rate);
            ended = !decoder->seek(seconds * rate);
            converter.reset();
            converted.clear();
            convertedAt = 0;
            doneAfterSeek_ = -1;
            served = asked;
            servedStart = ring_.written();
            servedStart_ = servedStart;
            servedFrame_ = seconds * OutputRate;
            seekServed_.store(served, std::memory_order_release);
            continue;
        }
        if (convertedAt < converted.size() / OutputChannels) {
            const size_t left = converted.size() / OutputChannels - convertedAt;
            const size_t n = ring_.write(converted.data() + convertedAt * OutputChannels, left);
            convertedAt += n;
            if (n < left)
                sleep(true);
            continue;
        }
        converted.clear();
        convertedAt = 0;
        // Frames of this seek not yet played; older frames the mixer has yet to skip do not count.
        const size_t buffered =
            static_cast<size_t>(ring_.written() - std::max(ring_.consumed(), servedStart));
        if (ended) {
            doneAfterSeek_ = served;
            sleep(false);
            continue;
        }
        if (buffered >= HighWater) {
            if (!scanned) {
                // Once playback is safe for a while, a length only a full scan gives replaces the
                // header's estimate.
                scanned = true;
                lengthFrames_ = plausibleLength(decoder->scanLength(), rate);
                continue;
            }
            sleep(true);
            continue;
        }
        const long frames = decoder->read(input.data(), ChunkFrames);
        if (frames <= 0 || !playableFormat(decoder->sampleRate(), decoder->channels())) {
            converter.drain(converted);
            ended = true;
            continue;
        }
        if (!converter.convert(input.data(), frames, decoder->sampleRate(), decoder->channels(), converted))
            ended = true;
    }
}

} // namespace larkspin::kit
