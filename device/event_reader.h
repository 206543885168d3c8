// Follows the keyboard's key-event interface on a thread of its own. The
// keyboard reports the keys that carry a launch assignment there.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

#include "device/hid_transport.h"

namespace morvane {

// Only input report 4 of the event interface is a key event. On Linux the
// interface's node also delivers the other collections' reports (keyboard,
// consumer and system keys), which may hold anything in any byte.
inline constexpr std::uint8_t kKeyEventReportId = 4;
inline bool isKeyEventReport(std::span<const std::uint8_t> report) {
    return !report.empty() && report[0] == kKeyEventReportId;
}

// The key code a report asks the program to act on; other reports and key
// events whose byte 1 is 4 carry nothing for it.
inline std::optional<std::uint8_t> launchKeyOf(const EventReport& report) {
    if (!isKeyEventReport(report) || report[1] == 4) return std::nullopt;
    return report[3];
}

// How long one read waits on an interface that cannot be woken, and so how
// soon a stop is seen there. A wakeable interface is read without a timeout.
inline constexpr int kEventPollMs = 200;

class EventReader {
public:
    using ReportHandler = std::function<void(const EventReport&)>;
    using LostHandler = std::function<void()>;

    // Starts reading at once. `onReport` gets every report, `onLost` is called
    // once when the interface fails (the keyboard is gone); both run on the
    // reader's thread.
    EventReader(HidTransport& events, ReportHandler onReport, LostHandler onLost);
    ~EventReader();
    EventReader(const EventReader&) = delete;
    EventReader& operator=(const EventReader&) = delete;

    // Sets the stop flag, wakes the read under way and waits for the thread
    // to end (on an interface that cannot be woken, at most about one poll).
    void stop();

    // Reads begun so far: on a wakeable interface one per report, none while idle.
    int reads() const { return reads_; }

private:
    void loop();

    HidTransport& events_;
    ReportHandler onReport_;
    LostHandler onLost_;
    std::atomic<bool> stop_{false};
    std::atomic<int> reads_{0};
    std::mutex mutex_;
    std::condition_variable stopped_;
    std::thread thread_;
};

}  // namespace morvane
