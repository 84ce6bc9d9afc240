// libFuzzer target: the track information service over arbitrary file contents, as each file type.
// A record filled with one read must equal the record built field by field (one read per field), and
// every text must be well-formed UTF-8 of a bounded length.
#include "TextConvert.h"
#include "TrackFieldOracle.h"
#include "TrackInfo.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace larkspin;

namespace {

std::string TempFolder() {
    static std::string folder = [] {
        char tmpl[] = "/tmp/fuzz_trackinfo.XXXXXX";
        const char* made = mkdtemp(tmpl);
        if (!made)
            std::abort();
        return std::string(made);
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 64 * 1024)
        return 0;
    // The first byte picks the file type and the flag.
    static const char* const types[] = {"mp3", "wav", "ogg", "wma"};
    const std::string path = TempFolder() + "/A - B." + types[data[0] % 4];
    const bool useId3v2 = data[0] & 4;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    TrackRecord once;
    FillTrackItem(path, once, useId3v2);
    if (once != fixtures::RecordFieldByField(path, useId3v2))
        std::abort();
    for (const std::string& text : once)
        if (!IsValidUtf8(text) || text.size() > 4096)
            std::abort();
    std::vector<std::string> lines;
    BuildLibraryLine(path, lines, useId3v2);
    if (lines.size() != 1 || lines[0].size() != LibraryLineLength || !IsValidUtf8(lines[0]))
        std::abort();
    return 0;
}
