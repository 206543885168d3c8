// One writer per program folder and per keyboard: the locks morvane-cli holds
// for its whole run and the window program for its whole life.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "platform/file_lock.h"

namespace morvane::cli {

// The lock file of a data folder.
std::filesystem::path folderLockFile(const std::filesystem::path& folder);

// The lock file of the keyboard a device text names: the simulated keyboard's
// state file with ".lock", a per-user file in `runtimeFolder` for the real
// keyboard (its hidraw nodes come and go with every plug), none for "none".
std::filesystem::path keyboardLockFile(const std::string& device, const std::filesystem::path& runtimeFolder);

struct WriterLocks {
    FileLock folder;
    FileLock keyboard;
};

struct WriterLockResult {
    bool held = false;      // both taken (or not needed)
    bool stopped = false;   // the folder wait ended by `stopWaiting`
    bool failed = false;    // a lock file could not be made, opened or taken (no holder keeps it)
    std::string error;      // one line when neither
};

// Takes the folder's lock, then the keyboard's, for `program` ("morvane",
// "morvane-cli"). A lock file that cannot be made, opened or taken stops the
// run with a line naming it and why: without the lock nothing keeps a second
// writer out. A keyboard held by the window program is refused at once: it
// keeps it for its whole life.
WriterLockResult takeWriterLocks(WriterLocks& locks, const std::filesystem::path& folder, const std::string& device,
                                 const std::filesystem::path& runtimeFolder, const std::string& program,
                                 const LockWait& wait, const std::function<void(const std::string&)>& waiting,
                                 const std::function<bool(const LockHolder&)>& stopWaiting = {});

}  // namespace morvane::cli
