// What the doctors of both systems share.
#include <cstdio>

#include "cli/doctor.h"
#include "platform/active_window_sources.h"
#include "device/protocol.h"
#include "device/transfer_log.h"
#include "platform/file_lock.h"

namespace morvane::cli {

void DoctorReport::problem(const std::string& what, const std::string& todo) {
    ++problems_;
    out_ << "problem: " << what << "\n  what to do: " << todo << "\n";
}

int DoctorReport::finish() {
    // Profiles follow the active window only where a source works.
    out_ << "active window: " << describeActiveWindowSource() << "\n";
    if (usable_) {
        out_ << "the keyboard can be used\n";
        return 0;
    }
    out_ << "the keyboard cannot be used (" << problems_ << (problems_ == 1 ? " problem" : " problems") << " above)\n";
    return 1;
}

bool queryIdentity(HidTransport& transport, const DoctorOptions& options, Clock& clock, std::ostream& out,
                   std::string& what, std::string& todo) {
    FileLock lock;
    if (!options.keyboardLock.empty()) {
        LockHolder holder;
        std::string lockError;
        if (lock.tryLock(options.keyboardLock, "morvane-cli", "doctor", holder, lockError) == FileLock::State::Busy) {
            // It opened, and the holder is talking to it: usable, only not asked here.
            out << "identity: not asked, the keyboard is in use by " << holder.describe()
                << "; close that program to ask it\n";
            return true;
        }
    }
    std::unique_ptr<TransferLog> log;
    std::unique_ptr<LoggingTransport> logged;
    HidTransport* control = &transport;
    if (!options.logFile.empty()) {
        log = std::make_unique<TransferLog>(options.logFile, clock);
        if (log->isOpen()) {
            logged = std::make_unique<LoggingTransport>(*control, *log, false);
            control = logged.get();
        } else {
            out << "note: the log file " << options.logFile.string() << " cannot be opened\n";
        }
    }
    Protocol protocol(*control, clock);
    DeviceIdentity identity;
    if (!protocol.readIdentity(identity)) {
        const std::string reason = protocol.lastError();
        what = "the keyboard did not answer the identity query" + (reason.empty() ? "" : " (" + reason + ")");
        todo = "plug it into another USB port and run doctor again with --log FILE; send the file if it stays";
        return false;
    }
    out << "identity reply:";
    for (std::uint8_t b : identity.identityReply) {
        char text[4];
        std::snprintf(text, sizeof text, " %02x", b);
        out << text;
    }
    out << "\nfirmware: " << int(identity.firmwareVersion[0]) << "." << int(identity.firmwareVersion[1]) << "\n";
    return true;
}

}  // namespace morvane::cli
