#pragma once

#include "PlaylistFiles.h"
#include "TrackInfo.h"

#include <QObject>

#include <atomic>
#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace larkspin {

// Reads the track information of many files off the GUI thread. The items are cut into slices that
// worker threads of the global pool fill (FillTrackItem for items marked readFromFile, the stored
// record otherwise); each slice is delivered on the thread that owns the job, strictly in item order.
//
// Threads: the object lives on the GUI thread; Start, Cancel, Wait and the destructor are called there
// and the signals are emitted there. Workers (threads of the job, joined before it goes) read only the
// items (immutable while running) and the atomic cancel flag, and hand each finished slice over under
// the slice lock. Standard threads and locks, so the thread sanitizer sees every hand-over.
class TrackInfoJob : public QObject {
    Q_OBJECT
public:
    TrackInfoJob(std::vector<StoredEntry> items, bool useId3v2, QObject* parent = nullptr);
    // Paths only: every item is read from its file.
    TrackInfoJob(const std::vector<std::string>& paths, bool useId3v2, QObject* parent = nullptr);
    // Cancels and waits for the workers; undelivered slices are dropped.
    ~TrackInfoJob() override;

    int Total() const { return static_cast<int>(items_.size()); }
    int Delivered() const { return delivered_; }
    bool Finished() const { return finished_; }
    bool Cancelled() const { return cancel_->load(); }

    // Items per slice (default 128); only before Start.
    void SetSliceSize(int items);
    // Starts the workers (a job of no items finishes at the next event-loop turn).
    void Start();
    // Stops reading; slices not yet delivered are dropped and finished(true) follows.
    void Cancel();
    // Blocks until the workers are done and delivers every remaining slice now, in order.
    void Wait();

signals:
    // Records for items first .. first + records.size() - 1.
    void sliceReady(int first, const std::vector<TrackRecord>& records);
    void progress(int done, int total);
    void finished(bool cancelled);

private:
    struct Shared;
    void Deliver();
    void Finish();
    void Join();

    std::vector<StoredEntry> items_; // immutable while workers run
    bool useId3v2_;
    int sliceSize_ = 128;
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::shared_ptr<Shared> shared_;
    std::vector<std::thread> workers_;
    int delivered_ = 0;
    bool started_ = false;
    bool finished_ = false;
};

} // namespace larkspin
