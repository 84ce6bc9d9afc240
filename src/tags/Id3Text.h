#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text coding of ID3 tags. In memory every text is UTF-8; in the file ID3v1 fields and ID3v2 frames of
// encoding 0 are 8-bit bytes, ID3v2 frames of encoding 1 are UTF-16 with a byte-order mark.
namespace larkspin::id3text {

// Removes trailing bytes 0 to 32.
std::string TrimRight(std::string_view s);
// 8-bit tag bytes to UTF-8: kept when they are valid UTF-8 (many taggers wrote UTF-8), else Latin-1.
std::string DecodeEightBit(std::string_view bytes);

// Any byte string to valid UTF-8 by the same rule (for texts handed to the setters).
inline std::string ToUtf8(std::string_view s) {
    return DecodeEightBit(s);
}

// True when utf8 can be stored as Latin-1 bytes that DecodeEightBit reads back as the same text: every
// character is below U+0100, and the bytes are plain ASCII or not valid UTF-8.
bool FitsLatin1(std::string_view utf8);

// UTF-8 text to 8-bit tag bytes: Latin-1 when FitsLatin1, else the UTF-8 bytes.
std::string EncodeEightBit(std::string_view utf8);

// The longest prefix of utf8, cut at a character boundary, whose EncodeEightBit is at most capacity bytes.
std::string CutToCapacity(std::string_view utf8, std::size_t capacity);

// UTF-8 text to UTF-16 little-endian bytes behind the mark FF FE; zero bytes become zero code units.
std::string EncodeUtf16(std::string_view utf8);

} // namespace larkspin::id3text
