// morvane-cli's assign and macro commands end to end, against the simulated
// keyboard: what lands in keymap.bin, MacroDefine.bin and, after save, on the
// keyboard.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sys/wait.h>

#include "temp_folder.h"

namespace morvane {
namespace {

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::vector<std::uint8_t> bytesOf(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class CliAssignMacro : public ::testing::Test {
protected:
    // Runs the CLI; returns its exit status and stdout.
    std::pair<int, std::string> cli(const std::string& args) {
        const std::string cmd = std::string(MORVANE_CLI_PATH) + " --folder " + quoted(folder.path().string()) +
                                " --device " + quoted("sim:" + (folder / "kb.bin").string()) + " " + args +
                                " 2>/dev/null";
        std::string out;
        FILE* p = popen(cmd.c_str(), "r");
        char buf[4096];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        const int st = pclose(p);
        return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, out};
    }
    // Entry of a key-table position in a file laid out like the image.
    std::string entry(const std::string& file, int position) {
        const auto b = bytesOf(folder / file);
        char s[16];
        std::snprintf(s, sizeof s, "%02x %02x %02x %02x", b.at(792 + 4 * position), b.at(793 + 4 * position),
                      b.at(794 + 4 * position), b.at(795 + 4 * position));
        return s;
    }

    test::TempFolder folder;
};

TEST_F(CliAssignMacro, AssignmentsReachKeymapAndThenTheKeyboard) {
    const auto program = folder / "my tool; 'v2'";
    std::ofstream(program) << "#!/bin/sh\n";
    // Tab (position 63) starts a program, Q (64) is Volume UP, W (65) a
    // disabled combination, E (66) "Max" by its Chinese name.
    const std::string assign = "assign 41 program " + quoted(program.string()) +
                               " + assign 42 single 0xAF + assign 43 combo LCtrl LAlt Del --disable";
    // Not saved: discarded when the chain ends, the file in step with the keyboard.
    ASSERT_EQ(cli(assign).first, 0);
    EXPECT_EQ(entry("keymap.bin", 63), "2b 00 00 00");
    EXPECT_EQ(entry("kb.bin", 64), "14 00 00 00");  // nothing reaches the keyboard before save
    ASSERT_EQ(cli(assign + " + save").first, 0);
    EXPECT_EQ(entry("keymap.bin", 63), "09 00 00 0c");
    EXPECT_EQ(entry("keymap.bin", 64), "00 e9 00 03");
    EXPECT_EQ(entry("keymap.bin", 65), "e0 e2 4c 00");
    EXPECT_EQ(bytesOf(folder / "keymap.bin").at(3893 + 98 / 8) >> (98 % 8) & 1, 0);  // W (row 3, column 2) is off

    ASSERT_EQ(cli("--language chinese assign 44 function 最大化 + assign 42 single 0xAF + save").first, 0);
    EXPECT_EQ(entry("kb.bin", 64), "00 e9 00 03");
    EXPECT_EQ(entry("kb.bin", 66), "1b 2c e2 00");
    ASSERT_EQ(cli("assign 42 default + save").first, 0);
    EXPECT_EQ(entry("kb.bin", 64), "14 00 00 00");

    const std::vector<std::string> refused = {
        "assign 96 single A", "assign 17 single A", "assign 41 single Nokey", "assign 41 macro 0",
        "--language chinese assign 41 function Max", "assign 41 program /no/such/file",
        "assign 41 folder /" + std::string(300, 'x')};
    for (const std::string& bad : refused) EXPECT_NE(cli(bad).first, 0) << bad;
}

TEST_F(CliAssignMacro, MacroManagerCommands) {
    auto [st, out] = cli("macro new + macro new + macro set-events 0 dn:A up:A@120 dn:MsLB@0 up:MsLB + macro rows 0"
                         " + save");
    ASSERT_EQ(st, 0);
    EXPECT_EQ(out, "0 Macro_001\n1 Macro_002\nA  dn\n120 ms\nA  up\n0 ms\nMsLB dn\nMsLB up\n");
    ASSERT_EQ(cli("macro loops 0 300 + macro record-delay 0 on + macro rename 0 Fire Burst + save").first, 0);
    const auto file = bytesOf(folder / "MacroDefine.bin");
    ASSERT_EQ(file.size(), 7680u);
    EXPECT_EQ(file[0], 'F');
    EXPECT_EQ(file[516], 1);          // delay mode

    ASSERT_EQ(cli("assign 41 macro 0 + save").first, 0);
    const auto kb = bytesOf(folder / "kb.bin");
    // Macro block 0: the loop count, then the device events (A's usage).
    EXPECT_EQ(std::vector<int>(kb.begin() + 1304, kb.begin() + 1312),
              (std::vector<int>{0x2C, 0x01, 0, 0, 0x04, 0x00, 0x01, 0x00}));
    EXPECT_EQ(entry("kb.bin", 63), "00 00 00 04");

    EXPECT_NE(cli("macro rows 4").first, 0);
    EXPECT_NE(cli("macro rename 1 ''").first, 0);
    EXPECT_NE(cli("macro set-events 1 dn:0x7C").first, 0);  // F13: no device code
    ASSERT_EQ(cli("macro delete 0 + save").first, 0);
    EXPECT_EQ(cli("macro rows 0").second, "");  // Macro_002 moved down
    EXPECT_EQ(entry("kb.bin", 63), "2b 00 00 00");  // the key on the deleted macro is Tab again
}

}  // namespace
}  // namespace morvane
