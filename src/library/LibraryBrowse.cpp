#include "LibraryBrowse.h"

#include "LibrarySearch.h"
#include "LibrarySort.h"
#include "TextConvert.h"

#include <unordered_set>

namespace larkspin {

std::vector<std::string> BrowseNames(const LibraryLines& lines, int field) {
    std::vector<std::string_view> names;
    std::string_view last;
    bool any = false;
    for (LibraryEntry e : lines.Entries()) {
        const std::string_view name = e.Field(field);
        if (name.empty() || (any && name == last))
            continue;
        names.push_back(name);
        last = name;
        any = true;
    }
    SortTexts(names, LibraryCollator(Qt::CaseSensitive));
    // Case variants sort side by side in most locales, but not in plain code-point order ("C"), so
    // each upper-cased name is remembered, not just the one before.
    std::vector<std::string> result;
    std::unordered_set<std::string> seen;
    for (std::string_view name : names)
        if (seen.insert(UpperAscii(name)).second)
            result.emplace_back(name);
    return result;
}

std::vector<LibraryEntry> BrowseTitles(const LibraryLines& lines, int field, std::string_view name) {
    std::vector<LibraryEntry> titles = EntriesWithField(lines, field, name);
    if (field == AlbumField)
        SortEntriesByField(titles, TrackField);
    return titles;
}

} // namespace larkspin
