#pragma once

#include <string>
#include <vector>

namespace larkspin {

// The skins below ProgramFolder + "/Skins" (and below an installed program's shared Skins folder): the
// list the settings window offers, where a skin's description lies, and the active logo the player
// shows when a track has no cover. Standard library and POSIX only.

// Every file matching the pattern of patternPath ("<folder>/*.ini", the pattern compared without regard
// to case) in the folder, then, depth first, in its sub-folders whose names do not begin with ".".
// Entries are taken in byte order of their names; a folder reached twice (through a link) is searched once.
std::vector<std::string> FindFilesDeep(const std::string& patternPath);

// The skin names below the given Skins folders: for every *.ini found, the name of the folder holding it
// (so "<Skins>/Aqua/skin.ini" gives "Aqua", and an .ini lying in a Skins folder itself gives "Skins").
// One row per name, sorted by name.
std::vector<std::string> SkinNames(const std::vector<std::string>& skinsFolders);

// The description file of the named skin in the first of skinsFolders that has one; the path in the first
// folder when none has (a missing file: the engine keeps the built-in look).
std::string SkinIniPath(const std::vector<std::string>& skinsFolders, const std::string& name);

inline constexpr const char* SkinIniName = "skin.ini";
inline constexpr const char* SkinLogoName = "_display/_logo.jpg"; // below a skin's folder
inline constexpr const char* MainLogoName = "main_logo.jpg";      // below Skins: for skins without a logo
inline constexpr const char* ActiveLogoName = "_logo.jpg";        // below ProgramFolder's Skins

// Activation of a skin: copies the skin's own logo, or else the main logo, over the active logo in
// ownSkins (ProgramFolder + "/Skins"), through AtomicFile. False (the active logo unchanged) when neither
// logo can be read or the copy fails.
bool CopySkinLogo(const std::vector<std::string>& skinsFolders, const std::string& ownSkins,
                  const std::string& name);

// A first start has no active logo yet: the active skin's logo becomes it. Does nothing when one exists.
bool EnsureActiveLogo(const std::vector<std::string>& skinsFolders, const std::string& ownSkins,
                      const std::string& name);

} // namespace larkspin
