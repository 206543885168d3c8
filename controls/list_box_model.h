// The rules of the skinned list box: its rows, the selection, scrolling, and
// the in-place edit (which rows may be edited, what the edit starts with and
// what a commit does to the rows). The widget, CTransparentListBox, paints the
// rows and forwards input here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// How a list lets its rows be edited in place (double-click on the selected row).
enum class ListEditMode : int {
    // Any row's text; a changed text replaces the row (the macro names list).
    AnyText = 0,
    // Only delay rows ("<n> ms"), as a number of milliseconds; the owner
    // rebuilds the row from the value it is told (the macro events list).
    DelayOnly = 1,
    // Any row's text, and the owner is told the old and the new row (the
    // profile list, which renames files).
    Rename = 3,
    // No row can be edited (the switching rules, edited by their form).
    ReadOnly = 4,
};

// The icon a row of a delay-only list shows at its right edge.
enum class RowIcon { None, Press, Release, Delay };

// How a row looks: the text drawn and the icon beside it.
struct RowLook {
    std::string text;
    RowIcon icon = RowIcon::None;
};

// What ending an edit did; `notify` tells whether the owner hears of it
// (listEditEnd, the MSG_LIST_EDIT_END message, with `first` and `second`).
struct EditEnd {
    enum class Kind {
        NoEdit,        // no edit was open
        Cancelled,     // closed without a change (Escape, unchanged or refused text)
        DelayEntered,  // delay-only list: `first` = row, `second` = the delay in ms
        TextChanged,   // other modes: `first` = the row edited, `second` = its new index
    };
    Kind kind = Kind::NoEdit;
    bool notify = false;
    int first = -1;
    int second = -1;
};

// Keys the list answers to (arrows and the like); what they map from is the
// widget's business.
enum class ListKey { Up, Down, PageUp, PageDown, Home, End };

inline constexpr int kMinDelayMs = 2;
inline constexpr int kMaxDelayMs = 60000;
// Names end up in 256-unit buffers (macro names, profile names), so an edit
// never yields more than this many UTF-16 units.
inline constexpr int kMaxEditLength = 255;
// Rows scrolled by one notch of the mouse wheel.
inline constexpr int kWheelRows = 3;

// Whether a row is a delay row of a macro's events list ("<n> ms").
bool isDelayText(std::string_view text);
// The look of a row in a list of the given mode. In a delay-only list a key
// row "<name> dn" / "<name> up" loses its marker and shows the press /
// release icon, and a delay row keeps its text and shows the delay icon.
RowLook rowLook(ListEditMode mode, std::string_view text);
// The number of UTF-16 units of a UTF-8 text.
int utf16Length(std::string_view utf8);
// `utf8` cut to at most `units` UTF-16 units, never inside a character.
std::string cutToUtf16(std::string_view utf8, int units);
// The delay a delay edit's text stands for: its digits as a number, kept
// within 2..60000; nothing when the text holds no digit.
std::optional<int> delayFromEditText(std::string_view text);

class ListBoxModel {
public:
    struct Row {
        std::string text;
        std::intptr_t data = 0;
    };

    explicit ListBoxModel(bool sorted = false) : sorted_(sorted) {}

    // --- rows --------------------------------------------------------------
    bool sorted() const { return sorted_; }
    void setSorted(bool sorted) { sorted_ = sorted; }
    // Adds a row (in its sorted place when the list is sorted, else last) and
    // returns its index.
    int addRow(std::string text, std::intptr_t data = 0);
    // Inserts a row at `index` (-1 or past the end: last), sorted or not.
    int insertRow(int index, std::string text, std::intptr_t data = 0);
    bool removeRow(int index);
    void clear();
    int count() const { return static_cast<int>(rows_.size()); }
    const std::string& text(int index) const;
    std::intptr_t data(int index) const;
    void setData(int index, std::intptr_t data);
    // The first row whose text equals `text`, -1 for none.
    int find(std::string_view text) const;

    // --- selection -----------------------------------------------------------
    int selected() const { return selected_; }
    // Selects `index` (-1 clears); returns whether the selection changed.
    bool select(int index);

    // --- scrolling -----------------------------------------------------------
    // The number of whole rows the list shows; at least 1.
    void setVisibleRows(int rows);
    int visibleRows() const { return visibleRows_; }
    int top() const { return top_; }
    int maxTop() const;
    // Returns whether the top row changed.
    bool setTop(int top);
    bool scrollBy(int rows) { return setTop(top_ + rows); }
    bool ensureVisible(int index);
    // The row shown at `y` pixels below the top, -1 below the last row.
    int rowAt(int y, int rowHeight) const;

    // --- input -----------------------------------------------------------------
    // A left press on the row at `index` (-1: below the rows, which changes
    // nothing); returns whether the selection changed.
    bool click(int index);
    // Moves the selection; returns whether it changed.
    bool key(ListKey key);

    // --- in-place edit --------------------------------------------------------
    ListEditMode editMode() const { return mode_; }
    void setEditMode(ListEditMode mode) { mode_ = mode; }
    int maxEditLength() const { return maxEditLength_; }
    void setMaxEditLength(int units) { maxEditLength_ = units < 1 ? 1 : units; }
    bool canEdit(int index) const;
    // A double-click on the row at `index`: an edit of the selected row begins
    // when the point lies on it. Returns the edit's text, or nothing.
    std::optional<std::string> doubleClick(int index);
    // Opens an edit on `index` and returns its text; nothing when the row
    // cannot be edited or an edit is already open.
    std::optional<std::string> beginEdit(int index);
    bool editing() const { return editing_ >= 0; }
    int editingRow() const { return editing_; }
    // The row at which the last edit began (kept after the edit ends).
    int previousEditedRow() const { return previousEdited_; }
    // Closes the edit: with `commit`, `text` is taken as described by the
    // edit mode; in every case no edit is open afterwards.
    EditEnd endEdit(bool commit, std::string_view text);

private:
    int sortedPlace(std::string_view text) const;
    void clampTop();

    std::vector<Row> rows_;
    bool sorted_ = false;
    int selected_ = -1;
    int top_ = 0;
    int visibleRows_ = 1;
    ListEditMode mode_ = ListEditMode::AnyText;
    int maxEditLength_ = kMaxEditLength;
    int editing_ = -1;
    int previousEdited_ = -1;
};

}  // namespace morvane
