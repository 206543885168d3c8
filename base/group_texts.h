// The groups of the configuration as the user knows them, in both languages,
// and the lines that tell what a write to the keyboard did to them.
#pragma once

#include <cstdint>
#include <string>

#include "base/device_image.h"

namespace morvane {

// "lighting", "key assignments", "macro memory 3", ... (Chinese: "灯光效果", ...).
std::string groupTitle(ImageGroup g, std::uint16_t language);
// The titles of the groups in `groups`, joined by ", " ("、" in Chinese).
std::string groupTitles(const GroupSet& groups, std::uint16_t language);

// One line per group the keyboard did not take, joined by "\n":
// "The keyboard did not take the lighting."
std::string notTakenLines(const GroupSet& groups, std::uint16_t language);
// One line per group sent whose read-back got no answer:
// "The lighting could not be read back; it is sent again with the next Save."
std::string notReadBackLines(const GroupSet& groups, std::uint16_t language);
// One line naming the groups that went out but cannot be read back ("" when none).
std::string unverifiedLine(const GroupSet& groups, std::uint16_t language);

}  // namespace morvane
