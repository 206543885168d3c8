// The keyboard among the system's HID interfaces on Windows: the HID class's
// device interfaces (SetupAPI), their attributes (HidD_GetAttributes), and one
// opened interface as a transport. Windows hands every report over with its
// report-ID byte first (0 for an interface without numbered reports) and at
// the interface's own report lengths, so the 9-, 65- and 4-byte layouts are
// those the keyboard's callers use.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/hid_matching.h"
#include "device/hid_transport.h"

namespace morvane {

// Every present HID interface whose attributes could be read, with its path
// (UTF-8) and ids; the USB interface and collection are in the path.
std::vector<HidInterfaceInfo> enumerateHidInterfaces();

// Vendor and product as a Windows device path names them ("...vid_04d9&pid_a2a0...",
// any case); false when the path says neither.
bool parseDevicePathIds(const std::string& path, std::uint16_t& vendorId, std::uint16_t& productId);

// Device paths of one interface as the system spells them in different
// places: the same, whatever the case.
bool sameDevicePath(const std::string& a, const std::string& b);

// Opens `path` for reading and writing, shared; on failure `error` says why
// and `denied` is set when the interface is there but may not be opened.
std::unique_ptr<HidTransport> openWindowsHidPath(const std::string& path, std::string& error, bool& denied);

}  // namespace morvane
