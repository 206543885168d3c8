#include "app/dialogs/macro_record_model.h"

#include "app/session/session.h"
#include "base/lighting.h"
#include "keymap/assignment_store.h"

namespace morvane {

namespace {

struct Label {
    const char* english;
    const char* chinese;
    int x, y, chineseX, chineseY;
    int height;
};

// Captions and button labels, in both languages.
constexpr Label kLabels[] = {
    {"Macro Manager", "宏管理器", 16, 9, 16, 9, 18},
    {"Select Macro", "选择宏", 39, 60, 39, 60, 15},
    {"Keystrobe Sequence", "按键系列", 151, 60, 151, 60, 15},
    {"Options", "录制选项", 311, 60, 311, 60, 15},
    {"Number of Loops", "循环次数", 295, 300, 295, 300, 15},
    {"New", "新建", 35, 372, 35, 372, 15},
    {"Delete", "删除", 92, 372, 95, 372, 15},
    {"OK", "确定", 300, 404, 300, 404, 15},
    {"Cancel", "取消", 352, 404, 352, 404, 15},
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

MenuEntry leaf(int id, bool zh, const char* english, const char* chinese) {
    return {id, zh ? chinese : english, {}};
}

MenuEntry mouseMenu(bool zh, const char* english, const char* chinese, int down, int up, int click) {
    return {0,
            zh ? chinese : english,
            {leaf(down, zh, "Down", "压下"), leaf(up, zh, "Up", "释放"), leaf(click, zh, "Click", "单击")}};
}

}  // namespace

std::vector<MenuEntry> eventsMenu(std::uint16_t uiLanguage) {
    using namespace macro_menu;
    const bool zh = uiLanguage == kLanguageChinese;
    MenuEntry mouse{0, zh ? "插入鼠标按键" : "Insert Mouse Key", {}};
    mouse.children = {mouseMenu(zh, "Left", "左键", LeftDown, LeftUp, LeftClick),
                      mouseMenu(zh, "Right", "右键", RightDown, RightUp, RightClick),
                      mouseMenu(zh, "Middle", "中键", MiddleDown, MiddleUp, MiddleClick)};
    return {leaf(InsertBefore, zh, "Insert Before", "在之前开始录入"),
            leaf(InsertAfter, zh, "Insert After", "在之后开始录入"),
            mouse,
            leaf(InsertDelay, zh, "Insert Delay", "插入延迟"),
            leaf(Delete, zh, "Delete", "删除")};
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

    auto text = [&list](const char* t, int x, int y, int height) {
        list.text(t, x, y, height, kManagerTextWeight, kManagerText);
    };
    for (const Label& l : kLabels) text(zh ? l.chinese : l.english, zh ? l.chineseX : l.x, zh ? l.chineseY : l.y, l.height);

    // A step smaller in English, so that "Start Recording" stays inside its button.
    if (zh) text(editor_.recording() ? "停止录制" : "开始录制", 310, 103, 15);
    else text(editor_.recording() ? "Stop Recording" : "Start Recording", 291, 104, 14);

    if (zh) {
        text("记录按键动作", 290, 168, 15);
        text("间的延迟", 290, 184, 15);
    } else {
        text("Record Delay", 290, 153, 15);
        text("between", 290, 168, 15);
        text("keystrokes", 290, 183, 15);
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
