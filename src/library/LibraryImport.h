#pragma once

#include "LibraryLines.h"
#include "TrackInfo.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace larkspin {

struct MusicLibrary;

// The masks of the file-type choice: the decoder plug-ins' type lists joined with ";" and cut at every
// ";" ("*.mp3;*.mp2" gives "*.mp3" and "*.mp2"), empty pieces left out, in order.
std::vector<std::string> FileTypeMasks(const std::vector<std::string>& typeLists);

// What the import searches for: every file whose "*." + upper-cased extension equals one of masks
// (compared upper-cased); with only set, the files matching that one mask.
struct ImportSearch {
    std::string folder;
    std::vector<std::string> masks;
    std::string only; // empty: all compatible files
    bool includeSubfolders = true;
};

// The paths found: the folder's own files first (hidden ones too, folders and special files not), in
// byte order of their names, then each sub-folder not starting with "." in the same order. A folder
// reached again through a link is searched once. found is called after each path taken; cancel stops.
std::vector<std::string> FindImportFiles(const ImportSearch& search,
                                         const std::function<void(std::size_t found)>& found = {},
                                         const std::atomic<bool>* cancel = nullptr);

// The kind of medium that holds a folder: "int" for a fixed disk, "ext" for a data CD (iso9660,
// udf) or a removable device.
std::string MediumKindOf(const std::string& folder);

// One row of the import preview: a file's record and the medium it is on.
struct ImportRow {
    TrackRecord record;
    std::string location;
    std::string rating = "0";
};

// The library values of a row: Artist and Title without a leading "NN " when TransformArtOrg or
// TransformTitOrg says so, the other fields as read.
LibraryValues ImportValues(const ImportRow& row, const LibraryTransforms& transforms);

// "Finish": adds every row whose path no entry has (rows added before in the same run count, so a path
// listed twice is added once), sorts the library once and marks it modified, also when nothing was
// added. step(i) after row i. Returns the number of entries added.
std::size_t AddImportRows(MusicLibrary& lib, const std::vector<ImportRow>& rows,
                          const LibraryTransforms& transforms,
                          const std::function<void(std::size_t row)>& step = {});

} // namespace larkspin
