#include "Id3TagSave.h"

#include "FileBytes.h"
#include "TID3v1.h"
#include "TID3v2.h"
#include "TagFileWriter.h"

#include <cstdint>
#include <cstring>

namespace larkspin {

bool SaveId3Tags(const std::string& fileName, const TID3v1* id3v1, const TID3v2* id3v2,
                 std::string* problem) {
    if (!id3v1 && !id3v2)
        return true;
    FileBytes file;
    std::uint8_t header[10];
    if (!file.Open(fileName, FileBytes::DefaultHead, TID3v1::TagLength) ||
        (id3v2 && file.Read(0, sizeof header, header) != static_cast<std::int64_t>(sizeof header)))
        return false;

    std::string head;
    std::int64_t skip = 0;
    if (id3v2) {
        skip = TID3v2::TagSizeOf(header, file.Size());
        std::string oldTag(static_cast<std::size_t>(skip), '\0');
        if (skip > 0 && file.Read(0, oldTag.size(), reinterpret_cast<std::uint8_t*>(oldTag.data())) != skip)
            return false;
        if (skip == 0 && std::memcmp(header, "ID3", 3) == 0 && problem)
            *problem = "the ID3v2 tag claims to run past the end of the file";
        head = id3v2->TagReplacing(oldTag, problem);
    }
    std::string tail;
    std::int64_t oldTailLength = 0;
    if (id3v1) {
        TID3v1 old;
        if (!old.Load(file))
            return false; // too short to hold an ID3v1 tag
        const auto tag = id3v1->BuildTag();
        tail.assign(reinterpret_cast<const char*>(tag.data()), tag.size());
        oldTailLength = old.Present() ? static_cast<std::int64_t>(TID3v1::TagLength) : 0;
    }
    return tagfile::RebuildWithHeadAndTail(fileName, head, skip, tail, oldTailLength);
}

} // namespace larkspin
