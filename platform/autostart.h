// Start at login: the desktop's autostart entry for this program, in
// $XDG_CONFIG_HOME/autostart (else ~/.config/autostart), named after the
// application id (an entry "morvane.desktop" of earlier versions counts and
// is replaced). It starts the program
// in the tray, where launch keys work, without splash screen or window.
#pragma once

#include <filesystem>
#include <string>

namespace morvane {

// The entry's file; empty when neither XDG_CONFIG_HOME nor HOME is usable.
std::filesystem::path autostartEntryFile();

bool autostartEnabled();

// The entry's text for `executable`, quoted as desktop entries require.
std::string autostartEntryText(const std::filesystem::path& executable);

// Writes the entry for `executable` (on) or removes it (off). Returns an
// empty text or, in one line, what went wrong.
std::string setAutostart(bool on, const std::filesystem::path& executable);

}  // namespace morvane
