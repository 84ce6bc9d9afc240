#pragma once

#include "CdRip.h"
#include "RipChecksums.h"
#include "TDriveTableClass.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>
#include <stdexcept>

namespace larkspin {

class TLameCoder;

// The ripping component's error; what() is one of the texts below, or a read or file error naming
// its sector or file.
class ECDRIPError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* CdRipInitFailureText = "Initialization failure";
inline constexpr const char* CdRipSetParamsErrorText = "Error setting parameters";
inline constexpr const char* CdRipInvalidParamsText = "Invalid CD-ROM parameters";
inline constexpr const char* CdRipWriteErrorText = "Write error";
inline constexpr const char* CdRipEncoderErrorText = "MP3 encoder error";

// One TOC entry as a rippable range.
struct TTrack {
    int Number = 0; // 1-based position in the TOC
    std::int32_t StartSector = 0;
    std::int32_t EndSector = 0; // the next entry's start minus 1
    QString Kind;               // "Audio" when the entry's flag byte is 0x10, otherwise "Data"
};

// Reads CD audio into files: a WAV file (44-byte header unless WriteWAV is off), or an MP3 file through
// the LAME coder when Encode is on. Owns the drive's track list; the library (CdRip.h) holds the
// active drive. Qt Core only.
//
// Threads: the object lives on one thread (the GUI thread). RipTrack and RipRange return when the
// range is done; meanwhile the range is read and encoded on a worker thread and the calling thread
// keeps processing its events, so windows stay responsive and OnProgress arrives there, before
// RipRange returns. The worker never waits for the calling thread: progress is queued and the worker
// reads on, so an abort from OnProgress stops the rip a few chunks later at most. Should the
// application quit meanwhile (which ends the event loop RipRange runs), the rip stops before its next
// chunk and keeps no file. The owner must not destroy the object, switch drives or start another rip
// from those events; AbortRip may come from anywhere.
//
// Files: every rip writes a temporary file in the output folder and renames it over the final name
// when the range is complete, so an abort or an error leaves no half file under the final name.
class TCDRIP : public QObject {
    Q_OBJECT

public:
    // Finds the drives (CR_SetVirtualDrives first for disc images), takes the active one's parameters
    // and builds the track list. Raises ECDRIPError "Initialization failure" when that throws; a
    // missing drive or disc only leaves the track list empty.
    explicit TCDRIP(QObject* owner = nullptr);
    ~TCDRIP() override;

    TLameCoder* Coder() const { return coder_; }
    // Not owned; gets the mode and rate of OutputFormat.
    void SetCoder(TLameCoder* coder);

    int CDRomNum() const { return cdRomNum_; }
    // Switches the library to another drive and rebuilds the track list. Ignored while ripping.
    void SetCDRomNum(int drive);

    // Null when the parameters could not be read at creation.
    TDriveTableClass* DriveTable() const { return driveTable_.get(); }
    TOutputFormat OutputFormat() const { return outputFormat_; }
    void SetOutputFormat(TOutputFormat format);
    bool Encode() const { return encode_; }
    void SetEncode(bool on) { encode_ = on; }
    bool WriteWAV() const { return writeWAV_; }
    void SetWriteWAV(bool on) { writeWAV_ = on; }
    bool JitterCorrect() const { return jitterCorrect_; }
    void SetJitterCorrect(bool on);
    bool SwapChannel() const { return swapChannel_; }
    void SetSwapChannel(bool on);
    int Speed() const { return speed_; }
    // The drive's read offset in samples: a track's audio is read that many samples later (earlier
    // when negative) than its sectors, so the file holds it where it belongs. CD audio only.
    int ReadOffset() const { return readOffset_; }
    void SetReadOffset(int samples) { readOffset_ = samples; }
    void SetSpeed(int speed) { speed_ = speed; }
    QString Version() const { return version_; }
    // The drive's identification text, as the drive list shows it.
    QString DriveName() const { return driveName_; }

    int TocEntryCount() const { return tocEntryCount_; }
    // One (name, track) pair per TOC entry: Track01, Track02, ... Track100.
    const QList<QPair<QString, TTrack>>& Tracks() const { return tracks_; }
    // One line per jitter error of every rip of this object: "start end" in sectors.
    const QStringList& JitterErrors() const { return jitterErrors_; }
    int JitterErrorCount() const { return jitterErrorCount_; }
    // The file the last rip wrote (FileName, with ".mp3" when encoding); empty when none was written.
    QString LastFileName() const { return lastFileName_; }
    bool Ripping() const { return ripping_; }
    // The checksums of the audio the last rip kept; none when it kept no file or did not rip CD audio
    // (44.1 kHz stereo). The disc's first and last audio tracks get AccurateRip's edge rules.
    const std::optional<TrackChecksums>& LastChecksums() const { return lastChecksums_; }

    // Writes Speed into the parameter record and hands it to the library: false when the library
    // refuses it. Raises ECDRIPError "Error setting parameters" when the call throws.
    bool ApplyParameters();
    // Rips track trackNum (1-based) to fileName between OnBeginTrack and OnEndTrack. OnEndTrack is
    // not raised when the rip raises.
    void RipTrack(int trackNum, const QString& fileName);
    // Rips sectors first to last (inclusive). Raises ECDRIPError: "Invalid CD-ROM parameters", a read
    // error with its sector, a file that cannot be created or written ("Write error: <file>: <reason>"). An abort stops
    // before the next chunk the worker reads; it is no error, but the file is not kept. An abort
    // between rips (from OnBeginTrack) stops the next range before its first chunk; RipTrack forgets
    // an older one before its OnBeginTrack.
    void RipRange(std::int32_t first, std::int32_t last, const QString& fileName);
    // Any thread.
    void AbortRip() { abortRequested_ = true; }

    // The RIFF/WAVE header of data bytes of PCM in the format.
    static QByteArray WavHeader(TOutputFormat format, std::uint32_t dataBytes);
    // fileName with the text from the last "." of its last part replaced by ".mp3" (appended when
    // there is no such dot).
    static QString Mp3FileName(const QString& fileName);
    // The jitter log beside an output file: its name with ".jitt" in the same way.
    static QString JitterLogName(const QString& fileName);

signals:
    void OnBeginTrack(larkspin::TCDRIP* sender, quint16 trackNum);
    void OnEndTrack(larkspin::TCDRIP* sender, quint16 trackNum);
    void OnProgress(larkspin::TCDRIP* sender, quint16 percentComplete);

private:
    void BuildTrackList();
    void TakeParameters();
    void SyncCoderFormat();
    std::int32_t firstAudioSector() const;
    std::int32_t lastAudioSector() const;

    TLameCoder* coder_ = nullptr;
    int cdRomNum_ = 0;
    std::unique_ptr<TDriveTableClass> driveTable_;
    TOutputFormat outputFormat_ = STEREO44100;
    bool encode_ = false;
    bool writeWAV_ = false;
    bool jitterCorrect_ = true;
    bool swapChannel_ = false;
    int speed_ = 0;
    int readOffset_ = 0;
    QString version_;
    QString driveName_;
    int tocEntryCount_ = 0;
    QList<QPair<QString, TTrack>> tracks_;
    QStringList jitterErrors_;
    int jitterErrorCount_ = 0;
    QString lastFileName_;
    std::optional<TrackChecksums> lastChecksums_;
    bool ripping_ = false;
    quint64 ripSerial_ = 0; // counts the rips, so late progress of an earlier one is recognised
    std::atomic<bool> abortRequested_{false};
    CDROMPARAMS driveParams_;
};

} // namespace larkspin
