// `morvane-cli doctor` on Windows.
#include "cli/doctor.h"

#include "platform/active_window_sources.h"

namespace morvane::cli {

int runDoctor(const DoctorOptions&, std::ostream& out) {
    out << "HID interfaces of vendor 04d9: not searched (this build has no HID support)\n";
    out << "active window: " << describeActiveWindowSource() << "\n";
    out << "the keyboard cannot be used (1 problem above)\n";
    return 1;
}

}  // namespace morvane::cli
