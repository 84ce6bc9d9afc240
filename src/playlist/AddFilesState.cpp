#include "AddFilesState.h"

#include "FileNameParts.h"
#include "FolderSearch.h"
#include "TextConvert.h"

#include <algorithm>
#include <sys/stat.h>

namespace larkspin {

namespace {

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// rows made unique, in ascending order, those outside 0..count-1 dropped.
std::vector<int> ValidRows(std::vector<int> rows, std::size_t count) {
    std::erase_if(rows, [count](int r) { return r < 0 || static_cast<std::size_t>(r) >= count; });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

} // namespace

AddFilesState::AddFilesState(std::string joinedTypes) : joinedTypes_(std::move(joinedTypes)) {}

void AddFilesState::SetJoinedTypes(std::string joinedTypes) {
    joinedTypes_ = std::move(joinedTypes);
}

void AddFilesState::Show(bool allowMoreThanOne, bool rememberSelected) {
    allowMoreThanOne_ = allowMoreThanOne;
    rememberSelected_ = rememberSelected;
    accepted_ = false;
    if (!rememberSelected_) {
        toAdd_.clear();
        toAddPaths_.clear();
        if (!folder_.empty())
            ChangeFolder(folder_);
    }
}

void AddFilesState::ChangeFolder(const std::string& folder) {
    folder_ = folder;
    if (!allowMoreThanOne_) {
        toAdd_.clear();
        toAddPaths_.clear();
    }
    available_.clear();
    // A file already chosen is not offered again. Compared by path: "track01.mp3" of a second album
    // is another file than the first album's and can be chosen too.
    for (std::string& name : FolderFileNames(folder_))
        if (IsCompatibleName(name, joinedTypes_) &&
            std::find(toAddPaths_.begin(), toAddPaths_.end(), JoinPath(folder_, name)) == toAddPaths_.end())
            available_.push_back(std::move(name));
    std::sort(available_.begin(), available_.end(), NameBefore);
}

void AddFilesState::Add(const std::vector<int>& availableRows) {
    // In list order, so an album's tracks keep their order in the playlist.
    const std::vector<int> rows = ValidRows(availableRows, available_.size());
    for (int row : rows) {
        const std::string& name = available_[static_cast<std::size_t>(row)];
        toAddPaths_.push_back(JoinPath(folder_, name));
        toAdd_.push_back(name);
    }
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        available_.erase(available_.begin() + *it);
}

void AddFilesState::AddAll() {
    std::vector<int> rows(available_.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = static_cast<int>(i);
    Add(rows);
}

void AddFilesState::Remove(const std::vector<int>& toAddRows) {
    std::vector<std::string> names;
    for (int row : ValidRows(toAddRows, toAdd_.size()))
        names.push_back(toAdd_[static_cast<std::size_t>(row)]);
    for (const std::string& name : names) {
        // Every chosen file of that name goes, from whatever folder, and with it every row showing the
        // name, so the names and the paths stay parallel.
        for (std::size_t i = toAdd_.size(); i-- > 0;)
            if (toAdd_[i] == name && GetFileNamePart(toAddPaths_[i]) == name) {
                toAdd_.erase(toAdd_.begin() + static_cast<std::ptrdiff_t>(i));
                toAddPaths_.erase(toAddPaths_.begin() + static_cast<std::ptrdiff_t>(i));
            }
        MakeAvailable(name);
    }
}

void AddFilesState::RemoveAll() {
    std::vector<int> rows(toAdd_.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = static_cast<int>(i);
    Remove(rows);
}

bool AddFilesState::AcceptSelected() {
    result_.clear();
    if (toAddPaths_.empty())
        return false;
    accepted_ = true;
    result_ = toAddPaths_;
    return true;
}

void AddFilesState::Close() {
    if (!accepted_)
        result_.clear();
}

void AddFilesState::MakeAvailable(const std::string& name) {
    if (folder_.empty() || !IsRegularFile(JoinPath(folder_, name)) ||
        std::find(available_.begin(), available_.end(), name) != available_.end())
        return;
    available_.insert(std::upper_bound(available_.begin(), available_.end(), name, NameBefore), name);
}

} // namespace larkspin
