// The macro store file, packing for the keyboard, and the rows a macro's
// events are shown as.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "macro/macro_rows.h"
#include "temp_folder.h"

namespace morvane {
namespace {

MacroEvent ev(std::uint8_t code, std::uint8_t action, std::uint16_t delay) {
    MacroEvent e{code, action, {}};
    e.setDelay(delay);
    return e;
}

// Fills a slot as the recorder would: display codes and their device twins.
void fill(MacroSlot& slot, std::initializer_list<MacroEvent> shown) {
    int i = 0;
    for (const MacroEvent& e : shown) {
        slot.displayEvents[i] = e;
        slot.deviceEvents[i++] = deviceEventOf(e);
    }
}

TEST(MacroStoreFile, MissingFileIsCreatedAndAShortFileFillsThePrefix) {
    test::TempFolder folder;
    auto table = std::make_unique<MacroTable>();
    ASSERT_TRUE(LoadMacroStore(folder.path(), *table));
    EXPECT_EQ(std::filesystem::file_size(folder / "MacroDefine.bin"), 7680u);
    EXPECT_EQ(*table, MacroTable{});

    std::string bytes(100, '\x41');
    std::ofstream(folder / "MacroDefine.bin", std::ios::binary | std::ios::trunc) << bytes;
    ASSERT_TRUE(LoadMacroStore(folder.path(), *table));
    EXPECT_EQ((*table)[0].name[49], 0x4141);
    EXPECT_EQ((*table)[0].name[50], 0);
    EXPECT_EQ(std::filesystem::file_size(folder / "MacroDefine.bin"), 100u);  // read, not rewritten
}

TEST(MacroStoreFile, AStoreThatIsThereButCannotBeReadIsNotReplaced) {
    test::TempFolder folder;
    auto table = std::make_unique<MacroTable>();
    (*table)[0].setName(u"old");
    std::filesystem::create_directory(folder / "MacroDefine.bin");
    EXPECT_FALSE(LoadMacroStore(folder.path(), *table));
    EXPECT_EQ(*table, MacroTable{});
    EXPECT_TRUE(std::filesystem::is_directory(folder / "MacroDefine.bin"));
#ifndef _WIN32
    // A link to a store on a drive that is not there stays a link.
    std::filesystem::remove(folder / "MacroDefine.bin");
    std::filesystem::create_symlink(folder / "offline" / "MacroDefine.bin", folder / "MacroDefine.bin");
    EXPECT_FALSE(LoadMacroStore(folder.path(), *table));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "MacroDefine.bin"));
#endif
}

TEST(MacroPacking, NamedSlotsUpToTheFirstFreeOne) {
    auto table = std::make_unique<MacroTable>();
    (*table)[0].setName(u"a");
    (*table)[0].loopCount = 300;
    fill((*table)[0], {ev(0x41, kActionPress, 1), ev(0x41, kActionRelease, 120)});
    (*table)[1].setName(u"b");
    (*table)[3].setName(u"beyond the gap");
    DeviceImage image;
    for (auto& block : image.macroBlocks) block.fill(0xEE);
    PackMacroBlocks(*table, image);
    const std::array<std::uint8_t, 12> block0 = {0x2C, 0x01, 0, 0, 0x04, 0x00, 0x01, 0x00, 0x04, 0x80, 120, 0};
    EXPECT_TRUE(std::equal(block0.begin(), block0.end(), image.macroBlocks[0].begin()));
    EXPECT_EQ(image.macroBlocks[0][12], 0);
    EXPECT_EQ(image.macroBlocks[1][0], 0);
    for (int k = 2; k < 5; ++k) EXPECT_EQ(image.macroBlocks[k][0], 0xEE) << k;
}

TEST(MacroRows, RowsAndTheirEvents) {
    MacroSlot slot;
    fill(slot, {ev(0x41, kActionPress, 1), ev(0x41, kActionRelease, 120)});
    EXPECT_EQ(MacroRows(slot), (std::vector<std::string>{"A  dn", "120 ms", "A  up"}));
    EXPECT_EQ(EventOfRow(slot, 1), 0);
    EXPECT_EQ(EventOfRow(slot, 2), 1);
    EXPECT_EQ(EventOfRow(slot, 3), 1);
    EXPECT_EQ(EventOfRow(slot, 4), 2);

    // The first press never shows its delay; a first release does; a 0 ms
    // delay is shown; mouse buttons and names without a trailing blank.
    MacroSlot other;
    fill(other, {ev(0x30, kActionPress, 500), ev(kMouseLeft, kActionPress, 0), ev(0xB3, kActionRelease, 1)});
    EXPECT_EQ(MacroRows(other), (std::vector<std::string>{"0 dn", "0 ms", "MsLB dn", "Play/Pause up"}));
    MacroSlot third;
    fill(third, {ev(0xA2, kActionRelease, 40)});
    EXPECT_EQ(MacroRows(third), (std::vector<std::string>{"40 ms", "LCtrl  up"}));
}

TEST(MacroRows, InsertionKeepsEveryLaterEvent) {
    MacroEvents device{}, display{};
    ASSERT_TRUE(insertMacroEvent(device, display, 0, ev(0x41, kActionPress, 1)));
    ASSERT_TRUE(insertMacroEvent(device, display, 1, ev(0x41, kActionRelease, 1)));
    // A key the keyboard has no code for, pressed with no delay, would be the
    // end marker on the keyboard and hide the release after it.
    EXPECT_FALSE(insertMacroEvent(device, display, 0, ev(0x00, 0, 0)));
    EXPECT_EQ(sequenceLength(device), 2);
    EXPECT_EQ(display[0].code, 0x41);
    EXPECT_FALSE(insertMacroEvent(device, display, 3, ev(0x42, kActionPress, 1))) << "past the end";
}

}  // namespace
}  // namespace morvane
