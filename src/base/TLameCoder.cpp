#include "TLameCoder.h"

#include "AtomicFile.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace larkspin {

std::atomic<std::uint32_t> LastLameResult{BE_ERR_SUCCESSFUL};

namespace {

lame_global_flags* gf(void* stream) {
    return static_cast<lame_global_flags*>(stream);
}

void put32(LameConfigRecord& r, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        r[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t get32(const LameConfigRecord& r, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(r[at + i]) << (8 * i);
    return v;
}

// Booleans of the record are 32-bit values with every bit set for true.
std::uint32_t flag(bool on) {
    return on ? 0xFFFFFFFFu : 0u;
}

std::string replaceExtension(const std::string& name, const std::string& extension) {
    const std::size_t slash = name.rfind('/');
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return name + extension;
    return name.substr(0, dot) + extension;
}

// Where the first MPEG frame starts: behind an ID3v2 tag (and its footer) when there is one.
std::size_t firstFrameOffset(const std::string& bytes) {
    if (bytes.size() < 10 || bytes.compare(0, 3, "ID3") != 0)
        return 0;
    const auto b = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
    if ((b(6) | b(7) | b(8) | b(9)) & 0x80)
        return 0;
    std::size_t size =
        (std::size_t(b(6)) << 21) | (std::size_t(b(7)) << 14) | (std::size_t(b(8)) << 7) | b(9);
    size += 10;
    if (b(5) & 0x10)
        size += 10;
    return size;
}

} // namespace

TLameCoder::TLameCoder() {
    lame_version_t v{};
    get_lame_version_numerical(&v);
    version_.DLLMajorVersion = static_cast<std::uint8_t>(v.major);
    version_.DLLMinorVersion = static_cast<std::uint8_t>(v.minor);
    version_.MajorVersion = static_cast<std::uint8_t>(v.major);
    version_.MinorVersion = static_cast<std::uint8_t>(v.minor);
}

TLameCoder::~TLameCoder() {
    if (stream_)
        lame_close(gf(stream_));
}

void TLameCoder::Assign(const TLameCoder& source) {
    SampleRate = source.SampleRate;
    Bitrate = source.Bitrate;
    MaxBitrate = source.MaxBitrate;
    Quality = source.Quality;
    Private = source.Private;
    CRC = source.CRC;
    mode_ = source.mode_;
    Copyright = source.Copyright;
    Original = source.Original;
    WriteVBRHeader = source.WriteVBRHeader;
    enableVBR_ = source.enableVBR_;
    VBRQuality = source.VBRQuality;
}

void TLameCoder::SetMode(std::uint32_t mode) {
    if (mode <= 3)
        mode_ = mode;
}

void TLameCoder::SetEnableVBR(bool on) {
    enableVBR_ = on;
    WriteVBRHeader = on;
}

void TLameCoder::SetInputFiles(const std::vector<std::string>& files) {
    inputFiles_ = files;
    outputFiles_.clear();
    for (const std::string& name : inputFiles_)
        outputFiles_.push_back(replaceExtension(name, DefaultExt));
}

LameConfigRecord TLameCoder::ConfigRecord() const {
    LameConfigRecord r{};
    put32(r, 0, 256);
    put32(r, 4, 1);
    put32(r, 8, 331);
    put32(r, 12, SampleRate);
    put32(r, 16, 0);
    put32(r, 20, mode_);
    put32(r, 24, Bitrate);
    put32(r, 28, MaxBitrate);
    put32(r, 32, static_cast<std::uint32_t>(Quality));
    put32(r, 36, 1);
    put32(r, 48, flag(Private));
    put32(r, 52, flag(CRC));
    put32(r, 56, flag(Copyright));
    put32(r, 60, flag(Original));
    put32(r, 64, flag(WriteVBRHeader));
    put32(r, 68, flag(enableVBR_));
    put32(r, 72, static_cast<std::uint32_t>(VBRQuality));
    return r;
}

std::uint32_t TLameCoder::PrepareCoder() {
    const LameConfigRecord r = ConfigRecord();
    const auto fail = [](std::uint32_t result) {
        LastLameResult = result;
        return result;
    };
    if (stream_) {
        lame_close(gf(stream_));
        stream_ = nullptr;
    }
    samplesPerChunk_ = 0;
    outputBufferSize_ = 0;
    if (get32(r, 0) != 256 || get32(r, 8) != 331)
        return fail(BE_ERR_INVALID_FORMAT);
    const std::uint32_t mode = get32(r, 20);
    // lame resamples any rate, but not from nothing or from rates no audio file has.
    if (get32(r, 12) < 1000 || get32(r, 12) > 768000)
        return fail(BE_ERR_INVALID_FORMAT_PARAMETERS);
    lame_global_flags* g = lame_init();
    if (!g)
        return fail(BE_ERR_NO_MORE_HANDLES);
    static const MPEG_mode modes[] = {STEREO, JOINT_STEREO, DUAL_CHANNEL, MONO};
    const int channels = mode == 3 ? 1 : 2;
    lame_set_in_samplerate(g, static_cast<int>(get32(r, 12)));
    lame_set_num_channels(g, channels);
    lame_set_mode(g, modes[mode]);
    switch (static_cast<MPEG_QUALITY>(get32(r, 32))) {
    case MPEG_QUALITY::LOW_QUALITY:
        lame_set_quality(g, 9);
        break;
    case MPEG_QUALITY::HIGH_QUALITY:
        lame_set_quality(g, 2);
        break;
    default:
        lame_set_quality(g, 5);
        break;
    }
    lame_set_extension(g, get32(r, 48) != 0);
    lame_set_error_protection(g, get32(r, 52) != 0);
    lame_set_copyright(g, get32(r, 56) != 0);
    lame_set_original(g, get32(r, 60) != 0);
    lame_set_bWriteVbrTag(g, get32(r, 64) != 0);
    if (get32(r, 68)) {
        lame_set_VBR(g, vbr_default);
        lame_set_VBR_q(g, std::clamp(static_cast<int>(get32(r, 72)), 0, 9));
        lame_set_VBR_min_bitrate_kbps(g, static_cast<int>(get32(r, 24)));
        lame_set_VBR_max_bitrate_kbps(g, static_cast<int>(get32(r, 28)));
    } else {
        lame_set_VBR(g, vbr_off);
        lame_set_brate(g, static_cast<int>(get32(r, 24)));
    }
    // At low bitrates lame would resample to a lower rate; keep an MPEG rate as it is.
    static const std::uint32_t mpegRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    if (std::find(std::begin(mpegRates), std::end(mpegRates), get32(r, 12)) != std::end(mpegRates))
        lame_set_out_samplerate(g, static_cast<int>(get32(r, 12)));
    if (lame_init_params(g) < 0) {
        lame_close(g);
        return fail(BE_ERR_INVALID_FORMAT_PARAMETERS);
    }
    stream_ = g;
    samplesPerChunk_ = 1152u * static_cast<std::uint32_t>(channels);
    outputBufferSize_ = samplesPerChunk_ * 5 / 4 + 7200;
    return fail(BE_ERR_SUCCESSFUL);
}

std::uint32_t TLameCoder::EncodeChunk(const std::int16_t* pcm, std::uint8_t* output,
                                      std::uint32_t& outputBytes) {
    return EncodeChunk(pcm, samplesPerChunk_, output, outputBytes);
}

std::uint32_t TLameCoder::EncodeChunk(const std::int16_t* pcm, std::uint32_t sampleCount,
                                      std::uint8_t* output, std::uint32_t& outputBytes) {
    outputBytes = 0;
    if (!stream_)
        return BE_ERR_INVALID_HANDLE;
    if (sampleCount > samplesPerChunk_ || !output)
        return BE_ERR_BUFFER_TOO_SMALL;
    const int channels = lame_get_num_channels(gf(stream_));
    const int frames = static_cast<int>(sampleCount) / channels;
    if (frames == 0)
        return BE_ERR_SUCCESSFUL;
    const int size = static_cast<int>(outputBufferSize_);
    // lame reads the input only; its interface predates const.
    auto* in = const_cast<short*>(reinterpret_cast<const short*>(pcm));
    const int n = channels == 2 ? lame_encode_buffer_interleaved(gf(stream_), in, frames, output, size)
                                : lame_encode_buffer(gf(stream_), in, in, frames, output, size);
    if (n < 0)
        return n == -1 ? BE_ERR_BUFFER_TOO_SMALL : BE_ERR_INVALID_FORMAT_PARAMETERS;
    outputBytes = static_cast<std::uint32_t>(n);
    return BE_ERR_SUCCESSFUL;
}

std::uint32_t TLameCoder::FlushCoder(std::uint8_t* output, std::uint32_t& outputBytes) {
    outputBytes = 0;
    if (!stream_)
        return BE_ERR_INVALID_HANDLE;
    const int n = lame_encode_flush(gf(stream_), output, static_cast<int>(outputBufferSize_));
    if (n < 0)
        return BE_ERR_BUFFER_TOO_SMALL;
    outputBytes = static_cast<std::uint32_t>(n);
    return BE_ERR_SUCCESSFUL;
}

std::vector<std::uint8_t> TLameCoder::VBRHeaderFrame() const {
    if (!stream_ || !lame_get_bWriteVbrTag(gf(stream_)))
        return {};
    std::vector<std::uint8_t> frame(2880);
    const std::size_t n = lame_get_lametag_frame(gf(stream_), frame.data(), frame.size());
    if (n == 0 || n > frame.size())
        return {};
    frame.resize(n);
    return frame;
}

std::uint32_t TLameCoder::CloseCoder() {
    if (!stream_)
        return BE_ERR_INVALID_HANDLE;
    std::uint32_t result = BE_ERR_SUCCESSFUL;
    if (WriteVBRHeader && !Mp3FileName.empty()) {
        const std::vector<std::uint8_t> frame = VBRHeaderFrame();
        if (frame.empty() || !WriteVBRHeaderInto(Mp3FileName, frame))
            result = BE_ERR_WRITE_VBR_HEADER;
    }
    lame_close(gf(stream_));
    stream_ = nullptr;
    return result;
}

bool WriteVBRHeaderInto(const std::string& path, const std::vector<std::uint8_t>& frame) {
    std::ifstream in(path, std::ios::binary);
    if (!in || frame.size() < 4)
        return false;
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return false;
    const std::size_t at = firstFrameOffset(bytes);
    if (at + frame.size() > bytes.size())
        return false;
    // Only the placeholder lame wrote (a frame header and zeros) or an earlier header may be replaced,
    // never audio.
    const std::string_view first(bytes.data() + at, frame.size());
    const bool sync =
        static_cast<std::uint8_t>(first[0]) == 0xFF && (static_cast<std::uint8_t>(first[1]) & 0xE0) == 0xE0;
    const bool blank = first.find_first_not_of('\0', 4) == std::string_view::npos;
    const bool header =
        first.find("Xing") != std::string_view::npos || first.find("Info") != std::string_view::npos;
    if (!sync || !(blank || header))
        return false;
    std::copy(frame.begin(), frame.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    return WriteFileAtomically(path, bytes);
}

} // namespace larkspin
