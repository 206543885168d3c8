// morvane-cli's command line as any words (split at NUL bytes): the options,
// the chain, and each command run on a session without a keyboard in a folder
// of its own. Commands that would wait (listen) or name paths outside that
// folder are left out: a fuzzer must not write over the machine's files.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "cli/cli.h"

namespace {

morvane::Session& session() {
    static std::unique_ptr<morvane::Session> s = [] {
        const std::filesystem::path folder =
            std::filesystem::path(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") /
            ("morvane-fuzz-cli-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder / "Configure");
        morvane::SessionOptions options;
        options.programFolder = folder;
        options.device = "none";
        auto made = std::make_unique<morvane::Session>(options);
        (void)made->start();
        return made;
    }();
    return *s;
}

bool safe(const morvane::cli::Args& command) {
    if (command.empty() || command[0] == "listen") return false;
    for (const std::string& word : command)
        if (word.find('/') != std::string::npos || word.find("..") != std::string::npos) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvane;
    cli::Args args;
    std::string word;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.push_back(std::move(word));
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    args.push_back(std::move(word));
    std::string error;
    const auto invocation = cli::parseInvocation(args, error);
    if (!invocation) return 0;
    std::ostringstream out;
    for (const auto& command : invocation->commands) {
        if (!safe(command)) break;
        if (!cli::runCommand(session(), nullptr, command, out, out)) break;
    }
    return 0;
}
