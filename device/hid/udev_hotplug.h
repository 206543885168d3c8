// Follows hidraw nodes coming and going through udev, on a thread of its own.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

struct udev;
struct udev_monitor;

namespace morvane {

struct HidrawEvent {
    bool added = false;
    std::string devnode;           // "/dev/hidrawN"
    std::uint16_t vendorId = 0;    // 0 when udev could not tell (removals)
    std::uint16_t productId = 0;
};

// Follows hidraw nodes coming and going until destroyed; the handler may run
// on any thread.
class HidrawWatch {
public:
    using Handler = std::function<void(const HidrawEvent&)>;
    virtual ~HidrawWatch() = default;
};

class UdevHotplug final : public HidrawWatch {
public:
    explicit UdevHotplug(Handler handler);
    ~UdevHotplug() override;
    UdevHotplug(const UdevHotplug&) = delete;
    UdevHotplug& operator=(const UdevHotplug&) = delete;

    bool watching() const { return started_; }

private:
    void loop(udev_monitor* monitor);

    Handler handler_;
    ::udev* udev_ = nullptr;
    std::atomic<bool> stop_{false};
    bool started_ = false;
    // Written once to end the wait: the watcher sleeps until udev or this speaks.
    int wake_[2] = {-1, -1};
    std::thread thread_;
};

// What a hidraw event means for the keyboard whose interfaces are open at
// `controlPath` and `eventsPath` (empty when closed): only the keyboard's own
// nodes count, so other devices coming and going leave it alone.
enum class HotplugMeaning { Nothing, KeyboardMayHaveArrived, KeyboardRemoved };
HotplugMeaning meaningOf(const HidrawEvent& event, const std::string& controlPath, const std::string& eventsPath);

// "0003:000004D9:0000A2A0" → vendor and product; false when malformed.
bool parseHidId(const std::string& hidId, std::uint16_t& vendorId, std::uint16_t& productId);

}  // namespace morvane
