#include "TCDRIP.h"

#include "AtomicFile.h"
#include "CdRipLog.h"
#include "TLameCoder.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <exception>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace larkspin {

namespace {

constexpr std::uint32_t FlagOn = 0xFFFFFFFFu;

// What the worker thread needs and what it reports. The inputs are fixed before the thread starts;
// the outputs are read after it has been joined.
struct RipJob {
    std::int32_t bufferSize = 0;
    int pcmChannels = 2;         // channels of the ripped PCM (the output format's)
    TLameCoder* coder = nullptr; // encoding when set
    AtomicFile* file = nullptr;
    std::atomic<bool>* abortRequested = nullptr;
    TrackChecksummer* sums = nullptr; // CD audio (44.1 kHz stereo) only
    // A read offset moves the range read: silence for what lies before the disc, bytes read before the
    // range, and the range's bytes (the rest is silence past the disc's end); keepBytes -1: no offset.
    std::int64_t zerosBefore = 0;
    std::int64_t dropBytes = 0;
    std::int64_t keepBytes = -1;
    // Hands the percentage to the owner's thread and returns at once: the worker never waits for
    // the owner's thread, which may be quitting.
    std::function<void(int)> progress;

    bool aborted = false;
    std::string error;
    std::vector<std::string> jitterLines;
    std::int64_t pcmBytes = 0;
};

// "Write error: <file>: <the system's reason>".
std::string WriteErrorOf(const AtomicFile& file) {
    return std::string(CdRipWriteErrorText) + ": " + file.ErrorText();
}

bool WriteAll(AtomicFile& file, const void* data, size_t size, std::string& error) {
    if (size == 0 || file.Write(data, size))
        return true;
    error = WriteErrorOf(file);
    return false;
}

// Appends count samples of PCM with from channels to pending with the coder's to channels: a mono
// coder gets the mix (L + R) / 2 of stereo PCM, a stereo coder gets mono PCM on both channels.
void AppendForCoder(const std::int16_t* pcm, size_t count, int from, int to,
                    std::vector<std::int16_t>& pending) {
    if (from == to) {
        pending.insert(pending.end(), pcm, pcm + count);
    } else if (from == 2) {
        for (size_t i = 0; i + 1 < count; i += 2)
            pending.push_back(static_cast<std::int16_t>((pcm[i] + pcm[i + 1]) >> 1));
    } else {
        for (size_t i = 0; i < count; ++i) {
            pending.push_back(pcm[i]);
            pending.push_back(pcm[i]);
        }
    }
}

// The rip loop: chunk by chunk from the library into the file, re-blocked for the coder when encoding.
void RunRip(RipJob& job) {
    try {
        const size_t chunk = job.coder ? static_cast<size_t>(job.coder->SamplesPerChunk()) : 0;
        const int coderChannels = job.coder ? job.coder->Channels() : job.pcmChannels;
        std::vector<std::uint8_t> rip(static_cast<size_t>(job.bufferSize));
        std::vector<std::int16_t> samples; // one chunk as delivered
        std::vector<std::int16_t> pending; // samples in the coder's layout, short of a whole chunk
        std::vector<std::uint8_t> out(job.coder ? job.coder->OutputBufferSize() : 0);
        std::vector<std::uint8_t> shifted;
        for (;;) {
            if (*job.abortRequested) {
                job.aborted = true;
                break;
            }
            std::int32_t delivered = 0;
            const int r = CR_RipChunk(rip.data(), &delivered);
            if (r == CrError) {
                job.error = CR_GetLastError();
                break;
            }
            const std::uint8_t* data = rip.data();
            size_t size = static_cast<size_t>(delivered);
            if (job.keepBytes >= 0) {
                shifted.clear();
                const auto zeros = std::min(job.zerosBefore, job.keepBytes);
                shifted.assign(static_cast<size_t>(zeros), 0);
                job.keepBytes -= zeros;
                job.zerosBefore = 0;
                const auto skip = std::min<std::int64_t>(job.dropBytes, delivered);
                job.dropBytes -= skip;
                const auto take = std::min<std::int64_t>(delivered - skip, job.keepBytes);
                shifted.insert(shifted.end(), data + skip, data + skip + take);
                job.keepBytes -= take;
                if (r == CrRipDone) {
                    shifted.insert(shifted.end(), static_cast<size_t>(job.keepBytes), 0);
                    job.keepBytes = 0;
                }
                data = shifted.data();
                size = shifted.size();
            }
            if (job.sums)
                job.sums->Add(data, size);
            if (job.coder) {
                samples.resize(size / 2);
                if (!samples.empty())
                    std::memcpy(samples.data(), data, samples.size() * 2);
                AppendForCoder(samples.data(), samples.size(), job.pcmChannels, coderChannels, pending);
                size_t used = 0;
                for (; pending.size() - used >= chunk; used += chunk) {
                    std::uint32_t bytes = 0;
                    if (job.coder->EncodeChunk(pending.data() + used, out.data(), bytes) !=
                        BE_ERR_SUCCESSFUL) {
                        job.error = CdRipEncoderErrorText;
                        return;
                    }
                    if (!WriteAll(*job.file, out.data(), bytes, job.error))
                        return;
                }
                pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(used));
            } else if (!WriteAll(*job.file, data, size, job.error)) {
                return;
            }
            job.pcmBytes += static_cast<std::int64_t>(size);
            if (r == CrJitterError) {
                std::int32_t start = 0, end = 0;
                CR_GetLastJitterErrorPosition(&start, &end);
                job.jitterLines.push_back(std::to_string(start) + " " + std::to_string(end));
            }
            job.progress(CR_GetPercentCompleted());
            if (r == CrRipDone)
                break;
        }
        if (!job.coder || !job.error.empty() || job.aborted)
            return;
        // The end of the range rarely fills a whole coder chunk; it is encoded all the same, or the
        // track would lose up to 1152 frames of its end.
        std::uint32_t bytes = 0;
        if (!pending.empty()) {
            if (job.coder->EncodeChunk(pending.data(), static_cast<std::uint32_t>(pending.size()), out.data(),
                                       bytes) != BE_ERR_SUCCESSFUL) {
                job.error = CdRipEncoderErrorText;
                return;
            }
            if (!WriteAll(*job.file, out.data(), bytes, job.error))
                return;
        }
        if (job.coder->FlushCoder(out.data(), bytes) != BE_ERR_SUCCESSFUL)
            job.error = CdRipEncoderErrorText;
        else
            WriteAll(*job.file, out.data(), bytes, job.error);
    } catch (const std::exception& e) {
        job.error = e.what();
    }
}

