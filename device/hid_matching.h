// Which of the enumerated HID interfaces belong to the keyboard, and which of
// them is the control interface and which the key-event interface. Pure, so
// that every enumeration a user may have can be tried in a test.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/keyboard_model.h"

namespace morvane {

struct HidInterfaceInfo {
    std::string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    int interfaceNumber = -1;           // USB interface, -1 when unknown
    bool declaresInputReport4 = false;  // its report descriptor has input report 4
};

enum class InterfaceRole { Control, Events };

// Windows names an interface by a path holding "mi_03" (USB interface 3) and
// "col04" (fourth top-level collection). Linux hidraw paths say neither, so
// there the USB interface number and the report descriptor tell.
enum class PathConvention { Windows, Linux };

PathConvention nativePathConvention();

struct KeyboardMatch {
    std::size_t index;    // into the enumeration
    KeyboardModel model;  // never None
};

// The first interface of the keyboard that plays `role`.
std::optional<KeyboardMatch> matchKeyboardInterface(const std::vector<HidInterfaceInfo>& interfaces,
                                                    InterfaceRole role, PathConvention convention);

// Whether a HID report descriptor declares an input report with this ID.
bool declaresInputReport(std::span<const std::uint8_t> descriptor, std::uint8_t reportId);

// The IDs of the input reports a descriptor declares, ascending; 0 stands for
// the input of a descriptor without numbered reports. What a descriptor cut
// short declared before the cut counts.
std::vector<std::uint8_t> declaredInputReports(std::span<const std::uint8_t> descriptor);

}  // namespace morvane
