// `morvane-cli profile ...` end to end against the simulated keyboard, with
// the settings file in the test's own folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include "temp_folder.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

class CliProfileTest : public ::testing::Test {
protected:
    struct Run {
        int status = -1;
        std::string out, err;
    };

    static std::string quoted(const std::string& s) {
        std::string q = "'";
        for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    }
    static std::string slurp(const fs::path& p) {
        std::stringstream ss;
        ss << std::ifstream(p).rdbuf();
        return ss.str();
    }
    Run cli(const std::string& args) {
        const std::string cmd = "XDG_CONFIG_HOME=" + quoted((folder / "config").string()) + " " + MORVANE_CLI_PATH +
                                " --folder " + quoted(folder.path().string()) + " --device " +
                                quoted("sim:" + (folder / "kb.bin").string()) + " " + args + " 2>" +
                                quoted((folder / "err.txt").string());
        Run r;
        FILE* p = popen(cmd.c_str(), "r");
        char buf[4096];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
        const int st = pclose(p);
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        r.err = slurp(folder / "err.txt");
        return r;
    }

    test::TempFolder folder;
};

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
    std::istringstream lines(slurp(log));
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.find(" set 00 ");
        if (at != std::string::npos && line[at + 8] < '8') writes.push_back(line.substr(at + 1));
    }
    ASSERT_EQ(writes.size(), 3u) << slurp(log);
    EXPECT_EQ(writes[0], "set 00 07 00 00 00 00 00 00 00");
    EXPECT_EQ(writes[1].substr(0, 15), "set 00 06 00 10");
    EXPECT_EQ(writes[2], "set 00 03 01 00 00 00 00 00 00");
    EXPECT_NE(slurp(folder / "config/Morvane/settings.ini").find("CurrentProfileName=Profile_1.bin\n"),
              std::string::npos);
}

TEST_F(CliProfileTest, ProfilesAreManagedByNameAndABadNameNeverReachesTheDisk) {
    EXPECT_NE(cli("profile list").err.find("does not exist"), std::string::npos);
    fs::create_directory(folder / "Configure");
    // Opening creates Profile_1 before New adds Profile_2.
    Run r = cli("profile new + profile copy Profile_1 + profile rename Profile_2 Work + profile delete Profile_1 + "
                "profile list");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Profile_2\nCopy of  Profile_1\nCopy of  Profile_1\nWork\n");

    EXPECT_NE(cli("profile rename Work ../Escaped").status, 0);
    EXPECT_FALSE(fs::exists(folder / "Escaped.bin"));
    r = cli("--language chinese profile delete Work + profile delete Copy\\ of\\ \\ Profile_1");
    EXPECT_NE(r.err.find("请至少保留一个配置文件"), std::string::npos) << r.err;

    // A save whose copy to a chosen file fails says that the profile itself was saved.
    const fs::path away = folder / "no such folder" / "copy.bin";
    r = cli("profile save 'Copy of  Profile_1' '" + away.string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the profile \"Copy of  Profile_1\" was saved, but the file \"" + away.string() + "\" could not be written"),
              std::string::npos)
        << r.err;
}

}  // namespace
}  // namespace morvane
