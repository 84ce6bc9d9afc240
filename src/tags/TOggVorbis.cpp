#include "TOggVorbis.h"

#include "ByteReading.h"
#include "OggPackets.h"
#include "TWAVfile.h"
#include "TextConvert.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

namespace larkspin {

namespace {

// The comment names read, in the order of the values below.
constexpr std::string_view CommentNames[] = {"TITLE", "ARTIST", "ALBUM",  "TRACKNUMBER",
                                             "DATE",  "GENRE",  "COMMENT"};
constexpr int NameCount = 7;
constexpr std::size_t MaxNameLength = 21; // "REPLAYGAIN_TRACK_PEAK"

struct HeaderInfo {
    std::string vendor;
    std::string values[NameCount];
    GainTags gain;
};

// One length-prefixed string of the comment header at pos, of which the first MaxCommentBytes bytes are
// kept. False when the header ends before the length; a string that runs past the end keeps what is
// there and sets cut.
bool CommentString(std::string_view header, std::size_t& pos, std::string_view& out, bool& cut) {
    if (header.size() - pos < 4)
        return false;
    const std::uint32_t length = bytes::LE32(reinterpret_cast<const unsigned char*>(header.data() + pos));
    pos += 4;
    const std::size_t left = header.size() - pos;
    cut = length > left;
    out = header.substr(pos, std::min<std::size_t>({length, left, TOggVorbis::MaxCommentBytes}));
    pos += cut ? left : length;
    return true;
}

void TakeCommentString(HeaderInfo& info, std::string_view s) {
    const std::size_t eq = s.find('=');
    if (eq == std::string_view::npos) {
        if (info.vendor.empty())
            info.vendor = s;
        return;
    }
    // Upper-cased on the stack: a header may hold tens of thousands of comments.
    char name[MaxNameLength];
    if (eq > MaxNameLength)
        return;
    for (std::size_t i = 0; i < eq; ++i)
        name[i] = s[i] >= 'a' && s[i] <= 'z' ? static_cast<char>(s[i] - 'a' + 'A') : s[i];
    if (info.gain.Take(std::string_view(name, eq), s.substr(eq + 1)))
        return;
    for (int k = 0; k < NameCount; ++k)
        if (std::string_view(name, eq) == CommentNames[k])
            info.values[k] = s.substr(eq + 1);
}

// The comment header after its "\x03vorbis": vendor, count, strings. Empty when it was read whole, else
// what was wrong; the strings before the fault are taken.
std::string ParseComments(std::string_view header, HeaderInfo& info) {
    std::size_t pos = 0;
    std::string_view s;
    bool cut = false;
    if (!CommentString(header, pos, s, cut))
        return "the comment header ends before the vendor string";
    TakeCommentString(info, s);
    if (cut)
        return "the vendor string runs past the end of the comment header";
    if (header.size() - pos < 4)
        return "the comment header ends before the comment count";
    const std::uint32_t count = bytes::LE32(reinterpret_cast<const unsigned char*>(header.data() + pos));
    pos += 4;
    for (std::uint32_t c = 0; c < count && c < TOggVorbis::MaxComments; ++c) {
        if (!CommentString(header, pos, s, cut))
            return "the comment header ends after " + std::to_string(c) + " of " + std::to_string(count) +
                   " comments";
        TakeCommentString(info, s);
        if (cut)
            return "comment " + std::to_string(c + 1) + " runs past the end of the comment header";
    }
    return {};
}

// The stream's second packet, the comment header. Empty when it was read whole, else what was wrong;
// the comments before the fault are taken.
std::string ReadComments(const FileBytes& file, HeaderInfo& info) {
    OggPacketReader packets(file);
    std::string packet;
    if (!packets.Next(packet))
        return "the identification header: " + packets.Problem();
    const bool whole = packets.Next(packet);
    if (packet.size() < 7 || packet[0] != 3 || packet.compare(1, 6, "vorbis") != 0)
        return whole || packets.Problem().empty() ? "no comment header"
                                                  : "the comment header: " + packets.Problem();
    std::string problem = ParseComments(std::string_view(packet).substr(7), info);
    if (!whole)
        return "the comment header: " + packets.Problem();
    return problem;
}

// The low half of the granule position of the last page in the final 12010 bytes, searched backwards
// in overlapping 250-byte blocks (within the cached tail); 0 when none is found.
std::uint32_t FindLastGranule(const FileBytes& src) {
    const std::int64_t size = src.Size();
    unsigned char block[250];
    for (int i = 1; i <= 50; ++i) {
        const std::int64_t at = size - 240 * i - 10;
        if (at < 0 || !bytes::ReadExact(src, at, block, sizeof block))
            return 0;
        for (int p = 0; p <= 240; ++p)
            if (std::memcmp(block + p, "OggS", 4) == 0)
                return bytes::LE32(block + p + 6);
    }
    return 0;
}

std::uint8_t TrackFromText(const std::string& value) {
    const std::size_t slash = value.find('/');
    const std::string number = TrimControls(slash == std::string::npos ? value : value.substr(0, slash));
    return static_cast<std::uint8_t>(SignedDecimalOr(number, 0) & 0xFF);
}

std::string Shown(const std::string& value) {
    return TrimControls(Utf8ValidPrefix(value));
}

} // namespace

void TOggVorbis::Clear() {
    static_cast<AudioTags&>(*this) = AudioTags{};
    NominalBitrate = 0;
    Samples = 0;
    Vendor.clear();
}

bool TOggVorbis::Load(const std::string& fileName) {
    FileBytes file;
    if (!file.Open(fileName)) {
        Clear();
        return false;
    }
    return Load(file);
}

bool TOggVorbis::Load(const FileBytes& file) {
    Clear();
    // The identification packet starts at 28 when the first page holds a single segment.
    unsigned char id[30];
    if (!bytes::ReadExact(file, 28, id, sizeof id))
        return false;
    if (id[0] != 1 || std::memcmp(id + 1, "vorbis", 6) != 0)
        return true;

    Valid = true;
    FileSize = file.Size();
    Channels = (id[11] == 1 || id[11] == 2) ? id[11] : 0;
    const std::uint32_t rate = bytes::LE32(id + 12);
    SampleRate = (rate >= 8000 && rate <= 48000) ? rate : 0;
    const std::int32_t nominal = static_cast<std::int32_t>(bytes::LE32(id + 20)) / 1000;
    NominalBitrate = (nominal >= 16 && nominal <= 350) ? static_cast<std::uint16_t>(nominal) : 0;
    AudioTags::Bitrate = NominalBitrate;

    HeaderInfo info;
    Problem = ReadComments(file, info);
    Title = Shown(info.values[0]);
    Artist = Shown(info.values[1]);
    Album = Shown(info.values[2]);
    Track = TrackFromText(info.values[3]);
    Year = Shown(info.values[4]);
    Genre = Shown(info.values[5]);
    Comment = Shown(info.values[6]);
    Vendor = Utf8ValidPrefix(info.vendor);
    Gain = info.gain;

    Samples = FindLastGranule(file);
    if (Samples > 0)
        Duration = SampleRate == 0 ? 0.0 : static_cast<double>(Samples) / SampleRate;
    else if (NominalBitrate != 0 && Channels != 0)
        Duration = static_cast<double>(FileSize) / NominalBitrate / Channels / 125 * 2;
    return true;
}

std::uint32_t TOggVorbis::AverageBitrate() const {
    if (Duration <= 0)
        return 0;
    const double rate = std::nearbyint(static_cast<double>(FileSize) / Duration / 125);
    return rate >= 4294967295.0 ? UINT32_MAX : static_cast<std::uint32_t>(rate);
}

std::string TOggVorbis::ChannelModeName() const {
    return ChannelModeNameOf(Channels);
}

} // namespace larkspin
