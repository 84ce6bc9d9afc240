#pragma once

#include "WavReader.h"

#include <cstdint>
#include <memory>
#include <string>

namespace larkspin {
class AtomicFile;
}

namespace larkspin::enc {

// The tag values of one job, UTF-8; empty texts and track 0 mean "none".
struct Tags {
    std::string artist;
    std::string title;
    std::string album;
    std::string year;
    std::uint8_t track = 0;
    std::string comment;
    std::string genre;
};

// One "key=value" setting of the plug-in's settings file (<library>.ini beside the library).
struct Setting {
    const char* key;
    int defaultValue;
    int low;
    int high;
    const char* description;
};

// Reads the plug-in's settings file; a missing or malformed value gives the default, values outside
// the range are clamped.
class Settings {
public:
    int value(const Setting& setting) const;
    std::string file; // the settings file's name
};

// One format's stream encoder. begin, any number of encode calls, finish; every byte goes into out.
// Each failing call returns false and sets error to a phrase about the output (WriteFailure when the
// output could not be written).
class FormatEncoder {
public:
    virtual ~FormatEncoder() = default;
    virtual bool begin(const WavFormat& format, const Tags& tags, AtomicFile& out, std::string& error) = 0;
    // frames interleaved 16-bit frames of format.channels samples.
    virtual bool encode(const std::int16_t* samples, long frames, std::string& error) = 0;
    virtual bool finish(std::string& error) = 0;
};

// What a plug-in of the kit declares: its texts, limits, settings and encoder.
struct EncoderDescription {
    const char* info;
    const char* date;
    const char* encodeType;
    int maxChannels;
    const Setting* settings; // ends with a null key
    std::unique_ptr<FormatEncoder> (*create)(const Settings& settings);
};

// The phrase for output that could not be written, naming the file and the system's reason:
// "could not be written to /music/a.ogg: No space left on device".
std::string WriteFailure(const AtomicFile& out);

// Defined once by each plug-in.
const EncoderDescription& encoderDescription();

} // namespace larkspin::enc
