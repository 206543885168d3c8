// Two morvane-cli at once, as two real processes: the second waits for the
// first and nothing either changed is lost; one that waits too long gives up
// naming who holds what.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "child_process.h"
#include "platform/file_lock.h"
#include "temp_folder.h"

namespace morvane {
namespace {

using namespace std::chrono_literals;

class CliConcurrencyTest : public ::testing::Test {
protected:
    CliConcurrencyTest() {
        std::filesystem::create_directories(folder / "one");
        std::filesystem::create_directories(folder / "two");
        std::filesystem::create_directories(folder / "run");
        std::filesystem::permissions(folder / "run", std::filesystem::perms::owner_all);
    }

    std::unique_ptr<test::ChildProcess> start(const std::string& name, const std::string& dataFolder,
                                              std::vector<std::string> args, const std::string& wait) {
        std::vector<std::string> argv = {MORVANE_CLI_PATH, "--folder", (folder / dataFolder).string(), "--device",
                                         "sim:" + (folder / "kb.bin").string()};
        argv.insert(argv.end(), args.begin(), args.end());
        return std::make_unique<test::ChildProcess>(
            argv,
            std::vector<std::string>{"XDG_CONFIG_HOME=" + (folder / "config").string(),
                                     "XDG_RUNTIME_DIR=" + (folder / "run").string(), "MORVANE_LOCK_WAIT=" + wait},
            folder / (name + ".out"), folder / (name + ".err"));
    }

    // Until the first process holds the lock: then the second surely waits.
    void waitUntilHeld(const std::filesystem::path& lockFile, test::ChildProcess& holder) {
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < end && holder.running()) {
            FileLock probe;
            LockHolder who;
            std::string error;
            if (probe.tryLock(lockFile, "test", "", who, error) == FileLock::State::Busy && who.pid == holder.pid())
                return;
            probe.release();
            std::this_thread::sleep_for(5ms);
        }
        FAIL() << "the first process never held " << lockFile << ": " << holder.err();
    }

    test::TempFolder folder;
};

TEST_F(CliConcurrencyTest, SecondWaitsForTheFirstAndBothChangesAreKept) {
    auto first = start("a", "one", {"macro", "new", "+", "set", "effect", "Wave", "+", "save", "+", "listen", "1"},
                       "5000,20000");
    waitUntilHeld(folder / "one" / ".morvane.lock", *first);
    auto second = start("b", "one", {"macro", "new", "+", "set", "game-mode", "on", "+", "save"}, "200,20000");
    EXPECT_EQ(first->wait(), 0) << first->err();
    EXPECT_EQ(second->wait(), 0) << second->err();
    EXPECT_EQ(first->out().substr(0, 2), "0 ");
    // Two macros in two slots, not both in slot 0.
    EXPECT_EQ(second->out().substr(0, 2), "1 ") << second->out();
    EXPECT_NE(second->err().find("morvane-cli: waiting for the program folder " + (folder / "one").string() +
                                 ", held by morvane-cli (pid " + std::to_string(first->pid()) + ", folder "),
              std::string::npos)
        << second->err();

    auto shown = start("c", "one", {"show"}, "200,20000");
    ASSERT_EQ(shown->wait(), 0) << shown->err();
    const std::string out = shown->out();
    EXPECT_NE(out.find("effect: Wave"), std::string::npos) << out;
    EXPECT_NE(out.find("game mode: on"), std::string::npos) << out;
}

TEST_F(CliConcurrencyTest, WaitGivesUpWithOneLineAndChangesNothing) {
    auto first = start("a", "one", {"listen", "2"}, "5000,20000");
    waitUntilHeld(folder / "one" / ".morvane.lock", *first);
    const auto begun = std::chrono::steady_clock::now();
    auto second = start("b", "one", {"set", "effect", "Wave", "+", "save"}, "100,300");
    EXPECT_EQ(second->wait(), 2);
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 1900ms);
    const std::string err = second->err();
    const std::string giveUp = "morvane-cli: the program folder " + (folder / "one").string() +
                               " is in use by morvane-cli (pid " + std::to_string(first->pid());
    EXPECT_NE(err.find(giveUp), std::string::npos) << err;
    EXPECT_NE(err.find("gave up after 300 ms\n"), std::string::npos) << err;
    EXPECT_EQ(second->out(), "");
    EXPECT_EQ(first->wait(), 0) << first->err();
    auto shown = start("c", "one", {"show"}, "200,20000");
    ASSERT_EQ(shown->wait(), 0);
    EXPECT_EQ(shown->out().find("effect: Wave"), std::string::npos);
}

TEST_F(CliConcurrencyTest, AnotherFolderOnTheSameKeyboardIsToldWhoHasTheKeyboard) {
    auto first = start("a", "one", {"listen", "2"}, "5000,20000");
    waitUntilHeld(folder / "kb.bin.lock", *first);
    auto second = start("b", "two", {"show"}, "100,300");
    EXPECT_EQ(second->wait(), 2);
    const std::string err = second->err();
    EXPECT_NE(err.find("the keyboard sim:" + (folder / "kb.bin").string() + " is in use by morvane-cli (pid " +
                       std::to_string(first->pid()) + ", folder " + (folder / "one").string() + ")"),
              std::string::npos)
        << err;
    EXPECT_EQ(first->wait(), 0);
}

// A lock file that cannot be taken is no lock: the run stops before anything
// is read or written, saying which file and why. These hold for root too.
TEST_F(CliConcurrencyTest, ALockThatCannotBeTakenStopsTheRunAndWritesNothing) {
    namespace fs = std::filesystem;
    const auto planted = folder / "planted";
    struct Case {
        fs::path lock;
        bool link;  // a link planted as the lock; else a folder in its place
        std::string why;
    };
    const std::vector<Case> cases = {
        {folder / "one" / ".morvane.lock", false, "Is a directory"},
        {folder / "one" / ".morvane.lock", true, "it is a link, and a lock is never taken through one"},
        {folder / "kb.bin.lock", true, "it is a link, and a lock is never taken through one"},
    };
    int n = 0;
    for (const Case& c : cases) {
        if (c.link)
            fs::create_symlink(planted, c.lock);
        else
            fs::create_directory(c.lock);
        auto run = start("lock" + std::to_string(++n), "one", {"set", "effect", "Wave", "+", "save"}, "100,300");
        EXPECT_EQ(run->wait(), 2) << c.lock;
        EXPECT_EQ(run->err(), "morvane-cli: cannot open the lock file " + c.lock.string() + ": " + c.why + "\n");
        EXPECT_EQ(run->out(), "");
        EXPECT_FALSE(fs::exists(planted)) << "created through the link " << c.lock;
        EXPECT_FALSE(fs::exists(folder / "one" / "keymap.bin")) << c.lock;
        EXPECT_FALSE(fs::exists(folder / "kb.bin")) << c.lock;
        fs::remove(c.lock);
    }
    // The folder's lock let go when the keyboard's failed: the next run goes on.
    auto shown = start("show", "one", {"show"}, "100,300");
    EXPECT_EQ(shown->wait(), 0) << shown->err();
}

}  // namespace
}  // namespace morvane
