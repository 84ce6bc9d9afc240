#include "CdripTrackSource.h"

#include "RipRunLog.h"
#include "TCDRIP.h"

namespace larkspin {

CdripTrackSource::CdripTrackSource() : cdrip_(std::make_unique<TCDRIP>()) {
    QObject::connect(cdrip_.get(), &TCDRIP::OnBeginTrack, cdrip_.get(), [this](TCDRIP*, quint16 track) {
        if (run_)
            run_->TrackBegun(track);
    });
    QObject::connect(cdrip_.get(), &TCDRIP::OnProgress, cdrip_.get(), [this](TCDRIP*, quint16 percent) {
        if (run_)
            run_->TrackProgress(percent);
    });
    QObject::connect(cdrip_.get(), &TCDRIP::OnEndTrack, cdrip_.get(), [this](TCDRIP*, quint16 track) {
        if (run_)
            run_->TrackEnded(track);
    });
}

CdripTrackSource::~CdripTrackSource() = default;

int CdripTrackSource::DriveCount() const {
    return CR_GetNumCDROM();
}

void CdripTrackSource::SetDrive(int drive) {
    cdrip_->SetCDRomNum(drive);
}

int CdripTrackSource::Drive() const {
    return cdrip_->CDRomNum();
}

QString CdripTrackSource::DriveName() const {
    return cdrip_->DriveName();
}

QList<int> CdripTrackSource::AudioTracks() const {
    QList<int> audio;
    const auto& tracks = cdrip_->Tracks();
    for (qsizetype i = 0; i < tracks.size(); ++i)
        if (tracks[i].second.Kind == QLatin1String("Audio"))
            audio << static_cast<int>(i + 1);
    return audio;
}

void CdripTrackSource::Eject(bool open) {
    if (CR_EjectCD(open) != 0)
        qCDebug(lcRipRun) << "the tray did not move";
}

void CdripTrackSource::Configure(const RipOptions& options) {
    cdrip_->SetSpeed(options.Speed);
    cdrip_->SetJitterCorrect(options.JitterCorrect);
    cdrip_->SetSwapChannel(options.SwapChannel);
    cdrip_->SetReadOffset(options.ReadOffset);
    cdrip_->SetCoder(options.Encode ? options.Coder : nullptr);
    cdrip_->SetEncode(options.Encode);
    cdrip_->SetWriteWAV(options.WriteWAV);
}

void CdripTrackSource::RipTrack(int track, const QString& fileName) {
    try {
        cdrip_->RipTrack(track, fileName);
    } catch (const std::exception& e) {
        // The component ends the track with its error instead of OnEndTrack.
        if (run_)
            run_->TrackFailed(track, QString::fromUtf8(e.what()));
    }
}

TocRecord CdripTrackSource::Toc() const {
    TocRecord toc;
    const auto& tracks = cdrip_->Tracks();
    if (tracks.isEmpty() || tracks.size() > TocMaxTracks)
        return toc;
    toc.TrackCount = static_cast<uint8_t>(tracks.size());
    for (qsizetype i = 0; i < tracks.size(); ++i) {
        const TTrack& t = tracks[i].second;
        static_cast<TocMsf&>(toc.Tracks[static_cast<size_t>(i)]) =
            MsfFromFrames(static_cast<uint32_t>(t.StartSector) + LeadInFrames);
        toc.Tracks[static_cast<size_t>(i)].IsAudio = t.Kind == QLatin1String("Audio") ? TocAudioTrack : 0;
    }
    toc.LeadOut = MsfFromFrames(static_cast<uint32_t>(tracks.back().second.EndSector + 1) + LeadInFrames);
    return toc;
}

bool CdripTrackSource::IsImage() const {
    return CR_IsVirtualDrive(cdrip_->CDRomNum());
}

std::optional<TrackChecksums> CdripTrackSource::LastChecksums() const {
    return cdrip_->LastChecksums();
}

int CdripTrackSource::LastJitterErrors() const {
    return cdrip_->JitterErrorCount();
}

void CdripTrackSource::AbortRip() {
    cdrip_->AbortRip();
}

} // namespace larkspin
