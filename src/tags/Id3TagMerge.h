#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace larkspin {

class TID3v2;

// One ID3v2 text frame (header and data) in the framing of the given major version (2, 3 or 4). Version 4
// stores UTF-8 (encoding 3) behind a sync-safe size; the older versions store Latin-1 when the text
// allows, else UTF-16 with a mark. A comment frame gets the language and an empty description in front
// of the text.
std::string Id3TextFrame(std::uint8_t version, std::string_view id, bool comment, std::string_view language,
                         std::string_view text);

// One frame (header and data) in the framing of the given major version.
std::string Id3Frame(std::uint8_t version, std::string_view id, std::string_view data);

// True when the frames of oldTag (a whole ID3v2 tag) can be kept byte for byte in a rewritten tag: a
// version from 2.2 to 2.4, not unsynchronised or compressed as a whole, no v2.4 footer. Otherwise the
// reason goes to problem.
bool KeepableId3v2Tag(std::string_view oldTag, std::string& problem);

// A tag of oldTag's version and flags (the extended header left out) around the frames given.
std::string Id3v2TagOf(std::string_view oldTag, std::string_view frames);

// The tag to write in place of oldTag (a whole ID3v2 tag, header included) when the fields of edited are
// saved. Only the fields that differ from what oldTag itself shows are touched: such a field's frames are
// replaced by one new frame in the place of the first (an emptied field just loses them); for the comment
// these are the comment frames with an empty description. Every other frame stays byte for byte and in
// its order, and the tag keeps its version. The extended header and padding are dropped.
// Returns nullopt, with the reason in problem, when the old frames cannot be kept as they are: a version
// other than 2.2 to 2.4, a tag unsynchronised or compressed as a whole, or a v2.4 footer. A frame cut
// short by the end of the tag is dropped, and problem says so.
std::optional<std::string> MergeId3v2Tag(std::string_view oldTag, const TID3v2& edited, std::string& problem);

} // namespace larkspin
