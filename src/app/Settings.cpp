#include "Settings.h"

#include "PrivateProfile.h"

#include <variant>

namespace larkspin {
namespace {

using Field = std::variant<bool Settings::*, int32_t Settings::*, uint8_t Settings::*, std::string Settings::*>;

struct Key {
    const char* section;
    const char* name;
    Field field;
    bool readBack = true;
};

#define KEY(section, name) Key{section, #name, &Settings::name}

// Table order is file order: ReadSettings reads and WriteSettings writes in this order.
const Key Keys[] = {
    KEY("Prog", Firststart),

    KEY("Audio", PlayFontSize), KEY("Audio", OrgFontSize), KEY("Audio", PlugCheck), KEY("Audio", DirectSound),
    KEY("Audio", Crossfading), KEY("Audio", CrossTime), KEY("Audio", PlayFade), KEY("Audio", PlayTime),
    Key{"Audio", "PauseTime", &Settings::PauseTime, false}, KEY("Audio", StopFade), KEY("Audio", StopTime),

    KEY("CDRipper", SpeedIdx), KEY("CDRipper", Encoder), KEY("CDRipper", IntEncoder), KEY("CDRipper", EncIdx),
    KEY("CDRipper", Jitter), KEY("CDRipper", Temp), KEY("CDRipper", Mode), KEY("CDRipper", Reading),
    KEY("CDRipper", SwapChannel), KEY("CDRipper", Bitrate), KEY("CDRipper", Channel),
    KEY("CDRipper", WriteId3v1), KEY("CDRipper", WriteId3v2), KEY("CDRipper", CDDBServer),
    KEY("CDRipper", CDDBPort), KEY("CDRipper", CDDBEmail),

    KEY("StartUp", RememberPlaylist), KEY("StartUp", PlaylistWindowShow), KEY("StartUp", StationWindowShow),
    KEY("StartUp", AutomaticPlay), KEY("StartUp", SkinName), KEY("StartUp", SelectedPlaylist),
    KEY("StartUp", SelPlaylistName),

    KEY("Player", RepeatOne), KEY("Player", RepeatAll), KEY("Player", ShufflePlay), KEY("Player", PlayVolume),

    KEY("Playlist", Row1), KEY("Playlist", Row2), KEY("Playlist", Row3), KEY("Playlist", Row4),
    KEY("Playlist", Row5), KEY("Playlist", Row6), KEY("Playlist", Row7), KEY("Playlist", Row8),
    KEY("Playlist", Row9), KEY("Playlist", Row10), KEY("Playlist", ArtistWidth), KEY("Playlist", TitleWidth),
    KEY("Playlist", LengthWidth), KEY("Playlist", AlbumWidth), KEY("Playlist", BitrateWidth),
    KEY("Playlist", YearWidth), KEY("Playlist", StyleWidth), KEY("Playlist", CommentWidth),
    KEY("Playlist", TrackWidth), KEY("Playlist", SizeWidth), KEY("Playlist", PathWidth),
    KEY("Playlist", IconIndex), KEY("Playlist", ReloadInfos), KEY("Playlist", ReadId3v2Tag),
    KEY("Playlist", StopPlayback),

    KEY("AddFiles", RemSelected), KEY("AddFiles", AllowMoreThanOne),

    KEY("Windows", FullScreenMode), KEY("Windows", ListDockedRight), KEY("Windows", ListDockedLeft),
    KEY("Windows", ListDockedTop), KEY("Windows", ListDockedBottom), KEY("Windows", MainPosLeft),
    KEY("Windows", MainPosTop), KEY("Windows", ListPosLeft), KEY("Windows", ListPosTop),
    KEY("Windows", ListWidth), KEY("Windows", ListHeight), KEY("Windows", StationPosLeft),
    KEY("Windows", StationPosTop), KEY("Windows", StationDockedRight), KEY("Windows", StationDockedLeft),
    KEY("Windows", StationDockedTop), KEY("Windows", StationDockedBottom), KEY("Windows", StationWidth),
    KEY("Windows", StationHeight),

    KEY("FileInfos", Id3v1autosave), KEY("FileInfos", ShowList),

    KEY("Organizer", ActivateOrganizer), KEY("Organizer", ActivateRating), KEY("Organizer", ActivateAdd),
    KEY("Organizer", TransformArtOrg), KEY("Organizer", TransformTitOrg), KEY("Organizer", HintWindow),
    KEY("Organizer", CaseSearch), KEY("Organizer", stationindex), KEY("Organizer", stationindex2),
    KEY("Organizer", filelist_height),

    KEY("CDAudio", CDautoFreeDB), KEY("CDAudio", CDautofirst), KEY("CDAudio", CDPlugIndex),
    KEY("CDAudio", VirtualDrives),
};

#undef KEY

template <class... F> struct Overload : F... {
    using F::operator()...;
};

} // namespace

void ReadSettings(const PrivateProfile& file, const std::string& programFolder, Settings& s) {
    Settings defaults;
    defaults.Temp = programFolder + "/";
    for (const Key& k : Keys) {
        std::visit(Overload{
                       [&](bool Settings::*m) { s.*m = k.readBack ? file.readBool(k.section, k.name, defaults.*m) : defaults.*m; },
                       [&](int32_t Settings::*m) {
                           s.*m = k.readBack ? file.readInteger(k.section, k.name, defaults.*m) : defaults.*m;
                       },
                       // Held in 8 bits: only the low byte of what is read survives.
                       [&](uint8_t Settings::*m) {
                           s.*m = static_cast<uint8_t>(file.readInteger(k.section, k.name, defaults.*m) & 0xFF);
                       },
                       [&](std::string Settings::*m) { s.*m = file.readString(k.section, k.name, defaults.*m); },
                   },
                   k.field);
    }
}

void WriteSettings(PrivateProfile& file, const Settings& s) {
    for (const Key& k : Keys) {
        std::visit(Overload{
                       [&](bool Settings::*m) { file.writeBool(k.section, k.name, s.*m); },
                       [&](int32_t Settings::*m) { file.writeInteger(k.section, k.name, s.*m); },
                       [&](uint8_t Settings::*m) { file.writeInteger(k.section, k.name, s.*m); },
                       [&](std::string Settings::*m) { file.writeString(k.section, k.name, s.*m); },
                   },
                   k.field);
    }
}

Settings& settings() {
    static Settings instance;
    return instance;
}

} // namespace larkspin
