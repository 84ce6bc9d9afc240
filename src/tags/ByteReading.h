#pragma once

#include "FileBytes.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Small helpers for the WAV, Ogg and WMA readers over FileBytes.
namespace larkspin::bytes {

// Reads exactly n bytes at offset; false when fewer are there or the read fails.
inline bool ReadExact(const FileBytes& file, std::int64_t offset, void* out, std::size_t n) {
    return file.Read(offset, n, static_cast<std::uint8_t*>(out)) == static_cast<std::int64_t>(n);
}

inline std::uint16_t LE16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline std::uint32_t LE32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

} // namespace larkspin::bytes
