// Before morvane-cli opens anything: hand the chain to the window program
// working on the same folder, or take the folder's and the keyboard's locks
// for this run.
#pragma once

#include <filesystem>
#include <optional>

#include "cli/cli.h"
#include "cli/writer_locks.h"

namespace morvane::cli {

// The exit status when the chain was handed off (its output printed) or when
// this run cannot go on (the line printed); nothing when this process now
// holds `locks` and runs the chain itself.
std::optional<int> handOffOrLock(const Invocation& invocation, const std::filesystem::path& folder,
                                 WriterLocks& locks);

}  // namespace morvane::cli
