// The key-assignment dialog's rules without a window: what it shows when it
// opens on a record, what captured keys, focus changes, tabs, rows and buttons
// do to the request, and what each page hands to the apply step.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/dialogs/key_map_model.h"
#include "base/lighting.h"
#include "keymap/apply_assignment.h"
#include "base/key_names.h"

namespace morvane {
namespace {

// Points of the skin.
constexpr int kTabX[4] = {40, 121, 202, 283};
constexpr int kTabY = 44;

AssignmentRecord recordOf(std::uint8_t kind, std::initializer_list<std::uint8_t> keys, std::uint8_t count = 0) {
    AssignmentRecord r;
    r.keyCode = 0x09;
    r.kind = kind;
    std::copy(keys.begin(), keys.end(), r.keys.begin());
    r.keyCount = count;
    return r;
}

class KeyMapModelTest : public ::testing::Test {
protected:
    void open(const AssignmentRecord& record, bool enabled = true, std::uint16_t language = kLanguageEnglish) {
        KeyMapContext c;
        c.currentVirtualKey = 0x09;
        c.record = record;
        c.keyEnabled = enabled;
        c.macros = macros;
        c.uiLanguage = language;
        m.initialise(c);
        m.setHookActive(true);
    }
    KeyMapOutcome click(int x, int y) {
        m.press(x, y);
        return m.release(x, y);
    }
    KeyMapOutcome tab(int page) { return click(kTabX[page], kTabY); }
    KeyMapOutcome save() { return click(284, 257); }
    KeyMapOutcome browse(int row) { return click(279, 75 + 30 * row); }
    KeyMapOutcome marker(int row) { return click(20, 76 + 30 * row); }
    TreeItem item(const char* text) const { return m.functionTree().find(text); }
    const AssignmentRequest& req() const { return m.request(); }
    // Whether the apply step takes what the dialog hands over.
    std::string refusal() const { return checkAssignment(req(), 41, macros, m.uiLanguage()); }

