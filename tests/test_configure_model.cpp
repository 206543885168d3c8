// The profile manager window's model: what Save, Load and the close box ask of
// the window before the profiles change, on a real folder.
#include <gtest/gtest.h>

#include <memory>

#include "app/dialogs/configure_model.h"
#include "config/profile_files.h"
#include "temp_folder.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

class ConfigureModelTest : public ::testing::Test {
protected:
    ConfigureModelTest() {
        fs::create_directory(program / "Configure");
        manager.open();
    }
    ConfigureView view() {
        return {[this](const ConfigureBox& b) {
                    boxes.push_back(b.message);
                    return true;
                },
                [this](const FileRequest& r) {
                    requests.push_back(r);
                    return file;
                }};
    }
    void run(ConfigureCommand c) {
        ConfigureView v = view();
        model.command(c, v);
    }

    test::TempFolder program;
    IniSettingsStore settings{program / "settings.ini"};
    DeviceImage live{}, shadow{};
    std::unique_ptr<AssignmentRecords> liveRecords = std::make_unique<AssignmentRecords>();
    std::unique_ptr<AssignmentRecords> shadowRecords = std::make_unique<AssignmentRecords>();
    MacroTable macros{};
    ProfileManager manager{program.path(), settings, {live, shadow, *liveRecords, *shadowRecords, macros}};
    ConfigureModel model{manager, program.path()};
    std::vector<ProfileMessage> boxes;
    std::vector<FileRequest> requests;
    std::optional<fs::path> file;
};

TEST_F(ConfigureModelTest, TheKeyboardAsFoundLoadsLikeAFileWithoutAFileDialog) {
    EXPECT_FALSE(model.offers(ConfigureCommand::LoadAsFound));  // none kept yet
    DeviceImage found{};
    found.diyMaps[2][3] = 0x5A;
    const fs::path kept = program / "Backups" / "Keyboard as found (A2A0).bin";
    fs::create_directories(kept.parent_path());
    ASSERT_TRUE(WriteProfile(kept, found, *liveRecords, macros));
    model.setAsFoundFile(kept);
    ASSERT_TRUE(model.offers(ConfigureCommand::LoadAsFound));
    manager.select(std::nullopt);
    run(ConfigureCommand::LoadAsFound);
    EXPECT_EQ(boxes, std::vector<ProfileMessage>{ProfileMessage::SelectToOpen});
    manager.select(0);
    run(ConfigureCommand::LoadAsFound);
    EXPECT_TRUE(requests.empty());
    EXPECT_EQ(live.diyMaps[2][3], 0x5A);
}

TEST_F(ConfigureModelTest, SaveAndLoadAskForASelectionBeforeAnyFileDialog) {
    manager.select(std::nullopt);
    run(ConfigureCommand::Save);
    run(ConfigureCommand::Load);
    EXPECT_EQ(boxes, (std::vector<ProfileMessage>{ProfileMessage::SelectToSave, ProfileMessage::SelectToOpen}));
    EXPECT_TRUE(requests.empty());

    manager.select(0);
    file = program / "export";
    run(ConfigureCommand::Save);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].folder, program.path());  // no documents folder given
    EXPECT_EQ(requests[0].name, "Profile_1.bin");
    model.setDocumentsFolder("/home/player/Documents");
    run(ConfigureCommand::Load);
    EXPECT_EQ(requests.back().folder, fs::path("/home/player/Documents"));
    EXPECT_EQ(fs::file_size(program / "export.bin"), kProfileSavedSize);
}

TEST_F(ConfigureModelTest, ASaveWhoseFileDialogWasCancelledWritesNoFile) {
    manager.select(0);
    const fs::path profile = program / "Configure" / "Profile_1.bin";
    const auto before = test::readFile(profile);
    live.lightEffect = 7;  // the working configuration differs from the profile
    run(ConfigureCommand::Save);  // the file dialog was cancelled
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(test::readFile(profile), before);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ConfigureModelTest, ALoadThatReadNoFileLeavesTheConfigurationAsItWas) {
    run(ConfigureCommand::Load);  // the file dialog was cancelled
    file = program / "missing.bin";
    run(ConfigureCommand::Load);
    EXPECT_FALSE(model.configurationChanged());
    EXPECT_EQ(boxes, std::vector<ProfileMessage>{ProfileMessage::ReadFailed});
    EXPECT_EQ(fs::file_size(program / "Configure" / "Profile_1.bin"), kProfileSavedSize);  // not overwritten
}

TEST_F(ConfigureModelTest, AnUnreadableProfileIsNotAppliedButTheCloseBoxStillCloses) {
    fs::remove(program / "Configure" / "Profile_1.bin");  // gone behind the window's back, still listed
    manager.select(0);
    live.lightEffect = 3;
    ConfigureView v = view();
    EXPECT_EQ(model.closeBox(v), ConfigureEnd::Cancel);
    EXPECT_EQ(boxes, std::vector<ProfileMessage>{ProfileMessage::ReadFailed});
    EXPECT_EQ(live.lightEffect, 3);
    EXPECT_EQ(shadow.lightEffect, 0);
}

}  // namespace
}  // namespace morvane
