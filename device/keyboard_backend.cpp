#include "device/keyboard_backend.h"

#include "device/sim/sim_keyboard.h"

namespace morvane {

namespace {

// No keyboard: nothing ever opens.
class NoKeyboard final : public KeyboardBackend {
public:
    explicit NoKeyboard(std::string problem = {}) : problem_(std::move(problem)) {}
    Clock& clock() override { return clock_; }
    bool openControl() override { return false; }
    bool openEvents() override { return false; }
    void closeAll() override {}
    HidTransport* control() override { return nullptr; }
    HidTransport* events() override { return nullptr; }
    KeyboardModel keyboardModel() const override { return KeyboardModel::None; }
    std::string problem() const override { return problem_; }

private:
    SystemClock clock_;
    std::string problem_;
};

class SimulatedKeyboard final : public KeyboardBackend, public SimulatedKeyboardControls {
public:
    explicit SimulatedKeyboard(SimOptions options) : sim_(std::move(options)) {}
    Clock& clock() override { return sim_.clock(); }

    bool openControl() override {
        if (!sim_.plugged()) return false;
        if (!poweredOn_) {
            if (!sim_.powerOn()) {
                problem_ = "the simulated keyboard cannot keep its state file";
                failure_ = OpenFailure::CannotOpen;
                return false;
            }
            poweredOn_ = true;
        }
        controlOpen_ = true;
        model_ = sim_.model();
        return true;
    }
    bool openEvents() override {
        if (!sim_.plugged() || !poweredOn_) return false;
        eventsOpen_ = true;
        return true;
    }
    void closeAll() override { controlOpen_ = eventsOpen_ = false; }
    HidTransport* control() override { return controlOpen_ ? &sim_.control() : nullptr; }
    HidTransport* events() override { return eventsOpen_ ? &sim_.events() : nullptr; }
    KeyboardModel keyboardModel() const override { return model_; }
    std::string problem() const override { return problem_; }
    OpenFailure openFailure() const override { return sim_.plugged() ? failure_ : OpenFailure::NotFound; }

    void watchHotplug(HotplugHandler handler) override { handler_ = std::move(handler); }
    void unplug() override {
        sim_.unplug();
        if (handler_) handler_(false);
    }
    void plug() override {
        sim_.plug();
        if (handler_) handler_(true);
    }
    void reportEvent(const EventReport& report) override { sim_.reportEvent(report); }
    SimKeyboard& keyboard() override { return sim_; }

private:
    SimKeyboard sim_;
    bool poweredOn_ = false;
    bool controlOpen_ = false;
    bool eventsOpen_ = false;
    KeyboardModel model_ = KeyboardModel::None;
    std::string problem_;
    OpenFailure failure_ = OpenFailure::NotFound;
    HotplugHandler handler_;
};

}  // namespace

BackendChoice makeKeyboardBackend(const std::string& device, std::string& error) {
    if (device == "none") return {std::make_unique<NoKeyboard>()};
#if defined(MORVANE_HAVE_HIDAPI)
    if (device == "auto") return {makeHidapiBackend()};
#elif defined(MORVANE_HAVE_WINDOWS_HID)
    if (device == "auto") return {makeWindowsHidBackend()};
#else
    if (device == "auto") return {std::make_unique<NoKeyboard>("this build has no HID support")};
#endif
    if (device.rfind("sim:", 0) == 0) {
        auto options = parseSimOptions(device.substr(4), error);
        if (!options) return {};
        auto sim = std::make_unique<SimulatedKeyboard>(std::move(*options));
        SimulatedKeyboardControls* controls = sim.get();
        return {std::move(sim), controls};
    }
    error = "unknown device \"" + device + "\" (use auto, none or sim:STATE)";
    return {};
}

}  // namespace morvane
