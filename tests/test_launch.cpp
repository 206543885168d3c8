// Launch keys: which record a reported key opens, how its path is split, and
// the real shell layer starting a program in its own folder and handing a
// path with blanks, quotes and ';' over as one argument.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "keymap/launch.h"
#include "temp_folder.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

struct FakeShell final : Shell {
    std::vector<std::string> calls;  // "how|target|dir"
    bool result = true;
    bool startProgram(const fs::path& p, const fs::path& d) override { return note("start", p, d); }
    bool openWithDesktop(const fs::path& p, const fs::path& d) override { return note("open", p, d); }
    bool note(const char* how, const fs::path& p, const fs::path& d) {
        calls.push_back(std::string(how) + "|" + p.string() + "|" + d.string());
        return result;
    }
};

void put(AssignmentRecords& records, int i, std::uint8_t kind, std::uint8_t code, std::u16string_view path) {
    records[i].kind = kind;
    records[i].keyCode = code;
    records[i].setPath(path);
}

// An absolute path here: Windows wants a drive before the root.
#ifdef _WIN32
#define ROOT "C:"
#else
#define ROOT ""
#endif

TEST(Launch, ChoosesTheFirstLaunchRecordAndTheRightShellCall) {
    auto records = std::make_unique<AssignmentRecords>();
    put(*records, 5, KindSingle, 0x09, u"/not/a/launch");
    put(*records, 41, KindStartProgram, 0x09, u"" ROOT "/a b/c;d/prog 'x'");
    put(*records, 60, KindOpenFile, 0x09, u"" ROOT "/later/one.txt");
    put(*records, 61, KindOpenFolder, 0x20, u"" ROOT "/srv/music");
    put(*records, 62, KindOpenFile, 0x21, u"" ROOT "/srv/music/");
    put(*records, 63, KindPlaySound, 0x22, u"relative.mp3");
    put(*records, 64, KindAdvancePending, 0x23, u"" ROOT "/pending");
    put(*records, 65, KindOpenFile, 0x24, u"" ROOT "/top.txt");
    FakeShell shell;
    for (std::uint8_t code : {0x09, 0x20, 0x21, 0x24})
        EXPECT_EQ(LaunchAssignedTarget(code, *records, shell), LaunchOutcome::Started);
    EXPECT_EQ(shell.calls, (std::vector<std::string>{"start|" ROOT "/a b/c;d/prog 'x'|" ROOT "/a b/c;d",
                                                     "open|" ROOT "/srv/music|" ROOT "/srv",
                                                     "open|" ROOT "/srv/music|" ROOT "/srv/music",
                                                     "open|" ROOT "/top.txt|" ROOT "/"}));

    // Nothing to launch, or nothing safe to launch: the shell is not asked.
    EXPECT_EQ(LaunchAssignedTarget(0x10, *records, shell), LaunchOutcome::NotAssigned);
    EXPECT_EQ(LaunchAssignedTarget(0x23, *records, shell), LaunchOutcome::NotAssigned);
    EXPECT_EQ(LaunchAssignedTarget(0x22, *records, shell), LaunchOutcome::Failed);
    EXPECT_EQ(shell.calls.size(), 4u);
    shell.result = false;
    EXPECT_EQ(LaunchAssignedTarget(0x20, *records, shell), LaunchOutcome::Failed);

    EXPECT_EQ(splitLaunchPath(u"a.txt").directory, u"a.txt");  // no separator: all directory
    EXPECT_EQ(splitLaunchPath(u"a.txt").file, u"");
#ifndef _WIN32
    EXPECT_EQ(splitLaunchPath(u"/dir/a\\b").file, u"a\\b");  // a backslash belongs to the name
#endif
}

#ifndef _WIN32

std::string waitForFile(const fs::path& p) {
    for (int i = 0; i < 100 && !fs::exists(p); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // let the writer finish its line
    std::stringstream ss;
    ss << std::ifstream(p).rdbuf();
    return ss.str();
}

void writeScript(const fs::path& p, const std::string& body) {
    std::ofstream(p) << "#!/bin/sh\n" << body;
    fs::permissions(p, fs::perms::owner_all);
}

TEST(LaunchRealShell, ProgramRunsInItsOwnFolderAndFilesGoToTheHandlerAsOneArgument) {
    test::TempFolder top;
    const fs::path dir = top / "it's a \"test\"; folder";
    fs::create_directories(dir);
    const fs::path program = dir / "run me; touch INJECTED 'x'";
    // Writes its working folder beside itself, then lingers.
    writeScript(program, "pwd > \"$(dirname \"$0\")/where.txt\"\nsleep 2\n");
    // A stand-in desktop handler that notes its arguments and folder.
    const fs::path bin = top / "bin";
    fs::create_directories(bin);
    writeScript(bin / "xdg-open", "printf '%s\\n' \"$#\" \"$1\" \"$(pwd)\" > '" + (bin / "args.txt").string() + "'\n");
    const fs::path document = dir / "notes $(touch HACKED) `x` ; 'q'.txt";
    std::ofstream(document) << "hello";

    auto records = std::make_unique<AssignmentRecords>();
    put(*records, 41, KindStartProgram, 0x09, program.u16string());
    put(*records, 42, KindOpenFile, 0x51, document.u16string());
    const auto shell = makeSystemShell();
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(LaunchAssignedTarget(0x09, *records, *shell), LaunchOutcome::Started);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));  // not waited for
    // No child of ours is left to reap: nothing becomes a zombie.
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (bin.string() + ":" + oldPath).c_str(), 1);
    const auto opened = LaunchAssignedTarget(0x51, *records, *shell);
    ::setenv("PATH", oldPath.c_str(), 1);
    ASSERT_EQ(opened, LaunchOutcome::Started);

    const std::string real = fs::canonical(dir).string();
    EXPECT_EQ(waitForFile(dir / "where.txt"), real + "\n");
    EXPECT_EQ(waitForFile(bin / "args.txt"), "1\n" + document.string() + "\n" + real + "\n");
    EXPECT_FALSE(fs::exists(dir / "INJECTED") || fs::exists("INJECTED") || fs::exists(dir / "HACKED"));
}


TEST(LaunchRealShell, AnOpenerBesideTheTargetNeverRunsFromEmptyOrRelativePathEntries) {
    test::TempFolder top;
    const fs::path dir = top / "downloads";
    fs::create_directories(dir);
    // A planted opener beside the file, and a file it would be handed.
    writeScript(dir / "xdg-open", "touch '" + (top / "PLANTED_RAN").string() + "'\n");
    const fs::path document = dir / "readme.txt";
    std::ofstream(document) << "hello";
    auto records = std::make_unique<AssignmentRecords>();
    put(*records, 42, KindOpenFile, 0x51, document.u16string());

    const fs::path oldCwd = fs::current_path();
    fs::current_path(dir);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    const auto shell = makeSystemShell();
    LaunchOutcome outcomes[3];
    int n = 0;
    for (const char* path : {":", ".", "downloads/../downloads"}) {
        ::setenv("PATH", path, 1);
        outcomes[n++] = LaunchAssignedTarget(0x51, *records, *shell);
    }
    ::setenv("PATH", oldPath.c_str(), 1);
    fs::current_path(oldCwd);
    // No absolute folder holds an opener, so the launch fails and says so.
    for (LaunchOutcome o : outcomes) EXPECT_EQ(o, LaunchOutcome::Failed);
    EXPECT_FALSE(fs::exists(top / "PLANTED_RAN"));
}

#endif

}  // namespace
}  // namespace morvane
