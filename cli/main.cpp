#include <iostream>

#include "cli/cli.h"
#include "platform/settings_store.h"

int main(int argc, char** argv) {
    using namespace morvane;
    cli::Args args(argv + 1, argv + argc);
    std::string error;
    const auto invocation = cli::parseInvocation(args, error);
    if (!invocation) {
        std::cerr << "morvane-cli: " << error << "\n"
                  << "usage: morvane-cli [--folder DIR] [--device auto|none|sim:STATE[,...]] [--log FILE]\n"
                  << "                   [--language english|chinese] COMMAND [ARGS...] [+ COMMAND [ARGS...]]...\n";
        return 2;
    }
    SessionOptions options = invocation->session;
    if (!invocation->languageGiven) {
        if (const auto settings = openUserSettings()) options.uiLanguage = LoadLanguage(*settings);
    }
    Session session(options);
    if (const Outcome started = session.start(); !started.ok) {
        std::cerr << "morvane-cli: " << started.error << "\n";
        return 2;
    }
    for (const auto& command : invocation->commands) {
        const Outcome outcome = cli::runCommand(session, command, std::cout);
        std::cout.flush();
        if (!outcome.ok) {
            std::cerr << "morvane-cli: " << command.front() << ": " << outcome.error << "\n";
            return 1;
        }
    }
    return 0;
}
