// libFuzzer target: a CUE sheet's text laid out as a disc, over a folder holding a small .bin and
// .wav, then every sector of the layout read.
#include "CueSheet.h"
#include "DiscImageReader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// a.bin: 20 sectors; a.wav: 10 sectors of 44.1 kHz 16-bit stereo.
std::string Folder() {
    static std::string folder = [] {
        char name[] = "/tmp/fuzz_cuesheet.XXXXXX";
        std::string dir = ::mkdtemp(name) ? name : "/tmp";
        std::FILE* bin = std::fopen((dir + "/a.bin").c_str(), "wb");
        std::vector<char> bytes(20 * 2352, 'b');
        std::fwrite(bytes.data(), 1, bytes.size(), bin);
        std::fclose(bin);
        std::FILE* wav = std::fopen((dir + "/a.wav").c_str(), "wb");
        const unsigned data = 10 * 2352;
        const unsigned riff = 36 + data, fmt = 16, rate = 44100, byteRate = rate * 4;
        const unsigned short pcm = 1, channels = 2, align = 4, bits = 16;
        std::fwrite("RIFF", 1, 4, wav);
        std::fwrite(&riff, 4, 1, wav);
        std::fwrite("WAVEfmt ", 1, 8, wav);
        std::fwrite(&fmt, 4, 1, wav);
        std::fwrite(&pcm, 2, 1, wav);
        std::fwrite(&channels, 2, 1, wav);
        std::fwrite(&rate, 4, 1, wav);
        std::fwrite(&byteRate, 4, 1, wav);
        std::fwrite(&align, 2, 1, wav);
        std::fwrite(&bits, 2, 1, wav);
        std::fwrite("data", 1, 4, wav);
        std::fwrite(&data, 4, 1, wav);
        std::fwrite(bytes.data(), 1, data, wav);
        std::fclose(wav);
        return dir;
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024)
        return 0;
    const std::string folder = Folder();
    const std::string text(reinterpret_cast<const char*>(data), size);
    larkspin::DiscLayout layout;
    std::string error;
    if (!larkspin::ParseCueSheet(text, folder, layout, error))
        return 0;
    // Read through the reader too: write the sheet beside the files.
    const std::string cue = folder + "/f.cue";
    if (std::FILE* f = std::fopen(cue.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    larkspin::DiscImageReader reader;
    if (!reader.Open(cue) || reader.Layout().LeadOut > 2000)
        return 0;
    std::vector<std::uint8_t> buffer(32 * 2352);
    for (std::int32_t s = 0; s < reader.Layout().LeadOut; s += 32)
        reader.Read(s, std::min<std::int32_t>(32, reader.Layout().LeadOut - s), buffer.data());
    return 0;
}
