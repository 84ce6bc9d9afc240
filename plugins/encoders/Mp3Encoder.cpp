// MP3 through the program's own MP3 encoding component (libmp3lame), tagged with ID3v2.4 in UTF-8.
#include "EncoderKit.h"

#include "AtomicFile.h"
#include "TLameCoder.h"

#include <vector>

namespace larkspin::enc {

namespace {

const Setting Mp3Settings[] = {
    {"Bitrate", 128, 32, 320, "bitrate in kbit/s (the lowest bitrate with VBR)"},
    {"VBR", 0, 0, 1, "1 for variable bitrate"},
    {"VBRQuality", 4, 0, 9, "variable bitrate quality as lame -V: 0 best, 9 smallest"},
    {nullptr, 0, 0, 0, nullptr},
};

void appendSynchsafe(std::string& out, std::uint32_t value) {
    for (int shift = 21; shift >= 0; shift -= 7)
        out += static_cast<char>((value >> shift) & 0x7F);
}

void appendFrame(std::string& tag, const char* id, const std::string& body) {
    tag += id;
    appendSynchsafe(tag, static_cast<std::uint32_t>(body.size()));
    tag += std::string(2, '\0');
    tag += body;
}

// An ID3v2.4 tag with UTF-8 text frames; empty when there is nothing to write.
std::string id3v24Tag(const Tags& tags) {
    constexpr char Utf8 = 3;
    std::string frames;
    const auto text = [&](const char* id, const std::string& value) {
        if (!value.empty())
            appendFrame(frames, id, Utf8 + value);
    };
    text("TPE1", tags.artist);
    text("TIT2", tags.title);
    text("TALB", tags.album);
    text("TDRC", tags.year);
    if (tags.track)
        text("TRCK", std::to_string(tags.track));
    if (!tags.comment.empty())
        appendFrame(frames, "COMM", std::string(1, Utf8) + "eng" + std::string(1, '\0') + tags.comment);
    text("TCON", tags.genre);
    if (frames.empty() || frames.size() >= (1u << 28))
        return {};
    std::string tag("ID3\x04\x00\x00", 6);
    appendSynchsafe(tag, static_cast<std::uint32_t>(frames.size()));
    return tag + frames;
}

class Mp3Encoder : public FormatEncoder {
public:
    explicit Mp3Encoder(const Settings& settings) {
        coder_.Bitrate = static_cast<std::uint32_t>(settings.value(Mp3Settings[0]));
        coder_.SetEnableVBR(settings.value(Mp3Settings[1]) != 0);
        coder_.VBRQuality = settings.value(Mp3Settings[2]);
        // A header frame tells players the exact length, also at a constant bitrate.
        coder_.WriteVBRHeader = true;
    }

    bool begin(const WavFormat& format, const Tags& tags, AtomicFile& out, std::string& error) override {
        out_ = &out;
        channels_ = format.channels;
        coder_.SampleRate = static_cast<std::uint32_t>(format.sampleRate);
        coder_.SetMode(format.channels == 1 ? TLameMode::MONO : TLameMode::JSTEREO);
        if (coder_.PrepareCoder() != BE_ERR_SUCCESSFUL) {
            error = "cannot be encoded as MP3 at " + std::to_string(format.sampleRate) + " Hz";
            return false;
        }
        mp3_.resize(coder_.OutputBufferSize());
        const std::string tag = id3v24Tag(tags);
        headerOffset_ = static_cast<std::int64_t>(tag.size());
        return write(tag.data(), tag.size(), error);
    }

    bool encode(const std::int16_t* samples, long frames, std::string& error) override {
        frames_ += frames;
        const std::size_t total = static_cast<std::size_t>(frames) * channels_;
        for (std::size_t at = 0; at < total;) {
            const auto count =
                static_cast<std::uint32_t>(std::min<std::size_t>(coder_.SamplesPerChunk(), total - at));
            std::uint32_t bytes = 0;
            if (coder_.EncodeChunk(samples + at, count, mp3_.data(), bytes) != BE_ERR_SUCCESSFUL) {
                error = "could not be encoded as MP3";
                return false;
            }
            if (!write(mp3_.data(), bytes, error))
                return false;
            at += count;
        }
        return true;
    }

    bool finish(std::string& error) override {
        // lame makes no frame of nothing: the file would hold a header frame and no audio stream.
        if (frames_ == 0) {
            error = "has no audio to encode";
            return false;
        }
        std::uint32_t bytes = 0;
        if (coder_.FlushCoder(mp3_.data(), bytes) != BE_ERR_SUCCESSFUL) {
            error = "could not be encoded as MP3";
            return false;
        }
        if (!write(mp3_.data(), bytes, error))
            return false;
        // The header frame replaces the placeholder lame put first.
        const std::vector<std::uint8_t> header = coder_.VBRHeaderFrame();
        if (!header.empty() && !out_->WriteAt(headerOffset_, header.data(), header.size())) {
            error = WriteFailure(*out_);
            return false;
        }
        coder_.CloseCoder();
        return true;
    }

private:
    bool write(const void* data, std::size_t size, std::string& error) {
        if (size == 0 || out_->Write(data, size))
            return true;
        error = WriteFailure(*out_);
        return false;
    }

    TLameCoder coder_;
    AtomicFile* out_ = nullptr;
    int channels_ = 0;
    std::int64_t frames_ = 0; // frames encoded so far
    std::int64_t headerOffset_ = 0;
    std::vector<std::uint8_t> mp3_;
};

std::unique_ptr<FormatEncoder> create(const Settings& settings) {
    return std::make_unique<Mp3Encoder>(settings);
}

} // namespace

const EncoderDescription& encoderDescription() {
    static const EncoderDescription d{
        "MP3 encoder (libmp3lame)", "2026-12-10", "mp3", 2, Mp3Settings, &create};
    return d;
}

} // namespace larkspin::enc
