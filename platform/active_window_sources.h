// The desktop sources of the active window, tried in order: the first that
// works is the one followed. Only X11 (and XWayland) is known so far; another
// desktop's source goes into the list beside it.
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

}  // namespace morvane
