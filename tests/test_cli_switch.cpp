// `morvane-cli switch ...` end to end, with the settings file in the test's
// own folder.
#include <gtest/gtest.h>

#include <cstdlib>

#include "cli_fixture.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

class CliSwitchTest : public test::CliTest {};

TEST_F(CliSwitchTest, RulesAreAddedReplacedRemovedAndListedInOrder) {
    fs::create_directory(folder / "Configure");
    ASSERT_EQ(cli("profile new + profile new").status, 0);  // Profile_1 and Profile_2

    EXPECT_EQ(cli("switch list").out, "");
    ASSERT_EQ(cli("switch add steam_app_730 Profile_2").status, 0);
    ASSERT_EQ(cli("switch add --title 'Quake Live' Profile_1 + switch default Profile_1").status, 0);
    EXPECT_EQ(cli("switch list").out, "class\tsteam_app_730\tProfile_2\ntitle\tQuake Live\tProfile_1\n"
                                      "default\tProfile_1\n");
    // The same class in another case replaces its rule in its place.
    ASSERT_EQ(cli("switch add STEAM_APP_730 Profile_1").status, 0);
    EXPECT_EQ(cli("switch list").out, "class\tSTEAM_APP_730\tProfile_1\ntitle\tQuake Live\tProfile_1\n"
                                      "default\tProfile_1\n");
    // The first match wins: the order is changed one place at a time, and
    // the ends stay put.
    ASSERT_EQ(cli("switch move --title 'Quake Live' up + switch move --title 'Quake Live' up").status, 0);
    EXPECT_EQ(cli("switch list").out, "title\tQuake Live\tProfile_1\nclass\tSTEAM_APP_730\tProfile_1\n"
                                      "default\tProfile_1\n");
    EXPECT_NE(cli("switch move steam_app_730 sideways").status, 0);
    ASSERT_EQ(cli("switch remove steam_app_730 + switch remove --title 'Quake Live' + switch default none").status,
              0);
    EXPECT_EQ(cli("switch list").out, "");
    EXPECT_NE(test::readFile(folder / "config/Morvane/settings.ini").find("[Software\\Morvane\\Switching]"),
              std::string::npos);
}

TEST_F(CliSwitchTest, MistakesAreToldInOneLineAndChangeNothing) {
    fs::create_directory(folder / "Configure");
    ASSERT_EQ(cli("profile new + switch add Game Profile_1").status, 0);
    const std::string before = test::readFile(folder / "config/Morvane/settings.ini");

    Run r = cli("switch add Other Missing");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("no profile named \"Missing\""), std::string::npos) << r.err;
    r = cli("switch default Missing");
    EXPECT_NE(r.status, 0);
    r = cli("switch remove NotListed");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("NotListed"), std::string::npos) << r.err;
    r = cli("switch remove --title Game");  // a class rule, not a title rule
    EXPECT_NE(r.status, 0);
    for (const char* bad : {"switch", "switch add Game", "switch add --title T", "switch list x", "switch flip"}) {
        r = cli(bad);
        EXPECT_NE(r.status, 0) << bad;
        EXPECT_NE(r.err.find("usage: switch"), std::string::npos) << bad << ": " << r.err;
    }
    r = cli("switch add \"$(printf 'two\\nlines')\" Profile_1");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(test::readFile(folder / "config/Morvane/settings.ini"), before);
    EXPECT_EQ(cli("switch list").out, "class\tGame\tProfile_1\n");
}

TEST_F(CliSwitchTest, RulesFollowTheirProfileAndSayWhenNoWindowCanBeFollowed) {
    fs::create_directory(folder / "Configure");
    ASSERT_EQ(cli("profile new + profile new + profile new").status, 0);
    ASSERT_EQ(cli("switch add game Profile_2 + switch add --title Chat Profile_3 + switch default Profile_2").status,
              0);
    // A renamed profile keeps its rules; a deleted one takes them along, so
    // no rule is left that could only fail.
    ASSERT_EQ(cli("profile rename Profile_2 Raid + profile delete Profile_3").status, 0);
    EXPECT_EQ(cli("switch list").out, "class\tgame\tRaid\ndefault\tRaid\n");

    // Without a desktop to ask, setting up rules says they cannot work here.
    const char* display = std::getenv("DISPLAY");
    const std::string kept = display ? display : "";
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const std::string keptWayland = wayland ? wayland : "";
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    const Run r = cli("switch add other Raid");
    if (display) setenv("DISPLAY", kept.c_str(), 1);
    if (wayland) setenv("WAYLAND_DISPLAY", keptWayland.c_str(), 1);
    EXPECT_EQ(r.status, 0);
    // Each source says why it has nothing to follow.
    EXPECT_NE(r.err.find("profiles do not follow the active window here: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no X display"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no Wayland display"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace morvane
