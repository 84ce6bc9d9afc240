#include "Id3TagMerge.h"

#include "FileBytes.h"
#include "Id3Frames.h"
#include "Id3Text.h"
#include "TID3v2.h"

#include <algorithm>
#include <array>
#include <vector>

namespace larkspin {

namespace {

enum Field { Title, Artist, Album, Track, Year, Genre, Comment, FieldCount };

// The frame a changed field is written to, by version 2, 3 and 4.
constexpr std::array<std::array<const char*, FieldCount>, 3> WriteIds = {{
    {"TT2", "TP1", "TAL", "TRK", "TYE", "TCO", "COM"},
    {"TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON", "COMM"},
    {"TIT2", "TPE1", "TALB", "TRCK", "TDRC", "TCON", "COMM"},
}};

void PutBigEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int k = bytes - 1; k >= 0; --k)
        out += static_cast<char>((value >> (8 * k)) & 0xFF);
}

void PutSynchsafe(std::string& out, std::uint32_t value) {
    for (int k = 3; k >= 0; --k)
        out += static_cast<char>((value >> (7 * k)) & 0x7F);
}

// True when a comment frame's data (encoding, language, description, text) has an empty description.
bool HasEmptyDescription(std::string_view data) {
    if (data.size() < 5)
        return true;
    const auto encoding = static_cast<std::uint8_t>(data[0]);
    const std::string_view rest = data.substr(4);
    if (encoding != 1 && encoding != 2)
        return rest[0] == '\0';
    if (rest.size() >= 2 && rest[0] == '\0' && rest[1] == '\0')
        return true;
    const bool mark = rest.size() >= 2 &&
                      ((rest[0] == '\xFF' && rest[1] == '\xFE') || (rest[0] == '\xFE' && rest[1] == '\xFF'));
    return mark && (rest.size() < 4 || (rest[2] == '\0' && rest[3] == '\0'));
}

struct OldFrame {
    std::string_view id;
    std::string_view raw;
    std::string_view data; // empty when not readable
    bool readable = true;
};

// Which field a frame of the old tag holds (FieldCount: none). Year frames: TYER and TDRC, and in v2.4
// TDRL when the tag has no recording time (the reader then shows the release time).
int FieldOf(const OldFrame& frame, std::uint8_t version, bool releaseShown) {
    const auto& ids = WriteIds[version - 2];
    for (int f = 0; f < FieldCount; ++f) {
        if (frame.id != ids[f])
            continue;
        if (f == Comment && !(frame.readable && HasEmptyDescription(frame.data)))
            return FieldCount;
        return f;
    }
    if (version >= 3 && (frame.id == "TYER" || frame.id == "TDRC"))
        return Year;
    if (version == 4 && releaseShown && frame.id == "TDRL")
        return Year;
    return FieldCount;
}

} // namespace

std::string Id3TextFrame(std::uint8_t version, std::string_view id, bool comment, std::string_view language,
                         std::string_view text) {
    std::string data;
    const std::string lang = comment ? std::string(language.substr(0, 3)) : std::string();
    if (version == 4) {
        data = '\3' + lang + (comment ? std::string(1, '\0') : std::string()) + id3text::ToUtf8(text);
    } else if (id3text::FitsLatin1(text)) {
        data = '\0' + lang + (comment ? std::string(1, '\0') : std::string()) + id3text::EncodeEightBit(text);
    } else {
        data = '\1' + lang + (comment ? id3text::EncodeUtf16("") + std::string(2, '\0') : std::string()) +
               id3text::EncodeUtf16(text);
    }
    return Id3Frame(version, id, data);
}

std::string Id3Frame(std::uint8_t version, std::string_view id, std::string_view data) {
    std::string frame(id);
    const auto size = static_cast<std::uint32_t>(data.size());
    if (version == 2) {
        PutBigEndian(frame, size, 3);
    } else {
        if (version == 4)
            PutSynchsafe(frame, size);
        else
            PutBigEndian(frame, size, 4);
        frame.append(2, '\0');
    }
    return frame.append(data);
}

