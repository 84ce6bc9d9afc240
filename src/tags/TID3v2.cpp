#include "TID3v2.h"

#include "FileBytes.h"
#include "Id3Text.h"
#include "TagFileWriter.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace larkspin {

namespace {

constexpr std::size_t HeaderLength = 10;
// Larger unsynchronised tags are read as stored rather than copied into memory.
constexpr std::int64_t UnsyncLimit = 16 * 1024 * 1024;
constexpr std::array<const char*, 7> FrameIds = {"TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON", "COMM"};
enum Slot { TitleSlot, ArtistSlot, AlbumSlot, TrackSlot, YearSlot, GenreSlot, CommentSlot };

std::uint32_t BigEndian32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

// A frame's data as text, from byte skip on (the comment's encoding byte and language are skipped): the
// encoding byte picks UTF-16 or 8-bit text. The result still holds zero separators and fill; callers
// trim (which also removes an 8-bit frame's encoding byte).
std::string FrameText(const std::uint8_t* data, std::size_t length, std::size_t skip) {
    const std::string_view raw(reinterpret_cast<const char*>(data), length);
    const std::uint8_t encoding = length > 0 ? data[0] : 0;
    // Encoding 2 (big-endian UTF-16 without a mark) belongs to ID3v2.4 but costs nothing to read.
    if (encoding == 1 || encoding == 2)
        return id3text::DecodeUtf16(raw.substr(std::min(length, std::max<std::size_t>(skip, 1))), true);
    return id3text::DecodeEightBit(raw.substr(std::min(length, skip)));
}

// The text of "TRCK" up to a "/", as a decimal number stored modulo 256; 0 when it is not a number.
std::uint8_t TrackNumber(const std::string& slot) {
    std::string text = id3text::Trim(slot);
    const auto slash = text.find('/');
    if (slash != std::string::npos)
        text.resize(slash);
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i == text.size())
        return 0;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return 0;
        value = value * 10 + (text[i] - '0');
        if (value > 2147483648LL)
            return 0;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL)
        return 0;
    return static_cast<std::uint8_t>(value & 0xFF);
}

std::string GenreText(const std::string& slot) {
    std::string text = id3text::Trim(slot);
    const auto close = text.rfind(')');
    if (close != std::string::npos)
        text.erase(0, close + 1);
    return text;
}

// One frame of the tag Save writes: encoding 0 (Latin-1) when the text allows, else 1 (UTF-16). A comment
// frame gets the language "eng" and an empty description in front of the text.
void AppendFrame(std::string& body, const char* id, bool comment, const std::string& text) {
    std::string data;
    if (id3text::FitsLatin1(text)) {
        data = std::string(1, '\0') + (comment ? std::string("eng\0", 4) : std::string());
        data += id3text::EncodeEightBit(text);
    } else {
        data =
            std::string(1, '\1') + (comment ? "eng" + id3text::EncodeUtf16("") + std::string(2, '\0') : "");
        data += id3text::EncodeUtf16(text);
    }
    body.append(id, 4);
    const auto size = static_cast<std::uint32_t>(data.size());
    body += static_cast<char>(size >> 24);
    body += static_cast<char>(size >> 16);
    body += static_cast<char>(size >> 8);
    body += static_cast<char>(size);
    body.append(2, '\0');
    body += data;
}

} // namespace

void TID3v2::Clear() {
    present_ = false;
    majorVersion_ = 0;
    tagSize_ = 0;
    title_.clear();
    artist_.clear();
    album_.clear();
    track_ = 0;
    year_.clear();
    genre_.clear();
    comment_.clear();
}

std::int64_t TID3v2::TagSizeOf(const std::uint8_t* h, std::int64_t fileSize) {
    if (std::memcmp(h, "ID3", 3) != 0)
        return 0;
    const std::int64_t size = (std::int64_t(h[6]) << 21) + (std::int64_t(h[7]) << 14) +
                              (std::int64_t(h[8]) << 7) + h[9] + std::int64_t(HeaderLength);
    return size > fileSize ? 0 : size;
}

bool TID3v2::Load(const std::string& fileName) {
    FileBytes file;
    if (!file.Open(fileName, FileBytes::DefaultHead, 0)) {
        Clear();
        return false;
    }
    return Load(file);
}

