#pragma once

#include "CueSheet.h"

#include <cstdint>
#include <string>

namespace larkspin {

// Reads raw 2352-byte sectors of a disc image (a CUE sheet and its files) across its files, with
// zeros for the gaps no file holds. A sector is delivered only when its file still holds it whole:
// an image cut short or deleted while it is read is a read error at its first missing sector, never
// silence or stale bytes. Standard library and POSIX only; one object per thread.
class DiscImageReader {
public:
    // Reads the sheet; false with LastError when it cannot be used.
    bool Open(const std::string& cuePath);
    void Close();
    bool IsOpen() const { return open_; }
    const DiscLayout& Layout() const { return layout_; }

    // Reads count sectors from first on into out (count * 2352 bytes). False when one of them is not
    // on the disc or cannot be read whole: FailedSector is the first such, LastError says so.
    bool Read(std::int32_t first, std::int32_t count, std::uint8_t* out);
    std::int32_t FailedSector() const { return failed_; }
    const std::string& LastError() const { return error_; }

private:
    bool Fail(std::int32_t sector);
    // The sectors of span from sector on, count of them; the number read whole.
    std::int64_t ReadSpan(const CueSpan& span, std::int32_t sector, std::int32_t count, std::uint8_t* out);

    DiscLayout layout_;
    bool open_ = false;
    std::int32_t failed_ = -1;
    std::string error_;
};

} // namespace larkspin
