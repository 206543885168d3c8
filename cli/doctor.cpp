#include "cli/doctor.h"

#include <hidapi/hidapi.h>

#include <cstdio>
#include <string>

#include "base/keyboard_model.h"
#include "device/hid/udev_rules.h"
#include "device/protocol.h"
#include "device/transfer_log.h"
#include "platform/active_window_sources.h"
#include "platform/file_lock.h"

namespace morvane::cli {

namespace {

std::string hex4(std::uint16_t v) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", v);
    return text;
}

std::string idsOf(const HidInterfaceInfo& info) { return hex4(info.vendorId) + ":" + hex4(info.productId); }

std::string reportList(const HidNode& node) {
    if (!node.descriptorRead) return "descriptor unreadable";
    if (node.inputReports.empty()) return "no input reports";
    std::string text;
    for (std::uint8_t id : node.inputReports) {
        if (!text.empty()) text += ' ';
        text += id == 0 ? std::string("unnumbered") : std::to_string(id);
    }
    return text;
}

class Doctor {
public:
    Doctor(const DoctorOptions& options, std::ostream& out)
        : options_(options), hid_(withSystemServices(options.hid)), out_(out) {}

    int run() {
        hid_init();
        const auto nodes = enumerateVendorInterfaces(hid_);
        listInterfaces(nodes);
        std::vector<HidInterfaceInfo> infos;
        for (const auto& n : nodes) infos.push_back(n.info);
        const auto control = matchKeyboardInterface(infos, InterfaceRole::Control, PathConvention::Linux);
        const auto events = matchKeyboardInterface(infos, InterfaceRole::Events, PathConvention::Linux);
        KeyboardModel model = control ? control->model : events ? events->model : KeyboardModel::None;
        if (model == KeyboardModel::None) {
            for (const auto& n : infos)
                if (keyboardModelOfProduct(n.vendorId, n.productId) != KeyboardModel::None)
                    model = keyboardModelOfProduct(n.vendorId, n.productId);
        }
        if (model == KeyboardModel::None) {
            problem("no keyboard 04d9:a2a0 (full-size) or 04d9:a247 (87-key) is attached",
                    "plug it in directly (not through a hub or a KVM switch); `lsusb -d 04d9:` should list it");
        } else {
            out_ << "keyboard: " << keyboardModelInfo(model).name << " (04d9:"
                 << hex4(keyboardModelInfo(model).productId) << ")\n";
        }
        checkUdevRule(model == KeyboardModel::None ? KeyboardModel::FullSize : model);

        if (model != KeyboardModel::None) {
            if (events) {
                out_ << "event interface: " << infos[events->index].path << " (its descriptor declares input report 4)\n";
            } else {
                problem("no interface of the keyboard declares input report 4, so launch keys will not be heard",
                        "run doctor again after plugging the keyboard in again; if it stays, send this output");
            }
            if (control) {
                out_ << "control interface: " << infos[control->index].path << " (USB interface 3)\n";
                checkControl(infos[control->index].path, hasNumberedReports(nodes[control->index]));
            } else {
                problem("the keyboard shows no USB interface 3, which carries its configuration",
                        "plug it in again; if it stays, send this output (its firmware may be another model's)");
            }
        }
        // Profiles follow the active window only where a source works.
        out_ << "active window: " << describeActiveWindowSource() << "\n";
        if (usable_) {
            out_ << "the keyboard can be used\n";
            return 0;
        }
        out_ << "the keyboard cannot be used (" << problems_ << (problems_ == 1 ? " problem" : " problems")
             << " above)\n";
        return 1;
    }

private:
    void problem(const std::string& what, const std::string& todo) {
        ++problems_;
        out_ << "problem: " << what << "\n  what to do: " << todo << "\n";
    }

    void listInterfaces(const std::vector<HidNode>& nodes) {
        out_ << "HID interfaces of vendor 04d9: " << nodes.size() << "\n";
        for (const auto& n : nodes) {
            std::string error;
            bool denied = false;
            // Opening a hidraw node changes nothing on the device; it is the only sure answer.
            const bool opens = openHidPath(n.info.path, hasNumberedReports(n), error, denied) != nullptr;
            out_ << "  " << n.info.path << "  " << idsOf(n.info) << "  \"" << n.product << "\"  interface "
                 << n.info.interfaceNumber << "  input reports: " << reportList(n)
                 << "  may open: " << (opens ? std::string("yes") : "no (" + error + ")") << "\n";
        }
    }

