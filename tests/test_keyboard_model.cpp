// The keyboard models: the USB ids find their model, and the files each model
// names beside the program.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>

#include "base/keyboard_model.h"
#include "device/firmware_version.h"
#include "temp_folder.h"

namespace morvane {
namespace {

TEST(KeyboardModels, OnlyTheirOwnIdsFindTheBoards) {
    EXPECT_EQ(keyboardModelOfProduct(0x04D9, 0xA2A0), KeyboardModel::FullSize);
    EXPECT_EQ(keyboardModelOfProduct(0x04D9, 0xA247), KeyboardModel::Tenkeyless);
    EXPECT_EQ(keyboardModelOfProduct(0x04D9, 0x1702), KeyboardModel::None);  // our vendor, other product
    EXPECT_EQ(keyboardModelOfProduct(0x1234, 0xA2A0), KeyboardModel::None);  // other vendor, our product
    EXPECT_EQ(keyboardModelOfProduct(0, 0), KeyboardModel::None);            // None's empty ids name no board
    for (const KeyboardModel model : kKeyboardModels) {
        const KeyboardModelInfo& info = keyboardModelInfo(model);
        EXPECT_EQ(info.model, model);
        EXPECT_EQ(keyboardModelOfProduct(info.vendorId, info.productId), model) << info.name;
    }
    EXPECT_STREQ(keyboardModelInfo(KeyboardModel::None).name, "none");
}

TEST(KeyboardModels, EachBoardHasItsOwnPicturesAndUpdater) {
    std::set<std::string> files;
    for (const KeyboardModel model : kKeyboardModels) {
        const KeyboardModelInfo& info = keyboardModelInfo(model);
        for (const char* file : {info.boardPicture, info.highlightPicture, info.versionFile, info.updater}) {
            EXPECT_STRNE(file, "") << info.name;
            EXPECT_TRUE(files.insert(file).second) << file << " named twice";
        }
    }
}

TEST(KeyboardModels, WithoutAKeyboardTheFullSizeUpdaterStartsAndNoVersionIsRead) {
    test::TempFolder folder;
    for (const char* file : {"VER.bin", "VER87.bin"}) std::ofstream(folder / file) << "VER::3.1.....x";
    EXPECT_EQ(readUpdaterVersion(folder.path(), KeyboardModel::FullSize), (FirmwareVersion{3, 1}));
    EXPECT_EQ(readUpdaterVersion(folder.path(), KeyboardModel::None), (FirmwareVersion{0, 0}));
    EXPECT_EQ(updaterProgram(folder.path(), KeyboardModel::None), folder / "Morvane_Update.exe");
    EXPECT_EQ(updaterProgram(folder.path(), KeyboardModel::Tenkeyless), folder / "Morvane87_Update.exe");
}

}  // namespace
}  // namespace morvane
