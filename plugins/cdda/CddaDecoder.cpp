// Audio CD tracks, read through the ripping reader: drives with libcdio-paranoia, disc images exactly.
#include "CddaDecoder.h"

#include "CdDisc.h"
#include "CdRipReader.h"
#include "CdTrackPath.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace larkspin::kit {
namespace {

class CddaDecoder : public Decoder {
public:
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
        CdRipOptions options; // jitter correction on, 44100 Hz stereo as on the disc
        if (reader_.Open(drive, track_.firstSector, track_.lastSector, options) != CrOk)
            return false;
        chunk_.resize(static_cast<size_t>(reader_.BufferSize()) / sizeof(int16_t));
        return true;
    }

    bool readsFiles() const override { return false; }
    int sampleRate() const override { return 44100; }
    int channels() const override { return 2; }
    int64_t lengthFrames() const override { return track_.frames(); }

    long read(int16_t* out, long frames) override {
        long done = 0;
        while (done < frames) {
            if (used_ >= held_ && !readChunk())
                break;
            const long take = std::min<long>(frames - done, static_cast<long>(held_ - used_) / 2);
            std::memcpy(out + done * 2, chunk_.data() + used_,
                        static_cast<size_t>(take) * 2 * sizeof(int16_t));
            used_ += static_cast<size_t>(take) * 2;
            done += take;
        }
        return done;
    }

    bool seek(int64_t frame) override {
        frame = std::clamp<int64_t>(frame, 0, track_.frames());
        used_ = held_ = 0;
        ended_ = false;
        if (reader_.Seek(track_.firstSector + static_cast<int32_t>(frame / 588)) != CrOk)
            return false;
        if (const int skip = static_cast<int>(frame % 588) * 2) {
            if (!readChunk())
                return false;
            used_ = std::min<size_t>(static_cast<size_t>(skip), held_);
        }
        return true;
    }

private:
    // The next chunk into chunk_; false at the track's end or on a read error (the track ends there).
    bool readChunk() {
        used_ = held_ = 0;
        while (!ended_ && held_ == 0) {
            int32_t bytes = 0;
            const int result = reader_.ReadChunk(reinterpret_cast<uint8_t*>(chunk_.data()), bytes);
            // A jitter error still delivers what paranoia could make of the sectors; playing goes on.
            ended_ = result == CrRipDone || result == CrError;
            held_ = result == CrError ? 0 : static_cast<size_t>(std::max(bytes, 0)) / sizeof(int16_t);
        }
        return held_ > 0;
    }

    cdda::AudioTrack track_;
    CdRipReader reader_;
    std::vector<int16_t> chunk_;
    size_t held_ = 0; // samples in chunk_
    size_t used_ = 0; // samples of chunk_ delivered
    bool ended_ = false;
};

} // namespace

std::unique_ptr<Decoder> CreateCddaDecoder() {
    return std::make_unique<CddaDecoder>();
}

} // namespace larkspin::kit
