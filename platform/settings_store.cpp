#include "platform/settings_store.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "platform/file_io.h"
#include "platform/program_folder.h"
#include "platform/utf.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace morvane {

namespace fs = std::filesystem;

namespace {

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The file's lines; an absent file has none. Nothing when the file is there
// but cannot be read, or when there is no file to speak of.
std::optional<std::vector<std::string>> readLines(const fs::path& file) {
    if (file.empty()) return std::nullopt;
    std::error_code ec;
    const fs::file_status st = fs::status(file, ec);
    if (st.type() == fs::file_type::not_found) return std::vector<std::string>{};
    if (ec || st.type() != fs::file_type::regular) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return splitLines(content);
}

std::optional<std::string_view> sectionName(std::string_view line) {
    const std::string_view t = trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return std::nullopt;
    return t.substr(1, t.size() - 2);
}

bool isComment(std::string_view line) {
    const std::string_view t = trim(line);
    return !t.empty() && (t.front() == ';' || t.front() == '#');
}

// Where a value lies in the lines: the section header, the value's own line,
// and the line after the section's last non-blank line.
struct Place {
    std::optional<std::size_t> header;
    std::optional<std::size_t> entry;
    std::size_t insertAt = 0;
};

Place find(const std::vector<std::string>& lines, std::string_view key, std::string_view name) {
    Place place;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const auto section = sectionName(lines[i])) {
            if (place.header) break;  // the section ended
            if (sameName(*section, key)) {
                place.header = i;
                place.insertAt = i + 1;
            }
            continue;
        }
        if (!place.header) continue;
        if (!trim(lines[i]).empty()) place.insertAt = i + 1;
        if (place.entry || isComment(lines[i])) continue;
        const auto eq = lines[i].find('=');
        if (eq != std::string::npos && sameName(trim(std::string_view(lines[i]).substr(0, eq)), name))
            place.entry = i;
    }
    return place;
}

}  // namespace

bool IniSettingsStore::keyOpens(std::string_view) const { return readLines(file_).has_value(); }

std::vector<std::string> splitLines(std::string_view content) {
    std::vector<std::string> lines;
    while (!content.empty()) {
        const std::size_t end = content.find('\n');
        std::string line(content.substr(0, end));
        // Every carriage return at the end: one left over would be taken
        // away only on the next read, after a write, and a section header
        // ending so would then appear where none was seen before.
        while (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        if (end == std::string_view::npos) break;
        content.remove_prefix(end + 1);
    }
    return lines;
}

std::optional<std::u16string> iniValue(const std::vector<std::string>& lines, std::string_view key,
                                       std::string_view name) {
    const Place place = find(lines, key, name);
    if (!place.entry) return std::nullopt;
    const std::string& line = lines[*place.entry];
    return toUtf16(std::string_view(line).substr(line.find('=') + 1));
}

namespace {

// Sets the value in `lines`; false when the text holds a line break, which
// would end the value early and start a line of its own.
bool setInLines(std::vector<std::string>& lines, std::string_view key, std::string_view name,
                std::u16string_view text) {
    if (text.find_first_of(std::u16string_view(u"\r\n\0", 3)) != std::u16string_view::npos) return false;
    const std::string entry = std::string(name) + "=" + toUtf8(text);
    const Place place = find(lines, key, name);
    if (place.entry) {
        lines[*place.entry] = entry;
    } else if (place.header) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(place.insertAt), entry);
    } else {
        if (!lines.empty() && !trim(lines.back()).empty()) lines.emplace_back();
        lines.push_back("[" + std::string(key) + "]");
        lines.push_back(entry);
    }
    return true;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string content;
    for (const std::string& line : lines) content += line + "\n";
    return content;
}

}  // namespace

std::optional<std::string> iniWithValue(std::vector<std::string> lines, std::string_view key, std::string_view name,
                                        std::u16string_view text) {
    if (!setInLines(lines, key, name, text)) return std::nullopt;
    return joinLines(lines);
}

