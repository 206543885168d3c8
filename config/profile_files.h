// Named profiles: one file per profile in the "Configure" folder beside the
// program, each a snapshot of the whole configuration (image, assignment
// records, macros). This file knows where they lie, how they are named, what
// a new one holds and how they are written, read and copied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/device_image.h"
#include "keymap/assignment_store.h"
#include "macro/macro_store.h"

namespace morvane {

// A profile file is the image, the records and the macro table back to back.
// Three lengths exist on disk and every reader takes all three.
inline constexpr std::size_t kProfileCopiedSize = kStoreFileSize;                   // 201424, no macros
inline constexpr std::size_t kProfileSavedSize = kStoreFileSize + kMacroTableSize;  // 209104
inline constexpr std::size_t kProfileNewSize = kProfileSavedSize + kMacroTableSize;  // 216784, zero tail

inline constexpr std::size_t kMaxProfiles = 6;
// A name longer than this no longer fits the path table entry of a profile.
inline constexpr std::size_t kMaxProfileNameUnits = 254;
// 255 bytes less ".bin" and a temporary suffix of at most 12 bytes.
inline constexpr std::size_t kMaxProfileNameBytes = 239;
// The current profile's file name, extension included, holds at most this.
inline constexpr std::size_t kMaxCurrentProfileNameUnits = 99;

inline constexpr std::string_view kProfileExtension = ".bin";
inline constexpr std::string_view kFirstProfileFile = "Profile_1.bin";

// "Configure" in the program folder. Never created by the program.
std::filesystem::path profileFolder(const std::filesystem::path& programFolder);

// The file `fileName` (UTF-8) in `folder`.
std::filesystem::path fileInFolder(const std::filesystem::path& folder, std::string_view fileName);
// The file of the profile `name`: the name with ".bin" appended.
std::filesystem::path profileFile(const std::filesystem::path& folder, std::string_view name);

// UTF-8 text of a path or a file name.
std::string pathText(const std::filesystem::path& p);

// Length of UTF-8 text in UTF-16 code units, the unit the fixed fields count in.
std::size_t utf16Units(std::string_view text);

// A profile name must name a file in the profile folder and nothing else: not
// empty, no "/" or "\", no "..", plain UTF-8 text without control characters,
// at most 239 bytes. What is wrong with a name, the first thing found:
enum class ProfileNameProblem { None, Empty, Separator, DotDot, NotPlainText, TooLong };
ProfileNameProblem profileNameProblem(std::string_view name);
bool isValidProfileName(std::string_view name);

// The file of list row i of the profile list, and how many of them count.
struct ProfileTable {
    std::vector<std::filesystem::path> profilePaths;
    int profileCount = 0;
};

// The name a file is listed under: its file name with every ".bin" (lowercase
// only) removed, so "a.bin.bin" lists as "a" and "B.BIN" as "B.BIN".
std::string profileNameOfFile(std::string_view fileName);
// Whether the folder scan lists a file of this name (".bin" in any case).
bool isProfileFileName(std::string_view fileName);

// Takes the first six regular files of `folder` whose names end in ".bin"
// without regard to case, in the order the file system returns them. Fills
// `table` in that order and returns the names. A missing folder yields nothing.
std::vector<std::string> ScanProfiles(const std::filesystem::path& folder, ProfileTable& table);

// Entry i becomes the file of the name at list position i.
void RebuildProfilePaths(const std::filesystem::path& folder, const std::vector<std::string>& names,
                         ProfileTable& table);

// Profile_1 .. Profile_9, Profile010 .. Profile098, Profile99, Profile100, ...:
// the first one not listed (exact comparison).
std::string NewProfileName(const std::vector<std::string>& names);

// "Copy of SOURCE", then "Copy of SOURCE 1", "... 2" (Chinese "复制 SOURCE"),
// the first one not listed, with one blank between the words. Profiles copied
// by earlier versions keep their names with two.
std::string CopyProfileName(const std::vector<std::string>& names, std::string_view source, std::uint16_t language);

// The live state a profile is read into and written from.
struct WorkingConfiguration {
    DeviceImage& liveImage;
    DeviceImage& shadowImage;
    AssignmentRecords& liveRecords;
    AssignmentRecords& shadowRecords;
    MacroTable& storedMacros;
};

// What a newly created profile holds: the factory key table and lighting, and
// every key of the keyboard switched on.
DeviceImage defaultProfileImage();

// Writes a new profile (216784 bytes). False when the file cannot be written.
[[nodiscard]] bool CreateDefaultProfile(const std::filesystem::path& path);

// Writes the working configuration as a profile (209104 bytes).
[[nodiscard]] bool WriteProfile(const std::filesystem::path& path, const DeviceImage& liveImage,
                  const AssignmentRecords& liveRecords, const MacroTable& storedMacros);

// Makes the profile the working configuration after copying live over shadow,
// so the next write-all sends exactly what the profile changes. Each block is
// read as far as the file reaches; the rest keeps its content. False, with
// nothing changed, when the file cannot be opened.
[[nodiscard]] bool ReadProfile(const std::filesystem::path& path, WorkingConfiguration& config);

// Reads the profile into the working configuration; the shadows stay.
// A profile file's bytes spread over the configuration as a read does: the
// parts the bytes do not reach keep what they held.
void SpreadProfileBytes(std::span<const std::uint8_t> bytes, DeviceImage& liveImage, AssignmentRecords& liveRecords,
                        MacroTable& storedMacros);
[[nodiscard]] bool ImportProfile(const std::filesystem::path& path, DeviceImage& liveImage, AssignmentRecords& liveRecords,
                   MacroTable& storedMacros);

enum class ProfileCopy { Copied, SourceUnreadable, WriteFailed };

// Writes the image, records and macros of `source` to `target` (209104 bytes;
// 201424 without macros when the source has none; what a short source lacks
// is zero). Nothing is written when the source cannot be read.
[[nodiscard]] ProfileCopy CopyProfileFile(const std::filesystem::path& source, const std::filesystem::path& target);

}  // namespace morvane
