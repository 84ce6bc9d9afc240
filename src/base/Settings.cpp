#include "Settings.h"

#include "PrivateProfile.h"

#include <algorithm>
#include <variant>

namespace larkspin {
namespace {

using Field = std::variant<bool Settings::*, int32_t Settings::*, uint8_t Settings::*, std::string Settings::*>;

// What a value read from the file may be. A number outside its range is clamped; a choice outside its
// list (a position in a drop-down list) takes the default.
struct Range {
    enum Kind { Any, Clamp, Choice } kind = Any;
    int32_t min = 0;
    int32_t max = 0;
};

struct Key {
    const char* section;
    const char* name;
    Field field;
    bool readBack = true;
    Range range = {};
};

constexpr int32_t MaxWindowSize = 16384;
constexpr int32_t MinColumnWidth = 8;
constexpr int32_t MaxColumnWidth = 4000;

// clang-format off
#define KEY(section, name) Key{section, #name, &Settings::name}
#define CLAMPED(section, name, lo, hi) Key{section, #name, &Settings::name, true, {Range::Clamp, lo, hi}}
#define CHOICE(section, name, count) Key{section, #name, &Settings::name, true, {Range::Choice, 0, (count) - 1}}
#define WIDTH(name) CLAMPED("Playlist", name, MinColumnWidth, MaxColumnWidth)
// clang-format on

// Table order is file order: ReadSettings reads and WriteSettings writes in this order.
const Key Keys[] = {
    KEY("Prog", Firststart),

    CLAMPED("Audio", PlayFontSize, 1, 99), CLAMPED("Audio", OrgFontSize, 1, 99), KEY("Audio", PlugCheck), KEY("Audio", DirectSound),
    KEY("Audio", Crossfading), CLAMPED("Audio", CrossTime, 0, MaxFadeTime), KEY("Audio", PlayFade), CLAMPED("Audio", PlayTime, 0, MaxFadeTime),
    Key{"Audio", "PauseTime", &Settings::PauseTime, false}, KEY("Audio", StopFade), CLAMPED("Audio", StopTime, 0, MaxFadeTime),

    CHOICE("CDRipper", SpeedIdx, 6), KEY("CDRipper", Encoder), KEY("CDRipper", IntEncoder), KEY("CDRipper", EncIdx),
    KEY("CDRipper", Jitter), KEY("CDRipper", Temp), KEY("CDRipper", Mode), KEY("CDRipper", Reading),
    KEY("CDRipper", SwapChannel), CLAMPED("CDRipper", Bitrate, 8, 320), CHOICE("CDRipper", Channel, 4),
    KEY("CDRipper", WriteId3v1), KEY("CDRipper", WriteId3v2), KEY("CDRipper", CDDBServer),
    KEY("CDRipper", CDDBPort), KEY("CDRipper", CDDBEmail), CLAMPED("CDRipper", ReadOffset, -5000, 5000),
    KEY("CDRipper", AccurateRipUrl),

    KEY("StartUp", RememberPlaylist), KEY("StartUp", PlaylistWindowShow), KEY("StartUp", StationWindowShow),
    KEY("StartUp", AutomaticPlay), KEY("StartUp", SkinName), KEY("StartUp", SelectedPlaylist),
    KEY("StartUp", SelPlaylistName),

    KEY("Player", RepeatOne), KEY("Player", RepeatAll), KEY("Player", ShufflePlay), CLAMPED("Player", PlayVolume, 0, 255),

    CHOICE("Playlist", Row1, 11), CHOICE("Playlist", Row2, 11), CHOICE("Playlist", Row3, 12),
    CHOICE("Playlist", Row4, 12), CHOICE("Playlist", Row5, 12), CHOICE("Playlist", Row6, 12),
    CHOICE("Playlist", Row7, 12), CHOICE("Playlist", Row8, 12), CHOICE("Playlist", Row9, 12),
    CHOICE("Playlist", Row10, 12), WIDTH(ArtistWidth), WIDTH(TitleWidth), WIDTH(LengthWidth), WIDTH(AlbumWidth),
    WIDTH(BitrateWidth), WIDTH(YearWidth), WIDTH(StyleWidth), WIDTH(CommentWidth), WIDTH(TrackWidth),
    WIDTH(SizeWidth), WIDTH(PathWidth), CHOICE("Playlist", IconIndex, 5), KEY("Playlist", ReloadInfos), KEY("Playlist", ReadId3v2Tag),
    KEY("Playlist", StopPlayback),

    KEY("AddFiles", RemSelected), KEY("AddFiles", AllowMoreThanOne),

    KEY("Windows", FullScreenMode), KEY("Windows", ListDockedRight), KEY("Windows", ListDockedLeft),
    KEY("Windows", ListDockedTop), KEY("Windows", ListDockedBottom), KEY("Windows", MainPosLeft),
    KEY("Windows", MainPosTop), KEY("Windows", ListPosLeft), KEY("Windows", ListPosTop),
    CLAMPED("Windows", ListWidth, 0, MaxWindowSize),
    CLAMPED("Windows", ListHeight, 0, MaxWindowSize), KEY("Windows", StationPosLeft),
    KEY("Windows", StationPosTop), KEY("Windows", StationDockedRight), KEY("Windows", StationDockedLeft),
    KEY("Windows", StationDockedTop), KEY("Windows", StationDockedBottom), CLAMPED("Windows", StationWidth, 0, MaxWindowSize),
    CLAMPED("Windows", StationHeight, 0, MaxWindowSize),

    KEY("FileInfos", Id3v1autosave), KEY("FileInfos", ShowList),

    KEY("Organizer", ActivateOrganizer), KEY("Organizer", ActivateRating), KEY("Organizer", ActivateAdd),
    KEY("Organizer", TransformArtOrg), KEY("Organizer", TransformTitOrg), KEY("Organizer", HintWindow),
    KEY("Organizer", CaseSearch), CLAMPED("Organizer", stationindex, 0, 100), CLAMPED("Organizer", stationindex2, 0, 100),
    CLAMPED("Organizer", filelist_height, 0, MaxWindowSize),

    KEY("CDAudio", CDautoFreeDB), KEY("CDAudio", CDautofirst), CLAMPED("CDAudio", CDPlugIndex, 0, 255),
    KEY("CDAudio", VirtualDrives),

    CHOICE("Loudness", GainMode, 4), CLAMPED("Loudness", GainPreamp, -200, 200),
    CLAMPED("Loudness", GainUntagged, -200, 200), KEY("Loudness", GainPreventClipping),
};

#undef KEY
#undef CLAMPED
#undef CHOICE
#undef WIDTH

int32_t inRange(int32_t value, const Range& r, int32_t def) {
    switch (r.kind) {
    case Range::Clamp:
        return std::clamp(value, r.min, r.max);
    case Range::Choice:
        return value < r.min || value > r.max ? def : value;
    case Range::Any:
        break;
    }
    return value;
}

template <class... F> struct Overload : F... {
    using F::operator()...;
};

} // namespace

void ReadSettings(const PrivateProfile& file, const std::string& programFolder, Settings& s,
                  const std::string& outputFolder) {
    Settings defaults;
    defaults.Temp = outputFolder.empty() ? programFolder + "/" : outputFolder;
    for (const Key& k : Keys) {
        std::visit(Overload{
                       [&](bool Settings::*m) { s.*m = k.readBack ? file.readBool(k.section, k.name, defaults.*m) : defaults.*m; },
                       [&](int32_t Settings::*m) {
                           s.*m = k.readBack ? inRange(file.readInteger(k.section, k.name, defaults.*m), k.range,
                                                       defaults.*m)
                                             : defaults.*m;
                       },
                       // Held in 8 bits: only the low byte of what is read survives.
                       [&](uint8_t Settings::*m) {
                           const int32_t low = file.readInteger(k.section, k.name, defaults.*m) & 0xFF;
                           s.*m = static_cast<uint8_t>(inRange(low, k.range, defaults.*m));
                       },
                       [&](std::string Settings::*m) { s.*m = file.readString(k.section, k.name, defaults.*m); },
                   },
                   k.field);
    }
    if (!outputFolder.empty()) {
        const std::string program = programFolder + "/";
        for (const std::string& old : {std::string(), program, program + "Temporary Playlist/", programFolder,
                                       program + "Temporary Playlist"})
            if (s.Temp == old)
                s.Temp = outputFolder;
    }
}

void WriteSettings(PrivateProfile& file, const Settings& s) {
    PrivateProfile::Batch save(file);
    for (const Key& k : Keys) {
        std::visit(Overload{
                       [&](bool Settings::*m) { file.writeBool(k.section, k.name, s.*m); },
                       [&](int32_t Settings::*m) { file.writeInteger(k.section, k.name, s.*m); },
                       [&](uint8_t Settings::*m) { file.writeInteger(k.section, k.name, s.*m); },
                       [&](std::string Settings::*m) { file.writeString(k.section, k.name, s.*m); },
                   },
                   k.field);
    }
    save.Commit();
}

Settings& settings() {
    static Settings instance;
    return instance;
}

} // namespace larkspin
