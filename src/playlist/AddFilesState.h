#pragma once

#include <string>
#include <vector>

namespace larkspin {

// What the add-files dialog ("Import audiofiles...") holds, without widgets: the shown folder, the
// compatible files available there, the names and full paths chosen so far, and the result handed to
// the playlist. The dialog shows the lists and forwards each button.
class AddFilesState {
public:
    // joinedTypes: JoinedTypeList of the plug-ins' type texts.
    explicit AddFilesState(std::string joinedTypes = {});

    void SetJoinedTypes(std::string joinedTypes);

    // On show: takes the two check boxes' settings and clears the accepted flag; without "Remember
    // selected files" the chosen files are forgotten and the shown folder listed again.
    void Show(bool allowMoreThanOne, bool rememberSelected);
    // "Allow more than one directory" / "Remember selected files" clicked.
    void SetAllowMoreThanOne(bool on) { allowMoreThanOne_ = on; }
    void SetRememberSelected(bool on) { rememberSelected_ = on; }
    bool AllowMoreThanOne() const { return allowMoreThanOne_; }
    bool RememberSelected() const { return rememberSelected_; }

    // Shows another folder: without "Allow more than one directory" the chosen files are forgotten;
    // "Available mediafiles:" lists the folder's compatible files not already chosen (by path, so
    // equally named files of two folders can both be chosen).
    void ChangeFolder(const std::string& folder);
    // Lists the shown folder again (files may have come or gone).
    void Refresh() { ChangeFolder(folder_); }
    const std::string& Folder() const { return folder_; }

    // "Available mediafiles:", sorted by name (a to z ignoring case, then byte order).
    const std::vector<std::string>& Available() const { return available_; }
    // "Files to add:" (names, in the order chosen) and the parallel full paths.
    const std::vector<std::string>& ToAdd() const { return toAdd_; }
    const std::vector<std::string>& ToAddPaths() const { return toAddPaths_; }

    // "add": the selected rows of Available(), in list order. Out-of-range rows are ignored.
    void Add(const std::vector<int>& availableRows);
    // "add all ".
    void AddAll();
    // "remove": each selected name of ToAdd() leaves the chosen list with every path of that name,
    // from whatever folder, and comes back to Available() when the shown folder holds it.
    void Remove(const std::vector<int>& toAddRows);
    // "remove all".
    void RemoveAll();

    // "Add selected files...": false (the dialog stays open) when nothing is chosen; otherwise sets
    // the accepted flag and copies the chosen paths into Result().
    bool AcceptSelected();
    // The dialog closes (Cancel, or after AcceptSelected): without the accepted flag the result is
    // emptied.
    void Close();
    bool Accepted() const { return accepted_; }
    const std::vector<std::string>& Result() const { return result_; }

private:
    void MakeAvailable(const std::string& name);

    std::string joinedTypes_;
    std::string folder_;
    std::vector<std::string> available_;
    std::vector<std::string> toAdd_;
    std::vector<std::string> toAddPaths_;
    std::vector<std::string> result_;
    bool allowMoreThanOne_ = false;
    bool rememberSelected_ = false;
    bool accepted_ = false;
};

} // namespace larkspin
