#include <iostream>

#include "base/group_texts.h"
#include "cli/cli.h"
#include "cli/doctor.h"
#include "cli/hand_off.h"
#include "cli/help.h"
#include "cli/run_chain.h"
#include "cli/writer_locks.h"
#include "platform/handoff.h"
#include "platform/program_folder.h"
#include "platform/settings_store.h"
#include "platform/utf.h"

namespace {

using morvane::cli::oneLine;

int run(const morvane::cli::Invocation& invocation) {
    using namespace morvane;
    // The doctor looks at the real keyboard before any session would open it.
    if (invocation.commands.size() == 1 && invocation.commands.front() == cli::Args{"doctor"}) {
        cli::DoctorOptions doctor;
        doctor.logFile = invocation.session.logFile;
        std::string runtimeError;
        if (const auto runtime = privateRuntimeFolder(runtimeError); !runtime.empty())
            doctor.keyboardLock = cli::keyboardLockFile("auto", runtime);
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
    // Declared first, so held until the session is gone: nobody else writes
    // this folder or talks to this keyboard meanwhile.
    cli::WriterLocks locks;
    // Where the current profile's name is kept; Cancel, and the end of a
    // chain that did not save, put the name of the last Save back there.
    const auto settings = openUserSettings();
    Session session(options, nullptr, std::move(keyboard.backend));
    if (const auto status = cli::handOffOrLock(invocation, session.userFolder(), locks)) return *status;
    if (settings) {
        if (const auto name = settings->value(kProfileSettingsKey, kCurrentProfileValue))
            session.setCurrentProfile(toUtf8(*name));
        session.setSettings(settings.get());
    }
    // What goes wrong beside the commands (a store that cannot be read, a log
    // that cannot be written, a launch that fails) is told as it happens.
    SessionListener listener;
    listener.problem = [](const std::string& problem) { std::cerr << "morvane-cli: " << oneLine(problem) << "\n"; };
    listener.keyboardDiffers = [&session](const GroupSet& groups) {
        std::cerr << "morvane-cli: the keyboard holds something else than this program last saved to it ("
                  << groupTitles(groups, session.uiLanguage())
                  << "): \"restore saved + save\" writes that back, \"keep-keyboard\" keeps what it holds\n";
    };
    session.setListener(std::move(listener));
    if (const Outcome started = session.start(); !started.ok) {
        std::cerr << "morvane-cli: " << oneLine(started.error) << "\n";
        return 2;
    }
    const int status = cli::runChain(session, sim, invocation.commands, std::cout, std::cerr);
    // A chain's edits reach the keyboard with its save or not at all: the
    // files must not claim what the keyboard does not hold.
    if (const std::string discarded = session.discardUnsaved(); !discarded.empty())
        std::cerr << "morvane-cli: not saved, so discarded: " << oneLine(discarded)
                  << " (end the chain with \"+ save\" to keep them)\n";
    return status;
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
                     " [--language english|chinese] COMMAND [ARGS...] [+ COMMAND [ARGS...]]...;"
                     " while the window program runs on the same folder, the commands run there)\n";
        return 2;
    }
    // Answered before anything is read or written.
    if (invocation->help) {
        cli::printHelp(std::cout);
        return 0;
    }
    if (invocation->version) {
        std::cout << cli::versionLine("morvane-cli") << "\n";
        return 0;
    }
    if (invocation->complete) {
        // The line being completed may name its folder.
        const cli::Args& words = *invocation->complete;
        std::filesystem::path folder = invocation->session.programFolder;
        for (std::size_t i = 0; i + 2 < words.size(); ++i)
            if (words[i] == "--folder") folder = words[i + 1];
        const auto profiles = (folder.empty() ? locateProgramFolders().user : folder) / "Configure";
        for (const std::string& word : cli::completions(*invocation->complete, profiles, !invocation->completeRaw)) std::cout << word << "\n";
        return 0;
    }
    try {
        return run(*invocation);
    } catch (const std::exception& e) {
        std::cerr << "morvane-cli: " << oneLine(e.what()) << "\n";
        return 1;
    }
}
