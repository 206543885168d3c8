#include "cli/doctor.h"

#include <hidapi/hidapi.h>

#include <cstdio>
#include <string>

#include "base/keyboard_model.h"
#include "device/hid/udev_rules.h"

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
        return report_.finish();
    }

private:
    void problem(const std::string& what, const std::string& todo) { report_.problem(what, todo); }

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
        SystemClock systemClock;
        std::string what, todo;
        if (queryIdentity(*transport, options_, hid_.clock ? *hid_.clock : systemClock, out_, what, todo))
            report_.usable();
        else
            problem(what, todo);
    }

    const DoctorOptions& options_;
    HidapiOptions hid_;
    std::ostream& out_;
    DoctorReport report_{out_};
};

}  // namespace

int runDoctor(const DoctorOptions& options, std::ostream& out) { return Doctor(options, out).run(); }

}  // namespace morvane::cli
