// The active window on Windows: foreground-window events of the system
// (SetWinEventHook, EVENT_SYSTEM_FOREGROUND), and title changes of that window.
#pragma once

#include <memory>

#include "platform/active_window.h"

namespace morvane {

// The class is the window's executable name ("notepad.exe"), the instance
// the same without its extension ("notepad"), so a rule names a program as
// its user knows it.
std::unique_ptr<ActiveWindowSource> makeForegroundWindowSource();

}  // namespace morvane
