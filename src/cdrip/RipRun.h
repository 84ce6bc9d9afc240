#pragma once

#include "CdListItem.h"
#include "RipTagging.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <vector>

namespace larkspin {

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
};

struct RipRunSetup {
    RipOutputMode Mode = RipOutputMode::Wav;
    QString Folder;                // the output folder
    std::vector<CdListItem> Items; // the ticked items of the CD list, in list order
    RipTagChoice Tags;             // the tags ripped MP3 files get
    QString PlugInType;            // plug-in mode: the loaded plug-in's encode type ("mp3", "ogg")
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
    // Those of TargetFiles that exist already (the run would replace them).
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

    RipRunSetup setup_;
    RipTrackSource& ripper_;
    TEncoderHost* encoder_;
    QTimer timer_;
    QElapsedTimer clock_;
    RipDisplay display_;
    QStringList problems_;
    QStringList written_;

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
