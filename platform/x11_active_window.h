// The active window of an X11 desktop (XWayland included) as a window manager
// that follows EWMH announces it: the root window's _NET_ACTIVE_WINDOW,
// followed through property-change events, and that window's WM_CLASS and
// _NET_WM_NAME (WM_NAME where it has none).
#pragma once

#include <memory>
#include <string>

#include "platform/active_window.h"

namespace morvane {

// `display` as DISPLAY gives it; empty: the DISPLAY of the environment.
std::unique_ptr<ActiveWindowSource> makeX11ActiveWindowSource(std::string display = {});

}  // namespace morvane
