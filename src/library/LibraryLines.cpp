#include "LibraryLines.h"

#include "TrackInfo.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>

namespace larkspin {

namespace {

// Entries are packed into blocks of this size; no entry is larger than 13 + 785 bytes. A block is one
// huge page where the system offers them: a million entries fault in a hundred pages, not 50,000.
constexpr std::size_t BlockSize = 2 << 20;

std::size_t FieldOffset(int field) {
    std::size_t offset = 0;
    for (int k = 1; k < field; ++k)
        offset += LibraryFieldWidths[k - 1];
    return offset;
}

// The value as a line holds it: cut to its width on a character boundary, filling spaces removed.
std::string_view WithoutFill(std::string_view value, std::size_t width) {
    if (value.size() > width) {
        std::size_t cut = width;
        while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80)
            --cut;
        value = value.substr(0, cut);
    }
    while (!value.empty() && value.back() == ' ')
        value.remove_suffix(1);
    return value;
}

} // namespace

std::string_view TrimTrailingBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::size_t LibraryFieldWidth(int field) {
    return LibraryFieldWidths[field - 1];
}

std::string StoredFieldText(std::string_view value, int field) {
    return std::string(TrimTrailingBlanks(WithoutFill(value, LibraryFieldWidth(field))));
}

std::string_view LibraryField(std::string_view line, int field) {
    const std::size_t offset = FieldOffset(field);
    if (offset >= line.size())
        return {};
    return TrimTrailingBlanks(line.substr(offset, LibraryFieldWidth(field)));
}

std::string_view LibraryEntry::Value(int field) const {
    std::size_t offset = LibraryFieldCount;
    for (int k = 0; k < field - 1; ++k)
        offset += p_[k];
    return {reinterpret_cast<const char*>(p_) + offset, p_[field - 1]};
}

void LibraryEntry::AppendFilled(std::string& out,
                                const std::array<std::size_t, LibraryFieldCount>& widths) const {
    const char* data = reinterpret_cast<const char*>(p_) + LibraryFieldCount;
    for (int k = 0; k < LibraryFieldCount; ++k) {
        out.append(data, p_[k]);
        data += p_[k];
        if (widths[k] > p_[k])
            out.append(widths[k] - p_[k], ' ');
    }
}

std::size_t LibraryEntry::CopyWithFillCut(char* out, std::size_t maxFill, bool upperAscii) const {
    const char* data = reinterpret_cast<const char*>(p_) + LibraryFieldCount;
    char* o = out;
    for (int k = 0; k < LibraryFieldCount; ++k) {
        const std::size_t n = p_[k];
        if (upperAscii) {
            // Branch-free so the compiler turns it into vector code.
            for (std::size_t i = 0; i < n; ++i) {
                const unsigned char c = static_cast<unsigned char>(data[i]);
                o[i] = static_cast<char>(c - (static_cast<unsigned char>(c - 'a') < 26 ? 32 : 0));
            }
        } else {
            std::memcpy(o, data, n);
        }
        o += n;
        data += n;
        const std::size_t fill = std::min(LibraryFieldWidths[k] - n, maxFill);
        std::memset(o, ' ', fill);
        o += fill;
    }
    return static_cast<std::size_t>(o - out);
}

std::string LibraryEntry::Line() const {
    std::string line;
    line.reserve(LibraryLineLength);
    AppendFilled(line, LibraryFieldWidths);
    return line;
}

void LibraryLines::BlockFree::operator()(unsigned char* p) const {
    std::free(p);
}

unsigned char* LibraryLines::Allocate(std::size_t size) {
    if (blocks_.empty() || blockUsed_ + size > BlockSize) {
        auto* block = static_cast<unsigned char*>(std::aligned_alloc(BlockSize, BlockSize));
        if (!block)
            throw std::bad_alloc();
        ::madvise(block, BlockSize, MADV_HUGEPAGE);
        blocks_.emplace_back(block);
        blockUsed_ = 0;
    }
    unsigned char* p = blocks_.back().get() + blockUsed_;
    blockUsed_ += size;
    return p;
}

LibraryEntry LibraryLines::AppendValues(const LibraryValues& values) {
    std::array<std::string_view, LibraryFieldCount> views;
    for (int k = 0; k < LibraryFieldCount; ++k)
        views[k] = values[k];
    return AppendValues(views);
}

LibraryEntry LibraryLines::AppendValues(const std::array<std::string_view, LibraryFieldCount>& values) {
    std::array<std::string_view, LibraryFieldCount> kept;
    std::size_t size = LibraryFieldCount;
    for (int k = 0; k < LibraryFieldCount; ++k) {
        kept[k] = WithoutFill(values[k], LibraryFieldWidths[k]);
        size += kept[k].size();
    }
    unsigned char* p = Allocate(size);
    unsigned char* data = p + LibraryFieldCount;
    for (int k = 0; k < LibraryFieldCount; ++k) {
        p[k] = static_cast<unsigned char>(kept[k].size());
        std::memcpy(data, kept[k].data(), kept[k].size());
        data += kept[k].size();
    }
    entries_.push_back(LibraryEntry(p));
    sorted_ = false;
    return entries_.back();
}

LibraryEntry LibraryLines::AppendLine(std::string_view line) {
    std::array<std::string_view, LibraryFieldCount> values;
    std::size_t offset = 0;
    for (int k = 0; k < LibraryFieldCount; ++k) {
        if (offset < line.size())
            values[k] = line.substr(offset, LibraryFieldWidths[k]);
        offset += LibraryFieldWidths[k];
    }
    return AppendValues(values);
}

void LibraryLines::MoveLastTo(std::size_t index) {
    if (entries_.empty() || index >= entries_.size())
        return;
    std::rotate(entries_.begin() + static_cast<std::ptrdiff_t>(index), entries_.end() - 1, entries_.end());
}

void LibraryLines::RemoveAt(std::size_t index) {
    if (index < entries_.size())
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    if (entries_.empty())
        Clear();
}

std::size_t LibraryLines::IndexOf(LibraryEntry entry) const {
    const auto it = std::find(entries_.begin(), entries_.end(), entry);
    return static_cast<std::size_t>(it - entries_.begin());
}

void LibraryLines::Clear() {
    ++generation_;
    entries_.clear();
    entries_.shrink_to_fit();
    blocks_.clear();
    blockUsed_ = 0;
    sorted_ = true;
}

void LibraryLines::Reorder(const std::vector<std::uint32_t>& order) {
    std::vector<LibraryEntry> sorted;
    sorted.reserve(entries_.size());
    for (std::uint32_t i : order)
        sorted.push_back(entries_[i]);
    entries_.swap(sorted);
}

std::size_t LibraryLines::HeldBytes() const {
    return blocks_.size() * BlockSize + entries_.capacity() * sizeof(LibraryEntry);
}

bool LibraryHasPath(const LibraryLines& lines, std::string_view path) {
    const std::string stored = StoredFieldText(path, PathField);
    for (LibraryEntry e : lines.Entries())
        if (e.Field(PathField) == stored)
            return true;
    return false;
}

bool RemoveLibraryEntry(LibraryLines& lines, std::string_view path) {
    const std::string stored = StoredFieldText(path, PathField);
    for (std::size_t i = lines.Count(); i-- > 0;) {
        if (lines.Field(i, PathField) == stored) {
            lines.RemoveAt(i);
            return true;
        }
    }
    return false;
}

} // namespace larkspin
