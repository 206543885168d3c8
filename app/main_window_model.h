// The main window without pixels: its buttons and the order in which a point
// is tested against them, hovering, dragging by the free background, the key
// hit test on the keyboard picture, what a click does, and what the window
// paints. What is plain state (the help panel, the lists, DIY painting,
// Cancel) the model does itself; everything that needs the view (a dialog, a
// question, hiding, a device sequence with progress) comes back as an action.
//
// While the session runs a keyboard sequence (busy()), clicks that would edit
// the configuration are refused: the user waits for Save, a factory reset or
// an arrival to finish.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/draw_list.h"
#include "app/panel/panel_model.h"
#include "config/keyboard_backups.h"
#include "base/texts.h"
#include "device/firmware_version.h"

namespace morvane {

class Session;
struct Outcome;

// The main window's own areas; the settings panel's share the numbering.
namespace areas {
inline constexpr int Help = 0;
inline constexpr int Minimize = 1;
inline constexpr int Close = 2;
inline constexpr int Profile = 14;
inline constexpr int Return = 15;  // factory reset
inline constexpr int Cancel = 16;
inline constexpr int Save = 17;
inline constexpr int Logo = 30;
inline constexpr int SquareFirst = 41;  // 41..52: no action, only not background
inline constexpr int SquareLast = 52;
inline constexpr int Count = 53;
}  // namespace areas

enum class WindowAction {
    None,
    Minimize,            // hide the window; the tray icon stays
    Close,               // "keymap.bin" already holds the shadow state: end the program
    AskSaveBeforeClose,  // ask saveBeforeCloseQuestion(), then answerClose()
    SaveThenClose,       // Save as the Save button does, then closeAfterSave()
    OpenProfileManager,  // then refresh without reading the keyboard
    AskResetToFactory,   // ask factoryResetQuestion(); on OK call resetToFactory()
    Save,                // Session::beginSave with progress shown
    Cancel,              // the edits are already discarded: hide the window
    OpenMacroManager,
    OpenKeyAssignment,   // for ClickOutcome::key
    OpenHomePage,        // kHomePageAddress
    StartUpdater,
    ChooseLanguage,      // offer the two languages; the choice is stored for the next start
    UndoLastSave,        // ask undoLastSaveQuestion(), then Session::beginUndoLastSave
};

struct ClickOutcome {
    WindowAction action = WindowAction::None;
    int key = 255;         // the key of OpenKeyAssignment
    bool refused = false;  // an edit was refused while the keyboard is busy
    std::string problem{};  // what went wrong, for the user (a store not written)
    // A word for the progress strip (what Save did without a keyboard).
    std::optional<Text> flash{};
};

// The three answers to the question the close box asks over unsaved edits.
enum class CloseAnswer { Save, Discard, Cancel };

struct MoveOutcome {
    bool repaint = false;
    bool startDrag = false;  // move the window with the pointer (as by its caption)
};

inline constexpr const char* kHomePageAddress = "https://www.morvane.example/";

// The help panel: "HelpWindow.png" at (830, 22), four rows of 25 pixels.
inline constexpr int kHelpLeft = 830, kHelpTop = 22, kHelpRight = 996, kHelpBottom = 149;
inline constexpr int kHelpRows = 5;
inline constexpr int kHelpRowHeight = 25;

class MainWindowModel {
public:
    explicit MainWindowModel(Session& session) : session_(session), panel_(session) {}

    // A window that could not take its writer lock: it shows everything and
    // refuses, saying `reason`, whatever would write to the files or the
    // keyboard; closing it writes nothing either.
    void setReadOnly(std::string reason);
    const std::string& readOnlyReason() const { return readOnly_; }

    PanelModel& panel() { return panel_; }
    const PanelModel& panel() const { return panel_; }
    bool helpPanelOpen() const { return helpPanelOpen_; }
    int hoveredArea() const { return hoveredArea_; }

    // The area under a window point (window buttons, then the panel, ...), or -1.
    int hitTest(int x, int y) const;
    // The key under the pointer (lit in the picture), or 255.
    int selectedKey() const { return selectedKey_; }
    // The key under a window point, 255 for none; Win and Fn only count while
    // DIY painting is on.
    int keyAt(int x, int y) const;
    // Clicks on the keyboard picture paint the DIY map of the current effect.
    // Only a DIY effect (51..55) has a map, whatever the choice says.
    bool diyPainting() const;

    // Mouse input, in window coordinates.
    void press(int x, int y);
    MoveOutcome move(int x, int y, bool leftButtonDown);
    ClickOutcome release(int x, int y);
    // Focus left the window (or the pointer did): no area is hovered. True
    // when the window must be composed again.
    bool focusLost();

    // The answer to saveBeforeCloseQuestion(). Discard throws the edits away
    // as Cancel does and closes; Save asks the window to save and close only
    // when that worked; Cancel leaves everything as it is.
    ClickOutcome answerClose(CloseAnswer answer);
    // The close box, or "Exit" in the tray: asks first when edits are unsaved.
    ClickOutcome requestClose();
    // The Save that answered the close box has ended.
    ClickOutcome closeAfterSave(const Outcome& saved);

    // The user confirmed the factory reset: the panel folds, DIY painting
    // ends, and the session runs the reset; `done` comes when it has ended.
    void resetToFactory(std::function<void(Outcome)> done);

    // The whole window, in painting order.
    void compose(DrawList& out) const;

private:
    ClickOutcome clickArea(int hit);
    ClickOutcome clickKey(int key);
    ClickOutcome clickHelpPanel(int x, int y);
    ClickOutcome close();
    // Save without a keyboard never reaches the session: nothing can be sent.
    ClickOutcome saveWithoutKeyboard() const;
    bool onFreeBackground(int x, int y) const;
    void composeKeyboard(DrawList& out) const;
    void composeNoKeyboard(DrawList& out) const;

    Session& session_;
    PanelModel panel_;
    bool helpPanelOpen_ = false;
    std::string readOnly_;
    ClickOutcome refusedReadOnly() const;
    int hoveredArea_ = -1;
    int lastHoverKey_ = 255;
    // The key under the pointer, lit in the picture.
    int selectedKey_ = 255;
    // The press that may turn into a drag: only one on the free background does.
    bool pressed_ = false;
    bool pressOnBackground_ = false;
    bool dragging_ = false;
};

// The message boxes of the main window.
struct Question {
    std::string text;
    std::string caption;
    friend bool operator==(const Question&, const Question&) = default;
};
Question factoryResetQuestion(std::uint16_t uiLanguage);
Question saveBeforeCloseQuestion(std::uint16_t uiLanguage);
// Asked before the keyboard gets back what it held before the last Save (the
// newest restore point); nothing when no Save was kept.
std::optional<Question> undoLastSaveQuestion(const std::vector<RestorePoint>& points, std::uint16_t uiLanguage);
// The question that offers the updater, or nothing when it is not newer.
// With the versions: the keyboard's and the updater's, on a line of their own.
std::optional<Question> updateQuestion(UpdateOffer offer, std::uint16_t uiLanguage,
                                       std::optional<std::pair<FirmwareVersion, FirmwareVersion>> versions = {});

// The three rows of the help panel: the web address, the updater, the version.
std::array<std::string, kHelpRows> helpPanelRows(std::uint16_t uiLanguage);

}  // namespace morvane
