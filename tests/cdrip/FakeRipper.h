#pragma once

// A ripping component stand-in for the run's tests: rips "tracks" of generated tone in a few chunks
// from the event loop, as WAV or as MP3 through TLameCoder, under a temporary name that becomes the
// final one when the track is complete. It can fail a track, leave a track unreadable, and records what
// it was asked.
#include "AtomicFile.h"
#include "RipRun.h"
#include "TLameCoder.h"

#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <QTimer>

#include <cmath>
#include <memory>
#include <vector>

class FakeRipper : public larkspin::RipTrackSource {
public:
    explicit FakeRipper(larkspin::RipRun*& run) : run_(run) {}

    void RipTrack(int track, const QString& fileName) override {
        calls << QStringLiteral("rip %1 %2").arg(track).arg(QFileInfo(fileName).fileName());
        track_ = track;
        chunk_ = 0;
        aborted_ = false;
        file_ = std::make_unique<larkspin::AtomicFile>(fileName.toStdString());
        mp3_ = fileName.endsWith(u".mp3");
        run_->TrackBegun(track);
        if (unreadable.contains(track)) {
            file_.reset();
            QTimer::singleShot(0, [this, track] { run_->TrackEnded(track); });
            return;
        }
        if (!file_->Open()) {
            QTimer::singleShot(0, [this, track] { run_->TrackFailed(track, QStringLiteral("Write error")); });
            return;
        }
        if (mp3_) {
            coder_ = std::make_unique<larkspin::TLameCoder>();
            coder_->PrepareCoder();
        } else {
            writeWavHeader();
        }
        QTimer::singleShot(0, [this] { nextChunk(); });
    }

    std::optional<larkspin::TrackChecksums> LastChecksums() const override { return checksums.value(track_); }

    void AbortRip() override {
        calls << QStringLiteral("abort %1").arg(track_);
        aborted_ = true;
    }

    QStringList calls;
    QList<int> unreadable; // tracks whose ripper cannot be opened: no file, the track still ends
    int failAt = -1;       // the track that fails in its second chunk (a drive that vanished)
    int chunks = 4;        // chunks per track
    int framesPerChunk = 4410;
    int chunkDelayMs = 0;                              // time between chunks
    QHash<int, larkspin::TrackChecksums> checksums;    // what LastChecksums reports per track
    std::function<void(int track, int chunk)> onChunk; // called before each chunk is read

private:
    void writeWavHeader() {
        const uint32_t data = chunks * framesPerChunk * 4;
        auto le32 = [](uint32_t v) {
            return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        };
        std::string h = "RIFF" + le32(data + 36) + "WAVEfmt " + le32(16) + std::string("\1\0\2\0", 4) +
                        le32(44100) + le32(44100 * 4) + std::string("\4\0\x10\0", 4) + "data" + le32(data);
        file_->Write(h);
    }

    void nextChunk() {
        if (onChunk)
            onChunk(track_, chunk_);
        if (aborted_) {
            file_.reset(); // the temporary file goes, nothing under the final name
            run_->TrackEnded(track_);
            return;
        }
        if (track_ == failAt && chunk_ == 1) {
            file_.reset();
            run_->TrackFailed(track_, QStringLiteral("The drive is gone"));
            return;
        }
        std::vector<int16_t> pcm(framesPerChunk * 2);
        for (int i = 0; i < framesPerChunk; ++i)
            pcm[2 * i] = pcm[2 * i + 1] = int16_t(8000 * std::sin(i * 0.05 * track_));
        if (mp3_) {
            std::vector<uint8_t> out(coder_->OutputBufferSize());
            for (size_t at = 0; at < pcm.size(); at += coder_->SamplesPerChunk()) {
                uint32_t bytes = 0;
                const auto n = uint32_t(std::min<size_t>(coder_->SamplesPerChunk(), pcm.size() - at));
                coder_->EncodeChunk(pcm.data() + at, n, out.data(), bytes);
                file_->Write(out.data(), bytes);
            }
        } else {
            file_->Write(pcm.data(), pcm.size() * 2);
        }
        ++chunk_;
        run_->TrackProgress(chunk_ * 100 / chunks);
        if (chunk_ < chunks) {
            QTimer::singleShot(chunkDelayMs, [this] { nextChunk(); });
            return;
        }
        if (mp3_) {
            std::vector<uint8_t> out(coder_->OutputBufferSize());
            uint32_t bytes = 0;
            coder_->FlushCoder(out.data(), bytes);
            file_->Write(out.data(), bytes);
            coder_->CloseCoder();
        }
        const bool ok = file_->Commit();
        file_.reset();
        if (ok)
            run_->TrackEnded(track_);
        else
            run_->TrackFailed(track_, QStringLiteral("Write error"));
    }

    larkspin::RipRun*& run_;
    std::unique_ptr<larkspin::AtomicFile> file_;
    std::unique_ptr<larkspin::TLameCoder> coder_;
    bool mp3_ = false;
    bool aborted_ = false;
    int track_ = 0;
    int chunk_ = 0;
};
