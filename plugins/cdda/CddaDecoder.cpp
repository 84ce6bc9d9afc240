// Audio CD tracks, read through libcdio-paranoia from drives and disc images.
#include "CddaDecoder.h"

#include "CdDisc.h"
#include "CdDriveAccess.h"
#include "CdTrackPath.h"
#include "Decoder.h"

#include <cdio/cdio.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace larkspin::kit {
namespace {

constexpr int SectorSamples = 588 * 2; // 16-bit stereo samples in one 2352-byte sector
// Reads of a damaged sector paranoia tries before it gives up on it and moves on.
constexpr int MaxRetries = 20;
// Full verification, but a sector that stays unreadable is skipped instead of retried for ever.
constexpr int ParanoiaMode = PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP;

class CddaDecoder : public Decoder {
public:
    ~CddaDecoder() override { close(); }

    bool open(const std::string& path) override {
        const auto wanted = cdda::ParseCdTrackPath(path);
        if (!wanted)
            return false;
        CdDriveInfo drive;
        drive.DevicePath = wanted->drive;
        drive.IsVirtual = wanted->isImage;
        for (const cdda::AudioTrack& track : cdda::ReadAudioTracks(drive))
            if (track.number == wanted->number)
                track_ = track;
        if (track_.number == 0)
            return false;
        cd_ = OpenDrive(drive);
        if (!cd_)
            return false;
        drive_ = cdio_cddap_identify_cdio(cd_.get(), CDDA_MESSAGE_FORGETIT, nullptr);
        if (!drive_)
            return false;
        // Audio on a CD and in a BINARY image is little-endian; guessing from the samples (libcdio's
        // default) reads a quiet or unusual track as noise.
        drive_->bigendianp = 0;
        if (cdio_cddap_open(drive_) != 0)
            return false;
        paranoia_ = cdio_paranoia_init(drive_);
        if (!paranoia_)
            return false;
        cdio_paranoia_modeset(paranoia_, ParanoiaMode);
        return seekSector(track_.firstSector, 0);
    }

    bool readsFiles() const override { return false; }
    int sampleRate() const override { return 44100; }
    int channels() const override { return 2; }
    int64_t lengthFrames() const override { return track_.frames(); }

    long read(int16_t* out, long frames) override {
        long done = 0;
        while (done < frames) {
            if (used_ >= SectorSamples && !readSector())
                break;
            const long take = std::min<long>(frames - done, (SectorSamples - used_) / 2);
            std::memcpy(out + done * 2, sector_ + used_, static_cast<size_t>(take) * 2 * sizeof(int16_t));
            used_ += static_cast<int>(take * 2);
            done += take;
        }
        return done;
    }

    bool seek(int64_t frame) override {
        frame = std::clamp<int64_t>(frame, 0, track_.frames());
        return seekSector(track_.firstSector + static_cast<int32_t>(frame / 588),
                          static_cast<int>(frame % 588));
    }

private:
    // The next sector of the track into sector_; false at its end or when paranoia gives up.
    bool readSector() {
        if (next_ > track_.lastSector)
            return false;
        int16_t* data = cdio_paranoia_read_limited(paranoia_, nullptr, MaxRetries);
        if (!data)
            return false;
        std::memcpy(sector_, data, sizeof sector_);
        used_ = 0;
        ++next_;
        return true;
    }

    bool seekSector(int32_t sector, int skipFrames) {
        used_ = SectorSamples;
        next_ = sector;
        if (sector > track_.lastSector)
            return true; // at the end
        if (cdio_paranoia_seek(paranoia_, sector, SEEK_SET) < 0)
            return false;
        if (skipFrames > 0) {
            if (!readSector())
                return false;
            used_ = skipFrames * 2;
        }
        return true;
    }

    void close() {
        if (paranoia_)
            cdio_paranoia_free(paranoia_);
        if (drive_)
            cdio_cddap_close_no_free_cdio(drive_);
        paranoia_ = nullptr;
        drive_ = nullptr;
        cd_.reset();
    }

    cdda::AudioTrack track_;
    CdioHandle cd_;
    cdrom_drive_t* drive_ = nullptr;
    cdrom_paranoia_t* paranoia_ = nullptr;
    int16_t sector_[SectorSamples] = {};
    int used_ = SectorSamples; // samples of sector_ already delivered
    int32_t next_ = 0;         // the sector readSector reads next
};

} // namespace

std::unique_ptr<Decoder> CreateCddaDecoder() {
    return std::make_unique<CddaDecoder>();
}

} // namespace larkspin::kit
