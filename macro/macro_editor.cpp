#include "macro/macro_editor.h"

#include "platform/utf.h"

#include <algorithm>
#include <cstdio>

#include "base/key_names.h"
#include "base/texts.h"

namespace morvane {

namespace {

int leadingNumber(std::string_view text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        if (value < 100000000) value = value * 10 + (c - '0');
    }
    return value;
}

std::uint8_t mouseCode(MouseButton b) {
    switch (b) {
    case MouseButton::Right: return kMouseRight;
    case MouseButton::Middle: return kMouseMiddle;
    case MouseButton::Left: break;
    }
    return kMouseLeft;
}

MacroEvent shownEvent(std::uint8_t code, bool released) {
    MacroEvent e{code, released ? kActionRelease : kActionPress, {}};
    e.setDelay(1);
    return e;
}

void setDelayBoth(MacroEvents& device, MacroEvents& display, int index, std::uint16_t ms) {
    device[index].setDelay(ms);
    display[index].setDelay(ms);
}

constexpr MacroButtonArea kButtons[] = {
    {290, 100, 379, 124}, {368, 168, 382, 182}, {296, 315, 310, 329}, {20, 368, 77, 392},
    {80, 368, 137, 392},  {280, 400, 337, 424}, {340, 400, 397, 424},
};

}  // namespace

NoticeText noticeText(MacroNotice notice, std::uint16_t uiLanguage) {
    auto box = [uiLanguage](Text message, Text caption) {
        return NoticeText{text(message, uiLanguage), text(caption, uiLanguage)};
    };
    switch (notice) {
    case MacroNotice::SelectMacroToRecord: return box(Text::SelectMacroToRecord, Text::MacroManager);
    case MacroNotice::SelectMacroToDelete: return box(Text::SelectMacroToDelete, Text::MacroNoticeCaption);
    case MacroNotice::ConfirmDelete: return box(Text::ConfirmDeleteMacro, Text::MacroNoticeCaption);
    case MacroNotice::EditCurrentDelay: return box(Text::EditCurrentDelay, Text::MacroNoticeCaption);
    case MacroNotice::MacroFull: return box(Text::MacroFull, Text::MacroNoticeCaption);
    case MacroNotice::None: break;
    }
    return {"", ""};
}

int macroButtonAt(int x, int y) {
    for (int i = 0; i < static_cast<int>(std::size(kButtons)); ++i) {
        const MacroButtonArea& r = kButtons[i];
        if (x >= r.left && x <= r.right && y >= r.top && y <= r.bottom) return i;
    }
    return kButtonNone;
}

MacroButtonArea macroButtonArea(int button) {
    return button >= 0 && button < static_cast<int>(std::size(kButtons)) ? kButtons[button] : MacroButtonArea{};
}

MacroEditor::MacroEditor(Clock& clock, KeyHook& hook) : rec_(clock, hook, *this) {}

MacroEditor::~MacroEditor() { rec_.removeHook(); }

void MacroEditor::open(const MacroTable& storedMacros) {
    rec_.readFrequency();
    rec_.lastEventText.clear();
    rec_.removeHook();
    rec_.recording = false;
    rec_.recordDelay = false;
    rec_.clear();
    loopsEnabled_ = false;
    insertMode_ = false;
    loopText_ = "1";
    working_ = storedMacros;
    for (int k = 0; k < kMacroSlotCount; ++k) origin_[k] = k;

    // Row i must stay slot i, so the list ends at the first free slot, as the
    // keyboard's macro blocks do.
    names_.clear();
    for (int k = 0; k < kMacroSlotCount && !working_[k].isFree(); ++k) names_.push_back(working_[k].nameText());

    selected_ = -1;
    if (names_.empty()) return;
    selected_ = 0;
    const MacroSlot& first = working_[0];
    loopsEnabled_ = first.loopCount > 1;
    loopText_ = std::to_string(first.loopCount);
    rec_.recordDelay = (first.delayMode & 1) != 0;
    reloadSlot();
}

// --- names list ---

