#include "TMPEGaudio.h"

#include "FileBytes.h"

#include <cmath>
#include <cstring>

namespace larkspin {

namespace {

// kbit/s by [MPEG 1 = 0, MPEG 2/2.5 = 1][layer I, II, III][index]
constexpr std::uint16_t Bitrates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};

// Hz by version bits (0 MPEG 2.5, 2 MPEG 2, 3 MPEG 1) and index.
constexpr std::uint32_t SampleRates[4][4] = {
    {11025, 12000, 8000, 0}, {0, 0, 0, 0}, {22050, 24000, 16000, 0}, {44100, 48000, 32000, 0}};

constexpr const char* ChannelModes[] = {"Stereo", "Joint Stereo", "Dual Channel", "Mono", "Unknown"};
constexpr const char* Emphases[] = {"None", "50/15 ms", "Unknown", "CCIT J.17"};
constexpr const char* Encoders[] = {"Unknown", "Xing", "FhG", "LAME", "Blade", "GoGo", "Shine"};

std::int32_t BigEndian32(const std::uint8_t* p) {
    return static_cast<std::int32_t>((std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
                                     (std::uint32_t(p[2]) << 8) | p[3]);
}

// True when the n bytes at pos lie inside the window and equal text.
bool Matches(const std::uint8_t* window, std::size_t length, std::int64_t pos, const char* text,
             std::size_t n) {
    return pos >= 0 && static_cast<std::uint64_t>(pos) <= length &&
           length - static_cast<std::size_t>(pos) >= n && std::memcmp(window + pos, text, n) == 0;
}

bool HeaderAt(const std::uint8_t* window, std::size_t length, std::size_t pos) {
    return pos <= length && length - pos >= 4 && TMPEGaudio::IsFrameHeader(window + pos);
}

bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

void TMPEGaudio::Clear() {
    fileSize_ = 0;
    tagSize_ = 0;
    windowStart_ = 0;
    tailVendor_.clear();
    vbr_ = VBRData{};
    frame_ = MpegFrame{};
    id3v1_.Clear();
    id3v2_.Clear();
}

bool TMPEGaudio::IsFrameHeader(const std::uint8_t* b) {
    return b[0] == 255 && (b[1] & 0xE0) == 0xE0 && ((b[1] >> 3) & 3) != 1 && ((b[1] >> 1) & 3) != 0 &&
           (b[2] >> 4) != 15 && (b[2] >> 4) != 0 && ((b[2] >> 2) & 3) != 3 && (b[3] & 3) != 2;
}

MpegFrame TMPEGaudio::DecodeHeader(const std::uint8_t* b) {
    MpegFrame f;
    std::memcpy(f.HeaderBytes.data(), b, 4);
    f.VersionBits = (b[1] >> 3) & 3;
    f.LayerBits = (b[1] >> 1) & 3;
    f.CrcProtected = (b[1] & 1) == 0;
    f.BitrateIndex = b[2] >> 4;
    f.SampleRateIndex = (b[2] >> 2) & 3;
    f.Padded = (b[2] >> 1) & 1;
    f.PrivateBit = b[2] & 1;
    f.ModeBits = b[3] >> 6;
    f.ModeExtension = (b[3] >> 4) & 3;
    f.Copyrighted = (b[3] >> 3) & 1;
    f.OriginalMedia = (b[3] >> 2) & 1;
    f.EmphasisBits = b[3] & 3;
    return f;
}

std::uint16_t TMPEGaudio::TableBitrate(const MpegFrame& f) {
    if (f.VersionBits == 1 || f.VersionBits > 3 || f.LayerBits == 0 || f.LayerBits > 3 || f.BitrateIndex > 15)
        return 0;
    return Bitrates[f.VersionBits == 3 ? 0 : 1][3 - f.LayerBits][f.BitrateIndex];
}

std::uint16_t TMPEGaudio::TableSampleRate(const MpegFrame& f) {
    if (f.VersionBits > 3 || f.SampleRateIndex > 3)
        return 0;
    return static_cast<std::uint16_t>(SampleRates[f.VersionBits][f.SampleRateIndex]);
}

int TMPEGaudio::Coefficient(const MpegFrame& f) {
    if (f.VersionBits == 1 || f.VersionBits > 3 || f.LayerBits == 0 || f.LayerBits > 3)
        return 0;
    if (f.LayerBits == 3)
        return 48;
    if (f.LayerBits == 1 && f.VersionBits != 3)
        return 72;
    return 144;
}

int TMPEGaudio::PaddingSize(const MpegFrame& f) {
    if (!f.Padded)
        return 0;
    return f.LayerBits == 3 ? 4 : 1;
}

std::uint16_t TMPEGaudio::FrameLengthOf(const MpegFrame& f) {
    const std::uint32_t rate = TableSampleRate(f);
    if (rate == 0)
        return 0;
    const std::uint64_t bytes = std::uint64_t(Coefficient(f)) * TableBitrate(f) * 1000 / rate;
    return static_cast<std::uint16_t>(bytes + static_cast<std::uint64_t>(PaddingSize(f)));
}

bool TMPEGaudio::SearchWindow(const std::uint8_t* window, std::size_t length) {
    for (std::size_t p = 0; p <= LargestFrame; ++p) {
        if (!HeaderAt(window, length, p))
            continue;
        MpegFrame f = DecodeHeader(window + p);
        const std::uint16_t len = FrameLengthOf(f);
        if (!HeaderAt(window, length, p + len))
            continue;
        f.Found = true;
        f.Offset = static_cast<std::int32_t>(p);
        f.ByteLength = len;
        f.BlankSideInfo = true;
        for (std::size_t k = p + 4; k <= p + 9; ++k)
            if (k >= length || window[k] != 0)
                f.BlankSideInfo = false;
        frame_ = f;

        const bool mono = f.ModeBits == 3;
        const std::size_t q = p + (f.VersionBits == 3 ? (mono ? 21 : 36) : (mono ? 13 : 21));
        vbr_ = VBRData{};
        if (Matches(window, length, static_cast<std::int64_t>(q), "Xing", 4) && length - q >= 128) {
            vbr_.Found = true;
            vbr_.Kind = "Xing";
            vbr_.Frames = BigEndian32(window + q + 8);
            vbr_.Bytes = BigEndian32(window + q + 12);
            vbr_.Quality = window[q + 119];
            vbr_.Vendor.assign(reinterpret_cast<const char*>(window + q + 120), 8);
        } else if (Matches(window, length, static_cast<std::int64_t>(q), "VBRI", 4) && length - q >= 18) {
            vbr_.Found = true;
            vbr_.Kind = "VBRI";
            vbr_.Quality = window[q + 9];
            vbr_.Bytes = BigEndian32(window + q + 10);
            vbr_.Frames = BigEndian32(window + q + 14);
        }
        return true;
    }
    return false;
}

void TMPEGaudio::SearchTailVendor(const std::uint8_t* window, std::size_t length) {
    const std::int64_t last = 2 * std::int64_t(FrameLengthOf(frame_));
    for (std::int64_t k = 0; k <= last; ++k) {
        const std::int64_t pos = 3450 - k;
        if (pos < 0)
            break;
        if (Matches(window, length, pos, "LAME", 4) && length - static_cast<std::size_t>(pos) >= 8) {
            tailVendor_.assign(reinterpret_cast<const char*>(window + pos), 8);
            return;
        }
        if (Matches(window, length, pos, "GOGO", 4)) {
            tailVendor_ = "GOGO";
            return;
        }
    }
}

bool TMPEGaudio::Load(const std::string& fileName) {
    FileBytes file;
    if (!file.Open(fileName)) {
        Clear();
        return false;
    }
    return Load(file);
}

bool TMPEGaudio::Load(const FileBytes& file) {
    Clear();
    if (!id3v1_.Load(file) || !id3v2_.Load(file)) {
        Clear();
        return false;
    }
    TID3v1 id3v1 = std::move(id3v1_);
    TID3v2 id3v2 = std::move(id3v2_);
    const bool ok = LoadAudio(file, id3v2.TagSize(), id3v1.Present());
    // No frame: the cleared state, tags included.
    if (frame_.Found) {
        id3v1_ = std::move(id3v1);
        id3v2_ = std::move(id3v2);
    }
    return ok;
}

bool TMPEGaudio::LoadAudio(const FileBytes& file, std::int64_t tagSize, bool id3v1Present) {
    Clear();
    fileSize_ = file.Size();
    tagSize_ = tagSize;

    bool ok = true;
    std::uint8_t window[WindowLength];
    const auto first = file.ReadZeroFilled(tagSize, WindowLength, window);
    windowStart_ = tagSize;
    if (first < 0) {
        ok = false;
    } else if (!SearchWindow(window, WindowLength) && first == std::int64_t(WindowLength)) {
        windowStart_ = (fileSize_ - tagSize) / 2;
        const auto second = file.ReadZeroFilled(windowStart_, WindowLength, window);
        if (second < 0)
            ok = false;
        else
            SearchWindow(window, WindowLength);
    }
    if (ok && frame_.Found && !vbr_.Found) {
        const std::int64_t at = fileSize_ - std::int64_t(WindowLength) - (id3v1Present ? 128 : 0);
        // The window must lie wholly inside the file; a shorter file fails here, the frame stays found.
        if (at < 0 || file.ReadZeroFilled(at, WindowLength, window) != std::int64_t(WindowLength))
            ok = false;
        else
            SearchTailVendor(window, WindowLength);
    }
    // No frame: the cleared state, but a file that was read without error still gives true.
    if (!frame_.Found)
        Clear();
    return ok;
}

std::uint16_t TMPEGaudio::Bitrate() const {
    if (!frame_.Found)
        return 0;
    const int coefficient = Coefficient(frame_);
    const std::uint32_t rate = TableSampleRate(frame_);
    if (vbr_.Found && vbr_.Frames > 0 && coefficient > 0) {
        const double perFrame = double(vbr_.Bytes) / double(vbr_.Frames) - PaddingSize(frame_);
        const double kbits = std::nearbyint(perFrame * rate / coefficient / 1000.0); // halves to even
        if (!(kbits > 0))
            return 0;
        return kbits > 65535 ? 65535 : static_cast<std::uint16_t>(kbits);
    }
    return TableBitrate(frame_);
}

std::uint16_t TMPEGaudio::SampleRate() const {
    return TableSampleRate(frame_);
}

std::string TMPEGaudio::ChannelModeName() const {
    return ChannelModes[frame_.ModeBits <= 4 ? frame_.ModeBits : 4];
}

std::string TMPEGaudio::EmphasisName() const {
    return Emphases[frame_.EmphasisBits & 3];
}

std::int32_t TMPEGaudio::FrameCount() const {
    if (!frame_.Found)
        return 0;
    if (vbr_.Found)
        return vbr_.Frames;
    const std::uint16_t length = FrameLengthOf(frame_);
    if (length == 0)
        return 0;
    const std::int64_t audio = fileSize_ - tagSize_ - frame_.Offset;
    return static_cast<std::int32_t>(audio / length);
}

double TMPEGaudio::Duration() const {
    if (!frame_.Found)
        return 0;
    const std::uint32_t rate = TableSampleRate(frame_);
    if (vbr_.Found && vbr_.Frames > 0 && rate > 0)
        return double(Coefficient(frame_)) * vbr_.Frames * 8 / rate;
    const std::uint16_t bitrate = TableBitrate(frame_);
    if (bitrate == 0)
        return 0;
    const std::int64_t audio = fileSize_ - tagSize_ - frame_.Offset;
    return double(audio) * 8 / bitrate / 1000;
}

int TMPEGaudio::EncoderIndex() const {
    if (!frame_.Found)
        return 0;
    if (vbr_.Found) {
        const std::string v = vbr_.Vendor.substr(0, 4);
        int index = 0;
        if (v == "LAME")
            index = 3;
        if (v == "GOGO" || v == "MPGE")
            index = 5;
        if (vbr_.Kind == "Xing" && v != "LAME" && v != "GOGO" && v != "MPGE")
            index = 1;
        if (vbr_.Kind == "VBRI")
            index = 2;
        return index;
    }
    const MpegFrame& f = frame_;
    int index = 2;
    if (f.OriginalMedia && f.CrcProtected)
        index = 3;
    if (TableBitrate(f) <= 160 && f.ModeBits == 0)
        index = 4;
    if (f.Copyrighted && f.OriginalMedia && !f.CrcProtected)
        index = 1;
    if (f.BlankSideInfo && f.OriginalMedia)
        index = 1;
    if (f.ModeBits == 2 && f.CrcProtected)
        index = 6;
    if (StartsWith(tailVendor_, "LAME"))
        index = 3;
    if (StartsWith(tailVendor_, "GOGO"))
        index = 5;
    return index;
}

std::string TMPEGaudio::EncoderName() const {
    const int index = EncoderIndex();
    std::string name = Encoders[index];
    const std::string& s = !tailVendor_.empty() ? tailVendor_ : vbr_.Vendor;
    if (index == 3 && s.size() >= 8 && IsDigit(s[4]) && s[5] == '.' && IsDigit(s[6]) && IsDigit(s[7]))
        name += " " + s.substr(4, 4);
    return name;
}

std::uint16_t TMPEGaudio::FrameLength() const {
    return frame_.Found ? FrameLengthOf(frame_) : 0;
}

} // namespace larkspin
