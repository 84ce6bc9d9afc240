#include "TID3v2.h"

#include "FileBytes.h"
#include "Id3Frames.h"
#include "Id3TagMerge.h"
#include "Id3TagSave.h"
#include "Id3Text.h"
#include "TID3v1.h"
#include "TextConvert.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace larkspin {

namespace {

constexpr std::size_t HeaderLength = 10;
// At most this much of a tag is read (one read); frames beyond are not looked at.
constexpr std::int64_t TagReadLimit = 16 * 1024 * 1024;
enum Slot {
    TitleSlot,
    ArtistSlot,
    AlbumSlot,
    TrackSlot,
    YearSlot,
    GenreSlot,
    CommentSlot,
    SlotCount,
    ReleaseSlot
};
constexpr std::array<const char*, SlotCount> FrameIds = {"TIT2", "TPE1", "TALB", "TRCK",
                                                         "TYER", "TCON", "COMM"};
constexpr std::array<const char*, SlotCount> V22FrameIds = {"TT2", "TP1", "TAL", "TRK", "TYE", "TCO", "COM"};

int SlotOf(std::string_view id, std::uint8_t version) {
    const auto& ids = version == 2 ? V22FrameIds : FrameIds;
    for (std::size_t slot = 0; slot < ids.size(); ++slot)
        if (id == ids[slot])
            return static_cast<int>(slot);
    // v2.4 keeps the recording time in TDRC ("2004" or "2004-05-01") instead of TYER.
    if (version == 4 && id == "TDRC")
        return YearSlot;
    // Without a recording time the release time stands in (eyeD3's -Y writes only TDRL).
    if (version == 4 && id == "TDRL")
        return ReleaseSlot;
    return -1;
}

// True when bytes are the start of a UTF-8 sequence whose end is missing.
bool IsCutSequence(std::string_view bytes) {
    if (bytes.empty())
        return false;
    const auto lead = static_cast<unsigned char>(bytes[0]);
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (bytes.size() >= length)
        return false;
    for (std::size_t k = 1; k < bytes.size(); ++k)
        if ((static_cast<unsigned char>(bytes[k]) & 0xC0) != 0x80)
            return false;
    return true;
}

// 8-bit text whose last character was cut off by the read limit: when the rest is UTF-8, it stays UTF-8
// with the cut character dropped.
std::string DecodeCutEightBit(std::string_view bytes) {
    std::string valid = Utf8ValidPrefix(bytes);
    if (IsCutSequence(bytes.substr(valid.size())))
        return valid;
    return id3text::DecodeEightBit(bytes);
}

// A frame's data as text, from byte skip on (the comment's encoding byte and language are skipped): the
// encoding byte picks UTF-16 (1 with a mark, 2 big-endian without), UTF-8 (3) or 8-bit text (0). The
// result still holds zero separators and fill; callers trim (which also removes an 8-bit frame's
// encoding byte). cut tells that the data was cut by the read limit.
std::string FrameText(std::string_view data, std::size_t skip, bool cut) {
    const std::uint8_t encoding = data.empty() ? 0 : static_cast<std::uint8_t>(data[0]);
    if (encoding == 1 || encoding == 2)
        return DecodeUtf16(data.substr(std::min(data.size(), std::max<std::size_t>(skip, 1))), encoding == 2);
    const std::string_view bytes = data.substr(std::min(data.size(), skip));
    return cut ? DecodeCutEightBit(bytes) : id3text::DecodeEightBit(bytes);
}

// Several values in one frame (v2.4 separates them by zero) joined by " / "; empty values are left out.
std::string JoinedValues(std::string_view text) {
    std::string out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\0', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string value = TrimControls(text.substr(start, end - start));
        if (!value.empty())
            out += (out.empty() ? "" : " / ") + value;
        start = end + 1;
    }
    return out;
}

// The text of "TRCK" up to a "/", as a decimal number stored modulo 256; 0 when it is not a number.
std::uint8_t TrackNumber(const std::string& slot) {
    std::string text = TrimControls(slot);
    const auto slash = text.find('/');
    if (slash != std::string::npos)
        text.resize(slash);
    // A number that does not fit into 32 bits counts as none.
    const std::int32_t value = SignedDecimalOr(text, 0);
    return static_cast<std::uint8_t>(value & 0xFF);
}

