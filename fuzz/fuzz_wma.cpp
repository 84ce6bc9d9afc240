// libFuzzer target: TWMAfile::Load over arbitrary bytes.
#include "FileBytes.h"
#include "TWMAfile.h"
#include "TextConvert.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 256 * 1024)
        return 0;
    const auto file = larkspin::FileBytes::FromMemory(std::string(reinterpret_cast<const char*>(data), size));
    larkspin::TWMAfile reader;
    reader.Load(file);
    // Texts must be well-formed UTF-8 without leading or trailing control bytes.
    for (const std::string* t :
         {&reader.Title, &reader.Artist, &reader.Album, &reader.Year, &reader.Genre, &reader.Comment}) {
        if (!larkspin::IsValidUtf8(*t) || larkspin::TrimControls(*t) != *t)
            std::abort();
    }
    if (reader.Valid && (reader.Duration < 0 || reader.Channels < 1 || reader.Channels > 2))
        std::abort();
    return 0;
}