QString StdText(const std::string& text) {
    return QString::fromLocal8Bit(text.c_str());
}

} // namespace

TCDRIP::TCDRIP(QObject* owner) : QObject(owner) {
    try {
        version_ = QString::number(CR_GetCDRipVersion());
        if (CR_Init() == 0) {
            if (CR_GetCDROMParameters(&driveParams_) == 0) {
                cdRomNum_ = CR_GetActiveCDROM();
                driveTable_ = std::make_unique<TDriveTableClass>();
                TakeParameters();
                jitterCorrect_ = true;
                swapChannel_ = false;
                WriteParam32(driveParams_, ParamJitterCorrect, FlagOn);
                WriteParam32(driveParams_, ParamSwapChannels, 0);
            }
            BuildTrackList();
        }
        jitterErrorCount_ = 0;
    } catch (...) {
        throw ECDRIPError(CdRipInitFailureText);
    }
}

TCDRIP::~TCDRIP() = default;

// Name, drive table, output format and speed from the record just read.
void TCDRIP::TakeParameters() {
    const auto* name = reinterpret_cast<const char*>(driveParams_.Bytes.data() + ParamDriveName);
    driveName_ = QString::fromLocal8Bit(name, static_cast<qsizetype>(strnlen(name, 256)));
    if (driveTable_) {
        for (int i = 0; i < TDriveTableClass::SlotCount; ++i)
            driveTable_->Slots[static_cast<size_t>(i)] = ReadParam32(driveParams_, ParamDriveTable + 4 * i);
    }
    const std::uint8_t format = driveParams_.Bytes[ParamOutputFormat];
    outputFormat_ = format < OutputFormatCount ? static_cast<TOutputFormat>(format) : STEREO44100;
    speed_ = static_cast<int>(ReadParam32(driveParams_, ParamSpeed));
    SyncCoderFormat();
}

void TCDRIP::BuildTrackList() {
    if (CR_ReadToc() != 0) {
        tocEntryCount_ = 0;
        return;
    }
    tocEntryCount_ = CR_GetNumTocEntries();
    for (int i = 0; i < tocEntryCount_; ++i) {
        const TOCENTRY entry = CR_GetTocEntry(i);
        TTrack track;
        track.Number = i + 1;
        track.StartSector = entry.StartSector;
        track.EndSector = CR_GetTocEntry(i + 1).StartSector - 1;
        track.Kind = entry.Flag == TocFlagAudio ? QStringLiteral("Audio") : QStringLiteral("Data");
        tracks_.append({QStringLiteral("Track%1").arg(i + 1, 2, 10, QLatin1Char('0')), track});
    }
}

