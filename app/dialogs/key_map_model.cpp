#include "app/dialogs/key_map_model.h"

#include "app/dialogs/key_map_layout.h"

#include "session/session.h"

#include <algorithm>
#include <tuple>

#include "base/lighting.h"
#include "base/key_names.h"
#include "platform/utf.h"

namespace morvane {

namespace {

using namespace key_map_layout;

// Both edges included.
bool inside(int x, int y, int x1, int y1, int x2, int y2) { return x >= x1 && x <= x2 && y >= y1 && y <= y2; }

bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

std::string keyText(std::uint8_t vk) { return vk ? keyName(vk) : std::string(); }

std::string u8(std::u16string_view text) { return toUtf8(text); }

}  // namespace

PathPicker pathPickerFor(int row, std::uint16_t uiLanguage) {
    static const char* const kExtensions[3] = {"mp3", "exe", "txt"};
    PathPicker p;
    p.row = row;
    if (row == 3) {
        p.folder = true;
        p.title = "modification path";
        return p;
    }
    const std::string ext = kExtensions[std::clamp(row, 0, 2)];
    p.filter = ext + " Files(*." + ext + ")";
    p.pattern = "*." + ext;
    p.defaultSuffix = ext;
    if (row != 1) {
        p.moreFilters.push_back(text(Text::AllFilesFilter, uiLanguage));
        return p;
    }
#ifndef _WIN32
    // Programs here have no ".exe": offer what may be run, and never add the
    // suffix to a typed name.
    p.moreFilters.push_back(text(Text::ProgramsFilter, uiLanguage));
    p.selectedFilter = 1;
    p.executablesFilter = true;
    p.defaultSuffix.clear();
#endif
    return p;
}

std::string shownLaunchPath(std::u16string_view path) {
    // A path the box has room for is shown whole.
    if (path.size() <= kPathFitsChars) return u8(path);
    // From the last separator that leaves at least two characters after it;
    // without one, the last 11 characters, so the text stays 13 long.
    std::u16string_view tail = path.substr(path.size() - 11);
    for (std::size_t i = path.size() - 2; i-- > 0;)
        if (isSeparator(path[i])) {
            tail = path.substr(i);
            break;
        }
    // A long last part shows its end, which names the file.
    if (tail.size() > kShownPathLimit - 2) tail = path.substr(path.size() - (kShownPathLimit - 2));
    return ".." + u8(tail);
}

std::string singleBoxText(std::uint8_t vk) { return keyText(vk); }

std::string combineBoxText(const std::uint8_t* keys, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i > 0) text += "+ ";
        text += keyText(keys[i]);
    }
    return text;
}

bool isFunctionCategory(std::string_view text) {
    for (const char* c : {"Media", "Shortcut", "Windows", "多媒体", "快捷健"})
        if (text == c) return true;
    return false;
}

TreeModel buildFunctionTree(std::uint16_t uiLanguage) {
    const bool zh = uiLanguage == kLanguageChinese;
    TreeModel tree;
    std::vector<std::pair<std::string, TreeItem>> categories;
    for (const FunctionEntry& f : FunctionTable) {
        TreeItem parent = kNoTreeItem;
        if (f.categoryEnglish) {
            const std::string category = zh ? f.categoryChinese : f.categoryEnglish;
            auto it = std::find_if(categories.begin(), categories.end(), [&](const auto& c) { return c.first == category; });
            if (it == categories.end()) it = categories.insert(categories.end(), {category, tree.insertItem(category)});
            parent = it->second;
        }
        tree.insertItem(zh ? f.chinese : f.english, parent);
    }
    return tree;
}

// --- a run ---------------------------------------------------------------------

