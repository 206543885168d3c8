#include "controls/list_box_model.h"

#include <algorithm>
#include <cctype>

namespace morvane {

namespace {

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

unsigned char lower(char c) { return static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c))); }

// Sorted lists order their rows as a user reads them: without regard to case.
bool lessNoCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return lower(x) < lower(y); });
}

bool isBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)); });
}

// Length in bytes of the UTF-8 sequence that starts with `lead`.
int sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;  // a stray byte counts as one character
}

}  // namespace

bool isDelayText(std::string_view text) { return text.find(" ms") != std::string_view::npos; }

RowLook rowLook(ListEditMode mode, std::string_view text) {
    if (mode != ListEditMode::DelayOnly) return {std::string(text), RowIcon::None};
    // Key rows end in their marker; only the marker goes, so a key whose name
    // happens to hold the same letters keeps its name whole.
    if (endsWith(text, "dn")) return {std::string(text.substr(0, text.size() - 2)), RowIcon::Press};
    if (endsWith(text, "up")) return {std::string(text.substr(0, text.size() - 2)), RowIcon::Release};
    if (isDelayText(text)) return {std::string(text), RowIcon::Delay};
    return {std::string(text), RowIcon::None};
}

int utf16Length(std::string_view utf8) {
    int units = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const int n = sequenceLength(static_cast<unsigned char>(utf8[i]));
        units += n == 4 ? 2 : 1;
        i += static_cast<std::size_t>(n);
    }
    return units;
}

std::string cutToUtf16(std::string_view utf8, int units) {
    int used = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const int n = sequenceLength(static_cast<unsigned char>(utf8[i]));
        const int u = n == 4 ? 2 : 1;
        if (used + u > units) break;
        used += u;
        i = std::min(utf8.size(), i + static_cast<std::size_t>(n));
    }
    return std::string(utf8.substr(0, i));
}

std::optional<int> delayFromEditText(std::string_view text) {
    long long value = 0;
    bool any = false;
    for (char c : text) {
        if (c < '0' || c > '9') continue;
        any = true;
        value = std::min<long long>(value * 10 + (c - '0'), kMaxDelayMs + 1LL);
    }
    if (!any) return std::nullopt;
    return static_cast<int>(std::clamp<long long>(value, kMinDelayMs, kMaxDelayMs));
}

// --- rows ---------------------------------------------------------------------

int ListBoxModel::sortedPlace(std::string_view text) const {
    auto it = std::upper_bound(rows_.begin(), rows_.end(), text,
                               [](std::string_view t, const Row& r) { return lessNoCase(t, r.text); });
    return static_cast<int>(it - rows_.begin());
}

int ListBoxModel::addRow(std::string text, std::intptr_t data) {
    const int at = sorted_ ? sortedPlace(text) : count();
    return insertRow(at, std::move(text), data);
}

int ListBoxModel::insertRow(int index, std::string text, std::intptr_t data) {
    if (index < 0 || index > count()) index = count();
    rows_.insert(rows_.begin() + index, Row{std::move(text), data});
    // Indices at or after the new row move down with their rows.
    if (selected_ >= index) ++selected_;
    if (editing_ >= index) ++editing_;
    return index;
}

bool ListBoxModel::removeRow(int index) {
    if (index < 0 || index >= count()) return false;
    rows_.erase(rows_.begin() + index);
    if (selected_ == index) selected_ = -1;
    else if (selected_ > index) --selected_;
    if (editing_ == index) editing_ = -1;
    else if (editing_ > index) --editing_;
    clampTop();
    return true;
}

void ListBoxModel::clear() {
    rows_.clear();
    selected_ = -1;
    editing_ = -1;
    top_ = 0;
}

const std::string& ListBoxModel::text(int index) const {
    static const std::string none;
    return index >= 0 && index < count() ? rows_[static_cast<std::size_t>(index)].text : none;
}

std::intptr_t ListBoxModel::data(int index) const {
    return index >= 0 && index < count() ? rows_[static_cast<std::size_t>(index)].data : 0;
}

void ListBoxModel::setData(int index, std::intptr_t data) {
    if (index >= 0 && index < count()) rows_[static_cast<std::size_t>(index)].data = data;
}

int ListBoxModel::find(std::string_view text) const {
    for (int i = 0; i < count(); ++i)
        if (rows_[static_cast<std::size_t>(i)].text == text) return i;
    return -1;
}

