#pragma once

#include <cstdint>
#include <string>

namespace larkspin {

// Display texts of track information, as every list shows them.

// 1 to 9 with a leading "0" ("07"), above 9 the digits ("12"), 0 (or less) the empty text.
std::string FormatTrackNumber(int64_t track);

// Minutes, ":" and two-digit seconds ("3:45", "62:05"). The seconds are first written with one decimal
// and read back, then rounded to whole seconds with halves to even (59.46 s gives "1:00", 58.46 s
// "0:58"). A negative or non-finite duration counts as 0.
std::string FormatLength(double seconds);

// Bytes in units of 1,024,000 with at most two decimals (halves to even) and " MB": 3,456,789 bytes give
// "3.38 MB", 3,481,600 give "3.4 MB", 0 gives "0 MB". The separator is always ".".
std::string FormatSize(int64_t bytes);

// Whole kbit/s and " kbit/s".
std::string FormatBitrate(int64_t kbps);

} // namespace larkspin