void KeyMapModel::initialise(const KeyMapContext& ctx) {
    language_ = ctx.uiLanguage;
    currentVk_ = ctx.currentVirtualKey;
    record_ = ctx.record;
    page_ = PageSingleCombine;
    hovered_ = hoveredBrowse_ = -1;
    pressed_ = pressOnBackground_ = dragging_ = false;
    hookActive_ = false;
    armed_.reset();

    // A function record names its function in the language shown.
    if (record_.kind == KindFunction) {
        request_.functionName.clear();
        for (const FunctionEntry& f : FunctionTable)
            if (std::equal(f.entry.begin(), f.entry.end(), record_.keys.begin())) {
                request_.functionName = toUtf16(language_ == kLanguageChinese ? f.chinese : f.english);
                break;
            }
    }
    functions_ = buildFunctionTree(language_);
    const std::string chosen = u8(request_.functionName);
    for (TreeItem item = 0; item < functions_.itemCount(); ++item)
        if (!functions_.hasChildren(item) && functions_.text(item) == chosen) {
            functions_.select(item);  // opens its category
            break;
        }

    macroNames_.clear();
    for (const MacroSlot& slot : ctx.macros) {
        if (slot.isFree()) break;
        macroNames_.push_back(u8(slot.nameText()));
    }
    selectedMacro_ = -1;

    request_.resetForDialog();
    advanceRow_ = markedRow_ = kNoAdvanceRow;
    singleText_.clear();
    combineText_.clear();
    request_.kind = record_.kind;
    request_.selectedCount = record_.keyCount;
    // The request starts from the record itself, whichever run this is: the
    // box it fills shows exactly the keys it holds.
    switch (record_.kind) {
    case KindSingle:
        request_.selectedKeys[0] = record_.keys[0];
        request_.selectedCount = 1;
        singleText_ = singleBoxText(record_.keys[0]);
        break;
    case KindCombination: {
        int count = 0;
        while (count < 3 && record_.keys[count]) ++count;
        std::copy_n(record_.keys.begin(), count, request_.selectedKeys.begin());
        request_.selectedCount = count;
        combineText_ = combineBoxText(record_.keys.data(), count);
        break;
    }
    case KindMacro:
        page_ = PageMacro;
        if (record_.keys[0] < macroNames_.size()) selectedMacro_ = record_.keys[0];
        break;
    case KindFunction:
        page_ = PageBasic;
        break;
    case KindPlaySound:
    case KindStartProgram:
    case KindOpenFile:
    case KindOpenFolder:
        page_ = PageAdvance;
        request_.launchPath = record_.pathText();
        advanceRow_ = static_cast<std::uint8_t>(record_.kind - KindPlaySound);
        break;
    default:
        break;
    }
    disableTicked_ = !ctx.keyEnabled;
    request_.keyEnabled = ctx.keyEnabled ? 1 : 0;
}

std::string KeyMapModel::pathTipAt(int x, int y) const {
    const int cell = page_ == PageAdvance ? advanceCellAt(x, y) : -1;
    if (cell < 0 || cell % 4 != 2 || cell / 4 != advanceRow_ || request_.launchPath.empty()) return {};
    return u8(request_.launchPath);
}

std::string KeyMapModel::titleText() const { return std::string(text(Text::CurrentKey)) + " " + keyText(currentVk_); }

// --- input ---------------------------------------------------------------------

void KeyMapModel::clearSelection() {
    request_.selectedKeys.fill(0);
    request_.selectedCount = 0;
}

void KeyMapModel::hookKey(std::uint8_t vk) {
    // A key the keyboard has no code for could never be sent.
    if (!hookActive_ || !armed_ || keyUsage(vk) == 0) return;
    if (request_.kind == KindSingle) {
        clearSelection();
        request_.selectedKeys[0] = vk;
        request_.selectedCount = 1;
        singleText_ = singleBoxText(vk);
        armed_.reset();
    } else if (request_.kind == KindCombination) {
        const int n = request_.selectedCount < 0 || request_.selectedCount >= 3 ? 0 : request_.selectedCount;
        // A held key repeats its press: it is in the combination once.
        if (std::find(request_.selectedKeys.begin(), request_.selectedKeys.begin() + n, vk) !=
            request_.selectedKeys.begin() + n)
            return;
        request_.selectedKeys[n] = vk;
        combineText_ = combineBoxText(request_.selectedKeys.data(), n + 1);
        request_.selectedCount = n + 1;
        if (n + 1 == 3) armed_.reset();  // a combination holds three keys at most
    }
}

void KeyMapModel::hookKeyReleased(std::uint8_t) {
    // Keys held together make the combination; letting one go ends it.
    if (armed_ == KeyMapBox::Combine && request_.kind == KindCombination && request_.selectedCount > 0)
        armed_.reset();
}

