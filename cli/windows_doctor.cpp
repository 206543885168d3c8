// `morvane-cli doctor` on Windows: the vendor's HID interfaces as the system
// lists them, which two would be used and why, and the keyboard's identity.
#include "cli/doctor.h"

#include <cstdio>
#include <string>

#include "base/keyboard_model.h"
#include "device/windows/windows_hid_devices.h"

namespace morvane::cli {

namespace {

std::string hex4(std::uint16_t v) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", v);
    return text;
}

class Doctor {
public:
    Doctor(const DoctorOptions& options, std::ostream& out) : options_(options), out_(out) {}

    int run() {
        std::vector<HidInterfaceInfo> vendor;
        for (auto& info : enumerateHidInterfaces())
            if (info.vendorId == kKeyboardVendorId) vendor.push_back(std::move(info));
        out_ << "HID interfaces of vendor 04d9: " << vendor.size() << "\n";
        for (const auto& info : vendor) out_ << "  " << info.path << "  04d9:" << hex4(info.productId) << "\n";
        const auto control = matchKeyboardInterface(vendor, InterfaceRole::Control, PathConvention::Windows);
        const auto events = matchKeyboardInterface(vendor, InterfaceRole::Events, PathConvention::Windows);
        KeyboardModel model = control ? control->model : events ? events->model : KeyboardModel::None;
        for (const auto& info : vendor)
            if (model == KeyboardModel::None) model = keyboardModelOfProduct(info.vendorId, info.productId);
        if (model == KeyboardModel::None) {
            problem("no keyboard 04d9:a2a0 (full-size) or 04d9:a247 (87-key) is attached",
                    "plug it in directly (not through a hub or a KVM switch); the Device Manager should list it "
                    "under \"Human Interface Devices\"");
        } else {
            out_ << "keyboard: " << keyboardModelInfo(model).name << " (04d9:" << hex4(keyboardModelInfo(model).productId)
                 << ")\n";
            if (events)
                out_ << "event interface: " << vendor[events->index].path << " (its path names collection 4)\n";
            else
                problem("no interface of the keyboard has \"col04\" in its path, so launch keys will not be heard",
                        "plug the keyboard in again; if it stays, send this output");
            if (control) {
                out_ << "control interface: " << vendor[control->index].path << " (its path names USB interface 3)\n";
                checkControl(vendor[control->index].path);
            } else {
                problem("no interface of the keyboard has \"mi_03\" in its path, which carries its configuration",
                        "plug it in again; if it stays, send this output (its firmware may be another model's)");
            }
        }
        return report_.finish();
    }

private:
    void problem(const std::string& what, const std::string& todo) { report_.problem(what, todo); }

    void checkControl(const std::string& path) {
        std::string error;
        bool denied = false;
        auto transport = openWindowsHidPath(path, error, denied);
        if (!transport) {
            problem(path + " cannot be opened (" + error + ")",
                    denied ? "close the keyboard's other configuration programs and run doctor again"
                           : "plug the keyboard in again; if it stays, send this output");
            return;
        }
        SystemClock clock;
        std::string what, todo;
        if (queryIdentity(*transport, options_, clock, out_, what, todo))
            report_.usable();
        else
            problem(what, todo);
    }

    const DoctorOptions& options_;
    std::ostream& out_;
    DoctorReport report_{out_};
};

}  // namespace

int runDoctor(const DoctorOptions& options, std::ostream& out) { return Doctor(options, out).run(); }

}  // namespace morvane::cli
