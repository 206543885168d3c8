// The key-assignment dialog without pixels: its four pages, what a click, a
// captured key or a list choice does to the request it hands over, the texts
// it shows, the function list, the Advance rows and their paths, and what the
// dialog paints. CKeyMap paints what this composes and forwards its input.
//
// The dialog works on its own copy of the key's record: the page tabs that
// clear it do so here, so a dialog that ends with Cancel leaves the live
// records as they were.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/draw_list.h"
#include "base/texts.h"
#include "controls/vivid_tree_model.h"
#include "keymap/assignment_request.h"
#include "keymap/assignment_store.h"
#include "macro/macro_store.h"

namespace morvane {

// The dialog's skinned buttons, in hit-test order (the tick box is tested first).
namespace keymap_buttons {
inline constexpr int Close = 0;
inline constexpr int Tab0 = 1;  // tabs 1..4 show pages 0..3
inline constexpr int Rail = 5;
inline constexpr int Disable = 6;
inline constexpr int Default = 7;
inline constexpr int Cancel = 8;
inline constexpr int Save = 9;
inline constexpr int Count = 10;
}  // namespace keymap_buttons

enum KeyMapPage : int { PageSingleCombine = 0, PageMacro = 1, PageBasic = 2, PageAdvance = 3 };
inline constexpr std::uint8_t kNoAdvanceRow = 0xFF;
inline constexpr int kAdvanceRows = 4;

// Size of "Custom_BK.png", used when the picture cannot be read.
inline constexpr int kKeyMapWidth = 325, kKeyMapHeight = 280;

// Where the dialog's child controls stand (x, y, width, height).
struct ControlRect {
    int x, y, width, height;
};
inline constexpr ControlRect kFunctionTreeRect{10, 60, 295, 160};
inline constexpr ControlRect kSingleBoxRect{20, 89, 280, 15};
inline constexpr ControlRect kCombineBoxRect{20, 139, 280, 15};
inline constexpr ControlRect kMacroListRect{20, 79, 280, 150};
// The colour behind the Single and Combine boxes.
inline constexpr Colour kBoxColour{109, 109, 109};
// ... while it waits for keys.
inline constexpr Colour kArmedBoxColour{200, 35, 44};

// How the browse button of an Advance row asks for its target.
struct PathPicker {
    int row = 0;
    bool folder = false;        // row 3: a folder; else an existing file
    std::string filter;         // "mp3 Files(*.mp3)"
    std::string pattern;        // "*.mp3"
    std::string defaultSuffix;  // "mp3"
    std::string title;          // the folder browser's title
    // Offered after `filter`: "All files" for sounds and files; where
    // programs carry no ".exe" (Linux), the executable files, chosen first.
    std::vector<std::string> moreFilters;
    int selectedFilter = 0;          // 0 is `filter`, 1 the first of moreFilters
    bool executablesFilter = false;  // moreFilters[0] lists executable files only
};
PathPicker pathPickerFor(int row, std::uint16_t uiLanguage = 9);

// What a launch path looks like in its row: long paths are cut to their last
// part with a leading "..".
std::string shownLaunchPath(std::u16string_view path);

// The Single box's text for a key, and the Combine box's for up to three.
std::string singleBoxText(std::uint8_t vk);
std::string combineBoxText(const std::uint8_t* keys, int count);

// The function list: "Search" and "Run" at the top, then each category with
// its functions, in the function table's order.
TreeModel buildFunctionTree(std::uint16_t uiLanguage);
// Whether a function-list text names a category rather than a function.
bool isFunctionCategory(std::string_view text);

// What the dialog is opened on.
struct KeyMapContext {
    std::uint8_t currentVirtualKey = 0;  // the clicked key's own virtual key
    AssignmentRecord record;             // its assignment record
    bool keyEnabled = true;              // its enable bit
    MacroTable macros{};                 // the stored macros
    std::uint16_t uiLanguage = 9;
};

class Session;
// The dialog's context for a key of the session's configuration.
KeyMapContext keyMapContextOf(const Session& session, int keyIndex);

enum class KeyMapClose { None, Ok, Cancel };
enum class KeyMapBox { Single, Combine };

// What the view does after an input.
struct KeyMapOutcome {
    KeyMapClose close = KeyMapClose::None;
    bool focusSingle = false;     // give the Single box the focus
    int pickRow = -1;             // run pathPickerFor(row), then call pathPicked
    std::string message;          // show this, the dialog stays open
};

// A painted button the keyboard reaches with Tab, in Tab order: where it
// lies, its name for the screen reader, the page it belongs to (-1: every
// page), and the point whose click it stands for.
struct KeyMapStop {
    ControlRect area;
    std::string name;
    int page = -1;
    int clickX = 0, clickY = 0;
};
// The stops before the page's own controls, and after them.
std::vector<KeyMapStop> keyMapStopsBefore(std::uint16_t uiLanguage);
std::vector<KeyMapStop> keyMapStopsAfter(std::uint16_t uiLanguage);

struct KeyMapMove {
    bool repaint = false;
    bool startDrag = false;  // move the window with the pointer
};

class KeyMapModel {
public:
    // Sets the dialog up for one run. The chosen function's name, the focus
    // guard and the folder of the last chosen path are kept from run to run.
    void initialise(const KeyMapContext& context);
    // The key hook is in place (keys are captured only then).
    void setHookActive(bool active) { hookActive_ = active; }
    bool hookActive() const { return hookActive_; }

