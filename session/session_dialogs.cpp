// What follows each dialog's outcome: the key-assignment dialog's click and
// OK, the macro manager's OK, the profile manager's opening and closing. The
// window's dialogs and morvane-cli's commands both end here.
#include <system_error>

#include "session/session.h"
#include "base/key_names.h"
#include "base/session_texts.h"
#include "config/profile_manager.h"
#include "macro/macro_editor.h"

namespace morvane {

Outcome Session::beginKeyAssignment(int keyIndex) {
    const std::string key = std::to_string(keyIndex);
    const std::uint16_t language = options_.uiLanguage;
    if (keyIndex < 0 || keyIndex >= kKeyCount)
        return Outcome::failure(sessionText(SessionText::KeyDoesNotExist, language, {key}));
    // Keys 16..19 have no place in the matrix of either board.
    const bool inMatrix = keyIndex < kMatrixKeyCount && !(keyIndex >= 16 && keyIndex <= 19);
    if (model_ != KeyboardModel::None && inMatrix && !keyOnModel(keyIndex, model_))
        return Outcome::failure(sessionText(SessionText::KeyNotOnKeyboard, language, {key}));
    if (std::string why = checkAssignment(AssignmentRequest::none(), keyIndex, storedMacros_, language); !why.empty())
        return Outcome::failure(why);
    if (!keyTakesAssignment(keyIndex))
        return Outcome::failure(sessionText(SessionText::KeyTakesNoAssignment, language, {key}));

    // The records are read again as the dialog opens. Where the file is gone
    // or cannot be read, memory holds the only copy and stays as it is.
    std::error_code ec;
    if (std::filesystem::exists(keymapPath(userFolder_), ec)) {
        AssignmentRecords read = *liveRecords_;
        DeviceImage unused = live_;
        bool recordsOnly = true;
        if (LoadAssignmentStore(userFolder_, unused, read, recordsOnly, options_.uiLanguage)) *liveRecords_ = read;
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

namespace {

bool inKeyTable(int key) { return key < kMatrixKeyCount && !(key >= 16 && key <= 19); }

}  // namespace

std::vector<int> Session::keysPlayingMacro(int slot) const {
    std::vector<int> keys;
    for (int key = 0; key < kMatrixKeyCount; ++key) {
        if (!inKeyTable(key)) continue;
        const KeyEntry e = keyEntryOf(live_, key);
        if (e[3] == EntryMacro && e[0] == slot) keys.push_back(key);
    }
    return keys;
}

Outcome Session::acceptMacros(MacroEditor& editor) {
    const MacroTable before = storedMacros_;
    editor.ok(storedMacros_);
    // A key plays its macro by slot number: where slots moved, the key follows
    // its macro; a key whose macro was deleted gets its own key back rather
    // than play whatever moved into the slot.
    std::vector<int> deleted;
    for (int key = 0; key < kMatrixKeyCount; ++key) {
        if (!inKeyTable(key)) continue;
        KeyEntry e = keyEntryOf(live_, key);
        if (e[3] != EntryMacro || e[0] >= kMacroSlotCount || before[e[0]].isFree()) continue;
        const int now = editor.slotNowOf(e[0]);
        if (now == e[0]) continue;
        if (now < 0) {
            deleted.push_back(key);
            continue;
        }
        e[0] = static_cast<std::uint8_t>(now);
        setKeyEntry(live_, key, e);
        AssignmentRecord& r = (*liveRecords_)[static_cast<std::size_t>(key)];
        if (r.kind == KindMacro) r.keys[0] = static_cast<std::uint8_t>(now);
    }
    KeymapState state = keymapState();
    for (int key : deleted) {
        AssignmentRequest def = AssignmentRequest::restoreDefault();
        (void)ConfirmKeyAssignment(def, key, state);
    }
    if (!storedMacros_[0].isFree()) PackMacroBlocks(storedMacros_, live_);
    Outcome saved = markAndStore();
    saved.also(SaveMacroStore(userFolder_, storedMacros_, options_.uiLanguage));
    if (!saved) saved.error = sessionText(SessionText::MacrosChangedBut, options_.uiLanguage, {saved.error});
    return saved;
}

// The manager edits this session's configuration in place; it must not
// outlive the session.
std::unique_ptr<ProfileManager> Session::openProfileManager(SettingsStore& settings) {
    // The shadows stay what the keyboard holds: applying a profile must not
    // make unsaved edits look saved.
    auto manager = std::make_unique<ProfileManager>(
        userFolder_, settings,
        WorkingConfiguration{live_, scratchShadow_, *liveRecords_, *scratchRecords_, storedMacros_});
    manager->setLanguage(options_.uiLanguage);
    return manager;
}

namespace {

std::string profileOfFile(std::string_view fileName) {
    constexpr std::string_view kExtension = ".bin";
    if (fileName.size() >= kExtension.size() && fileName.substr(fileName.size() - kExtension.size()) == kExtension)
        fileName.remove_suffix(kExtension.size());
    return std::string(fileName);
}

}  // namespace

void Session::setCurrentProfile(std::string_view fileName) {
    currentProfile_ = profileOfFile(fileName);
    savedProfile_ = currentProfile_;
}

Outcome Session::closeProfileManager(const ProfileManager& manager, bool accepted) {
    if (accepted) currentProfile_ = profileOfFile(manager.currentProfileName());
    if (!accepted && !manager.configurationChanged()) return {};
    return storeReplacedConfiguration();
}

Outcome Session::storeReplacedConfiguration() {
    Outcome saved = SaveMacroStore(userFolder_, storedMacros_, options_.uiLanguage);
    saved.also(markAndStore());
    if (listener_.configRead) listener_.configRead(false);
    return saved;
}

}  // namespace morvane
