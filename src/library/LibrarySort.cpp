#include "LibrarySort.h"

#include "TrackInfo.h"

#include <QLocale>

#include <algorithm>
#include <numeric>
#include <unordered_map>

namespace larkspin {

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Rank of every distinct text in collation order (equal ranks for texts the collator finds equal).
// Lists repeat artists and albums a lot, so each distinct text gets one sort key.
std::unordered_map<std::string_view, std::uint32_t> Ranks(const std::vector<std::string_view>& texts,
                                                          const QCollator& collator) {
    std::unordered_map<std::string_view, std::uint32_t> rank;
    std::vector<std::string_view> distinct;
    for (std::string_view t : texts)
        if (rank.emplace(t, 0).second)
            distinct.push_back(t);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(distinct.size());
    for (std::string_view t : distinct)
        keys.push_back(collator.sortKey(ToQString(t)));
    std::vector<std::uint32_t> order(distinct.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return keys[a].compare(keys[b]) < 0; });
    std::uint32_t r = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && keys[order[i - 1]].compare(keys[order[i]]) != 0)
            ++r;
        rank[distinct[order[i]]] = r;
    }
    return rank;
}

} // namespace

QCollator LibraryCollator(Qt::CaseSensitivity sensitivity) {
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(sensitivity);
    return collator;
}

void SortLibrary(LibraryLines& lines) {
    const std::size_t n = lines.Count();
    if (n < 2) {
        lines.SetKnownSorted(true);
        return;
    }
    // Every field filled only to the longest value of that field: all lines lose the same run of
    // filling spaces, and the order stays that of the full lines (sort keys of full lines would need
    // some 800 bytes per entry). Exact unless a character expands to more collation elements than it
    // has bytes, which only some ligatures and compatibility symbols do.
    std::array<std::size_t, LibraryFieldCount> longest{};
    for (LibraryEntry e : lines.Entries())
        for (int k = 0; k < LibraryFieldCount; ++k)
            longest[k] = std::max(longest[k], e.Value(k + 1).size());

    const QCollator collator = LibraryCollator(Qt::CaseInsensitive);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(n);
    std::string text;
    for (LibraryEntry e : lines.Entries()) {
        text.clear();
        e.AppendFilled(text, longest);
        keys.push_back(collator.sortKey(ToQString(text)));
    }
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return keys[a].compare(keys[b]) < 0; });
    keys.clear();
    lines.Reorder(order);
    lines.SetKnownSorted(true);
}

LibraryEntry AddLineSorted(LibraryLines& lines, std::string_view line) {
    if (!lines.KnownSorted()) {
        const LibraryEntry entry = lines.AppendLine(line);
        SortLibrary(lines);
        return entry;
    }
    const QCollator collator = LibraryCollator(Qt::CaseInsensitive);
    const std::size_t count = lines.Count();
    const LibraryEntry entry = lines.AppendLine(line);
    const QString text = ToQString(entry.Line());
    // First position whose line sorts after the new one: equal lines keep the new one last.
    std::size_t lo = 0, hi = count;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (collator.compare(text, ToQString(lines.Line(mid))) < 0)
            hi = mid;
        else
            lo = mid + 1;
    }
    lines.MoveLastTo(lo);
    lines.SetKnownSorted(true);
    return entry;
}

void SortTexts(std::vector<std::string_view>& texts, const QCollator& collator) {
    const auto rank = Ranks(texts, collator);
    std::stable_sort(texts.begin(), texts.end(),
                     [&](std::string_view a, std::string_view b) { return rank.at(a) < rank.at(b); });
}

void SortEntriesByField(std::vector<LibraryEntry>& entries, int field) {
    std::vector<std::string_view> texts;
    texts.reserve(entries.size());
    for (LibraryEntry e : entries)
        texts.push_back(e.Field(field));
    const auto rank = Ranks(texts, LibraryCollator(Qt::CaseSensitive));
    std::vector<std::uint32_t> order(entries.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return rank.at(texts[a]) < rank.at(texts[b]); });
    std::vector<LibraryEntry> sorted;
    sorted.reserve(entries.size());
    for (std::uint32_t i : order)
        sorted.push_back(entries[i]);
    entries.swap(sorted);
}

} // namespace larkspin
