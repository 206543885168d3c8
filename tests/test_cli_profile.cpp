// `morvane-cli profile ...` end to end against the simulated keyboard, with
// the settings file in the test's own folder.
#include <gtest/gtest.h>

#include <sstream>

#include "cli_fixture.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

class CliProfileTest : public test::CliTest {};

TEST_F(CliProfileTest, ApplyThenSaveSendsExactlyTheGroupsTheProfileChanges) {
    fs::create_directory(folder / "Configure");
    ASSERT_EQ(cli("set effect Radar + set win-lock on + save + profile save Profile_1").status, 0);
    ASSERT_EQ(cli("set effect Static + set win-lock off + set game-mode on + save").status, 0);

    const fs::path log = folder / "log.txt";
    const Run r = cli("--log " + quoted(log.string()) + " profile apply Profile_1 + save");
    ASSERT_EQ(r.status, 0) << r.err;
    // Write commands are the feature reports below 0x80: game mode back off,
    // the lighting back to Radar (0x10), the Win lock back on - nothing else.
    std::vector<std::string> writes;
    std::istringstream lines(test::readFile(log));
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.find(" set 00 ");
        if (at != std::string::npos && line[at + 8] < '8') writes.push_back(line.substr(at + 1));
    }
    ASSERT_EQ(writes.size(), 3u) << test::readFile(log);
    EXPECT_EQ(writes[0], "set 00 07 00 00 00 00 00 00 00");
    EXPECT_EQ(writes[1].substr(0, 15), "set 00 06 00 10");
    EXPECT_EQ(writes[2], "set 00 03 01 00 00 00 00 00 00");
    EXPECT_NE(test::readFile(folder / "config/Morvane/settings.ini").find("CurrentProfileName=Profile_1.bin\n"),
              std::string::npos);
}

TEST_F(CliProfileTest, ProfilesAreManagedByNameAndABadNameNeverReachesTheDisk) {
    EXPECT_NE(cli("profile list").err.find("does not exist"), std::string::npos);
    fs::create_directory(folder / "Configure");
    // Opening creates Profile_1 before New adds Profile_2.
    Run r = cli("profile new + profile copy Profile_1 + profile rename Profile_2 Work + profile delete Profile_1 + "
                "profile list");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Profile_2\nCopy of Profile_1\nCopy of Profile_1\nWork\n");

    EXPECT_NE(cli("profile rename Work ../Escaped").status, 0);
    EXPECT_FALSE(fs::exists(folder / "Escaped.bin"));
    r = cli("--language chinese profile delete Work + profile delete Copy\\ of\\ Profile_1");
    EXPECT_NE(r.err.find("请至少保留一个配置文件"), std::string::npos) << r.err;

    // A save whose copy to a chosen file fails says that the profile itself was saved.
    const fs::path away = folder / "no such folder" / "copy.bin";
    r = cli("profile save 'Copy of Profile_1' '" + away.string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the profile \"Copy of Profile_1\" was saved, but the file \"" + away.string() + "\" could not be written"),
              std::string::npos)
        << r.err;
}

}  // namespace
}  // namespace morvane
