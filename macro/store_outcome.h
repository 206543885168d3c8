// The words for a store file that could not be read or written, shared by the
// stores so that the window and morvane-cli say the same thing.
#pragma once

#include <string>

#include "base/outcome.h"
#include "platform/file_io.h"

namespace morvane {

inline Outcome storeUnreadable(const std::string& name, const std::string& why) {
    return Outcome::failure(name + " cannot be read (" + why + ")");
}

// A file that cannot be read is left alone, since it may hold the only copy of
// what the user had; that is told, not hidden behind a failed write.
inline Outcome storeWritten(const std::string& name, const FileWrite& write) {
    if (write) return {};
    if (write.targetUnreadable)
        return Outcome::failure(name + " cannot be read (" + write.reason + "), so it was not written over");
    return Outcome::failure(name + " could not be written (" + write.reason + ")");
}

}  // namespace morvane
