#pragma once

#include "CdListItem.h"
#include "RipChecksums.h"
#include "RipTagging.h"
#include "TocRecord.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <optional>
#include <vector>

namespace larkspin {

class HttpGet;
class TEncoderHost;

// How ripped tracks end up: WAV files; MP3 files encoded while ripping; or WAV files that an encoder
// plug-in converts while the next track is ripped, each WAV removed once its encoded file is done.
enum class RipOutputMode { Wav, Mp3, PlugIn };

// What a run needs of the ripping component. RipTrack may return at once and rip elsewhere, or rip
// before it returns; either way it reports through the run's TrackBegun, TrackProgress and then
// TrackEnded or TrackFailed, on the run's thread. The file appears under its final name only when the
// track is complete.
class RipTrackSource {
public:
    virtual ~RipTrackSource() = default;
    // track: 1-based position in the table of contents; fileName: the file's final path.
    virtual void RipTrack(int track, const QString& fileName) = 0;
    // Stops the track being ripped; it then reports TrackEnded or TrackFailed as usual.
    virtual void AbortRip() = 0;
    // After TrackEnded: the checksums of the audio just ripped (none when unknown) and the jitter
    // errors of its read.
    virtual std::optional<TrackChecksums> LastChecksums() const { return std::nullopt; }
    virtual int LastJitterErrors() const { return 0; }
};

// The disc a run rips and how; a run with a table of contents (TrackCount above 0) checks its tracks
// with AccurateRip and leaves a rip log and a CUE sheet beside its files.
struct RipDiscInfo {
    TocRecord Toc;
    QString DriveName;
    QString ReadMode;       // e.g. "Secure (jitter correction)"
    int ReadOffset = 0;     // the drive's read offset in samples (0 for a disc image)
    QString AccurateRipUrl; // the database's base address; empty: no check
    int AccurateRipTimeoutMs = 30000;
};

// What became of one item of a run.
struct RipTrackResult {
    QString File;                       // the finished file; empty when there is none
    std::optional<TrackChecksums> Sums; // of the ripped audio
    int JitterErrors = 0;
    QString AccurateRip; // the check's verdict; empty when not checked
    QString Error;       // why the track has no file
};

struct RipRunSetup {
    RipOutputMode Mode = RipOutputMode::Wav;
    QString Folder;                // the output folder
    std::vector<CdListItem> Items; // the ticked items of the CD list, in list order
    RipTagChoice Tags;             // the tags ripped MP3 files get
    QString PlugInType;            // plug-in mode: the loaded plug-in's encode type ("mp3", "ogg")
    RipDiscInfo Disc;
};

// What the rip panel shows.
struct RipDisplay {
    QString RipText = QStringLiteral("Wait..."); // "2/5", "Wait...", "Finished"
    int RipPercent = 0;
    QString EncodeText; // "2/5", "Waiting for CDRipper", "Finished"
    int EncodePercent = 0;
    bool EncodeVisible = false;
    QString Elapsed = QStringLiteral("00:00:00");
};

// One rip run: rips the items one after the other, tags MP3 output, runs the encoder plug-in over each
// ripped WAV while the next track rips, and ends when everything is done or on abort. Lives on the GUI
// thread; a 100 ms timer polls the plug-in and the clock. Files are named from the items' captions
// inside Folder and nowhere else.
class RipRun : public QObject {
    Q_OBJECT
public:
    // encoder: the host whose loaded plug-in encodes in plug-in mode (unused otherwise, may be null).
    RipRun(RipRunSetup setup, RipTrackSource& ripper, TEncoderHost* encoder, QObject* parent = nullptr);
    ~RipRun() override;

    // The final files of the run, one per item, in order: WAV, MP3 or the plug-in's type.
    QStringList TargetFiles() const;
    // The rip log and the CUE sheet a run of a known disc writes beside its files; none otherwise.
    QStringList ReportFiles() const;
    // Those of TargetFiles and ReportFiles that exist already (the run would replace them).
    QStringList ExistingTargets() const;
    // Why folder cannot take the run's files ("" when it can): missing, not a folder, not writable.
    static QString CheckOutputFolder(const QString& folder);

    void Start();
    // Stops ripping after the current chunk and cancels a running plug-in job. Files finished before
    // stay; the track being ripped leaves nothing under its final name.
    void Abort();

    bool Running() const { return started_ && !finished_; }
    bool Aborted() const { return ripAborted_; }
    const RipDisplay& Display() const { return display_; }
    // What went wrong with single tracks and files, in order.
    const QStringList& Problems() const { return problems_; }
    // The finished files of the run.
    const QStringList& Written() const { return written_; }
    const std::vector<CdListItem>& Items() const { return setup_.Items; }
    const RipDiscInfo& Disc() const { return setup_.Disc; }
    // One result per item, in order.
    const std::vector<RipTrackResult>& Results() const { return results_; }
    // The rip log and the CUE sheet the run wrote; empty when it wrote none.
    const QString& LogFile() const { return logFile_; }
    const QString& CueFile() const { return cueFile_; }

    void TrackBegun(int track);
    void TrackProgress(int percent);
    void TrackEnded(int track);
    void TrackFailed(int track, const QString& message);

signals:
    void displayChanged();
    // A track could not be ripped (read error, write error, vanished drive); ripping stops there.
    void ripFailed(const QString& message);
    void finished();

private:
    QString ripFileOf(int position) const;
    void startTrack();
    void tick();
    void pollPlugIn();
    void startJob();
    void finishIfDone();
    void problem(const QString& text);
    void wrote(int position, const QString& file);
    void startCheck();
    void checkDone(bool ok, const QString& error, const QByteArray& body);
    void writeReports();

    RipRunSetup setup_;
    RipTrackSource& ripper_;
    TEncoderHost* encoder_;
    QTimer timer_;
    QElapsedTimer clock_;
    RipDisplay display_;
    QStringList problems_;
    QStringList written_;
    std::vector<RipTrackResult> results_;
    QString logFile_;
    QString cueFile_;
    HttpGet* check_ = nullptr; // the AccurateRip request while it runs
    QTimer checkTimer_;
    bool checked_ = false; // the AccurateRip check is over (or was never due)

    bool started_ = false;
    bool finished_ = false;
    bool ripAborted_ = false;
    bool ripDone_ = false;
    bool encodeDone_ = false;
    bool ripping_ = false; // RipTrack was called and its track has not reported its end
    int ripPosition_ = 0;  // index in Items of the track being ripped
    int tracksRipped_ = 0;
    // Plug-in mode: ripped WAVs waiting for the plug-in (indices into Items), and the running job.
    std::deque<int> waiting_;
    int job_ = -1;
};

} // namespace larkspin
