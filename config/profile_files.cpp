#include "config/profile_files.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <system_error>

#include "base/lighting.h"
#include "base/key_names.h"
#include "base/texts.h"
#include "platform/file_io.h"
#include "platform/utf.h"

namespace morvane {

namespace fs = std::filesystem;

fs::path profileFolder(const fs::path& programFolder) { return programFolder / "Configure"; }

fs::path fileInFolder(const fs::path& folder, std::string_view fileName) {
    return folder / fs::path(std::u8string(fileName.begin(), fileName.end()));
}

fs::path profileFile(const fs::path& folder, std::string_view name) {
    std::string file(name);
    file += kProfileExtension;
    return fileInFolder(folder, file);
}

std::string pathText(const fs::path& p) {
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

std::size_t utf16Units(std::string_view text) { return toUtf16(text).size(); }

ProfileNameProblem profileNameProblem(std::string_view name) {
    if (name.empty()) return ProfileNameProblem::Empty;
    if (name.find_first_of("/\\") != std::string_view::npos) return ProfileNameProblem::Separator;
    if (name.find("..") != std::string_view::npos) return ProfileNameProblem::DotDot;
    if (!isPlainUtf8Text(name)) return ProfileNameProblem::NotPlainText;
    // The file system takes 255 bytes a name: with ".bin" and the suffix of
    // the temporary file it is written through, the name must fit in the rest.
    if (name.size() > kMaxProfileNameBytes || utf16Units(name) > kMaxProfileNameUnits) return ProfileNameProblem::TooLong;
    return ProfileNameProblem::None;
}

bool isValidProfileName(std::string_view name) { return profileNameProblem(name) == ProfileNameProblem::None; }

std::string profileNameOfFile(std::string_view fileName) {
    // One pass from the left, as a replace-all does: ".b.binin" loses the
    // inner ".bin" and keeps the ".bin" that forms from what is left.
    std::string name;
    for (std::size_t i = 0; i < fileName.size();) {
        if (fileName.substr(i, kProfileExtension.size()) == kProfileExtension) {
            i += kProfileExtension.size();
        } else {
            name += fileName[i++];
        }
    }
    return name;
}

bool isProfileFileName(std::string_view file) {
    if (file.size() < kProfileExtension.size()) return false;
    const std::string_view tail = file.substr(file.size() - kProfileExtension.size());
    return std::equal(tail.begin(), tail.end(), kProfileExtension.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
}

std::vector<std::string> ScanProfiles(const fs::path& folder, ProfileTable& table) {
    table = ProfileTable{};
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string file = pathText(it->path().filename());
        if (!isProfileFileName(file)) continue;
        // Only regular files: a directory is skipped, and so is anything a
        // read could block on (a pipe or a device).
        std::error_code typeError;
        if (!fs::is_regular_file(it->path(), typeError)) continue;
        if (names.size() >= kMaxProfiles) break;
        table.profilePaths.push_back(fileInFolder(folder, file));
        ++table.profileCount;
        names.push_back(profileNameOfFile(file));
    }
    return names;
}

void RebuildProfilePaths(const fs::path& folder, const std::vector<std::string>& names, ProfileTable& table) {
    if (table.profilePaths.size() < names.size()) table.profilePaths.resize(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) table.profilePaths[i] = profileFile(folder, names[i]);
}

namespace {

bool listed(const std::vector<std::string>& names, const std::string& candidate) {
    return std::find(names.begin(), names.end(), candidate) != names.end();
}

}  // namespace

std::string NewProfileName(const std::vector<std::string>& names) {
    for (int n = 1;; ++n) {
        const std::string number = std::to_string(n);
        const std::string candidate = n < 10 ? "Profile_" + number : n < 99 ? "Profile0" + number : "Profile" + number;
        if (!listed(names, candidate)) return candidate;
    }
}

std::string CopyProfileName(const std::vector<std::string>& names, std::string_view source, std::uint16_t language) {
    // One space between the words, whatever the prefix ends with.
    std::string prefix = text(Text::CopyOfPrefix, language);
    while (!prefix.empty() && prefix.back() == ' ') prefix.pop_back();
    const std::string base = prefix + " " + std::string(source);
    for (int n = 0;; ++n) {
        const std::string candidate = n == 0 ? base : base + " " + std::to_string(n);
        if (!listed(names, candidate)) return candidate;
    }
}

DeviceImage defaultProfileImage() {
    DeviceImage image{};
    image.reportRateStep = 2;
    std::copy(defaultKeyTable.begin(), defaultKeyTable.end(), image.keyTable.begin());
    image.responseTimeStep = 10;
    image.lightEffect = 1;  // Breathing
    image.lightBrightness = 1;
    image.diyMaps[0][0] = 63;
    image.diyMaps[0][1] = 63;
    image.diyMaps[0][2] = 63;
    image.diyMaps[0][3] = 23;
    // A clear enable bit switches a key off on the keyboard. A profile with
    // none set would, once applied and saved, leave every key dead.
    for (int key = 0; key < kMatrixKeyCount; ++key) image.setEnableBit(keyEnableBit[key], true);
    return image;
}

bool CreateDefaultProfile(const fs::path& path) {
    const DeviceImage image = defaultProfileImage();
    auto records = std::make_unique<AssignmentRecords>();
    // Only the first 22 records carry their key's code in a new profile.
    for (int i = 0; i < 22; ++i) (*records)[i].keyCode = keyVirtualKey[i];
    const std::vector<std::uint8_t> macros(2 * kMacroTableSize, 0);
    return writeFileAtomic(path, {bytesOf(&image, kImageSize), bytesOf(records->data(), kRecordsSize),
                                  std::span<const std::uint8_t>(macros)});
}

bool WriteProfile(const fs::path& path, const DeviceImage& liveImage, const AssignmentRecords& liveRecords,
                  const MacroTable& storedMacros) {
    return writeFileAtomic(path, {bytesOf(&liveImage, kImageSize), bytesOf(liveRecords.data(), kRecordsSize),
                                  bytesOf(&storedMacros, kMacroTableSize)});
}

namespace {

}  // namespace

void SpreadProfileBytes(std::span<const std::uint8_t> bytes, DeviceImage& liveImage, AssignmentRecords& liveRecords,
                        MacroTable& storedMacros) {
    auto copyBlock = [&](std::size_t offset, std::size_t size, void* to) {
        if (bytes.size() <= offset) return;
        std::memcpy(to, bytes.data() + offset, std::min(size, bytes.size() - offset));
    };
    copyBlock(0, kImageSize, liveImage.bytes());
    copyBlock(kImageSize, kRecordsSize, static_cast<void*>(liveRecords.data()));
    copyBlock(kStoreFileSize, kMacroTableSize, static_cast<void*>(storedMacros.data()));
}

namespace {

// The first three blocks of a profile file as far as the file reaches.
struct ProfileBytes {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kProfileSavedSize);
    std::size_t length = 0;
};

bool readProfileBytes(const fs::path& path, ProfileBytes& into) {
    const auto got = readFilePrefix(path, into.bytes);
    if (!got) return false;
    into.length = *got;
    return true;
}

void spreadProfile(const ProfileBytes& file, DeviceImage& liveImage, AssignmentRecords& liveRecords,
                   MacroTable& storedMacros) {
    SpreadProfileBytes(std::span<const std::uint8_t>(file.bytes.data(), file.length), liveImage, liveRecords,
                       storedMacros);
}

}  // namespace

bool ReadProfile(const fs::path& path, WorkingConfiguration& config) {
    ProfileBytes file;
    if (!readProfileBytes(path, file)) return false;
    config.shadowImage = config.liveImage;
    config.shadowRecords = config.liveRecords;
    spreadProfile(file, config.liveImage, config.liveRecords, config.storedMacros);
    return true;
}

bool ImportProfile(const fs::path& path, DeviceImage& liveImage, AssignmentRecords& liveRecords,
                   MacroTable& storedMacros) {
    ProfileBytes file;
    if (!readProfileBytes(path, file)) return false;
    spreadProfile(file, liveImage, liveRecords, storedMacros);
    return true;
}

ProfileCopy CopyProfileFile(const fs::path& source, const fs::path& target) {
    // The copy takes the source's macros too: without them, applying the copy
    // would keep whatever macros were in memory, and its keys would play
    // those. A source without a macro block gives a copy without one.
    std::vector<std::uint8_t> blocks(kProfileSavedSize, 0);
    const auto read = readFilePrefix(source, blocks);
    if (!read) return ProfileCopy::SourceUnreadable;
    if (*read < kProfileSavedSize) blocks.resize(kProfileCopiedSize);
    return writeFileAtomic(target, {std::span<const std::uint8_t>(blocks)}) ? ProfileCopy::Copied
                                                                            : ProfileCopy::WriteFailed;
}

}  // namespace morvane
