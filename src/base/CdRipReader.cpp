#include "CdRipReader.h"

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace larkspin {

namespace {

// Paranoia's callback carries no context: the reader being read on this thread.
thread_local CdRipReader* ReadingReader = nullptr;

void ParanoiaCallback(long position, paranoia_cb_mode_t mode) {
    if (ReadingReader)
        ReadingReader->NoteParanoiaEvent(position, mode);
}

// Retries of one sector before paranoia gives up and skips it (cd-paranoia's default).
constexpr int ParanoiaRetries = 20;

std::string SectorText(const char* what, std::int32_t sector) {
    char text[96];
    std::snprintf(text, sizeof text, "%s at sector %d", what, static_cast<int>(sector));
    return text;
}

} // namespace

CdRipReader::~CdRipReader() {
    Close();
}

int CdRipReader::Fail(std::string message) noexcept {
    error_ = std::move(message);
    return CrError;
}

int CdRipReader::Open(const CdDriveInfo& drive, std::int32_t first, std::int32_t last,
                      const CdRipOptions& options) noexcept {
    Close();
    try {
        error_.clear();
        std::int32_t discFirst = 0, discLast = -1;
        if (drive.IsVirtual) {
            image_ = std::make_unique<DiscImageReader>();
            if (!image_->Open(drive.DevicePath)) {
                const std::string why = image_->LastError();
                Close();
                return Fail("No disc in " + drive.DevicePath + ": " + why);
            }
            discLast = image_->Layout().LeadOut - 1;
        } else {
            cdio_ = OpenCdDevice(drive);
            if (!cdio_)
                return Fail("No disc in " + drive.DevicePath);
            drive_ = cdio_cddap_identify_cdio(cdio_, CDDA_MESSAGE_FORGETIT, nullptr);
            // Audio sectors are little-endian (drives deliver them so). Left unset, the library guesses
            // the byte order from the samples, and a quiet or unusual track can be taken for big-endian
            // and read as noise.
            if (drive_)
                drive_->bigendianp = 0;
            if (!drive_ || cdio_cddap_open(drive_) != 0) {
                Close();
                return Fail("No audio disc in " + drive.DevicePath);
            }
            cdio_cddap_verbose_set(drive_, CDDA_MESSAGE_FORGETIT, CDDA_MESSAGE_FORGETIT);
            discFirst = cdio_cddap_disc_firstsector(drive_);
            discLast = cdio_cddap_disc_lastsector(drive_);
        }
        if (first > last || first < discFirst || last > discLast) {
            Close();
            char text[128];
            std::snprintf(text, sizeof text, "Sectors %d to %d are not on the disc (%d to %d)", first, last,
                          static_cast<int>(discFirst), static_cast<int>(discLast));
            return Fail(text);
        }
        if (options.Speed > 0 && drive_)
            cdio_cddap_speed_set(drive_, options.Speed);
        if (options.JitterCorrect && drive_ && !StartParanoia(first)) {
            Close();
            return Fail("Cannot start paranoia on " + drive.DevicePath);
        }
        options_ = options;
        shaper_ = PcmShaper(options.Format, options.SwapChannels);
        first_ = first;
        last_ = last;
        next_ = first;
        tailDelivered_ = false;
        jitterErrors_ = 0;
        errorStart_ = errorEnd_ = 0;
        raw_.resize(static_cast<size_t>(ChunkSectors) * CdSectorBytes);
        return CrOk;
    } catch (...) {
        Close();
        return Fail("Out of memory");
    }
}

void CdRipReader::Close() noexcept {
    if (paranoia_)
        cdio_paranoia_free(paranoia_);
    paranoia_ = nullptr;
    if (drive_)
        cdio_cddap_close_no_free_cdio(drive_);
    drive_ = nullptr;
    if (cdio_)
        cdio_destroy(cdio_);
    cdio_ = nullptr;
    image_.reset();
}

void CdRipReader::NoteParanoiaEvent(long position, int mode) noexcept {
    switch (mode) {
    case PARANOIA_CB_READERR:
    case PARANOIA_CB_SKIP:
    case PARANOIA_CB_DRIFT:
    case PARANOIA_CB_FIXUP_DROPPED:
    case PARANOIA_CB_FIXUP_DUPED: {
        // Positions come in 16-bit words, 1176 to a sector.
        const auto sector = static_cast<std::int32_t>(position / (CdSectorBytes / 2));
        // Paranoia reads ahead past the range's end (and overlaps back before its start); what it finds
        // there belongs to the next track, not to this rip.
        if (sector < first_ || sector > last_)
            break;
        if (chunkProblems_ == 0 || sector < chunkErrorStart_)
            chunkErrorStart_ = sector;
        if (chunkProblems_ == 0 || sector > chunkErrorEnd_)
            chunkErrorEnd_ = sector;
        ++chunkProblems_;
        if (mode == PARANOIA_CB_READERR)
            readErrorInCall_ = true;
        break;
    }
    default: // reads, verification, overlap and corrected jitter are paranoia's normal work
        break;
    }
}

bool CdRipReader::ReadPlainly(std::int32_t count) noexcept {
    // The drive reads at most its own batch of sectors per call.
    for (std::int32_t done = 0; done < count;) {
        const long got = cdio_cddap_read(drive_, raw_.data() + static_cast<size_t>(done) * CdSectorBytes,
                                         next_ + done, count - done);
        if (got <= 0 || got > count - done) {
            error_ = SectorText("Read error", next_ + done);
            return false;
        }
        done += static_cast<std::int32_t>(got);
    }
    return true;
}

// Reads count sectors at next_ into raw_.
bool CdRipReader::ReadSectors(std::int32_t count) noexcept {
    if (image_) {
        if (image_->Read(next_, count, raw_.data()))
            return true;
        error_ = image_->LastError();
        return false;
    }
    if (!paranoia_)
        return ReadPlainly(count);
    // Paranoia 10.2+2.0.0 cannot be trusted with sectors that do not read at all: it may spin on them
    // or hand back blocks it has already freed. So the chunk is first read plainly, and a sector that
    // does not read even then is a read error (a disc taken out, an image cut short, a disc too
    // damaged to rip), never silence slipped into the file.
    if (!ReadPlainly(count))
        return false;
    for (std::int32_t i = 0; i < count; ++i) {
        readErrorInCall_ = false;
        ReadingReader = this;
        const std::int16_t* sector = cdio_paranoia_read_limited(paranoia_, ParanoiaCallback, ParanoiaRetries);
        ReadingReader = nullptr;
        // A sector paranoia failed on keeps its plain reading.
        if (sector && !readErrorInCall_)
            std::memcpy(raw_.data() + static_cast<size_t>(i) * CdSectorBytes, sector, CdSectorBytes);
    }
    return true;
}

bool CdRipReader::StartParanoia(std::int32_t sector) noexcept {
    if (paranoia_)
        cdio_paranoia_free(paranoia_);
    paranoia_ = cdio_paranoia_init(drive_);
    if (!paranoia_)
        return false;
    // Full checking and repair, but a sector that stays unreadable is given up after the retries
    // instead of being read forever.
    cdio_paranoia_modeset(paranoia_, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    cdio_paranoia_seek(paranoia_, sector, SEEK_SET);
    return true;
}

int CdRipReader::ReadChunk(std::uint8_t* buffer, std::int32_t& bytes) noexcept {
    bytes = 0;
    if (!IsOpen())
        return Fail("The ripper is not open");
    if (next_ > last_) {
        if (tailDelivered_)
            return CrRipDone;
        // The chunk before held a jitter error; its tail comes now.
    }
    try {
        shaped_.clear();
        chunkProblems_ = 0;
        const std::int32_t count = std::min<std::int32_t>(ChunkSectors, last_ - next_ + 1);
        if (count > 0) {
            if (!ReadSectors(count)) {
                // Paranoia has moved on; put it back so a retry reads the same sectors.
                if (paranoia_)
                    cdio_paranoia_seek(paranoia_, next_, SEEK_SET);
                return CrError;
            }
            shaper_.Push(reinterpret_cast<const std::int16_t*>(raw_.data()),
                         static_cast<size_t>(count) * CdSectorFrames, shaped_);
            next_ += count;
        }
        const bool problems = chunkProblems_ > 0;
        if (problems) {
            ++jitterErrors_;
            errorStart_ = chunkErrorStart_;
            errorEnd_ = chunkErrorEnd_;
        }
        // The last outputs of a rate change go out with the last chunk, or with an extra call when
        // the last chunk reports a jitter error.
        bool done = false;
        if (next_ > last_ && !problems) {
            shaper_.Finish(shaped_);
            tailDelivered_ = true;
            done = true;
        }
        const size_t size = shaped_.size() * sizeof(std::int16_t);
        if (size > static_cast<size_t>(BufferSize()))
            return Fail("Chunk overflow");
        if (size > 0) // an empty vector's data() may be null
            std::memcpy(buffer, shaped_.data(), size);
        bytes = static_cast<std::int32_t>(size);
        return problems ? CrJitterError : done ? CrRipDone : CrOk;
    } catch (...) {
        return Fail("Out of memory");
    }
}

int CdRipReader::Seek(std::int32_t sector) noexcept {
    if (!IsOpen() || sector < first_ || sector > last_ + 1)
        return Fail(SectorText("Cannot seek", sector));
    next_ = sector;
    tailDelivered_ = false;
    shaper_.Reset();
    if (paranoia_)
        cdio_paranoia_seek(paranoia_, sector, SEEK_SET);
    return CrOk;
}

int CdRipReader::PercentCompleted() const noexcept {
    const std::int64_t total = static_cast<std::int64_t>(last_) - first_ + 1;
    if (total <= 0)
        return 0;
    return static_cast<int>(std::clamp<std::int64_t>((next_ - first_) * 100 / total, 0, 100));
}

void CdRipReader::LastJitterErrorPosition(std::int32_t& start, std::int32_t& end) const noexcept {
    start = errorStart_;
    end = errorEnd_;
}

} // namespace larkspin
