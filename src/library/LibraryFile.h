#pragma once

#include "LibraryLines.h"

#include <array>
#include <cstddef>
#include <string>

namespace larkspin {

// Archive.rol: no header, no count; one 768-byte record per entry in list order. A record is thirteen
// length-prefixed strings (one length byte, then the field's capacity in bytes), packed without gaps.
// The capacities are the line widths except the Location, which keeps 20 bytes.
inline constexpr std::array<std::size_t, LibraryFieldCount> LibraryRecordCapacities = {
    100, 100, 20, 100, 10, 10, 20, 100, 5, 10, 255, 20, 5};
inline constexpr std::size_t LibraryRecordSize = 768;

// What a load or save met. Ok is false when the file could not be read or written; Message then says
// why, in the system's words (a load names the file too; a save's caller names it). A damaged file still
// loads (Ok stays true) and Message names the damage.
struct LibraryFileResult {
    bool Ok = true;
    std::string Message;
    std::size_t Records = 0;
};

// Replaces the content of lines with the file's entries, in file order (a missing file gives an
// empty library and no message). A cut-off last record is ignored; a length byte beyond its field's
// capacity is held to the capacity; text that is not UTF-8 is read as Latin-1. Each is reported in
// Message, and every whole record is kept.
LibraryFileResult LoadLibrary(LibraryLines& lines, const std::string& path);

// Writes every entry, each field filled with spaces to its capacity (the Location cut to 20 bytes on
// a character boundary), through a temporary file renamed over the old one: a failed save leaves the
// old file whole.
LibraryFileResult SaveLibrary(const LibraryLines& lines, const std::string& path);

// ProgramFolder + "/Organizer/Archive.rol".
std::string LibraryFilePath(const std::string& programFolder);

} // namespace larkspin
