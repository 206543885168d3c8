// `morvane-cli doctor`: what a user runs when the keyboard does not answer.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "base/clock.h"
#include "device/hid_transport.h"

#ifndef _WIN32
#include "device/hid/hidapi_devices.h"
#endif

namespace morvane::cli {

struct DoctorOptions {
#ifndef _WIN32
    HidapiOptions hid;                                 // the system's services where empty
    std::vector<std::filesystem::path> udevRuleDirs;   // where udev reads rules; the system's when empty
#endif
    std::filesystem::path logFile;                     // the control interface's transfers, when given
    // The real keyboard's writer lock: while another program holds it, the
    // doctor asks the keyboard nothing, so no query lands amid its
    // sequences. None when empty.
    std::filesystem::path keyboardLock;
};

// Lists the vendor's HID interfaces, which ones would be used and why, the
// udev rule, and the keyboard's identity. Every problem named says what to
// do. Returns 0 when the keyboard can be used, 1 otherwise.
int runDoctor(const DoctorOptions& options, std::ostream& out);

// What both systems' doctors share: problems told and counted as they are
// found, and at the end the active window's source and the verdict.
class DoctorReport {
public:
    explicit DoctorReport(std::ostream& out) : out_(out) {}
    void problem(const std::string& what, const std::string& todo);
    void usable() { usable_ = true; }
    // Returns 0 when the keyboard can be used, 1 otherwise.
    int finish();

private:
    std::ostream& out_;
    int problems_ = 0;
    bool usable_ = false;
};

// Asks the keyboard behind its opened control interface for its identity and
// prints it, unless another program holds the keyboard (then it is usable,
// only not asked). False, with the problem and what to do, when it does not answer.
bool queryIdentity(HidTransport& control, const DoctorOptions& options, Clock& clock, std::ostream& out,
                   std::string& what, std::string& todo);

}  // namespace morvane::cli
