#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace larkspin::kit {

// One open audio file delivering interleaved signed 16-bit samples at its own rate and channel count.
// Used by one thread at a time.
class Decoder {
public:
    virtual ~Decoder() = default;
    // Opens path; false when the file cannot be read as this format.
    virtual bool open(const std::string& path) = 0;
    virtual int sampleRate() const = 0;
    virtual int channels() const = 0;
    // Length in frames, or -1 when unknown.
    virtual int64_t lengthFrames() const = 0;
    // Reads up to frames frames into out (frames * channels() samples); 0 at the end or after an error
    // the decoder cannot pass.
    virtual long read(int16_t* out, long frames) = 0;
    // Moves to frame; false when that is impossible (the caller then treats the file as ended).
    virtual bool seek(int64_t frame) = 0;
};

// What a plug-in built on the kit provides.
struct PlugInDescription {
    const char* fileTypes; // GetFileTypes
    std::unique_ptr<Decoder> (*createDecoder)();
};

// Defined once by every plug-in.
const PlugInDescription& plugInDescription();

} // namespace larkspin::kit
