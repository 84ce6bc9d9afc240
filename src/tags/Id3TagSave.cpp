#include "Id3TagSave.h"

#include "FileBytes.h"
#include "TID3v1.h"
#include "TID3v2.h"
#include "TagFileWriter.h"

#include <cstdint>

namespace larkspin {

bool SaveId3Tags(const std::string& fileName, const TID3v1* id3v1, const TID3v2* id3v2) {
    if (!id3v1 && !id3v2)
        return true;
    if (!id3v2)
        return id3v1->Save(fileName);
    if (!id3v1)
        return id3v2->Save(fileName);

    FileBytes file;
    std::uint8_t header[10];
    if (!file.Open(fileName, sizeof header, TID3v1::TagLength) ||
        file.Read(0, sizeof header, header) != static_cast<std::int64_t>(sizeof header))
        return false;
    TID3v1 old;
    if (!old.Load(file))
        return false;
    const std::int64_t skip = TID3v2::TagSizeOf(header, file.Size());
    const auto tail = id3v1->BuildTag();
    return tagfile::RebuildWithHeadAndTail(
        fileName, id3v2->BuildTag(), skip,
        std::string_view(reinterpret_cast<const char*>(tail.data()), tail.size()),
        old.Present() ? static_cast<std::int64_t>(TID3v1::TagLength) : 0);
}

} // namespace larkspin
