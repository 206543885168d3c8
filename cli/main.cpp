#include <iostream>

#include "cli/cli.h"
#include "cli/doctor.h"
#include "platform/settings_store.h"

namespace {

// Errors are reported on one line, whatever a message or a path holds.
std::string oneLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

int run(const morvane::cli::Invocation& invocation) {
    using namespace morvane;
    // The doctor looks at the real keyboard before any session would open it.
    if (invocation.commands.size() == 1 && invocation.commands.front() == cli::Args{"doctor"}) {
        cli::DoctorOptions doctor;
        doctor.logFile = invocation.session.logFile;
        return cli::runDoctor(doctor, std::cout);
    }
    SessionOptions options = invocation.session;
    if (!invocation.languageGiven) {
        if (const auto settings = openUserSettings()) options.uiLanguage = LoadLanguage(*settings);
    }
    std::string error;
    BackendChoice keyboard = makeKeyboardBackend(options.device, error);
    if (!keyboard.backend) {
        std::cerr << "morvane-cli: " << oneLine(error) << "\n";
        return 2;
    }
    SimulatedKeyboardControls* sim = keyboard.simulated;
    Session session(options, nullptr, std::move(keyboard.backend));
    if (const Outcome started = session.start(); !started.ok) {
        std::cerr << "morvane-cli: " << oneLine(started.error) << "\n";
        return 2;
    }
    for (const auto& command : invocation.commands) {
        const Outcome outcome = cli::runCommand(session, sim, command, std::cout);
        std::cout.flush();
        if (!outcome.ok) {
            std::cerr << "morvane-cli: " << oneLine(command.front() + ": " + outcome.error) << "\n";
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace morvane;
    cli::Args args(argv + 1, argv + argc);
    std::string error;
    const auto invocation = cli::parseInvocation(args, error);
    if (!invocation) {
        std::cerr << "morvane-cli: " << oneLine(error)
                  << " (usage: morvane-cli [--folder DIR] [--device auto|none|sim:STATE[,...]] [--log FILE]"
                     " [--language english|chinese] COMMAND [ARGS...] [+ COMMAND [ARGS...]]...)\n";
        return 2;
    }
    try {
        return run(*invocation);
    } catch (const std::exception& e) {
        std::cerr << "morvane-cli: " << oneLine(e.what()) << "\n";
        return 1;
    }
}
