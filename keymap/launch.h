// Launch keys: when the keyboard reports a key that carries a launch
// assignment, the record's program is started from its own folder, or its
// file or folder is opened with the desktop's handler.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "keymap/assignment_store.h"
#include "platform/shell.h"

namespace morvane {

// A stored path cut at its last folder separator ('/'; on Windows also '\').
// Without a separator the file is empty and the directory is the whole path.
struct LaunchPathParts {
    std::u16string directory;
    std::u16string file;
};
LaunchPathParts splitLaunchPath(std::u16string_view path);

// The first of records 0..254 with a launch kind (4..7) whose key code is
// `code`; -1 when there is none.
int findLaunchRecord(std::uint8_t code, const AssignmentRecords& records);

enum class LaunchOutcome {
    NotAssigned,  // no launch record for this code: nothing to do
    Started,      // the program or the desktop's handler was started
    Failed,       // the path is unusable or nothing could be started
};

// Handles a key the keyboard reported (MSG_LAUNCH_KEY). Never waits for what
// it started: the event reader is blocked while this runs. Call it on the
// thread that owns the records.
[[nodiscard]] LaunchOutcome LaunchAssignedTarget(std::uint8_t code, const AssignmentRecords& records, Shell& shell);

}  // namespace morvane
