// What the backends of a real keyboard share on every system: its two opened
// interfaces with their paths (guarded against the hot-plug thread, which
// compares them with what went away), the model, and why the last open failed.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "device/hid_matching.h"
#include "device/keyboard_backend.h"

namespace morvane {

class OpenedKeyboard : public KeyboardBackend {
public:
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

protected:
    // Keeps the newly opened interface playing `role`; the last open succeeded.
    void adopt(InterfaceRole role, std::unique_ptr<HidTransport> transport, const std::string& path,
               KeyboardModel model) {
        model_ = model;
        problem_.clear();
        std::lock_guard lock(mutex_);
        (role == InterfaceRole::Control ? control_ : events_) = std::move(transport);
        (role == InterfaceRole::Control ? controlPath_ : eventsPath_) = path;
    }
    // The last open failed, for this reason told to the user.
    bool fail(OpenFailure failure, std::string problem) {
        failure_ = failure;
        problem_ = std::move(problem);
        return false;
    }
    // The paths of the control and the event interface ("" when closed).
    std::pair<std::string, std::string> openedPaths() {
        std::lock_guard lock(mutex_);
        return {controlPath_, eventsPath_};
    }

private:
    std::mutex mutex_;
    std::unique_ptr<HidTransport> control_;
    std::unique_ptr<HidTransport> events_;
    std::string controlPath_;
    std::string eventsPath_;
    KeyboardModel model_ = KeyboardModel::None;
    std::string problem_;
    OpenFailure failure_ = OpenFailure::NotFound;
};

}  // namespace morvane
