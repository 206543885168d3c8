// Every device sequence runs here, one after another, so that no two
// sequences ever interleave on the keyboard and nobody else sleeps through a
// protocol pause.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace morvane {

class DeviceThread {
public:
    DeviceThread();
    ~DeviceThread();  // finishes the queued jobs, then ends
    DeviceThread(const DeviceThread&) = delete;
    DeviceThread& operator=(const DeviceThread&) = delete;

    void post(std::function<void()> job);
    // True while no job is queued or running.
    bool idle() const;
    // Waits until idle.
    void waitIdle();
    bool onThisThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    void loop();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> jobs_;
    bool running_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace morvane
