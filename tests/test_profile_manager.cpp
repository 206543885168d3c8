// The profile manager's operations on a real folder, with the settings in a
// file of the test's own.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "config/profile_manager.h"
#include "temp_folder.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
const auto yes = [](ProfileMessage) { return true; };

class ProfileManagerTest : public ::testing::Test {
protected:
    ProfileManagerTest() { fs::create_directory(configure); }

    ProfileManager& manager(ProfileFileOps ops = ProfileFileOps::standard()) {
        pm = std::make_unique<ProfileManager>(program.path(), settings, config, std::move(ops));
        pm->open();
        return *pm;
    }
    void profiles(std::initializer_list<const char*> names) {
        for (const char* n : names) ASSERT_TRUE(CreateDefaultProfile(configure / (std::string(n) + ".bin")));
    }
    std::u16string current() const { return settings.value(kProfileSettingsKey, kCurrentProfileValue).value_or(u""); }

    test::TempFolder program;
    fs::path configure = program / "Configure";
    IniSettingsStore settings{program / "settings.ini"};
    DeviceImage live{}, shadow{};
    std::unique_ptr<AssignmentRecords> liveRecords = std::make_unique<AssignmentRecords>();
    std::unique_ptr<AssignmentRecords> shadowRecords = std::make_unique<AssignmentRecords>();
    MacroTable macros{};
    WorkingConfiguration config{live, shadow, *liveRecords, *shadowRecords, macros};
    std::unique_ptr<ProfileManager> pm;
};

TEST_F(ProfileManagerTest, FirstOpeningCreatesAndSelectsProfile1ButNeverTheFolder) {
    live.lightEffect = 3;
    (*liveRecords)[42].kind = KindStartProgram;
    macros[0].name[0] = u'M';
    ProfileManager& m = manager();
    EXPECT_EQ(m.names(), Names{"Profile_1"});
    EXPECT_EQ(fs::file_size(configure / "Profile_1.bin"), 209104u);
    EXPECT_EQ(m.selection(), 0);
    EXPECT_EQ(current(), u"Profile_1.bin");
    // It holds the working configuration: applying it takes nothing away.
    const DeviceImage before = live;
    const AssignmentRecords recordsBefore = *liveRecords;
    const MacroTable macrosBefore = macros;
    ASSERT_TRUE(m.close().ok);
    EXPECT_EQ(live, before);
    EXPECT_EQ(*liveRecords, recordsBefore);
    EXPECT_EQ(macros, macrosBefore);

    fs::remove_all(configure);
    m.open();
    EXPECT_TRUE(m.names().empty());
    EXPECT_FALSE(fs::exists(configure));
    EXPECT_FALSE(m.close().ok);
}

TEST_F(ProfileManagerTest, SelectionIsBySubstringAndTheLastMatchWins) {
    profiles({"XProfile_1", "Profile_1"});
    ProfileManager& m = manager();
    EXPECT_EQ(m.names(), (Names{"Profile_1", "XProfile_1"}));
    EXPECT_EQ(m.selection(), 1);

    // No readable key: the empty name matches every path.
    IniSettingsStore unreadable{program.path()};
    ProfileManager other(program.path(), unreadable, config);
    profiles({"Zed"});
    other.open();
    EXPECT_EQ(other.selection(), 2);
}

TEST_F(ProfileManagerTest, SixProfilesAreTheLimitAndOneIsKept) {
    profiles({"A", "B", "C", "D", "E", "F"});
    ProfileManager& m = manager();
    m.select(0);
    EXPECT_EQ(m.newProfile().message, ProfileMessage::TooManyProfiles);
    const ProfileResult copy = m.copySelected();
    EXPECT_FALSE(copy.ok || copy.message);
    EXPECT_EQ(std::distance(fs::directory_iterator(configure), fs::directory_iterator()), 6);

    for (const char* n : {"C", "D", "E", "F"}) fs::remove(configure / (std::string(n) + ".bin"));
    m.open();
    m.select(0);
    EXPECT_FALSE(m.deleteSelected([](ProfileMessage) { return false; }).ok);
    m.select(0);
    EXPECT_TRUE(m.deleteSelected(yes).ok);
    EXPECT_EQ(m.names(), Names{"B"});
    EXPECT_EQ(m.deleteSelected(yes).message, ProfileMessage::KeepOne);  // even with nothing selected
    EXPECT_EQ(m.newProfile().name, "Profile_1");
}

