// The active window on desktops that tell it only to scripts of their own:
// KDE Plasma's KWin runs a script this source loads over D-Bus, GNOME Shell
// runs the extension shipped with the program. Either calls back
// Activated(id, class, instance, title) on the session bus.
#pragma once

#include <memory>
#include <string>

#include "platform/active_window.h"
#include "platform/session_bus.h"

namespace morvane {

// The extension's identity, as `gnome-extensions enable` takes it.
inline constexpr const char* kGnomeExtensionUuid = "morvane@morvane.org";

std::unique_ptr<ActiveWindowSource> makeKWinActiveWindowSource();
std::unique_ptr<ActiveWindowSource> makeGnomeActiveWindowSource();

// What a desktop script reported, as the rules see it. An empty id is no
// window (KWin reports one before each real activation).
ActiveWindow activeWindowOf(const ReportedWindow& reported);

}  // namespace morvane