void TCDRIP::SetCoder(TLameCoder* coder) {
    coder_ = coder;
    SyncCoderFormat();
}

void TCDRIP::SyncCoderFormat() {
    if (!coder_)
        return;
    coder_->SetMode(FormatChannels(outputFormat_) == 1 ? TLameMode::MONO : TLameMode::STEREO);
    coder_->SampleRate = static_cast<std::uint32_t>(FormatRate(outputFormat_));
}

void TCDRIP::SetCDRomNum(int drive) {
    if (drive == cdRomNum_ || ripping_)
        return;
    try {
        if (CR_SetActiveCDROM(drive) == 0 && CR_GetCDROMParameters(&driveParams_) == 0) {
            TakeParameters();
            cdRomNum_ = drive;
            // The component's settings hold for every drive; without this the new drive would rip
            // with the flags the library keeps for it while JitterCorrect and SwapChannel said otherwise.
            WriteParam32(driveParams_, ParamJitterCorrect, jitterCorrect_ ? FlagOn : 0);
            WriteParam32(driveParams_, ParamSwapChannels, swapChannel_ ? FlagOn : 0);
        }
        tracks_.clear();
        BuildTrackList();
    } catch (...) {
        throw ECDRIPError(CdRipInitFailureText);
    }
}

void TCDRIP::SetOutputFormat(TOutputFormat format) {
    if (format >= OutputFormatCount)
        return;
    if (format != outputFormat_)
        driveParams_.Bytes[ParamOutputFormat] = format;
    outputFormat_ = format;
    SyncCoderFormat();
}

void TCDRIP::SetJitterCorrect(bool on) {
    if (on == jitterCorrect_)
        return;
    jitterCorrect_ = on;
    WriteParam32(driveParams_, ParamJitterCorrect, on ? FlagOn : 0);
}

void TCDRIP::SetSwapChannel(bool on) {
    if (on == swapChannel_)
        return;
    swapChannel_ = on;
    WriteParam32(driveParams_, ParamSwapChannels, on ? FlagOn : 0);
}

bool TCDRIP::ApplyParameters() {
    try {
        WriteParam32(driveParams_, ParamSpeed, static_cast<std::uint32_t>(speed_));
        return CR_SetCDROMParameters(&driveParams_) != 1;
    } catch (...) {
        throw ECDRIPError(CdRipSetParamsErrorText);
    }
}

QByteArray TCDRIP::WavHeader(TOutputFormat format, std::uint32_t dataBytes) {
    QByteArray h;
    auto put32 = [&h](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            h.append(static_cast<char>(v >> (8 * i)));
    };
    auto put16 = [&h](std::uint16_t v) {
        h.append(static_cast<char>(v));
        h.append(static_cast<char>(v >> 8));
    };
    const auto channels = static_cast<std::uint16_t>(FormatChannels(format));
    const auto rate = static_cast<std::uint32_t>(FormatRate(format));
    h.append("RIFF");
    put32(dataBytes + 36);
    h.append("WAVEfmt ");
    put32(16);
    put16(1);
    put16(channels);
    put32(rate);
    put32(rate * channels * 2);
    put16(static_cast<std::uint16_t>(channels * 2));
    put16(16);
    h.append("data");
    put32(dataBytes);
    return h;
}

namespace {

QString WithExtension(const QString& fileName, const QString& extension) {
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return (dot > slash ? fileName.left(dot) : fileName) + extension;
}

} // namespace

std::int32_t TCDRIP::firstAudioSector() const {
    for (const auto& [name, track] : tracks_)
        if (track.Kind == QLatin1String("Audio"))
            return track.StartSector;
    return -1;
}

std::int32_t TCDRIP::lastAudioSector() const {
    for (auto it = tracks_.crbegin(); it != tracks_.crend(); ++it)
        if (it->second.Kind == QLatin1String("Audio"))
            return it->second.EndSector;
    return -1;
}

QString TCDRIP::Mp3FileName(const QString& fileName) {
    return WithExtension(fileName, QStringLiteral(".mp3"));
}

QString TCDRIP::JitterLogName(const QString& fileName) {
    return WithExtension(fileName, QStringLiteral(".jitt"));
}

