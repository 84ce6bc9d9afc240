#include "DecodeJob.h"

#include "AtomicFile.h"
#include "Decoder.h"
#include "FormatConverter.h"
#include "OutputNames.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace larkspin::kit {

namespace {

void put16(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void put32(unsigned char* p, uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

void wavHeader(unsigned char* h, int rate, int channels, uint32_t dataBytes) {
    const uint32_t blockAlign = static_cast<uint32_t>(channels) * 2;
    std::copy_n("RIFF", 4, h);
    put32(h + 4, 36 + dataBytes);
    std::copy_n("WAVEfmt ", 8, h + 8);
    put32(h + 16, 16);
    put16(h + 20, 1);
    put16(h + 22, static_cast<uint32_t>(channels));
    put32(h + 24, static_cast<uint32_t>(rate));
    put32(h + 28, static_cast<uint32_t>(rate) * blockAlign);
    put16(h + 32, blockAlign);
    put16(h + 34, 16);
    std::copy_n("data", 4, h + 36);
    put32(h + 40, dataBytes);
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

} // namespace

DecodeJob::~DecodeJob() {
    cancel();
    retirer_.drain();
}

void DecodeJob::start(const std::string& source, const std::string& outputFolder) {
    cancel();
    // An empty folder would put the file at the root of the file system.
    if (outputFolder.empty() || source.empty())
        return;
    run_ = std::make_shared<Run>();
    thread_ = std::thread(
        [factory = createDecoder_, run = run_, source, target = OutputFileName(source, outputFolder, "wav")] {
            decode(factory, *run, source, target);
            run->progress = 100;
            std::lock_guard lock(run->mutex);
            run->over = true;
            run->ended.notify_all();
        });
}

namespace {
// A decode notices a cancel within one chunk; only a decoder stuck in its library takes longer, and
// then finishes on the retiring thread.
constexpr auto CancelPatience = std::chrono::seconds(1);
} // namespace

int32_t DecodeJob::progress() const {
    return run_ ? run_->progress.load() : 100;
}

void DecodeJob::cancel() {
    if (!run_)
        return;
    run_->cancelled = true;
    bool over;
    {
        std::unique_lock lock(run_->mutex);
        over = run_->ended.wait_for(lock, CancelPatience, [this] { return run_->over; });
    }
    if (over)
        thread_.join();
    else
        retirer_.post([thread = std::make_shared<std::thread>(std::move(thread_))] { thread->join(); });
    run_.reset();
}

namespace {

// Writes 16-bit little-endian samples from float frames, rounded and clipped.
void floatToPcm(const float* in, size_t count, unsigned char* out) {
    for (size_t i = 0; i < count; ++i) {
        const float scaled = std::clamp(in[i] * 32768.0f, -32768.0f, 32767.0f);
        put16(out + i * 2, static_cast<uint16_t>(static_cast<int16_t>(std::lrint(scaled))));
    }
}

} // namespace

void DecodeJob::decode(DecoderFactory createDecoder, Run& run, const std::string& source,
                       const std::string& target) {
    std::unique_ptr<Decoder> decoder = OpenDecoder(createDecoder, source);
    if (!decoder || !playableFormat(decoder->sampleRate(), decoder->channels()) || sameFile(source, target))
        return;
    const int channels = decoder->channels();
    const int rate = decoder->sampleRate();
    const int64_t length = plausibleLength(decoder->lengthFrames(), rate);

    AtomicFile file(target);
    if (run.cancelled || !file.Open())
        return;

    unsigned char header[44];
    wavHeader(header, rate, channels, 0);
    bool ok = file.Write(header, sizeof header);
    // A RIFF size field holds 32 bits; longer output is cut at a whole frame.
    const uint64_t maxData = (UINT32_MAX - 36) / (static_cast<uint64_t>(channels) * 2) * channels * 2;
    uint64_t dataBytes = 0;
    int64_t frames = 0;
    constexpr long Chunk = 8192;
    std::vector<int16_t> samples(static_cast<size_t>(Chunk) * MaxChannels);
    std::vector<unsigned char> bytes;
    FormatConverter converter(rate, channels); // only for frames in another format
    std::vector<float> converted;
    bool more = true;
    while (ok && more) {
        if (run.cancelled)
            return;
        const long got = decoder->read(samples.data(), Chunk);
        size_t count = 0;
        converted.clear();
        if (got <= 0 || !playableFormat(decoder->sampleRate(), decoder->channels())) {
            converter.drain(converted);
            more = false;
        } else if (decoder->sampleRate() == rate && decoder->channels() == channels) {
            converter.drain(converted); // what is left of an earlier format comes first
            count = static_cast<size_t>(got) * channels;
        } else {
            converter.convert(samples.data(), got, decoder->sampleRate(), decoder->channels(), converted);
        }
        bytes.resize((converted.size() + count) * 2);
        floatToPcm(converted.data(), converted.size(), bytes.data());
        for (size_t i = 0; i < count; ++i)
            put16(&bytes[(converted.size() + i) * 2], static_cast<uint16_t>(samples[i]));
        size_t size = bytes.size();
        if (dataBytes + size > maxData)
            size = static_cast<size_t>(maxData - dataBytes);
        ok = file.Write(bytes.data(), size);
        dataBytes += size;
        frames += std::max<long>(got, 0);
        if (length > 0)
            run.progress = static_cast<int32_t>(std::min<int64_t>(99, frames * 100 / length));
        if (dataBytes >= maxData)
            break;
    }
    wavHeader(header, rate, channels, static_cast<uint32_t>(dataBytes));
    ok = ok && file.WriteAt(0, header, sizeof header);
    if (ok && !run.cancelled)
        file.Commit();
}

} // namespace larkspin::kit