    KeyMapModel m;
    MacroTable macros{};
};

TEST_F(KeyMapModelTest, OpensOnThePageAndRowOfTheRecord) {
    open(recordOf(KindFunction, {0x1B, 0x2C, 0xE2, 0x00}));  // "Max"
    EXPECT_EQ(m.page(), PageBasic);
    EXPECT_EQ(m.functionTree().text(m.selectedFunction()), "Max");
    EXPECT_TRUE(m.functionTree().isExpanded(item("Windows")));
    EXPECT_FALSE(m.functionTree().isExpanded(item("Media")));

    for (int s = 0; s < 4; ++s) macros[s].setName(u"m" + std::u16string(1, char16_t(u'0' + s)));
    open(recordOf(KindMacro, {3, 0, 0, 4}));
    EXPECT_EQ(m.page(), PageMacro);
    EXPECT_EQ(m.macroNames().size(), 4u);
    EXPECT_EQ(m.selectedMacro(), 3);
    open(recordOf(KindMacro, {4, 0, 0, 4}));  // a slot no longer listed selects nothing
    EXPECT_EQ(m.selectedMacro(), -1);

    open(recordOf(KindSingle, {}), false);
    EXPECT_TRUE(m.disableTicked());
    EXPECT_EQ(req().keyEnabled, 0);
}

// The function list, and the name the record's entry gives in either language.
TEST_F(KeyMapModelTest, FunctionListFollowsTheTableInTheLanguageShown) {
    std::vector<std::string> top;
    const TreeModel en = buildFunctionTree(kLanguageEnglish);
    for (TreeItem i : en.children(kNoTreeItem)) top.push_back(en.text(i));
    EXPECT_EQ(top, (std::vector<std::string>{"Search", "Run", "Media", "Shortcut", "Windows"}));
    const TreeModel zh = buildFunctionTree(kLanguageChinese);
    EXPECT_NE(zh.find("快捷健"), kNoTreeItem);
    EXPECT_EQ(zh.parent(zh.find("浏览器-主页")), zh.find("Windows"));

    open(recordOf(KindFunction, {0x02, 0x23, 0x00, 0x03}), true, kLanguageChinese);
    EXPECT_EQ(req().functionName, u"浏览器-主页");
    // A record of another kind keeps the last function chosen.
    open(recordOf(KindSingle, {0x41}), true, kLanguageChinese);
    EXPECT_EQ(m.functionTree().text(m.selectedFunction()), "浏览器-主页");
}

// A box takes keys only while armed: one key for Single, up to three held
// together for Combine; then it stops waiting and keys are the dialog's again.
TEST_F(KeyMapModelTest, ArmedBoxesTakeOneKeyOrOneCombination) {
    open(recordOf(KindSingle, {0x41}, 1));
    EXPECT_EQ(m.singleText(), "A ");
    m.hookKey(0x42);  // not armed: the record stays
    EXPECT_EQ(m.singleText(), "A ");
    m.arm(KeyMapBox::Single);
    EXPECT_EQ(m.singleText(), "");
    EXPECT_EQ(m.boxPrompt(KeyMapBox::Single), "Press a key");
    m.hookKey(0xE8);  // no keyboard code: not captured, still waiting
    m.hookKey(0x09);  // Tab, as someone assigning Tab needs
    EXPECT_EQ(m.singleText(), "Tab ");
    EXPECT_FALSE(m.armedBox());
    m.hookKey(0x1B);
    EXPECT_EQ(req().selectedKeys[0], 0x09);

    m.arm(KeyMapBox::Combine);
    EXPECT_EQ(m.singleText(), "");
    EXPECT_EQ(m.boxPrompt(KeyMapBox::Combine), "Press a key");
    for (std::uint8_t vk : {0xA2, 0xA2, 0xA4}) m.hookKey(vk);  // a held key repeats
    m.hookKeyReleased(0xA4);
    EXPECT_FALSE(m.armedBox());
    m.hookKey(0x2E);
    EXPECT_EQ(m.combineText(), "LCtrl + LAlt ");
    m.arm(KeyMapBox::Combine);
    for (std::uint8_t vk : {0x41, 0x42, 0x43}) m.hookKey(vk);
    EXPECT_FALSE(m.armedBox());  // three is the most
    EXPECT_EQ(m.combineText(), "A + B + C ");
    save();
    EXPECT_EQ(req().kind, KindCombination);
    EXPECT_EQ(req().selectedCount, 3);

    // A click elsewhere in the dialog ends the wait.
    open(recordOf(KindSingle, {0x41}, 1));
    m.arm(KeyMapBox::Single);
    click(200, 150);
    m.hookKey(0x42);
    EXPECT_EQ(req().selectedKeys[0], 0);
    EXPECT_EQ(m.boxPrompt(KeyMapBox::Single), "Click here, then press a key");
}

TEST_F(KeyMapModelTest, TabsClearTheShownRecordAndTheCapture) {
    open(recordOf(KindCombination, {0xA2, 0xA4, 0x2E}, 3));
    tab(PageMacro);
    EXPECT_EQ(m.record().kind, KindCombination);  // only tabs 1 and 4 touch the record
    const KeyMapOutcome back = tab(PageSingleCombine);
    EXPECT_TRUE(back.focusSingle);
    EXPECT_TRUE(m.record().isCleared());
    EXPECT_EQ(m.combineText(), "");
    m.arm(KeyMapBox::Single);
    m.hookKey(0x51);  // one key, not one joined to the old combination
    save();
    EXPECT_EQ(req().kind, KindSingle);
    EXPECT_EQ(req().selectedCount, 1);
    EXPECT_EQ(refusal(), "");

    open(recordOf(KindCombination, {0xA2, 0xA4}, 2));
    tab(PageAdvance);
    EXPECT_EQ(m.record().kind, KindAdvancePending);
    EXPECT_EQ(m.record().keys[0], 0);
    EXPECT_EQ(m.record().keyCount, 2);
    EXPECT_FALSE(tab(PageAdvance).focusSingle);
}

TEST_F(KeyMapModelTest, SaveHandsOverWhatEachPageChose) {
    open(recordOf(KindSingle, {}));
    click(24, 255);  // Disable
    EXPECT_EQ(save().close, KeyMapClose::Ok);
    EXPECT_EQ(req().kind, KindNone);
    EXPECT_EQ(req().keyEnabled, 0);

    macros[0].setName(u"one");
    open(recordOf(KindSingle, {}));
    click(24, 255);
    tab(PageMacro);
    save();
    EXPECT_EQ(req().kind, KindNone);
    EXPECT_EQ(req().keyEnabled, 1);  // no macro: the key stays on
    m.selectMacro(0);
    save();
    EXPECT_EQ(req().kind, KindMacro);
    EXPECT_EQ(req().macroNumber, 0);
    EXPECT_EQ(req().keyEnabled, 0);

    open(recordOf(KindSingle, {}));
    tab(PageBasic);
    EXPECT_EQ(m.functionTree().text(m.selectedFunction()), "Search");
    m.selectFunction(item("Shortcut"));
    KeyMapOutcome o = save();
    EXPECT_EQ(o.close, KeyMapClose::None);
    EXPECT_EQ(o.message, "Please select Sub item");
    m.selectFunction(kNoTreeItem);
    EXPECT_EQ(save().close, KeyMapClose::None);
    m.selectFunction(item("Homepage"));
    EXPECT_EQ(save().close, KeyMapClose::Ok);
    EXPECT_EQ(req().kind, KindFunction);
    EXPECT_EQ(req().functionName, u"Homepage");
    EXPECT_EQ(refusal(), "");
}

TEST_F(KeyMapModelTest, AdvanceRowsTakeAPickedPathOrNothing) {
    open(recordOf(KindSingle, {}));
    tab(PageAdvance);
    save();
    EXPECT_EQ(req().kind, KindNone);

    open(recordOf(KindSingle, {}));
    tab(PageAdvance);
    EXPECT_EQ(browse(2).pickRow, 2);
    m.pathPicked(2, std::nullopt);  // cancelled
    EXPECT_EQ(m.advanceRow(), kNoAdvanceRow);
    EXPECT_EQ(m.pathPicked(3, u"").message, "Please select a folder\n");
    EXPECT_EQ(m.advanceRow(), kNoAdvanceRow);
    EXPECT_FALSE(m.pathPicked(0, std::u16string(256, u'x')).message.empty());
    EXPECT_TRUE(req().launchPath.empty());

    m.pathPicked(0, u"/music/win.mp3");
    EXPECT_EQ(m.advanceRow(), 0);
    EXPECT_EQ(m.markedRow(), 0);
    EXPECT_EQ(m.lastPickedFolder(), u"/music");
    save();
    EXPECT_EQ(req().kind, KindPlaySound);
    EXPECT_EQ(refusal(), "");

    // A marker alone empties the path: no launch is handed over.
    marker(3);
    EXPECT_EQ(m.markedRow(), 12);
    EXPECT_EQ(m.advanceRow(), 3);
    save();
    EXPECT_EQ(req().kind, KindNone);
    EXPECT_EQ(refusal(), "");
}

TEST_F(KeyMapModelTest, DefaultCancelAndCloseEndTheDialog) {
    for (int page = 0; page < 4; ++page) {
        open(recordOf(KindSingle, {0x41}, 1));
        tab(page);
        EXPECT_EQ(click(176, 257).close, KeyMapClose::Ok);
        EXPECT_EQ(req().selectedCount, AssignmentRequest::kRestoreDefault);
    }
    open(recordOf(KindSingle, {0x41}, 1));
    EXPECT_EQ(click(230, 257).close, KeyMapClose::Cancel);
    EXPECT_EQ(req().selectedCount, 0);
    EXPECT_EQ(req().selectedKeys[0], 0);
    EXPECT_EQ(click(310, 10).close, KeyMapClose::Cancel);
}

TEST_F(KeyMapModelTest, HitTestsAndDragging) {
    EXPECT_EQ(m.buttonAt(15, 247), keymap_buttons::Disable);  // widened by 5
    EXPECT_EQ(m.buttonAt(40, 33), keymap_buttons::Tab0);      // the tabs before the rail
    EXPECT_EQ(m.buttonAt(100, 30), keymap_buttons::Rail);
    EXPECT_EQ(m.buttonAt(150, 150), -1);
    EXPECT_EQ(KeyMapModel::advanceCellAt(78, 75), -1);

    open(recordOf(KindSingle, {}));
    m.press(150, 150);
    EXPECT_TRUE(m.move(160, 160, true).startDrag);
    EXPECT_EQ(m.release(284, 257).close, KeyMapClose::None);  // the end of a drag is no click
    m.press(284, 257);
    EXPECT_FALSE(m.move(150, 150, true).startDrag);
}

TEST_F(KeyMapModelTest, ComposesTheSkinOfEachPage) {
    auto has = [&](const DrawOp& wanted) {
        DrawList list;
        m.compose(list);
        return std::find(list.ops().begin(), list.ops().end(), wanted) != list.ops().end();
    };

    open(recordOf(KindSingle, {}), false, kLanguageChinese);
    EXPECT_EQ(m.titleText(), "当前按键: Tab ");
    EXPECT_TRUE(has(DrawText{"取消", 210, 248, 14, 300, kWhite, 41}));  // centred in its button
    EXPECT_TRUE(has(DrawText{"宏", 115, 39, 14, 300, Colour{192, 192, 192}}));
    EXPECT_TRUE(has(DrawPicture{"Enable.png", 19, 251}));
    EXPECT_TRUE(has(DrawPicture{"cursor.png", 35, 30}));

    open(recordOf(KindSingle, {}));
    tab(PageAdvance);
    m.pathPicked(1, u"/home/player/games/launcher.exe");
    m.move(279, 135, false);  // over the browse button of row 2
    EXPECT_TRUE(has(DrawPicture{"enable.png", 15, 102}));
    EXPECT_TRUE(has(DrawPicture{"disable.png", 15, 72}));
    EXPECT_TRUE(has(DrawPicture{"view02.png", 256, 128}));
    EXPECT_TRUE(has(DrawText{"../launcher.exe", 87, 99, 14, 300, kWhite}));  // too long for the box
    EXPECT_EQ(m.pathTipAt(150, 105), "/home/player/games/launcher.exe");  // the tip holds it whole
    EXPECT_EQ(m.pathTipAt(150, 75), "");  // another row's box
}

TEST(KeyMapTexts, LongPathsShowTheirLastPart) {
    // What the box has room for is shown whole; only longer paths are cut.
    EXPECT_EQ(shownLaunchPath(u"C:\\a\\b.mp3"), "C:\\a\\b.mp3");
    EXPECT_EQ(shownLaunchPath(u"C:\\Music\\song.mp3"), "C:\\Music\\song.mp3");
    EXPECT_EQ(shownLaunchPath(u"C:\\Users\\player\\Music\\song.mp3"), "..\\song.mp3");
    EXPECT_EQ(shownLaunchPath(u"C:\\Users\\player\\Music\\Albums\\"), "..\\Albums\\");  // not the trailing separator
    EXPECT_EQ(shownLaunchPath(u"abcdefghijklmnopqrstuvwxyz"), "..pqrstuvwxyz");
    EXPECT_EQ(shownLaunchPath(u"/x/a-very-long-file-name-indeed.mp3"), "..g-file-name-indeed.mp3");
    EXPECT_EQ(pathPickerFor(1).filter, "exe Files(*.exe)");
    // The specified filter stays first; each picker adds what fits the platform.
    EXPECT_EQ(pathPickerFor(0).moreFilters, std::vector<std::string>{"All files (*)"});
    EXPECT_EQ(pathPickerFor(2, kLanguageChinese).moreFilters, std::vector<std::string>{"所有文件 (*)"});
#ifndef _WIN32
    const PathPicker programs = pathPickerFor(1);
    EXPECT_EQ(programs.moreFilters, std::vector<std::string>{"Programs (*)"});
    EXPECT_EQ(programs.selectedFilter, 1);
    EXPECT_TRUE(programs.executablesFilter);
    EXPECT_TRUE(programs.defaultSuffix.empty()) << "a program named without \".exe\" keeps its name";
#endif
    EXPECT_TRUE(pathPickerFor(3).folder);
}

}  // namespace
}  // namespace morvane
