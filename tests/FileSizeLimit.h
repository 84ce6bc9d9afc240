#pragma once

#include <csignal>
#include <sys/resource.h>

// While it lives, files of this process cannot grow beyond the given size, as on a full disk (also for
// root): a write past it fails with EFBIG instead of raising SIGXFSZ. The old limit comes back at the end.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : oldHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
        active_ = ::getrlimit(RLIMIT_FSIZE, &old_) == 0;
        rlimit small = old_;
        small.rlim_cur = bytes;
        active_ = active_ && ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() { Lift(); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // False when the limit could not be set.
    bool Active() const { return active_; }
    // Ends the limit early.
    void Lift() {
        if (active_)
            ::setrlimit(RLIMIT_FSIZE, &old_);
        active_ = false;
        if (oldHandler_ != SIG_ERR)
            std::signal(SIGXFSZ, oldHandler_);
        oldHandler_ = SIG_ERR;
    }

private:
    rlimit old_{};
    bool active_ = false;
    void (*oldHandler_)(int);
};
