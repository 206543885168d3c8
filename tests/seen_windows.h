// What an active-window source told, on its own thread, for a test to wait on.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/active_window.h"

namespace morvane::test {

struct SeenWindows {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<ActiveWindow> windows;

    void add(const ActiveWindow& w) {
        std::lock_guard lock(mutex);
        windows.push_back(w);
        arrived.notify_all();
    }
    // The n-th report (from 1), waiting for it a while.
    std::optional<ActiveWindow> nth(std::size_t n) {
        std::unique_lock lock(mutex);
        if (!arrived.wait_for(lock, std::chrono::seconds(5), [&] { return windows.size() >= n; })) return std::nullopt;
        return windows[n - 1];
    }
    // Waits a while for the active window to be one of this class (app id).
    bool waitFor(const std::string& windowClass) {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, std::chrono::seconds(10), [&] {
            return !windows.empty() && windows.back().windowClass == windowClass;
        });
    }
    std::size_t count() {
        std::lock_guard lock(mutex);
        return windows.size();
    }
};

}  // namespace morvane::test