std::optional<std::u16string> IniSettingsStore::value(std::string_view key, std::string_view name) const {
    const auto lines = readLines(file_);
    if (!lines) return std::nullopt;
    return iniValue(*lines, key, name);
}

bool IniSettingsStore::setValue(std::string_view key, std::string_view name, std::u16string_view text) {
    return setValues(key, {{std::string(name), std::u16string(text)}});
}

bool IniSettingsStore::setValues(std::string_view key, const ValueTexts& values) {
    return exclusively([&] {
        auto lines = readLines(file_);
        if (!lines) {
            problem_ = "the settings file " + file_.string() + " cannot be read";
            return false;
        }
        for (const auto& [name, text] : values) {
            if (!setInLines(*lines, key, name, text)) {
                problem_ = "the setting " + name + " cannot hold a line break";
                return false;
            }
        }
        const std::string content = joinLines(*lines);
        const FileWrite written = replaceFile(file_, {bytesOf(content.data(), content.size())});
        if (!written) problem_ = "the settings file " + file_.string() + " cannot be written: " + written.reason;
        return written.ok;
    });
}

fs::path IniSettingsStore::lockFile() const {
    fs::path lock = file_;
    lock += ".lock";
    return lock;
}

bool IniSettingsStore::exclusively(const std::function<bool()>& change) {
    const std::lock_guard<std::recursive_mutex> guard(changing_);
    if (lockDepth_ > 0) return change();
    if (file_.empty()) {
        problem_ = "no settings file: neither XDG_CONFIG_HOME nor HOME is set";
        return false;
    }
    std::error_code ec;
    fs::create_directories(file_.parent_path(), ec);
    // A run as root that kept the user's HOME would leave files of root's
    // there that the user's own runs then cannot replace or lock.
    if (std::string why = checkFolderIsOurs(file_.parent_path()); !why.empty()) {
        problem_ = why;
        return false;
    }
    // A change is a moment's work: a holder that keeps the lock for long is
    // stuck, and waiting on it would hang the program.
    LockWait wait;
    wait.reportAfter = std::chrono::hours(1);
    wait.giveUpAfter = std::chrono::seconds(10);
    wait.retryEvery = std::chrono::milliseconds(5);
    const LockRequest request{lockFile(), "the settings file " + file_.string(), "", ""};
    std::string error;
    if (waitForLock(lock_, request, wait, {}, {}, error) != FileLock::State::Taken) {
        problem_ = error;
        return false;
    }
    problem_.clear();
    ++lockDepth_;
    bool ok = false;
    try {
        ok = change();
    } catch (...) {
        --lockDepth_;
        lock_.release();
        throw;
    }
    --lockDepth_;
    lock_.release();
    return ok;
}

fs::path userSettingsFile() {
    fs::path base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && fs::path(xdg).is_absolute()) {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = fs::path(home) / ".config";
    } else {
        return {};
    }
    return base / "Morvane" / "settings.ini";
}

#ifdef _WIN32

namespace {

std::wstring wide(std::string_view text) {
    const std::u16string u = toUtf16(text);
    return std::wstring(u.begin(), u.end());
}

class RegistrySettingsStore final : public SettingsStore {
public:
    // A key that is not there yet is made: a copy run from a folder, with
    // no installer to make the keys, would otherwise remember no profile and
    // no language from one start to the next.
    bool keyOpens(std::string_view key) const override {
        HKEY h = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, wide(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                            nullptr) != ERROR_SUCCESS)
            return false;
        RegCloseKey(h);
        return true;
    }

