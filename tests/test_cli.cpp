// morvane-cli end to end, as a user runs it, against the simulated keyboard.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <algorithm>
#include <sys/stat.h>
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
    // brightness 50, colour 8, direction 2 - then only its read-back,
    // which answers the same bytes.
    ASSERT_GE(lines.size(), 3u);
    auto op = [](const std::string& l) { return l.substr(l.find(' ') + 1); };
    EXPECT_EQ(op(lines[lines.size() - 3]), "set 00 06 00 02 04 32 08 02 00");
    EXPECT_EQ(op(lines[lines.size() - 2]), "set 00 86 00 00 00 00 00 00 00");
    EXPECT_EQ(op(lines.back()), "get 00 86 00 02 04 32 08 02 00");
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

// A chain that ends with edits it did not save leaves the files in step with
// the keyboard and says, in one line, what it threw away.
TEST_F(CliTest, AChainThatDoesNotSaveDiscardsItsEditsAndSaysSo) {
    const CliRun assigned = cli("assign 41 single B + macro new");
    ASSERT_EQ(assigned.status, 0) << assigned.err;
    EXPECT_EQ(std::count(assigned.err.begin(), assigned.err.end(), '\n'), 1) << assigned.err;
    EXPECT_NE(assigned.err.find("discarded: keyTable"), std::string::npos) << assigned.err;
    EXPECT_NE(assigned.err.find("macros"), std::string::npos) << assigned.err;
    EXPECT_NE(assigned.err.find("+ save"), std::string::npos) << assigned.err;

    const CliRun shown = cli("show");
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.out.find("unsaved: none"), std::string::npos) << shown.out;
    EXPECT_EQ(shown.out.find("key B"), std::string::npos) << shown.out;
    EXPECT_EQ(shown.err, "");  // nothing to discard
    EXPECT_EQ(test::readFile(folder / "MacroDefine.bin"), std::string(7680, '\0'));

    // Applying a profile alone is discarded too; with save it reaches the keyboard.
    std::filesystem::create_directories(folder / "Configure");
    ASSERT_EQ(cli("profile list").status, 0);  // the first opening makes Profile_1
    ASSERT_EQ(cli("set effect Wave + save").status, 0);
    const CliRun applied = cli("profile apply Profile_1");
    EXPECT_NE(applied.err.find("discarded: lighting"), std::string::npos) << applied.err;
    EXPECT_NE(cli("show").out.find("effect: Wave"), std::string::npos);
    ASSERT_EQ(cli("profile apply Profile_1 + save").status, 0);
    EXPECT_EQ(cli("show").out.find("effect: Wave"), std::string::npos);
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
    // The launched script runs on its own; its file shows when it has.
    for (int i = 0; i < 100 && !std::filesystem::exists(where); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::string ran = slurp(where);
    while (!ran.empty() && ran.back() == '\n') ran.pop_back();
    EXPECT_EQ(std::filesystem::path(ran), dir);
    EXPECT_TRUE(std::filesystem::exists(dir)) << "the path was never handed to a shell";
}

TEST_F(CliTest, AStoreThatCannotBeReadIsNeverWrittenOverAndEveryCommandSaysWhy) {
    namespace fs = std::filesystem;
    ASSERT_EQ(cli("show").status, 0);
    const std::string macrosBefore = slurp(folder / "MacroDefine.bin");
    // keymap.bin turned into a pipe: reading it would block, replacing it
    // would throw away whatever the user keeps there.
    fs::remove(folder / "keymap.bin");
    ASSERT_EQ(::mkfifo((folder / "keymap.bin").c_str(), 0600), 0);
    CliRun r = cli("show");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("keymap.bin cannot be read (it is not a regular file)"), std::string::npos) << r.err;
    r = cli("assign 41 none");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the assignment was made, but keymap.bin cannot be read"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("kept in memory"), std::string::npos) << "the session ends right after";
    r = cli("set effect Wave + save");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the keyboard took the changes, but keymap.bin cannot be read"), std::string::npos) << r.err;
    EXPECT_EQ(fs::status(folder / "keymap.bin").type(), fs::file_type::fifo);

    // The macro store as a folder: `macro new` fails and leaves it.
    fs::remove(folder / "keymap.bin");
    fs::remove(folder / "MacroDefine.bin");
    fs::create_directories(folder / "MacroDefine.bin" / "mine");
    r = cli("macro new");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("MacroDefine.bin cannot be read (it is a folder), so it was not written over"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(fs::is_directory(folder / "MacroDefine.bin" / "mine"));
    EXPECT_FALSE(macrosBefore.empty());
}

