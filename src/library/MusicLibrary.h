#pragma once

#include "LibraryFile.h"
#include "LibraryLines.h"

#include <QLoggingCategory>

#include <string>

namespace larkspin {

struct Settings;

Q_DECLARE_LOGGING_CATEGORY(lcLibrary)

// The library of the running program: its entries and whether they must be saved.
struct MusicLibrary {
    LibraryLines Lines;
    // Set when entries were added, deleted or cleared since the last load or save.
    bool LibraryModified = false;
};

// The process-wide library.
MusicLibrary& library();

// Adds the file about to be played when ActivateAdd is on and no entry has its path: the line is built
// from the file (ID3v2 as ReadId3v2Tag says, TransformArtOrg and TransformTitOrg applied) with the
// Location "Unknown", put in its sorted place, and the library marked modified so it is saved.
// Returns true when an entry was added.
bool AddPlayedFile(MusicLibrary& lib, const Settings& s, const std::string& path);

// Start-up: with ActivateOrganizer on, loads ProgramFolder's library file when it exists (a missing
// file is an empty library). Empty otherwise.
LibraryFileResult LoadProgramLibrary(MusicLibrary& lib, const Settings& s, const std::string& programFolder);

// Shutdown: with ActivateOrganizer on and the library modified, saves it. A failure leaves the old
// file whole and the library still modified.
LibraryFileResult SaveProgramLibrary(MusicLibrary& lib, const Settings& s, const std::string& programFolder);

} // namespace larkspin
