// libFuzzer target: TWAVfile::Load over arbitrary bytes.
#include "FileBytes.h"
#include "TWAVfile.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 256 * 1024)
        return 0;
    const auto file = larkspin::FileBytes::FromMemory(std::string(reinterpret_cast<const char*>(data), size));
    larkspin::TWAVfile reader;
    reader.Load(file);
    volatile double d = reader.Duration;
    (void)d;
    (void)reader.ChannelModeName();
    return 0;
}