// The genre after any "(NN)" references; v2.4 may name a genre by its bare table number instead.
std::string GenreText(const std::string& slot, bool bareNumbers) {
    std::string text = TrimControls(slot);
    const auto close = text.rfind(')');
    if (close != std::string::npos)
        text.erase(0, close + 1);
    const int index = bareNumbers ? DecimalOr(text, -1) : -1;
    if (index >= 0 && index < GenreCount)
        return std::string(GenreTable[static_cast<std::size_t>(index)]);
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
    gain_ = {};
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
    if (majorVersion_ < 2 || majorVersion_ > 4 || tagSize_ == 0)
        return true;

    // The whole tag with one read (usually none: the head already holds it).
    const std::size_t wanted = static_cast<std::size_t>(std::min(tagSize_, TagReadLimit));
    std::string owned;
    std::string_view tag = file.Head();
    if (tag.size() < wanted) {
        owned.resize(wanted);
        const auto got = file.Read(0, wanted, reinterpret_cast<std::uint8_t*>(owned.data()));
        owned.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        tag = owned;
    }
    tag = tag.substr(0, wanted);

    std::array<std::string, SlotCount> slots;
    std::string release;
    Id3FrameReader frames(tag);
    while (frames.Next()) {
        if (frames.Id() == "TXXX" || frames.Id() == "TXX")
            TakeId3GainFrame(frames.Data(), gain_);
        const int slot = SlotOf(frames.Id(), majorVersion_);
        if (slot < 0)
            continue;
        // The first FrameDataLimit bytes. UTF-16 text of a shorter frame with an odd last byte gets a
        // zero byte to complete its last unit, as a read into a zero-filled buffer would.
        const std::string_view data = frames.Data().substr(0, FrameDataLimit);
        const bool cut = frames.Data().size() > FrameDataLimit;
        const std::size_t skip = slot == CommentSlot ? 4 : 1;
        const bool utf16 = !data.empty() && (data[0] == 1 || data[0] == 2);
        std::string completed;
        if (utf16 && data.size() < FrameDataLimit && data.size() > skip && (data.size() - skip) % 2 == 1) {
            completed.assign(data);
            completed += '\0';
        }
        const std::string text = FrameText(completed.empty() ? data : std::string_view(completed),
                                           slot == CommentSlot ? 4 : 0, cut);
        if (majorVersion_ == 3) {
            slots[slot] = text;
            continue;
        }
        if (slot == ReleaseSlot) {
            release = JoinedValues(text);
        } else if (slot == CommentSlot) {
            // v2.2 and v2.4: the description, then the text. Players keep their own data in comments
            // described "iTun..." (volume, gapless); those are not shown. A comment without a description
            // wins over described ones; of those the first is kept.
            const std::size_t zero = text.find('\0');
            const std::string description = TrimControls(text.substr(0, zero));
            if (description.rfind("iTun", 0) == 0 || (!description.empty() && !slots[slot].empty()))
                continue;
            slots[slot] = JoinedValues(zero == std::string::npos ? std::string_view()
                                                                 : std::string_view(text).substr(zero + 1));
        } else {
            slots[slot] = JoinedValues(text);
        }
    }

    title_ = TrimControls(slots[TitleSlot]);
    artist_ = TrimControls(slots[ArtistSlot]);
    album_ = TrimControls(slots[AlbumSlot]);
    year_ = TrimControls(slots[YearSlot].empty() ? release : slots[YearSlot]);
    // v2.4's recording time ("2004-05-01") shows as the year.
    if (majorVersion_ == 4)
        year_ = YearText(year_);
    track_ = TrackNumber(slots[TrackSlot]);
    genre_ = GenreText(slots[GenreSlot], majorVersion_ == 4);
    // An empty description's terminator is trimmed away; a description stays in front of the text.
    comment_ = TrimControls(slots[CommentSlot]);
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

bool TID3v2::Save(const std::string& fileName, std::string* problem) const {
    return SaveId3Tags(fileName, nullptr, this, problem);
}

std::string TID3v2::TagReplacing(std::string_view oldTag, std::string* problem) const {
    if (oldTag.empty())
        return BuildTag();
    std::string why;
    auto merged = MergeId3v2Tag(oldTag, *this, why);
    if (problem && !why.empty())
        *problem = why;
    return merged ? std::move(*merged) : BuildTag();
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
