#pragma once

#include "GainTags.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace larkspin {

class FileBytes;

// The ID3v2 tag at the start of a file, limited to seven text fields. Frames are read from ID3v2.2, v2.3
// and v2.4 tags (v2.4 keeps the year in TDRC; several values of one v2.2 or v2.4 frame are joined by
// " / "); of other versions just the presence, version and size are reported. The tag is read with one
// read of at most 16 MiB. Saving changes only the frames of the fields that differ from the file's tag;
// every other frame (pictures, lyrics, further text frames) stays as it was, and so does the tag's
// version. A file without a tag gets an ID3v2.3 tag of the seven frames. Texts are
// UTF-8 in memory; frames of encoding 1 and 2 (UTF-16; little-endian when a mark is missing) and 3
// (UTF-8) are decoded, frames of encoding 0 are taken as UTF-8 when valid, else as Latin-1.
class TID3v2 {
public:
    // At most this many bytes of a frame's data are read.
    static constexpr std::size_t FrameDataLimit = 250;

    TID3v2() { Clear(); }

    void Clear();
    // False when the file cannot be opened or holds fewer than 10 bytes; true otherwise, tag or not.
    bool Load(const std::string& fileName);
    bool Load(const FileBytes& file);
    // Writes the fields into the file's ID3v2 tag (see TagReplacing). The file is rebuilt under a
    // temporary name and renamed over the original, which stays whole on any failure.
    bool Save(const std::string& fileName, std::string* problem = nullptr) const;

    // A new ID3v2.3 tag (header and frames) of just the seven fields.
    std::string BuildTag() const;
    // The tag Save writes in place of oldTag (the file's whole tag, empty when it has none): oldTag with
    // only the changed fields' frames replaced (MergeId3v2Tag). When oldTag cannot be kept that way, the
    // reason goes to problem (when given) and the result is BuildTag.
    std::string TagReplacing(std::string_view oldTag, std::string* problem = nullptr) const;

    // The whole tag's size from its header (10 header bytes included), or 0 when the bytes do not start
    // with "ID3" or the size exceeds fileSize.
    static std::int64_t TagSizeOf(const std::uint8_t* header10, std::int64_t fileSize);

    bool Present() const { return present_; }
    std::uint8_t MajorVersion() const { return majorVersion_; }
    std::int64_t TagSize() const { return tagSize_; }
    const std::string& Title() const { return title_; }
    const std::string& Artist() const { return artist_; }
    const std::string& Album() const { return album_; }
    std::uint8_t Track() const { return track_; }
    const std::string& Year() const { return year_; }
    const std::string& Genre() const { return genre_; }
    const std::string& Comment() const { return comment_; }
    // The REPLAYGAIN_* values of the tag's TXXX frames.
    const GainTags& Gain() const { return gain_; }

    // Texts are stored with trailing bytes 0 to 32 trimmed.
    void SetTitle(std::string_view value);
    void SetArtist(std::string_view value);
    void SetAlbum(std::string_view value);
    void SetTrack(std::uint8_t value) { track_ = value; }
    void SetYear(std::string_view value);
    void SetGenre(std::string_view value);
    void SetComment(std::string_view value);

private:
    bool present_ = false;
    std::uint8_t majorVersion_ = 0;
    std::int64_t tagSize_ = 0;
    std::string title_;
    std::string artist_;
    std::string album_;
    std::uint8_t track_ = 0;
    std::string year_;
    std::string genre_;
    std::string comment_;
    GainTags gain_;
};

} // namespace larkspin
