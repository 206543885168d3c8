// The macro manager without its window: every operation of the dialog on the
// working copy of the macros (create, rename, delete, record, edit events,
// loop count, delay mode) and the OK that hands them back. The window only
// paints this state and forwards clicks, menu commands and list edits.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "macro/key_hook.h"
#include "macro/macro_recorder.h"
#include "macro/macro_store.h"

namespace morvane {

// The message boxes of the manager. ConfirmDelete is a question (OK/Cancel)
// the window asks before deleteMacro(); the others only inform.
enum class MacroNotice {
    None,
    SelectMacroToRecord,
    SelectMacroToDelete,
    ConfirmDelete,
    EditCurrentDelay,
    MacroFull,
};

struct NoticeText {
    const char* text;
    const char* caption;
};
// Texts in Chinese for language 4, else in English.
NoticeText noticeText(MacroNotice notice, std::uint16_t uiLanguage);

enum class MouseButton { Left, Right, Middle };
enum class MouseAction { Down, Up, Click };

// The skinned buttons, in hit-test order.
enum MacroButton : int {
    kButtonNone = -1,
    kButtonRecord = 0,
    kButtonRecordDelay = 1,
    kButtonLoops = 2,
    kButtonNew = 3,
    kButtonDelete = 4,
    kButtonOk = 5,
    kButtonCancel = 6,
};
// The button whose rectangle holds the point (client pixels), or kButtonNone.
int macroButtonAt(int x, int y);
// A button's rectangle; both edges belong to it.
struct MacroButtonArea {
    int left, top, right, bottom;
};
MacroButtonArea macroButtonArea(int button);

class MacroEditor final : public KeyHookTarget {
public:
    MacroEditor(Clock& clock, KeyHook& hook);
    ~MacroEditor() override;  // gives the hook back if held
    MacroEditor(const MacroEditor&) = delete;
    MacroEditor& operator=(const MacroEditor&) = delete;

    // Opening: copies the stored macros into the working copy and selects the
    // first macro.
    void open(const MacroTable& storedMacros);

    // --- what the window shows ---
    const MacroTable& workingMacros() const { return working_; }
    const std::vector<std::u16string>& names() const { return names_; }
    int selectedMacro() const { return selected_; }
    const std::vector<std::string>& rows() const { return rec_.rows; }
    int selectedRow() const { return rec_.selectedRow; }
    const std::string& loopText() const { return loopText_; }
    bool loopsEnabled() const { return loopsEnabled_; }
    bool recordDelay() const { return rec_.recordDelay; }
    bool recording() const { return rec_.recording; }
    bool hookInstalled() const { return rec_.hookInstalled; }
    bool insertMode() const { return insertMode_; }
    int insertRow() const { return insertRow_; }
    const MacroRecorder& recorder() const { return rec_; }

    // --- names list ---
    void selectMacro(int slot);
    // The list's rename edit committed `name` for `row`. Refused (false) for
    // an empty name, which would mark the slot free in the middle of the
    // table, and for more than 255 characters, which the slot cannot hold.
    bool renameMacro(int row, std::u16string_view name);
    // The 1 s timer: copies every names-list row into its slot's name.
    void timerTick();

    // --- buttons ---
    MacroNotice pressRecord();
    void toggleRecordDelay();
    void toggleLoops();
    // The loop-count edit changed (digits only, at most three); false while
    // the edit is disabled.
    bool setLoopText(std::string_view text);
    // New: false when five macros exist already.
    bool newMacro();
    // Delete, after the user confirmed ConfirmDelete.
    MacroNotice deleteMacro();
    // OK: the working copy becomes `storedMacros`.
    void ok(MacroTable& storedMacros);
    // Where the macro of stored slot `storedSlot` (as opened) is now, -1 when
    // it was deleted: keys that play it follow it there.
    int slotNowOf(int storedSlot) const;
    // The stored slot (as opened) the working slot came from, -1 for a new one.
    int storedSlotOf(int workingSlot) const;
    // Cancel: the working copy is dropped.
    void cancel();

    // --- events list and its menu ---
    // Insert Before/After wait for the key to insert.
    bool inserting() const { return insertMode_; }
    void selectRow(int row);
    MacroNotice insertBefore();
    MacroNotice insertAfter();
    MacroNotice insertMouse(MouseButton button, MouseAction action);
    MacroNotice insertDelay();
    void deleteRow();
    // An in-place edit of either list opened.
    void listEditBegin();
    // The delay of delay row `row` was edited to `ms` (the list keeps it in
    // 2..60000).
    void delayEdited(int row, int ms);

    // Replaces the selected macro's events with `shown` (virtual-key codes),
    // as a recording would. Refused when no macro is selected, for more than
    // 127 events, or for a key the keyboard has no code for.
    bool replaceEvents(const std::vector<MacroEvent>& shown);

    // The hook's report.
    void onHookKey(std::uint8_t vk, bool released) override;

private:
    void saveSlot();
    void reloadSlot();
    void endInsertion();
    void applyLoopText(std::string text);
    int rowCount() const { return static_cast<int>(rec_.rows.size()); }
    bool hasRowAndMacro() const { return selected_ >= 0 && rec_.selectedRow >= 0 && rec_.selectedRow < rowCount(); }
    MacroNotice startInsertion(int row);
    void insertKey(std::uint8_t vk, bool released);

    MacroRecorder rec_;  // holds the hook
    std::array<int, kMacroSlotCount> origin_{};  // working slot -> stored slot, -1 new
    MacroTable working_{};
    std::vector<std::u16string> names_;
    int selected_ = -1;
    std::string loopText_ = "1";
    bool loopsEnabled_ = false;
    bool insertMode_ = false;
    int insertRow_ = 0;
};

}  // namespace morvane
