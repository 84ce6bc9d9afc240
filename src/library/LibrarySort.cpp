#include "LibrarySort.h"

#include "TrackInfo.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <numeric>
#include <string>
#include <string_view>
#include <unordered_map>

namespace larkspin {

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Qt's sort keys of the "C" locale compare code points with letter case even when the collator ignores
// case (its compare does not); folding the text first gives them the order compare gives.
QCollatorSortKey SortKey(const QCollator& collator, const QString& text) {
    if (collator.caseSensitivity() == Qt::CaseInsensitive && collator.locale().language() == QLocale::C)
        return collator.sortKey(text.toCaseFolded());
    return collator.sortKey(text);
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
        keys.push_back(SortKey(collator, ToQString(t)));
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

// Keys of the whole lines in the "C" locale, ignoring letter case: there the collator orders by code
// points of the case-folded text, which is the byte order of its UTF-8. An ASCII line (most are) folds
// byte by byte; others go through QString. The keys lie end to end in one buffer: a million lines
// cost one allocation instead of three each.
std::vector<std::uint32_t> CodePointOrder(const LibraryLines& lines, std::size_t first, std::size_t end,
                                          const std::array<std::size_t, LibraryFieldCount>& widths) {
    std::size_t width = 0;
    for (std::size_t w : widths)
        width += w;
    // ASCII lines are exactly width bytes long; a longer text grows the buffer as it must.
    std::string keys;
    keys.reserve(width * (end - first));
    std::vector<std::size_t> starts;
    starts.reserve(end - first + 1);
    starts.push_back(0);
    for (std::size_t i = first; i < end; ++i) {
        const std::size_t start = keys.size();
        lines.Entry(i).AppendFilled(keys, widths);
        // Branch-free so the compiler turns it into vector code.
        char* text = keys.data() + start;
        const std::size_t n = keys.size() - start;
        unsigned char high = 0;
        for (std::size_t j = 0; j < n; ++j) {
            const auto u = static_cast<unsigned char>(text[j]);
            high |= u;
            text[j] = static_cast<char>(u + (static_cast<unsigned char>(u - 'A') < 26 ? 32 : 0));
        }
        if (high >= 0x80) {
            // Folding ASCII letters first changes nothing: the folded form of the text is the same.
            const QByteArray folded = ToQString(std::string_view(text, n)).toCaseFolded().toUtf8();
            keys.resize(start);
            keys.append(folded.constData(), static_cast<std::size_t>(folded.size()));
        }
        starts.push_back(keys.size());
    }
    const auto key = [&](std::uint32_t i) {
        return std::string_view(keys).substr(starts[i], starts[i + 1] - starts[i]);
    };
    std::vector<std::uint32_t> order(end - first);
    std::iota(order.begin(), order.end(), 0u);
    // Equal keys keep their order by the position as the last key: cheaper than a stable sort's merging.
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const int c = key(a).compare(key(b));
        return c < 0 || (c == 0 && a < b);
    });
    return order;
}

} // namespace

QCollator LibraryCollator(Qt::CaseSensitivity sensitivity) {
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(sensitivity);
    return collator;
}

// The positions first..end-1 of the list in the order of their lines (equal lines keep their order).
std::vector<std::uint32_t> SortedOrder(const LibraryLines& lines, std::size_t first, std::size_t end) {
    // Every field filled only to the longest value of that field: all lines lose the same run of
    // filling spaces, and the order stays that of the full lines (sort keys of full lines would need
    // some 800 bytes per entry). Exact unless a character expands to more collation elements than it
    // has bytes, which only some ligatures and compatibility symbols do.
    std::array<std::size_t, LibraryFieldCount> longest{};
    for (std::size_t i = first; i < end; ++i)
        for (int k = 0; k < LibraryFieldCount; ++k)
            longest[k] = std::max(longest[k], lines.Entry(i).ValueSize(k + 1));

    const QCollator collator = LibraryCollator(Qt::CaseInsensitive);
    std::vector<std::uint32_t> order;
    if (collator.locale().language() == QLocale::C) {
        order = CodePointOrder(lines, first, end, longest);
    } else {
        std::vector<QCollatorSortKey> keys;
        keys.reserve(end - first);
        std::string text;
        for (std::size_t i = first; i < end; ++i) {
            text.clear();
            lines.Entry(i).AppendFilled(text, longest);
            keys.push_back(SortKey(collator, ToQString(text)));
        }
        order.resize(end - first);
        std::iota(order.begin(), order.end(), 0u);
        std::stable_sort(order.begin(), order.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return keys[a].compare(keys[b]) < 0; });
    }
    for (std::uint32_t& i : order)
        i += static_cast<std::uint32_t>(first);
    return order;
}

void SortLibrary(LibraryLines& lines) {
    if (lines.Count() > 1)
        lines.Reorder(SortedOrder(lines, 0, lines.Count()));
    lines.SetKnownSorted(true);
}

void SortAppended(LibraryLines& lines, std::size_t firstNew, bool restWasSorted) {
    const std::size_t n = lines.Count();
    if (firstNew >= n) {
        lines.SetKnownSorted(restWasSorted);
        return;
    }
    // Each new line costs some twenty whole-line comparisons; beyond a few thousand, one sort is cheaper.
    if (!restWasSorted || firstNew == 0 || n - firstNew > 4096) {
        SortLibrary(lines);
        return;
    }
    const std::vector<std::uint32_t> added = SortedOrder(lines, firstNew, n);
    const QCollator collator = LibraryCollator(Qt::CaseInsensitive);
    std::vector<std::uint32_t> order;
    order.reserve(n);
    std::size_t next = 0; // old lines placed so far
    for (std::uint32_t a : added) {
        const QString text = ToQString(lines.Line(a));
        // After every old line that does not sort after it.
        std::size_t lo = next, hi = firstNew;
        while (lo < hi) {
            const std::size_t mid = lo + (hi - lo) / 2;
            if (collator.compare(text, ToQString(lines.Line(mid))) < 0)
                hi = mid;
            else
                lo = mid + 1;
        }
        for (; next < lo; ++next)
            order.push_back(static_cast<std::uint32_t>(next));
        order.push_back(a);
    }
    for (; next < firstNew; ++next)
        order.push_back(static_cast<std::uint32_t>(next));
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
