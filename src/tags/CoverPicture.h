#pragma once

#include <cstdint>
#include <string>

namespace larkspin {

// The byte position just after the two sync bytes of the first MPEG audio frame found by the last
// successful FindAudioStart.
int64_t AudioStartMark();

// Finds the first 0xFF 0xFA or 0xFF 0xFB pair before the last 1128 bytes of the file (an ID3v1 tag and
// some more) and remembers the position behind it in AudioStartMark. False when there is none or the
// file cannot be read; the mark then keeps its old value.
bool FindAudioStart(const std::string& path);

// Writes the picture of the last "APIC" frame before AudioStartMark into folder + "/temp.jpg": the bytes
// from 19 behind the frame identifier up to the audio start. False, writing nothing, when there is no
// such frame, the picture would be empty, or the file cannot be read; false also when the picture file
// cannot be written (an earlier picture file stays whole). Run FindAudioStart on the same file first.
bool ExtractCover(const std::string& path, const std::string& folder);

} // namespace larkspin
