#pragma once

#include "CdDrives.h"
#include "CdRipFormat.h"
#include "DiscImageReader.h"
#include "PcmShaper.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct cdrom_drive_s cdrom_drive_t;
typedef struct cdrom_paranoia_s cdrom_paranoia_t;

namespace larkspin {

struct CdRipOptions {
    bool JitterCorrect = true; // paranoia's full mode (retrying, never looping forever); off = plain reads.
                               // Disc images are always read exactly, without paranoia.
    bool SwapChannels = false;
    TOutputFormat Format = STEREO44100;
    int Speed = 0; // read speed for a real drive, 0 = leave it as it is
};

// Reads one range of audio sectors from a drive or disc image in chunks, shaped to the chosen output
// format. A drive is read through libcdio-paranoia; a disc image's sectors are read exactly as its
// files hold them, so it needs no paranoia. Standard library and libcdio only, no exceptions leave it. One
// object is used by one thread at a time; independent objects may read different drives on different threads.
//
// Use: Open, ReadChunk until CrRipDone (or CrError), optionally Seek, Close (the destructor closes too).
class CdRipReader {
public:
    CdRipReader() = default;
    ~CdRipReader();
    CdRipReader(const CdRipReader&) = delete;
    CdRipReader& operator=(const CdRipReader&) = delete;

    // Sectors per chunk: the amount one ReadChunk reads from the drive.
    static constexpr int ChunkSectors = 32;

    // Opens the drive and prepares to read sectors first to last (inclusive, counted from the first
    // track's start as 0). CrOk, or CrError with the reason in LastError (no disc, a range outside it).
    int Open(const CdDriveInfo& drive, std::int32_t first, std::int32_t last,
             const CdRipOptions& options) noexcept;
    bool IsOpen() const noexcept { return cdio_ != nullptr || image_ != nullptr; }
    void Close() noexcept;

    // The most bytes one ReadChunk delivers.
    std::int32_t BufferSize() const noexcept { return ChunkSectors * CdSectorBytes; }
    // Reads the next chunk into buffer (BufferSize bytes of room) and says how many bytes it holds.
    int ReadChunk(std::uint8_t* buffer, std::int32_t& bytes) noexcept;
    // Goes on reading at sector (first to last + 1); CrError outside the range.
    int Seek(std::int32_t sector) noexcept;

    std::int32_t FirstSector() const noexcept { return first_; }
    std::int32_t LastSector() const noexcept { return last_; }
    std::int32_t NextSector() const noexcept { return next_; }
    int PercentCompleted() const noexcept;
    int JitterErrorCount() const noexcept { return jitterErrors_; }
    // The sectors of the jitter error reported last.
    void LastJitterErrorPosition(std::int32_t& start, std::int32_t& end) const noexcept;
    const std::string& LastError() const noexcept { return error_; }

    // Called by paranoia's callback on the reading thread.
    void NoteParanoiaEvent(long position, int mode) noexcept;

private:
    int Fail(std::string message) noexcept;
    bool ReadSectors(std::int32_t count) noexcept;
    bool ReadPlainly(std::int32_t count) noexcept;
    bool StartParanoia(std::int32_t sector) noexcept;

    CdIo_t* cdio_ = nullptr;
    cdrom_drive_t* drive_ = nullptr;
    cdrom_paranoia_t* paranoia_ = nullptr;
    CdRipOptions options_;
    std::unique_ptr<DiscImageReader> image_; // a disc image instead of cdio_
    PcmShaper shaper_{STEREO44100, false};
    std::int32_t first_ = 0;
    std::int32_t last_ = -1;
    std::int32_t next_ = 0;
    bool tailDelivered_ = false;
    int jitterErrors_ = 0;
    std::int32_t errorStart_ = 0;
    std::int32_t errorEnd_ = 0;
    // Per chunk: paranoia's problems and where they were; per paranoia call: a failed read.
    int chunkProblems_ = 0;
    std::int32_t chunkErrorStart_ = 0;
    std::int32_t chunkErrorEnd_ = 0;
    bool readErrorInCall_ = false;
    std::vector<std::uint8_t> raw_;
    std::vector<std::int16_t> shaped_;
    std::string error_;
};

} // namespace larkspin
