#include "config/profile_manager.h"
#include "config/switch_rules.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

#include "base/lighting.h"
#include "base/texts.h"
#include "platform/file_io.h"
#include "platform/utf.h"

namespace morvane {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// Messages

namespace {

struct MessageTexts {
    const char* english;
    const char* chinese;
};

MessageTexts textsOf(ProfileMessage m) {
    switch (m) {
    case ProfileMessage::TooManyProfiles: return {"Only Create Six Profile mostly\n", "最多可以存储6个配置\n"};
    case ProfileMessage::SelectToSave: return {"Please select a profile to Save\n", "请选择一个配置存储"};
    case ProfileMessage::SelectToOpen: return {"Please select a profile to Open\n", "请选择一个配置打开"};
    case ProfileMessage::KeepOne: return {"Please keep a profile\n", "请至少保留一个配置文件"};
    case ProfileMessage::SelectToDelete: return {"Please select a profile to delete\n", "请选择一个配置删除"};
    case ProfileMessage::ConfirmDelete: return {"Delete current profile ?", "删除当前配置文件吗"};
    case ProfileMessage::SelectToCopy: return {"Please select a profile to copy\n", "请选择一个配置拷贝"};
    case ProfileMessage::RenameFailed: return {"Fail", "Fail"};
    case ProfileMessage::NameEmpty: return {"A profile name cannot be empty\n", "配置名称不能为空\n"};
    case ProfileMessage::NameSeparator:
        return {"A profile name cannot contain \"/\" or \"\\\"\n", "配置名称不能包含“/”或“\\”\n"};
    case ProfileMessage::NameDotDot: return {"A profile name cannot contain \"..\"\n", "配置名称不能包含“..”\n"};
    case ProfileMessage::NameNotPlainText:
        return {"A profile name cannot hold control characters (line breaks, tabs) or invalid UTF-8\n",
                "配置名称不能包含控制字符（换行、制表符）或无效的 UTF-8\n"};
    case ProfileMessage::NameTooLong:
        return {"A profile name can be at most 239 bytes long (UTF-8; most Chinese characters take 3)\n",
                "配置名称最长为239字节（UTF-8；大多数汉字占3字节）\n"};
    case ProfileMessage::FileExists:
        return {"A file with this name already exists in the profile folder\n", "配置文件夹中已存在同名文件\n"};
    case ProfileMessage::ReadFailed: return {"The profile could not be read\n", "无法读取配置文件\n"};
    case ProfileMessage::WriteFailed: return {"The profile could not be written\n", "无法写入配置文件\n"};
    case ProfileMessage::DeleteFailed: return {"The profile could not be deleted\n", "无法删除配置文件\n"};
    case ProfileMessage::OldFileKept:
        return {"The profile was copied under its new name, but the old file could not be removed; both are kept\n",
                "配置已按新名称复制，但无法删除原文件；两个文件都已保留\n"};
    }
    return {"", ""};
}

}  // namespace

std::optional<ProfileMessage> nameMessage(std::string_view name) {
    switch (profileNameProblem(name)) {
    case ProfileNameProblem::None: return std::nullopt;
    case ProfileNameProblem::Empty: return ProfileMessage::NameEmpty;
    case ProfileNameProblem::Separator: return ProfileMessage::NameSeparator;
    case ProfileNameProblem::DotDot: return ProfileMessage::NameDotDot;
    case ProfileNameProblem::NotPlainText: return ProfileMessage::NameNotPlainText;
    case ProfileNameProblem::TooLong: return ProfileMessage::NameTooLong;
    }
    return ProfileMessage::NameNotPlainText;
}

const char* messageText(ProfileMessage message, std::uint16_t language) {
    const MessageTexts t = textsOf(message);
    return language == kLanguageChinese ? t.chinese : t.english;
}

const char* messageCaption(ProfileMessage message, std::uint16_t language) {
    if (message == ProfileMessage::RenameFailed) return "Morvane";  // the application's title
    return text(Text::ProfileManager, language);
}

// ---------------------------------------------------------------------------
// File operations

namespace {

bool copyWholeFile(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (!fs::is_regular_file(from, ec)) return false;
    std::ifstream in(from, std::ios::binary);
    if (!in) return false;
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return false;
    // Through a temporary file, so a crash never leaves a cut profile that
    // the next scan would list.
    return writeFileAtomic(to, {std::span<const std::uint8_t>(bytes)});
}

bool removeFile(const fs::path& file) {
    std::error_code ec;
    return fs::remove(file, ec) && !ec;
}

// The order of the list: without regard to ASCII case, then exactly.
bool listsBefore(const std::string& a, const std::string& b) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) {
        return lower(static_cast<unsigned char>(x)) == lower(static_cast<unsigned char>(y));
    });
    if (ia != a.end() && ib != b.end())
        return lower(static_cast<unsigned char>(*ia)) < lower(static_cast<unsigned char>(*ib));
    if (ia == a.end() && ib != b.end()) return true;
    if (ia != a.end()) return false;
    return a < b;
}

