// Rules of the skinned controls, without a window: the list box and its
// in-place edit, the tree, the slider, the bitmap button and the splash.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/bit_wnd_model.h"
#include "controls/list_box_model.h"
#include "controls/slider_model.h"
#include "controls/splash_model.h"
#include "controls/vivid_tree_model.h"

using namespace morvane;

namespace {

// The rows of a macro: press A, 120 ms, release A, 1200 ms, press B.
ListBoxModel eventsList() {
    ListBoxModel list;
    list.setEditMode(ListEditMode::DelayOnly);
    for (const char* row : {"A  dn", "120 ms", "A  up", "1200 ms", "B  dn"}) list.addRow(row);
    return list;
}

ListBoxModel namesList(ListEditMode mode, bool sorted, std::vector<std::string> rows) {
    ListBoxModel list(sorted);
    list.setEditMode(mode);
    for (auto& r : rows) list.addRow(r, static_cast<std::intptr_t>(r.size()));
    return list;
}

std::vector<std::string> texts(const ListBoxModel& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.count(); ++i) out.push_back(list.text(i));
    return out;
}

}  // namespace

// --- list box: delay edits ------------------------------------------------------------

TEST(ListBoxDelayEdit, OnlyTheSelectedDelayRowOpensAndShowsItsNumber) {
    ListBoxModel list = eventsList();
    list.select(0);
    EXPECT_FALSE(list.doubleClick(0)) << "a key row is never edited";
    list.select(2);
    EXPECT_FALSE(list.doubleClick(2));
    list.select(3);
    EXPECT_FALSE(list.doubleClick(1)) << "the point must lie on the selected row";
    const auto text = list.doubleClick(3);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "1200");
    EXPECT_EQ(list.editingRow(), 3);
    EXPECT_FALSE(list.beginEdit(1)) << "one edit at a time";
}

TEST(ListBoxDelayEdit, CommitClampsTheValueAndLeavesTheRowToTheOwner) {
    struct Case { const char* typed; int sent; };
    for (const Case c : {Case{"1", 2}, Case{"0", 2}, Case{"2", 2}, Case{"75000", 60000}, Case{"60000", 60000},
                         Case{"99999999999999999999", 60000}, Case{"0450", 450}}) {
        SCOPED_TRACE(c.typed);
        ListBoxModel list = eventsList();
        ASSERT_TRUE(list.beginEdit(1));
        const EditEnd end = list.endEdit(true, c.typed);
        EXPECT_EQ(end.kind, EditEnd::Kind::DelayEntered);
        EXPECT_TRUE(end.notify);
        EXPECT_EQ(end.first, 1);
        EXPECT_EQ(end.second, c.sent);
        EXPECT_EQ(list.text(1), "120 ms");
        EXPECT_FALSE(list.editing());
    }
    ListBoxModel list = eventsList();
    for (bool commit : {false, true}) {  // Escape, and Enter on an emptied edit
        ASSERT_TRUE(list.beginEdit(1));
        const EditEnd end = list.endEdit(commit, commit ? "" : "500");
        EXPECT_EQ(end.kind, EditEnd::Kind::Cancelled);
        EXPECT_FALSE(end.notify);
    }
}

TEST(ListBoxRowLook, DelayListShowsIconsAndDropsOnlyTheMarker) {
    struct Case { const char* row; const char* shown; RowIcon icon; };
    const Case cases[] = {
        {"A  dn", "A  ", RowIcon::Press},
        {"A  up", "A  ", RowIcon::Release},
        {"1200 ms", "1200 ms", RowIcon::Delay},
        // A name holding the marker's letters keeps them.
        {"Backup  dn", "Backup  ", RowIcon::Press},
        {"Sdn  up", "Sdn  ", RowIcon::Release},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        const RowLook look = rowLook(ListEditMode::DelayOnly, c.row);
        EXPECT_EQ(look.text, c.shown);
        EXPECT_EQ(look.icon, c.icon);
    }
    for (ListEditMode mode : {ListEditMode::AnyText, ListEditMode::Rename}) {
        const RowLook look = rowLook(mode, "A  dn");
        EXPECT_EQ(look.text, "A  dn");
        EXPECT_EQ(look.icon, RowIcon::None);
    }
}

