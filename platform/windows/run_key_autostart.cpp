// Start at login on Windows: a value of the current user's Run key, which the
// shell reads at every logon.
#include "platform/autostart.h"

#include <windows.h>

#include "platform/utf.h"

namespace morvane {

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kValueName[] = L"Morvane";

std::wstring wide(const std::string& text) {
    const std::u16string u = toUtf16(text);
    return std::wstring(u.begin(), u.end());
}

}  // namespace

bool autostartEnabled() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    const bool there = RegQueryValueExW(key, kValueName, nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
                       (type == REG_SZ || type == REG_EXPAND_SZ);
    RegCloseKey(key);
    return there;
}

// The path quoted whole: a blank in "Program Files" must not split it.
std::string autostartEntryText(const std::filesystem::path& executable) {
    return "\"" + toUtf8(executable.u16string()) + "\" --tray";
}

std::string setAutostart(bool on, const std::filesystem::path& executable) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return "the Run key of the current user cannot be opened";
    LONG result = ERROR_SUCCESS;
    if (on) {
        const std::wstring text = wide(autostartEntryText(executable));
        result = RegSetValueExW(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    } else {
        result = RegDeleteValueW(key, kValueName);
        if (result == ERROR_FILE_NOT_FOUND) result = ERROR_SUCCESS;
    }
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return std::string("the Run value \"Morvane\" could not be ") + (on ? "written" : "removed") + " (error " +
               std::to_string(result) + ")";
    return {};
}

}  // namespace morvane
