#include "PlaylistSort.h"

#include <QCollator>
#include <QString>

#include <algorithm>
#include <numeric>

namespace larkspin {

bool SortState::Click(int column) {
    if (column != lastColumn_) {
        lastColumn_ = column;
        lastDescending_ = false;
    } else {
        lastDescending_ = !lastDescending_;
    }
    return lastDescending_;
}

std::vector<int> SortedOrder(const std::vector<PlaylistEntry>& entries, int field, bool descending,
                             const QCollator& collator) {
    std::vector<int> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    // One sort key per entry: comparing keys is far cheaper than collating the texts each time.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(entries.size());
    for (const PlaylistEntry& e : entries) {
        const std::string_view text = e.Field(field);
        keys.push_back(collator.sortKey(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))));
    }
    auto key = [&keys](int i) -> const QCollatorSortKey& { return keys[static_cast<std::size_t>(i)]; };
    if (descending)
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return key(b).compare(key(a)) < 0; });
    else
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return key(a).compare(key(b)) < 0; });
    return order;
}

std::vector<int> MovedOrder(int count, const std::vector<int>& selectedRows, int targetRow) {
    std::vector<int> order(static_cast<std::size_t>(std::max(count, 0)));
    std::iota(order.begin(), order.end(), 0);
    std::vector<unsigned char> selected(order.size(), 0);
    int selectedCount = 0;
    for (int row : selectedRows)
        if (row >= 0 && row < count && !selected[static_cast<std::size_t>(row)]) {
            selected[static_cast<std::size_t>(row)] = 1;
            ++selectedCount;
        }
    if (selectedCount == 0)
        return order;
    if (targetRow < 0 || targetRow >= count)
        targetRow = count;
    else if (selected[static_cast<std::size_t>(targetRow)])
        return order; // a drop onto a moved row itself: nothing to do
    std::vector<int> moved, before, after;
    for (int row = 0; row < count; ++row) {
        if (selected[static_cast<std::size_t>(row)])
            moved.push_back(row);
        else if (row < targetRow)
            before.push_back(row);
        else
            after.push_back(row);
    }
    order.clear();
    order.insert(order.end(), before.begin(), before.end());
    order.insert(order.end(), moved.begin(), moved.end());
    order.insert(order.end(), after.begin(), after.end());
    return order;
}

} // namespace larkspin
