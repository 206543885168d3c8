// Where the keyboard comes from: a real one found among the HID devices, the
// simulated one, or none at all. The session talks to the interfaces a backend
// opens and sleeps the protocol's pauses on the backend's clock.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "base/clock.h"
#include "base/keyboard_model.h"
#include "device/hid_transport.h"

namespace morvane {

class SimKeyboard;

class KeyboardBackend {
public:
    virtual ~KeyboardBackend() = default;

    virtual Clock& clock() = 0;

    // Finds the keyboard and opens its control interface; false when there is
    // none. Sets the model.
    virtual bool openControl() = 0;
    // Opens the key-event interface; false when there is none.
    virtual bool openEvents() = 0;
    virtual void closeAll() = 0;

    // Null while the interface is closed.
    virtual HidTransport* control() = 0;
    virtual HidTransport* events() = 0;

    // None while no keyboard was found; keeps its last value after the
    // keyboard is gone.
    virtual KeyboardModel keyboardModel() const = 0;

    // Why the last open failed, for the user ("" when there is nothing to say).
    virtual std::string problem() const { return {}; }

    // The simulated keyboard behind this backend, if it is one.
    virtual SimKeyboard* simulated() { return nullptr; }

    // Hot-plug: `handler(true)` when a keyboard may have arrived, `handler(false)`
    // when one of the keyboard's own opened interfaces went away. Other devices
    // coming and going are not reported. The handler may run on any thread.
    using HotplugHandler = std::function<void(bool arrived)>;
    virtual void watchHotplug(HotplugHandler handler) { (void)handler; }

    // The simulated keyboard is pulled out (false) or plugged back (true), and
    // the hot-plug handler hears of it. False for a backend that cannot.
    virtual bool simulateHotplug(bool attach) {
        (void)attach;
        return false;
    }
};

#ifdef MORVANE_HAVE_HIDAPI
// The real keyboard among the HID devices (hidapi, hot-plug through udev).
std::unique_ptr<KeyboardBackend> makeHidapiBackend();
#endif

// "auto", "none" or "sim:STATE[,...]". Returns null and sets `error` on a bad
// device text.
std::unique_ptr<KeyboardBackend> makeKeyboardBackend(const std::string& device, std::string& error);

}  // namespace morvane
