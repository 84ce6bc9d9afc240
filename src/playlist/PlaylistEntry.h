#pragma once

#include "TrackInfo.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace larkspin {

// One playlist entry: the eleven TrackRecord texts packed into a single heap block (eleven end offsets,
// then the texts back to back), so a list of 100,000 entries stays small. Cheap to move, immutable
// once built; an entry is replaced as a whole when its information changes.
class PlaylistEntry {
public:
    PlaylistEntry() = default; // every field empty
    explicit PlaylistEntry(const TrackRecord& record);
    explicit PlaylistEntry(const std::array<std::string_view, TrackRecordFields>& fields);
    PlaylistEntry(const PlaylistEntry& other);
    PlaylistEntry& operator=(const PlaylistEntry& other);
    PlaylistEntry(PlaylistEntry&&) noexcept = default;
    PlaylistEntry& operator=(PlaylistEntry&&) noexcept = default;

    // Field 0 (Artist) to 10 (Path) in TrackRecord order; empty outside that range. Valid as long as
    // the entry is neither changed nor destroyed.
    std::string_view Field(int field) const;
    std::string_view Path() const { return Field(RecordPath); }
    TrackRecord Record() const;

    // Bytes held on the heap for this entry (for the memory figures).
    std::size_t HeapBytes() const;

private:
    std::unique_ptr<char[]> data_;
};

} // namespace larkspin
