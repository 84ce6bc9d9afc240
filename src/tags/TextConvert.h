#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace larkspin {

// Byte-level text helpers shared by the Ogg, WMA and track information code. All texts are UTF-8.

// Removes leading and trailing bytes 0 to 32.
std::string TrimControls(std::string_view s);

// Upper-cases the ASCII letters a to z only.
std::string UpperAscii(std::string_view s);

// The longest prefix of s made of whole, well-formed UTF-8 sequences (1 to 4 bytes): decoding stops at
// the first malformed or cut-off sequence and the rest is dropped.
std::string Utf8ValidPrefix(std::string_view s);

// Appends the UTF-8 bytes of the code point cp.
void AppendUtf8(std::string& out, uint32_t cp);

// True when s is entirely well-formed UTF-8.
bool IsValidUtf8(std::string_view s);

// UTF-16 little-endian bytes to UTF-8. An odd last byte is dropped; a lone surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes);

// A text that is only decimal digits (at least one) as an integer; fallback when it is anything else or
// does not fit into 31 bits.
int32_t DecimalOr(std::string_view s, int32_t fallback);

} // namespace larkspin
