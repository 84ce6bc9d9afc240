#include "FolderSearch.h"

#include "FolderWalk.h"
#include "TextConvert.h"

#include <algorithm>
#include <utility>

namespace larkspin {

namespace {

char UpperChar(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
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
    if (patterns.empty())
        return {};
    WalkFolder(
        folder, includeSubfolders,
        [&](const std::string& path, std::string_view name) {
            for (std::size_t p = 0; p < patterns.size(); ++p)
                if (WildcardMatch(patterns[p], name))
                    byPattern[p].push_back(path);
        },
        cancel);
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

bool NameBefore(std::string_view a, std::string_view b) {
    const std::string ua = UpperAscii(a), ub = UpperAscii(b);
    return ua != ub ? ua < ub : a < b;
}

void SortByFolderAndName(std::vector<std::string>& paths) {
    std::stable_sort(paths.begin(), paths.end(), [](std::string_view a, std::string_view b) {
        // Past the part both share, compare the first differing name of a folder or file.
        std::size_t start = 0;
        for (;;) {
            const std::size_t endA = a.find('/', start), endB = b.find('/', start);
            const std::string_view partA = a.substr(start, endA == a.npos ? a.npos : endA - start);
            const std::string_view partB = b.substr(start, endB == b.npos ? b.npos : endB - start);
            const bool fileA = endA == a.npos, fileB = endB == b.npos;
            if (partA != partB || fileA || fileB) {
                if (fileA != fileB)
                    return fileA; // a folder's files come before its subfolders
                return NameBefore(partA, partB);
            }
            start = endA + 1;
        }
    });
}

std::vector<std::string> FolderFileNames(const std::string& folder) {
    std::vector<std::string> files;
    WalkFolder(folder, false, [&](const std::string&, std::string_view name) {
        if (!name.starts_with('.'))
            files.emplace_back(name);
    });
    return files;
}

} // namespace larkspin
