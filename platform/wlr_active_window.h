// The active window on wlroots compositors (Sway, Hyprland, Wayfire, labwc):
// the compositor announces every toplevel of every client through
// zwlr_foreign_toplevel_manager_v1, on a Wayland connection of this source's
// own, and marks the one with the keyboard focus "activated". A toplevel's
// app id stands for both strings of an X11 class.
#pragma once

#include <memory>
#include <string>

#include "platform/active_window.h"

namespace morvane {

// `display` as WAYLAND_DISPLAY gives it (a name in XDG_RUNTIME_DIR, or an
// absolute socket path); empty: the WAYLAND_DISPLAY of the environment.
std::unique_ptr<ActiveWindowSource> makeWlrActiveWindowSource(std::string display = {});

}  // namespace morvane
