#pragma once

#include "LibraryLines.h"

#include <QCollator>

#include <string_view>
#include <vector>

namespace larkspin {

// The user's locale-aware comparison. Library lines sort without regard to letter case; browser lists
// and columns compare with it.
QCollator LibraryCollator(Qt::CaseSensitivity sensitivity);

// Sorts the whole list by its lines, case-insensitively with the user's locale collation. Since the
// fields are filled with spaces this orders by artist, then title, then length and so on. Lines that
// compare equal keep their order.
void SortLibrary(LibraryLines& lines);

// Adds a line where sorting would put it when the list is known to be sorted, else appends it and
// sorts the whole list: a played file joins a large library at once.
LibraryEntry AddLineSorted(LibraryLines& lines, std::string_view line);

// Sorts entries ascending by one field's text, case-sensitively with the user's locale collation
// (a column click of the title list). Equal texts keep their order.
void SortEntriesByField(std::vector<LibraryEntry>& entries, int field);

// Sorts texts ascending with the collator; equal texts keep their order.
void SortTexts(std::vector<std::string_view>& texts, const QCollator& collator);

} // namespace larkspin
