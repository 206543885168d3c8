// Start at login. It starts the program in the tray, where launch keys work,
// without splash screen or window. On Linux: the desktop's autostart entry for
// this program, in $XDG_CONFIG_HOME/autostart (else ~/.config/autostart),
// named after the application id (an entry "morvane.desktop" of earlier
// versions counts and is replaced). On Windows: the value "Morvane" of the
// current user's Run key.
#pragma once

#include <filesystem>
#include <string>

namespace morvane {

#ifndef _WIN32
// The entry's file; empty when neither XDG_CONFIG_HOME nor HOME is usable.
std::filesystem::path autostartEntryFile();
#endif

bool autostartEnabled();

// The entry's text for `executable`: a desktop entry quoted as those require,
// or on Windows the Run value's command line.
std::string autostartEntryText(const std::filesystem::path& executable);

// Writes the entry for `executable` (on) or removes it (off). Returns an
// empty text or, in one line, what went wrong.
std::string setAutostart(bool on, const std::filesystem::path& executable);

}  // namespace morvane
