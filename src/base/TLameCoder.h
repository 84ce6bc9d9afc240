#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace larkspin {

enum class MPEG_QUALITY : std::uint32_t { NORMAL_QUALITY, LOW_QUALITY, HIGH_QUALITY, VOICE_QUALITY };
enum class TLameMode : std::uint32_t { STEREO, JSTEREO, DUALCHANNEL, MONO };

// Results of the stream calls; 0 is success.
enum LameResult : std::uint32_t {
    BE_ERR_SUCCESSFUL = 0,
    BE_ERR_INVALID_FORMAT = 1,
    BE_ERR_INVALID_FORMAT_PARAMETERS = 2,
    BE_ERR_NO_MORE_HANDLES = 3,
    BE_ERR_INVALID_HANDLE = 4,
    BE_ERR_BUFFER_TOO_SMALL = 5,
    // The VBR header could not be written back into Mp3FileName.
    BE_ERR_WRITE_VBR_HEADER = 6,
};

// The version of the MP3 encoding library, as four bytes: library major and minor, engine major and
// minor. libmp3lame has one version, so both pairs hold it.
struct TLameVersion {
    std::uint8_t DLLMajorVersion = 0;
    std::uint8_t DLLMinorVersion = 0;
    std::uint8_t MajorVersion = 0;
    std::uint8_t MinorVersion = 0;
};

// The encoder configuration record in its LAME form: 331 little-endian bytes.
using LameConfigRecord = std::array<std::uint8_t, 331>;

// Turns 16-bit PCM into MP3 through libmp3lame, chunk by chunk. Standard library only; one object is
// used by one thread at a time.
//
// Per stream: PrepareCoder, any number of EncodeChunk, FlushCoder, CloseCoder. The caller writes every
// returned block to the file in call order. Input is interleaved stereo, or mono when Mode is MONO.
class TLameCoder {
public:
    TLameCoder();
    ~TLameCoder();
    TLameCoder(const TLameCoder&) = delete;
    TLameCoder& operator=(const TLameCoder&) = delete;

    // Copies the encoder configuration (SampleRate to VBRQuality).
    void Assign(const TLameCoder& source);

    std::uint32_t SampleRate = 44100;
    std::uint32_t Bitrate = 128; // kbit/s; the lowest bitrate with VBR
    std::uint32_t MaxBitrate = 320;
    MPEG_QUALITY Quality = MPEG_QUALITY::NORMAL_QUALITY;
    bool Private = false;
    bool CRC = true;
    bool Copyright = false;
    bool Original = false;
    bool WriteVBRHeader = false;
    std::int32_t VBRQuality = 4;
    std::string DefaultExt = ".mp3";
    // The file the stream goes to; CloseCoder writes the VBR header into it when WriteVBRHeader is on.
    std::string Mp3FileName;

    std::uint32_t Mode() const { return mode_; }
    // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono; other values are ignored.
    void SetMode(std::uint32_t mode);
    void SetMode(TLameMode mode) { SetMode(static_cast<std::uint32_t>(mode)); }

    bool EnableVBR() const { return enableVBR_; }
    // Also sets WriteVBRHeader to the same value.
    void SetEnableVBR(bool on);

    const std::vector<std::string>& InputFiles() const { return inputFiles_; }
    // Copies the list and rebuilds OutputFiles: the same names with the extension replaced by DefaultExt.
    void SetInputFiles(const std::vector<std::string>& files);
    const std::vector<std::string>& OutputFiles() const { return outputFiles_; }

    const TLameVersion& LameVersion() const { return version_; }

    // The configuration record PrepareCoder hands to the encoder.
    LameConfigRecord ConfigRecord() const;

    // Opens a stream with the configuration; 0 on success. Sets SamplesPerChunk and OutputBufferSize.
    std::uint32_t PrepareCoder();
    // Encodes SamplesPerChunk 16-bit values from pcm; output has room for OutputBufferSize bytes.
    std::uint32_t EncodeChunk(const std::int16_t* pcm, std::uint8_t* output, std::uint32_t& outputBytes);
    // Encodes sampleCount values (at most SamplesPerChunk, whole frames): the last, shorter chunk.
    std::uint32_t EncodeChunk(const std::int16_t* pcm, std::uint32_t sampleCount, std::uint8_t* output,
                              std::uint32_t& outputBytes);
    // The last MP3 bytes of the stream.
    std::uint32_t FlushCoder(std::uint8_t* output, std::uint32_t& outputBytes);
    // The finished VBR (Xing/Info) header frame, valid after FlushCoder when WriteVBRHeader is on; it
    // replaces the stream's first frame. Empty otherwise.
    std::vector<std::uint8_t> VBRHeaderFrame() const;
    // Releases the stream. With WriteVBRHeader on and Mp3FileName set, first writes the VBR header over
    // the file's first frame (behind an ID3v2 tag); BE_ERR_WRITE_VBR_HEADER when that fails.
    std::uint32_t CloseCoder();

    std::uint32_t SamplesPerChunk() const { return samplesPerChunk_; }
    std::uint32_t OutputBufferSize() const { return outputBufferSize_; }
    int Channels() const { return mode_ == 3 ? 1 : 2; }

private:
    std::uint32_t mode_ = 0;
    bool enableVBR_ = false;
    std::vector<std::string> inputFiles_;
    std::vector<std::string> outputFiles_;
    TLameVersion version_;
    void* stream_ = nullptr; // lame_global_flags*
    std::uint32_t samplesPerChunk_ = 0;
    std::uint32_t outputBufferSize_ = 0;
};

// The result of the last PrepareCoder of any coder.
extern std::atomic<std::uint32_t> LastLameResult;

// Writes frame over the first MPEG frame of the file at path (behind an ID3v2 tag), when that frame is
// a VBR header placeholder of the same length. The file is replaced atomically.
bool WriteVBRHeaderInto(const std::string& path, const std::vector<std::uint8_t>& frame);

} // namespace larkspin
