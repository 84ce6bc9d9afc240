#include "GainTagWriting.h"

#include "FileBytes.h"
#include "GainTags.h"
#include "Id3Frames.h"
#include "Id3TagMerge.h"
#include "TID3v2.h"
#include "TagFileWriter.h"
#include "TextConvert.h"

#include <cstdio>
#include <vector>

namespace larkspin {

namespace {

struct Item {
    const char* name;
    std::string value;
};

std::vector<Item> ItemsOf(const GainValues& v) {
    std::vector<Item> items = {{"REPLAYGAIN_TRACK_GAIN", GainText(v.TrackGain)},
                               {"REPLAYGAIN_TRACK_PEAK", PeakText(v.TrackPeak)}};
    if (v.AlbumGain)
        items.push_back({"REPLAYGAIN_ALBUM_GAIN", GainText(*v.AlbumGain)});
    if (v.AlbumPeak)
        items.push_back({"REPLAYGAIN_ALBUM_PEAK", PeakText(*v.AlbumPeak)});
    return items;
}

// A TXXX frame of ASCII texts: UTF-8 in v2.4, Latin-1 before (the same bytes).
std::string TxxxFrame(std::uint8_t version, std::string_view description, std::string_view value) {
    std::string data(1, version == 4 ? '\3' : '\0');
    data.append(description);
    data += '\0';
    data.append(value);
    return Id3Frame(version, version == 2 ? "TXX" : "TXXX", data);
}

} // namespace

std::string GainText(double db) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.2f dB", db + 0.0); // + 0.0: no "-0.00"
    return text;
}

std::string PeakText(double peak) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", peak);
    return text;
}

std::optional<std::string> Id3TagWithGain(std::string_view oldTag, const GainValues& values,
                                          std::string& problem) {
    const std::vector<Item> items = ItemsOf(values);
    if (oldTag.empty()) {
        std::string frames;
        for (const Item& item : items)
            frames += TxxxFrame(3, item.name, item.value);
        return Id3v2TagOf(std::string_view("ID3\3\0\0", 6), frames);
    }
    if (!KeepableId3v2Tag(oldTag, problem))
        return std::nullopt;
    const auto version = static_cast<std::uint8_t>(oldTag[3]);
    std::string frames;
    Id3FrameReader reader(oldTag, true);
    while (reader.Next()) {
        if (reader.Cut()) {
            problem = "a frame running past the end of the tag was dropped";
            break;
        }
        std::string description, value;
        if (reader.Readable() && (reader.Id() == "TXXX" || reader.Id() == "TXX") &&
            SplitId3Txxx(reader.Data(), description, value)) {
            const std::string name = UpperAscii(description);
            bool replaced = false;
            for (const Item& item : items)
                replaced = replaced || name == item.name;
            if (replaced)
                continue;
        }
        frames.append(reader.Raw());
    }
    for (const Item& item : items)
        frames += TxxxFrame(version, item.name, item.value);
    return Id3v2TagOf(oldTag, frames);
}

bool WriteMp3Gain(const std::string& path, const GainValues& values, std::string& problem) {
    FileBytes file;
    if (!file.Open(path)) {
        problem = "cannot be opened";
        return false;
    }
    std::uint8_t header[10] = {};
    if (file.Read(0, sizeof header, header) < 0) {
        problem = "cannot be read";
        return false;
    }
    const std::int64_t skip = TID3v2::TagSizeOf(header, file.Size());
    std::string oldTag(static_cast<std::size_t>(skip), '\0');
    if (skip > 0 && file.Read(0, oldTag.size(), reinterpret_cast<std::uint8_t*>(oldTag.data())) != skip) {
        problem = "cannot be read";
        return false;
    }
    if (skip == 0 && std::string_view(reinterpret_cast<const char*>(header), 3) == "ID3") {
        problem = "has an ID3v2 tag that claims to run past the end of the file";
        return false;
    }
    const auto tag = Id3TagWithGain(oldTag, values, problem);
    if (!tag)
        return false;
    file.Close();
    if (!tagfile::RebuildWithHead(path, *tag, skip)) {
        problem = "cannot be written";
        return false;
    }
    return true;
}

} // namespace larkspin
