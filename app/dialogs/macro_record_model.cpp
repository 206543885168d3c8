#include "app/dialogs/macro_record_model.h"

#include "session/session.h"
#include "base/lighting.h"
#include "base/key_names.h"
#include "base/texts.h"
#include "keymap/assignment_store.h"

namespace morvane {

namespace {

struct Label {
    Text text;
    int x, y, chineseX, chineseY;
    int height;
};

// Captions and button labels.
constexpr Label kLabels[] = {
    {Text::MacroManager, 16, 9, 16, 9, 18},
    {Text::SelectMacro, 39, 60, 39, 60, 15},
    {Text::KeystrokeSequence, 151, 60, 151, 60, 15},
    {Text::RecordOptions, 311, 60, 311, 60, 15},
    {Text::NumberOfLoops, 288, 300, 295, 300, 14},  // inside its group in both languages
    {Text::New, 35, 372, 35, 372, 15},
    {Text::Delete, 92, 372, 95, 372, 15},
    {Text::Ok, 300, 404, 300, 404, 15},
    {Text::Cancel, 352, 404, 352, 404, 15},
};

constexpr const char* kPane = "Pane.png";
constexpr const char* kPaneTicked = "PaneMakingTick.png";
constexpr const char* kPlateNormal = "button-new-normal.png";
constexpr const char* kPlateOver = "button-new-over.png";

struct ButtonAt {
    int button;
    int x, y;
};
constexpr ButtonAt kPlates[] = {
    {kButtonNew, 20, 368}, {kButtonDelete, 80, 368}, {kButtonOk, 280, 400}, {kButtonCancel, 340, 400}};

// The buttons that light up under the pointer (the ticks do not).
bool lightsUp(int button) {
    return button == kButtonRecord || button == kButtonNew || button == kButtonDelete || button == kButtonOk ||
           button == kButtonCancel;
}

std::string pictureIn(const char* file) { return std::string(kMacroManagerFolder) + "/" + file; }

MenuEntry leaf(int id, Text name, std::uint16_t uiLanguage) { return {id, text(name, uiLanguage), {}}; }

MenuEntry mouseMenu(Text button, std::uint16_t uiLanguage, int down, int up, int click) {
    return {0,
            text(button, uiLanguage),
            {leaf(down, Text::ButtonDown, uiLanguage), leaf(up, Text::ButtonUp, uiLanguage),
             leaf(click, Text::ButtonClick, uiLanguage)}};
}

}  // namespace

std::vector<MenuEntry> eventsMenu(std::uint16_t uiLanguage) {
    using namespace macro_menu;
    MenuEntry mouse = leaf(0, Text::InsertMouseKey, uiLanguage);
    mouse.children = {mouseMenu(Text::LeftButton, uiLanguage, LeftDown, LeftUp, LeftClick),
                      mouseMenu(Text::RightButton, uiLanguage, RightDown, RightUp, RightClick),
                      mouseMenu(Text::MiddleButton, uiLanguage, MiddleDown, MiddleUp, MiddleClick)};
    return {leaf(InsertBefore, Text::InsertBefore, uiLanguage), leaf(InsertAfter, Text::InsertAfter, uiLanguage),
            mouse, leaf(InsertDelay, Text::InsertDelay, uiLanguage), leaf(Delete, Text::Delete, uiLanguage)};
}

MacroManagerModel::MacroManagerModel(Clock& clock, KeyHook& hook, std::uint16_t uiLanguage)
    : editor_(clock, hook), language_(uiLanguage) {}

bool MacroManagerModel::chinese() const { return language_ == kLanguageChinese; }

void MacroManagerModel::open(const MacroTable& storedMacros) {
    editor_.open(storedMacros);
    hovered_ = lit_ = kButtonNone;
    pressed_ = pressOnBackground_ = dragging_ = false;
}

// --- painting ---

bool MacroManagerModel::lit(int button) const { return lightsUp(button) && button == lit_; }

void MacroManagerModel::compose(DrawList& list) const {
    const bool zh = chinese();
    list.picture(pictureIn(kMacroManagerBackground), 0, 0);

    // The pictured buttons first, so their labels stay readable on top.
    list.picture(pictureIn(lit(kButtonRecord) ? "Record-over.png" : "Record-normal.png"), 290, 100);
    for (const ButtonAt& b : kPlates) list.picture(pictureIn(lit(b.button) ? kPlateOver : kPlateNormal), b.x, b.y);

    auto label = [&list](std::string_view t, int x, int y, int height) {
        list.text(std::string(t), x, y, height, kManagerTextWeight, kManagerText);
    };
    for (const Label& l : kLabels)
        label(morvane::text(l.text, language_), zh ? l.chineseX : l.x, zh ? l.chineseY : l.y, l.height);

    // A step smaller in English, so that "Start Recording" stays inside its button.
    const char* record = morvane::text(editor_.recording() ? Text::StopRecording : Text::StartRecording, language_);
    if (zh) label(record, 310, 103, 15);
    else label(record, 291, 104, 14);

    // Three lines, clear of the tick at 368.
    int y = 153;
    for (std::string_view line : textLines(Text::RecordDelayCaption, language_)) {
        label(line, 290, y, 15);
        y += zh ? 17 : 15;
    }

    // Insert Before/After wait for a keystroke: say so under the Record button.
    // Every key goes into a recording; only a held Escape ends it: say so there too.
    if (editor_.inserting() || editor_.recording()) {
        const Text hint = editor_.inserting() ? Text::PressKeyToInsert : Text::HoldEscToStop;
        list.text(morvane::text(hint, language_), 286, 130, 12, 600, Colour{0xff, 0x5a, 0x62});
    }

    // The ticks last: a long caption beside one never covers its box.
    list.picture(pictureIn(editor_.loopsEnabled() ? kPaneTicked : kPane), 296, 315);
    list.picture(pictureIn(editor_.recordDelay() ? kPaneTicked : kPane), 368, 168);
}

// --- pointer ---

void MacroManagerModel::press(int x, int y) {
    pressed_ = true;
    dragging_ = false;
    pressOnBackground_ = macroButtonAt(x, y) == kButtonNone;
}

PointerOutcome MacroManagerModel::move(int x, int y, bool leftButtonDown) {
    PointerOutcome out;
    if (!leftButtonDown) pressed_ = pressOnBackground_ = false;
    const int hit = macroButtonAt(x, y);
    if (hit != hovered_) {
        hovered_ = hit;
        // Over a tick the buttons keep their look.
        if (hit == kButtonNone || lightsUp(hit)) {
            out.repaint = lit_ != hit;
            lit_ = hit;
        }
    }
    // Only a press that went down on a free spot moves the window, and only
    // while the button is held.
    if (pressed_ && pressOnBackground_ && !dragging_) {
        dragging_ = true;
        out.startDrag = true;
    }
    return out;
}

ManagerClick MacroManagerModel::release(int x, int y) {
    const bool dragged = dragging_;
    pressed_ = pressOnBackground_ = dragging_ = false;
    if (dragged) return {};

    switch (macroButtonAt(x, y)) {
    case kButtonRecord:
        if (const MacroNotice n = editor_.pressRecord(); n != MacroNotice::None) return {ManagerAction::Notice, n};
        return {};
    case kButtonRecordDelay: editor_.toggleRecordDelay(); return {};
    case kButtonLoops: editor_.toggleLoops(); return {};
    case kButtonNew: editor_.newMacro(); return {};
    case kButtonDelete: return {ManagerAction::ConfirmDelete, MacroNotice::ConfirmDelete};
    case kButtonOk: return {ManagerAction::Accept, MacroNotice::None};
    case kButtonCancel: return {ManagerAction::Reject, MacroNotice::None};
    default: return {};
    }
}

ManagerClick MacroManagerModel::activate(int button) {
    const MacroButtonArea a = macroButtonArea(button);
    pressed_ = pressOnBackground_ = dragging_ = false;
    return release((a.left + a.right) / 2, (a.top + a.bottom) / 2);
}

std::vector<ManagerStop> managerStopsBefore(std::uint16_t language) {
    std::string delay;
    for (const std::string_view line : textLines(Text::RecordDelayCaption, language))
        delay += (delay.empty() || language == kLanguageChinese ? "" : " ") + std::string(line);
    return {{kButtonRecord, text(Text::StartRecording, language)},
            {kButtonRecordDelay, delay},
            {kButtonLoops, text(Text::NumberOfLoops, language)}};
}

std::vector<ManagerStop> managerStopsAfter(std::uint16_t language) {
    return {{kButtonNew, text(Text::New, language)},
            {kButtonDelete, text(Text::Delete, language)},
            {kButtonOk, text(Text::Ok, language)},
            {kButtonCancel, text(Text::Cancel, language)}};
}

NoticeText MacroManagerModel::deleteQuestion(const Session& session) {
    const NoticeText plain = text(MacroNotice::ConfirmDelete);
    // A new macro (never stored) is played by no key yet.
    const int slot = editor_.selectedMacro() < 0 ? -1 : editor_.storedSlotOf(editor_.selectedMacro());
    const std::vector<int> keys = slot < 0 ? std::vector<int>{} : session.keysPlayingMacro(slot);
    if (keys.empty()) return plain;
    std::string names;
    for (const int key : keys) {
        std::string name = keyName(keyVirtualKey[key]);
        while (!name.empty() && name.back() == ' ') name.pop_back();
        names += (names.empty() ? "" : ", ") + name;
    }
    deleteQuestion_ = std::string(plain.text) + "\n" + textWith(Text::DeletedMacroKeys, language_, names);
    return {deleteQuestion_.c_str(), plain.caption};
}

bool MacroManagerModel::pointerLeft() {
    hovered_ = kButtonNone;
    if (lit_ == kButtonNone) return false;
    lit_ = kButtonNone;
    return true;
}

// --- menu ---

MacroNotice MacroManagerModel::menuCommand(int id) {
    using namespace macro_menu;
    auto mouse = [this](MouseButton b, MouseAction a) { return editor_.insertMouse(b, a); };
    switch (id) {
    case InsertBefore: return editor_.insertBefore();
    case InsertAfter: return editor_.insertAfter();
    case InsertDelay: return editor_.insertDelay();
    case Delete: editor_.deleteRow(); return MacroNotice::None;
    case LeftDown: return mouse(MouseButton::Left, MouseAction::Down);
    case LeftUp: return mouse(MouseButton::Left, MouseAction::Up);
    case LeftClick: return mouse(MouseButton::Left, MouseAction::Click);
    case RightDown: return mouse(MouseButton::Right, MouseAction::Down);
    case RightUp: return mouse(MouseButton::Right, MouseAction::Up);
    case RightClick: return mouse(MouseButton::Right, MouseAction::Click);
    case MiddleDown: return mouse(MouseButton::Middle, MouseAction::Down);
    case MiddleUp: return mouse(MouseButton::Middle, MouseAction::Up);
    case MiddleClick: return mouse(MouseButton::Middle, MouseAction::Click);
    default: return MacroNotice::None;
    }
}

}  // namespace morvane
