#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace larkspin {

class FileBytes;

// The 148 genre names of ID3v1, index 0 "Blues" to 147 "Synthpop".
constexpr int GenreCount = 148;
extern const std::array<std::string_view, GenreCount> GenreTable;

// The 128-byte ID3v1 tag at the end of a file. Texts are UTF-8 in memory; in the file each field is
// Latin-1 when it fits, else UTF-8, and a field's capacity counts the bytes stored.
class TID3v1 {
public:
    static constexpr std::size_t TagLength = 128;
    static constexpr std::uint8_t NoGenre = 255;

    TID3v1() { Clear(); }

    void Clear();
    // True when the last 128 bytes could be read (tag or not: see Present); false for a file that cannot
    // be opened or is shorter than 128 bytes, leaving the cleared state.
    bool Load(const std::string& fileName);
    bool Load(const FileBytes& file);
    // Writes the fields as the file's tag, replacing an existing one or appending a new one. The file is
    // rebuilt under a temporary name (SaveId3Tags); a read-only file is made owner-writable first. On
    // failure the file is unchanged.
    bool Save(const std::string& fileName) const;
    // Removes an existing tag; true when there was none.
    bool Strip(const std::string& fileName) const;

    // The tag block Save writes.
    std::array<std::uint8_t, TagLength> BuildTag() const;

    bool Present() const { return present_; }
    std::uint8_t Revision() const { return revision_; }
    const std::string& Title() const { return title_; }
    const std::string& Artist() const { return artist_; }
    const std::string& Album() const { return album_; }
    const std::string& Year() const { return year_; }
    const std::string& Comment() const { return comment_; }
    std::uint8_t Track() const { return track_; }
    std::uint8_t GenreIndex() const { return genreIndex_; }
    // The genre table's name for GenreIndex, empty when it is 148 or above.
    std::string GenreName() const;

    // Trailing bytes 0 to 32 are trimmed, then the text is cut to the field's capacity (30 bytes, the
    // year 4) at a character boundary.
    void SetTitle(std::string_view value);
    void SetArtist(std::string_view value);
    void SetAlbum(std::string_view value);
    void SetYear(std::string_view value);
    void SetComment(std::string_view value);
    void SetTrack(std::uint8_t value) { track_ = value; }
    void SetGenreIndex(std::uint8_t value) { genreIndex_ = value; }

private:
    bool present_ = false;
    std::uint8_t revision_ = 1;
    std::string title_;
    std::string artist_;
    std::string album_;
    std::string year_;
    std::string comment_;
    std::uint8_t track_ = 0;
    std::uint8_t genreIndex_ = NoGenre;
};

} // namespace larkspin
