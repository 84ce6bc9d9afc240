#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <sys/stat.h>

namespace larkspin::kit {

// The most channels a decoder delivers; read() buffers hold frames * MaxChannels samples.
inline constexpr int MaxChannels = 8;

// Rates outside this range occur in no real audio file; a file that declares one is unplayable
// (converting 1 Hz to the device rate would need gigabytes of buffers).
inline constexpr int MinPlayableRate = 1000;
inline constexpr int MaxPlayableRate = 768000;

inline bool playableFormat(int rate, int channels) {
    return rate >= MinPlayableRate && rate <= MaxPlayableRate && channels >= 1 && channels <= MaxChannels;
}

// One open audio file delivering interleaved signed 16-bit samples. The format may change inside a
// file (a chained Ogg, an AAC stream that turns mono, an MP3 that changes rate): one read never spans
// a change, and sampleRate() and channels() describe the frames the last read returned (before the
// first read: the opening format). Used by one thread at a time.
class Decoder {
public:
    virtual ~Decoder() = default;
    // Opens path; false when the file cannot be read as this format. Must not scan the whole file.
    virtual bool open(const std::string& path) = 0;
    virtual int sampleRate() const = 0;
    virtual int channels() const = 0;
    // Length in frames of the opening rate, or -1 when unknown. May be an estimate from the header.
    virtual int64_t lengthFrames() const = 0;
    // The exact length where only a scan of the whole file tells it (slow); lengthFrames() afterwards.
    virtual int64_t scanLength() { return lengthFrames(); }
    // Reads up to frames frames into out (room for frames * MaxChannels samples); 0 at the end or after
    // an error the decoder cannot pass.
    virtual long read(int16_t* out, long frames) = 0;
    // Moves to frame (of the opening rate); false when that is impossible (the caller then treats the
    // file as ended).
    virtual bool seek(int64_t frame) = 0;
    // False for a decoder whose paths name no file (a CD track): the kit then opens them without its
    // regular-file check.
    virtual bool readsFiles() const { return true; }
};

using DecoderFactory = std::unique_ptr<Decoder> (*)();

// The audio CD side of a plug-in that plays CDs. Called on the host's thread only.
struct CdFunctions {
    int32_t (*driveCount)();
    // The device path (or disc image) of a drive; "" for none. Valid until the next call.
    const char* (*drivePath)(int32_t drive);
    // Audio tracks on the disc of drive; 0 without a readable audio disc.
    int32_t (*trackCount)(int32_t drive);
    // Of the drive last counted: characters 1-8 the label, 11-15 the length. "" for no such track.
    const char* (*trackInfos)(int32_t track);
    // What LoadFile is given to play a track (from 0) of a drive; "" when there is no such track.
    std::string (*trackPath)(int32_t drive, int32_t track);
};

// What a plug-in built on the kit provides.
struct PlugInDescription {
    const char* fileTypes; // GetFileTypes
    DecoderFactory createDecoder;
    // Called when the library is unloaded, after every decoder is gone (a back end loaded on first use
    // is released here); may be null.
    void (*unload)() = nullptr;
    // Null for a plug-in that plays no CDs.
    const CdFunctions* cd = nullptr;
};

// Defined once by every plug-in.
const PlugInDescription& plugInDescription();

// Lengths a damaged file claims (libsndfile reports INT64_MAX for a cut Opus) count as unknown: a
// week of audio is more than any real track.
inline int64_t plausibleLength(int64_t frames, int rate) {
    constexpr int64_t Week = 7 * 24 * 3600;
    return frames >= 0 && rate > 0 && frames / rate <= Week ? frames : -1;
}

// True for a regular file (or a link to one). Opening a FIFO or a device would block the decoding
// thread, and everything that waits for it, until a writer appears.
inline bool isRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Creates a decoder for path and opens it; null when it cannot play path. A path a file decoder is
// given must be a regular file.
inline std::unique_ptr<Decoder> OpenDecoder(DecoderFactory factory, const std::string& path) {
    std::unique_ptr<Decoder> decoder = factory ? factory() : nullptr;
    if (!decoder || (decoder->readsFiles() && !isRegularFile(path)) || !decoder->open(path))
        return nullptr;
    return decoder;
}

} // namespace larkspin::kit
