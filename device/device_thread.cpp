#include "device/device_thread.h"

namespace morvane {

DeviceThread::DeviceThread() : thread_([this] { loop(); }) {}

DeviceThread::~DeviceThread() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void DeviceThread::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    changed_.notify_all();
}

bool DeviceThread::idle() const {
    std::lock_guard lock(mutex_);
    return jobs_.empty() && !running_;
}

void DeviceThread::waitIdle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return jobs_.empty() && !running_; });
}

void DeviceThread::loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty()) return;  // stopping with nothing left to do
        auto job = std::move(jobs_.front());
        jobs_.pop_front();
        running_ = true;
        lock.unlock();
        job();
        lock.lock();
        running_ = false;
        changed_.notify_all();
    }
}

}  // namespace morvane