void KeyMapModel::chooseBox(KeyMapBox box) {
    // Choosing a box chooses between a single key and a combination, and
    // starts it afresh; both boxes show what is captured, which is nothing yet.
    request_.kind = box == KeyMapBox::Single ? KindSingle : KindCombination;
    clearSelection();
    singleText_.clear();
    combineText_.clear();
}

void KeyMapModel::arm(KeyMapBox box) {
    chooseBox(box);
    armed_ = box;
}

void KeyMapModel::disarm() { armed_.reset(); }

std::string KeyMapModel::boxPrompt(KeyMapBox box) const {
    if (armed_ == box) return text(Text::SingleBoxHint);
    return text(Text::CaptureBoxArm);
}

KeyMapOutcome KeyMapModel::activate(const KeyMapStop& stop) {
    pressed_ = dragging_ = pressOnBackground_ = false;
    armed_.reset();
    return release(stop.clickX, stop.clickY);
}

KeyMapOutcome KeyMapModel::cancelKey() {
    KeyMapOutcome out;
    clearSelection();
    armed_.reset();
    out.close = KeyMapClose::Cancel;
    return out;
}

KeyMapOutcome KeyMapModel::enterKey() {
    armed_.reset();
    return save();
}

namespace {

KeyMapStop stopOf(int button, std::string name, int page = -1) {
    const Button& b = kButtons[button];
    return {{b.x1, b.y1, b.x2 - b.x1 + 1, b.y2 - b.y1 + 1}, std::move(name), page, (b.x1 + b.x2) / 2,
            (b.y1 + b.y2) / 2};
}

}  // namespace

std::vector<KeyMapStop> keyMapStopsBefore(std::uint16_t language) {
    const auto t = [language](Text id) { return std::string(text(id, language)); };
    std::vector<KeyMapStop> stops;
    const Text tabs[4] = {Text::SingleCombineTab, Text::MacroTab, Text::BasicTab, Text::AdvanceTab};
    for (int i = 0; i < 4; ++i) stops.push_back(stopOf(keymap_buttons::Tab0 + i, t(tabs[i])));
    // The Advance page's rows: the choice, then its browse button.
    const Text rows[kAdvanceRows] = {Text::PlaySound, Text::Startup, Text::OpenFile, Text::OpenFolder};
    for (int r = 0; r < kAdvanceRows; ++r) {
        const int dy = 30 * r;
        stops.push_back({{13, 67 + dy, 62, 19}, t(rows[r]), PageAdvance, 20, 76 + dy});
        stops.push_back({{254, 66 + dy, 51, 20}, t(rows[r]) + ": " + t(Text::Browse), PageAdvance, 279, 75 + dy});
    }
    return stops;
}

std::vector<KeyMapStop> keyMapStopsAfter(std::uint16_t language) {
    const auto t = [language](Text id) { return std::string(text(id, language)); };
    KeyMapStop tick = stopOf(keymap_buttons::Disable, t(Text::DisableKey));
    tick.area = {tick.area.x - 3, tick.area.y - 3, tick.area.width + 6, tick.area.height + 6};
    return {tick, stopOf(keymap_buttons::Default, t(Text::DefaultKey)),
            stopOf(keymap_buttons::Cancel, t(Text::Cancel)), stopOf(keymap_buttons::Save, t(Text::Save)),
            stopOf(keymap_buttons::Close, t(Text::Close))};
}

void KeyMapModel::selectMacro(int row) { selectedMacro_ = row >= 0 && row < static_cast<int>(macroNames_.size()) ? row : -1; }

void KeyMapModel::selectFunction(TreeItem item) { functions_.select(functions_.valid(item) ? item : kNoTreeItem); }

int KeyMapModel::buttonAt(int x, int y) const {
    const Button& tick = kButtons[keymap_buttons::Disable];
    if (inside(x, y, tick.x1 - kTickSlack, tick.y1 - kTickSlack, tick.x2 + kTickSlack, tick.y2 + kTickSlack))
        return keymap_buttons::Disable;
    for (int b = 0; b < keymap_buttons::Count; ++b)
        if (inside(x, y, kButtons[b].x1, kButtons[b].y1, kButtons[b].x2, kButtons[b].y2)) return b;
    return -1;
}

