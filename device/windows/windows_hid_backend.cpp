// The real keyboard on Windows: found among the HID class's interfaces by
// its ids and the "mi_03" (control) and "col04" (key events) parts of their
// paths, opened through the system's HID services, followed through
// device-interface notifications.
#include "device/opened_keyboard.h"
#include "device/windows/windows_hid_devices.h"
#include "device/windows/windows_hotplug.h"

namespace morvane {

namespace {

class WindowsHidBackend final : public OpenedKeyboard {
public:
    ~WindowsHidBackend() override {
        watch_.reset();
        closeAll();
    }

    Clock& clock() override { return clock_; }
    bool openControl() override { return open(InterfaceRole::Control); }
    bool openEvents() override { return open(InterfaceRole::Events); }

    void watchHotplug(HotplugHandler handler) override {
        handler_ = std::move(handler);
        watch_ = watchHidInterfaces([this](const DeviceInterfaceChange& change) { onChange(change); });
    }

private:
    bool open(InterfaceRole role) {
        const auto interfaces = enumerateHidInterfaces();
        const auto match = matchKeyboardInterface(interfaces, role, PathConvention::Windows);
        // A failed search opens nothing, not even what was found last time.
        if (!match) return fail(OpenFailure::NotFound, "no keyboard found");
        const std::string& path = interfaces[match->index].path;
        std::string error;
        bool denied = false;
        auto transport = openWindowsHidPath(path, error, denied);
        if (!transport)
            return fail(denied ? OpenFailure::NotPermitted : OpenFailure::CannotOpen,
                        "the keyboard is attached but " + path + " cannot be opened (" + error +
                            (denied ? "; close the keyboard's other configuration programs" : "") +
                            "): run morvane-cli doctor");
        adopt(role, std::move(transport), path, match->model);
        return true;
    }

    void onChange(const DeviceInterfaceChange& change) {
        if (!handler_) return;
        const auto [control, events] = openedPaths();
        const InterfaceChangeMeaning meaning = meaningOf(change, control, events);
        if (meaning != InterfaceChangeMeaning::Nothing)
            handler_(meaning == InterfaceChangeMeaning::KeyboardMayHaveArrived);
    }

    SystemClock clock_;
    HotplugHandler handler_;
    std::unique_ptr<DeviceInterfaceWatch> watch_;
};

}  // namespace

std::unique_ptr<KeyboardBackend> makeWindowsHidBackend() { return std::make_unique<WindowsHidBackend>(); }

}  // namespace morvane