// --- list box: text edits -----------------------------------------------------------------

TEST(ListBoxTextEdit, OnlyAChangedNonBlankTextReplacesTheRowInPlace) {
    for (const char* typed : {"Macro_002", "", "   "}) {
        SCOPED_TRACE(std::string("typed '") + typed + "'");
        ListBoxModel list = namesList(ListEditMode::AnyText, false, {"Macro_001", "Macro_002"});
        list.select(1);
        ASSERT_EQ(list.doubleClick(1), std::optional<std::string>("Macro_002"));
        const EditEnd end = list.endEdit(true, typed);
        EXPECT_EQ(end.kind, EditEnd::Kind::Cancelled);
        EXPECT_FALSE(end.notify);
        EXPECT_EQ(texts(list), (std::vector<std::string>{"Macro_001", "Macro_002"}));
    }
    ListBoxModel list = namesList(ListEditMode::AnyText, false, {"Macro_001", "Macro_002", "Macro_003"});
    const auto data = list.data(1);
    ASSERT_TRUE(list.beginEdit(1));
    const EditEnd end = list.endEdit(true, "Attack");
    EXPECT_TRUE(end.notify);
    EXPECT_EQ(end.first, 1);
    EXPECT_EQ(end.second, 1);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"Macro_001", "Attack", "Macro_003"}));
    EXPECT_EQ(list.data(1), data);
    EXPECT_EQ(list.selected(), 1);
}

TEST(ListBoxTextEdit, RenameInSortedListMovesTheRowAndReportsBothIndices) {
    ListBoxModel list = namesList(ListEditMode::Rename, true, {"Profile_2", "Profile_1", "work"});
    EXPECT_EQ(texts(list), (std::vector<std::string>{"Profile_1", "Profile_2", "work"}));
    list.select(2);
    ASSERT_TRUE(list.doubleClick(2));
    const EditEnd end = list.endEdit(true, "Arena");
    EXPECT_EQ(end.first, 2);
    EXPECT_EQ(end.second, 0);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"Arena", "Profile_1", "Profile_2"}));
    EXPECT_EQ(list.selected(), 0);
    EXPECT_EQ(list.previousEditedRow(), 2);
}

TEST(ListBoxTextEdit, EditTextIsCutTo255Utf16UnitsWithoutSplittingACharacter) {
    ListBoxModel list = namesList(ListEditMode::Rename, false, {"x"});
    ASSERT_TRUE(list.beginEdit(0));
    list.endEdit(true, std::string(300, 'a'));
    EXPECT_EQ(list.text(0), std::string(255, 'a'));

    // 254 ASCII units, then a character outside the basic plane (two units):
    // it does not fit and must not be cut in half.
    const std::string emoji = "\xF0\x9F\x8E\xAE";
    ASSERT_TRUE(list.beginEdit(0));
    list.endEdit(true, std::string(254, 'b') + emoji);
    EXPECT_EQ(list.text(0), std::string(254, 'b'));

    const std::string han = "\xE9\x85\x8D";  // one unit, three bytes
    std::string chinese;
    for (int i = 0; i < 300; ++i) chinese += han;
    ASSERT_TRUE(list.beginEdit(0));
    list.endEdit(true, chinese);
    EXPECT_EQ(utf16Length(list.text(0)), 255);
    EXPECT_EQ(list.text(0).size(), 255u * 3);
}

// --- list box: rows, selection, scrolling --------------------------------------------------

TEST(ListBoxRows, SortedAddIgnoresCaseAndIndicesFollowTheirRows) {
    ListBoxModel list(true);
    for (const char* r : {"beta", "Alpha", "gamma", "alpha"}) list.addRow(r);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"Alpha", "alpha", "beta", "gamma"}));
    EXPECT_EQ(list.insertRow(0, "zulu"), 0) << "inserting ignores the sort";

    list.select(3);  // "beta"
    list.insertRow(1, "new");
    EXPECT_EQ(list.text(list.selected()), "beta");
    list.removeRow(0);
    EXPECT_EQ(list.text(list.selected()), "beta");
    list.removeRow(list.selected());
    EXPECT_EQ(list.selected(), -1);
    EXPECT_FALSE(list.removeRow(99));
}