    std::optional<std::u16string> value(std::string_view key, std::string_view name) const override {
        HKEY h = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, wide(key).c_str(), 0, KEY_ALL_ACCESS, &h) != ERROR_SUCCESS)
            return std::nullopt;
        const std::wstring valueName = wide(name);
        DWORD type = 0;
        DWORD size = 0;
        std::optional<std::u16string> text;
        if (RegQueryValueExW(h, valueName.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            std::vector<wchar_t> data(size / sizeof(wchar_t) + 1, L'\0');
            if (RegQueryValueExW(h, valueName.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(data.data()),
                                 &size) == ERROR_SUCCESS) {
                // Stored with or without its terminating zero: the text ends at
                // the first zero or after the bytes received.
                std::size_t n = size / sizeof(wchar_t);
                for (std::size_t i = 0; i < n; ++i)
                    if (data[i] == L'\0') n = i;
                text = std::u16string(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
            }
        }
        RegCloseKey(h);
        return text;
    }

    bool setValue(std::string_view key, std::string_view name, std::u16string_view text) override {
        HKEY h = nullptr;
        if (!keyOpens(key) ||
            RegOpenKeyExW(HKEY_CURRENT_USER, wide(key).c_str(), 0, KEY_ALL_ACCESS, &h) != ERROR_SUCCESS)
            return false;
        const bool ok = RegSetValueExW(h, wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                                       static_cast<DWORD>(text.size() * sizeof(char16_t))) == ERROR_SUCCESS;
        RegCloseKey(h);
        return ok;
    }

    bool setValues(std::string_view key, const ValueTexts& values) override {
        for (const auto& [name, text] : values)
            if (!setValue(key, name, text)) return false;
        return true;
    }
};

}  // namespace

std::unique_ptr<SettingsStore> openUserSettings() { return std::make_unique<RegistrySettingsStore>(); }

#else

std::unique_ptr<SettingsStore> openUserSettings() {
    const fs::path file = userSettingsFile();
    // A save cut short by a kill leaves its temporary file; it is ours to clear.
    if (!file.empty()) removeStaleTemporaries(file.parent_path(), file.filename().string());
    return std::make_unique<IniSettingsStore>(file);
}

#endif

void LoadCurrentProfileName(SettingsStore& store, std::string& currentProfileName) {
    if (!store.keyOpens(kProfileSettingsKey)) return;
    // The value is read into room for 100 units, one of which the
    // terminating zero needs: 99 units at most fit.
    constexpr std::size_t kBufferUnits = 100;
    std::optional<std::u16string> text = store.value(kProfileSettingsKey, kCurrentProfileValue);
    if (!text || text->size() >= kBufferUnits) {
        text = u"Profile_1.bin";
        // Only a default put back: the next start finds it missing again.
        (void)store.setValue(kProfileSettingsKey, kCurrentProfileValue, *text);
    }
    currentProfileName = toUtf8(*text);
}

void StoreCurrentProfileName(SettingsStore& store, const std::string& currentProfileName) {
    if (!store.keyOpens(kProfileSettingsKey)) return;
    // The profile is applied either way; a settings file that cannot be
    // written only means the next start selects the previous one.
    (void)store.setValue(kProfileSettingsKey, kCurrentProfileValue, toUtf16(currentProfileName));
}

std::uint16_t LoadLanguage(const SettingsStore& store) {
    constexpr std::uint16_t kChinese = 4;  // the uiLanguage words
    constexpr std::uint16_t kEnglish = 9;
    const auto text = store.value(kLanguageSettingsKey, kLanguageValue);
    if (!text) return languageOfLocale();
    return *text == u"chinese" ? kChinese : kEnglish;
}

bool StoreLanguage(SettingsStore& store, std::uint16_t language) {
    return store.setValue(kLanguageSettingsKey, kLanguageValue, language == 4 ? u"chinese" : u"english");
}

std::uint16_t languageOfLocale(const char* lcAll, const char* lcMessages, const char* lang) {
    for (const char* name : {lcAll, lcMessages, lang})
        if (name && *name) return std::string_view(name).starts_with("zh") ? 4 : 9;
    return 9;
}

std::uint16_t languageOfLocale() {
#ifdef _WIN32
    // Windows names the user's language itself; LANG is rarely set there.
    if (!std::getenv("LC_ALL") && !std::getenv("LC_MESSAGES") && !std::getenv("LANG"))
        return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_CHINESE ? 4 : 9;
#endif
    return languageOfLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

}  // namespace morvane