bool KeepableId3v2Tag(std::string_view oldTag, std::string& problem) {
    if (oldTag.size() < Id3FrameReader::HeaderLength || oldTag.substr(0, 3) != "ID3") {
        problem = "no ID3v2 tag";
        return false;
    }
    const auto version = static_cast<std::uint8_t>(oldTag[3]);
    const auto flags = static_cast<std::uint8_t>(oldTag[5]);
    if (version < 2 || version > 4) {
        problem = "ID3v2." + std::to_string(version) + " is not a version that can be edited";
        return false;
    }
    if ((flags & 0x80) != 0) {
        problem = "the tag is unsynchronised as a whole";
        return false;
    }
    if (version == 2 && (flags & 0x40) != 0) {
        problem = "the ID3v2.2 tag is compressed as a whole";
        return false;
    }
    if (version == 4 && (flags & 0x10) != 0) {
        problem = "the ID3v2.4 tag has a footer";
        return false;
    }
    return true;
}

std::string Id3v2TagOf(std::string_view oldTag, std::string_view frames) {
    const auto flags = static_cast<std::uint8_t>(oldTag[5]);
    std::string tag("ID3", 3);
    tag += oldTag[3];
    tag += oldTag[4];
    // The extended header is left out (its CRC would no longer match), and its flag with it.
    tag += static_cast<char>(flags & ~0x40);
    PutSynchsafe(tag, static_cast<std::uint32_t>(frames.size()));
    return tag.append(frames);
}

std::optional<std::string> MergeId3v2Tag(std::string_view oldTag, const TID3v2& edited,
                                         std::string& problem) {
    if (!KeepableId3v2Tag(oldTag, problem))
        return std::nullopt;
    const auto version = static_cast<std::uint8_t>(oldTag[3]);

    // What the old tag shows, to find the fields that were changed.
    TID3v2 old;
    old.Load(FileBytes::FromMemory(std::string(oldTag)));
    const std::array<bool, FieldCount> changed = {
        old.Title() != edited.Title(),    old.Artist() != edited.Artist(), old.Album() != edited.Album(),
        old.Track() != edited.Track(),    old.Year() != edited.Year(),     old.Genre() != edited.Genre(),
        old.Comment() != edited.Comment()};
    const std::array<std::string, FieldCount> values = {
        edited.Title(),  edited.Artist(),
        edited.Album(),  edited.Track() != 0 ? std::to_string(edited.Track()) : "",
        edited.Year(),   edited.Genre(),
        edited.Comment()};

    std::vector<OldFrame> frames;
    Id3FrameReader reader(oldTag, true);
    while (reader.Next()) {
        if (reader.Cut()) {
            problem = "a frame running past the end of the tag was dropped";
            break;
        }
        frames.push_back({reader.Id(), reader.Raw(), reader.Readable() ? reader.Data() : std::string_view(),
                          reader.Readable()});
    }
    const bool hasRecordingTime = std::any_of(
        frames.begin(), frames.end(), [](const OldFrame& f) { return f.id == "TDRC" || f.id == "TYER"; });

    const char* commentId = WriteIds[version - 2][Comment];
    std::string language = "eng";
    bool languageTaken = false;
    std::array<bool, FieldCount> written{};
    std::size_t lastComment = std::string::npos; // in v2.3 the last comment frame is the one shown
    std::vector<std::string> out;
    for (const OldFrame& frame : frames) {
        const int field = FieldOf(frame, version, !hasRecordingTime);
        if (field == FieldCount || !changed[field]) {
            out.emplace_back(frame.raw);
            if (frame.id == commentId)
                lastComment = out.size() - 1;
            continue;
        }
        if (field == Comment && frame.data.size() >= 4 && !languageTaken) {
            language = std::string(frame.data.substr(1, 3));
            languageTaken = true;
        }
        // A v2.3 comment is placed below, behind the other comment frames.
        if (written[field] || values[field].empty() || (field == Comment && version == 3))
            continue;
        written[field] = true;
        out.push_back(
            Id3TextFrame(version, WriteIds[version - 2][field], field == Comment, language, values[field]));
    }
    // Fields that had no frame yet, in the usual order. A v2.3 reader shows the last comment frame, so
    // there a new comment goes behind every other one.
    for (int field = 0; field < FieldCount; ++field) {
        if (!changed[field] || written[field] || values[field].empty())
            continue;
        const std::string frame =
            Id3TextFrame(version, WriteIds[version - 2][field], field == Comment, language, values[field]);
        if (field == Comment && lastComment != std::string::npos)
            out.insert(out.begin() + static_cast<std::ptrdiff_t>(lastComment) + 1, frame);
        else
            out.push_back(frame);
    }

    std::string body;
    for (const std::string& frame : out)
        body += frame;
    return Id3v2TagOf(oldTag, body);
}

} // namespace larkspin
