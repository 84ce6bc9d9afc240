#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace larkspin::kit {

// A thread of its own that finishes what an export must not wait for: joining the decoding thread of
// a voice that is done, or of a cancelled decode. Tasks run in the order given; the thread starts with
// the first task. The destructor runs what is left and joins.
class Retirer {
public:
    Retirer() = default;
    ~Retirer();
    Retirer(const Retirer&) = delete;
    Retirer& operator=(const Retirer&) = delete;

    void post(std::function<void()> task);
    // Blocks until every task given so far has run.
    void drain();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> tasks_; // guarded by mutex_
    bool busy_ = false;                       // guarded by mutex_
    bool stopping_ = false;                   // guarded by mutex_
    std::thread thread_;                      // started under mutex_, joined by the destructor
};

} // namespace larkspin::kit
