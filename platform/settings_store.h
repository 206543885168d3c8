// The two per-user settings of the program: the current profile's file name
// ("Software\QX703" "CurrentProfileName") and the interface language
// ("Software\QX915" "Language"). On Windows they live in the registry under
// the current user; elsewhere in a small INI-style file in the user's
// configuration folder, with the same keys and values.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_lock.h"

namespace morvane {

inline constexpr std::string_view kProfileSettingsKey = "Software\\QX703";
inline constexpr std::string_view kCurrentProfileValue = "CurrentProfileName";
// How many restore points of the keyboard are kept (1..1000; 20 when unset).
inline constexpr std::string_view kRestorePointsValue = "RestorePoints";
inline constexpr std::string_view kLanguageSettingsKey = "Software\\QX915";
inline constexpr std::string_view kLanguageValue = "Language";

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // Whether the key can be opened (the registry makes a missing one). A key
    // that cannot be opened is neither read nor written, and nothing is
    // reported.
    virtual bool keyOpens(std::string_view key) const = 0;
    // The value's text; nothing when the key cannot be opened or lacks the value.
    virtual std::optional<std::u16string> value(std::string_view key, std::string_view name) const = 0;
    // Stores the text as it is (no terminating zero). False when the key
    // cannot be opened or the store cannot take the text.
    [[nodiscard]] virtual bool setValue(std::string_view key, std::string_view name, std::u16string_view text) = 0;
    // Stores several values of one key as one change. The file takes all of
    // them in one replacement or, when one cannot be taken, none; the
    // registry takes them one by one, in this order.
    using ValueTexts = std::vector<std::pair<std::string, std::u16string>>;
    [[nodiscard]] virtual bool setValues(std::string_view key, const ValueTexts& values) = 0;
    // Runs `change` while no other process changes these settings: what it
    // reads stays current until its writes are done, so a read-modify-write
    // of two programs at once loses neither's change. False, without running
    // `change`, when that cannot be had; else what `change` returns. The
    // registry keeps each value whole on its own, and runs it as it is.
    [[nodiscard]] virtual bool exclusively(const std::function<bool()>& change) { return change(); }
    // In one line, why the last change failed when the store knows; else empty.
    virtual std::string lastProblem() const { return {}; }
};

// The INI-style store: "[Software\QX703]" sections with "Name=value" lines,
// values in UTF-8 taken to the end of the line. Section and value names are
// matched without regard to case, as registry names are. A missing file or
// section is an empty key; the key cannot be opened when the file exists but
// cannot be read, or when no file is given at all. Writes replace the file
// atomically and keep every other line of it.
// The INI text an IniSettingsStore keeps, without its file: the lines of a
// content, one value looked up in them, and the content with a value set
// (nothing when the value holds a line break).
std::vector<std::string> splitLines(std::string_view content);
std::optional<std::u16string> iniValue(const std::vector<std::string>& lines, std::string_view key,
                                       std::string_view name);
std::optional<std::string> iniWithValue(std::vector<std::string> lines, std::string_view key, std::string_view name,
                                        std::u16string_view text);

// Every change replaces the whole file once, under a lock on the file beside
// it ("settings.ini.lock"), so changes by several programs at once all stay.
class IniSettingsStore final : public SettingsStore {
public:
    explicit IniSettingsStore(std::filesystem::path file) : file_(std::move(file)) {}

    bool keyOpens(std::string_view key) const override;
    std::optional<std::u16string> value(std::string_view key, std::string_view name) const override;
    bool setValue(std::string_view key, std::string_view name, std::u16string_view text) override;
    bool setValues(std::string_view key, const ValueTexts& values) override;
    bool exclusively(const std::function<bool()>& change) override;
    std::string lastProblem() const override { return problem_; }

    const std::filesystem::path& file() const { return file_; }
    std::filesystem::path lockFile() const;

private:
    std::filesystem::path file_;
    // One thread at a time changes through this object; the file lock keeps
    // other processes (and other objects) out.
    std::recursive_mutex changing_;
    FileLock lock_;
    int lockDepth_ = 0;  // changes within a change run under the lock already held
    std::string problem_;
};

// "$XDG_CONFIG_HOME/Morvane/settings.ini", or "~/.config/Morvane/settings.ini"
// when XDG_CONFIG_HOME is unset or not absolute. Empty when neither gives a folder.
std::filesystem::path userSettingsFile();

// The current user's store: the registry on Windows, userSettingsFile() elsewhere.
std::unique_ptr<SettingsStore> openUserSettings();

// The current profile name as the program reads it: a value of 100 UTF-16
// units or more, or none at all, is replaced by "Profile_1.bin", which is also
// written back. When the key cannot be opened `currentProfileName` (UTF-8)
// keeps its content.
void LoadCurrentProfileName(SettingsStore& store, std::string& currentProfileName);
void StoreCurrentProfileName(SettingsStore& store, const std::string& currentProfileName);

// 4 (Chinese) when "Language" reads exactly "chinese", 9 (English) for any
// other value; without a value, the locale's language (languageOfLocale).
std::uint16_t LoadLanguage(const SettingsStore& store);
// Writes "chinese" for 4, "english" for anything else; false when it could
// not be written.
bool StoreLanguage(SettingsStore& store, std::uint16_t language);
// The language of the locale the first set one of LC_ALL, LC_MESSAGES and
// LANG names (null or empty: unset): Chinese for "zh...", else English.
std::uint16_t languageOfLocale(const char* lcAll, const char* lcMessages, const char* lang);
// The same for this process's environment.
std::uint16_t languageOfLocale();

}  // namespace morvane
