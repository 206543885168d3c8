// `morvane-cli doctor`: what a user runs when the keyboard does not answer.
#pragma once

#include <filesystem>
#include <ostream>
#include <vector>

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

}  // namespace morvane::cli
