#include "PlaylistSort.h"

#include <QCollator>
#include <QString>

#include <algorithm>
#include <numeric>
#include <optional>
#include <thread>
#include <unordered_map>

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
    // Each distinct text gets one collation key (computed on the worker threads) and a rank; the entries
    // then sort by rank, an integer compare. Columns such as Bitrate or Year hold few distinct texts.
    const std::size_t n = entries.size();
    std::unordered_map<std::string_view, int> ids;
    ids.reserve(n);
    std::vector<int> idOf(n);
    std::vector<std::string_view> distinct;
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view text = entries[i].Field(field);
        const auto [it, inserted] = ids.try_emplace(text, static_cast<int>(distinct.size()));
        if (inserted)
            distinct.push_back(text);
        idOf[i] = it->second;
    }
    ids.clear();

    std::vector<std::optional<QCollatorSortKey>> keys(distinct.size());
    const std::size_t threads = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t chunk = std::max<std::size_t>(1024, (distinct.size() + threads - 1) / threads);
    std::vector<std::thread> workers;
    for (std::size_t first = 0; first < distinct.size(); first += chunk) {
        const std::size_t end = std::min(distinct.size(), first + chunk);
        // Each worker fills its own part of keys with its own copy of the collator.
        workers.emplace_back([&distinct, &keys, collator, first, end] {
            for (std::size_t d = first; d < end; ++d)
                keys[d].emplace(collator.sortKey(
                    QString::fromUtf8(distinct[d].data(), static_cast<qsizetype>(distinct[d].size()))));
        });
    }
    for (std::thread& w : workers)
        w.join();

    std::vector<int> byKey(distinct.size());
    std::iota(byKey.begin(), byKey.end(), 0);
    std::sort(byKey.begin(), byKey.end(), [&keys](int a, int b) {
        return keys[static_cast<std::size_t>(a)]->compare(*keys[static_cast<std::size_t>(b)]) < 0;
    });
    std::vector<int> rank(distinct.size());
    for (std::size_t k = 0; k < byKey.size(); ++k) {
        const auto d = static_cast<std::size_t>(byKey[k]);
        const bool same = k > 0 && keys[static_cast<std::size_t>(byKey[k - 1])]->compare(*keys[d]) == 0;
        rank[d] = same ? rank[static_cast<std::size_t>(byKey[k - 1])] : static_cast<int>(k);
    }

    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    auto rankOf = [&](int i) { return rank[static_cast<std::size_t>(idOf[static_cast<std::size_t>(i)])]; };
    if (descending)
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return rankOf(b) < rankOf(a); });
    else
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return rankOf(a) < rankOf(b); });
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
