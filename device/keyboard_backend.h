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

// Why the last open failed, told in the window's own language.
enum class OpenFailure { None, NotFound, NotPermitted, CannotOpen };

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
    virtual OpenFailure openFailure() const { return OpenFailure::NotFound; }

    // Hot-plug: `handler(true)` when a keyboard may have arrived, `handler(false)`
    // when one of the keyboard's own opened interfaces went away. Other devices
    // coming and going are not reported. The handler may run on any thread.
    using HotplugHandler = std::function<void(bool arrived)>;
    virtual void watchHotplug(HotplugHandler handler) { (void)handler; }
};

// What a simulated keyboard offers beyond its interfaces: being pulled out and
// plugged back (the backend's hot-plug handler hears of it) and reporting key
// events. Only whoever asked for a simulated keyboard gets these.
class SimulatedKeyboardControls {
public:
    virtual ~SimulatedKeyboardControls() = default;
    virtual void unplug() = 0;
    virtual void plug() = 0;
    // The keyboard sends these bytes on its key-event interface.
    virtual void reportEvent(const EventReport& report) = 0;
    // The model itself, for tests that look into its memory.
    virtual SimKeyboard& keyboard() = 0;
};

struct BackendChoice {
    std::unique_ptr<KeyboardBackend> backend;
    // Set for a simulated keyboard; it lives as long as `backend`.
    SimulatedKeyboardControls* simulated = nullptr;
};

#ifdef MORVANE_HAVE_HIDAPI
// The real keyboard among the HID devices (hidapi, hot-plug through udev).
std::unique_ptr<KeyboardBackend> makeHidapiBackend();
#endif
#ifdef MORVANE_HAVE_WINDOWS_HID
// The real keyboard through the system's HID services (SetupAPI, HidD_*).
std::unique_ptr<KeyboardBackend> makeWindowsHidBackend();
#endif

// "auto", "none" or "sim:STATE[,...]". Returns no backend and sets `error` on
// a bad device text.
BackendChoice makeKeyboardBackend(const std::string& device, std::string& error);

}  // namespace morvane
