// TE3 and TEL: headerless files of fixed-size records of length-prefixed texts.
#include "PlaylistFiles.h"

#include "AtomicFile.h"
#include "Id3Text.h"
#include "PlaylistLimits.h"
#include "TextConvert.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>

namespace larkspin {

namespace {

struct FieldSlot {
    std::size_t offset; // of the length byte
    std::size_t capacity;
};

constexpr std::array<FieldSlot, 3> TelSlots = {{{0, 100}, {101, 100}, {202, 255}}};

std::array<FieldSlot, TrackRecordFields> Te3Slots() {
    std::array<FieldSlot, TrackRecordFields> slots{};
    std::size_t offset = 0;
    for (std::size_t k = 0; k < slots.size(); ++k) {
        slots[k] = {offset, Te3Capacities[k]};
        offset += 1 + Te3Capacities[k];
    }
    return slots;
}

// The text of a slot; a length byte above the capacity (a damaged file) is clamped to it.
std::string_view SlotText(const unsigned char* record, FieldSlot slot) {
    const std::size_t length = std::min<std::size_t>(record[slot.offset], slot.capacity);
    return {reinterpret_cast<const char*>(record + slot.offset + 1), length};
}

void PutSlot(unsigned char* record, FieldSlot slot, std::string_view text) {
    const std::string_view cut = CutAtCharacter(text, slot.capacity);
    record[slot.offset] = static_cast<unsigned char>(cut.size());
    if (!cut.empty()) // an empty view may hold no pointer at all
        std::memcpy(record + slot.offset + 1, cut.data(), cut.size());
}

// Display texts are UTF-8 in memory; an old file's 8-bit texts are read as Latin-1.
std::string_view AsText(std::string_view bytes, std::string& scratch) {
    if (IsValidUtf8(bytes))
        return bytes;
    scratch = id3text::DecodeEightBit(bytes);
    return scratch;
}

std::string SystemError(const char* what, const std::string& fileName) {
    return std::string(what) + " " + fileName + ": " + std::strerror(errno);
}

// Reads whole records of size recordSize and hands each to take; a trailing partial record is ignored.
template <class Take>
PlaylistFileOutcome ReadRecords(const std::string& fileName, std::size_t recordSize, Take take) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName.c_str(), "rb"), std::fclose);
    if (!file)
        return {false, SystemError("Cannot open", fileName)};
    struct stat st {};
    if (::fstat(::fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode))
        return {false, "Not a playlist file: " + fileName};
    constexpr std::size_t RecordsPerRead = 1024;
    std::vector<unsigned char> buffer(recordSize * RecordsPerRead);
    std::size_t count = 0;
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
        for (std::size_t at = 0; at + recordSize <= got; at += recordSize) {
            if (count++ == MaxPlaylistEntries)
                return {false, TooManyEntriesMessage(fileName)};
            take(buffer.data() + at);
        }
        if (got < buffer.size()) {
            if (std::ferror(file.get()))
                return {false, SystemError("Cannot read", fileName)};
            return {};
        }
    }
}

PlaylistFileOutcome WriteRecords(const std::string& fileName, const std::vector<PlaylistEntry>& entries,
                                 std::size_t recordSize,
                                 void (*fill)(unsigned char* record, const PlaylistEntry& entry)) {
    AtomicFile file(fileName);
    if (!file.Open())
        return {false, SystemError("Cannot write", fileName)};
    std::vector<unsigned char> record(recordSize);
    for (const PlaylistEntry& entry : entries) {
        std::fill(record.begin(), record.end(), 0); // the bytes after each text are written as zeros
        fill(record.data(), entry);
        if (!file.Write(record.data(), record.size()))
            return {false, SystemError("Cannot write", fileName)};
    }
    if (!file.Commit())
        return {false, SystemError("Cannot write", fileName)};
    return {};
}

} // namespace

PlaylistFileOutcome LoadTe3Playlist(const std::string& fileName, std::vector<PlaylistEntry>& entries) {
    static const auto slots = Te3Slots();
    std::array<std::string, TrackRecordFields> scratch;
    return ReadRecords(fileName, Te3RecordSize, [&](const unsigned char* record) {
        std::array<std::string_view, TrackRecordFields> fields;
        for (std::size_t k = 0; k < fields.size(); ++k) {
            const std::string_view bytes = SlotText(record, slots[k]);
            // The path keeps its bytes: a Linux file name need not be UTF-8.
            fields[k] = k == RecordPath ? bytes : AsText(bytes, scratch[k]);
        }
        entries.emplace_back(fields);
    });
}

PlaylistFileOutcome SaveTe3Playlist(const std::string& fileName, const std::vector<PlaylistEntry>& entries) {
    return WriteRecords(fileName, entries, Te3RecordSize,
                        [](unsigned char* record, const PlaylistEntry& entry) {
                            static const auto slots = Te3Slots();
                            for (std::size_t k = 0; k < slots.size(); ++k)
                                PutSlot(record, slots[k], entry.Field(static_cast<int>(k)));
                        });
}

PlaylistFileOutcome LoadTelPlaylist(const std::string& fileName, std::vector<StoredEntry>& entries) {
    std::string scratch;
    return ReadRecords(fileName, TelRecordSize, [&](const unsigned char* record) {
        StoredEntry& e = entries.emplace_back();
        e.record[RecordArtist] = AsText(SlotText(record, TelSlots[0]), scratch);
        e.record[RecordTitle] = AsText(SlotText(record, TelSlots[1]), scratch);
        for (int k = RecordLength; k <= RecordSize; ++k)
            e.record[static_cast<std::size_t>(k)] = NoValueText;
        e.record[RecordPath] = SlotText(record, TelSlots[2]);
        e.readFromFile = ReadsTrackInfo(e.record[RecordPath]);
    });
}

PlaylistFileOutcome SaveTelPlaylist(const std::string& fileName, const std::vector<PlaylistEntry>& entries) {
    return WriteRecords(fileName, entries, TelRecordSize,
                        [](unsigned char* record, const PlaylistEntry& entry) {
                            PutSlot(record, TelSlots[0], entry.Field(RecordArtist));
                            PutSlot(record, TelSlots[1], entry.Field(RecordTitle));
                            PutSlot(record, TelSlots[2], entry.Path());
                        });
}

} // namespace larkspin
