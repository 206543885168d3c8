// The real keyboard through hidapi's hidraw backend.
#include <hidapi/hidapi.h>

#include <vector>

#include "base/keyboard_model.h"
#include "device/hid/hidapi_devices.h"
#include "device/hid/hidraw_events.h"
#include "device/hid/udev_hotplug.h"
#include "device/hid_matching.h"
#include "device/keyboard_backend.h"
#include "device/opened_keyboard.h"

namespace morvane {

namespace {

class HidapiBackend final : public OpenedKeyboard {
public:
    explicit HidapiBackend(HidapiOptions options) : options_(withSystemServices(std::move(options))) {
        hid_init();
        if (options_.clock) clock_ = options_.clock;
    }
    ~HidapiBackend() override {
        hotplug_.reset();
        closeAll();
    }

    Clock& clock() override { return *clock_; }

    bool openControl() override { return open(InterfaceRole::Control); }
    bool openEvents() override { return open(InterfaceRole::Events); }

    void watchHotplug(HotplugHandler handler) override {
        handler_ = std::move(handler);
        hotplug_ = options_.watchHidraw([this](const HidrawEvent& e) { onHidraw(e); });
    }

private:
    bool open(InterfaceRole role) {
        const auto nodes = enumerateVendorInterfaces(options_);
        std::vector<HidInterfaceInfo> interfaces;
        for (const auto& node : nodes) interfaces.push_back(node.info);
        const auto match = matchKeyboardInterface(interfaces, role, nativePathConvention());
        // A failed search opens nothing, not even what was found last time.
        if (!match) return fail(OpenFailure::NotFound, "no keyboard found");
        const std::string& path = interfaces[match->index].path;
        std::string error;
        bool denied = false;
        const bool numbered = hasNumberedReports(nodes[match->index]);
        std::unique_ptr<HidTransport> transport = openHidPath(path, numbered, error, denied);
        if (transport && role == InterfaceRole::Events) {
            // Read from the node itself where it opens, so that an idle reader sleeps.
            if (const int fd = options_.openEventNode(path); fd >= 0) {
                transport = std::make_unique<HidrawEventTransport>(std::move(transport), fd, numbered);
            }
        }
        if (!transport) {
            if (denied)
                return fail(OpenFailure::NotPermitted,
                            "the keyboard is attached but " + path + " cannot be opened for lack of permission (" +
                                error + "): install the udev rule 70-morvane.rules and plug the keyboard in again "
                                "(see README, or run morvane-cli doctor)");
            return fail(OpenFailure::CannotOpen,
                        "the keyboard is attached but " + path + " cannot be opened (" + error +
                            "): run morvane-cli doctor");
        }
        adopt(role, std::move(transport), path, match->model);
        return true;
    }

    void onHidraw(const HidrawEvent& e) {
        if (!handler_) return;
        const auto [control, events] = openedPaths();
        const HotplugMeaning meaning = meaningOf(e, control, events);
        if (meaning != HotplugMeaning::Nothing) handler_(meaning == HotplugMeaning::KeyboardMayHaveArrived);
    }

    HidapiOptions options_;
    SystemClock systemClock_;
    Clock* clock_ = &systemClock_;
    HotplugHandler handler_;
    std::unique_ptr<HidrawWatch> hotplug_;
};

}  // namespace

std::unique_ptr<KeyboardBackend> makeHidapiBackend(HidapiOptions options) {
    return std::make_unique<HidapiBackend>(std::move(options));
}

std::unique_ptr<KeyboardBackend> makeHidapiBackend() { return makeHidapiBackend(HidapiOptions{}); }

}  // namespace morvane
