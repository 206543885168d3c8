#include "platform/active_window_sources.h"

#include "platform/x11_active_window.h"

namespace morvane {

std::unique_ptr<ActiveWindowSource> startActiveWindowSource(std::function<void(const ActiveWindow&)> changed,
                                                            std::string& why) {
    std::unique_ptr<ActiveWindowSource> sources[] = {makeX11ActiveWindowSource()};
    why.clear();
    for (auto& source : sources) {
        std::string reason;
        if (source->start(changed, reason)) {
            why.clear();
            return std::move(source);
        }
        why += (why.empty() ? "" : "; ") + reason;
    }
    return nullptr;
}

std::string whyActiveWindowUnknown() {
    std::string why;
    if (auto source = startActiveWindowSource([](const ActiveWindow&) {}, why)) source->stop();
    return why;
}

}  // namespace morvane
