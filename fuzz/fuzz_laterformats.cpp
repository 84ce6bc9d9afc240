// libFuzzer target: the FLAC, Opus and MP4 readers (covers included) over arbitrary bytes. The first
// byte picks the reader. Texts must be well-formed UTF-8, lengths finite and not negative, and no
// picture larger than the input.
#include "FileBytes.h"
#include "TFLACfile.h"
#include "TMP4file.h"
#include "TOpusFile.h"
#include "TextConvert.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(const larkspin::AudioTags& t, size_t size) {
    if (!std::isfinite(t.Duration) || t.Duration < 0 || t.Picture.size() > size)
        std::abort();
    for (const std::string* s : {&t.Title, &t.Artist, &t.Album, &t.Year, &t.Genre, &t.Comment})
        if (!larkspin::IsValidUtf8(*s))
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 256 * 1024)
        return 0;
    const auto file =
        larkspin::FileBytes::FromMemory(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    switch (data[0] % 3) {
    case 0: {
        larkspin::TFLACfile reader;
        reader.Load(file, true);
        Check(reader, size);
        break;
    }
    case 1: {
        larkspin::TOpusFile reader;
        reader.Load(file, true);
        Check(reader, size);
        break;
    }
    default: {
        larkspin::TMP4file reader;
        reader.Load(file, true);
        Check(reader, size);
        break;
    }
    }
    return 0;
}
