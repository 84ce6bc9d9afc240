#include "LibraryImport.h"

#include "FileNameParts.h"
#include "LibrarySort.h"
#include "MusicLibrary.h"
#include "TextConvert.h"

#include <QStorageInfo>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <unordered_set>

namespace larkspin {

namespace {

struct FolderEntry {
    std::string name;
    bool folder = false;
};

std::vector<FolderEntry> ListFolder(const std::string& folder) {
    std::vector<FolderEntry> entries;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return entries;
    while (const dirent* d = ::readdir(dir)) {
        const std::string name = d->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st {};
        if (::stat((folder + "/" + name).c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
            entries.push_back({name, true});
        else if (S_ISREG(st.st_mode))
            entries.push_back({name, false});
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return entries;
}

class Finder {
public:
    Finder(const ImportSearch& search, const std::function<void(std::size_t)>& found,
           const std::atomic<bool>* cancel)
        : search_(search), found_(found), cancel_(cancel) {
        for (const std::string& m : search.masks)
            masks_.insert(UpperAscii(m));
        only_ = UpperAscii(search.only);
    }

    void Search(const std::string& folder) {
        struct stat st {};
        if (::stat(folder.c_str(), &st) != 0 || !visited_.insert({st.st_dev, st.st_ino}).second)
            return;
        const std::vector<FolderEntry> entries = ListFolder(folder);
        for (const FolderEntry& e : entries) {
            if (Cancelled())
                return;
            if (e.folder)
                continue;
            const std::string mask = "*." + UpperFileExt(e.name);
            if (masks_.count(mask) == 0 || (!only_.empty() && mask != only_))
                continue;
            paths_.push_back(folder + "/" + e.name);
            if (found_)
                found_(paths_.size());
        }
        if (!search_.includeSubfolders)
            return;
        for (const FolderEntry& e : entries)
            if (e.folder && e.name[0] != '.' && !Cancelled())
                Search(folder + "/" + e.name);
    }

    std::vector<std::string> paths_;

private:
    bool Cancelled() const { return cancel_ && cancel_->load(); }

    const ImportSearch& search_;
    const std::function<void(std::size_t)>& found_;
    const std::atomic<bool>* cancel_;
    std::set<std::string> masks_;
    std::string only_;
    std::set<std::pair<dev_t, ino_t>> visited_;
};

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
    std::string folder = search.folder;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    Finder finder(search, found, cancel);
    if (!folder.empty())
        finder.Search(folder == "/" ? std::string() : folder);
    return std::move(finder.paths_);
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
    std::size_t added = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (paths.insert(StoredFieldText(rows[i].record[RecordPath], PathField)).second) {
            lib.Lines.AppendValues(ImportValues(rows[i], transforms));
            ++added;
        }
        if (step)
            step(i);
    }
    SortLibrary(lib.Lines);
    lib.LibraryModified = true;
    return added;
}

} // namespace larkspin
