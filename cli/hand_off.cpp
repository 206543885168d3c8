#include "cli/hand_off.h"

#include <iostream>
#include <system_error>

#include "cli/run_chain.h"
#include "platform/handoff.h"

namespace morvane::cli {

std::optional<int> handOffOrLock(const Invocation& invocation, const std::filesystem::path& folder,
                                 WriterLocks& locks) {
    std::string runtimeError;
    const std::filesystem::path runtime = privateRuntimeFolder(runtimeError);

    HandoffRequest request;
    request.device = invocation.deviceGiven ? canonicalDeviceText(invocation.session.device) : std::string();
    std::error_code ec;
    request.commands = withAbsolutePaths(invocation.commands, std::filesystem::current_path(ec));
    HandoffReply reply;
    std::string error;
    const LockWait lockWait = lockWaitFromEnvironment();
    const auto waiting = [](const std::string& line) { std::cerr << "morvane-cli: " << oneLine(line) << std::endl; };
    const HandoffWait handoffWait{lockWait, waiting};
    // Whether the program answered; sets the status to return.
    std::optional<int> answered;
    const auto tryHandOff = [&]() -> bool {
        if (runtime.empty()) return false;
        switch (sendHandoff(handoffSocketPath(runtime, folder), request, reply, error, handoffWait)) {
        case HandoffResult::NoProgram:
            return false;
        case HandoffResult::Answered:
            std::cout << reply.out << std::flush;
            std::cerr << reply.err << std::flush;
            answered = reply.status;
            return true;
        case HandoffResult::Failed:
            std::cerr << "morvane-cli: " << oneLine(error) << "\n";
            answered = 2;
            return true;
        }
        return false;
    };
    if (tryHandOff()) return answered;

    // The window program holds the folder from its start; its socket opens a
    // moment later, so the wait keeps asking for it. Without a private
    // runtime folder it never opens: that is said at once, not after the wait.
    const auto stopWaiting = [&](const LockHolder& holder) {
        if (holder.program != "morvane") return false;
        if (!runtime.empty()) return tryHandOff();
        std::cerr << "morvane-cli: "
                  << oneLine("the program folder " + canonicalFolderText(folder) + " is in use by " +
                             holder.describe() + ", and commands cannot be handed to it: " + runtimeError)
                  << "\n";
        answered = 2;
        return true;
    };
    const WriterLockResult locked = takeWriterLocks(locks, folder, invocation.session.device, runtime, "morvane-cli",
                                                    lockWait, waiting, stopWaiting);
    if (locked.stopped && answered) return answered;
    if (!locked.held) {
        std::cerr << "morvane-cli: " << oneLine(locked.error) << "\n";
        return 2;
    }
    return std::nullopt;
}

}  // namespace morvane::cli
