#pragma once

#include <string>
#include <string_view>

namespace larkspin {

// The folder part of the executable's path: everything before its last "/", without a trailing "/".
std::string DeriveProgramFolder(std::string_view executablePath);

// The folder Larkspin keeps its data in: the executable's folder when it can be written (a build
// tree, a portable copy), otherwise dataHome + "/larkspin" (dataHome is $XDG_DATA_HOME, or
// ~/.local/share when unset), created with every missing parent.
std::string ChooseProgramFolder(std::string_view executablePath, std::string_view dataHome);

// Where an installed Larkspin keeps its read-only resources: for an executable prefix/bin/larkspin,
// the plug-ins below prefix/lib/larkspin and the shipped skins below prefix/share/larkspin.
struct InstalledFolders {
    std::string plugIns;
    std::string data;
};
InstalledFolders InstalledResourceFolders(std::string_view executablePath);

// The folder of a read-only resource (relative begins with "/"): below ProgramFolder when that folder
// exists and holds anything, otherwise below the installed folder.
std::string ResourceFolder(const std::string& programFolder, const std::string& installedFolder,
                           std::string_view relative);

// The data folders below ProgramFolder, in creation order.
inline constexpr const char* DataFolders[] = {
    "/Organizer", "/Temporary Playlist", "/Skins",  "/PlugIn",
    "/PlugIn/Output", "/PlugIn/Encoder", "/PlugIn/Extra", "/Language",
};

// The folder ripped and encoded files go to by default, with a trailing "/": musicFolder (the user's XDG
// music folder) when it is a folder, else home when that is one, else "/".
std::string ChooseOutputFolder(const std::string& musicFolder, const std::string& home);

// Creates each missing data folder, one level each; a folder that cannot be created stays missing.
void CreateDataFolders(const std::string& programFolder);

// Removes the temporary files that writers killed during a save left in ProgramFolder and its data
// folders (see RemoveStaleTemporaryFiles); returns how many. Run at start, before anything is read.
int RemoveLeftoverTemporaryFiles(const std::string& programFolder);

// The settings file: ProgramFolder + "/" + the executable's base name + ".ini".
std::string SettingsFilePath(const std::string& programFolder, std::string_view executablePath);

inline constexpr const char* TemporaryPlaylistFile = "/Temporary Playlist/Temp.te3";
inline constexpr const char* LibraryFile = "/Organizer/Archive.rol";

} // namespace larkspin

namespace larkspin {

// The running program's ProgramFolder, set once at start by the main window.
std::string& programFolder();

} // namespace larkspin
