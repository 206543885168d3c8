#include "device/event_reader.h"

#include <chrono>

namespace morvane {

EventReader::EventReader(HidTransport& events, ReportHandler onReport, LostHandler onLost)
    : events_(events), onReport_(std::move(onReport)), onLost_(std::move(onLost)), thread_([this] { loop(); }) {}

EventReader::~EventReader() { stop(); }

void EventReader::stop() {
    bool already = false;
    {
        std::lock_guard lock(mutex_);
        already = stop_.exchange(true);
    }
    stopped_.notify_all();
    // Only the first stop may touch the interface: it may be closed after it.
    if (!already) events_.wakeReader();
    if (thread_.joinable() && std::this_thread::get_id() != thread_.get_id()) thread_.join();
}

void EventReader::loop() {
    bool lostReported = false;
    const int timeoutMs = events_.wakeable() ? -1 : kEventPollMs;
    while (!stop_) {
        // One read at a time: the next starts only after this one has ended.
        EventReport report{4, 0, 0, 0};
        ++reads_;
        switch (events_.read(report, timeoutMs)) {
        case ReadStatus::Ok:
            lostReported = false;
            onReport_(report);
            break;
        case ReadStatus::Timeout:
            break;
        case ReadStatus::Failed: {
            if (!lostReported && !stop_) {
                lostReported = true;
                onLost_();
            }
            // A failed interface fails at once; wait out a poll instead of spinning.
            std::unique_lock lock(mutex_);
            stopped_.wait_for(lock, std::chrono::milliseconds(kEventPollMs), [this] { return stop_.load(); });
            break;
        }
        }
    }
}

}  // namespace morvane
