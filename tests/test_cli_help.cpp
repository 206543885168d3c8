// The command table behind --help, the manual page and shell completion.
#include <gtest/gtest.h>

#include <fstream>

#include "cli/help.h"
#include "temp_folder.h"

namespace morvane::cli {
namespace {

// What a user reads about the commands must not fall behind what the program runs.
TEST(CommandTable, EveryCommandIsInTheManualPageAndTheReadmeWithAnExample) {
    const std::string man = test::readFile(std::filesystem::path(MORVANE_SOURCE_DIR) / "dist" / "morvane-cli.1");
    const std::string readme = test::readFile(std::filesystem::path(MORVANE_SOURCE_DIR) / "README.md");
    ASSERT_FALSE(man.empty());
    for (const CommandHelp& c : commandTable()) {
        EXPECT_NE(man.find(".B " + std::string(c.name)), std::string::npos) << c.name;
        EXPECT_NE(readme.find("`" + std::string(c.example).substr(std::string("morvane-cli ").size())),
                  std::string::npos)
            << c.name << ": README lacks " << c.example;
        EXPECT_TRUE(c.example.starts_with("morvane-cli ")) << c.name;
    }
}

std::vector<std::string> complete(std::vector<std::string> words, const std::filesystem::path& folder = {}) {
    return completions(words, folder);
}

TEST(Completion, CommandsOptionsAndArgumentsCompleteByPosition) {
    using V = std::vector<std::string>;
    EXPECT_EQ(complete({"sa"}), V{"save"});
    EXPECT_EQ(complete({"--language", ""}), (V{"english", "chinese"}));
    EXPECT_EQ(complete({"--folder", "x", "sim-p"}), V{"sim-plug"});
    EXPECT_EQ(complete({"--fo"}), V{"--folder"});
    EXPECT_EQ(complete({"show", "+", "set", "effect", "ra"}), (V{"RainDropo", "Radar"}));
    EXPECT_EQ(complete({"set", "effect", "Horse"}), V{"Horse\\ Race"});
    EXPECT_EQ(complete({"set", "effect", "Horse\\ R"}), V{"Horse\\ Race"});
    EXPECT_EQ(complete({"set", "win-lock", ""}), (V{"on", "off"}));
    EXPECT_EQ(complete({"assign", "42", "function", "Select"}), V{"Select\\ All"});
    const V keys = complete({"assign", "42", "combo", "Ctrl", "Es"});
    EXPECT_NE(std::find(keys.begin(), keys.end(), "Esc"), keys.end());
    EXPECT_TRUE(complete({"reset", ""}).empty());
    EXPECT_EQ(complete({"switch", ""}), (V{"list", "add", "remove", "move", "default"}));
    EXPECT_EQ(complete({"switch", "default", "n"}), V{"none"});
    EXPECT_TRUE(complete({}).empty());
}

TEST(Completion, ProfileNamesComeFromTheProfileFolder) {
    test::TempFolder folder;
    std::ofstream(folder / "Profile_2.bin") << "x";
    std::ofstream(folder / "Game 1.bin") << "x";
    std::ofstream(folder / "notes.txt") << "x";
    using V = std::vector<std::string>;
    EXPECT_EQ(complete({"profile", "apply", ""}, folder.path()), (V{"Game\\ 1", "Profile_2"}));
    EXPECT_TRUE(complete({"profile", "new", ""}, folder.path()).empty());
    EXPECT_TRUE(complete({"profile", "apply", ""}, folder / "missing").empty());
}

}  // namespace
}  // namespace morvane::cli
