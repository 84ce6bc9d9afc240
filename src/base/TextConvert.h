#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace larkspin {

// Byte-level text helpers shared by the tag readers, the playlist and library files and the encoder
// plug-ins. All texts are UTF-8.

// Removes leading and trailing bytes 0 to 32.
std::string TrimControls(std::string_view s);

// Upper-cases the ASCII letters a to z only.
std::string UpperAscii(std::string_view s);

// Length of the well-formed UTF-8 sequence at s[i] (1 to 4), or 0 when it is malformed or cut off
// (overlong forms, surrogates and values above U+10FFFF are malformed). With cp set, the code point.
size_t Utf8SequenceLength(std::string_view s, size_t i, char32_t* cp = nullptr);

// The longest prefix of s made of whole, well-formed UTF-8 sequences (1 to 4 bytes): decoding stops at
// the first malformed or cut-off sequence and the rest is dropped.
std::string Utf8ValidPrefix(std::string_view s);

// Appends the UTF-8 bytes of the code point cp.
void AppendUtf8(std::string& out, uint32_t cp);

// True when s is entirely well-formed UTF-8.
bool IsValidUtf8(std::string_view s);

// UTF-16 bytes to UTF-8. Zero code units separate strings and come out as zero bytes; each string may
// begin with a byte-order mark, which sets the byte order from there on (before any mark the order given,
// little-endian unless said otherwise: what files that omit the mark use). An odd last byte and a high
// surrogate cut off at the end are dropped; other unpaired surrogates become U+FFFD.
std::string DecodeUtf16(std::string_view bytes, bool bigEndian = false);

// A date as a year: "2004-05-01" and "2004-05-01T12:00:00Z" give "2004"; other texts stay.
std::string YearText(std::string_view date);

// A text that is only decimal digits (at least one) as an integer; fallback when it is anything else or
// does not fit into 31 bits.
int32_t DecimalOr(std::string_view s, int32_t fallback);

// The same with an optional leading "+" or "-" (as ID3v2 track numbers are read).
int32_t SignedDecimalOr(std::string_view s, int32_t fallback);

} // namespace larkspin
