// morvane-cli end to end, as a user runs it, against the simulated keyboard.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include "temp_folder.h"

namespace morvane {
namespace {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class CliTest : public ::testing::Test {
protected:
    CliRun cli(const std::string& args) {
        const auto errFile = folder / "stderr.txt";
 // Never the developer's own settings.
        const std::string cmd = "XDG_CONFIG_HOME=" + quoted((folder / "config").string()) + " " +
                                std::string(MORVANE_CLI_PATH) + " --folder " + quoted(folder.path().string()) +
                                " --device " + quoted("sim:" + (folder / "kb.bin").string()) + " " + args +
                                " 2>" + quoted(errFile.string());
        CliRun r;
        FILE* p = popen(cmd.c_str(), "r");
        char buf[4096];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
        const int st = pclose(p);
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        r.err = slurp(errFile);
        return r;
    }

    std::vector<std::string> logLines() {
        std::vector<std::string> lines;
        std::istringstream in(slurp(folder / "log.txt"));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    test::TempFolder folder;
};

TEST_F(CliTest, ChainedEditAndSaveSendsOnlyTheLightingAndPersists) {
    const CliRun r = cli("--log " + quoted((folder / "log.txt").string()) + " set effect Wave + set direction 2 + save");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = logLines();
    ASSERT_FALSE(lines.empty());
    // The start-up read opens with the game-mode query at time 0.
    EXPECT_EQ(lines.front(), "0 set 00 87 00 00 00 00 00 00 00");
    // Save: exactly one report, the lighting with Wave, speed wire 4,
    // brightness 50, colour 8, direction 2 - and nothing after it.
    EXPECT_EQ(lines.back().substr(lines.back().find(' ') + 1), "set 00 06 00 02 04 32 08 02 00");
    const auto sets = std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
        return l.find(" set 00 06 ") != std::string::npos;
    });
    EXPECT_EQ(sets, 1);

    const CliRun shown = cli("show");
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.out.find("effect: Wave"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("direction: 2"), std::string::npos);
    EXPECT_NE(shown.out.find("unsaved: none"), std::string::npos);
}

TEST_F(CliTest, UnsavedEditsDoNotReachTheKeyboard) {
    ASSERT_EQ(cli("set game-mode on + show").status, 0);
    const CliRun r = cli("show --json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"gameMode\": 0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"connected\": true"), std::string::npos);
}

TEST_F(CliTest, AFailingCommandStopsTheChainWithOneLineOfError) {
    const CliRun r = cli("set speed 9 + save");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find("speed"), std::string::npos);
    EXPECT_NE(cli("frobnicate").status, 0);
    for (const char* bad : {"show +", "", "--log " "/nonexistent-folder/log.txt show"}) {
        const CliRun u = cli(bad);
        EXPECT_NE(u.status, 0) << bad;
        EXPECT_EQ(std::count(u.err.begin(), u.err.end(), '\n'), 1) << u.err;
    }
}

TEST_F(CliTest, InfoNamesModelFirmwareAndUpdate) {
    {
        std::ofstream ver(folder / "VER.bin", std::ios::binary);
        ver << "VER: 2.0 updater";  // bytes 5 and 7 hold the digits
    }
    const CliRun r = cli("info");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("model: full-size"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("keyboard firmware: 1.4"), std::string::npos);
    EXPECT_NE(r.out.find("updater firmware: 2.0"), std::string::npos);
    EXPECT_NE(r.out.find("update offered: yes"), std::string::npos);
}

TEST_F(CliTest, ResetReturnsToFactorySettings) {
    ASSERT_EQ(cli("set effect Radar + set brightness 4 + save").status, 0);
    ASSERT_EQ(cli("reset").status, 0);
    const CliRun r = cli("show");
    EXPECT_NE(r.out.find("effect: Breathing"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("brightness: 1"), std::string::npos);
}

TEST_F(CliTest, AReportedLaunchKeyStartsItsProgramInItsOwnFolder) {
    const auto dir = folder / "tools 'and' \"quotes\"; rm -rf x";
    std::filesystem::create_directories(dir);
    const auto script = dir / "say where.sh";
    {
        std::ofstream out(script);
        out << "#!/bin/sh\npwd > where.txt\n";
    }
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    // Key 41 is Tab: the keyboard reports its own virtual-key code, 0x09.
    const CliRun r = cli("assign 41 program " + quoted(script.string()) + " + save + sim-event 04 02 00 09");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto where = dir / "where.txt";
    for (int i = 0; i < 100 && !std::filesystem::exists(where); ++i) std::system("sleep 0.05");
    std::string ran = slurp(where);
    while (!ran.empty() && ran.back() == '\n') ran.pop_back();
    EXPECT_EQ(std::filesystem::path(ran), dir);
    EXPECT_TRUE(std::filesystem::exists(dir)) << "the path was never handed to a shell";
}

TEST_F(CliTest, DataFilesLieBesideTheExecutableWhateverItIsCalled) {
    const auto exe = folder / "some other name";
    std::filesystem::copy_file(MORVANE_CLI_PATH, exe);
    const std::string cmd = "XDG_CONFIG_HOME=" + quoted((folder / "config").string()) + " " + quoted(exe.string()) +
                            " --device none show >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(std::filesystem::file_size(folder / "keymap.bin"), 201424u);
    EXPECT_EQ(std::filesystem::file_size(folder / "MacroDefine.bin"), 7680u);
}

}  // namespace
}  // namespace morvane
