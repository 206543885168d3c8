// The real keyboard through hidapi's hidraw backend.
#include <hidapi/hidapi.h>

#include <mutex>
#include <vector>

#include "base/keyboard_model.h"
#include "device/hid/hidapi_devices.h"
#include "device/hid/hidraw_events.h"
#include "device/hid/udev_hotplug.h"
#include "device/hid_matching.h"
#include "device/keyboard_backend.h"

namespace morvane {

namespace {

class HidapiBackend final : public KeyboardBackend {
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

    bool openControl() override { return open(InterfaceRole::Control, control_, controlPath_); }
    bool openEvents() override { return open(InterfaceRole::Events, events_, eventsPath_); }

    void closeAll() override {
        std::lock_guard lock(mutex_);
        control_.reset();
        events_.reset();
        controlPath_.clear();
        eventsPath_.clear();
    }

    HidTransport* control() override { return control_.get(); }
    HidTransport* events() override { return events_.get(); }
    KeyboardModel keyboardModel() const override { return model_; }
    std::string problem() const override { return problem_; }
    OpenFailure openFailure() const override { return failure_; }

    void watchHotplug(HotplugHandler handler) override {
        handler_ = std::move(handler);
        hotplug_ = options_.watchHidraw([this](const HidrawEvent& e) { onHidraw(e); });
    }

private:
    bool open(InterfaceRole role, std::unique_ptr<HidTransport>& slot, std::string& openedPath) {
        const auto nodes = enumerateVendorInterfaces(options_);
        std::vector<HidInterfaceInfo> interfaces;
        for (const auto& node : nodes) interfaces.push_back(node.info);
        const auto match = matchKeyboardInterface(interfaces, role, nativePathConvention());
        // A failed search opens nothing, not even what was found last time.
        if (!match) {
            problem_ = "no keyboard found";
            failure_ = OpenFailure::NotFound;
            return false;
        }
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
            failure_ = denied ? OpenFailure::NotPermitted : OpenFailure::CannotOpen;
            if (denied)
                problem_ = "the keyboard is attached but " + path + " cannot be opened for lack of permission (" +
                           error + "): install the udev rule 70-morvane.rules and plug the keyboard in again "
                           "(see README, or run morvane-cli doctor)";
            else
                problem_ = "the keyboard is attached but " + path + " cannot be opened (" + error +
                           "): run morvane-cli doctor";
            return false;
        }
        model_ = match->model;
        problem_.clear();
        std::lock_guard lock(mutex_);
        slot = std::move(transport);
        openedPath = path;
        return true;
    }

    void onHidraw(const HidrawEvent& e) {
        if (!handler_) return;
        HotplugMeaning meaning;
        {
            std::lock_guard lock(mutex_);
            meaning = meaningOf(e, controlPath_, eventsPath_);
        }
        if (meaning != HotplugMeaning::Nothing) handler_(meaning == HotplugMeaning::KeyboardMayHaveArrived);
    }

    HidapiOptions options_;
    SystemClock systemClock_;
    Clock* clock_ = &systemClock_;
    std::mutex mutex_;  // guards the opened paths against the hot-plug thread
    std::unique_ptr<HidTransport> control_;
    std::unique_ptr<HidTransport> events_;
    std::string controlPath_;
    std::string eventsPath_;
    KeyboardModel model_ = KeyboardModel::None;
    std::string problem_;
    OpenFailure failure_ = OpenFailure::NotFound;
    HotplugHandler handler_;
    std::unique_ptr<HidrawWatch> hotplug_;
};

}  // namespace

std::unique_ptr<KeyboardBackend> makeHidapiBackend(HidapiOptions options) {
    return std::make_unique<HidapiBackend>(std::move(options));
}

std::unique_ptr<KeyboardBackend> makeHidapiBackend() { return makeHidapiBackend(HidapiOptions{}); }

}  // namespace morvane
