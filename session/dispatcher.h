// Hands work back to the thread that owns the session (the window's thread, or
// the CLI's main thread): the device thread, the event reader and the hot-plug
// watcher never touch the session's state themselves.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace morvane {

class Dispatcher {
public:
    virtual ~Dispatcher() = default;
    // Runs `fn` later on the owner's thread. Callable from any thread.
    virtual void post(std::function<void()> fn) = 0;
    // Whether a session given this dispatcher may run what is posted here
    // itself, from inside a call (pump), so a blocking call can wait for its
    // result. A session always pumps its own queue.
    virtual bool pumpable() const { return false; }
    // Runs what is queued; waits up to `wait` for the first item when empty.
    // Returns how many ran.
    virtual int pump(std::chrono::milliseconds) { return 0; }
    // Nothing is queued.
    virtual bool empty() const { return true; }
};

// A plain queue that the owner pumps itself.
class QueuedDispatcher final : public Dispatcher {
public:
    void post(std::function<void()> fn) override;
    int pump(std::chrono::milliseconds wait) override;
    bool empty() const override;

private:
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace morvane
