// Session::onDevice, for the session's source files that post device work.
#pragma once

#include <memory>

#include "session/session.h"
#include "device/device_thread.h"

namespace morvane {

// Runs `work` on the device thread and `done` with its result on the owner's.
template <class Result>
void Session::onDevice(std::function<Result()> work, std::function<void(Result&)> done) {
    if (busy_++ == 0 && listener_.busyChanged) listener_.busyChanged(true);
    std::weak_ptr<bool> alive = alive_;
    device_->post([this, alive, work = std::move(work), done = std::move(done)]() mutable {
        auto result = std::make_shared<Result>(work());
        dispatcher_->post([this, alive, result, done = std::move(done)] {
            const auto a = alive.lock();
            if (!a || !*a) return;
            done(*result);
            noteLogFailure();
            if (--busy_ == 0 && listener_.busyChanged) listener_.busyChanged(false);
        });
    });
}

}  // namespace morvane
