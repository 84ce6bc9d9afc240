#include "GainTags.h"

#include "ByteReading.h"
#include "FileBytes.h"
#include "TFLACfile.h"
#include "TID3v2.h"
#include "TMP4file.h"
#include "TOggVorbis.h"
#include "TOpusFile.h"
#include "TextConvert.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace larkspin {

namespace {

// text without leading and trailing blanks, and without a leading "+".
std::string_view Bare(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32)
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32)
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    return text;
}

// The whole of text as a finite decimal number (no exponent, no hexadecimal).
std::optional<double> Decimal(std::string_view text) {
    if (text.empty() || text.find_first_not_of("-.0123456789") != std::string_view::npos)
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != b[i])
            return false;
    }
    return true;
}

void Keep(std::optional<double>& field, std::optional<double> value) {
    if (!field && value)
        field = value;
}

} // namespace

std::optional<double> ParseGainDb(std::string_view text) {
    text = Bare(text);
    if (text.size() >= 2 && EqualsNoCase(text.substr(text.size() - 2), "DB"))
        text = Bare(text.substr(0, text.size() - 2));
    const auto value = Decimal(text);
    if (!value || std::fabs(*value) > 64)
        return std::nullopt;
    return value;
}

std::optional<double> ParsePeak(std::string_view text) {
    const auto value = Decimal(Bare(text));
    if (!value || *value < 0 || *value >= 100)
        return std::nullopt;
    return value;
}

std::optional<double> ParseQ78Db(std::string_view text) {
    text = Bare(text);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < -32768 ||
        value > 32767)
        return std::nullopt;
    return value / 256.0;
}

bool GainTags::Take(std::string_view name, std::string_view value) {
    // The R128 reference is -23 LUFS, 5 dB below the ReplayGain one.
    constexpr double R128ToReplayGain = 5.0;
    if (EqualsNoCase(name, "REPLAYGAIN_TRACK_GAIN"))
        Keep(TrackGain, ParseGainDb(value));
    else if (EqualsNoCase(name, "REPLAYGAIN_TRACK_PEAK"))
        Keep(TrackPeak, ParsePeak(value));
    else if (EqualsNoCase(name, "REPLAYGAIN_ALBUM_GAIN"))
        Keep(AlbumGain, ParseGainDb(value));
    else if (EqualsNoCase(name, "REPLAYGAIN_ALBUM_PEAK"))
        Keep(AlbumPeak, ParsePeak(value));
    else if (EqualsNoCase(name, "R128_TRACK_GAIN")) {
        if (const auto q = ParseQ78Db(value); q && !trackFromR128_) {
            TrackGain = *q + R128ToReplayGain;
            trackFromR128_ = true;
        }
    } else if (EqualsNoCase(name, "R128_ALBUM_GAIN")) {
        if (const auto q = ParseQ78Db(value); q && !albumFromR128_) {
            AlbumGain = *q + R128ToReplayGain;
            albumFromR128_ = true;
        }
    } else
        return false;
    return true;
}

bool SplitId3Txxx(std::string_view data, std::string& description, std::string& value) {
    if (data.empty())
        return false;
    // Encoding, description, zero, value. UTF-16 texts come out of the decoder with the zero unit as a
    // zero byte, so one split serves every encoding.
    const auto encoding = static_cast<unsigned char>(data[0]);
    const std::string_view body = data.substr(1);
    std::string text;
    if (encoding == 1 || encoding == 2)
        text = DecodeUtf16(body, encoding == 2);
    else
        text.assign(body);
    const std::size_t zero = text.find('\0');
    if (zero == std::string::npos)
        return false;
    description = TrimControls(std::string_view(text).substr(0, zero));
    const std::string_view rest = std::string_view(text).substr(zero + 1);
    value.assign(rest.substr(0, rest.find('\0')));
    return true;
}

void TakeId3GainFrame(std::string_view data, GainTags& gain) {
    std::string description, value;
    if (SplitId3Txxx(data, description, value))
        gain.Take(description, value);
}

bool ReadApeGain(const FileBytes& file, GainTags& gain) {
    constexpr std::size_t FooterBytes = 32;
    constexpr std::size_t MaxApeTagBytes = 1024 * 1024;
    const std::int64_t size = file.Size();
    std::int64_t end = size;
    std::uint8_t id3v1[3] = {};
    if (size >= 128 && file.Read(size - 128, 3, id3v1) == 3 && std::memcmp(id3v1, "TAG", 3) == 0)
        end -= 128;
    if (end < static_cast<std::int64_t>(FooterBytes))
        return false;
    std::uint8_t footer[FooterBytes];
    if (file.Read(end - FooterBytes, FooterBytes, footer) != static_cast<std::int64_t>(FooterBytes) ||
        std::memcmp(footer, "APETAGEX", 8) != 0)
        return false;
    const std::uint32_t tagBytes = bytes::LE32(footer + 12); // items and footer
    const std::uint32_t count = bytes::LE32(footer + 16);
    if (tagBytes < FooterBytes || tagBytes > MaxApeTagBytes || tagBytes > end)
        return false;
    std::string items;
    if (!bytes::ReadString(file, end - tagBytes, tagBytes - FooterBytes, items))
        return false;
    std::size_t pos = 0;
    for (std::uint32_t n = 0; n < count && n < MaxTagItems && items.size() - pos >= 9; ++n) {
        const auto* p = reinterpret_cast<const unsigned char*>(items.data() + pos);
        const std::uint32_t valueBytes = bytes::LE32(p);
        const std::size_t keyEnd = items.find('\0', pos + 8);
        if (keyEnd == std::string::npos || items.size() - keyEnd - 1 < valueBytes)
            break; // cut short: what was read stays
        gain.Take(std::string_view(items).substr(pos + 8, keyEnd - pos - 8),
                  std::string_view(items).substr(keyEnd + 1, valueBytes));
        pos = keyEnd + 1 + valueBytes;
    }
    return true;
}

GainTags ReadGainTags(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    const std::string type = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                                 ? ""
                                 : UpperAscii(path.substr(dot + 1));
    FileBytes file;
    if (!file.Open(path))
        return {};
    GainTags gain;
    if (type == "MP3") {
        TID3v2 id3;
        if (id3.Load(file))
            gain = id3.Gain();
        if (!gain.Any())
            ReadApeGain(file, gain);
    } else if (type == "OGG" || type == "OGA") {
        TOggVorbis reader;
        reader.Load(file);
        gain = reader.Gain;
    } else if (type == "OPUS") {
        TOpusFile reader;
        reader.Load(file);
        gain = reader.Gain;
    } else if (type == "FLAC") {
        TFLACfile reader;
        reader.Load(file);
        gain = reader.Gain;
    } else if (type == "M4A" || type == "MP4") {
        TMP4file reader;
        reader.Load(file);
        gain = reader.Gain;
    } else {
        ReadApeGain(file, gain);
    }
    return gain;
}

} // namespace larkspin
