#pragma once

#include <QString>

#include <vector>

namespace larkspin {

// One audio track of the CD ripper page's list: its caption (first "CD Audio / Track Number 3", after
// preparation "03 Artist / Title"), the sub-items album, year and genre, and the tick that marks it for
// ripping. Track is the 1-based position of the track in the disc's table of contents.
struct CdListItem {
    int Track = 0;
    QString Caption;
    QString Album;
    QString Year;
    QString Genre;
    bool Ticked = false;
};

using CdList = std::vector<CdListItem>;

} // namespace larkspin
