#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace larkspin {

// Measured gains to store in a file's tags (dB towards -18 LUFS; peaks 1.0 at full scale). The album
// values are written only when given; without them a file's album items stay as they were.
struct GainValues {
    double TrackGain = 0;
    double TrackPeak = 0;
    std::optional<double> AlbumGain;
    std::optional<double> AlbumPeak;
};

// "-6.54 dB" and "0.988251", as ReplayGain taggers write them.
std::string GainText(double db);
std::string PeakText(double peak);

// The ID3v2 tag to write in place of oldTag (the file's whole tag; empty when it has none) with the
// REPLAYGAIN_* TXXX frames of the values given: the old frames of those items go, every other frame
// stays byte for byte and in its order, and the tag keeps its version. A file without a tag gets an
// ID3v2.3 tag of just those frames. nullopt, with the reason in problem, when the old tag's frames
// cannot be kept.
std::optional<std::string> Id3TagWithGain(std::string_view oldTag, const GainValues& values,
                                          std::string& problem);

// Writes the values into an MP3 file's ID3v2 tag. The file is rebuilt under a temporary name and renamed
// over the original, which stays whole on any failure. False with the reason in problem.
bool WriteMp3Gain(const std::string& path, const GainValues& values, std::string& problem);

// The metadata blocks of a FLAC file ("fLaC" and every block, as read from its start) to write in their
// place: the Vorbis comment block keeps its vendor and every comment but the REPLAYGAIN_* items of the
// values given, which follow as new comments; a file without a comment block gets one behind STREAMINFO.
// Every other block stays byte for byte and in its order. nullopt, with the reason in problem, when the
// blocks are damaged.
std::optional<std::string> FlacMetadataWithGain(std::string_view metadata, const GainValues& values,
                                                std::string& problem);

// Writes the values into a FLAC file's comments, rebuilding the file as WriteMp3Gain does.
bool WriteFlacGain(const std::string& path, const GainValues& values, std::string& problem);

} // namespace larkspin
