#pragma once

#include "PlaylistEntry.h"

#include <vector>

class QCollator;

namespace larkspin {

// The sort state of the playlist window: the column clicked last (initially 0) and whether its last
// sort was descending (initially true, so the first click on any column sorts ascending).
class SortState {
public:
    // The direction for a click on column: a new column sorts ascending, the same column alternates.
    // Returns true for descending and remembers the click.
    bool Click(int column);
    int LastColumn() const { return lastColumn_; }
    bool LastDescending() const { return lastDescending_; }

private:
    int lastColumn_ = 0;
    bool lastDescending_ = true;
};

// The order of entries sorted by field: result[k] is the old index of the entry that goes to place k.
// Texts compare with collator (locale-aware, as text, numbers included); entries whose texts are equal
// keep their order. Descending uses the same comparison with the operands exchanged.
std::vector<int> SortedOrder(const std::vector<PlaylistEntry>& entries, int field, bool descending,
                             const QCollator& collator);

// The order after moving the selected rows (in their relative order) directly before targetRow, or to
// the end when targetRow is -1 or past the end: result[k] is the old row that goes to place k. A target
// that is itself selected, or no selected row, leaves the order unchanged.
std::vector<int> MovedOrder(int count, const std::vector<int>& selectedRows, int targetRow);

} // namespace larkspin
