#pragma once

#include <cstddef>
#include <vector>

namespace larkspin {

// The play order of the playlist: which entry is current, the shuffle order and the place in it, and
// the steps to the next and previous entry. The playlist owns it and keeps it in step with its
// entries; the player asks it where to go. Standard library only.
//
// Entries are named by their index in the entry list; -1 is "no current entry". While shuffle is on
// the shuffle order is a permutation of the entry indices (empty while it is off) and the shuffle
// position is the place of the current entry in it; -1 after the entry at the head of the order was
// removed while it was the place, so Next plays the new head.
class PlayOrder {
public:
    int Current() const { return current_; }
    // The current entry is index (-1: none). The shuffle position stays where it is.
    void SetCurrent(int index) { current_ = index; }
    const std::vector<int>& ShuffleOrder() const { return shuffle_; }
    int ShufflePosition() const { return position_; }

    // --- Steps (count: the number of entries)
    // The entry after the current one becomes current: the next index, or with shuffle the next place
    // of the shuffle order. False, and nothing changes, at the end.
    bool Next(int count, bool shuffle);
    // Whether Next would move: false for the last entry of the play order.
    bool HasNext(int count, bool shuffle) const;
    // The entry before the current one, or the place before in the shuffle order. False at the start.
    bool Previous(bool shuffle);
    // Starting the list again (repeat all) at the place-th entry of the play order, the entries before
    // it having failed: the row of that entry, or -1 when there is none. With a shuffle order the
    // shuffle position moves there; the current entry is the row once it is selected.
    int Restart(int place, int count, bool shuffle);

    // --- Shuffle
    // Shuffle switched on: a uniformly random order of all count indices at place 0. A stopped player
    // takes the first of the order as current; a playing one puts its current entry at the head, so the
    // rest follows it. No entries: the order stays empty.
    void ShuffleOn(int count, bool playing);
    // Shuffle switched off: the order empties; the current entry stays.
    void ShuffleOff() { shuffle_.clear(); }
    // A new uniformly random order of all count indices; the current entry and the place stay (a
    // loaded list).
    void BuildShuffleOrder(int count);
    // Indices firstNew..count-1 were appended. Each joins the shuffle order at a uniformly chosen place
    // among the new indices since batchStart (the order's size when the batch began), so slices of one
    // batch arriving one after the other still give a uniform order of the whole batch; the places the
    // player has already reached (up to the shuffle position, while it plays or has a current entry)
    // are never touched.
    void ShuffleInNew(int firstNew, int count, std::size_t batchStart, bool playing);
    // The shuffle order goes on from index (a double-clicked entry while playing): it exchanges places
    // with the entry at the shuffle position.
    void ContinueShuffleFrom(int index);

    // --- Edits of the entry list
    // removed[i] is non-zero for each entry i that left the list. The others move down with their
    // entries and keep their places in the shuffle order; the shuffle position stays on its entry, or
    // goes to the place before a removed one so Next plays the one that followed. The current entry
    // stays on its entry; a removed current entry leaves the one before it current (-1 when it was the
    // first).
    void Remove(const std::vector<unsigned char>& removed);
    // The entries were reordered (sort, move): the shuffle order holds places, not entries, and stays as
    // it is; newCurrent is the current entry found again by the list (-1: none found, unchanged).
    void Reordered(int newCurrent);
    // The list was cleared (or is being replaced): no current entry, an empty shuffle order at place 0.
    void Clear();

private:
    int current_ = -1;
    std::vector<int> shuffle_;
    int position_ = 0;
};

} // namespace larkspin