TEST(ListBoxRows, RemovingTheEditedRowEndsTheEdit) {
    ListBoxModel list = namesList(ListEditMode::AnyText, false, {"a", "b", "c"});
    ASSERT_TRUE(list.beginEdit(2));
    list.removeRow(0);
    EXPECT_EQ(list.editingRow(), 1) << "the edit follows its row";
    list.removeRow(1);
    EXPECT_FALSE(list.editing());
    EXPECT_EQ(list.endEdit(true, "zzz").kind, EditEnd::Kind::NoEdit);
    EXPECT_EQ(texts(list), (std::vector<std::string>{"b"}));
}

TEST(ListBoxRows, ScrollingAndKeysKeepTheSelectionInView) {
    ListBoxModel list;
    for (int i = 0; i < 10; ++i) list.addRow("row " + std::to_string(i));
    list.setVisibleRows(4);
    EXPECT_EQ(list.maxTop(), 6);
    EXPECT_TRUE(list.setTop(50));
    EXPECT_EQ(list.top(), 6);
    EXPECT_EQ(list.rowAt(0, 16), 6);
    EXPECT_EQ(list.rowAt(3 * 16 + 15, 16), 9);
    EXPECT_EQ(list.rowAt(4 * 16, 16), -1) << "below the last row";

    list.setTop(0);
    EXPECT_TRUE(list.key(ListKey::Down)) << "Down with nothing selected selects the first row";
    EXPECT_FALSE(list.key(ListKey::Up));
    EXPECT_TRUE(list.key(ListKey::End));
    EXPECT_EQ(list.selected(), 9);
    EXPECT_EQ(list.top(), 6);
    EXPECT_FALSE(list.click(-1)) << "a click below the rows keeps the selection";
    EXPECT_EQ(list.selected(), 9);

    for (int i = 0; i < 8; ++i) list.removeRow(0);
    EXPECT_EQ(list.top(), 0) << "the top row follows a shrinking list";
}

// --- tree ---------------------------------------------------------------------------------

namespace {

struct FunctionTree {
    TreeModel tree;
    TreeItem search, run, media, play, mute, windows, max, min;
    FunctionTree() {
        search = tree.insertItem("Search");
        run = tree.insertItem("Run");
        media = tree.insertItem("Media");
        play = tree.insertItem("Play", media);
        mute = tree.insertItem("Mute", media);
        windows = tree.insertItem("Windows");
        max = tree.insertItem("Max", windows);
        min = tree.insertItem("Min", windows);
        tree.setVisibleRows(20);
    }
    std::vector<std::string> rows() const {
        std::vector<std::string> out;
        for (TreeItem i : tree.visibleItems()) out.push_back(tree.text(i));
        return out;
    }
    // A point on the middle of row `row` at x, rows 20 pixels high.
    static int y(int row) { return row * 20 + 10; }
};

}  // namespace

TEST(TreeModelRules, SelectingAHiddenItemOpensItsParentsAndFindLooksEverywhere) {
    FunctionTree f;
    EXPECT_EQ(f.rows(), (std::vector<std::string>{"Search", "Run", "Media", "Windows"}));
    EXPECT_EQ(f.tree.find("Max"), f.max) << "collapsed items are found too";
    const TreeChange c = f.tree.select(f.max);
    EXPECT_TRUE(c.selection);
    EXPECT_TRUE(c.expansion);
    EXPECT_TRUE(f.tree.isExpanded(f.windows));
    EXPECT_FALSE(f.tree.isExpanded(f.media));
    EXPECT_EQ(f.rows(), (std::vector<std::string>{"Search", "Run", "Media", "Windows", "Max", "Min"}));
    EXPECT_EQ(f.tree.level(f.max), 1);
    EXPECT_GT(f.tree.textLeft(f.max), f.tree.textLeft(f.windows));
}

TEST(TreeModelRules, ClosingAnItemTakesTheSelectionOutOfIt) {
    FunctionTree f;
    f.tree.select(f.mute);
    const TreeChange c = f.tree.setExpanded(f.media, false);
    EXPECT_TRUE(c.expansion);
    EXPECT_TRUE(c.selection);
    EXPECT_EQ(f.tree.selected(), f.media);
    EXPECT_FALSE(f.tree.setExpanded(f.search, true).any()) << "a leaf has nothing to open";
}