bool TID3v2::Load(const FileBytes& file) {
    Clear();
    std::uint8_t header[HeaderLength];
    if (file.Read(0, HeaderLength, header) != static_cast<std::int64_t>(HeaderLength))
        return false;
    if (std::memcmp(header, "ID3", 3) != 0)
        return true;
    present_ = true;
    majorVersion_ = header[3];
    tagSize_ = TagSizeOf(header, file.Size());
    if (majorVersion_ != 3 || tagSize_ == 0)
        return true;

    // A tag written with unsynchronisation has a zero byte stuffed after every 0xFF; frames are read
    // from the tag with those bytes taken out again.
    FileBytes plain;
    const FileBytes* source = &file;
    if ((header[5] & 0x80) != 0 && tagSize_ <= UnsyncLimit) {
        std::string raw(static_cast<std::size_t>(tagSize_), '\0');
        const auto got = file.Read(0, raw.size(), reinterpret_cast<std::uint8_t*>(raw.data()));
        raw.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        std::string body = raw.substr(0, std::min(raw.size(), HeaderLength));
        for (std::size_t i = HeaderLength; i < raw.size(); ++i)
            if (!(raw[i] == '\0' && i > HeaderLength && raw[i - 1] == '\xFF'))
                body += raw[i];
        plain = FileBytes::FromMemory(std::move(body));
        source = &plain;
    }

    std::array<std::string, FrameIds.size()> slots;
    std::int64_t pos = HeaderLength;
    // An extended header (its size does not count its own four size bytes) comes before the frames.
    std::uint8_t extended[4];
    if ((header[5] & 0x40) != 0 && source->Read(HeaderLength, 4, extended) == 4)
        pos += 4 + std::int64_t(BigEndian32(extended));
    while (pos < tagSize_ && pos < source->Size()) {
        std::uint8_t frame[HeaderLength];
        if (source->Read(pos, HeaderLength, frame) != static_cast<std::int64_t>(HeaderLength))
            break;
        if (frame[0] < 'A' || frame[0] > 'Z')
            break;
        const std::int64_t dataPos = pos + static_cast<std::int64_t>(HeaderLength);
        const std::uint32_t dataSize = BigEndian32(frame + 4);
        for (std::size_t slot = 0; slot < FrameIds.size(); ++slot) {
            if (std::memcmp(frame, FrameIds[slot], 4) != 0)
                continue;
            // The data read so far, zero-filled up to the limit; the fill is trimmed off later.
            std::uint8_t data[FrameDataLimit] = {};
            // A damaged frame size cannot pull the audio behind the tag into a text.
            const std::int64_t inTag = std::max<std::int64_t>(0, tagSize_ - dataPos);
            const auto wanted = static_cast<std::size_t>(
                std::min<std::int64_t>({std::int64_t(dataSize), std::int64_t(FrameDataLimit), inTag}));
            const auto got = source->Read(dataPos, wanted, data);
            if (got < 0)
                break;
            slots[slot] = FrameText(data, FrameDataLimit, slot == CommentSlot ? 4 : 0);
        }
        pos = dataPos + dataSize;
    }

    title_ = id3text::Trim(slots[TitleSlot]);
    artist_ = id3text::Trim(slots[ArtistSlot]);
    album_ = id3text::Trim(slots[AlbumSlot]);
    year_ = id3text::Trim(slots[YearSlot]);
    track_ = TrackNumber(slots[TrackSlot]);
    genre_ = GenreText(slots[GenreSlot]);
    // An empty description's terminator is trimmed away; a description stays in front of the text.
    comment_ = id3text::Trim(slots[CommentSlot]);
    return true;
}

std::string TID3v2::BuildTag() const {
    std::string body;
    const std::string texts[] = {
        title_, artist_, album_,  track_ != 0 ? std::to_string(track_) : std::string(),
        year_,  genre_,  comment_};
    for (std::size_t slot = 0; slot < FrameIds.size(); ++slot) {
        if (texts[slot].empty())
            continue;
        AppendFrame(body, FrameIds[slot], slot == CommentSlot, texts[slot]);
    }
    const auto size = static_cast<std::uint32_t>(body.size());
    std::string tag("ID3\3\0\0", 6);
    tag += static_cast<char>((size >> 21) & 127);
    tag += static_cast<char>((size >> 14) & 127);
    tag += static_cast<char>((size >> 7) & 127);
    tag += static_cast<char>(size & 127);
    return tag + body;
}

bool TID3v2::Save(const std::string& fileName) const {
    FileBytes file;
    std::uint8_t header[HeaderLength];
    if (!file.Open(fileName, HeaderLength, 0) ||
        file.Read(0, HeaderLength, header) != static_cast<std::int64_t>(HeaderLength))
        return false;
    return tagfile::RebuildWithHead(fileName, BuildTag(), TagSizeOf(header, file.Size()));
}

void TID3v2::SetTitle(std::string_view value) {
    title_ = id3text::TrimRight(id3text::ToUtf8(value));
}
void TID3v2::SetArtist(std::string_view value) {
    artist_ = id3text::TrimRight(id3text::ToUtf8(value));
}
void TID3v2::SetAlbum(std::string_view value) {
    album_ = id3text::TrimRight(id3text::ToUtf8(value));
}
void TID3v2::SetYear(std::string_view value) {
    year_ = id3text::TrimRight(id3text::ToUtf8(value));
}
void TID3v2::SetGenre(std::string_view value) {
    genre_ = id3text::TrimRight(id3text::ToUtf8(value));
}
void TID3v2::SetComment(std::string_view value) {
    comment_ = id3text::TrimRight(id3text::ToUtf8(value));
}

} // namespace larkspin
