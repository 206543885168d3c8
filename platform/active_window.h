// Where the program learns which window the user is working in, so a profile
// can follow the application. One source per desktop kind; the program takes
// the first that works and tells when none does.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace morvane {

// What is known of the window that became active. WM_CLASS holds two
// strings, the instance ("firefox-esr") and the class ("Firefox-esr").
struct ActiveWindow {
    std::uint64_t id = 0;  // 0: no window is active (the desktop)
    std::string instance;
    std::string windowClass;
    std::string title;
    bool operator==(const ActiveWindow&) const = default;
};

class ActiveWindowSource {
public:
    virtual ~ActiveWindowSource() = default;
    // Starts watching: `changed` is called on the source's own thread with
    // the window active now, then each time another window (or another title
    // of it) becomes active. False, with the reason in one line, when the
    // desktop gives this source nothing to watch.
    virtual bool start(std::function<void(const ActiveWindow&)> changed, std::string& why) = 0;
    // Stops watching; no call of `changed` follows its return.
    virtual void stop() = 0;
    // What the source follows, for the user ("X11 (_NET_ACTIVE_WINDOW)").
    virtual std::string name() const = 0;
    // After a start that failed: true when this desktop is the one the
    // source is for and the user can mend it (an extension to enable). Its
    // reason is told even when another source follows in its place.
    virtual bool desktopIsHere() const { return false; }
};

}  // namespace morvane
