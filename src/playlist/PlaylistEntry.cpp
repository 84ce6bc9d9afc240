#include "PlaylistEntry.h"

#include <cstring>

namespace larkspin {

namespace {

// Layout of the block: TrackRecordFields end offsets (uint32_t, relative to the text start), then the
// texts back to back. An entry with every field empty holds no block at all.
constexpr std::size_t HeaderBytes = sizeof(uint32_t) * TrackRecordFields;

uint32_t EndOf(const char* data, int field) {
    uint32_t end;
    std::memcpy(&end, data + sizeof(uint32_t) * static_cast<std::size_t>(field), sizeof end);
    return end;
}

std::unique_ptr<char[]> Pack(const std::array<std::string_view, TrackRecordFields>& fields) {
    std::size_t total = 0;
    for (const auto& f : fields)
        total += f.size();
    if (total == 0)
        return nullptr;
    auto data = std::make_unique_for_overwrite<char[]>(HeaderBytes + total);
    char* text = data.get() + HeaderBytes;
    uint32_t end = 0;
    for (int k = 0; k < TrackRecordFields; ++k) {
        const auto& f = fields[static_cast<std::size_t>(k)];
        std::memcpy(text + end, f.data(), f.size());
        end += static_cast<uint32_t>(f.size());
        std::memcpy(data.get() + sizeof(uint32_t) * static_cast<std::size_t>(k), &end, sizeof end);
    }
    return data;
}

std::size_t BlockSize(const char* data) {
    return data ? HeaderBytes + EndOf(data, TrackRecordFields - 1) : 0;
}

} // namespace

PlaylistEntry::PlaylistEntry(const std::array<std::string_view, TrackRecordFields>& fields)
    : data_(Pack(fields)) {}

PlaylistEntry::PlaylistEntry(const TrackRecord& record) {
    std::array<std::string_view, TrackRecordFields> views;
    for (std::size_t k = 0; k < views.size(); ++k)
        views[k] = record[k];
    data_ = Pack(views);
}

PlaylistEntry::PlaylistEntry(const PlaylistEntry& other) {
    if (other.data_) {
        const std::size_t size = BlockSize(other.data_.get());
        data_ = std::make_unique_for_overwrite<char[]>(size);
        std::memcpy(data_.get(), other.data_.get(), size);
    }
}

PlaylistEntry& PlaylistEntry::operator=(const PlaylistEntry& other) {
    if (this != &other)
        *this = PlaylistEntry(other);
    return *this;
}

std::string_view PlaylistEntry::Field(int field) const {
    if (!data_ || field < 0 || field >= TrackRecordFields)
        return {};
    const uint32_t begin = field == 0 ? 0 : EndOf(data_.get(), field - 1);
    const uint32_t end = EndOf(data_.get(), field);
    return {data_.get() + HeaderBytes + begin, end - begin};
}

TrackRecord PlaylistEntry::Record() const {
    TrackRecord record;
    for (int k = 0; k < TrackRecordFields; ++k)
        record[static_cast<std::size_t>(k)] = std::string(Field(k));
    return record;
}

std::size_t PlaylistEntry::HeapBytes() const {
    return BlockSize(data_.get());
}

} // namespace larkspin
