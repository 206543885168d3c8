// The rules of the skinned tree: its items, which are expanded, which is
// selected, which rows show, and what a click, a double-click or a key does
// to them. VividTree paints the rows and forwards input here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

using TreeItem = int;
inline constexpr TreeItem kNoTreeItem = -1;  // also "the root" as a parent

// Size of the expand / collapse icons (bitmaps 133 and 134).
inline constexpr int kTreeIconSize = 9;
// Where a row's text starts, and how far each level is indented.
inline constexpr int kTreeTextLeft = 20;
inline constexpr int kTreeIndent = 16;

enum class TreeKey { Up, Down, Left, Right, Home, End, PageUp, PageDown, Expand, Collapse };

// What an input changed, so the widget knows what to repaint and tell.
struct TreeChange {
    bool selection = false;
    bool expansion = false;
    bool any() const { return selection || expansion; }
};

// Where a point of a row lies.
enum class TreeHit { Nowhere, Button, Row };

// Background modes (the owner picks one).
enum class TreeBackground : int { Picture = 0, Gradient = 1, Solid = 2 };

// Colours as 0xRRGGBB.
inline constexpr std::uint32_t kTreeSolidColour = 0x1E1E1E;
inline constexpr std::uint32_t kTreeSelectionColour = 0x662E2F;
inline constexpr std::uint32_t kTreeGradientStart = 0xFFFFFF;
inline constexpr std::uint32_t kTreeGradientEnd = 0xD5D5E0;
inline constexpr std::uint32_t kTreeLightText = 0xFFFFFF;
inline constexpr std::uint32_t kTreeDarkText = 0x101010;

// The colour the item texts are drawn in: white, unless the background is a
// light gradient, where white text could not be read.
std::uint32_t treeTextColour(TreeBackground mode, std::uint32_t gradientStart, std::uint32_t gradientEnd);

class TreeModel {
public:
    // --- items -----------------------------------------------------------------
    // Adds an item as the last child of `parent` (kNoTreeItem: top level).
    TreeItem insertItem(std::string text, TreeItem parent = kNoTreeItem);
    void clear();
    int itemCount() const { return static_cast<int>(items_.size()); }
    bool valid(TreeItem item) const { return item >= 0 && item < itemCount(); }
    const std::string& text(TreeItem item) const;
    TreeItem parent(TreeItem item) const;
    const std::vector<TreeItem>& children(TreeItem parent) const;
    bool hasChildren(TreeItem item) const { return !children(item).empty(); }
    int level(TreeItem item) const;
    // The first item, in display order, whose text equals `text`.
    TreeItem find(std::string_view text) const;
    TreeItem firstTopLevel() const { return roots_.empty() ? kNoTreeItem : roots_.front(); }

    // --- expansion and selection -----------------------------------------------
    bool isExpanded(TreeItem item) const;
    // Returns whether anything changed. Collapsing an item that holds the
    // selection below it moves the selection to that item.
    TreeChange setExpanded(TreeItem item, bool expanded);
    TreeChange toggle(TreeItem item) { return setExpanded(item, !isExpanded(item)); }
    TreeItem selected() const { return selected_; }
    // Selects `item` (kNoTreeItem clears) and opens its ancestors so that it
    // shows; scrolls it into view.
    TreeChange select(TreeItem item);

    // --- rows ------------------------------------------------------------------
    // The items that show, top to bottom (ancestors all expanded).
    const std::vector<TreeItem>& visibleItems() const;
    int rowOf(TreeItem item) const;  // -1 when hidden
    TreeItem itemAtRow(int row) const;
    int rowCount() const { return static_cast<int>(visibleItems().size()); }

    // --- scrolling ---------------------------------------------------------------
    void setVisibleRows(int rows);
    int visibleRows() const { return visibleRows_; }
    int top() const { return top_; }
    int maxTop() const;
    bool setTop(int top);
    bool scrollBy(int rows) { return setTop(top_ + rows); }
    bool ensureVisible(TreeItem item);

    // --- geometry ----------------------------------------------------------------
    int textLeft(TreeItem item) const { return kTreeTextLeft + kTreeIndent * level(item); }
    int iconLeft(TreeItem item) const { return textLeft(item) - kTreeIconSize - 2; }
    // What lies at x on the row shown at `y` pixels below the top.
    TreeHit hitTest(int x, int y, int rowHeight, TreeItem* item = nullptr) const;

    // --- input -------------------------------------------------------------------
    // Left press: on an item's button it opens or closes the item; anywhere
    // else on a row it selects the row's item.
    TreeChange press(int x, int y, int rowHeight);
    // Double-click on a row opens or closes its item.
    TreeChange doubleClick(int x, int y, int rowHeight);
    TreeChange key(TreeKey key);

private:
    struct Node {
        std::string text;
        TreeItem parent = kNoTreeItem;
        std::vector<TreeItem> children;
        bool expanded = false;
    };
    void invalidateRows() { rowsValid_ = false; }
    void clampTop();
    bool isAncestor(TreeItem ancestor, TreeItem item) const;

    std::vector<Node> items_;
    std::vector<TreeItem> roots_;
    TreeItem selected_ = kNoTreeItem;
    int top_ = 0;
    int visibleRows_ = 1;
    mutable std::vector<TreeItem> rows_;
    mutable bool rowsValid_ = false;
};

}  // namespace morvane
