#pragma once

#include "CdListItem.h"

#include <QString>

namespace larkspin {

// The tag values of one ripped track: artist, title and number from its caption ("03 Artist / Title"),
// album, year and genre from its sub-items. A caption without a leading number gives the TOC position.
struct RipTagValues {
    int Track = 0;
    QString Artist;
    QString Title;
    QString Album;
    QString Year;
    QString Genre;
};
RipTagValues TagValuesOf(const CdListItem& item);

// Which tags a file gets.
struct RipTagChoice {
    bool Id3v1 = true;
    bool Id3v2 = true;
};

// Writes the chosen tags into the MP3 file at path, each over what the file holds (the ID3v1 genre
// stays as loaded). Empty on success, else why it failed; the file then keeps its audio.
QString WriteRipTags(const QString& path, const RipTagValues& values, RipTagChoice choice);

} // namespace larkspin