    // --- input ---------------------------------------------------------------
    // A key the hook reports: taken only by an armed box.
    void hookKey(std::uint8_t vk);
    // A key let go: a combination ends with the first key released.
    void hookKeyReleased(std::uint8_t vk);
    // The user armed a box (a click on it, Enter on it): it chooses between a
    // single key and a combination, starts afresh, and waits for keys. The
    // box disarms once it has its key or combination, or when the user goes
    // elsewhere (disarm).
    void arm(KeyMapBox box);
    void disarm();
    std::optional<KeyMapBox> armedBox() const { return armed_; }
    // What an empty box says: that it waits for a key, or how to make it wait.
    std::string boxPrompt(KeyMapBox box) const;
    void selectMacro(int row);
    void selectFunction(TreeItem item);
    void press(int x, int y);
    KeyMapMove move(int x, int y, bool leftButtonDown);
    void leave();
    KeyMapOutcome release(int x, int y);
    // A painted button activated from the keyboard: the same as a click on it.
    KeyMapOutcome activate(const KeyMapStop& stop);
    // Escape outside an armed box: the Cancel button. Enter outside a
    // button or box: Save.
    KeyMapOutcome cancelKey();
    KeyMapOutcome enterKey();
    // The picker of `row` returned: a path (maybe empty) or nothing (cancelled).
    KeyMapOutcome pathPicked(int row, const std::optional<std::u16string>& path);

    // --- hit tests -----------------------------------------------------------
    int buttonAt(int x, int y) const;
    // The Advance grid cell 4r + c at a point, -1 for none.
    static int advanceCellAt(int x, int y);

    // --- state ---------------------------------------------------------------
    int page() const { return page_; }
    bool disableTicked() const { return disableTicked_; }
    std::uint8_t advanceRow() const { return advanceRow_; }
    std::uint8_t markedRow() const { return markedRow_; }
    int hoveredButton() const { return hovered_; }
    int hoveredBrowseRow() const { return hoveredBrowse_; }
    const AssignmentRequest& request() const { return request_; }
    AssignmentRequest& request() { return request_; }
    const AssignmentRecord& record() const { return record_; }
    const std::string& singleText() const { return singleText_; }
    const std::string& combineText() const { return combineText_; }
    const std::vector<std::string>& macroNames() const { return macroNames_; }
    int selectedMacro() const { return selectedMacro_; }
    const TreeModel& functionTree() const { return functions_; }
    TreeItem selectedFunction() const { return functions_.selected(); }
    // Where the next picker starts: the folder of the last path chosen.
    const std::u16string& lastPickedFolder() const { return lastFolder_; }
    std::uint16_t uiLanguage() const { return language_; }

    // The dialog, in painting order (background, buttons, texts, the page).
    void compose(DrawList& out) const;
    std::string titleText() const;
    // The whole launch path when the point is on the box that shows it cut
    // short; "" elsewhere.
    std::string pathTipAt(int x, int y) const;

private:
    const char* text(Text id) const { return morvane::text(id, language_); }
    void clearSelection();
    void chooseBox(KeyMapBox box);
    void showPage(int tab);
    KeyMapOutcome save();
    void advanceClick(int x, int y, KeyMapOutcome& out);
    bool onFreeBackground(int x, int y) const;
    void composePage(DrawList& out) const;

    AssignmentRequest request_;
    AssignmentRecord record_;
    std::uint8_t currentVk_ = 0;
    std::uint16_t language_ = 9;
    int page_ = PageSingleCombine;
    bool disableTicked_ = false;
    std::uint8_t advanceRow_ = kNoAdvanceRow;
    std::uint8_t markedRow_ = kNoAdvanceRow;
    bool hookActive_ = false;
    std::optional<KeyMapBox> armed_;
    std::string singleText_;
    std::string combineText_;
    std::vector<std::string> macroNames_;
    int selectedMacro_ = -1;
    TreeModel functions_;
    std::u16string lastFolder_;
    int hovered_ = -1;
    int hoveredBrowse_ = -1;
    bool pressed_ = false;
    bool pressOnBackground_ = false;
    bool dragging_ = false;
};

}  // namespace morvane
