// The desktop sources of the active window, tried in order: the first that
// works is the one followed. A wlroots compositor's own comes first, then
// X11 (and XWayland).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/active_window.h"

namespace morvane {

// The first source that starts, already calling `changed`; nothing when none
// works, with each one's reason in `why`.
std::unique_ptr<ActiveWindowSource> startActiveWindowSource(std::function<void(const ActiveWindow&)> changed,
                                                            std::string& why);

// Why no source works here ("" when one does), found by starting and
// stopping them.
std::string whyActiveWindowUnknown();

// In one line, which source is followed here, or why none is.
std::string describeActiveWindowSource();

}  // namespace morvane
