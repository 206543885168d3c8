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

// The keyboard's USB interfaces as bits (bit i: interface i). The program
// opens interface 3 (the configuration) and interface 1 (the key events);
// interface 0 carries the typing, and access to it lets any program of the
// user read keystrokes.
inline constexpr unsigned kControlInterfaceBit = 1u << 3;
inline constexpr unsigned kNeededInterfaces = (1u << 1) | (1u << 3);
inline constexpr unsigned kEveryInterface = 0xFFu;

// Which of the hidraw nodes of vendor:product (hex ids) one rule line lets the
// user open (a tag "uaccess" or a mode that lets everyone read and write), by
// USB interface; 0 when none. A line without a condition on the interface
// number reaches every interface.
unsigned ruleLineInterfaces(std::string_view line, std::uint16_t vendorId, std::uint16_t productId);
// Whether it lets the user open the configuration interface.
bool ruleLineGrantsAccess(std::string_view line, std::uint16_t vendorId, std::uint16_t productId);

struct UdevRuleFound {
    std::filesystem::path file;
    // "uaccess" only takes effect in a file that sorts before the seat rules
    // ("73-seat-late.rules"), which turn the tag into access.
    bool tooLate = false;
    // A rule file (this one or another) that opens more than the two
    // interfaces the program uses, the typing one among them.
    std::optional<std::filesystem::path> broader;
};

// The first rule file in `dirs` with a line granting access to the
// configuration interface of vendor:product.
std::optional<UdevRuleFound> findUdevRule(const std::vector<std::filesystem::path>& dirs, std::uint16_t vendorId,
                                          std::uint16_t productId);

}  // namespace morvane
