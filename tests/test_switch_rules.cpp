// Which profile follows which window, and how the rules are kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "config/switch_rules.h"
#include "temp_folder.h"

namespace morvane {
namespace {

using Kind = SwitchRule::Kind;

TEST(SwitchRules, TheFirstMatchingRuleWinsThenTheDefaultThenNothing) {
    SwitchRules rules;
    ASSERT_TRUE(rules.add({Kind::Title, "Quake", "Shooter"}).ok);
    ASSERT_TRUE(rules.add({Kind::Class, "steam_app_730", "Counter"}).ok);
    ASSERT_TRUE(rules.add({Kind::Class, "Firefox-esr", "Browser"}).ok);

    // Either WM_CLASS string matches, without regard to case.
    EXPECT_EQ(rules.profileFor({0, "firefox-esr", "Firefox-esr", "Mozilla"}), "Browser");
    EXPECT_EQ(rules.profileFor({0, "STEAM_APP_730", "Steam", "CS"}), "Counter");
    EXPECT_EQ(rules.profileFor({0, "other", "FIREFOX-ESR", ""}), "Browser");
    // A class must be the whole string, not a part of it.
    EXPECT_EQ(rules.profileFor({0, "firefox", "Firefox", ""}), std::nullopt);
    // A title rule matches a part of the title, and comes first here.
    EXPECT_EQ(rules.profileFor({0, "steam_app_730", "Steam", "Quake Live"}), "Shooter");
    EXPECT_EQ(rules.profileFor({0, "xterm", "XTerm", "quake"}), std::nullopt);  // titles keep their case

    ASSERT_TRUE(rules.setDefault("Desktop").ok);
    EXPECT_EQ(rules.profileFor({0, "xterm", "XTerm", "bash"}), "Desktop");
    EXPECT_EQ(rules.profileFor({}), "Desktop");
    ASSERT_TRUE(rules.setDefault(std::nullopt).ok);
    EXPECT_EQ(rules.profileFor({0, "xterm", "XTerm", "bash"}), std::nullopt);
}

TEST(SwitchRules, AddingAListedClassReplacesItAndBadTextsAreRefused) {
    SwitchRules rules;
    ASSERT_TRUE(rules.add({Kind::Class, "Game", "A"}).ok);
    ASSERT_TRUE(rules.add({Kind::Title, "Game", "T"}).ok);  // another kind: a rule of its own
    ASSERT_TRUE(rules.add({Kind::Class, "GAME", "B"}).ok);
    ASSERT_EQ(rules.rules().size(), 2u);
    EXPECT_EQ(rules.rules()[0], (SwitchRule{Kind::Class, "GAME", "B"}));

    EXPECT_FALSE(rules.add({Kind::Class, "", "A"}).ok);
    EXPECT_FALSE(rules.add({Kind::Class, "two\nlines", "A"}).ok);
    EXPECT_FALSE(rules.add({Kind::Title, "x", "bad\rname"}).ok);
    EXPECT_FALSE(rules.add({Kind::Title, "x", "a/b"}).ok);
    EXPECT_FALSE(rules.add({Kind::Title, "x", ""}).ok);
    EXPECT_FALSE(rules.setDefault("line\nbreak").ok);
    EXPECT_EQ(rules.rules().size(), 2u);

    EXPECT_FALSE(rules.remove(Kind::Title, "game"));  // titles are exact
    EXPECT_TRUE(rules.remove(Kind::Class, "game"));
    EXPECT_TRUE(rules.remove(Kind::Title, "Game"));
    EXPECT_TRUE(rules.rules().empty());
}

TEST(SwitchRules, TheStoreGivesBackEveryTextAsItWasAndSkipsBrokenRules) {
    test::TempFolder folder;
    const auto file = folder / "settings.ini";
    IniSettingsStore store(file);
    EXPECT_TRUE(SwitchRules::load(store).rules().empty());

    SwitchRules rules;
    // Blanks at the ends, '=' and '[', non-ASCII: all kept exactly.
    ASSERT_TRUE(rules.add({Kind::Title, " = [x] ", " Zwölf spielen "}).ok);
    ASSERT_TRUE(rules.add({Kind::Class, "Ünicode;#", "游戏"}).ok);
    ASSERT_TRUE(rules.setDefault("Profile_1").ok);
    ASSERT_TRUE(rules.store(store).ok);
    SwitchRules back = SwitchRules::load(store);
    EXPECT_EQ(back.rules(), rules.rules());
    EXPECT_EQ(back.defaultProfile(), "Profile_1");

    // Fewer rules and no default: the rules beyond the count are gone.
    ASSERT_TRUE(rules.remove(Kind::Title, " = [x] "));
    ASSERT_TRUE(rules.setDefault(std::nullopt).ok);
    ASSERT_TRUE(rules.store(store).ok);
    back = SwitchRules::load(store);
    EXPECT_EQ(back.rules(), rules.rules());
    EXPECT_EQ(back.defaultProfile(), std::nullopt);

    // A hand-edited file: a bad kind and a nonsense count are survived.
    std::ofstream(file) << "[Software\\Morvane\\Switching]\nRules=3\nRule1.kind=window\nRule1.text=a\n"
                           "Rule1.profile=p\nRule2.kind=class\nRule2.text=b\nRule2.profile=q\n";
    back = SwitchRules::load(store);
    ASSERT_EQ(back.rules().size(), 1u);
    EXPECT_EQ(back.rules()[0], (SwitchRule{Kind::Class, "b", "q"}));
    std::ofstream(file) << "[Software\\Morvane\\Switching]\nRules=lots\n";
    EXPECT_TRUE(SwitchRules::load(store).rules().empty());

    // A store that cannot be written says so.
    IniSettingsStore nowhere{std::filesystem::path()};
    EXPECT_FALSE(rules.store(nowhere).ok);
}

// Two programs adding rules at once, each a read-modify-write of the rules:
// every rule of both stays, and the file always holds every value of each
// rule it counts.
TEST(SwitchRules, TwoProcessesAddingAtOnceLoseNoRule) {
    test::TempFolder folder;
    const auto file = folder / "settings.ini";
    constexpr int kEach = 40;
    const auto addMany = [&](const std::string& prefix) {
        IniSettingsStore store(file);  // each process its own, as two programs have
        for (int i = 0; i < kEach; ++i) {
            const Outcome o = SwitchRules::update(store, [&](SwitchRules& rules) {
                return rules.add({Kind::Class, prefix + std::to_string(i), "Profile_1"});
            });
            if (!o.ok) return false;
        }
        return true;
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(addMany("child") ? 0 : 1);
    EXPECT_TRUE(addMany("parent"));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    IniSettingsStore store(file);
    const SwitchRules back = SwitchRules::load(store);
    ASSERT_EQ(back.rules().size(), 2u * kEach);
    for (const char* prefix : {"parent", "child"})
        for (int i = 0; i < kEach; ++i)
            EXPECT_TRUE(std::count(back.rules().begin(), back.rules().end(),
                                   SwitchRule{Kind::Class, prefix + std::to_string(i), "Profile_1"}) == 1)
                << prefix << i;
}

// A program killed while it reorders the rules leaves them in one order or
// the other, never with one missing.
TEST(SwitchRules, AKillDuringMovesLosesNoRule) {
    test::TempFolder folder;
    const auto file = folder / "settings.ini";
    std::vector<SwitchRule> all;
    {
        IniSettingsStore store(file);
        SwitchRules rules;
        for (int i = 0; i < 6; ++i) all.push_back({Kind::Class, "game" + std::to_string(i), "Profile_1"});
        for (const SwitchRule& r : all) ASSERT_TRUE(rules.add(r).ok);
        ASSERT_TRUE(rules.store(store).ok);
    }
    for (int round = 0; round < 12; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            IniSettingsStore store(file);
            for (int i = 0;; ++i)
                (void)SwitchRules::update(store, [&](SwitchRules& rules) {
                    (void)rules.move(Kind::Class, "game" + std::to_string(i % 6), i % 2 ? 1 : -1);
                    return Outcome{};
                });
        }
        ::usleep(static_cast<useconds_t>(2000 + 1700 * round));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        IniSettingsStore store(file);
        std::vector<SwitchRule> back = SwitchRules::load(store).rules();
        ASSERT_EQ(back.size(), all.size()) << "round " << round;
        for (const SwitchRule& r : all) EXPECT_EQ(std::count(back.begin(), back.end(), r), 1) << r.text;
    }
}

TEST(SwitchRules, AnUpdateThatChangesNothingOrIsRefusedWritesNothing) {
    test::TempFolder folder;
    const auto file = folder / "settings.ini";
    IniSettingsStore store(file);
    EXPECT_TRUE(SwitchRules::update(store, [](SwitchRules& r) {
                    r.profileChanged("Gone", std::nullopt);
                    return Outcome{};
                }).ok);
    EXPECT_FALSE(std::filesystem::exists(file));
    const Outcome refused = SwitchRules::update(store, [](SwitchRules& r) { return r.add({Kind::Class, "", "P"}); });
    EXPECT_EQ(refused.error, "a rule needs a class or a title text");
    EXPECT_FALSE(std::filesystem::exists(file));

    // A lock that cannot be taken is told, naming the lock file.
    std::filesystem::remove(store.lockFile());
    std::filesystem::create_directory(store.lockFile());
    const Outcome blocked = SwitchRules::update(store, [](SwitchRules& r) { return r.add({Kind::Class, "c", "P"}); });
    EXPECT_NE(blocked.error.find("could not be written to the settings: cannot open the lock file " +
                                 store.lockFile().string()),
              std::string::npos)
        << blocked.error;
    EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace morvane
