#include "LibrarySearch.h"

#include "TrackInfo.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace larkspin {

namespace {

inline char UpperAsciiChar(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::size_t LongestSpaceRun(std::string_view text) {
    std::size_t longest = 0, run = 0;
    for (char c : text) {
        run = c == ' ' ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

} // namespace

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperAsciiChar(a[i]) != UpperAsciiChar(b[i]))
            return false;
    return true;
}

std::vector<LibraryEntry> SearchLibrary(const LibraryLines& lines, std::string_view text,
                                        bool caseSensitive) {
    std::vector<LibraryEntry> found;
    if (text.empty())
        return found;
    std::string needle(text);
    if (!caseSensitive)
        std::transform(needle.begin(), needle.end(), needle.begin(), UpperAsciiChar);
    // A match can only see as many filling spaces as the text's longest run of spaces, plus one to
    // tell a longer run apart: cutting each filling to that keeps every match and adds none.
    const std::size_t maxFill = LongestSpaceRun(needle) + 1;
    const std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end());
    char line[LibraryLineLength];
    for (LibraryEntry e : lines.Entries()) {
        const std::size_t length = e.CopyWithFillCut(line, maxFill, !caseSensitive);
        if (std::search(line, line + length, searcher) != line + length)
            found.push_back(e);
    }
    return found;
}

std::vector<LibraryEntry> EntriesWithField(const LibraryLines& lines, int field, std::string_view name) {
    std::vector<LibraryEntry> found;
    for (LibraryEntry e : lines.Entries())
        if (EqualsIgnoringAsciiCase(e.Field(field), name))
            found.push_back(e);
    return found;
}

} // namespace larkspin
