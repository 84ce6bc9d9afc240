#pragma once

#include "LibraryLines.h"

#include <string_view>
#include <vector>

namespace larkspin {

// The entries, in list order, whose whole line contains text: any field, the hidden Comment, the Path
// and the filling spaces take part (so "Floyd " finds an artist shorter than its field). Without
// caseSensitive the letters a to z of both sides are upper-cased first. An empty text finds nothing.
std::vector<LibraryEntry> SearchLibrary(const LibraryLines& lines, std::string_view text, bool caseSensitive);

// The entries, in list order, whose field (Artist or Album) equals name, the letters a to z compared
// without regard to case.
std::vector<LibraryEntry> EntriesWithField(const LibraryLines& lines, int field, std::string_view name);

// Equality with the letters a to z compared without regard to case.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

} // namespace larkspin
