// A command chain run on a session, as morvane-cli runs it alone and as the
// running window program runs a chain handed to it: the same output, the
// same one-line error, the same exit status.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace morvane::cli {

// Errors are reported on one line, whatever a message or a path holds.
std::string oneLine(std::string text);

// Runs the commands in order; 0 when each succeeded, else 1 after the first
// that failed (its error on `err` as "morvane-cli: COMMAND: ERROR").
int runChain(Session& session, SimulatedKeyboardControls* sim, const std::vector<Args>& commands, std::ostream& out,
             std::ostream& err);

// The commands with their file arguments made absolute against `base`, so a
// process with another working folder reads the same files.
std::vector<Args> withAbsolutePaths(std::vector<Args> commands, const std::filesystem::path& base);

}  // namespace morvane::cli
