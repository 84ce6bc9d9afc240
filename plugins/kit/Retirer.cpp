#include "Retirer.h"

namespace larkspin::kit {

Retirer::~Retirer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void Retirer::post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
        if (!thread_.joinable())
            thread_ = std::thread([this] { run(); });
    }
    wake_.notify_one();
}

void Retirer::drain() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return tasks_.empty() && !busy_; });
}

void Retirer::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
        if (tasks_.empty())
            return; // stopping, nothing left
        std::function<void()> task = std::move(tasks_.front());
        tasks_.pop_front();
        busy_ = true;
        lock.unlock();
        task();
        task = nullptr; // what it held goes here, outside the lock
        lock.lock();
        busy_ = false;
        if (tasks_.empty())
            idle_.notify_all();
    }
}

} // namespace larkspin::kit