void MacroEditor::selectMacro(int slot) {
    if (slot < 0 || slot >= static_cast<int>(names_.size())) return;
    selected_ = slot;
    rec_.rows.clear();
    const MacroSlot& m = working_[slot];
    rec_.recordDelay = (m.delayMode & 1) != 0;
    const int loops = m.loopCount == 0 ? 1 : m.loopCount;
    loopsEnabled_ = loops != 1;
    loopText_ = std::to_string(loops);
    reloadSlot();
}

bool MacroEditor::renameMacro(int row, std::u16string_view name) {
    if (row < 0 || row >= static_cast<int>(names_.size())) return false;
    if (name.empty() || name.size() > kMaxMacroNameChars) return false;
    // No control characters (NUL, line breaks, tabs), no unpaired surrogates.
    if (!isPlainUtf8Text(toUtf8(name)) || toUtf16(toUtf8(name)) != name) return false;
    // An edit opens on the selected row; make sure the buffers belong to it
    // before the next slot save writes them under this name.
    if (row != selected_) selectMacro(row);
    names_[row] = std::u16string(name);
    return true;
}

void MacroEditor::timerTick() {
    for (std::size_t i = 0; i < names_.size(); ++i) working_[i].setName(names_[i]);
}

// --- buttons ---

MacroNotice MacroEditor::pressRecord() {
    if (selected_ < 0) return MacroNotice::SelectMacroToRecord;
    if (rec_.recording) {
        rec_.stop();
        return MacroNotice::None;
    }
    rec_.start();
    working_[selected_].deviceEvents = {};
    working_[selected_].displayEvents = {};
    return MacroNotice::None;
}

void MacroEditor::toggleRecordDelay() {
    rec_.recordDelay = !rec_.recordDelay;
    // What the tick shows is what the slot keeps, even if no slot save
    // follows before another macro is chosen or OK is pressed.
    if (selected_ >= 0) working_[selected_].delayMode = rec_.recordDelay ? 1 : 0;
}

void MacroEditor::toggleLoops() {
    loopsEnabled_ = !loopsEnabled_;
    if (!loopsEnabled_) applyLoopText("1");
}

bool MacroEditor::setLoopText(std::string_view text) {
    if (!loopsEnabled_ || text.size() > 3) return false;
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    applyLoopText(std::string(text));
    return true;
}

void MacroEditor::applyLoopText(std::string text) {
    loopText_ = std::move(text);
    if (selected_ >= 0) working_[selected_].loopCount = leadingNumber(loopText_);
}

bool MacroEditor::newMacro() {
    if (names_.size() >= static_cast<std::size_t>(kMacroSlotCount)) return false;
    std::u16string name;
    for (int i = 1;; ++i) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "Macro_00%d", i);
        name.assign(buf, buf + std::char_traits<char>::length(buf));
        if (std::find(names_.begin(), names_.end(), name) == names_.end()) break;
    }
    names_.push_back(name);
    selected_ = static_cast<int>(names_.size()) - 1;
    working_[selected_] = MacroSlot{};
    working_[selected_].setName(name);
    origin_[selected_] = -1;

    rec_.clear();
    rec_.removeHook();
    rec_.recording = false;
    rec_.recordDelay = false;
    loopsEnabled_ = false;
    loopText_ = "1";
    insertMode_ = false;
    return true;
}

MacroNotice MacroEditor::deleteMacro() {
    if (selected_ < 0) return MacroNotice::SelectMacroToDelete;
    const int s = selected_;
    const int last = static_cast<int>(names_.size()) - 1;
    names_.erase(names_.begin() + s);
    rec_.rows.clear();
    // Later macros move down one slot; the keys that play them follow at OK.
    for (int k = s; k < last; ++k) {
        working_[k] = working_[k + 1];
        origin_[k] = origin_[k + 1];
    }
    working_[last] = MacroSlot{};
    origin_[last] = -1;

    rec_.removeHook();
    rec_.recording = false;
    insertMode_ = false;
    selected_ = -1;
    const int next = std::min(s, last - 1);
    if (next >= 0) {
        selectMacro(next);
    } else {
        rec_.clear();
        loopsEnabled_ = false;
        loopText_ = "1";
    }
    return MacroNotice::None;
}