    void checkUdevRule(KeyboardModel model) {
        const auto dirs = options_.udevRuleDirs.empty() ? udevRuleDirectories() : options_.udevRuleDirs;
        const std::uint16_t product = keyboardModelInfo(model).productId;
        const auto found = findUdevRule(dirs, kKeyboardVendorId, product);
        if (!found) {
            problem("no udev rule gives the user at the seat access to 04d9:" + hex4(product),
                    "install the rule: sudo cp 70-morvane.rules /etc/udev/rules.d/ (it is in the source tree "
                    "under device/hid/, and is shown below), then sudo udevadm control --reload && "
                    "sudo udevadm trigger, and plug the keyboard in again");
            out_ << udevRuleText();
        } else if (found->tooLate) {
            problem("the udev rule " + found->file.string() +
                        " tags the keyboard \"uaccess\" after the seat rules (73-seat-late.rules) have run, "
                        "so the tag gives no access",
                    "rename it to sort before 73, e.g. /etc/udev/rules.d/70-morvane.rules, then sudo udevadm "
                    "control --reload && sudo udevadm trigger, and plug the keyboard in again");
        } else {
            out_ << "udev rule: " << found->file.string() << " gives access to 04d9:" << hex4(product) << "\n";
        }
        // Broader access does not keep the program from working, so it is a
        // note, not a problem: but it opens the typing to every program.
        if (found && found->broader)
            out_ << "note: the udev rule " << found->broader->string() << " opens every HID interface of 04d9:"
                 << hex4(product) << ", the one that carries the typing too, so any program of this user can read "
                 << "keystrokes; the program needs USB interfaces 1 and 3 only: replace it with "
                 << kUdevRuleFileName << " (shown by this command when no rule is installed)\n";
    }

    void checkControl(const std::string& path, bool numbered) {
        std::string error;
        bool denied = false;
        auto transport = openHidPath(path, numbered, error, denied);
        if (!transport) {
            if (denied)
                problem("this user may not open " + path + " (" + error + ")",
                        "install the udev rule as above and plug the keyboard in again; logged in remotely, "
                        "\"uaccess\" does not apply: add a rule with GROUP and MODE=\"0660\" for a group you are in");
            else
                problem(path + " cannot be opened (" + error + ")",
                        "plug the keyboard in again; if it stays, send this output");
            return;
        }
        FileLock lock;
        if (!options_.keyboardLock.empty()) {
            LockHolder holder;
            std::string lockError;
            if (lock.tryLock(options_.keyboardLock, "morvane-cli", "doctor", holder, lockError) ==
                FileLock::State::Busy) {
                // It opened, and the holder is talking to it: usable, only not asked here.
                out_ << "identity: not asked, the keyboard is in use by " << holder.describe()
                     << "; close that program to ask it\n";
                usable_ = true;
                return;
            }
        }
        SystemClock systemClock;
        Clock& clock = hid_.clock ? *hid_.clock : systemClock;
        std::unique_ptr<TransferLog> log;
        std::unique_ptr<LoggingTransport> logged;
        HidTransport* control = transport.get();
        if (!options_.logFile.empty()) {
            log = std::make_unique<TransferLog>(options_.logFile, clock);
            if (log->isOpen()) {
                logged = std::make_unique<LoggingTransport>(*control, *log, false);
                control = logged.get();
            } else {
                out_ << "note: the log file " << options_.logFile.string() << " cannot be opened\n";
            }
        }
        Protocol protocol(*control, clock);
        DeviceIdentity identity;
        if (!protocol.readIdentity(identity)) {
            const std::string reason = protocol.lastError();
            problem("the keyboard did not answer the identity query" + (reason.empty() ? "" : " (" + reason + ")"),
                    "plug it into another USB port and run doctor again with --log FILE; send the file if it stays");
            return;
        }
        out_ << "identity reply:";
        for (std::uint8_t b : identity.identityReply) {
            char text[4];
            std::snprintf(text, sizeof text, " %02x", b);
            out_ << text;
        }
        out_ << "\nfirmware: " << int(identity.firmwareVersion[0]) << "." << int(identity.firmwareVersion[1]) << "\n";
        usable_ = true;
    }

    const DoctorOptions& options_;
    HidapiOptions hid_;
    std::ostream& out_;
    int problems_ = 0;
    bool usable_ = false;
};

}  // namespace

int runDoctor(const DoctorOptions& options, std::ostream& out) { return Doctor(options, out).run(); }

}  // namespace morvane::cli
