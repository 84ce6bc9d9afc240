// libFuzzer target: ID3v1 reading, and the tag block built from what was read reads back the same.
#include "FileBytes.h"
#include "TID3v1.h"

#include <cstdlib>
#include <string>

using namespace larkspin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096)
        return 0;
    TID3v1 tag;
    if (!tag.Load(FileBytes::FromMemory(std::string(reinterpret_cast<const char*>(data), size))))
        return 0;
    (void)tag.GenreName();
    const auto block = tag.BuildTag();
    TID3v1 again;
    if (!again.Load(
            FileBytes::FromMemory(std::string(reinterpret_cast<const char*>(block.data()), block.size()))))
        std::abort();
    if (again.Title() != tag.Title() || again.Artist() != tag.Artist() || again.Album() != tag.Album() ||
        again.Year() != tag.Year() || again.GenreIndex() != tag.GenreIndex())
        std::abort();
    return 0;
}