// --- selection and scrolling ----------------------------------------------------

bool ListBoxModel::select(int index) {
    if (index < -1 || index >= count()) index = -1;
    if (index == selected_) return false;
    selected_ = index;
    return true;
}

void ListBoxModel::setVisibleRows(int rows) {
    visibleRows_ = std::max(1, rows);
    clampTop();
}

int ListBoxModel::maxTop() const { return std::max(0, count() - visibleRows_); }

void ListBoxModel::clampTop() { top_ = std::clamp(top_, 0, maxTop()); }

bool ListBoxModel::setTop(int top) {
    const int old = top_;
    top_ = std::clamp(top, 0, maxTop());
    return top_ != old;
}

bool ListBoxModel::ensureVisible(int index) {
    if (index < 0 || index >= count()) return false;
    if (index < top_) return setTop(index);
    if (index >= top_ + visibleRows_) return setTop(index - visibleRows_ + 1);
    return false;
}

int ListBoxModel::rowAt(int y, int rowHeight) const {
    if (y < 0 || rowHeight <= 0) return -1;
    const int index = top_ + y / rowHeight;
    return index < count() ? index : -1;
}

bool ListBoxModel::click(int index) {
    if (index < 0 || index >= count()) return false;
    return select(index);
}

bool ListBoxModel::key(ListKey key) {
    if (rows_.empty()) return false;
    const int last = count() - 1;
    const int from = selected_;
    int to = from;
    switch (key) {
    case ListKey::Up: to = from < 0 ? 0 : from - 1; break;
    case ListKey::Down: to = from + 1; break;
    case ListKey::PageUp: to = from < 0 ? 0 : from - (visibleRows_ - 1 > 0 ? visibleRows_ - 1 : 1); break;
    case ListKey::PageDown: to = from + (visibleRows_ - 1 > 0 ? visibleRows_ - 1 : 1); break;
    case ListKey::Home: to = 0; break;
    case ListKey::End: to = last; break;
    }
    to = std::clamp(to, 0, last);
    const bool changed = select(to);
    ensureVisible(to);
    return changed;
}

// --- in-place edit --------------------------------------------------------------

bool ListBoxModel::canEdit(int index) const {
    if (index < 0 || index >= count() || mode_ == ListEditMode::ReadOnly) return false;
    if (mode_ == ListEditMode::DelayOnly) return isDelayText(text(index));
    return true;
}

std::optional<std::string> ListBoxModel::doubleClick(int index) {
    if (selected_ < 0 || index != selected_) return std::nullopt;
    return beginEdit(index);
}

std::optional<std::string> ListBoxModel::beginEdit(int index) {
    if (editing() || !canEdit(index)) return std::nullopt;
    editing_ = index;
    previousEdited_ = index;
    const std::string& t = text(index);
    if (mode_ != ListEditMode::DelayOnly) return cutToUtf16(t, maxEditLength_);
    std::string digits;
    for (char c : t)
        if (c >= '0' && c <= '9') digits += c;
    return digits;
}

EditEnd ListBoxModel::endEdit(bool commit, std::string_view typed) {
    if (!editing()) return {};
    const int row = editing_;
    editing_ = -1;
    EditEnd end{EditEnd::Kind::Cancelled, false, row, -1};
    if (!commit) return end;

    if (mode_ == ListEditMode::DelayOnly) {
        // An emptied edit says nothing about the delay, so it changes nothing.
        const auto delay = delayFromEditText(typed);
        if (!delay) return end;
        return {EditEnd::Kind::DelayEntered, true, row, *delay};
    }

    std::string newText = cutToUtf16(typed, maxEditLength_);
    // A row without a name would read as a free macro slot or a file named
    // ".bin": an empty text keeps the old one.
    if (isBlank(newText) || newText == text(row)) return end;

    const Row old = rows_[static_cast<std::size_t>(row)];
    const int top = top_;
    rows_.erase(rows_.begin() + row);
    const int at = sorted_ ? sortedPlace(newText) : row;
    rows_.insert(rows_.begin() + at, Row{std::move(newText), old.data});
    selected_ = at;
    top_ = top;
    clampTop();
    ensureVisible(at);
    return {EditEnd::Kind::TextChanged, true, row, at};
}

}  // namespace morvane
