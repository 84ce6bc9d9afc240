#include "TOggVorbis.h"

#include "ByteReading.h"
#include "TWAVfile.h"
#include "TextConvert.h"

#include <cmath>
#include <cstring>

namespace larkspin {

namespace {

// The comment names in the order of the working record; index 0 is the vendor.
constexpr const char* CommentNames[] = {"TITLE", "ARTIST", "ALBUM",  "TRACKNUMBER",
                                        "DATE",  "GENRE",  "COMMENT"};
constexpr int NameCount = 7;

struct HeaderInfo {
    std::string vendor;
    std::string values[NameCount];
};

// Reads one length-prefixed string at pos: the first MaxCommentBytes bytes are kept, the rest skipped.
bool ReadCommentString(const FileBytes& src, int64_t& pos, std::string& out) {
    unsigned char len[4];
    if (!bytes::ReadExact(src, pos, len, 4))
        return false;
    const uint32_t length = bytes::LE32(len);
    const size_t used = length < TOggVorbis::MaxCommentBytes ? length : TOggVorbis::MaxCommentBytes;
    out.resize(used);
    if (used > 0 && !bytes::ReadExact(src, pos + 4, out.data(), used))
        return false;
    pos += 4 + static_cast<int64_t>(length);
    return true;
}

void TakeCommentString(HeaderInfo& info, const std::string& s) {
    const size_t eq = s.find('=');
    if (eq == std::string::npos) {
        if (info.vendor.empty())
            info.vendor = s;
        return;
    }
    const std::string name = UpperAscii(std::string_view(s).substr(0, eq));
    for (int k = 0; k < NameCount; ++k)
        if (name == CommentNames[k])
            info.values[k] = s.substr(eq + 1);
}

void ReadComments(const FileBytes& src, HeaderInfo& info) {
    unsigned char first[250];
    const int64_t got = src.Read(0, sizeof first, first);
    int64_t pos = -1;
    for (int64_t i = 0; i + 7 <= got && i <= 243; ++i) {
        if (first[i] == 3 && std::memcmp(first + i + 1, "vorbis", 6) == 0) {
            pos = static_cast<int64_t>(i) + 7;
            break;
        }
    }
    if (pos < 0)
        return;
    std::string s;
    if (!ReadCommentString(src, pos, s))
        return;
    TakeCommentString(info, s);
    unsigned char countBytes[4];
    if (!bytes::ReadExact(src, pos, countBytes, 4))
        return;
    pos += 4;
    const uint32_t count = bytes::LE32(countBytes);
    for (uint32_t c = 0; c < count && c < TOggVorbis::MaxComments; ++c) {
        if (!ReadCommentString(src, pos, s))
            return;
        TakeCommentString(info, s);
    }
}

// The low half of the granule position of the last page in the final 12010 bytes, searched backwards
// in overlapping 250-byte blocks; 0 when none is found.
uint32_t FindLastGranule(const FileBytes& src) {
    const int64_t size = src.Size();
    unsigned char block[250];
    for (int i = 1; i <= 50; ++i) {
        const int64_t at = size - 240 * i - 10;
        if (at < 0 || !bytes::ReadExact(src, at, block, sizeof block))
            return 0;
        for (int p = 0; p <= 240; ++p)
            if (std::memcmp(block + p, "OggS", 4) == 0)
                return bytes::LE32(block + p + 6);
    }
    return 0;
}

uint8_t TrackFromText(const std::string& value) {
    const size_t slash = value.find('/');
    const std::string number = TrimControls(slash == std::string::npos ? value : value.substr(0, slash));
    return static_cast<uint8_t>(SignedDecimalOr(number, 0) & 0xFF);
}

} // namespace

void TOggVorbis::Clear() {
    Valid = false;
    FileSize = 0;
    Channels = 0;
    SampleRate = 0;
    NominalBitrate = 0;
    Samples = 0;
    Title.clear();
    Artist.clear();
    Album.clear();
    Track = 0;
    Date.clear();
    Genre.clear();
    Comment.clear();
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
    const uint32_t rate = bytes::LE32(id + 12);
    SampleRate = (rate >= 8000 && rate <= 48000) ? static_cast<uint16_t>(rate) : 0;
    const int32_t nominal = static_cast<int32_t>(bytes::LE32(id + 20)) / 1000;
    NominalBitrate = (nominal >= 16 && nominal <= 350) ? static_cast<uint16_t>(nominal) : 0;

    HeaderInfo info;
    ReadComments(file, info);
    Title = Utf8ValidPrefix(info.values[0]);
    Artist = Utf8ValidPrefix(info.values[1]);
    Album = Utf8ValidPrefix(info.values[2]);
    Track = TrackFromText(info.values[3]);
    Date = Utf8ValidPrefix(info.values[4]);
    Genre = Utf8ValidPrefix(info.values[5]);
    Comment = Utf8ValidPrefix(info.values[6]);
    Vendor = Utf8ValidPrefix(info.vendor);

    Samples = FindLastGranule(file);
    return true;
}

double TOggVorbis::Duration() const {
    if (Samples > 0)
        return SampleRate == 0 ? 0.0 : static_cast<double>(Samples) / SampleRate;
    if (NominalBitrate != 0 && Channels != 0)
        return static_cast<double>(FileSize) / NominalBitrate / Channels / 125 * 2;
    return 0;
}

uint32_t TOggVorbis::Bitrate() const {
    const double d = Duration();
    if (d <= 0)
        return 0;
    const double rate = std::nearbyint(static_cast<double>(FileSize) / d / 125);
    return rate >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(rate);
}

std::string TOggVorbis::ChannelModeName() const {
    return ChannelModeNameOf(Channels);
}

} // namespace larkspin
