// libFuzzer harness shared by the decoder targets: the input becomes a file, which one plug-in's decoder
// opens, reads through the kit's format converter, seeks in and reads again, as a voice would.
#include "Decoder.h"
#include "FormatConverter.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

std::unique_ptr<larkspin::kit::Decoder> createFuzzedDecoder();

namespace {

// At most this much audio is read per input, so a stream that decodes for ever still ends.
constexpr long MaxFrames = 44100 * 4;
constexpr long Chunk = 4096;

long readSome(larkspin::kit::Decoder& decoder, larkspin::kit::FormatConverter& converter, long budget) {
    std::vector<int16_t> samples(size_t(Chunk) * larkspin::kit::MaxChannels);
    std::vector<float> out;
    long total = 0;
    while (total < budget) {
        const long got = decoder.read(samples.data(), Chunk);
        if (got <= 0 || got > Chunk ||
            !larkspin::kit::playableFormat(decoder.sampleRate(), decoder.channels()))
            break;
        out.clear();
        converter.convert(samples.data(), got, decoder.sampleRate(), decoder.channels(), out);
        total += got;
    }
    out.clear();
    converter.drain(out);
    return total;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20)
        return 0;
    const int fd = memfd_create("fuzzed", 0);
    if (fd < 0)
        return 0;
    for (size_t done = 0; done < size;) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n <= 0)
            break;
        done += size_t(n);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    auto decoder = createFuzzedDecoder();
    if (decoder && decoder->open(path) &&
        larkspin::kit::playableFormat(decoder->sampleRate(), decoder->channels())) {
        larkspin::kit::FormatConverter converter(44100, 2);
        (void)decoder->lengthFrames();
        readSome(*decoder, converter, MaxFrames / 2);
        // A seek taken from the input, as the host may ask any second.
        const int64_t second = size > 0 ? data[size - 1] % 16 : 0;
        if (decoder->seek(second * decoder->sampleRate())) {
            converter.reset();
            readSome(*decoder, converter, MaxFrames / 2);
        }
    }
    decoder.reset();
    close(fd);
    return 0;
}
