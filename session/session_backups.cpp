// What the keyboard held before: the keyboard as first found, the restore
// points kept before each Save, and the check, when the keyboard comes, that
// it still holds what this program last wrote to it.
#include "session/session.h"

#include "base/group_texts.h"
#include "base/session_texts.h"
#include "keymap/apply_assignment.h"
#include "platform/file_io.h"
#include "platform/settings_store.h"

namespace morvane {

void Session::setSettings(SettingsStore* settings) {
    settings_ = settings;
    if (!settings) return;
    const auto text = settings->value(kProfileSettingsKey, kRestorePointsValue);
    if (!text || text->empty() || text->size() > 4) return;
    std::size_t n = 0;
    for (char16_t c : *text) {
        if (c < u'0' || c > u'9') return;  // not a count: the default stays
        n = n * 10 + static_cast<std::size_t>(c - u'0');
    }
    if (n >= 1 && n <= 1000) options_.restorePoints = n;
}

namespace {

GroupSet unreadableGroups() {
    GroupSet groups;
    for (int gi = 0; gi < kImageGroupCount; ++gi)
        if (!groupIsReadable(static_cast<ImageGroup>(gi))) groups.set(static_cast<ImageGroup>(gi));
    return groups;
}

// A program that may only look (another holds the folder) keeps nothing.
bool mayKeep(const std::filesystem::path& userFolder) { return writeRefusal(backupFolder(userFolder) / "x").empty(); }

}  // namespace

void Session::setKeyboardUnknown(const GroupSet& groups) {
    if (groups == keyboardUnknown_) return;
    keyboardUnknown_ = groups;
    if (model_ != KeyboardModel::None && mayKeep(userFolder_))
        tellProblem(KeepUnknownGroups(userFolder_, model_, groups));
}

KeptConfiguration Session::keyboardConfiguration() const {
    KeptConfiguration kept;
    kept.image = shadow_;
    kept.records = *shadowRecords_;
    kept.macros = savedMacros_;
    return kept;
}

void Session::checkWhatKeyboardHolds() {
    if (!connected_) return;
    Outcome outcome;
    const KeptConfiguration held = keyboardConfiguration();
    // What an earlier run found unknown stays so until a Save sends it.
    const GroupSet unreadable = unreadableGroups();
    keyboardUnknown_ = ReadUnknownGroups(userFolder_, model_, unreadable) & unreadable;
    // A program that may only look (another holds the folder) keeps nothing,
    // and says nothing about it: it said once why it writes nothing.
    const bool mayWrite = mayKeep(userFolder_);
    if (mayWrite) (void)KeepAsFoundOnce(userFolder_, model_, held, outcome);
    const auto lastFile = lastSavedFile(userFolder_, model_);
    std::error_code ec;
    if (std::filesystem::symlink_status(lastFile, ec).type() == std::filesystem::file_type::not_found) {
        if (!mayWrite) return;
        // Nothing was written to it yet: what it holds is the starting point.
        outcome.also(KeepLastSaved(userFolder_, model_, held));
        keyboardDiffers_ = {};
        return tellProblem(outcome);
    }
    KeptConfiguration last;
    if (Outcome read = ReadKeptConfiguration(lastFile, last); !read) {
        outcome.also(Outcome::failure(sessionText(SessionText::LastSavedUnknown, options_.uiLanguage, {read.error})));
        return tellProblem(outcome);
    }
    GroupSet differs;
    const GroupSet changed = changedGroups(last.image, shadow_);
    for (int gi = 0; gi < kImageGroupCount; ++gi) {
        const auto g = static_cast<ImageGroup>(gi);
        if (!groupIsReadable(g)) continue;
        // The lighting as the keyboard stores it: levels above 4 are one byte.
        const bool differ = g == ImageGroup::Lighting ? lightingToWire(last.image) != lightingToWire(shadow_)
                                                      : changed.has(g);
        differs.set(g, differ);
    }
    tellProblem(outcome);
    keyboardDiffers_ = differs;
    // Changed elsewhere in what can be read, so perhaps in what cannot.
    if (differs.any()) setKeyboardUnknown(unreadable);
    if (differs.any() && listener_.keyboardDiffers) listener_.keyboardDiffers(differs);
}

Outcome Session::keepKeyboardAsIs() {
    if (!connected_) return Outcome::failure(keyboardProblem());
    Outcome kept = KeepLastSaved(userFolder_, model_, keyboardConfiguration());
    if (kept) keyboardDiffers_ = {};
    return kept;
}

Outcome Session::noteVerifiedWrite() {
    Outcome kept = KeepLastSaved(userFolder_, model_, keyboardConfiguration());
    if (kept && lastWrite_.mismatched.none()) keyboardDiffers_ = {};
    return kept;
}

std::vector<RestorePoint> Session::restorePoints() const { return ListRestorePoints(userFolder_); }

Outcome Session::applyKept(const std::filesystem::path& file) {
    // Replacing the working configuration over unsaved edits would throw
    // them away without a word.
    if (const std::string unsaved = unsavedSummary(); !unsaved.empty())
        return Outcome::failure(sessionText(SessionText::UnsavedFirst, options_.uiLanguage, {unsaved}));
    KeptConfiguration kept;
    if (Outcome read = ReadKeptConfiguration(file, kept); !read) return read;
    live_ = kept.image;
    *liveRecords_ = kept.records;
    setRecordKeyCodes(*liveRecords_);
    storedMacros_ = kept.macros;
    diyEditMode_ = isDiyEffect(live_.lightEffect);
    // As applying a profile: the stores follow memory, Save sends the difference.
    Outcome stored = storeReplacedConfiguration();
    if (!stored) stored.error = sessionText(SessionText::RestoredBut, options_.uiLanguage, {stored.error});
    return stored;
}

Outcome Session::restore(int n) {
    const auto points = restorePoints();
    const std::uint16_t language = options_.uiLanguage;
    if (points.empty())
        return Outcome::failure(
            sessionText(SessionText::NoRestorePoints, language, {backupFolder(userFolder_).string()}));
    if (n < 1 || static_cast<std::size_t>(n) > points.size())
        return Outcome::failure(sessionText(SessionText::NoRestorePointN, language,
                                            {std::to_string(n), std::to_string(points.size())}));
    return applyKept(points[static_cast<std::size_t>(n - 1)].file);
}

Outcome Session::restoreAsFound() {
    if (model_ == KeyboardModel::None) return Outcome::failure(keyboardProblem());
    return applyKept(asFoundFile(userFolder_, model_));
}

Outcome Session::restoreLastSaved() {
    if (model_ == KeyboardModel::None) return Outcome::failure(keyboardProblem());
    return applyKept(lastSavedFile(userFolder_, model_));
}

void Session::beginUndoLastSave(std::function<void(Outcome)> done) {
    if (Outcome restored = restore(1); !restored) return done(std::move(restored));
    beginSave(std::move(done));
}

}  // namespace morvane
