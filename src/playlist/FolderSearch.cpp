#include "FolderSearch.h"

#include "TextConvert.h"

#include <algorithm>
#include <dirent.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace larkspin {

namespace {

char UpperChar(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

// The names in a folder (without "." and ".."), in byte order; empty when it cannot be read.
std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir)
        return names;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string_view name = e->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Length of the UTF-8 sequence that begins with byte c (1 for a byte that is no lead byte).
std::size_t SequenceLength(unsigned char c) {
    return c >= 0xF0 && c < 0xF8 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
}

} // namespace

std::string JoinedTypeList(const std::vector<std::string>& typeTexts) {
    std::string joined;
    for (const auto& t : typeTexts)
        joined += t;
    return joined;
}

bool IsCompatibleName(std::string_view name, std::string_view joinedTypes) {
    if (joinedTypes.size() < 3 || name.size() < 3)
        return false;
    const std::string tail = UpperAscii(name.substr(name.size() - 3));
    return UpperAscii(joinedTypes).find(tail) != std::string::npos;
}

std::vector<std::string> AddDirectoryPatterns(const std::vector<std::string>& typeTexts) {
    if (JoinedTypeList(typeTexts).empty())
        return {};
    std::string joined;
    for (const auto& t : typeTexts)
        if (!t.empty()) // a plug-in that plays no files (the CD plug-in) adds no empty pattern
            joined += t + ";";
    std::vector<std::string> patterns{AllCompatibleFiles};
    std::size_t start = 0;
    for (std::size_t semicolon; (semicolon = joined.find(';', start)) != std::string::npos;
         start = semicolon + 1) {
        std::string pattern = joined.substr(start, semicolon - start);
        if (std::find(patterns.begin(), patterns.end(), pattern) == patterns.end())
            patterns.push_back(std::move(pattern));
    }
    return patterns;
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*" || pattern == "*")
        return true;
    // Greedy matching with one backtrack point: the last "*" seen.
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += std::min(SequenceLength(static_cast<unsigned char>(name[n])), name.size() - n);
        } else if (p < pattern.size() && UpperChar(pattern[p]) == UpperChar(name[n])) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::vector<std::string> ListFolderFiles(const std::string& folder, const std::vector<std::string>& patterns,
                                         bool includeSubfolders, const std::atomic<bool>* cancel) {
    std::vector<std::vector<std::string>> byPattern(patterns.size());
    std::set<std::pair<dev_t, ino_t>> visited;
    struct stat st {};
    if (patterns.empty() || ::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return {};
    visited.insert({st.st_dev, st.st_ino});
    // Depth first without recursion, so a deep tree cannot exhaust the stack: a folder's own files,
    // then its subfolders in name order, each completely before the next.
    std::vector<std::string> pending{folder};
    while (!pending.empty()) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            break;
        const std::string current = std::move(pending.back());
        pending.pop_back();
        std::vector<std::string> subfolders;
        for (const std::string& name : FolderNames(current)) {
            const std::string path = JoinPath(current, name);
            if (::stat(path.c_str(), &st) != 0)
                continue;
            if (S_ISREG(st.st_mode)) {
                for (std::size_t p = 0; p < patterns.size(); ++p)
                    if (WildcardMatch(patterns[p], name))
                        byPattern[p].push_back(path);
            } else if (S_ISDIR(st.st_mode) && includeSubfolders && !name.starts_with('.') &&
                       visited.insert({st.st_dev, st.st_ino}).second) {
                // A folder seen before (a link back up the tree) is not entered again.
                subfolders.push_back(path);
            }
        }
        pending.insert(pending.end(), subfolders.rbegin(), subfolders.rend());
    }
    std::vector<std::string> result;
    for (auto& files : byPattern)
        result.insert(result.end(), std::make_move_iterator(files.begin()),
                      std::make_move_iterator(files.end()));
    return result;
}

std::vector<std::string> SearchFolder(const std::string& folder, const std::vector<std::string>& patterns,
                                      int selected, bool includeSubfolders, const std::atomic<bool>* cancel) {
    if (selected < 0 || selected >= static_cast<int>(patterns.size()))
        return {};
    if (selected == 0 && patterns.front() == AllCompatibleFiles)
        return ListFolderFiles(folder, std::vector<std::string>(patterns.begin() + 1, patterns.end()),
                               includeSubfolders, cancel);
    return ListFolderFiles(folder, {patterns[static_cast<std::size_t>(selected)]}, includeSubfolders, cancel);
}

std::vector<std::string> FolderFileNames(const std::string& folder) {
    std::vector<std::string> files;
    struct stat st {};
    for (std::string& name : FolderNames(folder))
        if (!name.starts_with('.') && ::stat(JoinPath(folder, name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            files.push_back(std::move(name));
    return files;
}

} // namespace larkspin
