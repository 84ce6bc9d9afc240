#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace larkspin {

class FileBytes;

// Loudness normalisation values of one file. Gains are in dB towards the ReplayGain reference loudness
// (-18 LUFS); peaks are linear sample magnitudes (1.0 is full scale). A value the tags do not hold, or
// hold in a form that cannot be read, stays empty.
struct GainTags {
    std::optional<double> TrackGain;
    std::optional<double> TrackPeak;
    std::optional<double> AlbumGain;
    std::optional<double> AlbumPeak;
    // Ogg Opus only: the output gain of the OpusHead packet in dB. Decoders apply it to every sample
    // already; the R128 gains are relative to the signal after it.
    double HeaderGain = 0;

    bool Any() const { return TrackGain || AlbumGain; }

    // Takes one tag item when it is a gain item: REPLAYGAIN_TRACK_GAIN, REPLAYGAIN_TRACK_PEAK,
    // REPLAYGAIN_ALBUM_GAIN, REPLAYGAIN_ALBUM_PEAK ("-6.54 dB", "0.988251"), R128_TRACK_GAIN and
    // R128_ALBUM_GAIN (a whole number of 1/256 dB towards -23 LUFS, taken 5 dB louder to match the
    // ReplayGain reference). Names are compared without regard to case. An R128 gain wins over a
    // REPLAYGAIN one for the same field; otherwise the first readable value of a field stays. False
    // when the name is none of these.
    bool Take(std::string_view name, std::string_view value);

private:
    bool trackFromR128_ = false;
    bool albumFromR128_ = false;
};

// "-6.54 dB", "+1.2dB", " 3 " as dB; empty for anything else or beyond +/-64 dB.
std::optional<double> ParseGainDb(std::string_view text);
// A peak of at least 0 and below 100 ("0.988251", "1.2"); empty for anything else.
std::optional<double> ParsePeak(std::string_view text);
// A Q7.8 gain as text ("-1280" is -5 dB); empty unless it is a whole number from -32768 to 32767.
std::optional<double> ParseQ78Db(std::string_view text);

// The description and value of one ID3v2 TXXX frame's data (any encoding, as UTF-8); false when the data
// holds no description ending.
bool SplitId3Txxx(std::string_view data, std::string& description, std::string& value);

// The data of one ID3v2 TXXX frame (encoding, description, value) when it holds a gain item.
void TakeId3GainFrame(std::string_view data, GainTags& gain);

// The gain items of an APEv2 tag at the end of the file (before an ID3v1 tag, if there is one). False
// when the file holds no readable APE tag.
bool ReadApeGain(const FileBytes& file, GainTags& gain);

// The gain values of a file, read by the reader its extension names (MP3: ID3v2, else APE; OGG, OPUS,
// FLAC: comments; M4A, MP4: iTunes freeform items; other types: an APE tag). Empty values when the file
// has none or cannot be read.
GainTags ReadGainTags(const std::string& path);

} // namespace larkspin
