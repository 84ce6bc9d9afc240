#pragma once

#include "AudioTags.h"
#include "FileBytes.h"

#include <cstdint>
#include <string>

namespace larkspin {

// An Ogg Vorbis file: the identification header (at byte 28, where it lies when the first page holds
// one segment), the comment header (the stream's second packet, however many pages it spans, read
// with a few large reads and at most MaxTagBlockBytes long) and the last granule position.
//
// AudioTags as the track lists show them: Bitrate is the nominal bit rate; Year the DATE comment;
// Duration from the last granule position, else from the nominal bit rate. Of each of TITLE, ARTIST,
// ALBUM, TRACKNUMBER, DATE, GENRE and COMMENT (names compared upper-cased) the last value counts, cut to
// its first MaxCommentBytes bytes and at the first malformed UTF-8 sequence. Track is the number before
// any "/", modulo 256.
class TOggVorbis : public AudioTags {
public:
    TOggVorbis() { Clear(); }

    void Clear();
    // False only when the 30 bytes of the identification packet cannot be read; a readable file that
    // is not Vorbis gives true with Valid false. A damaged or oversized comment header leaves the
    // comments read before the fault and says what was wrong in Problem.
    bool Load(const std::string& fileName);
    bool Load(const FileBytes& file);

    // The file's size over its length in kbit/s (0 without a length), as the file information window
    // shows it; AudioTags::Bitrate is the nominal rate the track lists show.
    std::uint32_t AverageBitrate() const;
    std::string ChannelModeName() const;

    std::uint16_t NominalBitrate = 0; // kbit/s
    std::uint32_t Samples = 0;        // low half of the last granule position found
    std::string Vendor;

    // Bounds that keep a damaged comment header cheap to read.
    static constexpr std::size_t MaxCommentBytes = 250;
    static constexpr std::uint32_t MaxComments = 65536;
};

} // namespace larkspin