int KeyMapModel::advanceCellAt(int x, int y) {
    for (int r = 0; r < kAdvanceRows; ++r) {
        const int dy = 30 * r;
        if (inside(x, y, 15, 72 + dy, 25, 81 + dy)) return 4 * r;
        if (inside(x, y, 30, 69 + dy, 72, 84 + dy)) return 4 * r + 1;
        if (inside(x, y, 83, 68 + dy, 243, 83 + dy)) return 4 * r + 2;
        if (inside(x, y, 256, 68 + dy, 302, 83 + dy)) return 4 * r + 3;
    }
    return -1;
}

bool KeyMapModel::onFreeBackground(int x, int y) const {
    return buttonAt(x, y) == -1 && (page_ != PageAdvance || advanceCellAt(x, y) == -1);
}

void KeyMapModel::press(int x, int y) {
    pressed_ = true;
    dragging_ = false;
    pressOnBackground_ = onFreeBackground(x, y);
}

KeyMapMove KeyMapModel::move(int x, int y, bool leftButtonDown) {
    KeyMapMove out;
    if (!leftButtonDown) pressed_ = pressOnBackground_ = false;
    if (const int hit = buttonAt(x, y); hit != hovered_) {
        hovered_ = hit;
        out.repaint = true;
    }
    const int cell = page_ == PageAdvance ? advanceCellAt(x, y) : -1;
    const int browse = cell >= 0 && cell % 4 == 3 ? cell / 4 : -1;
    if (browse != hoveredBrowse_) {
        hoveredBrowse_ = browse;
        out.repaint = true;
    }
    if (pressed_ && pressOnBackground_ && !dragging_) dragging_ = out.startDrag = true;
    return out;
}

void KeyMapModel::leave() { hovered_ = hoveredBrowse_ = -1; }

void KeyMapModel::showPage(int page) {
    const bool other = page_ != page;
    switch (page) {
    case PageSingleCombine:
        markedRow_ = kNoAdvanceRow;
        if (other) {
            // The whole selection goes: keys left behind the first would
            // join the next captured key.
            clearSelection();
            singleText_.clear();
            combineText_.clear();
            record_.kind = KindSingle;
            record_.keyCount = 0;
            record_.keys.fill(0);
            request_.kind = KindSingle;
            chooseBox(KeyMapBox::Single);
        }
        advanceRow_ = kNoAdvanceRow;
        break;
    case PageMacro:
        markedRow_ = advanceRow_ = kNoAdvanceRow;
        break;
    case PageBasic:
        if (other) functions_.select(functions_.firstTopLevel());
        markedRow_ = advanceRow_ = kNoAdvanceRow;
        break;
    case PageAdvance:
        markedRow_ = kNoAdvanceRow;
        if (other) {
            clearSelection();
            record_.kind = KindAdvancePending;
            record_.keys.fill(0);
            singleText_.clear();
            combineText_.clear();
            request_.kind = KindAdvancePending;
            advanceRow_ = kNoAdvanceRow;
        }
        break;
    }
    page_ = page;
}

KeyMapOutcome KeyMapModel::release(int x, int y) {
    KeyMapOutcome out;
    const bool dragged = dragging_;
    pressed_ = pressOnBackground_ = dragging_ = false;
    if (dragged) return out;  // the end of a drag is no click

    // A click anywhere in the dialog ends the wait of an armed box.
    armed_.reset();
    const int hit = buttonAt(x, y);
    switch (hit) {
    case keymap_buttons::Close:
        out.close = KeyMapClose::Cancel;
        break;
    case keymap_buttons::Tab0:
    case keymap_buttons::Tab0 + 1:
    case keymap_buttons::Tab0 + 2:
    case keymap_buttons::Tab0 + 3: {
        const bool toSingle = hit == keymap_buttons::Tab0 && page_ != PageSingleCombine;
        showPage(hit - keymap_buttons::Tab0);
        out.focusSingle = toSingle;
        break;
    }
    case keymap_buttons::Disable:
        disableTicked_ = !disableTicked_;
        break;
    case keymap_buttons::Default:
        request_.selectedCount = AssignmentRequest::kRestoreDefault;
        out.close = KeyMapClose::Ok;
        break;
    case keymap_buttons::Cancel:
        clearSelection();
        out.close = KeyMapClose::Cancel;
        break;
    case keymap_buttons::Save:
        out = save();
        break;
    default:
        break;
    }
    if (page_ == PageAdvance && out.close == KeyMapClose::None) advanceClick(x, y, out);
    return out;
}

