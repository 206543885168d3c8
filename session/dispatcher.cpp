#include "session/dispatcher.h"

namespace morvane {

void QueuedDispatcher::post(std::function<void()> fn) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(fn));
    }
    arrived_.notify_all();
}

int QueuedDispatcher::pump(std::chrono::milliseconds wait) {
    std::deque<std::function<void()>> batch;
    {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, wait, [this] { return !queue_.empty(); });
        batch.swap(queue_);
    }
    for (auto& fn : batch) fn();
    return static_cast<int>(batch.size());
}

bool QueuedDispatcher::empty() const {
    std::lock_guard lock(mutex_);
    return queue_.empty();
}

}  // namespace morvane