// The stored current name holds at most 99 UTF-16 units; a longer one is cut
// (never inside a surrogate pair) and still finds its profile by substring.
std::string cutCurrentName(const std::string& name) {
    std::u16string units = toUtf16(name);
    if (units.size() <= kMaxCurrentProfileNameUnits) return name;
    std::size_t n = kMaxCurrentProfileNameUnits;
    if (units[n - 1] >= 0xD800 && units[n - 1] <= 0xDBFF) --n;
    units.resize(n);
    return toUtf8(units);
}

}  // namespace

ProfileFileOps ProfileFileOps::standard() { return {copyWholeFile, removeFile}; }

// ---------------------------------------------------------------------------
// The manager

ProfileManager::ProfileManager(fs::path programFolder, SettingsStore& settings, WorkingConfiguration config,
                               ProfileFileOps ops)
    : programFolder_(std::move(programFolder)),
      folder_(profileFolder(programFolder_)),
      settings_(settings),
      config_(config),
      ops_(std::move(ops)) {}

bool ProfileManager::folderExists() const {
    std::error_code ec;
    return fs::is_directory(folder_, ec);
}

bool ProfileManager::fileExists(const fs::path& path) const {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

void ProfileManager::scanIntoList() {
    names_.clear();
    // The list keeps itself sorted whatever order the folder gives.
    for (const std::string& name : ScanProfiles(folder_, table_))
        names_.insert(std::upper_bound(names_.begin(), names_.end(), name, listsBefore), name);
}

void ProfileManager::refresh() {
    scanIntoList();
    RebuildProfilePaths(folder_, names_, table_);
    selected_.reset();
}

void ProfileManager::open() {
    scanIntoList();
    // The first profile holds what the user has now, so that applying it (the
    // close box with it selected) changes nothing. A folder that takes no
    // file stays empty; New then tells why.
    if (names_.empty() && WriteProfile(fileInFolder(folder_, kFirstProfileFile), config_.liveImage,
                                       config_.liveRecords, config_.storedMacros))
        scanIntoList();
    RebuildProfilePaths(folder_, names_, table_);
    LoadCurrentProfileName(settings_, currentProfileName_);
    selected_.reset();
    const int rows = std::min(table_.profileCount, static_cast<int>(table_.profilePaths.size()));
    for (int i = 0; i < rows; ++i)
        if (pathText(table_.profilePaths[i]).find(currentProfileName_) != std::string::npos) selected_ = i;
}

void ProfileManager::select(std::optional<int> row) {
    if (row && *row >= 0 && *row < static_cast<int>(names_.size())) selected_ = row;
    else selected_.reset();
}

std::optional<int> ProfileManager::rowOf(const std::string& name) const {
    const auto it = std::find(names_.begin(), names_.end(), name);
    if (it == names_.end()) return std::nullopt;
    return static_cast<int>(it - names_.begin());
}

ProfileResult ProfileManager::newProfile() {
    if (names_.size() >= kMaxProfiles) return ProfileResult::refused(ProfileMessage::TooManyProfiles);
    const std::string name = NewProfileName(names_);
    const fs::path path = profileFile(folder_, name);
    // A file the list does not show (say "Profile_1.bin" as a folder) is not
    // replaced by an empty profile.
    if (fileExists(path)) {
        refresh();
        return ProfileResult::refused(ProfileMessage::FileExists);
    }
    // A missing profile folder is made for the first profile.
    std::error_code ec;
    fs::create_directories(folder_, ec);
    const bool written = CreateDefaultProfile(path);
    refresh();
    if (!written) return ProfileResult::refused(ProfileMessage::WriteFailed, path);
    ProfileResult result;
    result.name = name;
    return result;
}

ProfileResult ProfileManager::copySelected() {
    if (!selected_) return ProfileResult::refused(ProfileMessage::SelectToCopy);
    if (names_.size() >= kMaxProfiles) return ProfileResult::quiet("six profiles are listed already");
    const std::string source = names_[*selected_];
    const std::string name = CopyProfileName(names_, source, language_);
    if (const auto bad = nameMessage(name)) return ProfileResult::refused(*bad);
    const fs::path target = profileFile(folder_, name);
    if (fileExists(target)) {
        refresh();
        return ProfileResult::refused(ProfileMessage::FileExists);
    }
    const ProfileCopy copied = CopyProfileFile(profileFile(folder_, source), target);
    refresh();
    if (copied == ProfileCopy::SourceUnreadable)
        return ProfileResult::refused(ProfileMessage::ReadFailed, profileFile(folder_, source));
    if (copied == ProfileCopy::WriteFailed) return ProfileResult::refused(ProfileMessage::WriteFailed, target);
    ProfileResult result;
    result.name = name;
    return result;
}

ProfileResult ProfileManager::saveSelected(const std::optional<fs::path>& chosenFile) {
    if (!selected_) return ProfileResult::refused(ProfileMessage::SelectToSave);
    const bool profileWritten = WriteProfile(table_.profilePaths[*selected_], config_.liveImage,
                                             config_.liveRecords, config_.storedMacros);
    const bool fileWritten =
        !chosenFile || WriteProfile(*chosenFile, config_.liveImage, config_.liveRecords, config_.storedMacros);
    if (profileWritten && fileWritten) return {};
    ProfileResult r = ProfileResult::refused(ProfileMessage::WriteFailed,
                                             profileWritten ? *chosenFile : table_.profilePaths[*selected_]);
    const std::string name = "the profile \"" + names_[*selected_] + "\"";
    if (profileWritten)
        r.made = name + " was saved, but the file \"" + chosenFile->string() + "\" could not be written";
    else if (chosenFile && fileWritten)
        r.made = "the file \"" + chosenFile->string() + "\" was written, but " + name + " could not be";
    return r;
}

ProfileResult ProfileManager::loadSelected(const std::optional<fs::path>& chosenFile) {
    if (!selected_) return ProfileResult::refused(ProfileMessage::SelectToOpen);
    // Without a file to import there is nothing to load; the selected
    // profile keeps what it holds instead of taking the working configuration.
    if (!chosenFile) return ProfileResult{true, std::nullopt, "no file was chosen", {}, {}, {}};
    if (!ImportProfile(*chosenFile, config_.liveImage, config_.liveRecords, config_.storedMacros))
        return ProfileResult::refused(ProfileMessage::ReadFailed, *chosenFile);
    configurationChanged_ = true;
    // The macros in memory changed; the macro store follows them.
    const Outcome macrosSaved = SaveMacroStore(programFolder_, config_.storedMacros);
    const bool profileWritten =
        WriteProfile(table_.profilePaths[*selected_], config_.liveImage, config_.liveRecords, config_.storedMacros);
    if (profileWritten && macrosSaved) return {};
    ProfileResult r = ProfileResult::refused(ProfileMessage::WriteFailed, !profileWritten
                                                                              ? table_.profilePaths[*selected_]
                                                                              : programFolder_ / "MacroDefine.bin");
    r.made = "the file was loaded into the working configuration, but ";
    r.made += !profileWritten ? "the profile \"" + names_[*selected_] + "\" could not be written" : macrosSaved.error;
    return r;
}

ProfileResult ProfileManager::deleteSelected(const std::function<bool(ProfileMessage)>& confirm) {
    if (names_.size() == 1) return ProfileResult::refused(ProfileMessage::KeepOne);
    if (!selected_) return ProfileResult::refused(ProfileMessage::SelectToDelete);
    if (!confirm(ProfileMessage::ConfirmDelete)) {
        refresh();
        return ProfileResult::quiet("the deletion was not confirmed");
    }
    const std::string name = names_[*selected_];
    const fs::path file = table_.profilePaths[*selected_];
    const bool removed = ops_.remove(file);
    refresh();
    if (!removed) return ProfileResult::refused(ProfileMessage::DeleteFailed, file);
    followInSwitchRules(name, std::nullopt);
    return {};
}

ProfileResult ProfileManager::rename(int oldRow, const std::string& text) {
    if (oldRow < 0 || oldRow >= std::min(table_.profileCount, static_cast<int>(table_.profilePaths.size()))) {
        refresh();
        return ProfileResult::quiet("no such profile");
    }
    // The text names a file in the profile folder and nothing else.
    if (const auto bad = nameMessage(text)) {
        refresh();
        return ProfileResult::refused(*bad);
    }
    // ".bin" is looked for in the name alone: a folder path that happens to
    // hold ".bin" must not leave the new file without its extension.
    std::string file = text;
    if (text.find(kProfileExtension) == std::string::npos) file += kProfileExtension;
    const fs::path target = fileInFolder(folder_, file);
    const fs::path old = table_.profilePaths[oldRow];
    if (old.native() == target.native()) {
        refresh();
        return {};
    }
    for (const fs::path& entry : table_.profilePaths) {
        if (entry.native() == target.native()) {
            refresh();  // the old name comes back
            return ProfileResult::quiet("a listed profile already has this name");
        }
    }
    // Never copy over a file the list does not show (a seventh profile, or
    // the file behind a name like "a.bin.bin").
    if (fileExists(target)) {
        refresh();
        return ProfileResult::refused(ProfileMessage::FileExists);
    }
    if (!ops_.copy(old, target)) {
        refresh();
        return ProfileResult::refused(ProfileMessage::RenameFailed);
    }
    ProfileResult result;
    result.name = profileNameOfFile(file);
    // The copy exists; should the old file stay too, both are listed and the
    // user is told, so nothing is lost and nothing is hidden.
    if (!ops_.remove(old)) {
        result.ok = false;
        result.message = ProfileMessage::OldFileKept;
    } else {
        followInSwitchRules(profileNameOfFile(old.filename().string()), result.name);
    }
    table_.profilePaths[oldRow] = target;
    refresh();
    return result;
}

void ProfileManager::followInSwitchRules(const std::string& was, const std::optional<std::string>& now) {
    // A rule left naming a profile that is gone would fail at every switch.
    (void)SwitchRules::update(settings_, [&](SwitchRules& rules) {
        rules.profileChanged(was, now);
        return Outcome{};
    });
}

ProfileResult ProfileManager::close() {
    if (!selected_) return ProfileResult::quiet("no profile selected");
    const std::string name = names_[*selected_];
    // A profile that cannot be read is not applied and does not become the
    // current one.
    if (!ReadProfile(profileFile(folder_, name), config_))
        return ProfileResult::refused(ProfileMessage::ReadFailed, profileFile(folder_, name));
    configurationChanged_ = true;
    currentProfileName_ = cutCurrentName(name + std::string(kProfileExtension));
    StoreCurrentProfileName(settings_, currentProfileName_);
    ProfileResult result;
    result.name = name;
    return result;
}

}  // namespace morvane
