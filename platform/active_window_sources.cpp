#include "platform/active_window_sources.h"

#include <vector>

#ifdef _WIN32
#include "platform/windows/foreground_window.h"
#else
#include "platform/x11_active_window.h"
#endif
#ifdef MORVANE_HAVE_WLR
#include "platform/wlr_active_window.h"
#endif
#ifdef MORVANE_HAVE_SESSION_BUS
#include "platform/bus_active_window.h"
#endif

namespace morvane {

std::unique_ptr<ActiveWindowSource> startActiveWindowSource(std::function<void(const ActiveWindow&)> changed,
                                                            std::string& why) {
    // A Wayland desktop's own source first: through XWayland the X11 one
    // would see only the windows that run on XWayland.
    std::vector<std::unique_ptr<ActiveWindowSource>> sources;
#ifdef MORVANE_HAVE_WLR
    sources.push_back(makeWlrActiveWindowSource());
#endif
#ifdef MORVANE_HAVE_SESSION_BUS
    sources.push_back(makeKWinActiveWindowSource());
    sources.push_back(makeGnomeActiveWindowSource());
#endif
#ifdef _WIN32
    sources.push_back(makeForegroundWindowSource());
#else
    sources.push_back(makeX11ActiveWindowSource());
#endif
    std::string all, mendable;
    for (auto& source : sources) {
        std::string reason;
        if (source->start(changed, reason)) {
            // Only what the user can mend is still worth telling.
            why = mendable;
            return std::move(source);
        }
        // Sources that share a way in (the session bus) fail alike: once is enough.
        if (all.find(reason) == std::string::npos) all += (all.empty() ? "" : "; ") + reason;
        if (source->desktopIsHere()) mendable += (mendable.empty() ? "" : "; ") + reason;
    }
    why = all;
    return nullptr;
}

std::string describeActiveWindowSource() {
    std::string why;
    auto source = startActiveWindowSource([](const ActiveWindow&) {}, why);
    if (!source) return "not followed: " + why;
    source->stop();
    return "followed through " + source->name() + (why.empty() ? "" : " only (" + why + ")");
}

std::string whyActiveWindowUnknown() {
    std::string why;
    if (auto source = startActiveWindowSource([](const ActiveWindow&) {}, why)) source->stop();
    return why;
}

}  // namespace morvane
