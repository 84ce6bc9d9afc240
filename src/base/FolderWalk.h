#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

// The one walk over a folder tree, shared by the add-directory search, the library import and the skin
// list. Standard library and POSIX only.
namespace larkspin {

// Calls file(path, name) for every regular file of folder (hidden ones included), names in byte order,
// path being folder + "/" + name; with subfolders, then enters each subfolder whose name does not begin
// with "." the same way, depth first, each completely before the next. Links are followed, but a folder
// reached twice (a link back up the tree, two links to one folder) is entered once; folders that cannot
// be read are skipped. The walk keeps no recursion, so a deep tree cannot exhaust the stack. cancel, when
// set, stops the walk between two entries. Returns false when folder itself is no readable folder.
bool WalkFolder(const std::string& folder, bool subfolders,
                const std::function<void(const std::string& path, std::string_view name)>& file,
                const std::atomic<bool>* cancel = nullptr);

// folder + "/" + name, without doubling a slash that ends folder.
std::string JoinPath(const std::string& folder, std::string_view name);

} // namespace larkspin
