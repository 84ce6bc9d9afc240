// libFuzzer target: ID3v2 reading, and the tag built from what was read reads back the same.
#include "FileBytes.h"
#include "TID3v2.h"

#include <cstdlib>
#include <string>

using namespace larkspin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 64 * 1024)
        return 0;
    TID3v2 tag;
    if (!tag.Load(FileBytes::FromMemory(std::string(reinterpret_cast<const char*>(data), size))))
        return 0;
    const std::string built = tag.BuildTag();
    TID3v2 again;
    if (!again.Load(FileBytes::FromMemory(built)))
        std::abort();
    // Texts up to 100 bytes always fit the 250 bytes read of a frame, whatever their encoding.
    const auto same = [](const std::string& a, const std::string& b) { return b.size() > 100 || a == b; };
    if (!same(again.Title(), tag.Title()) || !same(again.Artist(), tag.Artist()) ||
        !same(again.Album(), tag.Album()) || again.Track() != tag.Track() ||
        !same(again.Year(), tag.Year()) || !same(again.Comment(), tag.Comment()))
        std::abort();
    return 0;
}
