#include "GainTagWriting.h"

#include "FileBytes.h"
#include "GainTags.h"
#include "Id3Frames.h"
#include "Id3TagMerge.h"
#include "TID3v2.h"
#include "TagFileWriter.h"
#include "TextConvert.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace larkspin {

namespace {

struct Item {
    const char* name;
    std::string value;
};

std::vector<Item> ItemsOf(const GainValues& v) {
    std::vector<Item> items = {{"REPLAYGAIN_TRACK_GAIN", GainText(v.TrackGain)},
                               {"REPLAYGAIN_TRACK_PEAK", PeakText(v.TrackPeak)}};
    if (v.AlbumGain)
        items.push_back({"REPLAYGAIN_ALBUM_GAIN", GainText(*v.AlbumGain)});
    if (v.AlbumPeak)
        items.push_back({"REPLAYGAIN_ALBUM_PEAK", PeakText(*v.AlbumPeak)});
    return items;
}

// A TXXX frame of ASCII texts: UTF-8 in v2.4, Latin-1 before (the same bytes).
std::string TxxxFrame(std::uint8_t version, std::string_view description, std::string_view value) {
    std::string data(1, version == 4 ? '\3' : '\0');
    data.append(description);
    data += '\0';
    data.append(value);
    return Id3Frame(version, version == 2 ? "TXX" : "TXXX", data);
}

} // namespace

std::string GainText(double db) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.2f dB", db + 0.0); // + 0.0: no "-0.00"
    return text;
}

std::string PeakText(double peak) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", peak);
    return text;
}

std::optional<std::string> Id3TagWithGain(std::string_view oldTag, const GainValues& values,
                                          std::string& problem) {
    const std::vector<Item> items = ItemsOf(values);
    if (oldTag.empty()) {
        std::string frames;
        for (const Item& item : items)
            frames += TxxxFrame(3, item.name, item.value);
        return Id3v2TagOf(std::string_view("ID3\3\0\0", 6), frames);
    }
    if (!KeepableId3v2Tag(oldTag, problem))
        return std::nullopt;
    const auto version = static_cast<std::uint8_t>(oldTag[3]);
    std::string frames;
    Id3FrameReader reader(oldTag, true);
    while (reader.Next()) {
        if (reader.Cut()) {
            problem = "a frame running past the end of the tag was dropped";
            break;
        }
        std::string description, value;
        if (reader.Readable() && (reader.Id() == "TXXX" || reader.Id() == "TXX") &&
            SplitId3Txxx(reader.Data(), description, value)) {
            const std::string name = UpperAscii(description);
            bool replaced = false;
            for (const Item& item : items)
                replaced = replaced || name == item.name;
            if (replaced)
                continue;
        }
        frames.append(reader.Raw());
    }
    for (const Item& item : items)
        frames += TxxxFrame(version, item.name, item.value);
    return Id3v2TagOf(oldTag, frames);
}

namespace {

constexpr int FlacVorbisComment = 4;
constexpr std::size_t FlacMetadataLimit = 64 * 1024 * 1024;

void PutLE32(std::string& out, std::uint32_t v) {
    for (int k = 0; k < 4; ++k)
        out += static_cast<char>((v >> (8 * k)) & 0xFF);
}

std::uint32_t LE32(std::string_view s, std::size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data() + at);
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// The comment block body with the gain items replaced; nullopt when the old body is cut short.
std::optional<std::string> CommentsWithGain(std::string_view body, const std::vector<Item>& items) {
    std::string_view vendor = "Larkspin";
    std::vector<std::string_view> kept;
    if (!body.empty()) {
        if (body.size() < 4 || body.size() - 4 < LE32(body, 0))
            return std::nullopt;
        vendor = body.substr(4, LE32(body, 0));
        std::size_t pos = 4 + vendor.size();
        if (body.size() - pos < 4)
            return std::nullopt;
        const std::uint32_t count = LE32(body, pos);
        pos += 4;
        for (std::uint32_t c = 0; c < count; ++c) {
            if (body.size() - pos < 4 || body.size() - pos - 4 < LE32(body, pos))
                return std::nullopt;
            const std::string_view comment = body.substr(pos + 4, LE32(body, pos));
            pos += 4 + comment.size();
            const std::string name = UpperAscii(comment.substr(0, comment.find('=')));
            bool replaced = false;
            for (const Item& item : items)
                replaced = replaced || name == item.name;
            if (!replaced)
                kept.push_back(comment);
        }
    }
    std::string out;
    PutLE32(out, static_cast<std::uint32_t>(vendor.size()));
    out.append(vendor);
    PutLE32(out, static_cast<std::uint32_t>(kept.size() + items.size()));
    for (std::string_view comment : kept) {
        PutLE32(out, static_cast<std::uint32_t>(comment.size()));
        out.append(comment);
    }
    for (const Item& item : items) {
        const std::string comment = std::string(item.name) + "=" + item.value;
        PutLE32(out, static_cast<std::uint32_t>(comment.size()));
        out += comment;
    }
    return out;
}

std::string FlacBlock(int type, std::string_view body) {
    std::string block(1, static_cast<char>(type));
    const auto size = static_cast<std::uint32_t>(body.size());
    block += static_cast<char>(size >> 16);
    block += static_cast<char>(size >> 8);
    block += static_cast<char>(size);
    return block.append(body);
}

// The length of the metadata (from "fLaC" to the end of the last block); 0 when it is damaged.
std::size_t FlacMetadataLength(std::string_view head, std::int64_t fileSize, bool& needMore) {
    needMore = false;
    std::size_t pos = 4;
    for (;;) {
        if (head.size() < pos + 4) {
            needMore = true;
            return 0;
        }
        const auto* h = reinterpret_cast<const unsigned char*>(head.data() + pos);
        const std::size_t length = std::size_t(h[1]) << 16 | std::size_t(h[2]) << 8 | h[3];
        pos += 4 + length;
        if (static_cast<std::int64_t>(pos) > fileSize)
            return 0;
        if (h[0] & 0x80)
            return pos;
    }
}

} // namespace