void MacroEditor::ok(MacroTable& storedMacros) {
    rec_.removeHook();
    rec_.recording = false;
    insertMode_ = false;
    // A rename made less than a second ago has not reached its slot yet.
    timerTick();
    if (loopsEnabled_ && selected_ >= 0) working_[selected_].loopCount = leadingNumber(loopText_);
    storedMacros = working_;
}

int MacroEditor::slotNowOf(int storedSlot) const {
    for (int k = 0; k < kMacroSlotCount; ++k)
        if (origin_[k] == storedSlot && !working_[k].isFree()) return k;
    return -1;
}

int MacroEditor::storedSlotOf(int workingSlot) const {
    if (workingSlot < 0 || workingSlot >= kMacroSlotCount) return -1;
    return origin_[workingSlot];
}

void MacroEditor::cancel() {
    rec_.removeHook();
    rec_.recording = false;
    insertMode_ = false;
}

// --- events list ---

void MacroEditor::selectRow(int row) { rec_.selectedRow = row >= 0 && row < rowCount() ? row : -1; }

MacroNotice MacroEditor::startInsertion(int row) {
    // A key insertion adds a press and its release; both must fit.
    if (rec_.eventCount() > kMacroEventCount - 2) return MacroNotice::MacroFull;
    insertRow_ = row;
    insertMode_ = true;
    rec_.installHook();
    return MacroNotice::None;
}

MacroNotice MacroEditor::insertBefore() {
    if (!hasRowAndMacro()) return MacroNotice::None;
    const int r = rec_.selectedRow;
    const auto& rows = rec_.rows;
    int at = r;
    if (r > 0 && !isDelayRow(rows[r]) && isDelayRow(rows[r - 1])) at = r - 1;
    return startInsertion(at);
}

MacroNotice MacroEditor::insertAfter() {
    if (!hasRowAndMacro()) return MacroNotice::None;
    const int r = rec_.selectedRow;
    int at = r + 1;
    if (r != rowCount() - 1 && isDelayRow(rec_.rows[r])) at = r + 2;
    return startInsertion(at);
}

void MacroEditor::insertKey(std::uint8_t vk, bool released) {
    // Nothing to insert into, or a key the keyboard cannot play.
    if (selected_ < 0 || keyUsage(vk) == 0) return;
    if (insertRow_ < 0 || insertRow_ > rowCount()) {
        endInsertion();
        return;
    }
    const int count = rec_.eventCount();
    const bool fits = released ? count < kMacroEventCount : count <= kMacroEventCount - 2;
    if (fits) {
        const int j = EventOfRow(rec_.deviceBuffer, insertRow_ + 1);
        insertMacroEvent(rec_.deviceBuffer, rec_.displayBuffer, j, shownEvent(vk, released));
        rec_.rows.insert(rec_.rows.begin() + insertRow_, eventRowText(vk, released));
        // A recording that goes on appends after the inserted events.
        rec_.appendOffset = 4 * rec_.eventCount();
    }
    if (!released) {
        if (fits) ++insertRow_;
        return;
    }
    endInsertion();
}

void MacroEditor::endInsertion() {
    insertMode_ = false;
    // The hook was taken for the insertion; a recording keeps it.
    if (!rec_.recording) rec_.removeHook();
}

MacroNotice MacroEditor::insertMouse(MouseButton button, MouseAction action) {
    if (!hasRowAndMacro()) return MacroNotice::None;
    const int r = rec_.selectedRow;
    const int target = isDelayRow(rec_.rows[r]) ? r + 2 : r + 1;
    const int j = EventOfRow(rec_.deviceBuffer, target);
    const int needed = action == MouseAction::Click ? 2 : 1;
    if (rec_.eventCount() + needed > kMacroEventCount) return MacroNotice::MacroFull;

    const std::uint8_t code = mouseCode(button);
    auto& dev = rec_.deviceBuffer;
    auto& dis = rec_.displayBuffer;
    if (action != MouseAction::Up) insertMacroEvent(dev, dis, j, shownEvent(code, false));
    // The release of a click goes right after its press.
    if (action != MouseAction::Down) insertMacroEvent(dev, dis, action == MouseAction::Click ? j + 1 : j, shownEvent(code, true));
    endInsertion();
    saveSlot();
    reloadSlot();
    return MacroNotice::None;
}