TEST_F(ProfileManagerTest, RenameMovesTheFileOrRestoresTheOldName) {
    profiles({"Profile_1", "Profile_2"});
    std::ofstream(configure / "Hidden.bin.bin") << "mine";  // listed as "Hidden", whose file is Hidden.bin
    ProfileManager& m = manager();
    EXPECT_TRUE(m.rename(*m.rowOf("Profile_2"), "Work").ok);
    EXPECT_FALSE(m.rename(*m.rowOf("Work"), "Profile_1").ok);  // a listed name: Work comes back
    EXPECT_EQ(m.names(), (Names{"Hidden", "Profile_1", "Work"}));
    EXPECT_EQ(m.rename(*m.rowOf("Work"), "Hidden.bin.bin").message, ProfileMessage::FileExists);
    EXPECT_EQ(fs::file_size(configure / "Hidden.bin.bin"), 4u);
    // Each refusal says what is wrong with the name.
    const std::pair<std::string, ProfileMessage> refusals[] = {
        {"", ProfileMessage::NameEmpty},     {"../Escaped", ProfileMessage::NameSeparator},
        {"a..b", ProfileMessage::NameDotDot}, {"two\nlines", ProfileMessage::NameNotPlainText},
        {"\xff", ProfileMessage::NameNotPlainText}, {std::string(240, 'w'), ProfileMessage::NameTooLong}};
    for (const auto& [bad, why] : refusals) EXPECT_EQ(m.rename(*m.rowOf("Work"), bad).message, why) << bad;
    EXPECT_FALSE(fs::exists(program / "Escaped.bin"));

    // Holding ".bin" elsewhere: the exact file name, no longer listed.
    EXPECT_TRUE(m.rename(*m.rowOf("Work"), "a.bin.x").ok);
    EXPECT_TRUE(fs::exists(configure / "a.bin.x"));
    EXPECT_EQ(m.names(), (Names{"Hidden", "Profile_1"}));  // and Profile_2.bin went with the first rename

    // ".bin" in the folder's path does not count as the name's.
    const fs::path odd = program / "tools.bin";
    fs::create_directories(odd / "Configure");
    fs::rename(configure / "Profile_1.bin", odd / "Configure/Profile_1.bin");
    ProfileManager inOdd(odd, settings, config);
    inOdd.open();
    EXPECT_TRUE(inOdd.rename(0, "Work").ok);
    EXPECT_EQ(inOdd.names(), Names{"Work"});
}

TEST_F(ProfileManagerTest, ARenameWhoseDeleteFailsKeepsAndListsBothFiles) {
    profiles({"Profile_1", "Profile_2"});
    ProfileFileOps ops = ProfileFileOps::standard();
    ops.remove = [](const fs::path&) { return false; };
    const ProfileResult r = manager(ops).rename(*pm->rowOf("Profile_2"), "Work");
    EXPECT_EQ(r.message, ProfileMessage::OldFileKept);
    EXPECT_EQ(pm->names(), (Names{"Profile_1", "Profile_2", "Work"}));

    ops.copy = [](const fs::path&, const fs::path&) { return false; };
    EXPECT_EQ(manager(ops).rename(0, "Other").message, ProfileMessage::RenameFailed);
}

TEST_F(ProfileManagerTest, SaveLoadAndApplyWorkOnTheSelectedProfile) {
    profiles({"Profile_1", "Work"});
    settings.setValue(kProfileSettingsKey, kCurrentProfileValue, u"Other.bin");
    ProfileManager& m = manager();
    m.select(0);
    live.lightEffect = 5;
    ASSERT_TRUE(m.saveSelected(program / "export.bin").ok);
    EXPECT_EQ(fs::file_size(configure / "Profile_1.bin"), 209104u);
    EXPECT_EQ(fs::file_size(program / "export.bin"), 209104u);

    // Load without a readable file leaves the profile as it was; applying it
    // keeps the state before as the shadow and records the name.
    live.lightEffect = 6;
    ASSERT_TRUE(m.loadSelected(std::nullopt).ok);
    EXPECT_EQ(m.loadSelected(program / "absent.bin").message, ProfileMessage::ReadFailed);
    ASSERT_TRUE(m.close().ok);
    EXPECT_EQ(live.lightEffect, 5);
    EXPECT_EQ(shadow.lightEffect, 6);
    EXPECT_EQ(current(), u"Profile_1.bin");

    // A profile that cannot be read is neither applied nor recorded.
    m.select(m.rowOf("Work"));
    fs::remove(configure / "Work.bin");
    EXPECT_EQ(m.close().message, ProfileMessage::ReadFailed);
    EXPECT_EQ(current(), u"Profile_1.bin");

    // Load imports the file without touching the shadow.
    shadow.lightEffect = 2;
    live.lightEffect = 0;
    m.open();
    ASSERT_TRUE(m.loadSelected(program / "export.bin").ok);
    EXPECT_EQ(live.lightEffect, 5);
    EXPECT_EQ(shadow.lightEffect, 2);
}

}  // namespace
}  // namespace morvane
