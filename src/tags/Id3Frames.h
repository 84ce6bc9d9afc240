#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace larkspin {

// Walks the frames of one ID3v2.2, v2.3 or v2.4 tag held in memory (header included, as far as it was
// read). Frame names are three characters in v2.2 and four in the later versions. Unsynchronisation (of
// the tag or of a frame), v2.4's data-length field and grouping bytes are taken out of the data;
// compressed and encrypted frames are passed over. Nothing outside the given bytes is ever read: a frame
// that claims to run past them is cut there and ends the walk.
class Id3FrameReader {
public:
    static constexpr std::size_t HeaderLength = 10;

    // With everyFrame, compressed and encrypted frames are stopped at too (Readable() false, Data() raw).
    explicit Id3FrameReader(std::string_view tag, bool everyFrame = false);

    // Moves to the next readable frame; false at padding, a malformed name or the end of the tag.
    bool Next();

    std::uint8_t Version() const { return version_; }
    // The current frame's name and data (valid until the next call of Next).
    std::string_view Id() const { return id_; }
    std::string_view Data() const { return data_; }
    // True when the current frame's data was cut short by the end of the bytes given.
    bool Cut() const { return cut_; }
    // False for a compressed or encrypted frame (only met with everyFrame).
    bool Readable() const { return readable_; }
    // The current frame as it stands in the tag: header and data, before any resynchronisation. Only
    // meaningful when the tag as a whole is not unsynchronised (WholeTagUnsynchronised false).
    std::string_view Raw() const { return raw_; }
    bool WholeTagUnsynchronised() const { return tagUnsync_; }

    // Takes unsynchronisation out: a zero byte behind 0xFF is dropped.
    static std::string Resynchronised(std::string_view bytes);
    // Four 7-bit bytes, big-endian.
    static std::uint32_t Synchsafe(const unsigned char* p);

private:
    bool FrameStartsAt(std::size_t pos) const;
    std::size_t FrameSizeAt(std::size_t pos) const;

    std::uint8_t version_ = 0;
    bool tagUnsync_ = false;
    std::string body_; // the frames, when the whole tag had to be resynchronised
    std::string_view frames_;
    std::size_t pos_ = 0;
    std::string frameData_; // a resynchronised frame
    std::string_view id_;
    std::string_view data_;
    std::string_view raw_;
    bool cut_ = false;
    bool readable_ = true;
    bool everyFrame_ = false;
};

// The picture held by an APIC frame (v2.2: PIC) after its encoding, MIME type (v2.2: three-letter
// format), picture type and description. Bytes is empty when the frame holds no picture or only a link.
struct Id3Picture {
    std::uint8_t type = 0; // 3 is the front cover
    std::string_view bytes;
};
Id3Picture ParseId3Picture(std::string_view data, std::uint8_t version);

} // namespace larkspin
