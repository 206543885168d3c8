// What the window asks when the keyboard does not hold what it should: a Save
// it did not take whole, and a keyboard that comes back changed elsewhere.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/device_image.h"
#include "base/outcome.h"
#include "device/protocol.h"

namespace morvane {

struct TrustChoice {
    std::string caption;
    std::string text;
    std::string act;    // the button that does something ("Try again", "Write back")
    std::string leave;  // the one that leaves things as they are
    friend bool operator==(const TrustChoice&, const TrustChoice&) = default;
};

// Asked once when the keyboard came holding something else in `groups` than
// what was last saved to it.
TrustChoice keyboardDiffersChoice(const GroupSet& groups, std::uint16_t language);

// After a failed Save: "Try again" when groups did not reach the keyboard
// while it is there to try; nothing when the failure lies elsewhere.
std::optional<TrustChoice> saveNotTakenChoice(const WriteAllResult& write, const Outcome& saved, bool connected,
                                              std::uint16_t language);

}  // namespace morvane
