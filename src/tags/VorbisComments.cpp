#include "VorbisComments.h"

#include "ByteReading.h"
#include "TextConvert.h"

#include <array>

namespace larkspin {

void AudioTags::AddValue(std::string& field, std::string_view value) {
    const std::string text = TrimControls(Utf8ValidPrefix(value.substr(0, MaxTagTextBytes)));
    if (text.empty())
        return;
    if (!field.empty())
        field += " / ";
    field += text;
}

namespace {

// A little-endian length-prefixed piece at pos; false when it runs past the block.
bool Piece(std::string_view block, std::size_t& pos, std::string_view& out) {
    if (block.size() - pos < 4)
        return false;
    const std::uint32_t length = bytes::LE32(reinterpret_cast<const unsigned char*>(block.data() + pos));
    pos += 4;
    if (block.size() - pos < length)
        return false;
    out = block.substr(pos, length);
    pos += length;
    return true;
}

std::uint32_t BigEndian32(std::string_view s, std::size_t pos) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data() + pos);
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

} // namespace

bool ReadVorbisComments(std::string_view block, AudioTags& tags, bool wantPicture) {
    std::size_t pos = 0;
    std::string_view vendor;
    if (!Piece(block, pos, vendor) || block.size() - pos < 4)
        return false;
    const std::uint32_t count = bytes::LE32(reinterpret_cast<const unsigned char*>(block.data() + pos));
    pos += 4;
    std::string date, year, comment, description;
    bool frontCover = false;
    for (std::uint32_t c = 0; c < count && c < MaxTagItems; ++c) {
        std::string_view entry;
        if (!Piece(block, pos, entry))
            return false;
        const std::size_t eq = entry.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string name = UpperAscii(entry.substr(0, eq));
        const std::string_view value = entry.substr(eq + 1);
        if (tags.Gain.Take(name, value))
            continue;
        if (name == "TITLE")
            AudioTags::AddValue(tags.Title, value);
        else if (name == "ARTIST")
            AudioTags::AddValue(tags.Artist, value);
        else if (name == "ALBUM")
            AudioTags::AddValue(tags.Album, value);
        else if (name == "DATE")
            AudioTags::AddValue(date, value);
        else if (name == "YEAR")
            AudioTags::AddValue(year, value);
        else if (name == "GENRE")
            AudioTags::AddValue(tags.Genre, value);
        else if (name == "COMMENT")
            AudioTags::AddValue(comment, value);
        else if (name == "DESCRIPTION")
            AudioTags::AddValue(description, value);
        else if (name == "TRACKNUMBER" && tags.Track == 0)
            tags.Track = SignedDecimalOr(TrimControls(value.substr(0, value.find('/'))), 0);
        else if (name == "METADATA_BLOCK_PICTURE" && wantPicture && !frontCover) {
            std::string decoded;
            std::string_view data;
            std::uint32_t type = 0;
            if (DecodeBase64(value, decoded) && ParseFlacPicture(decoded, data, type) && !data.empty() &&
                (tags.Picture.empty() || type == 3)) {
                tags.Picture.assign(data);
                frontCover = type == 3;
            }
        }
    }
    tags.Year = YearText(date.empty() ? year : date);
    tags.Comment = comment.empty() ? description : comment;
    return true;
}

bool ParseFlacPicture(std::string_view block, std::string_view& data, std::uint32_t& type) {
    std::size_t pos = 0;
    const auto piece = [&](std::string_view& out) {
        if (block.size() - pos < 4)
            return false;
        const std::uint32_t length = BigEndian32(block, pos);
        pos += 4;
        if (block.size() - pos < length)
            return false;
        out = block.substr(pos, length);
        pos += length;
        return true;
    };
    if (block.size() < 4)
        return false;
    type = BigEndian32(block, 0);
    pos = 4;
    std::string_view mime, description;
    if (!piece(mime) || !piece(description) || block.size() - pos < 16)
        return false;
    pos += 16; // width, height, colour depth, palette size
    return piece(data);
}

bool DecodeBase64(std::string_view text, std::string& out) {
    static const std::array<int, 256> table = [] {
        std::array<int, 256> t{};
        t.fill(-1);
        const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int i = 0; i < 64; ++i)
            t[static_cast<unsigned char>(digits[i])] = i;
        return t;
    }();
    out.clear();
    out.reserve(text.size() / 4 * 3);
    std::uint32_t bits = 0;
    int count = 0;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '=')
            break;
        if (c <= 32)
            continue;
        const int v = table[c];
        if (v < 0)
            return false;
        bits = (bits << 6) | static_cast<std::uint32_t>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return true;
}

} // namespace larkspin
