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

// Writes the embedded picture of an MP3 file into folder + "/temp.jpg": the front cover of the ID3v2 tag
// at the start (v2.2, v2.3 or v2.4; else its last picture), or, without one, the last "APIC" frame found
// before AudioStartMark. The frame's encoding, MIME type, picture type and description are read past;
// the picture's bytes alone are written. False, writing nothing, when there is no picture or the file
// cannot be read; false also when the picture file cannot be written (an earlier picture file stays
// whole). Run FindAudioStart on the same file first.
// FLAC, Opus, M4A and MP4 files (by extension) need no FindAudioStart: their front cover (else their
// first picture) comes from the FLAC PICTURE block, the Opus METADATA_BLOCK_PICTURE comment or the MP4
// "covr" item.
bool ExtractCover(const std::string& path, const std::string& folder);

} // namespace larkspin
