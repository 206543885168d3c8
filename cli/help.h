// What morvane-cli tells about itself: one table of its commands, used by
// --help, by the check of the manual page and by shell completion.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace morvane::cli {

struct CommandHelp {
    std::string_view name;
    std::string_view synopsis;  // the command's arguments, as usage shows them
    std::string_view summary;
    std::string_view example;   // one complete command line
};

// Every command, in the order --help lists them.
std::span<const CommandHelp> commandTable();
bool isCommand(std::string_view name);

// "morvane-cli 0.1.0"
std::string versionLine(std::string_view program);
void printHelp(std::ostream& out);

// Candidates for the last of `words` (the arguments typed so far, the last
// one being completed, possibly empty), one per line. With `shellEscaped`
// the words come and go escaped as bash has them: every character the shell
// would read as more than itself gets a backslash. Profile names come from
// `profileFolder` (read, never written).
std::vector<std::string> completions(const std::vector<std::string>& words,
                                     const std::filesystem::path& profileFolder, bool shellEscaped = true);

}  // namespace morvane::cli
