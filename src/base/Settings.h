#pragma once

#include <cstdint>
#include <string>

namespace larkspin {

class PrivateProfile;

inline constexpr const char* MakerEmail = "larkspin@larkspin.example.org";
inline constexpr const char* DefaultCddbServer = "gnudb.gnudb.org";

// The longest fade or crossfade, in milliseconds; longer values read from the file are cut to it.
inline constexpr int32_t MaxFadeTime = 600000;

// Every value of the settings file, one member per key, named exactly as the key.
// ReadSettings fills them once at start; the program changes them while it runs; WriteSettings saves them.
struct Settings {
    // Prog
    bool Firststart = true;
    // Audio
    int32_t PlayFontSize = 8;
    int32_t OrgFontSize = 8;
    std::string PlugCheck;
    bool DirectSound = true;
    bool Crossfading = true;
    int32_t CrossTime = 5000;
    bool PlayFade = true;
    int32_t PlayTime = 2000;
    int32_t PauseTime = 0; // written on every save, never read back
    bool StopFade = true;
    int32_t StopTime = 1000;
    // CDRipper
    uint8_t SpeedIdx = 0;
    bool Encoder = false;
    bool IntEncoder = false;
    uint8_t EncIdx = 0;
    bool Jitter = false;
    std::string Temp; // default: ProgramFolder + "/"
    bool Mode = true;
    uint8_t Reading = 0;
    bool SwapChannel = false;
    int32_t Bitrate = 128;
    uint8_t Channel = 0;
    bool WriteId3v1 = true;
    bool WriteId3v2 = true;
    std::string CDDBServer = DefaultCddbServer;
    std::string CDDBPort = "80";
    std::string CDDBEmail = MakerEmail;
    int32_t ReadOffset = 0; // the drive's read offset in samples, as AccurateRip lists drives
    std::string AccurateRipUrl = "http://www.accuraterip.com/accuraterip/";
    // StartUp
    bool RememberPlaylist = true;
    bool PlaylistWindowShow = true;
    bool StationWindowShow = true;
    bool AutomaticPlay = false;
    std::string SkinName = "VezAdev";
    bool SelectedPlaylist = false;
    std::string SelPlaylistName;
    // Player
    bool RepeatOne = false;
    bool RepeatAll = false;
    bool ShufflePlay = false;
    int32_t PlayVolume = 255;
    // Playlist
    int32_t Row1 = 0, Row2 = 1, Row3 = 2, Row4 = 11, Row5 = 11, Row6 = 11, Row7 = 11, Row8 = 11, Row9 = 11,
            Row10 = 11;
    int32_t ArtistWidth = 120;
    int32_t TitleWidth = 150;
    int32_t LengthWidth = 50;
    int32_t AlbumWidth = 120;
    int32_t BitrateWidth = 60;
    int32_t YearWidth = 50;
    int32_t StyleWidth = 50;
    int32_t CommentWidth = 90;
    int32_t TrackWidth = 50;
    int32_t SizeWidth = 60;
    int32_t PathWidth = 300;
    int32_t IconIndex = 0;
    bool ReloadInfos = false;
    bool ReadId3v2Tag = true;
    bool StopPlayback = false;
    // AddFiles
    bool RemSelected = false;
    bool AllowMoreThanOne = false;
    // Windows
    bool FullScreenMode = false;
    bool ListDockedRight = false;
    bool ListDockedLeft = false;
    bool ListDockedTop = false;
    bool ListDockedBottom = true;
    int32_t MainPosLeft = 0;
    int32_t MainPosTop = 0;
    int32_t ListPosLeft = 0;
    int32_t ListPosTop = 0;
    int32_t ListWidth = 400;
    int32_t ListHeight = 300;
    int32_t StationPosLeft = 0;
    int32_t StationPosTop = 0;
    bool StationDockedRight = true;
    bool StationDockedLeft = false;
    bool StationDockedTop = false;
    bool StationDockedBottom = false;
    int32_t StationWidth = 0;
    int32_t StationHeight = 0;
    // FileInfos
    bool Id3v1autosave = false;
    bool ShowList = false;
    // Organizer
    bool ActivateOrganizer = true;
    bool ActivateRating = true;
    bool ActivateAdd = false;
    bool TransformArtOrg = true;
    bool TransformTitOrg = true;
    bool HintWindow = false;
    bool CaseSearch = false;
    int32_t stationindex = 0;
    int32_t stationindex2 = 0;
    int32_t filelist_height = 129;
    // CDAudio
    bool CDautoFreeDB = false;
    bool CDautofirst = false;
    int32_t CDPlugIndex = 0;
    std::string VirtualDrives; // disc images (.cue) offered as CD drives, separated by ";"
    // Loudness
    int32_t GainMode = 0;     // 0 off, 1 track gain, 2 album gain, 3 album gain while an album plays in order
    int32_t GainPreamp = 0;   // tenths of a dB added to tagged gains
    int32_t GainUntagged = 0; // tenths of a dB for files without gain tags
    bool GainPreventClipping = true; // lowers the gain so that the tagged peak stays at full scale
};

// Fills every value from the file, or its default, section by section in file order. A number outside
// its range (a volume of 900, a negative width) is clamped; a list position outside its list gives the
// default.
// Temp, the folder ripped and encoded files go to, defaults to outputFolder (ChooseOutputFolder), or to
// programFolder + "/" when that is empty. A stored Temp that names the program folder itself or its
// "Temporary Playlist" folder, where output used to go by default, is moved to outputFolder as well.
void ReadSettings(const PrivateProfile& file, const std::string& programFolder, Settings& s,
                  const std::string& outputFolder = {});

// Writes every key in table order and replaces the file once with all of them; lines of the file that
// are no key of the table stay. Throws EProfileWriteError when the file cannot be replaced; the file
// and the profile then keep every old value.
void WriteSettings(PrivateProfile& file, const Settings& s);

// The process-wide settings of the running program.
Settings& settings();

} // namespace larkspin
