#pragma once

#include "TID3v1.h"
#include "TID3v2.h"

#include <array>
#include <cstdint>
#include <string>

namespace larkspin {

class FileBytes;

// Variable-bitrate header (Xing or VBRI) behind the first frame.
struct VBRData {
    bool Found = false;
    std::string Kind; // "Xing" or "VBRI"
    std::int32_t Frames = 0;
    std::int32_t Bytes = 0;
    std::uint8_t Quality = 0;
    std::string Vendor; // the 8 raw bytes behind a Xing header; empty otherwise
};

// The first audio frame's header, decoded.
struct MpegFrame {
    bool Found = false;
    std::int32_t Offset = 0; // inside the read window in which the frame was found
    std::uint16_t ByteLength = 0;
    bool BlankSideInfo = false;
    std::array<std::uint8_t, 4> HeaderBytes{};
    std::uint8_t VersionBits = 1; // 0 MPEG 2.5, 1 reserved/unknown, 2 MPEG 2, 3 MPEG 1
    std::uint8_t LayerBits = 0;   // 1 Layer III, 2 Layer II, 3 Layer I
    bool CrcProtected = false;
    std::uint16_t BitrateIndex = 0;
    std::uint16_t SampleRateIndex = 3;
    bool Padded = false;
    bool PrivateBit = false;
    std::uint8_t ModeBits = 4; // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono, 4 unknown
    std::uint8_t ModeExtension = 4;
    bool Copyrighted = false;
    bool OriginalMedia = false;
    std::uint8_t EmphasisBits = 2;
};

// Examines an MPEG audio file without decoding it: the first real frame, a Xing or VBRI header, an
// encoder signature near the end, and the values derived from them. Owns the file's ID3v1 and ID3v2 tag
// readers, because the audio lies between the two tags.
class TMPEGaudio {
public:
    // A search window: twice the largest frame length.
    static constexpr std::size_t WindowLength = 3458;
    static constexpr std::size_t LargestFrame = 1729;

    TMPEGaudio() { Clear(); }

    void Clear();
    // False when the tag readers cannot read the file (missing, shorter than 128 bytes) or a read of the
    // file fails (FirstFrame.Found may still be true then: a short file's end-of-file window). When no
    // frame is found the cleared state remains, and the result is true if nothing failed.
    bool Load(const std::string& fileName);
    bool Load(const FileBytes& file);
    // The same for a caller that has read the tags itself: the audio starts behind an ID3v2 tag of
    // tagSize bytes, and id3v1Present keeps the end-of-file search off the ID3v1 tag. Id3v1 and Id3v2
    // stay cleared.
    bool LoadAudio(const FileBytes& file, std::int64_t tagSize, bool id3v1Present);

    std::int64_t FileSize() const { return fileSize_; }
    const std::string& TailVendor() const { return tailVendor_; }
    const VBRData& Vbr() const { return vbr_; }
    const MpegFrame& FirstFrame() const { return frame_; }
    // Where the first frame starts in the file (FirstFrame().Offset counts from its read window).
    std::int64_t FirstFramePosition() const { return frame_.Found ? windowStart_ + frame_.Offset : 0; }
    const TID3v1& Id3v1() const { return id3v1_; }
    const TID3v2& Id3v2() const { return id3v2_; }

    std::uint16_t Bitrate() const; // kbit/s
    std::uint16_t SampleRate() const;
    std::string ChannelModeName() const;
    std::string EmphasisName() const;
    std::int32_t FrameCount() const;
    double Duration() const; // seconds
    int EncoderIndex() const;
    std::string EncoderName() const;
    std::uint16_t FrameLength() const; // bytes

    // Frame search in one window of bytes (missing bytes count as zero; bytes beyond the window never
    // match). Sets FirstFrame and Vbr when a frame is found; true then.
    bool SearchWindow(const std::uint8_t* window, std::size_t length);
    // The end-of-file search for an encoder string in a window of WindowLength bytes.
    void SearchTailVendor(const std::uint8_t* window, std::size_t length);

    // Frame header test and decoding of 4 header bytes.
    static bool IsFrameHeader(const std::uint8_t* b);
    static MpegFrame DecodeHeader(const std::uint8_t* b);
    static std::uint16_t TableBitrate(const MpegFrame& f);
    static std::uint16_t TableSampleRate(const MpegFrame& f);
    // One eighth of the samples per frame; 0 for a reserved version or layer.
    static int Coefficient(const MpegFrame& f);
    static int PaddingSize(const MpegFrame& f);
    static std::uint16_t FrameLengthOf(const MpegFrame& f);

private:
    std::int64_t fileSize_ = 0;
    std::int64_t tagSize_ = 0;
    std::int64_t windowStart_ = 0;
    std::string tailVendor_;
    VBRData vbr_;
    MpegFrame frame_;
    TID3v1 id3v1_;
    TID3v2 id3v2_;
};

} // namespace larkspin
