#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace larkspin {

// What a command line (or another start, or the media controls) hands over, as playlist paths.
struct LaunchPaths {
    std::vector<std::string> paths;    // in the order given
    std::vector<std::string> problems; // playlist files that could not be read, with the reason
};

// Resolves given paths: folders are searched with their subfolders for names matching patterns (the
// add-directory list, searched as "All compatible Files" is) and their files put in the add-files
// dialog's order (SortByFolderAndName), playlist files give their entries, any other path is taken as
// it is. Standard library only, so it runs off the GUI thread; cancel stops a
// folder search early.
LaunchPaths ResolveLaunchPaths(const std::vector<std::string>& given,
                               const std::vector<std::string>& patterns,
                               const std::atomic<bool>* cancel = nullptr);

} // namespace larkspin
