#pragma once

#include "FileBytes.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Small helpers for the readers over FileBytes.
namespace larkspin::bytes {

// Reads exactly n bytes at offset; false when fewer are there or the read fails.
inline bool ReadExact(const FileBytes& file, std::int64_t offset, void* out, std::size_t n) {
    return file.Read(offset, n, static_cast<std::uint8_t*>(out)) == static_cast<std::int64_t>(n);
}

// Reads exactly n bytes at offset into out (resized to n); false when fewer are there or the read fails.
inline bool ReadString(const FileBytes& file, std::int64_t offset, std::size_t n, std::string& out) {
    out.resize(n);
    return ReadExact(file, offset, out.data(), n);
}

inline std::uint32_t BE32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

inline std::uint64_t BE64(const unsigned char* p) {
    return static_cast<std::uint64_t>(BE32(p)) << 32 | BE32(p + 4);
}

inline std::uint16_t LE16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

inline std::uint32_t LE32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

} // namespace larkspin::bytes
