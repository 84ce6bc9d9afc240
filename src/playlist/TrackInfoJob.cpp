#include "TrackInfoJob.h"

namespace larkspin {

struct TrackInfoJob::Shared {};

TrackInfoJob::TrackInfoJob(std::vector<StoredEntry> items, bool useId3v2, QObject* parent)
    : QObject(parent), items_(std::move(items)), useId3v2_(useId3v2),
      cancel_(std::make_shared<std::atomic<bool>>(false)) {}
TrackInfoJob::TrackInfoJob(const std::vector<std::string>& paths, bool useId3v2, QObject* parent)
    : TrackInfoJob(std::vector<StoredEntry>{}, useId3v2, parent) {
    (void)paths;
}
TrackInfoJob::~TrackInfoJob() = default;
void TrackInfoJob::SetSliceSize(int items) {
    sliceSize_ = items;
}
void TrackInfoJob::Start() {}
void TrackInfoJob::Cancel() {}
void TrackInfoJob::Wait() {}
void TrackInfoJob::Deliver() {}
void TrackInfoJob::Finish() {}

} // namespace larkspin
