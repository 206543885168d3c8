// Profile files as any bytes, and the folder scans' names (profiles and restore
// points): the input's first line is a list of file names (split at '/'), the
// rest the profile's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/language.h"
#include "config/keyboard_backups.h"
#include "config/profile_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t lineEnd = std::min(text.find('\n'), text.size());
    std::vector<std::string> names;
    for (std::string_view list = text.substr(0, lineEnd); !list.empty();) {
        const std::size_t cut = std::min(list.find('/'), list.size());
        const std::string_view file = list.substr(0, cut);
        if (const auto point = parseRestorePointName(file)) {
            // Only names of the form it writes: a number, a UTC time, a mask of the groups.
            if (!file.starts_with("restore-") || !file.ends_with(".bin")) std::abort();
        }
        if (isProfileFileName(file) && names.size() < kMaxProfiles) names.push_back(profileNameOfFile(file));
        list.remove_prefix(std::min(cut + 1, list.size()));
    }
    for (const std::string& name : names) {
        if (isValidProfileName(name)) {
            const auto path = profileFile("/profiles", name);
            if (path.parent_path() != "/profiles") std::abort();  // a valid name never leaves its folder
        }
        (void)CopyProfileName(names, name, kLanguageEnglish);
        (void)CopyProfileName(names, name, kLanguageChinese);
    }
    (void)NewProfileName(names);

    // Made once and cleared at each input, as a fresh allocation of these
    // hundreds of kilobytes a run is most of the fuzzer's time.
    static auto* const image = new DeviceImage;
    static auto* const records = new AssignmentRecords;
    static auto* const macros = new MacroTable;
    *image = DeviceImage{};
    records->fill(AssignmentRecord{});
    macros->fill(MacroSlot{});
    const std::size_t body = std::min(lineEnd + 1, size);
    SpreadProfileBytes(std::span<const std::uint8_t>(data + body, size - body), *image, *records, *macros);
    return 0;
}
