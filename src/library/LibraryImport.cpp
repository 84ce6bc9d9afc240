#include "LibraryImport.h"

#include "FileNameParts.h"
#include "FolderWalk.h"
#include "LibrarySort.h"
#include "MusicLibrary.h"
#include "TextConvert.h"

#include <QStorageInfo>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <set>
#include <unordered_set>

namespace larkspin {

namespace {

// True when the block device (a name such as "sdb1") belongs to a removable disk.
bool RemovableDevice(const std::string& device) {
    const std::string name = device.substr(device.rfind('/') + 1);
    char resolved[PATH_MAX];
    if (name.empty() || !::realpath(("/sys/class/block/" + name).c_str(), resolved))
        return false;
    std::string path = resolved;
    // A partition's own folder has no "removable"; its disk's has.
    for (int up = 0; up < 2; ++up) {
        std::ifstream f(path + "/removable");
        int removable = 0;
        if (f >> removable)
            return removable == 1;
        path = path.substr(0, path.rfind('/'));
    }
    return false;
}

} // namespace

std::vector<std::string> FileTypeMasks(const std::vector<std::string>& typeLists) {
    std::string joined;
    for (const std::string& t : typeLists)
        joined += t + ";";
    std::vector<std::string> masks;
    std::size_t start = 0;
    while (start < joined.size()) {
        const std::size_t end = joined.find(';', start);
        const std::string piece = TrimControls(joined.substr(start, end - start));
        if (!piece.empty())
            masks.push_back(piece);
        start = end + 1;
    }
    return masks;
}

std::vector<std::string> FindImportFiles(const ImportSearch& search,
                                         const std::function<void(std::size_t)>& found,
                                         const std::atomic<bool>* cancel) {
    std::set<std::string> masks;
    for (const std::string& m : search.masks)
        masks.insert(UpperAscii(m));
    const std::string only = UpperAscii(search.only);
    std::vector<std::string> paths;
    WalkFolder(
        search.folder, search.includeSubfolders,
        [&](const std::string& path, std::string_view name) {
            const std::string mask = "*." + UpperFileExt(name);
            if (masks.count(mask) == 0 || (!only.empty() && mask != only))
                return;
            paths.push_back(path);
            if (found)
                found(paths.size());
        },
        cancel);
    return paths;
}

std::string MediumKindOf(const std::string& folder) {
    const QStorageInfo storage(QString::fromStdString(folder));
    if (!storage.isValid())
        return "ext";
    const QByteArray type = storage.fileSystemType().toLower();
    if (type == "iso9660" || type == "udf")
        return "ext";
    return RemovableDevice(storage.device().toStdString()) ? "ext" : "int";
}

LibraryValues ImportValues(const ImportRow& row, const LibraryTransforms& transforms) {
    const TrackRecord& r = row.record;
    return {transforms.TransformArtOrg ? RemoveTrackNumber(r[RecordArtist]) : r[RecordArtist],
            transforms.TransformTitOrg ? RemoveTrackNumber(r[RecordTitle]) : r[RecordTitle],
            r[RecordLength],
            r[RecordAlbum],
            r[RecordBitrate],
            r[RecordYear],
            r[RecordStyle],
            r[RecordComment],
            r[RecordTrack],
            r[RecordSize],
            r[RecordPath],
            row.location,
            row.rating};
}

std::size_t AddImportRows(MusicLibrary& lib, const std::vector<ImportRow>& rows,
                          const LibraryTransforms& transforms, const std::function<void(std::size_t)>& step) {
    // One pass over the library instead of one per row: a large import into a large library.
    std::unordered_set<std::string> paths;
    paths.reserve(lib.Lines.Count() + rows.size());
    for (LibraryEntry e : lib.Lines.Entries())
        paths.emplace(e.Field(PathField));
    const bool wasSorted = lib.Lines.KnownSorted();
    const std::size_t first = lib.Lines.Count();
    std::size_t added = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (paths.insert(StoredFieldText(rows[i].record[RecordPath], PathField)).second) {
            lib.Lines.AppendValues(ImportValues(rows[i], transforms));
            ++added;
        }
        if (step)
            step(i);
    }
    SortAppended(lib.Lines, first, wasSorted);
    lib.LibraryModified = true;
    return added;
}

} // namespace larkspin
