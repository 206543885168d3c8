#include "platform/autostart.h"

#include <cstdlib>
#include <system_error>

#include "platform/file_io.h"

namespace morvane {

namespace fs = std::filesystem;

namespace {

fs::path autostartFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && fs::path(xdg).is_absolute())
        return fs::path(xdg) / "autostart";
    if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home) / ".config" / "autostart";
    return {};
}

// The name earlier versions wrote the entry under.
fs::path oldAutostartEntryFile() {
    const fs::path folder = autostartFolder();
    return folder.empty() ? fs::path() : folder / "morvane.desktop";
}

}  // namespace

fs::path autostartEntryFile() {
    const fs::path folder = autostartFolder();
    return folder.empty() ? fs::path() : folder / "org.morvane.Morvane.desktop";
}

bool autostartEnabled() {
    std::error_code ec;
    for (const fs::path& file : {autostartEntryFile(), oldAutostartEntryFile()})
        if (!file.empty() && fs::is_regular_file(file, ec)) return true;
    return false;
}

std::string autostartEntryText(const fs::path& executable) {
    // Exec takes a quoted argument: inside the quotes ", `, $ and \ are
    // escaped with a backslash, which the value's own escaping doubles; a
    // field code's % is doubled too.
    std::string exec = "\"";
    for (char c : executable.string()) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') exec += "\\\\";
        if (c == '%') exec += '%';
        exec += c;
    }
    exec += "\" --tray";
    // TryExec: once the program is removed, the desktop skips the entry
    // instead of failing to start it at every login.
    std::string tryExec;
    for (char c : executable.string()) {
        if (c == '\\') tryExec += '\\';
        tryExec += c;
    }
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Morvane\n"
           "Comment=Keeps the keyboard's launch keys working\n"
           "TryExec=" + tryExec + "\n"
           "Exec=" + exec + "\n"
           "Icon=morvane\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

std::string setAutostart(bool on, const fs::path& executable) {
    const fs::path file = autostartEntryFile();
    if (file.empty()) return "no folder for the autostart entry: neither XDG_CONFIG_HOME nor HOME is set";
    std::error_code ec;
    // An entry of an earlier version goes either way: on, the new one takes its place.
    fs::remove(oldAutostartEntryFile(), ec);
    if (ec) return "\"" + oldAutostartEntryFile().string() + "\" could not be removed";
    if (!on) {
        fs::remove(file, ec);
        if (ec) return "\"" + file.string() + "\" could not be removed";
        return {};
    }
    fs::create_directories(file.parent_path(), ec);
    const std::string text = autostartEntryText(executable);
    if (!writeFileAtomic(file, {bytesOf(text.data(), text.size())}, Durability::Cached))
        return "\"" + file.string() + "\" could not be written";
    return {};
}

}  // namespace morvane
