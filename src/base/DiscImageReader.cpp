#include "DiscImageReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace larkspin {

bool DiscImageReader::Open(const std::string& cuePath) {
    Close();
    open_ = ReadCueSheet(cuePath, layout_, error_);
    return open_;
}

void DiscImageReader::Close() {
    layout_ = DiscLayout{};
    open_ = false;
    failed_ = -1;
}

bool DiscImageReader::Fail(std::int32_t sector) {
    failed_ = sector;
    error_ = "Read error at sector " + std::to_string(sector);
    return false;
}

std::int64_t DiscImageReader::ReadSpan(const CueSpan& span, std::int32_t sector, std::int32_t count,
                                       std::uint8_t* out) {
    const CueFile& file = layout_.Files[static_cast<size_t>(span.File)];
    const std::int64_t size = span.SectorBytes;
    const std::int64_t offset =
        span.ByteOffset + (static_cast<std::int64_t>(sector) - span.FirstSector) * size;
    const std::int64_t wanted = count * size;
    const bool raw = span.SectorBytes == CueSectorBytes;
    std::vector<std::uint8_t> held;
    std::uint8_t* into = out;
    if (!raw) {
        held.resize(static_cast<size_t>(wanted));
        into = held.data();
    }
    // Opened without waiting and read only when it is still a regular file: a FIFO put in the
    // image's place would block.
    const int fd = ::open(file.Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return 0;
    std::int64_t got = 0;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        while (got < wanted) {
            const ssize_t n = ::pread(fd, into + got, static_cast<size_t>(wanted - got), offset + got);
            if (n <= 0)
                break;
            got += n;
        }
    }
    ::close(fd);
    // The open file reads on after it was deleted or cut short: what the file under its name holds
    // after the read is what the disc holds.
    if (::stat(file.Path.c_str(), &info) != 0)
        return 0;
    got = std::min<std::int64_t>(got, info.st_size - offset);
    const std::int64_t whole = std::max<std::int64_t>(got, 0) / size;
    if (!raw) {
        for (std::int64_t i = 0; i < whole; ++i) {
            std::uint8_t* sectorOut = out + i * CueSectorBytes;
            std::memset(sectorOut, 0, CueSectorBytes);
            std::memcpy(sectorOut + span.RawOffset, held.data() + i * size,
                        static_cast<size_t>(std::min<std::int64_t>(size, CueSectorBytes - span.RawOffset)));
        }
    }
    if (span.SwapBytes)
        for (std::int64_t i = 0; i + 1 < whole * CueSectorBytes; i += 2)
            std::swap(out[i], out[i + 1]);
    return whole;
}

bool DiscImageReader::Read(std::int32_t first, std::int32_t count, std::uint8_t* out) {
    failed_ = -1;
    if (!open_) {
        failed_ = first;
        error_ = "No disc image is open";
        return false;
    }
    error_.clear();
    if (count < 0 || first < 0 || first >= layout_.LeadOut)
        return Fail(first);
    if (count > layout_.LeadOut - first)
        return Fail(layout_.LeadOut);
    const std::int32_t end = first + count;
    // The span holding first: the last one starting at or before it.
    auto span = std::upper_bound(layout_.Spans.begin(), layout_.Spans.end(), first,
                                 [](std::int32_t s, const CueSpan& sp) { return s < sp.FirstSector; });
    --span;
    for (std::int32_t sector = first; sector < end; ++span) {
        const std::int32_t n = std::min(end, span->FirstSector + span->Sectors) - sector;
        std::uint8_t* at = out + static_cast<std::int64_t>(sector - first) * CueSectorBytes;
        if (span->File < 0) {
            std::memset(at, 0, static_cast<size_t>(n) * CueSectorBytes);
        } else {
            const std::int64_t got = ReadSpan(*span, sector, n, at);
            if (got < n)
                return Fail(sector + static_cast<std::int32_t>(got));
        }
        sector += n;
    }
    return true;
}

} // namespace larkspin
