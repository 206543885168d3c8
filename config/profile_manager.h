// The profile manager without its window: the list of profiles, its selection
// and every operation on it (New, Copy, Save, Load, Delete, rename, closing).
// The dialog paints the list and forwards clicks here; what it must tell the
// user comes back as a message it shows in the current language.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/profile_files.h"
#include "platform/settings_store.h"

namespace morvane {

enum class ProfileMessage {
    // The manager's own boxes.
    TooManyProfiles,  // New with six profiles listed
    SelectToSave,
    SelectToOpen,
    KeepOne,          // Delete with one profile listed
    SelectToDelete,
    ConfirmDelete,    // the question, with OK and Cancel
    SelectToCopy,
    RenameFailed,     // the copy under the new name failed
    // What the program also tells rather than pass over in silence.
    // A name that cannot be a profile's, by what is wrong with it.
    NameEmpty,
    NameSeparator,
    NameDotDot,
    NameNotPlainText,
    NameTooLong,
    FileExists,
    ReadFailed,
    WriteFailed,
    DeleteFailed,
    OldFileKept,      // renamed by copy, but the old file could not be removed
};

// The box that says what is wrong with a name (None: nothing is).
std::optional<ProfileMessage> nameMessage(std::string_view name);

// The box's text ("\n" endings included) and caption in the language word
// (4 Chinese, anything else English).
const char* messageText(ProfileMessage message, std::uint16_t language);
const char* messageCaption(ProfileMessage message, std::uint16_t language);

struct ProfileResult {
    bool ok = true;                         // the operation did what was asked
    std::optional<ProfileMessage> message;  // the box the view shows, if any
    const char* note = "";                  // why it stopped without a box (English, for logs and the CLI)
    std::string name;                       // the profile created or renamed
    std::string made;                       // what was done before it failed (English, for the CLI)
    std::filesystem::path file;             // the file or folder a failure is about, if any

    static ProfileResult refused(ProfileMessage m) { return {false, m, "", {}, {}, {}}; }
    static ProfileResult refused(ProfileMessage m, std::filesystem::path about) {
        return {false, m, "", {}, {}, std::move(about)};
    }
    static ProfileResult quiet(const char* why) { return {false, std::nullopt, why, {}, {}, {}}; }
};

// The file operations that rename and delete go through; tests replace them
// to see what a failing disk does.
struct ProfileFileOps {
    std::function<bool(const std::filesystem::path& from, const std::filesystem::path& to)> copy;
    std::function<bool(const std::filesystem::path& file)> remove;
    static ProfileFileOps standard();
};

class ProfileManager {
public:
    ProfileManager(std::filesystem::path programFolder, SettingsStore& settings, WorkingConfiguration config,
                   ProfileFileOps ops = ProfileFileOps::standard());

    void setLanguage(std::uint16_t language) { language_ = language; }
    std::uint16_t language() const { return language_; }

    // Opening: the list from the folder (a first profile is created in an
    // empty folder), then the current profile from the settings, selected by
    // substring of its path; of several matches the last one stays.
    void open();

    const std::filesystem::path& folder() const { return folder_; }
    bool folderExists() const;
    const std::vector<std::string>& names() const { return names_; }
    const ProfileTable& table() const { return table_; }
    std::optional<int> selection() const { return selected_; }
    void select(std::optional<int> row);
    // The first row that shows `name`, exactly.
    std::optional<int> rowOf(const std::string& name) const;
    const std::string& currentProfileName() const { return currentProfileName_; }

    ProfileResult newProfile();
    ProfileResult copySelected();
    // Writes the working configuration to the selected profile and, when a
    // file was chosen, to that file too.
    ProfileResult saveSelected(const std::optional<std::filesystem::path>& chosenFile);
    // Imports the chosen file into the working configuration and the selected
    // profile. Without a chosen file nothing changes.
    ProfileResult loadSelected(const std::optional<std::filesystem::path>& chosenFile);
    // `confirm` is asked ConfirmDelete once the checks pass; false is Cancel.
    ProfileResult deleteSelected(const std::function<bool(ProfileMessage)>& confirm);
    // The row `oldRow` was edited in place to `text`.
    ProfileResult rename(int oldRow, const std::string& text);
    // The close box: with a selection the profile becomes the working
    // configuration and the current profile, and the result is ok (the dialog
    // ends with OK); without one the dialog ends with Cancel.
    ProfileResult close();
    // Whether the working configuration was replaced since opening (a Load
    // or the close box applied a profile).
    bool configurationChanged() const { return configurationChanged_; }

private:
    void refresh();
    void followInSwitchRules(const std::string& was, const std::optional<std::string>& now);
    void scanIntoList();
    bool fileExists(const std::filesystem::path& path) const;

    std::filesystem::path programFolder_;
    std::filesystem::path folder_;
    SettingsStore& settings_;
    WorkingConfiguration config_;
    ProfileFileOps ops_;
    std::uint16_t language_ = 9;

    std::vector<std::string> names_;
    ProfileTable table_;
    std::optional<int> selected_;
    std::string currentProfileName_;
    bool configurationChanged_ = false;
};

}  // namespace morvane
