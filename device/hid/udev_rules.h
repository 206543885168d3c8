// The udev rule that lets the user at the seat open the keyboard's hidraw
// nodes, and whether udev has a rule that does.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

inline constexpr const char* kUdevRuleFileName = "70-morvane.rules";

// The rule file's text, as installed.
const char* udevRuleText();

// Where udev reads rules from, in the order it prefers a file of one name.
std::vector<std::filesystem::path> udevRuleDirectories();

// Whether one rule line gives the user access to the hidraw nodes of
// vendor:product (hex ids; a tag "uaccess" or a mode that lets everyone read
// and write).
bool ruleLineGrantsAccess(std::string_view line, std::uint16_t vendorId, std::uint16_t productId);

struct UdevRuleFound {
    std::filesystem::path file;
    // "uaccess" only takes effect in a file that sorts before the seat rules
    // ("73-seat-late.rules"), which turn the tag into access.
    bool tooLate = false;
};

// The first rule file in `dirs` with a line granting access to vendor:product.
std::optional<UdevRuleFound> findUdevRule(const std::vector<std::filesystem::path>& dirs, std::uint16_t vendorId,
                                          std::uint16_t productId);

}  // namespace morvane