std::optional<std::string> FlacMetadataWithGain(std::string_view metadata, const GainValues& values,
                                                std::string& problem) {
    if (metadata.substr(0, 4) != "fLaC") {
        problem = "is not a FLAC file";
        return std::nullopt;
    }
    const std::vector<Item> items = ItemsOf(values);
    std::vector<std::pair<int, std::string_view>> blocks;
    std::size_t pos = 4;
    for (bool last = false; !last;) {
        if (metadata.size() - pos < 4) {
            problem = "has metadata blocks cut short";
            return std::nullopt;
        }
        const auto* h = reinterpret_cast<const unsigned char*>(metadata.data() + pos);
        const std::size_t length = std::size_t(h[1]) << 16 | std::size_t(h[2]) << 8 | h[3];
        if (metadata.size() - pos - 4 < length) {
            problem = "has metadata blocks cut short";
            return std::nullopt;
        }
        last = (h[0] & 0x80) != 0;
        blocks.emplace_back(h[0] & 0x7F, metadata.substr(pos + 4, length));
        pos += 4 + length;
    }
    if (blocks.empty() || blocks.front().first != 0) {
        problem = "does not begin with its STREAMINFO block";
        return std::nullopt;
    }
    std::string out = "fLaC";
    bool written = false;
    std::vector<std::string> built;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const auto& [type, body] = blocks[i];
        if (type == FlacVorbisComment) {
            if (written)
                continue; // a second comment block breaks the format; the first one counts
            const auto comments = CommentsWithGain(body, items);
            if (!comments) {
                problem = "has a damaged comment block";
                return std::nullopt;
            }
            built.push_back(FlacBlock(type, *comments));
            written = true;
        } else {
            built.push_back(FlacBlock(type, body));
        }
        if (i == 0 && std::none_of(blocks.begin(), blocks.end(),
                                   [](const auto& b) { return b.first == FlacVorbisComment; })) {
            built.push_back(FlacBlock(FlacVorbisComment, *CommentsWithGain({}, items)));
            written = true;
        }
    }
    for (std::size_t i = 0; i < built.size(); ++i) {
        if (i + 1 == built.size())
            built[i][0] = static_cast<char>(built[i][0] | 0x80);
        out += built[i];
    }
    return out;
}

bool WriteFlacGain(const std::string& path, const GainValues& values, std::string& problem) {
    FileBytes file;
    if (!file.Open(path)) {
        problem = "cannot be opened";
        return false;
    }
    bool needMore = false;
    std::size_t length = FlacMetadataLength(file.Head(), file.Size(), needMore);
    std::string metadata;
    if (needMore || length > file.Head().size()) {
        // Large blocks (pictures): the metadata read as a whole, at most FlacMetadataLimit.
        const auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(file.Size(), FlacMetadataLimit));
        metadata.resize(wanted);
        if (file.Read(0, wanted, reinterpret_cast<std::uint8_t*>(metadata.data())) !=
            static_cast<std::int64_t>(wanted)) {
            problem = "cannot be read";
            return false;
        }
        length = FlacMetadataLength(metadata, file.Size(), needMore);
    } else {
        metadata.assign(file.Head());
    }
    if (metadata.substr(0, 4) != "fLaC") {
        problem = "is not a FLAC file";
        return false;
    }
    if (length == 0) {
        problem = "has metadata blocks cut short";
        return false;
    }
    const auto head = FlacMetadataWithGain(std::string_view(metadata).substr(0, length), values, problem);
    if (!head)
        return false;
    file.Close();
    if (!tagfile::RebuildWithHead(path, *head, static_cast<std::int64_t>(length))) {
        problem = "cannot be written";
        return false;
    }
    return true;
}

bool WriteMp3Gain(const std::string& path, const GainValues& values, std::string& problem) {
    FileBytes file;
    if (!file.Open(path)) {
        problem = "cannot be opened";
        return false;
    }
    std::uint8_t header[10] = {};
    if (file.Read(0, sizeof header, header) < 0) {
        problem = "cannot be read";
        return false;
    }
    const std::int64_t skip = TID3v2::TagSizeOf(header, file.Size());
    std::string oldTag(static_cast<std::size_t>(skip), '\0');
    if (skip > 0 && file.Read(0, oldTag.size(), reinterpret_cast<std::uint8_t*>(oldTag.data())) != skip) {
        problem = "cannot be read";
        return false;
    }
    if (skip == 0 && std::string_view(reinterpret_cast<const char*>(header), 3) == "ID3") {
        problem = "has an ID3v2 tag that claims to run past the end of the file";
        return false;
    }
    const auto tag = Id3TagWithGain(oldTag, values, problem);
    if (!tag)
        return false;
    file.Close();
    if (!tagfile::RebuildWithHead(path, *tag, skip)) {
        problem = "cannot be written";
        return false;
    }
    return true;
}

} // namespace larkspin
