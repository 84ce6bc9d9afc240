#include "MusicLibrary.h"

#include "LibrarySort.h"
#include "Settings.h"
#include "TrackInfo.h"

namespace larkspin {

Q_LOGGING_CATEGORY(lcLibrary, "larkspin.library", QtCriticalMsg)

MusicLibrary& library() {
    static MusicLibrary lib;
    return lib;
}

bool AddPlayedFile(MusicLibrary& lib, const Settings& s, const std::string& path) {
    if (!s.ActivateAdd || LibraryHasPath(lib.Lines, path))
        return false;
    std::vector<std::string> built;
    BuildLibraryLine(path, built, s.ReadId3v2Tag, {s.TransformArtOrg, s.TransformTitOrg});
    if (built.empty())
        return false;
    AddLineSorted(lib.Lines, built.front());
    // Entries added while playing reach the file at shutdown like every other change.
    lib.LibraryModified = true;
    return true;
}

LibraryFileResult LoadProgramLibrary(MusicLibrary& lib, const Settings& s, const std::string& programFolder) {
    lib.LibraryModified = false;
    if (!s.ActivateOrganizer) {
        lib.Lines.Clear();
        return {};
    }
    const std::string path = LibraryFilePath(programFolder);
    LibraryFileResult result = LoadLibrary(lib.Lines, path);
    if (!result.Message.empty())
        qCWarning(lcLibrary) << "loading" << path.c_str() << ":" << result.Message.c_str();
    return result;
}

LibraryFileResult SaveProgramLibrary(MusicLibrary& lib, const Settings& s, const std::string& programFolder) {
    if (!s.ActivateOrganizer || !lib.LibraryModified)
        return {};
    const std::string path = LibraryFilePath(programFolder);
    LibraryFileResult result = SaveLibrary(lib.Lines, path);
    if (result.Ok)
        lib.LibraryModified = false;
    else
        qCWarning(lcLibrary) << "saving" << path.c_str() << ":" << result.Message.c_str();
    return result;
}

} // namespace larkspin
