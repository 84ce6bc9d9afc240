#include "DecodeJob.h"

#include "AtomicFile.h"
#include "Decoder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
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

std::string decodedFileName(const std::string& source, const std::string& outputFolder) {
    const size_t slash = source.rfind('/');
    std::string base = slash == std::string::npos ? source : source.substr(slash + 1);
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0)
        base.resize(dot);
    std::string folder = outputFolder;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder + "/" + base + ".wav";
}

void DecodeJob::start(const std::string& source, const std::string& outputFolder) {
    cancel();
    // An empty folder would put the file at the root of the file system.
    if (outputFolder.empty() || source.empty())
        return;
    cancelled_ = false;
    progress_ = 0;
    thread_ =
        std::thread([this, source, target = decodedFileName(source, outputFolder)] { run(source, target); });
}

void DecodeJob::cancel() {
    cancelled_ = true;
    if (thread_.joinable())
        thread_.join();
    progress_ = 100;
}

void DecodeJob::run(std::string source, std::string target) {
    struct Finish {
        std::atomic<int32_t>& progress;
        ~Finish() { progress = 100; }
    } finish{progress_};

    std::unique_ptr<Decoder> decoder = plugInDescription().createDecoder();
    if (!decoder || !decoder->open(source) || decoder->channels() < 1 || decoder->channels() > 8 ||
        decoder->sampleRate() <= 0 || sameFile(source, target))
        return;
    const int channels = decoder->channels();
    const int64_t length = decoder->lengthFrames();

    AtomicFile file(target);
    if (!file.Open())
        return;

    unsigned char header[44];
    wavHeader(header, decoder->sampleRate(), channels, 0);
    bool ok = file.Write(header, sizeof header);
    // A RIFF size field holds 32 bits; longer output is cut at a whole frame.
    const uint64_t maxData = (UINT32_MAX - 36) / (static_cast<uint64_t>(channels) * 2) * channels * 2;
    uint64_t dataBytes = 0;
    int64_t frames = 0;
    constexpr long Chunk = 8192;
    std::vector<int16_t> samples(static_cast<size_t>(Chunk) * channels);
    std::vector<unsigned char> bytes(samples.size() * 2);
    while (ok) {
        if (cancelled_)
            return;
        const long got = decoder->read(samples.data(), Chunk);
        if (got <= 0)
            break;
        size_t count = static_cast<size_t>(got) * channels;
        if (dataBytes + count * 2 > maxData)
            count = static_cast<size_t>((maxData - dataBytes) / 2);
        for (size_t i = 0; i < count; ++i)
            put16(&bytes[i * 2], static_cast<uint16_t>(samples[i]));
        ok = file.Write(bytes.data(), count * 2);
        dataBytes += count * 2;
        frames += got;
        if (length > 0)
            progress_ = static_cast<int32_t>(std::min<int64_t>(99, frames * 100 / length));
        if (dataBytes >= maxData)
            break;
    }
    wavHeader(header, decoder->sampleRate(), channels, static_cast<uint32_t>(dataBytes));
    ok = ok && file.WriteAt(0, header, sizeof header);
    if (ok && !cancelled_)
        file.Commit();
}

} // namespace larkspin::kit
