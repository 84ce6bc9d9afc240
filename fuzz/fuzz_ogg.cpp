// libFuzzer target: TOggVorbis::Load over arbitrary bytes.
#include "FileBytes.h"
#include "TOggVorbis.h"
#include "TextConvert.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 256 * 1024)
        return 0;
    const auto file = larkspin::FileBytes::FromMemory(std::string(reinterpret_cast<const char*>(data), size));
    larkspin::TOggVorbis reader;
    reader.Load(file);
    volatile double d = reader.Duration;
    volatile uint32_t b = reader.AverageBitrate();
    (void)d;
    (void)b;
    // Every text must come out as well-formed UTF-8.
    for (const std::string* t : {&reader.Title, &reader.Artist, &reader.Album, &reader.Year, &reader.Genre,
                                 &reader.Comment, &reader.Vendor})
        if (!larkspin::IsValidUtf8(*t))
            std::abort();
    return 0;
}
