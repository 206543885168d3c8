// Starting programs and opening files for launch keys. Nothing here goes
// through a shell command line: a path is always handed over as one argument,
// so no character in it (blanks, quotes, ';', '$', ...) can run a command.
// Neither call waits for what it started, and nothing started is left behind
// as a zombie.
#pragma once

#include <filesystem>
#include <memory>

namespace morvane {

class Shell {
public:
    virtual ~Shell() = default;

    // Runs `program` with no arguments, in `workingDirectory`. True when the
    // program was started.
    [[nodiscard]] virtual bool startProgram(const std::filesystem::path& program, const std::filesystem::path& workingDirectory) = 0;

    // Opens a file or folder with the desktop's handler for it (xdg-open on
    // Linux), in `workingDirectory`. True when the handler was started; what
    // the handler then makes of the target is not reported.
    [[nodiscard]] virtual bool openWithDesktop(const std::filesystem::path& target, const std::filesystem::path& workingDirectory) = 0;
};

// The platform's own shell layer.
std::unique_ptr<Shell> makeSystemShell();

}  // namespace morvane
