#pragma once

#include "LibraryLines.h"

#include <string>
#include <vector>

namespace larkspin {

// The names of browse mode "Artist" (field ArtistField) or "Album" (AlbumField): every non-empty
// value, sorted with the user's locale-aware, case-sensitive comparison, each name once when its
// variants differ only in the case of the letters a to z (the first in sort order stays).
std::vector<std::string> BrowseNames(const LibraryLines& lines, int field);

// The titles of one artist or album as the title list shows them: the entries whose field equals
// name without regard to the case of a to z, in list order; an album's titles in track order.
std::vector<LibraryEntry> BrowseTitles(const LibraryLines& lines, int field, std::string_view name);

} // namespace larkspin
