#include "device/hid/udev_rules.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <system_error>

namespace morvane {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// udev values are shell-style patterns; the ones rules use for ids are plain
// text, "*" and "?" (and, rarely, a [..] class, treated as no match).
bool globMatches(std::string_view pattern, std::string_view text) {
    if (pattern.empty()) return text.empty();
    if (pattern[0] == '*') {
        for (std::size_t i = 0; i <= text.size(); ++i)
            if (globMatches(pattern.substr(1), text.substr(i))) return true;
        return false;
    }
    if (text.empty()) return false;
    if (pattern[0] == '?' || pattern[0] == text[0]) return globMatches(pattern.substr(1), text.substr(1));
    return false;
}

bool anyAlternative(std::string_view pattern, std::string_view text) {
    // "a|b" lists alternatives.
    std::size_t start = 0;
    while (true) {
        const std::size_t bar = pattern.find('|', start);
        if (globMatches(pattern.substr(start, bar - start), text)) return true;
        if (bar == std::string_view::npos) return false;
        start = bar + 1;
    }
}

struct Assignment {
    std::string key;  // "ATTRS{idVendor}"
    std::string op;   // "==", "!=", "=", "+=", ":="
    std::string value;
};

std::vector<Assignment> parseRule(std::string_view line) {
    std::vector<Assignment> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == ',')) ++i;
        const std::size_t keyStart = i;
        while (i < line.size() && line[i] != '=' && line[i] != '!' && line[i] != '+' && line[i] != ':' &&
               line[i] != '-' && line[i] != ' ')
            ++i;
        Assignment a;
        a.key = std::string(line.substr(keyStart, i - keyStart));
        const std::size_t opStart = i;
        while (i < line.size() && (line[i] == '=' || line[i] == '!' || line[i] == '+' || line[i] == ':' || line[i] == '-'))
            ++i;
        a.op = std::string(line.substr(opStart, i - opStart));
        if (i >= line.size() || line[i] != '"') return out;  // not a rule line we understand
        const std::size_t close = line.find('"', i + 1);
        if (close == std::string_view::npos) return out;
        a.value = std::string(line.substr(i + 1, close - i - 1));
        i = close + 1;
        if (!a.key.empty()) out.push_back(std::move(a));
    }
    return out;
}

std::string hex4(std::uint16_t v) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", v);
    return text;
}

}  // namespace

const char* udevRuleText() {
    return "# Morvane: lets the user at the seat open the two HID interfaces the program\n"
           "# uses on the gaming keyboard (full-size board 04d9:a2a0, 87-key board\n"
           "# 04d9:a247): USB interface 3, which takes the configuration, and interface 1,\n"
           "# which reports the keys that launch programs. Interface 0 carries the typing\n"
           "# and stays closed to the user's programs: none of them can read keystrokes\n"
           "# there or write to the keyboard through it.\n"
           "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"04d9\", ATTRS{idProduct}==\"a2a0|a247\", "
           "IMPORT{builtin}=\"usb_id\"\n"
           "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"04d9\", ATTRS{idProduct}==\"a2a0|a247\", "
           "ENV{ID_USB_INTERFACE_NUM}==\"01|03\", TAG+=\"uaccess\"\n";
}

std::vector<std::filesystem::path> udevRuleDirectories() {
    return {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/local/lib/udev/rules.d", "/usr/lib/udev/rules.d",
            "/lib/udev/rules.d"};
}

unsigned ruleLineInterfaces(std::string_view line, std::uint16_t vendorId, std::uint16_t productId) {
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos || line[first] == '#') return 0;
    bool hidraw = false, vendor = false, grants = false;
    unsigned interfaces = kEveryInterface;  // no condition on the interface: every one
    for (const Assignment& a : parseRule(line)) {
        const std::string value = lower(a.value);
        if (a.op == "==" || a.op == "!=") {
            if (a.key == "ENV{ID_USB_INTERFACE_NUM}" || a.key == "ATTRS{bInterfaceNumber}" ||
                a.key == "ATTR{bInterfaceNumber}") {
                unsigned matching = 0;
                for (unsigned i = 0; i < 8; ++i) {
                    char number[3] = {'0', static_cast<char>('0' + i), 0};
                    if (anyAlternative(value, number) != (a.op == "!=")) matching |= 1u << i;
                }
                interfaces &= matching;
                continue;
            }
            bool match = false;
            if (a.key == "SUBSYSTEM") match = anyAlternative(value, "hidraw");
            else if (a.key == "KERNEL") match = anyAlternative(value, "hidraw0");
            else if (a.key == "ATTRS{idVendor}" || a.key == "ATTR{idVendor}" || a.key == "ENV{ID_VENDOR_ID}")
                match = anyAlternative(value, hex4(vendorId));
            else if (a.key == "ATTRS{idProduct}" || a.key == "ATTR{idProduct}" || a.key == "ENV{ID_MODEL_ID}")
                match = anyAlternative(value, hex4(productId));
            else continue;  // a condition this check does not know is taken as met
            if (a.op == "!=") match = !match;
            if (!match) return 0;
            if (a.key == "SUBSYSTEM" || a.key == "KERNEL") hidraw = true;
            if (a.key.find("idVendor") != std::string::npos || a.key == "ENV{ID_VENDOR_ID}") vendor = true;
        } else if (a.key == "TAG" && (a.op == "+=" || a.op == "=") && value == "uaccess") {
            grants = true;
        } else if (a.key == "MODE" && !value.empty()) {
            const unsigned mode = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 8));
            if ((mode & 06) == 06) grants = true;
        }
    }
    return hidraw && vendor && grants ? interfaces : 0;
}

bool ruleLineGrantsAccess(std::string_view line, std::uint16_t vendorId, std::uint16_t productId) {
    return (ruleLineInterfaces(line, vendorId, productId) & kControlInterfaceBit) != 0;
}

std::optional<UdevRuleFound> findUdevRule(const std::vector<std::filesystem::path>& dirs, std::uint16_t vendorId,
                                          std::uint16_t productId) {
    // udev reads every file name once, from the first folder that has it, in
    // the order of the names.
    std::map<std::string, std::filesystem::path> files;
    for (const auto& dir : dirs) {
        std::error_code ec;
        for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (it->path().extension() != ".rules") continue;
            files.emplace(name, it->path());
        }
    }
    std::optional<UdevRuleFound> found;
    std::optional<std::filesystem::path> broader;
    for (const auto& [name, path] : files) {
        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line)) {
            const unsigned interfaces = ruleLineInterfaces(line, vendorId, productId);
            if ((interfaces & ~kNeededInterfaces) != 0 && !broader) broader = path;
            if (found || (interfaces & kControlInterfaceBit) == 0) continue;
            found = UdevRuleFound{path, false, {}};
            found->tooLate = line.find("uaccess") != std::string::npos && name >= "73-seat-late.rules";
        }
    }
    if (found) found->broader = broader;
    return found;
}

}  // namespace morvane