TEST(TreeModelRules, PressesAndDoubleClicks) {
    FunctionTree f;
    const int button = f.tree.iconLeft(f.media) + kTreeIconSize / 2;
    const int text = f.tree.textLeft(f.media) + 10;

    TreeChange c = f.tree.press(button, FunctionTree::y(2), 20);
    EXPECT_TRUE(c.expansion);
    EXPECT_FALSE(c.selection) << "the button opens without selecting";
    EXPECT_TRUE(f.tree.isExpanded(f.media));

    c = f.tree.press(text, FunctionTree::y(3), 20);  // "Play"
    EXPECT_TRUE(c.selection);
    EXPECT_EQ(f.tree.selected(), f.play);
    EXPECT_FALSE(f.tree.press(text, FunctionTree::y(40), 20).any()) << "below the rows";

    c = f.tree.doubleClick(text, FunctionTree::y(5), 20);  // "Windows"
    EXPECT_TRUE(c.expansion);
    EXPECT_EQ(f.tree.selected(), f.windows);
    EXPECT_TRUE(f.tree.isExpanded(f.windows));
    c = f.tree.doubleClick(text, FunctionTree::y(6), 20);  // "Max", a leaf
    EXPECT_FALSE(c.expansion);
    EXPECT_EQ(f.tree.selected(), f.max);
}

TEST(TreeModelRules, TextStaysReadableOnEveryBackground) {
    EXPECT_EQ(treeTextColour(TreeBackground::Solid, kTreeGradientStart, kTreeGradientEnd), kTreeLightText);
    EXPECT_EQ(treeTextColour(TreeBackground::Gradient, kTreeGradientStart, kTreeGradientEnd), kTreeDarkText)
        << "white on the default white gradient could not be read";
    EXPECT_EQ(treeTextColour(TreeBackground::Gradient, 0x202020, 0x400000), kTreeLightText);
}

// --- slider ---------------------------------------------------------------------------------

TEST(SliderRules, ThumbRunsFromTheLeftEdgeToTheRightEdge) {
    SliderModel s;
    s.setSize(kSliderWidth, kSliderHeight);
    s.setRange(0, 4);
    const int speed[] = {0, 51, 103, 154, 205};
    for (int p = 0; p <= 4; ++p) {
        s.setPosition(p);
        EXPECT_EQ(s.thumbOffset(), (SliderPoint{speed[p], 1})) << "position " << p;
    }
    s.setRange(0, 3);
    const int rate[] = {0, 68, 137, 205};
    for (int p = 0; p <= 3; ++p) {
        s.setPosition(p);
        EXPECT_EQ(s.thumbOffset().x, rate[p]) << "position " << p;
    }
}

TEST(SliderRules, PointerPicksTheNearestStepWithinTheRange) {
    SliderModel s;
    s.setRange(0, 4);
    for (int p = 0; p <= 4; ++p) {
        s.setPosition(p);
        const int centre = s.thumbOffset().x + kThumbWidth / 2;
        EXPECT_EQ(s.positionAt(centre), p) << "a press on the thumb keeps its position";
    }
    const int step = s.channelWidth() / 4;
    EXPECT_EQ(s.positionAt(s.channelLeft() + step / 2 - 2), 0);
    EXPECT_EQ(s.positionAt(s.channelLeft() + step / 2 + 2), 1);
    EXPECT_EQ(s.positionAt(-50), 0);
    EXPECT_EQ(s.positionAt(5000), 4);

    s.setRange(10, 14);
    EXPECT_EQ(s.positionAt(0), 10) << "a range not starting at 0";
    EXPECT_EQ(s.positionAt(kSliderWidth), 14);
    s.setRange(3, 1);
    EXPECT_EQ(s.minimum(), 1);
    EXPECT_EQ(s.maximum(), 3);
    EXPECT_EQ(s.position(), 3) << "the position stays inside a new range";
}

