#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace larkspin {

// Field numbers of a library line, 1 to 13, in line order.
enum LibraryFieldNumber {
    ArtistField = 1,
    TitleField,
    LengthField,
    AlbumField,
    BitrateField,
    YearField,
    StyleField,
    CommentField,
    TrackField,
    SizeField,
    PathField,
    LocationField,
    RatingField
};
inline constexpr int LibraryFieldCount = 13;

// The thirteen values of one entry, in line order (index 0 is the Artist).
using LibraryValues = std::array<std::string, LibraryFieldCount>;

// Bytes 0 to 32 count as blanks when a field is read.
inline bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// The text with its trailing bytes 0 to 32 removed.
std::string_view TrimTrailingBlanks(std::string_view text);

// The column width of a field (1 to 13) in the 785-byte line.
std::size_t LibraryFieldWidth(int field);

// The text a field of a line keeps of a value: cut to the field's width on a UTF-8 character boundary,
// trailing blanks removed. Paths are compared in this form, so a long path is found again.
std::string StoredFieldText(std::string_view value, int field);

// A field read from a whole line: its columns with trailing bytes 0 to 32 removed (leading spaces
// stay). A line shorter than 785 bytes reads as if filled with spaces.
std::string_view LibraryField(std::string_view line, int field);

// One stored entry. The handle stays valid, and keeps pointing at the same entry, until that entry is
// removed or the library emptied; sorting and other removals leave it alone.
class LibraryEntry {
public:
    LibraryEntry() = default;

    bool Valid() const { return p_ != nullptr; }
    // The field's value without the spaces that fill it to its width.
    std::string_view Value(int field) const;
    // The byte count of Value(field), without walking the fields before it.
    std::size_t ValueSize(int field) const { return p_[field - 1]; }
    // LibraryField of the entry's line: the value with trailing bytes 0 to 32 removed.
    std::string_view Field(int field) const { return TrimTrailingBlanks(Value(field)); }
    // The 785-byte library line.
    std::string Line() const;
    // Appends the line with each field filled with spaces to widths[field - 1] bytes instead of its
    // own width (a value longer than that is appended whole). LibraryFieldWidths give the line itself.
    void AppendFilled(std::string& out, const std::array<std::size_t, LibraryFieldCount>& widths) const;
    // Writes the line with each field's filling cut to at most maxFill spaces into out (room for
    // LibraryLineLength bytes), the letters a to z upper-cased when upperAscii is set; the byte count.
    std::size_t CopyWithFillCut(char* out, std::size_t maxFill, bool upperAscii) const;

    friend bool operator==(LibraryEntry a, LibraryEntry b) { return a.p_ == b.p_; }

private:
    friend class LibraryLines;
    explicit LibraryEntry(const unsigned char* p) : p_(p) {}
    // 13 length bytes, then the 13 values back to back.
    const unsigned char* p_ = nullptr;
};

// The library in memory: the ordered list of entries, each the library line of thirteen space-filled
// fields. An entry is held as its values without their filling spaces (about a quarter of a line);
// every result is the one the full lines give. The bytes of a removed entry are given back when the
// list is emptied, so handles of the other entries stay valid.
//
// Not thread-safe: one thread changes it; readers on other threads only while nobody changes it.
class LibraryLines {
public:
    LibraryLines() = default;
    LibraryLines(const LibraryLines&) = delete;
    LibraryLines& operator=(const LibraryLines&) = delete;

    std::size_t Count() const { return entries_.size(); }
    bool Empty() const { return entries_.empty(); }
    LibraryEntry Entry(std::size_t index) const { return entries_[index]; }
    std::string Line(std::size_t index) const { return entries_[index].Line(); }
    std::string_view Field(std::size_t index, int field) const { return entries_[index].Field(field); }
    const std::vector<LibraryEntry>& Entries() const { return entries_; }

    // Appends a line in the library line layout (a shorter line is filled with spaces, a longer one cut).
    LibraryEntry AppendLine(std::string_view line);
    // Appends an entry made of the thirteen values, each cut to its width on a character boundary.
    LibraryEntry AppendValues(const LibraryValues& values);
    LibraryEntry AppendViews(const std::array<std::string_view, LibraryFieldCount>& values);
    // Moves the last entry to position index (the others keep their order).
    void MoveLastTo(std::size_t index);
    void RemoveAt(std::size_t index);
    // Removes the given entries in one pass (the title list deletes many rows of a large library);
    // the others keep their order. Returns how many were found.
    std::size_t RemoveEntries(const std::vector<LibraryEntry>& remove);
    // Position of the entry, or Count() when it is not in the list.
    std::size_t IndexOf(LibraryEntry entry) const;
    void Clear();
    // Puts the entries in the order given by a permutation of 0..Count()-1.
    void Reorder(const std::vector<std::uint32_t>& order);

    // True while the list is known to be in sorted order (set by sorting, kept by sorted insertion
    // and by removals, lost by appending).
    bool KnownSorted() const { return sorted_; }
    void SetKnownSorted(bool sorted) { sorted_ = sorted; }

    // Bytes held for the entries (blocks and the index), for the memory figures.
    std::size_t HeldBytes() const;
    // Counts the times the list was emptied: handles taken before a change of it are void.
    std::uint64_t Generation() const { return generation_; }

private:
    unsigned char* Allocate(std::size_t size);

    struct BlockFree {
        void operator()(unsigned char* p) const;
    };

    std::vector<LibraryEntry> entries_;
    std::vector<std::unique_ptr<unsigned char[], BlockFree>> blocks_;
    std::size_t blockUsed_ = 0;
    std::uint64_t generation_ = 0;
    bool sorted_ = true;
};

// True when some entry's Path field equals the path as that field would store it.
bool LibraryHasPath(const LibraryLines& lines, std::string_view path);

// Deletes the entry whose Path field equals the path as that field would store it (the one nearest
// the end, should there be several); false when there is none.
bool RemoveLibraryEntry(LibraryLines& lines, std::string_view path);

} // namespace larkspin
