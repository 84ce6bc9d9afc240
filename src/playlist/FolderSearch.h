#pragma once

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

// Which files count as audio files for the add dialogs, and the add-directory search. Standard
// library and POSIX only.
namespace larkspin {

// The first item of the add-directory pattern list.
inline constexpr const char* AllCompatibleFiles = "All compatible Files";

// The plug-ins' type texts joined without separator (add-files dialog).
std::string JoinedTypeList(const std::vector<std::string>& typeTexts);

// True when the last three characters of name, upper-cased (a to z only), equal some run of three
// consecutive characters of the upper-cased joined list; false for a list shorter than three
// characters or a name shorter than three. Only the last three count: "backupmp3" is compatible.
bool IsCompatibleName(std::string_view name, std::string_view joinedTypes);

// The add-directory pattern list: "All compatible Files", then each text between semicolons of the
// type texts joined with ";" (and a final ";"), the first of equal texts kept, an empty text between
// two adjacent semicolons included. Empty when no plug-in declares types.
std::vector<std::string> AddDirectoryPatterns(const std::vector<std::string>& typeTexts);

// Wildcard match of a whole name: "*" any run, "?" one character (one UTF-8 sequence), case-insensitive
// for a to z. "*.*" matches every name, also one without a dot, as users of wildcard patterns expect.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// ListFolderFiles for each pattern in turn, results grouped by pattern: every regular file (hidden
// ones included) of folder whose name matches, as folder + "/" + name, names in byte order; with
// includeSubfolders, then each subfolder not beginning with "." the same way, depth first. The tree is
// walked once; a folder reached twice (a symbolic-link loop, two links to one folder) is listed once.
// Folders that cannot be read are skipped. cancel, when set, stops the walk early.
std::vector<std::string> ListFolderFiles(const std::string& folder, const std::vector<std::string>& patterns,
                                         bool includeSubfolders, const std::atomic<bool>* cancel = nullptr);

// The add-directory "OK": selected is the index into patterns (AddDirectoryPatterns); 0 ("All
// compatible Files") searches every pattern after it, in list order; a negative index searches nothing.
std::vector<std::string> SearchFolder(const std::string& folder, const std::vector<std::string>& patterns,
                                      int selected, bool includeSubfolders,
                                      const std::atomic<bool>* cancel = nullptr);

// The add-files dialog's order of names: alphabetical ignoring the case of a to z, equal names in byte
// order.
bool NameBefore(std::string_view a, std::string_view b);

// Puts the files a folder search found (paths below one folder) in the add-files dialog's order, folder
// by folder: a folder's files (of every type together) before its subfolders, names and subfolders by
// NameBefore. An album of mixed types keeps its track order.
void SortByFolderAndName(std::vector<std::string>& paths);

// Names of the ordinary files of one folder (regular files, not those beginning with "."), in byte
// order. Empty when the folder cannot be read.
std::vector<std::string> FolderFileNames(const std::string& folder);

} // namespace larkspin