TEST(SliderRules, DragFollowsThePointerOnlyWhileHeld) {
    SliderModel s;
    s.setRange(0, 3);
    EXPECT_FALSE(s.drag(kSliderWidth)) << "no press, no drag";
    EXPECT_TRUE(s.press(kSliderWidth - 1));
    EXPECT_EQ(s.position(), 3);
    EXPECT_TRUE(s.drag(s.channelLeft() + s.channelWidth() / 3));
    EXPECT_EQ(s.position(), 1);
    EXPECT_FALSE(s.drag(s.channelLeft() + s.channelWidth() / 3 + 3)) << "same step, no change";
    s.release();
    EXPECT_FALSE(s.drag(0));
    EXPECT_EQ(s.position(), 1);
}

TEST(SliderRules, DegenerateSizesAndRangesStaySafe) {
    SliderModel s;
    s.setSize(10, 5);  // narrower than the thumb
    s.setRange(0, 4);
    EXPECT_EQ(s.positionAt(7), 0);
    EXPECT_EQ(s.thumbOffset(), (SliderPoint{0, 0}));
    s.setSize(kSliderWidth, kSliderHeight);
    s.setRange(2, 2);
    EXPECT_EQ(s.position(), 2);
    EXPECT_EQ(s.thumbOffset().x, 0);
    EXPECT_EQ(s.positionAt(100), 2);
}

// --- bitmap button ------------------------------------------------------------------------------

TEST(BitButtonRules, StripsAreCutAlongTheirLongSide) {
    const StripLayout across = stripLayout(60, 20, 20);
    EXPECT_TRUE(across.across);
    EXPECT_EQ(across.frameCount, 3);
    EXPECT_EQ(across.frameX(2), 40);
    const StripLayout down = stripLayout(15, 42, 14);
    EXPECT_FALSE(down.across);
    EXPECT_EQ(down.frameCount, 3);
    EXPECT_EQ(down.frameY(1), 14);
    EXPECT_EQ(stripLayout(15, 14, 0).frameCount, 1);
    EXPECT_EQ(stripLayout(15, 14, 99).frameCount, 1) << "a frame larger than the strip is the whole strip";
    EXPECT_EQ(stripLayout(0, 0, 0).frameCount, 0);
}

TEST(BitButtonRules, FramesFollowThePointerAndAClickNeedsPressAndReleaseOnTheButton) {
    BitButtonModel b;
    b.setFrameCount(3);
    b.hover();
    EXPECT_EQ(b.frame(), kFrameOver);
    EXPECT_FALSE(b.press());
    EXPECT_EQ(b.frame(), kFramePressed);
    EXPECT_TRUE(b.release(true));
    EXPECT_EQ(b.frame(), kFrameOver);
    b.leave();
    EXPECT_EQ(b.frame(), kFrameNormal);

    b.press();
    EXPECT_FALSE(b.release(false)) << "dragged off before the release";
    EXPECT_EQ(b.frame(), kFrameNormal);
    EXPECT_FALSE(b.release(true)) << "a release without a press";

    b.notifyOnPress = true;
    EXPECT_TRUE(b.press());
    EXPECT_FALSE(b.release(true));
}

TEST(BitButtonRules, ToggleLatchesAndShortStripsNeverShowAMissingFrame) {
    BitButtonModel b;
    b.setFrameCount(3);
    b.toggle = true;
    b.press();
    EXPECT_TRUE(b.latched());
    b.release(true);
    EXPECT_EQ(b.frame(), kFramePressed);
    b.leave();
    EXPECT_EQ(b.frame(), kFramePressed);
    b.press();
    EXPECT_FALSE(b.latched());
    EXPECT_EQ(b.frame(), kFrameNormal);

    BitButtonModel one;
    one.setFrameCount(1);
    one.setLatched(true);
    one.hover();
    EXPECT_EQ(one.frame(), 0) << "a one-frame strip has only frame 0";
}

// --- splash ------------------------------------------------------------------------------------

TEST(SplashRules, PictureFolderFollowsTheLanguage) {
    EXPECT_EQ(skinFolder("/opt/morvane", 4), "/opt/morvane/png/chinese/");
    EXPECT_EQ(skinFolder("/opt/morvane/", 9), "/opt/morvane/png/english/");
    EXPECT_EQ(skinFolder("/opt/morvane/", 0), "/opt/morvane/png/english/") << "anything but Chinese is English";
    EXPECT_EQ(kSplashShowMs, 1040);
}
