// morvane-cli on a computer shared with others: what another account (or a
// run as root) left in the user's folder is never written through, a folder
// that is not ours is refused before anything changes, and two programs
// changing the switching rules at once keep both changes.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "child_process.h"
#include "temp_folder.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

class CliSharedTest : public ::testing::Test {
protected:
    CliSharedTest() {
        fs::create_directories(folder / "run");
        fs::permissions(folder / "run", fs::perms::owner_all);
    }

    // Runs morvane-cli on `dataFolder` to its end.
    std::unique_ptr<test::ChildProcess> start(const std::string& name, const fs::path& dataFolder,
                                              const std::string& device, std::vector<std::string> args) {
        std::vector<std::string> argv = {MORVANE_CLI_PATH, "--folder", dataFolder.string(), "--device", device};
        argv.insert(argv.end(), args.begin(), args.end());
        return std::make_unique<test::ChildProcess>(
            argv,
            std::vector<std::string>{"XDG_CONFIG_HOME=" + (folder / "config").string(),
                                     "XDG_RUNTIME_DIR=" + (folder / "run").string(), "MORVANE_LOCK_WAIT=200,20000"},
            folder / (name + ".out"), folder / (name + ".err"));
    }
    std::string sim() const { return "sim:" + (folder / "kb.bin").string(); }

    test::TempFolder folder;
};

TEST_F(CliSharedTest, ALinkPlantedAsAStoreIsReplacedNotWrittenThrough) {
    fs::create_directories(folder / "user");
    const fs::path victim = folder / "victim";
    std::ofstream(victim) << "not the keyboard's";
    fs::create_symlink(victim, folder / "user" / "keymap.bin");
    auto run = start("save", folder / "user", sim(), {"set", "speed", "2", "+", "save"});
    EXPECT_EQ(run->wait(), 0) << run->err();
    EXPECT_EQ(test::readFile(victim), "not the keyboard's");
    EXPECT_FALSE(fs::is_symlink(folder / "user" / "keymap.bin"));
    EXPECT_TRUE(fs::is_regular_file(folder / "user" / "keymap.bin"));
    EXPECT_EQ(fs::file_size(folder / "user" / "keymap.bin"), 201424u);
}

TEST_F(CliSharedTest, AFolderOfAnotherAccountIsRefusedBeforeAnythingChanges) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another account";
    const fs::path theirs = folder / "theirs";
    fs::create_directories(theirs);
    ASSERT_EQ(::chown(theirs.c_str(), 12345, 12345), 0);
    auto run = start("refused", theirs, sim(), {"set", "speed", "2", "+", "save"});
    EXPECT_EQ(run->wait(), 2);
    EXPECT_EQ(run->err(), "morvane-cli: the folder \"" + theirs.string() +
                              "\" belongs to user 12345, not to you (user 0); run as its owner, or give a folder "
                              "of your own with --folder\n");
    EXPECT_TRUE(fs::is_empty(theirs)) << "not even a lock file is left there";
    EXPECT_FALSE(fs::exists(folder / "kb.bin"));
}

TEST_F(CliSharedTest, TwoProgramsAddingSwitchRulesAtOnceKeepEveryRule) {
    constexpr int kEach = 25;
    for (const char* name : {"one", "two"}) {
        fs::create_directories(folder / name / "Configure");
        auto made = start(std::string("new-") + name, folder / name, "none", {"profile", "new"});
        ASSERT_EQ(made->wait(), 0) << made->err();
    }
    // Two folders, so neither waits for the other's folder lock: only the
    // settings file is shared.
    std::vector<std::unique_ptr<test::ChildProcess>> runs;
    for (const char* name : {"one", "two"}) {
        std::vector<std::string> chain;
        for (int i = 0; i < kEach; ++i) {
            if (i > 0) chain.push_back("+");
            chain.insert(chain.end(), {"switch", "add", std::string(name) + std::to_string(i), "Profile_1"});
        }
        runs.push_back(start(std::string("add-") + name, folder / name, "none", chain));
    }
    for (auto& run : runs) EXPECT_EQ(run->wait(), 0) << run->err();
    auto listed = start("list", folder / "one", "none", {"switch", "list"});
    ASSERT_EQ(listed->wait(), 0) << listed->err();
    const std::string out = listed->out();
    for (const char* name : {"one", "two"})
        for (int i = 0; i < kEach; ++i)
            EXPECT_NE(out.find("class\t" + std::string(name) + std::to_string(i) + "\tProfile_1\n"), std::string::npos)
                << name << i << " lost:\n" << out;
}

}  // namespace
}  // namespace morvane
