// What follows each dialog's outcome: the key-assignment dialog's click and
// OK, the macro manager's OK, the profile manager's opening and closing. The
// window's dialogs and morvane-cli's commands both end here.
#include <system_error>

#include "session/session.h"
#include "base/key_names.h"
#include "config/profile_manager.h"
#include "macro/macro_editor.h"

namespace morvane {

Outcome Session::beginKeyAssignment(int keyIndex) {
    const std::string key = "key " + std::to_string(keyIndex);
    if (keyIndex < 0 || keyIndex >= kKeyCount) return Outcome::failure(key + " does not exist");
    // Keys 16..19 have no place in the matrix of either board.
    const bool inMatrix = keyIndex < kMatrixKeyCount && !(keyIndex >= 16 && keyIndex <= 19);
    if (model_ != KeyboardModel::None && inMatrix && !keyOnModel(keyIndex, model_))
        return Outcome::failure(key + " is not on this keyboard");
    if (std::string why = checkAssignment(AssignmentRequest::none(), keyIndex, storedMacros_, options_.uiLanguage);
        !why.empty())
        return Outcome::failure(why);
    if (!keyTakesAssignment(keyIndex)) return Outcome::failure(key + " takes no assignment");

    // The records are read again as the dialog opens. Where the file is gone
    // or cannot be read, memory holds the only copy and stays as it is.
    std::error_code ec;
    if (std::filesystem::exists(keymapPath(userFolder_), ec)) {
        AssignmentRecords read = *liveRecords_;
        DeviceImage unused = live_;
        bool recordsOnly = true;
        if (LoadAssignmentStore(userFolder_, unused, read, recordsOnly)) *liveRecords_ = read;
    }
    return {};
}

Outcome Session::confirmKeyAssignment(int keyIndex, const AssignmentRequest& request) {
    if (std::string why = checkAssignment(request, keyIndex, storedMacros_, options_.uiLanguage); !why.empty())
        return Outcome::failure(why);
    KeymapState state = keymapState();
    AssignmentRequest req = request;  // the apply step completes its counts
    const ApplyResult result = ConfirmKeyAssignment(req, keyIndex, state);
    if (!result.ok()) return Outcome::failure(result.error);
    return {};
}

Outcome Session::acceptMacros(MacroEditor& editor) {
    editor.ok(storedMacros_);
    if (!storedMacros_[0].isFree()) PackMacroBlocks(storedMacros_, live_);
    Outcome saved = SaveAssignmentStore(userFolder_, live_, *liveRecords_);
    saved.also(SaveMacroStore(userFolder_, storedMacros_));
    if (!saved) saved.error = "the macros were changed, but " + saved.error;
    return saved;
}

// The manager edits this session's configuration in place; it must not
// outlive the session.
std::unique_ptr<ProfileManager> Session::openProfileManager(SettingsStore& settings) {
    auto manager = std::make_unique<ProfileManager>(
        userFolder_, settings, WorkingConfiguration{live_, shadow_, *liveRecords_, *shadowRecords_, storedMacros_});
    manager->setLanguage(options_.uiLanguage);
    return manager;
}

void Session::setCurrentProfile(std::string_view fileName) {
    constexpr std::string_view kExtension = ".bin";
    if (fileName.size() >= kExtension.size() && fileName.substr(fileName.size() - kExtension.size()) == kExtension)
        fileName.remove_suffix(kExtension.size());
    currentProfile_ = std::string(fileName);
}

Outcome Session::closeProfileManager(const ProfileManager& manager, bool accepted) {
    if (accepted) setCurrentProfile(manager.currentProfileName());
    if (!accepted && !manager.configurationChanged()) return {};
    Outcome saved = SaveMacroStore(userFolder_, storedMacros_);
    saved.also(markAndStore());
    if (listener_.configRead) listener_.configRead(false);
    return saved;
}

}  // namespace morvane
