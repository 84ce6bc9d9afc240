#pragma once

#include <cstdint>
#include <cstdio>

namespace larkspin::kit {

// Where the Ogg stream of a file ends: just after its last page, before whatever follows (a tag, a
// torn download, megabytes of zeros). libvorbisfile looks for the last page by reading backwards in
// ever-growing steps from the end of the file, which takes minutes over a large tail without pages;
// this finds it in a bounded number of small reads. fileSize is returned for a file it cannot place.
int64_t FindOggEnd(std::FILE* file, int64_t fileSize);

} // namespace larkspin::kit