TEST_F(CliTest, ALaunchThatFailsIsToldAndFailsTheCommand) {
    namespace fs = std::filesystem;
    const auto script = folder / "tool.sh";
    std::ofstream(script) << "#!/bin/sh\n";
    fs::permissions(script, fs::perms::owner_all);
    ASSERT_EQ(cli("assign 41 program " + quoted(script.string()) + " + save").status, 0);
    fs::permissions(script, fs::perms::owner_read);  // no longer a program
    CliRun r = cli("sim-event 04 02 00 09");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the launch key's target \"" + script.string() + "\" could not be opened"), std::string::npos)
        << r.err;
    // The window shows it as a notice, so it is told in the window's language.
    r = cli("--language chinese sim-event 04 02 00 09");
    EXPECT_NE(r.err.find("无法打开启动键的目标“" + script.string() + "”"), std::string::npos) << r.err;
    // A key that opens nothing is not a failure.
    EXPECT_EQ(cli("sim-event 04 02 00 30").status, 0);
}

TEST_F(CliTest, TheLogMustBeAFileThatCanBeWritten) {
    namespace fs = std::filesystem;
    const auto fifo = folder / "log.pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Nobody reads the pipe: refused at once instead of hanging.
    CliRun r = cli("--log " + quoted(fifo.string()) + " show");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot be opened for appending (it is a pipe)"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    if (fs::exists("/dev/full")) {
        r = cli("--log /dev/full show");
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.err.find("the log file \"/dev/full\" could not be written"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "told once: " << r.err;
    }
}

TEST_F(CliTest, DataFilesLieBesideTheExecutableWhateverItIsCalled) {
    const auto exe = folder / "some other name";
    std::filesystem::copy_file(MORVANE_CLI_PATH, exe);
    std::ofstream(folder / "morvane-build-tree") << "build tree\n";
    const std::string cmd = "XDG_CONFIG_HOME=" + quoted((folder / "config").string()) + " " + quoted(exe.string()) +
                            " --device none show >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(std::filesystem::file_size(folder / "keymap.bin"), 201424u);
    EXPECT_EQ(std::filesystem::file_size(folder / "MacroDefine.bin"), 7680u);
}

// An installed morvane-cli keeps the user's files in the XDG data folder and
// reads its skins and version files from <prefix>/share/morvane.
TEST_F(CliTest, AnInstalledCliKeepsTheUsersFilesInTheXdgDataFolder) {
    const auto bin = folder / "prefix" / "bin";
    std::filesystem::create_directories(bin);
    std::filesystem::copy_file(MORVANE_CLI_PATH, bin / "morvane-cli");
    const std::string run = "XDG_CONFIG_HOME=" + quoted((folder / "config").string()) + " HOME=" +
                            quoted((folder / "home").string()) + " ";
    const std::string exe = quoted((bin / "morvane-cli").string());
    ASSERT_EQ(std::system((run + exe + " --device none show >/dev/null 2>&1").c_str()), 0);
    const auto user = folder / "home" / ".local" / "share" / "Morvane";
    EXPECT_EQ(std::filesystem::file_size(user / "keymap.bin"), 201424u);
    EXPECT_EQ(std::filesystem::file_size(user / "MacroDefine.bin"), 7680u);
    EXPECT_TRUE(std::filesystem::is_directory(user / "Configure"));
    EXPECT_FALSE(std::filesystem::exists(bin / "keymap.bin"));

    // An absolute XDG_DATA_HOME wins; a relative one is ignored.
    ASSERT_EQ(std::system((run + "XDG_DATA_HOME=" + quoted((folder / "xdg").string()) + " " + exe +
                           " --device none show >/dev/null 2>&1").c_str()), 0);
    EXPECT_TRUE(std::filesystem::exists(folder / "xdg" / "Morvane" / "keymap.bin"));
    ASSERT_EQ(std::system(("cd " + quoted(folder.path().string()) + " && " + run + "XDG_DATA_HOME=rel " + exe +
                           " --device none profile new >/dev/null 2>&1").c_str()), 0);
    EXPECT_FALSE(std::filesystem::exists(folder / "rel"));
    EXPECT_TRUE(std::filesystem::exists(user / "Configure" / "Profile_1.bin"));
}

// Help, version, an unknown option or command, an empty folder name: answered
// or refused before the stores are touched.
TEST_F(CliTest, NothingIsWrittenForALineThatCannotRun) {
    for (const char* args : {"--help", "-h", "--version", "--bogus show", "-x", "show + bogus", "bogus"}) {
        const CliRun r = cli(args);
        EXPECT_FALSE(std::filesystem::exists(folder / "keymap.bin")) << args;
        EXPECT_FALSE(std::filesystem::exists(folder / "MacroDefine.bin")) << args;
        const std::string a = args;
        const bool answered = a == "--help" || a == "-h" || a == "--version";
        EXPECT_EQ(r.status == 0, answered) << args << ": " << r.err;
    }
    EXPECT_NE(cli("--help").out.find("profile list"), std::string::npos);
    EXPECT_EQ(cli("--version").out.rfind("morvane-cli ", 0), 0u);
    const std::string cmd = std::string(MORVANE_CLI_PATH) + " --folder '' --device none show 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    char buf[512] = {};
    const std::size_t n = fread(buf, 1, sizeof buf - 1, p);
    EXPECT_NE(WEXITSTATUS(pclose(p)), 0);
    EXPECT_NE(std::string(buf, n).find("--folder needs a folder name"), std::string::npos);
}

}  // namespace
}  // namespace morvane
