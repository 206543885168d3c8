// What the keyboard held before: the configuration it was first found with,
// kept once and never replaced, a restore point before every Save (the last
// few), and the configuration this program last wrote to it and read back.
// All live in "Backups" beside the profile folder, each a file in the profile
// format, so any of them can be applied as a profile is.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/device_image.h"
#include "base/keyboard_model.h"
#include "base/outcome.h"
#include "keymap/assignment_store.h"
#include "macro/macro_store.h"

namespace morvane {

inline constexpr std::size_t kDefaultRestorePoints = 20;

std::filesystem::path backupFolder(const std::filesystem::path& userFolder);
// "Keyboard as found (A2A0).bin", "Last saved (A2A0).bin": one per model.
std::filesystem::path asFoundFile(const std::filesystem::path& userFolder, KeyboardModel model);
std::filesystem::path lastSavedFile(const std::filesystem::path& userFolder, KeyboardModel model);

// A configuration as a profile file holds it.
struct KeptConfiguration {
    DeviceImage image{};
    AssignmentRecords records{};
    MacroTable macros{};
};

struct RestorePoint {
    std::filesystem::path file;
    std::chrono::system_clock::time_point when;
    GroupSet changed;  // what the Save that followed it changed
};

// What a restore point's file name tells: "restore-000042-20261209T140322-3ffff.bin",
// a number that only grows, the time in UTC, the groups changed (hex mask).
struct RestorePointName {
    unsigned long number = 0;
    std::chrono::system_clock::time_point when;
    GroupSet changed;
};
std::optional<RestorePointName> parseRestorePointName(std::string_view fileName);

// The restore points in the folder, newest first.
std::vector<RestorePoint> ListRestorePoints(const std::filesystem::path& userFolder);

// Keeps `config` as the newest restore point, made before a Save at `when`
// that changes `changed`, then removes the oldest beyond `keep`.
Outcome KeepRestorePoint(const std::filesystem::path& userFolder, std::chrono::system_clock::time_point when,
                         const GroupSet& changed, const KeptConfiguration& config,
                         std::size_t keep = kDefaultRestorePoints);

// Writes the keyboard as found, unless a file of that name is there already
// (readable or not): the first one found is the one kept. True when it was written now.
bool KeepAsFoundOnce(const std::filesystem::path& userFolder, KeyboardModel model, const KeptConfiguration& config,
                     Outcome& outcome);

// Writes the configuration last written to the keyboard and read back.
Outcome KeepLastSaved(const std::filesystem::path& userFolder, KeyboardModel model, const KeptConfiguration& config);

// "Not known (A2A0)": the groups whose value on the keyboard is not known (it
// was changed elsewhere where it cannot be read), as a hex mask, kept across
// runs until a Save sends them. None when there is no such file;
// `ifUnreadable` when it is there but cannot be read.
std::filesystem::path unknownGroupsFile(const std::filesystem::path& userFolder, KeyboardModel model);
GroupSet ReadUnknownGroups(const std::filesystem::path& userFolder, KeyboardModel model, const GroupSet& ifUnreadable);
// Writes them; removes the file when there are none.
Outcome KeepUnknownGroups(const std::filesystem::path& userFolder, KeyboardModel model, const GroupSet& groups);

// Reads a kept configuration; fails, naming the file, when it cannot be read.
Outcome ReadKeptConfiguration(const std::filesystem::path& file, KeptConfiguration& config);

// "2026-12-09 14:03:22" in local time.
std::string localTimeText(std::chrono::system_clock::time_point when);

}  // namespace morvane
