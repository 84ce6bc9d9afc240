#pragma once

#include "RipRun.h"

#include <QList>
#include <QString>

#include <memory>

namespace larkspin {

class TCDRIP;
class TLameCoder;

// The ripping component as the CD ripper page and the rip run use it: its drives, the audio tracks of
// the active drive, eject, the settings of a rip, and ripping one track for a RipRun.
class CdripTrackSource : public RipTrackSource {
public:
    // Makes the component; throws ECDRIPError ("Initialization failure") when it cannot be made.
    CdripTrackSource();
    ~CdripTrackSource() override;

    int DriveCount() const;
    // Makes drive the active one (the track list follows it).
    void SetDrive(int drive);
    int Drive() const;
    QString DriveName() const;
    // The 1-based TOC positions of the audio tracks of the active drive's disc.
    QList<int> AudioTracks() const;
    // Opens (true) or closes the tray of the active drive.
    void Eject(bool open);
    // The table of contents of the active drive's disc (TrackCount 0 without a disc).
    TocRecord Toc() const;
    // Whether the active drive is a disc image.
    bool IsImage() const;

    struct RipOptions {
        bool Encode = false;  // MP3 through coder while ripping
        bool WriteWAV = true; // a RIFF/WAVE header before the PCM
        TLameCoder* Coder = nullptr;
        int Speed = 0;
        bool JitterCorrect = true;
        bool SwapChannel = false;
        int ReadOffset = 0; // samples
    };
    void Configure(const RipOptions& options);

    // The run whose track is being ripped gets the component's events.
    void setRun(RipRun* run) { run_ = run; }
    void RipTrack(int track, const QString& fileName) override;
    void AbortRip() override;
    std::optional<TrackChecksums> LastChecksums() const override;
    int LastJitterErrors() const override;

private:
    std::unique_ptr<TCDRIP> cdrip_;
    RipRun* run_ = nullptr;
};

} // namespace larkspin
