#pragma once

#include "AudioTags.h"

#include <string>
#include <string_view>

namespace larkspin {

// Reads a Vorbis comment block (vendor, count, "NAME=value" entries; as in FLAC and Opus, without the
// framing bit) into tags: TITLE, ARTIST, ALBUM, DATE (else YEAR), GENRE, COMMENT (else DESCRIPTION) and
// TRACKNUMBER, and the gain items (GainTags::Take); names compared without regard to case; repeated names joined. With wantPicture, the first
// METADATA_BLOCK_PICTURE (a FLAC picture block in base64) that is a front cover, else the first, goes to
// tags.Picture. False when the block is cut short (what was read before stays).
bool ReadVorbisComments(std::string_view block, AudioTags& tags, bool wantPicture);

// The picture data of a FLAC picture block (type, MIME type, description, sizes, data), and its type
// (3: front cover). False when the block is malformed.
bool ParseFlacPicture(std::string_view block, std::string_view& data, std::uint32_t& type);

// Standard base64 (padding optional, blanks skipped); false on other characters.
bool DecodeBase64(std::string_view text, std::string& out);

} // namespace larkspin
