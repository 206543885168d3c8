// Switching to a profile in one step: the tray's profile list and the
// switching rules end here.
#include "session/session.h"
#include "base/session_texts.h"
#include "config/profile_files.h"
#include "config/profile_manager.h"
#include "config/switch_rules.h"

namespace morvane {

namespace {

std::string messageLine(ProfileMessage message, std::uint16_t language) {
    std::string text = messageText(message, language);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

}  // namespace

Outcome Session::applyProfile(SettingsStore& settings, const std::string& profile) {
    const auto manager = openProfileManager(settings);
    if (!manager->folderExists())
        return Outcome::failure(
            sessionText(SessionText::ProfileFolderMissing, options_.uiLanguage, {manager->folder().string()}));
    manager->open();
    const auto row = manager->rowOf(profile);
    if (!row) return Outcome::failure(sessionText(SessionText::NoProfileNamed, options_.uiLanguage, {profile}));
    manager->select(row);
    const ProfileResult r = manager->close();
    Outcome closed = closeProfileManager(*manager, r.ok);
    if (!r.ok)
        return Outcome::failure(
            sessionText(SessionText::ProfileSaid, options_.uiLanguage,
                        {profile, r.message ? messageLine(*r.message, options_.uiLanguage) : std::string(r.note)}));
    return closed;
}

Session::SwitchStart Session::beginSwitchToProfile(SettingsStore& settings, const std::string& profile,
                                                   std::function<void(Outcome)> done) {
    // Applying reads the profile over the live image: what was edited and not
    // saved would be gone without a word. Without a keyboard the profile could
    // not be saved, and would stand as unsaved edits the user never made: the
    // switch waits for the keyboard to come back.
    if (hasUnsavedEdits() || !connected_) {
        pendingSwitch_ = PendingSwitch{profile, &settings};
        if (listener_.switchWaiting) listener_.switchWaiting(profile);
        return SwitchStart::Waiting;
    }
    if (pendingSwitch_) {
        pendingSwitch_.reset();
        if (listener_.switchWaiting) listener_.switchWaiting("");
    }
    Outcome applied = applyProfile(settings, profile);
    if (!applied) {
        done(std::move(applied));
        return SwitchStart::Started;
    }
    beginSave([done = std::move(done), profile, language = options_.uiLanguage](Outcome saved) {
        if (!saved) saved.error = sessionText(SessionText::ProfileSaid, language, {profile, saved.error});
        done(std::move(saved));
    });
    return SwitchStart::Started;
}

Outcome Session::switchToProfile(SettingsStore& settings, const std::string& profile) {
    if (hasUnsavedEdits() || !connected_) {
        (void)beginSwitchToProfile(settings, profile, [](Outcome) {});
        return Outcome::failure(sessionText(
            connected_ ? SessionText::SwitchWaitsForUnsaved : SessionText::SwitchWaitsForKeyboard, options_.uiLanguage,
            {profile}));
    }
    return waitFor([&](auto done) { (void)beginSwitchToProfile(settings, profile, std::move(done)); });
}

void Session::dropPendingSwitch() {
    if (!pendingSwitch_) return;
    pendingSwitch_.reset();
    if (listener_.switchWaiting) listener_.switchWaiting("");
}

std::optional<std::string> Session::pendingSwitch() const {
    if (!pendingSwitch_) return std::nullopt;
    return pendingSwitch_->profile;
}

bool Session::noteRecentWindow(const ActiveWindow& window) {
    // The program's own windows: its X11 class, or its Wayland app id.
    if (windowHasClass(window, "morvane") || windowHasClass(window, "org.morvane.Morvane")) return false;
    if (window.id == 0 || (window.instance.empty() && window.windowClass.empty())) return true;
    std::erase_if(recentWindows_, [&](const ActiveWindow& w) {
        return w.instance == window.instance && w.windowClass == window.windowClass;
    });
    recentWindows_.insert(recentWindows_.begin(), window);
    if (recentWindows_.size() > kRecentWindows) recentWindows_.pop_back();
    return true;
}

std::optional<std::string> Session::followActiveWindow(SettingsStore& settings, const ActiveWindow& window) {
    if (!noteRecentWindow(window)) return std::nullopt;
    // No active window is the moment between two (some window managers
    // report it while focus passes), not a window of its own: the profile
    // of the window the user comes from stays, and so does a waiting switch.
    if (window.id == 0 || (window.instance.empty() && window.windowClass.empty() && window.title.empty()))
        return std::nullopt;
    const auto profile = SwitchRules::load(settings).profileFor(window);
    if (!profile) return std::nullopt;
    if (*profile == currentProfile_) {
        // Back in a window of the profile in use: a switch away that waited
        // is no longer wanted, and the profile is not read again over what
        // was saved since.
        if (pendingSwitch_) {
            pendingSwitch_.reset();
            if (listener_.switchWaiting) listener_.switchWaiting("");
        }
        return std::nullopt;
    }
    if (pendingSwitch_ && pendingSwitch_->profile == *profile) return profile;
    (void)beginSwitchToProfile(settings, *profile, [this](Outcome o) { tellProblem(o); });
    return profile;
}

Outcome Session::checkProfileListed(const std::string& profile) const {
    const std::uint16_t language = options_.uiLanguage;
    if (!isValidProfileName(profile))
        return Outcome::failure(sessionText(SessionText::NotAProfileName, language, {profile}));
    std::error_code ec;
    if (!std::filesystem::is_regular_file(profileFile(profileFolder(userFolder()), profile), ec))
        return Outcome::failure(sessionText(SessionText::NoProfileNamed, language, {profile}));
    return {};
}

Outcome Session::addSwitchRule(SettingsStore& settings, SwitchRule rule) {
    if (Outcome ok = checkProfileListed(rule.profile); !ok) return ok;
    return SwitchRules::update(settings, [&](SwitchRules& rules) { return rules.add(std::move(rule)); });
}

namespace {

Outcome noRuleFor(SwitchRule::Kind kind, const std::string& text, std::uint16_t language) {
    const SessionText what = kind == SwitchRule::Kind::Title ? SessionText::NoTitleRule : SessionText::NoClassRule;
    return Outcome::failure(sessionText(what, language, {text}));
}

}  // namespace

Outcome Session::removeSwitchRule(SettingsStore& settings, SwitchRule::Kind kind, const std::string& text) {
    return SwitchRules::update(settings, [&](SwitchRules& rules) {
        return rules.remove(kind, text) ? Outcome{} : noRuleFor(kind, text, options_.uiLanguage);
    });
}

Outcome Session::moveSwitchRule(SettingsStore& settings, SwitchRule::Kind kind, const std::string& text, int delta) {
    return SwitchRules::update(settings, [&](SwitchRules& rules) {
        return rules.move(kind, text, delta) ? Outcome{} : noRuleFor(kind, text, options_.uiLanguage);
    });
}

Outcome Session::setSwitchDefault(SettingsStore& settings, std::optional<std::string> profile) {
    if (profile)
        if (Outcome ok = checkProfileListed(*profile); !ok) return ok;
    return SwitchRules::update(settings, [&](SwitchRules& rules) { return rules.setDefault(std::move(profile)); });
}

void Session::runPendingSwitch() {
    if (!pendingSwitch_ || hasUnsavedEdits() || !connected_) return;
    const PendingSwitch waiting = *pendingSwitch_;
    (void)beginSwitchToProfile(*waiting.settings, waiting.profile, [this](Outcome o) { tellProblem(o); });
}

}  // namespace morvane