MacroNotice MacroEditor::insertDelay() {
    if (!hasRowAndMacro()) return MacroNotice::None;
    const int r = rec_.selectedRow;
    if (isDelayRow(rec_.rows[r])) return MacroNotice::EditCurrentDelay;
    const int j = EventOfRow(rec_.deviceBuffer, r + 1);
    const int count = rec_.eventCount();
    if (j < count) setDelayBoth(rec_.deviceBuffer, rec_.displayBuffer, j, 50);
    // The first event never waits.
    if (count > 0) setDelayBoth(rec_.deviceBuffer, rec_.displayBuffer, 0, 1);
    endInsertion();
    saveSlot();
    reloadSlot();
    return MacroNotice::None;
}

void MacroEditor::deleteRow() {
    if (!hasRowAndMacro()) return;
    const int r = rec_.selectedRow;
    const int j = EventOfRow(rec_.deviceBuffer, r + 1);
    if (isDelayRow(rec_.rows[r])) {
        if (j < rec_.eventCount()) setDelayBoth(rec_.deviceBuffer, rec_.displayBuffer, j, 1);
    } else {
        removeMacroEvent(rec_.deviceBuffer, rec_.displayBuffer, j);
    }
    endInsertion();
    saveSlot();
    reloadSlot();
}

void MacroEditor::listEditBegin() {
    rec_.removeHook();
    rec_.recording = false;
}

void MacroEditor::delayEdited(int row, int ms) {
    if (selected_ < 0 || row < 0 || row >= rowCount()) return;
    ms = std::clamp(ms, 2, 60000);
    const int j = EventOfRow(rec_.deviceBuffer, row + 1);
    if (j < rec_.eventCount()) setDelayBoth(rec_.deviceBuffer, rec_.displayBuffer, j, static_cast<std::uint16_t>(ms));
    working_[selected_].deviceEvents = rec_.deviceBuffer;
    working_[selected_].displayEvents = rec_.displayBuffer;
    reloadSlot();
}

bool MacroEditor::replaceEvents(const std::vector<MacroEvent>& shown) {
    if (selected_ < 0 || shown.size() > static_cast<std::size_t>(kMacroEventCount)) return false;
    for (const MacroEvent& e : shown)
        if (keyUsage(e.code) == 0 || (e.action != kActionPress && e.action != kActionRelease)) return false;
    MacroSlot& slot = working_[selected_];
    slot.deviceEvents = {};
    slot.displayEvents = {};
    for (std::size_t i = 0; i < shown.size(); ++i) {
        slot.displayEvents[i] = shown[i];
        slot.deviceEvents[i] = deviceEventOf(shown[i]);
    }
    reloadSlot();
    return true;
}

void MacroEditor::onHookKey(std::uint8_t vk, bool released) {
    if (insertMode_) insertKey(vk, released);
    else if (selected_ >= 0) rec_.onKey(vk, released);
    saveSlot();
}

// --- slot save and load ---

void MacroEditor::saveSlot() {
    if (selected_ < 0) return;
    MacroSlot& slot = working_[selected_];
    slot.setName(names_[selected_]);
    slot.loopCount = loopsEnabled_ ? leadingNumber(loopText_) : 1;
    slot.delayMode = rec_.recordDelay ? 1 : 0;
    slot.deviceEvents = rec_.deviceBuffer;
    slot.displayEvents = rec_.displayBuffer;
}

void MacroEditor::reloadSlot() {
    if (selected_ >= 0) rec_.load(working_[selected_]);
}

}  // namespace morvane
