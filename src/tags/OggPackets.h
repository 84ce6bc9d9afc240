#pragma once

#include "AudioTags.h"
#include "FileBytes.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace larkspin {

// The packets of the first logical stream of an Ogg file, read page by page from the start of the file
// (pages of other streams are passed over). The pages come from the file's cached head while they lie
// inside it, and beyond it in large reads (64 KiB, then twice as much each time up to 1 MiB), so a
// packet spread over many pages costs a few reads rather than several per page.
class OggPacketReader {
public:
    explicit OggPacketReader(const FileBytes& file, std::size_t maxPacket = MaxTagBlockBytes);

    // The next whole packet. False at the end of the stream, on a damaged page, or when the packet would
    // be longer than maxPacket; packet then holds what was read of it and Problem() says why (it stays
    // empty at a clean end of the file).
    bool Next(std::string& packet);

    // The file position behind the last page read.
    std::int64_t Position() const { return pos_; }
    // The serial number of the stream read (that of the first page).
    std::uint32_t Serial() const { return serial_; }
    const std::string& Problem() const { return problem_; }

private:
    bool NextPage();
    // Points at count bytes of the file at offset: in the cached head, or in the read-ahead window,
    // which is read anew when they are not in it. Null when the file has fewer bytes there.
    const unsigned char* Bytes(std::int64_t offset, std::size_t count);

    const FileBytes& file_;
    std::size_t maxPacket_;
    std::int64_t pos_ = 0;
    bool first_ = true;
    std::uint32_t serial_ = 0;
    unsigned char lacing_[255] = {};
    std::size_t segments_ = 0;
    std::size_t segment_ = 0;
    const unsigned char* body_ = nullptr; // the current page's body, valid until the next Bytes call
    std::size_t bodyPos_ = 0;
    std::string window_; // its first windowLength_ bytes are the file's from windowStart_ on
    std::int64_t windowStart_ = 0;
    std::size_t windowLength_ = 0;
    std::size_t windowChunk_ = 64 * 1024;
    std::string problem_;
};

} // namespace larkspin
