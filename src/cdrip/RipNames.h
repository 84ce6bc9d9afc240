#pragma once

#include "CddbText.h"

#include <QString>

namespace larkspin {

// Texts of the CD list and of CDDB entries turned into row fields, tag values and file names.

// The value of two leading digits followed by a blank, "-" or "_" in a text of at least 4 characters;
// otherwise 0.
int LeadingTrackNumber(const QString& name);

// Every "/" becomes "-".
QString ReplaceSlash(const QString& text);

// Removes the extension (from the last "."), then splits at the last "/" with a blank on both sides:
// part 1 before " / ", part 2 after it; without such a "/" both parts are the whole name.
QString ArtistTitleFromName(const QString& name, int part);

// The artist, title and track number a CD list caption ("03 Artist / Title") stands for.
struct CaptionTags {
    int track = 0; // the caption's leading number, 0 without one
    QString artist;
    QString title;
};
CaptionTags TagsFromCaption(const QString& caption);

// The file name (without folder) a caption gives with extension ext (".wav", ".mp3", ".ogg"): slashes
// become "-", control characters and NUL go, leading dots and blanks go (no hidden file, never ".."),
// and the name is cut at a character boundary so that it fits a file system's 255 bytes. A caption that
// leaves nothing becomes "Track" and fallbackNumber.
QString TrackFileName(const QString& caption, const QString& ext, int fallbackNumber);

// The output folder text with exactly one "/" at its end (empty stays empty).
QString FolderWithSlash(const QString& folder);

} // namespace larkspin
