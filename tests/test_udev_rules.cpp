// Whether a udev rule gives the user access to the keyboard, as the doctor reads it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "device/hid/udev_rules.h"
#include "tests/temp_folder.h"

namespace morvane {
namespace {

TEST(UdevRules, WhichLinesGrantAccess) {
    const std::uint16_t v = 0x04D9, full = 0xA2A0, tkl = 0xA247;
    const char* ours = R"(SUBSYSTEM=="hidraw", ATTRS{idVendor}=="04d9", ATTRS{idProduct}=="a2a0", TAG+="uaccess")";
    EXPECT_TRUE(ruleLineGrantsAccess(ours, v, full));
    EXPECT_FALSE(ruleLineGrantsAccess(ours, v, tkl));
    EXPECT_FALSE(ruleLineGrantsAccess(std::string("# ") + ours, v, full));
    // Upper-case ids, every product of the vendor, a world-writable mode.
    EXPECT_TRUE(ruleLineGrantsAccess(R"(KERNEL=="hidraw*", ATTRS{idVendor}=="04D9", MODE="0666")", v, tkl));
    EXPECT_TRUE(ruleLineGrantsAccess(R"(SUBSYSTEM=="hidraw", ATTRS{idVendor}=="04d9", ATTRS{idProduct}=="a2a0|a247", TAG+="uaccess")", v, tkl));
    // What does not do it: the usb node instead of hidraw, a private mode, no access at all, another vendor.
    EXPECT_FALSE(ruleLineGrantsAccess(R"(SUBSYSTEM=="usb", ATTRS{idVendor}=="04d9", TAG+="uaccess")", v, full));
    EXPECT_FALSE(ruleLineGrantsAccess(R"(SUBSYSTEM=="hidraw", ATTRS{idVendor}=="04d9", MODE="0600")", v, full));
    EXPECT_FALSE(ruleLineGrantsAccess(R"(SUBSYSTEM=="hidraw", ATTRS{idVendor}=="04d9")", v, full));
    EXPECT_FALSE(ruleLineGrantsAccess(R"(SUBSYSTEM=="hidraw", ATTRS{idVendor}=="046d", TAG+="uaccess")", v, full));
    EXPECT_FALSE(ruleLineGrantsAccess(R"(SUBSYSTEM=="hidraw", ATTRS{idVendor}!="04d9", TAG+="uaccess")", v, full));
    EXPECT_FALSE(ruleLineGrantsAccess(R"(SUBSYSTEM=="hidraw", ATTRS{idVendor}=="04d9)", v, full));  // cut short
}

TEST(UdevRules, OursOpensTheConfigurationAndEventInterfacesAndNeverTheTypingOne) {
    std::istringstream rule(udevRuleText());
    unsigned reach = 0;
    for (std::string line; std::getline(rule, line);) reach |= ruleLineInterfaces(line, 0x04D9, 0xA2A0);
    EXPECT_EQ(reach, kNeededInterfaces);
    EXPECT_EQ(reach & 1u, 0u) << "interface 0 carries the typing";
    // How interface conditions read: a list, a negation, none at all.
    const auto reachOf = [](const char* line) { return ruleLineInterfaces(line, 0x04D9, 0xA247); };
    EXPECT_EQ(reachOf(R"(SUBSYSTEM=="hidraw", ATTRS{idVendor}=="04d9", ENV{ID_USB_INTERFACE_NUM}=="03", TAG+="uaccess")"),
              kControlInterfaceBit);
    EXPECT_EQ(reachOf(R"(SUBSYSTEM=="hidraw", ENV{ID_VENDOR_ID}=="04d9", ENV{ID_USB_INTERFACE_NUM}!="00", MODE="0666")"),
              kEveryInterface & ~1u);
    EXPECT_EQ(reachOf(R"(KERNEL=="hidraw*", ATTRS{idVendor}=="04d9", TAG+="uaccess")"), kEveryInterface);
}

TEST(UdevRules, ABroaderRuleAnywhereIsFoundBesideOurs) {
    test::TempFolder folder;
    std::filesystem::create_directories(folder / "lib");
    std::ofstream(folder / "lib" / kUdevRuleFileName) << udevRuleText();
    const std::vector<std::filesystem::path> dirs = {folder / "lib"};
    ASSERT_TRUE(findUdevRule(dirs, 0x04D9, 0xA2A0));
    EXPECT_FALSE(findUdevRule(dirs, 0x04D9, 0xA2A0)->broader);
    std::ofstream(folder / "lib" / "99-hid.rules") << R"(KERNEL=="hidraw*", ATTRS{idVendor}=="04d9", MODE="0666")" << "\n";
    EXPECT_EQ(findUdevRule(dirs, 0x04D9, 0xA2A0)->broader, folder / "lib" / "99-hid.rules");
}

TEST(UdevRules, AFileInAnEarlierFolderHidesTheSameName) {
    test::TempFolder folder;
    std::filesystem::create_directories(folder / "etc");
    std::filesystem::create_directories(folder / "lib");
    std::ofstream(folder / "lib" / kUdevRuleFileName) << udevRuleText();
    const std::vector<std::filesystem::path> dirs = {folder / "etc", folder / "lib"};
    auto found = findUdevRule(dirs, 0x04D9, 0xA247);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->file, folder / "lib" / kUdevRuleFileName);
    EXPECT_FALSE(found->tooLate);
    // An emptied copy in /etc switches the packaged rule off.
    std::ofstream(folder / "etc" / kUdevRuleFileName) << "# disabled\n";
    EXPECT_FALSE(findUdevRule(dirs, 0x04D9, 0xA247));
    std::ofstream(folder / "etc" / "99-late.rules") << udevRuleText();
    found = findUdevRule(dirs, 0x04D9, 0xA2A0);
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->tooLate);
}

TEST(UdevRules, TheInstalledFileIsTheTextTheDoctorShows) {
    std::ifstream in(std::string(MORVANE_SOURCE_DIR) + "/device/hid/" + kUdevRuleFileName);
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), udevRuleText());
}

}  // namespace
}  // namespace morvane
