#include "platform/autostart.h"

#include <cstdlib>
#include <system_error>

#include "platform/file_io.h"

namespace morvane {

namespace fs = std::filesystem;

fs::path autostartEntryFile() {
    fs::path base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && fs::path(xdg).is_absolute()) base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home) base = fs::path(home) / ".config";
    else return {};
    return base / "autostart" / "morvane.desktop";
}

bool autostartEnabled() {
    const fs::path file = autostartEntryFile();
    std::error_code ec;
    return !file.empty() && fs::is_regular_file(file, ec);
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
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Morvane\n"
           "Comment=Keeps the keyboard's launch keys working\n"
           "Exec=" + exec + "\n"
           "Icon=morvane\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

std::string setAutostart(bool on, const fs::path& executable) {
    const fs::path file = autostartEntryFile();
    if (file.empty()) return "no folder for the autostart entry: neither XDG_CONFIG_HOME nor HOME is set";
    std::error_code ec;
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
