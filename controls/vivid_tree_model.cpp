#include "controls/vivid_tree_model.h"

#include <algorithm>

namespace morvane {

namespace {

// Relative luminance in 0..255 (Rec. 601 weights).
int luminance(std::uint32_t rgb) {
    const int r = static_cast<int>((rgb >> 16) & 0xFF);
    const int g = static_cast<int>((rgb >> 8) & 0xFF);
    const int b = static_cast<int>(rgb & 0xFF);
    return (299 * r + 587 * g + 114 * b) / 1000;
}

}  // namespace

std::uint32_t treeTextColour(TreeBackground mode, std::uint32_t gradientStart, std::uint32_t gradientEnd) {
    if (mode != TreeBackground::Gradient) return kTreeLightText;
    const int mean = (luminance(gradientStart) + luminance(gradientEnd)) / 2;
    return mean > 140 ? kTreeDarkText : kTreeLightText;
}

// --- items ----------------------------------------------------------------------

TreeItem TreeModel::insertItem(std::string text, TreeItem parent) {
    if (!valid(parent)) parent = kNoTreeItem;
    const TreeItem id = itemCount();
    items_.push_back(Node{std::move(text), parent, {}, false});
    if (parent == kNoTreeItem) roots_.push_back(id);
    else items_[static_cast<std::size_t>(parent)].children.push_back(id);
    invalidateRows();
    return id;
}

void TreeModel::clear() {
    items_.clear();
    roots_.clear();
    selected_ = kNoTreeItem;
    top_ = 0;
    invalidateRows();
}

const std::string& TreeModel::text(TreeItem item) const {
    static const std::string none;
    return valid(item) ? items_[static_cast<std::size_t>(item)].text : none;
}

TreeItem TreeModel::parent(TreeItem item) const {
    return valid(item) ? items_[static_cast<std::size_t>(item)].parent : kNoTreeItem;
}

const std::vector<TreeItem>& TreeModel::children(TreeItem parent) const {
    if (parent == kNoTreeItem) return roots_;
    static const std::vector<TreeItem> none;
    return valid(parent) ? items_[static_cast<std::size_t>(parent)].children : none;
}

int TreeModel::level(TreeItem item) const {
    int n = 0;
    for (TreeItem p = parent(item); p != kNoTreeItem; p = parent(p)) ++n;
    return n;
}

TreeItem TreeModel::find(std::string_view text) const {
    // Depth first, in display order, whatever is expanded.
    std::vector<TreeItem> stack(roots_.rbegin(), roots_.rend());
    while (!stack.empty()) {
        const TreeItem item = stack.back();
        stack.pop_back();
        if (this->text(item) == text) return item;
        const auto& kids = children(item);
        stack.insert(stack.end(), kids.rbegin(), kids.rend());
    }
    return kNoTreeItem;
}

bool TreeModel::isAncestor(TreeItem ancestor, TreeItem item) const {
    for (TreeItem p = parent(item); p != kNoTreeItem; p = parent(p))
        if (p == ancestor) return true;
    return false;
}

// --- expansion and selection ----------------------------------------------------

bool TreeModel::isExpanded(TreeItem item) const {
    return valid(item) && items_[static_cast<std::size_t>(item)].expanded;
}

TreeChange TreeModel::setExpanded(TreeItem item, bool expanded) {
    TreeChange change;
    if (!valid(item) || !hasChildren(item)) return change;
    Node& node = items_[static_cast<std::size_t>(item)];
    if (node.expanded == expanded) return change;
    node.expanded = expanded;
    change.expansion = true;
    invalidateRows();
    // A selection that disappears into a closed item would leave nothing
    // shown as selected; it moves up to the item that closed.
    if (!expanded && isAncestor(item, selected_)) {
        selected_ = item;
        change.selection = true;
    }
    clampTop();
    return change;
}

TreeChange TreeModel::select(TreeItem item) {
    TreeChange change;
    if (!valid(item)) item = kNoTreeItem;
    for (TreeItem p = parent(item); p != kNoTreeItem; p = parent(p)) {
        Node& node = items_[static_cast<std::size_t>(p)];
        if (!node.expanded) {
            node.expanded = true;
            change.expansion = true;
            invalidateRows();
        }
    }
    if (item != selected_) {
        selected_ = item;
        change.selection = true;
    }
    ensureVisible(item);
    return change;
}

// --- rows -----------------------------------------------------------------------

const std::vector<TreeItem>& TreeModel::visibleItems() const {
    if (rowsValid_) return rows_;
    rows_.clear();
    std::vector<TreeItem> stack(roots_.rbegin(), roots_.rend());
    while (!stack.empty()) {
        const TreeItem item = stack.back();
        stack.pop_back();
        rows_.push_back(item);
        const Node& node = items_[static_cast<std::size_t>(item)];
        if (node.expanded) stack.insert(stack.end(), node.children.rbegin(), node.children.rend());
    }
    rowsValid_ = true;
    return rows_;
}

int TreeModel::rowOf(TreeItem item) const {
    const auto& rows = visibleItems();
    const auto it = std::find(rows.begin(), rows.end(), item);
    return it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
}

TreeItem TreeModel::itemAtRow(int row) const {
    const auto& rows = visibleItems();
    return row >= 0 && row < static_cast<int>(rows.size()) ? rows[static_cast<std::size_t>(row)] : kNoTreeItem;
}

// --- scrolling ------------------------------------------------------------------

void TreeModel::setVisibleRows(int rows) {
    visibleRows_ = std::max(1, rows);
    clampTop();
}

int TreeModel::maxTop() const { return std::max(0, rowCount() - visibleRows_); }

void TreeModel::clampTop() { top_ = std::clamp(top_, 0, maxTop()); }

bool TreeModel::setTop(int top) {
    const int old = top_;
    top_ = std::clamp(top, 0, maxTop());
    return top_ != old;
}

bool TreeModel::ensureVisible(TreeItem item) {
    const int row = rowOf(item);
    if (row < 0) return false;
    if (row < top_) return setTop(row);
    if (row >= top_ + visibleRows_) return setTop(row - visibleRows_ + 1);
    return false;
}

// --- input ----------------------------------------------------------------------

TreeHit TreeModel::hitTest(int x, int y, int rowHeight, TreeItem* item) const {
    if (item) *item = kNoTreeItem;
    if (y < 0 || rowHeight <= 0) return TreeHit::Nowhere;
    const TreeItem hit = itemAtRow(top_ + y / rowHeight);
    if (hit == kNoTreeItem) return TreeHit::Nowhere;
    if (item) *item = hit;
    // The button takes a little room around the icon, so it is easy to hit.
    const int left = iconLeft(hit) - 2;
    const int right = iconLeft(hit) + kTreeIconSize + 2;
    if (hasChildren(hit) && x >= left && x < right) return TreeHit::Button;
    return TreeHit::Row;
}

TreeChange TreeModel::press(int x, int y, int rowHeight) {
    TreeItem item = kNoTreeItem;
    switch (hitTest(x, y, rowHeight, &item)) {
    case TreeHit::Nowhere: return {};
    case TreeHit::Button: return toggle(item);
    case TreeHit::Row: return select(item);
    }
    return {};
}

TreeChange TreeModel::doubleClick(int x, int y, int rowHeight) {
    TreeItem item = kNoTreeItem;
    // A double-click on the button has already toggled twice by its presses.
    if (hitTest(x, y, rowHeight, &item) != TreeHit::Row) return {};
    TreeChange change = select(item);
    const TreeChange t = toggle(item);
    change.expansion = change.expansion || t.expansion;
    change.selection = change.selection || t.selection;
    return change;
}

TreeChange TreeModel::key(TreeKey key) {
    const int count = rowCount();
    if (count == 0) return {};
    const int row = rowOf(selected_);
    const int page = std::max(1, visibleRows_ - 1);
    auto goRow = [&](int r) { return select(itemAtRow(std::clamp(r, 0, count - 1))); };
    switch (key) {
    case TreeKey::Up: return goRow(row < 0 ? 0 : row - 1);
    case TreeKey::Down: return goRow(row + 1);
    case TreeKey::PageUp: return goRow(row < 0 ? 0 : row - page);
    case TreeKey::PageDown: return goRow(row + page);
    case TreeKey::Home: return goRow(0);
    case TreeKey::End: return goRow(count - 1);
    case TreeKey::Expand: return setExpanded(selected_, true);
    case TreeKey::Collapse: return setExpanded(selected_, false);
    case TreeKey::Right:
        if (row < 0) return goRow(0);
        if (!hasChildren(selected_)) return {};
        if (!isExpanded(selected_)) return setExpanded(selected_, true);
        return select(children(selected_).front());
    case TreeKey::Left:
        if (row < 0) return goRow(0);
        if (isExpanded(selected_)) return setExpanded(selected_, false);
        return parent(selected_) == kNoTreeItem ? TreeChange{} : select(parent(selected_));
    }
    return {};
}

}  // namespace morvane
