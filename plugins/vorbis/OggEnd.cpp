#include "OggEnd.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace larkspin::kit {

namespace {

constexpr int HeaderBytes = 27;
// The last page is looked for in this much of the file's end first (tags after it are small).
constexpr int64_t TailBytes = 64 * 1024;
// Between two pages the walk forward skips at most this much damage before it calls the stream ended.
constexpr int64_t ResyncBytes = 1024 * 1024;

uint32_t crcOf(const unsigned char* data, size_t size) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int k = 0; k < 8; ++k)
                r = r & 0x80000000u ? (r << 1) ^ 0x04c11db7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i)
        crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xff];
    return crc;
}

bool readAt(std::FILE* file, int64_t at, unsigned char* into, size_t size) {
    return std::fseek(file, static_cast<long>(at), SEEK_SET) == 0 && std::fread(into, 1, size, file) == size;
}

bool capturePattern(const unsigned char* p) {
    return std::memcmp(p, "OggS", 4) == 0 && p[4] == 0;
}

// The size of the page whose header starts at p (all of its segment table available); 0 when p is
// no page header.
int64_t pageSize(const unsigned char* p, size_t available) {
    if (available < HeaderBytes || !capturePattern(p))
        return 0;
    const size_t segments = p[26];
    if (available < HeaderBytes + segments)
        return 0;
    int64_t body = 0;
    for (size_t i = 0; i < segments; ++i)
        body += p[HeaderBytes + i];
    return HeaderBytes + static_cast<int64_t>(segments) + body;
}

// A whole page with a right checksum at p.
bool validPage(const unsigned char* p, size_t available) {
    const int64_t size = pageSize(p, available);
    if (size == 0 || static_cast<size_t>(size) > available)
        return false;
    std::vector<unsigned char> page(p, p + size);
    const uint32_t stored =
        uint32_t(page[22]) | uint32_t(page[23]) << 8 | uint32_t(page[24]) << 16 | uint32_t(page[25]) << 24;
    std::memset(page.data() + 22, 0, 4);
    return crcOf(page.data(), page.size()) == stored;
}

// The end of the last whole page in the file's last TailBytes; -1 when there is none.
int64_t lastPageEndInTail(std::FILE* file, int64_t fileSize) {
    const int64_t from = std::max<int64_t>(0, fileSize - TailBytes);
    std::vector<unsigned char> tail(static_cast<size_t>(fileSize - from));
    if (tail.empty() || !readAt(file, from, tail.data(), tail.size()))
        return -1;
    for (size_t at = tail.size() >= HeaderBytes ? tail.size() - HeaderBytes + 1 : 0; at-- > 0;)
        if (tail[at] == 'O' && validPage(tail.data() + at, tail.size() - at))
            return from + static_cast<int64_t>(at) + pageSize(tail.data() + at, tail.size() - at);
    return -1;
}

// The first page header at or after at, looking no further than ResyncBytes; -1 when none.
int64_t nextCapture(std::FILE* file, int64_t at, int64_t fileSize) {
    const int64_t until = std::min(fileSize, at + ResyncBytes);
    std::vector<unsigned char> chunk(64 * 1024 + 4);
    for (int64_t from = at; from + 5 <= until;) {
        const size_t size = static_cast<size_t>(std::min<int64_t>(until - from, int64_t(chunk.size())));
        if (!readAt(file, from, chunk.data(), size))
            return -1;
        for (size_t i = 0; i + 5 <= size; ++i)
            if (chunk[i] == 'O' && capturePattern(chunk.data() + i))
                return from + static_cast<int64_t>(i);
        from += static_cast<int64_t>(size) - 4;
    }
    return -1;
}

// Walks the pages from the start by their headers alone (a few hundred bytes a page), stepping over
// short damage, and returns the end of the last page.
int64_t endByWalking(std::FILE* file, int64_t fileSize) {
    std::array<unsigned char, HeaderBytes + 255> header{};
    int64_t end = 0;
    for (int64_t at = 0; at + HeaderBytes <= fileSize;) {
        const size_t available = static_cast<size_t>(std::min<int64_t>(fileSize - at, header.size()));
        int64_t size = readAt(file, at, header.data(), available) ? pageSize(header.data(), available) : 0;
        if (size > 0 && at + size <= fileSize) {
            at += size;
            end = at;
            continue;
        }
        const int64_t next = nextCapture(file, at + 1, fileSize);
        if (next < 0)
            break;
        at = next;
    }
    return end;
}

} // namespace

int64_t FindOggEnd(std::FILE* file, int64_t fileSize) {
    if (!file || fileSize <= 0)
        return fileSize;
    const int64_t tailEnd = lastPageEndInTail(file, fileSize);
    if (tailEnd > 0)
        return tailEnd;
    const int64_t walked = endByWalking(file, fileSize);
    return walked > 0 ? walked : fileSize;
}

} // namespace larkspin::kit
