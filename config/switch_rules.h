// Which profile follows which application: rules "a window of class C" or "a
// window whose title contains T" -> profile P, tried in order, and a default
// profile for every other window. Kept in the settings store with the other
// per-user settings.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/outcome.h"
#include "platform/active_window.h"
#include "platform/settings_store.h"

namespace morvane {

inline constexpr std::string_view kSwitchingSettingsKey = "Software\\Morvane\\Switching";

// Whether either WM_CLASS string of the window is `name`, without regard to
// case: how a class rule matches.
bool windowHasClass(const ActiveWindow& window, std::string_view name);

struct SwitchRule {
    enum class Kind { Class, Title };
    Kind kind = Kind::Class;
    std::string text;     // the class, or the text the title contains (UTF-8)
    std::string profile;  // the profile's name in the list
    bool operator==(const SwitchRule&) const = default;
};

class SwitchRules {
public:
    const std::vector<SwitchRule>& rules() const { return rules_; }
    const std::optional<std::string>& defaultProfile() const { return default_; }

    // A rule for a class or title already listed takes the new profile in
    // its place; otherwise it goes last. Refused for an empty text or one
    // that holds a line break, and for a profile name that could not be a
    // file's.
    [[nodiscard]] Outcome add(SwitchRule rule);
    // False when no rule of this kind and text is listed (classes compare
    // without regard to case, as they match).
    bool remove(SwitchRule::Kind kind, std::string_view text);
    // Moves that rule one place earlier (delta < 0) or later; at either end
    // it stays. False when no such rule is listed.
    bool move(SwitchRule::Kind kind, std::string_view text, int delta);
    [[nodiscard]] Outcome setDefault(std::optional<std::string> profile);
    // The rules follow their profile: a renamed profile (`now`) keeps its
    // rules and its place as the default, a deleted one (nothing) takes them
    // away. True when anything changed.
    bool profileChanged(const std::string& was, const std::optional<std::string>& now);

    // The profile for this window: the first rule that matches (a class rule
    // matches either WM_CLASS string without regard to case; a title rule
    // when the title contains its text), else the default, else nothing.
    std::optional<std::string> profileFor(const ActiveWindow& window) const;

    // Read from the store; a store without the key gives no rules. Rules
    // whose values cannot be read or are invalid are skipped.
    static SwitchRules load(const SettingsStore& store);
    // Every value in one write: a store cut short leaves the old rules or
    // the new ones.
    [[nodiscard]] Outcome store(SettingsStore& store) const;
    // Loads the rules, has `edit` change them and stores them when they
    // changed, while no other program changes the settings: two programs
    // changing rules at once keep both changes. What `edit` refuses is
    // returned and nothing is stored.
    [[nodiscard]] static Outcome update(SettingsStore& store, const std::function<Outcome(SwitchRules&)>& edit);

    bool operator==(const SwitchRules&) const = default;

private:
    std::vector<SwitchRule> rules_;
    std::optional<std::string> default_;
};

}  // namespace morvane