void TCDRIP::RipTrack(int trackNum, const QString& fileName) {
    if (!ripping_)
        abortRequested_ = false;
    emit OnBeginTrack(this, static_cast<quint16>(trackNum));
    if (trackNum < 1 || trackNum > tracks_.size())
        throw ECDRIPError("Track " + std::to_string(trackNum) + " is not on the disc");
    const TTrack track = tracks_[trackNum - 1].second;
    RipRange(track.StartSector, track.EndSector, fileName);
    emit OnEndTrack(this, static_cast<quint16>(trackNum));
}

void TCDRIP::RipRange(std::int32_t first, std::int32_t last, const QString& fileName) {
    if (ripping_)
        throw ECDRIPError("A rip is running");
    if (!ApplyParameters())
        throw ECDRIPError(CdRipInvalidParamsText);
    // The abort ends with the rip; one from OnBeginTrack stops this rip before its first chunk.
    const auto clearAbort = qScopeGuard([this] { abortRequested_ = false; });
    lastFileName_.clear();

    // A drive's read offset: the track's audio lies readOffset_ samples later than its sectors say. The
    // sectors around it are read; what lies outside the disc is silence.
    std::int32_t readFirst = first;
    std::int32_t readLast = last;
    std::int64_t zerosBefore = 0, dropBytes = 0, keepBytes = -1;
    if (readOffset_ != 0 && outputFormat_ == STEREO44100 && !tracks_.isEmpty()) {
        const std::int64_t sps = SamplesPerSector;
        const std::int64_t discEnd = tracks_.back().second.EndSector + 1;
        const std::int64_t from = first * sps + readOffset_; // the first sample wanted
        const std::int64_t to = (last + std::int64_t{1}) * sps + readOffset_;
        const auto floorDiv = [](std::int64_t a, std::int64_t b) {
            return a >= 0 ? a / b : -((-a + b - 1) / b);
        };
        const std::int64_t rf = std::clamp<std::int64_t>(floorDiv(from, sps), 0, discEnd - 1);
        const std::int64_t rl = std::clamp<std::int64_t>(floorDiv(to - 1, sps), rf, discEnd - 1);
        zerosBefore = std::max<std::int64_t>(0, rf * sps - from) * 4;
        dropBytes = std::max<std::int64_t>(0, from - rf * sps) * 4;
        keepBytes = (to - from) * 4;
        readFirst = static_cast<std::int32_t>(rf);
        readLast = static_cast<std::int32_t>(rl);
    }
    std::int32_t bufferSize = 0;
    if (CR_OpenRipper(&bufferSize, readFirst, readLast) != 0) {
        // Nothing to read is an error the user must see, not an empty success.
        qCWarning(lcCdRip) << "cannot rip sectors" << first << "to" << last << StdText(CR_GetLastError());
        throw ECDRIPError("Cannot read sectors " + std::to_string(first) + " to " + std::to_string(last) +
                          ": " + CR_GetLastError());
    }
    const QString name = encode_ ? Mp3FileName(fileName) : fileName;
    TLameCoder* coder = encode_ ? coder_ : nullptr;
    // The stream always gets its Info header, written into the file here before it is committed (the
    // coder itself writes none); the caller's setting is back when the rip ends.
    const bool vbrHeaderWanted = coder && coder->WriteVBRHeader;
    if (coder) {
        coder->WriteVBRHeader = true;
        coder->Mp3FileName.clear();
    }
    if (encode_ && (!coder || coder->PrepareCoder() != 0 || coder->SamplesPerChunk() == 0)) {
        CR_CloseRipper();
        if (coder) {
            coder->CloseCoder();
            coder->WriteVBRHeader = vbrHeaderWanted;
        }
        throw ECDRIPError(coder ? CdRipEncoderErrorText : "No MP3 encoder");
    }
    auto releaseCoder = [coder, vbrHeaderWanted] {
        if (coder) {
            coder->CloseCoder();
            coder->WriteVBRHeader = vbrHeaderWanted;
        }
    };

    AtomicFile file(name.toStdString());
    if (!file.Open()) {
        const std::string reason = std::strerror(errno);
        releaseCoder();
        CR_CloseRipper();
        qCWarning(lcCdRip) << "cannot create" << name << StdText(reason);
        throw ECDRIPError("Cannot create " + name.toStdString() + ": " + reason);
    }
    const std::int64_t dataBytes = FormatBytes(outputFormat_, static_cast<std::int64_t>(last) - first + 1);
    const bool wav = writeWAV_ && !encode_;
    RipJob job;
    // The checksums of CD audio as it comes from the disc; other formats are no longer the disc's.
    std::optional<TrackChecksummer> sums;
    lastChecksums_.reset();
    if (outputFormat_ == STEREO44100) {
        sums.emplace(static_cast<std::uint64_t>(last - first + 1) * SamplesPerSector,
                     first == firstAudioSector(), last == lastAudioSector());
        job.sums = &*sums;
    }
    if (wav) {
        const QByteArray header = WavHeader(outputFormat_, static_cast<std::uint32_t>(dataBytes));
        if (!file.Write(header.constData(), static_cast<size_t>(header.size())))
            job.error = WriteErrorOf(file);
    }

    // The worker reads and encodes; this thread keeps serving its events until the worker is done.
    job.bufferSize = bufferSize;
    job.zerosBefore = zerosBefore;
    job.dropBytes = dropBytes;
    job.keepBytes = keepBytes;
    job.pcmChannels = FormatChannels(outputFormat_);
    job.coder = coder;
    job.file = &file;
    job.abortRequested = &abortRequested_;
    QPointer<TCDRIP> self(this);
    const quint64 serial = ++ripSerial_;
    job.progress = [this, self, serial](int percent) {
        // Queued in order before the worker's end; one that arrives after this rip (the loop below
        // ended early) or after an abort is dropped.
        QMetaObject::invokeMethod(
            this,
            [self, serial, percent] {
                if (self && self->ripping_ && self->ripSerial_ == serial && !self->abortRequested_)
                    emit self->OnProgress(self.data(), static_cast<quint16>(percent));
            },
            Qt::QueuedConnection);
    };
    ripping_ = true;
    if (job.error.empty() && !QCoreApplication::instance()) {
        // No event loop to serve: the rip runs here and its events come straight from it.
        job.progress = [this](int percent) { emit OnProgress(this, static_cast<quint16>(percent)); };
        RunRip(job);
    } else if (job.error.empty()) {
        QEventLoop loop;
        std::atomic<bool> workerDone{false};
        std::thread worker([&job, &loop, &workerDone] {
            RunRip(job);
            workerDone = true;
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec();
        // The loop ends early only when the application quits (QCoreApplication::exit ends every
        // loop, and a new one returns at once): the rip stops before its next chunk.
        if (!workerDone)
            abortRequested_ = true;
        worker.join();
    }
    ripping_ = false;

    for (const std::string& line : job.jitterLines)
        jitterErrors_.append(StdText(line));
    jitterErrorCount_ = CR_GetNumberOfJitterErrors();
    CR_CloseRipper();

    bool keep = job.error.empty() && !job.aborted;
    // The header promised every sector of the range; should the library have delivered otherwise, it
    // states what the file holds.
    if (keep && wav && job.pcmBytes != dataBytes) {
        const QByteArray header = WavHeader(outputFormat_, static_cast<std::uint32_t>(job.pcmBytes));
        keep = file.WriteAt(0, header.constData(), static_cast<size_t>(header.size()));
    }
    // The Info header frame (encoder delay, padding and length, so the file decodes to the track's
    // exact length) replaces the placeholder lame wrote first.
    if (keep && coder) {
        const std::vector<std::uint8_t> frame = coder->VBRHeaderFrame();
        if (frame.empty() || !file.WriteAt(0, frame.data(), frame.size()))
            qCWarning(lcCdRip) << "no Info header written into" << name;
    }
    if (keep && !file.Commit()) {
        keep = false;
        job.error = WriteErrorOf(file);
    }
    if (!keep)
        file.Discard();
    if (coder) {
        coder->CloseCoder();
        coder->WriteVBRHeader = vbrHeaderWanted;
    }
    if (keep) {
        lastFileName_ = name;
        if (sums)
            lastChecksums_ = sums->Result();
    }

    if (job.error.empty() && !jitterErrors_.isEmpty()) {
        const QString log = JitterLogName(name);
        if (!WriteFileAtomically(log.toStdString(), (jitterErrors_.join('\n') + '\n').toStdString()))
            qCWarning(lcCdRip) << "cannot write the jitter log" << log;
    }
    if (!job.error.empty()) {
        qCWarning(lcCdRip) << "rip of" << name << "failed:" << StdText(job.error);
        throw ECDRIPError(job.error);
    }
}

} // namespace larkspin