KeyMapOutcome KeyMapModel::save() {
    KeyMapOutcome out;
    const std::uint8_t enabled = disableTicked_ ? 0 : 1;
    switch (page_) {
    case PageSingleCombine: {
        request_.keyEnabled = enabled;
        const auto first0 = std::find(request_.selectedKeys.begin(), request_.selectedKeys.end(), 0);
        request_.selectedCount = static_cast<std::int32_t>(first0 - request_.selectedKeys.begin());
        // Nothing captured, or no box chosen yet: no assignment.
        if (request_.selectedCount == 0 || (request_.kind != KindSingle && request_.kind != KindCombination))
            request_.kind = KindNone;
        out.close = KeyMapClose::Ok;
        break;
    }
    case PageMacro:
        request_.kind = KindMacro;
        request_.macroNumber = selectedMacro_;
        if (selectedMacro_ < 0) {
            request_.keyEnabled = 1;
            request_.kind = KindNone;
        } else {
            request_.keyEnabled = enabled;
        }
        out.close = KeyMapClose::Ok;
        break;
    case PageBasic: {
        request_.kind = KindFunction;
        const TreeItem item = functions_.selected();
        if (item == kNoTreeItem || isFunctionCategory(functions_.text(item))) {
            out.message = text(Text::SelectSubItem);
            break;
        }
        request_.functionName = toUtf16(functions_.text(item));
        request_.keyEnabled = enabled;
        out.close = KeyMapClose::Ok;
        break;
    }
    case PageAdvance:
        request_.keyEnabled = enabled;
        // Only a row with a chosen target is a launch; otherwise the key
        // keeps no assignment.
        if (request_.kind < KindPlaySound || request_.kind > KindOpenFolder || request_.launchPath.empty())
            request_.kind = KindNone;
        out.close = KeyMapClose::Ok;
        break;
    }
    return out;
}

void KeyMapModel::advanceClick(int x, int y, KeyMapOutcome& out) {
    const int cell = advanceCellAt(x, y);
    if (cell < 0) {
        if (advanceRow_ == kNoAdvanceRow) {
            markedRow_ = kNoAdvanceRow;
            request_.kind = KindNone;
        }
        return;
    }
    const int row = cell / 4;
    switch (cell % 4) {
    case 0:
        markedRow_ = static_cast<std::uint8_t>(4 * row);
        advanceRow_ = static_cast<std::uint8_t>(row);
        request_.launchPath.clear();
        break;
    case 3:
        out.pickRow = row;
        break;
    default:
        break;
    }
}

KeyMapOutcome KeyMapModel::pathPicked(int row, const std::optional<std::u16string>& path) {
    KeyMapOutcome out;
    if (!path || row < 0 || row >= kAdvanceRows) return out;
    if (path->empty()) {
        if (row == 3) {
            request_.launchPath.clear();
            out.message = text(Text::SelectFolder);
        }
        return out;
    }
    if (!request_.setLaunchPath(*path)) {
        out.message = text(Text::PathTooLong);
        return out;
    }
    advanceRow_ = static_cast<std::uint8_t>(row);
    markedRow_ = static_cast<std::uint8_t>(4 * row);
    request_.kind = static_cast<std::uint8_t>(KindPlaySound + row);
    // The next picker starts where this one ended.
    std::size_t cut = path->size();
    if (row != 3) {
        cut = 0;
        for (std::size_t i = path->size(); i-- > 0;)
            if (isSeparator((*path)[i])) {
                cut = i;
                break;
            }
    }
    lastFolder_ = path->substr(0, cut);
    return out;
}

// --- painting ------------------------------------------------------------------

KeyMapContext keyMapContextOf(const Session& session, int keyIndex) {
    KeyMapContext context;
    context.currentVirtualKey = keyVirtualKey[keyIndex];
    context.record = session.liveRecords()[keyIndex];
    context.keyEnabled = session.liveImage().enableBit(keyEnableBit[keyIndex]);
    context.macros = session.storedMacros();
    context.uiLanguage = session.uiLanguage();
    return context;
}

}  // namespace morvane
