#include "cli/writer_locks.h"

#include <system_error>

#include "platform/handoff.h"
#include "platform/program_folder.h"

namespace morvane::cli {

namespace fs = std::filesystem;

fs::path folderLockFile(const fs::path& folder) { return folder / ".morvane.lock"; }

fs::path keyboardLockFile(const std::string& device, const fs::path& runtimeFolder) {
    if (device.rfind("sim:", 0) == 0) {
        const std::string canonical = canonicalDeviceText(device);
        const std::size_t comma = canonical.find(',');
        const std::string state = canonical.substr(4, comma == std::string::npos ? std::string::npos : comma - 4);
        if (state.empty()) return {};
        // Beside the state file, not the state file itself: it is replaced
        // by a rename on every write, and a lock on the old one guards nothing.
        return state + ".lock";
    }
    if (device == "auto" && !runtimeFolder.empty()) return runtimeFolder / "morvane-keyboard.lock";
    return {};
}

WriterLockResult takeWriterLocks(WriterLocks& locks, const fs::path& folder, const std::string& device,
                                 const fs::path& runtimeFolder, const std::string& program, const LockWait& wait,
                                 const std::function<void(const std::string&)>& waiting,
                                 const std::function<bool(const LockHolder&)>& stopWaiting) {
    WriterLockResult result;
    // Checked before the lock file is made: not even that is left in a
    // folder of another account's.
    if (std::string why = checkFolderIsOurs(folder); !why.empty()) {
        result.error = why;
        return result;
    }
    const std::string folderText = canonicalFolderText(folder);
    std::error_code ec;
    if (fs::is_directory(folder, ec)) {
        const LockRequest request{folderLockFile(folder), "the program folder " + folderText, program, folderText};
        std::string error;
        const FileLock::State state = waitForLock(locks.folder, request, wait, waiting, stopWaiting, error);
        // A lock file that cannot be opened (left by another account, a link
        // put in its place) guards nothing: running on would let two writers in.
        if (state == FileLock::State::Failed) {
            result.error = error;
            result.failed = true;
            return result;
        }
        if (state == FileLock::State::Busy) {
            result.stopped = error.empty();
            result.error = error;
            return result;
        }
    }
    const fs::path keyboardFile = keyboardLockFile(device, runtimeFolder);
    if (!keyboardFile.empty() && fs::is_directory(keyboardFile.parent_path(), ec)) {
        const std::string subject = "the keyboard " + (device == "auto" ? std::string("(auto)") : canonicalDeviceText(device));
        const LockRequest request{keyboardFile, subject, program, folderText};
        std::string error;
        bool heldByWindow = false;
        const auto refuseWindow = [&](const LockHolder& holder) {
            if (holder.program != "morvane") return false;
            heldByWindow = true;
            error = subject + " is in use by " + holder.describe();
            return true;
        };
        std::string waitError;
        const FileLock::State state = waitForLock(locks.keyboard, request, wait, waiting, refuseWindow, waitError);
        if (state != FileLock::State::Taken) {
            locks.folder.release();
            result.error = heldByWindow ? error : waitError;
            result.failed = state == FileLock::State::Failed;
            return result;
        }
    }
    result.held = true;
    return result;
}

}  // namespace morvane::cli
