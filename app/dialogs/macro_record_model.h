// The macro manager window without pixels: where its controls stand, what it
// paints (a DrawList), which skinned button the pointer lights, what a click,
// a menu command or a list edit does (through MacroEditor), and what the main
// window does with the macros once the manager closes with OK.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/draw_list.h"
#include "macro/macro_editor.h"

namespace morvane {

class Session;
struct Outcome;

// The manager's pictures live in this subfolder of the language's picture folder.
inline constexpr const char* kMacroManagerFolder = "MacroManagement";
inline constexpr const char* kMacroManagerBackground = "MacroManagement.png";
inline constexpr int kMacroManagerWidth = 410;
inline constexpr int kMacroManagerHeight = 440;

struct ControlPlace {
    int id = 0;
    int x = 0, y = 0, width = 0, height = 0;
};
inline constexpr ControlPlace kEventsListPlace{1000, 150, 80, 113, 275};
inline constexpr ControlPlace kNamesListPlace{1001, 20, 80, 113, 275};
inline constexpr ControlPlace kLoopEditPlace{1002, 296, 331, 84, 18};
inline constexpr int kLoopEditMaxChars = 3;

// Both lists: bold Arial 16 px, white rows, the selected row in cyan, with a
// black shadow 2 px down and right.
inline constexpr int kListFontHeight = 16;
inline constexpr Colour kListText{0xFF, 0xFF, 0xFF};
inline constexpr Colour kListSelectedText{0x00, 0xFF, 0xFF};
inline constexpr Colour kListShadow{0, 0, 0};
inline constexpr int kListShadowOffset = 2;
// The texts painted on the dialog.
inline constexpr Colour kManagerText{0xe6, 0xe6, 0xea};
inline constexpr int kManagerTextWeight = 300;
// Renamed names reach the working copy at least this often.
inline constexpr int kNameSyncMillis = 1000;

// The events list's right-click menu. An entry with children is a submenu;
// a leaf carries the command id it runs.
struct MenuEntry {
    int id = 0;
    std::string text;
    std::vector<MenuEntry> children;
};
std::vector<MenuEntry> eventsMenu(std::uint16_t uiLanguage);

namespace macro_menu {
inline constexpr int InsertBefore = 32790;
inline constexpr int InsertAfter = 32791;
inline constexpr int InsertDelay = 32793;
inline constexpr int LeftDown = 32800, LeftUp = 32801, LeftClick = 32802;
inline constexpr int RightDown = 32804, RightUp = 32806, RightClick = 32807;
inline constexpr int MiddleDown = 32811, MiddleUp = 32812, MiddleClick = 32813;
inline constexpr int Delete = 32815;
}  // namespace macro_menu

// What the window does after a click on the dialog.
enum class ManagerAction {
    None,
    Notice,         // show `notice` (an information box)
    ConfirmDelete,  // ask ConfirmDelete; on OK call confirmDelete()
    Accept,         // the macros are stored; close with OK
    Reject,         // close with Cancel
};
struct ManagerClick {
    ManagerAction action = ManagerAction::None;
    MacroNotice notice = MacroNotice::None;
};

// A painted button the keyboard reaches with Tab: the button, and its name
// for the screen reader.
struct ManagerStop {
    int button = kButtonNone;
    std::string name;
};
// Before the loop count's box, and after it, in Tab order.
std::vector<ManagerStop> managerStopsBefore(std::uint16_t uiLanguage);
std::vector<ManagerStop> managerStopsAfter(std::uint16_t uiLanguage);

struct PointerOutcome {
    bool repaint = false;
    bool startDrag = false;  // move the window with the pointer
};

class MacroManagerModel {
public:
    MacroManagerModel(Clock& clock, KeyHook& hook, std::uint16_t uiLanguage);

    // Opening: the working copy starts as `storedMacros`.
    void open(const MacroTable& storedMacros);

    MacroEditor& editor() { return editor_; }
    const MacroEditor& editor() const { return editor_; }
    std::uint16_t language() const { return language_; }
    bool chinese() const;

    // --- painting ---
    void compose(DrawList& list) const;
    // Whether the button's "over" picture shows (Record, New, Delete, OK, Cancel).
    bool lit(int button) const;
    int hoveredButton() const { return hovered_; }

    // --- pointer (client pixels) ---
    void press(int x, int y);
    PointerOutcome move(int x, int y, bool leftButtonDown);
    ManagerClick release(int x, int y);
    // A button activated from the keyboard: the same as a click on it.
    ManagerClick activate(int button);
    // The pointer left the window: nothing is lit. True when it must repaint.
    bool pointerLeft();

    // The question asked before the selected macro is deleted. Keys that
    // play it get their own function back on OK, so the question names them.
    // The text stays valid until the next call.
    NoticeText deleteQuestion(const Session& session);
    // After ConfirmDelete was answered OK.
    MacroNotice confirmDelete() { return editor_.deleteMacro(); }
    void reject() { editor_.cancel(); }

    // --- the events list's menu and edits ---
    MacroNotice menuCommand(int id);

    NoticeText text(MacroNotice notice) const { return noticeText(notice, language_); }

private:
    MacroEditor editor_;
    std::uint16_t language_;
    std::string deleteQuestion_;
    int hovered_ = kButtonNone;
    int lit_ = kButtonNone;
    bool pressed_ = false;
    bool pressOnBackground_ = false;
    bool dragging_ = false;
};

}  // namespace morvane
