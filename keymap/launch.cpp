#include "keymap/launch.h"

#include <filesystem>

#include "platform/utf.h"

namespace morvane {

namespace {

bool isSeparator(char16_t c) {
#ifdef _WIN32
    return c == u'\\' || c == u'/';
#else
    // A backslash is an ordinary character in a POSIX file name.
    return c == u'/';
#endif
}

std::filesystem::path toPath(const std::u16string& text) {
#ifdef _WIN32
    return std::filesystem::path(std::wstring(text.begin(), text.end()));
#else
    return std::filesystem::path(toUtf8(text));
#endif
}

}  // namespace

LaunchPathParts splitLaunchPath(std::u16string_view path) {
    for (std::size_t i = path.size(); i-- > 0;)
        if (isSeparator(path[i])) return {std::u16string(path.substr(0, i)), std::u16string(path.substr(i + 1))};
    return {std::u16string(path), {}};
}

int findLaunchRecord(std::uint8_t code, const AssignmentRecords& records) {
    for (int i = 0; i < kRecordCount; ++i) {
        const AssignmentRecord& r = records[i];
        if (r.kind >= KindPlaySound && r.kind <= KindOpenFolder && r.keyCode == code) return i;
    }
    return -1;
}

LaunchOutcome LaunchAssignedTarget(std::uint8_t code, const AssignmentRecords& records, Shell& shell) {
    const int index = findLaunchRecord(code, records);
    if (index < 0) return LaunchOutcome::NotAssigned;
    const AssignmentRecord& r = records[index];
    const std::u16string stored = r.pathText();
    LaunchPathParts parts = splitLaunchPath(stored);

    // A path that is not absolute would be resolved against wherever this
    // program happens to run; it is never opened.
    const std::filesystem::path whole = toPath(stored);
    if (stored.empty() || !whole.is_absolute()) return LaunchOutcome::Failed;
    // "/name", "C:\name": the directory part is the root itself ("C:" alone
    // would be whatever folder was last current on that drive).
    std::filesystem::path directory = toPath(parts.directory);
    if (directory.relative_path().empty()) directory = whole.root_path();

    bool started;
    if (parts.file.empty()) {
        // A path that ends in a separator names a folder: show it.
        started = shell.openWithDesktop(directory, directory);
    } else if (r.kind == KindStartProgram) {
        started = shell.startProgram(whole, directory);
    } else {
        started = shell.openWithDesktop(whole, directory);
    }
    return started ? LaunchOutcome::Started : LaunchOutcome::Failed;
}

}  // namespace morvane
