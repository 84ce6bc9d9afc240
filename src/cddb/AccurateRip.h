#pragma once

#include "TocRecord.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace larkspin {

// The AccurateRip database: the disc's identifiers, the address of its record file ("dBAR") and what
// that file says of a ripped track's checksums (see TrackChecksummer). Standard library only.

// A disc as AccurateRip knows it, from the audio tracks of its table of contents: TrackCount audio
// tracks; Id1 the sum of their start sectors and the lead-out's; Id2 the sum of each start (1 for
// sector 0) times its track number, plus the lead-out times the track count + 1; CddbId the disc's
// CDDB ID. Sectors count from the first track's place (the 2-second lead-in left out). A disc whose
// audio is followed by a data session ends its audio 11400 sectors before the data track.
struct AccurateRipDisc {
    int TrackCount = 0;
    std::uint32_t Id1 = 0;
    std::uint32_t Id2 = 0;
    std::uint32_t CddbId = 0;
};
// TrackCount 0 when the table holds no audio track.
AccurateRipDisc AccurateRipDiscOf(const TocRecord& toc);

// The record file's address below base (e.g. DefaultAccurateRipUrl):
// "<base>a/b/c/dBAR-NNN-XXXXXXXX-XXXXXXXX-XXXXXXXX.bin", a b c the last three hex digits of Id1, last
// first. A "/" is put between base and the rest when base does not end with one.
std::string AccurateRipUrl(std::string base, const AccurateRipDisc& disc);

// One submission of a record file: the disc's identifiers and per track how many agreed (confidence),
// the track's checksum and the checksum of its sector 450.
struct AccurateRipEntry {
    std::uint8_t Confidence = 0;
    std::uint32_t Crc = 0;
    std::uint32_t Frame450Crc = 0;
};
struct AccurateRipRecord {
    int TrackCount = 0;
    std::uint32_t Id1 = 0;
    std::uint32_t Id2 = 0;
    std::uint32_t CddbId = 0;
    std::vector<AccurateRipEntry> Tracks;
};

// Reads a record file: records one after the other, each a track count byte, the three identifiers
// (32-bit little-endian) and per track a confidence byte and two 32-bit checksums. False with the
// reason in error when the file is empty, a record is cut short or names no track; records are then
// cleared.
bool ParseAccurateRip(std::string_view data, std::vector<AccurateRipRecord>& records, std::string& error);

// What the records say of one ripped track.
struct AccurateRipVerdict {
    enum Kind { NotInDatabase, NotAccurate, Accurate } Result = NotInDatabase;
    int Confidence = 0; // Accurate: the highest confidence of the records that match
};
// position: the track's 0-based place among the disc's audio tracks. Only records of this disc (same
// track count and identifiers) count; a record matches when its checksum equals either of the track's.
AccurateRipVerdict CheckAccurateRip(const std::vector<AccurateRipRecord>& records,
                                    const AccurateRipDisc& disc, int position, std::uint32_t crcV1,
                                    std::uint32_t crcV2);

// "Accurately ripped (confidence N)", "Not accurate" or "Not in database".
std::string AccurateRipText(const AccurateRipVerdict& verdict);

} // namespace larkspin
