#include "TrackInfoJob.h"

#include <algorithm>
#include <mutex>

namespace larkspin {

// What the workers hand to the job's thread.
struct TrackInfoJob::Shared {
    std::mutex lock;
    std::map<int, std::vector<TrackRecord>> done; // finished slices by slice number; guarded by lock
    std::atomic<int> nextSlice{0};                // the next slice a worker takes
};

namespace {

std::vector<StoredEntry> ReadAll(const std::vector<std::string>& paths) {
    std::vector<StoredEntry> items(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        items[i].record[RecordPath] = paths[i];
        items[i].readFromFile = true;
    }
    return items;
}

} // namespace

TrackInfoJob::TrackInfoJob(std::vector<StoredEntry> items, bool useId3v2, QObject* parent)
    : QObject(parent), items_(std::move(items)), useId3v2_(useId3v2),
      cancel_(std::make_shared<std::atomic<bool>>(false)), shared_(std::make_shared<Shared>()) {}

TrackInfoJob::TrackInfoJob(const std::vector<std::string>& paths, bool useId3v2, QObject* parent)
    : TrackInfoJob(ReadAll(paths), useId3v2, parent) {}

TrackInfoJob::~TrackInfoJob() {
    cancel_->store(true);
    Join();
}

void TrackInfoJob::Join() {
    for (std::thread& worker : workers_)
        if (worker.joinable())
            worker.join();
}

void TrackInfoJob::SetSliceSize(int items) {
    if (!started_)
        sliceSize_ = std::max(1, items);
}

void TrackInfoJob::Start() {
    if (started_)
        return;
    started_ = true;
    const int slices = (Total() + sliceSize_ - 1) / sliceSize_;
    const int workers = std::min(slices, static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
    for (int w = 0; w < workers; ++w) {
        // Each worker takes the next slice until none is left; it reads items_ (not changed while
        // workers run) and hands results over under the lock, then asks the job's thread to deliver.
        workers_.emplace_back([this, shared = shared_, cancel = cancel_, slices] {
            for (;;) {
                const int slice = shared->nextSlice.fetch_add(1);
                if (slice >= slices || cancel->load())
                    return;
                const std::size_t first =
                    static_cast<std::size_t>(slice) * static_cast<std::size_t>(sliceSize_);
                const std::size_t end = std::min(items_.size(), first + static_cast<std::size_t>(sliceSize_));
                std::vector<TrackRecord> records;
                records.reserve(end - first);
                std::vector<std::string> paths;
                for (std::size_t i = first; i < end; ++i) {
                    if (!items_[i].readFromFile) {
                        records.push_back(items_[i].record);
                        continue;
                    }
                    FillTrackItems({items_[i].record[RecordPath]}, records, useId3v2_);
                }
                {
                    const std::lock_guard<std::mutex> locker(shared->lock);
                    shared->done.emplace(slice, std::move(records));
                }
                QMetaObject::invokeMethod(this, &TrackInfoJob::Deliver, Qt::QueuedConnection);
            }
        });
    }
    if (workers == 0)
        QMetaObject::invokeMethod(this, &TrackInfoJob::Deliver, Qt::QueuedConnection);
}

void TrackInfoJob::Cancel() {
    if (finished_)
        return;
    cancel_->store(true);
    finished_ = true;
    emit finished(true);
}

void TrackInfoJob::Wait() {
    if (!started_)
        Start();
    Join();
    Deliver();
}

void TrackInfoJob::Deliver() {
    while (!finished_) {
        std::vector<TrackRecord> records;
        {
            const std::lock_guard<std::mutex> locker(shared_->lock);
            const int slice = delivered_ / sliceSize_;
            auto it = shared_->done.find(slice);
            if (delivered_ < Total() && it == shared_->done.end())
                return; // the next slice in order is not read yet
            if (it != shared_->done.end()) {
                records = std::move(it->second);
                shared_->done.erase(it);
            }
        }
        if (delivered_ >= Total()) {
            Finish();
            return;
        }
        // No lock is held while the receivers run: they may cancel or wait on this job.
        const int first = delivered_;
        delivered_ += static_cast<int>(records.size());
        emit sliceReady(first, records);
        if (finished_)
            return;
        emit progress(delivered_, Total());
    }
}

void TrackInfoJob::Finish() {
    if (finished_)
        return;
    finished_ = true;
    emit finished(false);
}

} // namespace larkspin
