#include "app/main_window_model.h"

#include "app/keyboard_layout.h"
#include "session/session.h"
#include "base/group_texts.h"
#include "base/lighting.h"
#include "base/key_caps.h"
#include "base/keyboard_model.h"
#include "base/key_names.h"
#include "base/texts.h"

namespace morvane {

namespace {

// Both edges included.
bool inside(int x, int y, int x1, int y1, int x2, int y2) { return x >= x1 && x <= x2 && y >= y1 && y <= y2; }

struct Button {
    int area;
    int x1, y1, x2, y2;
};

constexpr Button kTitleButtons[] = {
    {areas::Help, 936, 5, 952, 20},
    {areas::Minimize, 957, 5, 973, 20},
    {areas::Close, 978, 5, 994, 20},
};

constexpr Button kLowerButtons[] = {
    {areas::Profile, 19, 605, 89, 635},
    {areas::Return, 800, 605, 857, 635},
    {areas::Cancel, 861, 605, 918, 635},
    {areas::Save, 923, 605, 980, 635},
    {areas::Logo, 19, 32, 261, 102},
};

// Areas 41..52: two rows of six squares below the keyboard picture, together
// covering x 350..580, y 490..535.
int squareAt(int x, int y) {
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 6; ++col) {
            const int left = 350 + 42 * col, top = 490 + 25 * row;
            if (inside(x, y, left, top, left + 20, top + 20)) return areas::SquareFirst + row * 6 + col;
        }
    return -1;
}

}  // namespace

int MainWindowModel::hitTest(int x, int y) const {
    for (const Button& b : kTitleButtons)
        if (inside(x, y, b.x1, b.y1, b.x2, b.y2)) return b.area;
    if (const int hit = panel_.hitTest(x, y); hit != areas::None) return hit;
    for (const Button& b : kLowerButtons)
        if (inside(x, y, b.x1, b.y1, b.x2, b.y2)) return b.area;
    return squareAt(x, y);
}

bool MainWindowModel::diyPainting() const {
    const std::uint8_t effect = session_.liveImage().lightEffect;
    return session_.diyEditMode() && effect >= kEffectDiyFirst && effect <= kEffectDiyLast;
}

int MainWindowModel::keyAt(int x, int y) const {
    const KeyboardModel model = session_.keyboardModel();
    if (model == KeyboardModel::None) return kNoKey;
    return hitTestKey(model, x, y, diyPainting());
}

bool MainWindowModel::onFreeBackground(int x, int y) const {
    if (panel_.listOpen()) return false;
    if (helpPanelOpen_ && inside(x, y, kHelpLeft, kHelpTop, kHelpRight, kHelpBottom)) return false;
    return hitTest(x, y) == -1 && keyAt(x, y) == kNoKey;
}

// --- mouse ---

void MainWindowModel::press(int x, int y) {
    pressed_ = true;
    dragging_ = false;
    pressOnBackground_ = onFreeBackground(x, y);
}

MoveOutcome MainWindowModel::move(int x, int y, bool leftButtonDown) {
    MoveOutcome out;
    if (!leftButtonDown) pressed_ = pressOnBackground_ = false;

    if (panel_.listOpen()) {
        out.repaint = panel_.hover(x, y);
    } else if (const int hit = hitTest(x, y); hit != hoveredArea_) {
        hoveredArea_ = hit;
        out.repaint = true;
    }

    // Whether the press may move the window was decided where it went down:
    // a press on a button or the logo never turns into a drag, even when the
    // pointer then leaves it with the button held.
    if (pressed_ && pressOnBackground_ && !dragging_ && !panel_.listOpen()) {
        dragging_ = true;
        out.startDrag = true;
    }

    const int key = keyAt(x, y);
    selectedKey_ = key;
    if (key != lastHoverKey_) {
        lastHoverKey_ = key;
        out.repaint = true;
    }
    return out;
}

bool MainWindowModel::focusLost() {
    pressed_ = pressOnBackground_ = false;
    if (hoveredArea_ == -1) return false;
    hoveredArea_ = -1;
    return true;
}

ClickOutcome MainWindowModel::release(int x, int y) {
    const bool dragged = dragging_;
    pressed_ = pressOnBackground_ = dragging_ = false;
    // The release that ends a drag is no click.
    if (dragged) return {};

    // An open list takes the click, whatever lies under it.
    if (panel_.listOpen()) {
        const bool refused = panel_.click(x, y).refused;
        if (refused && !readOnly_.empty()) return refusedReadOnly();
        return {.refused = refused};
    }
    if (helpPanelOpen_) return clickHelpPanel(x, y);

    const int hit = hitTest(x, y);
    ClickOutcome out;
    switch (hit) {
    case -1:
    case areas::Logo: break;
    case areas::Help: helpPanelOpen_ = true; break;
    case areas::Minimize: out.action = WindowAction::Minimize; break;
    default:
        if (hit >= areas::SquareFirst && hit <= areas::SquareLast) break;
        if (panel_.hitTest(x, y) == hit) {
            // The panel's areas act as the panel says.
            const PanelClick pc = panel_.click(x, y);
            out.refused = pc.refused;
            if (pc.openMacroManager) out.action = WindowAction::OpenMacroManager;
            if (!readOnly_.empty() && (out.refused || pc.openMacroManager)) out = refusedReadOnly();
        } else {
            out = clickArea(hit);
        }
        break;
    }

    const int key = keyAt(x, y);
    selectedKey_ = key;
    if (key != kNoKey && hit == -1) out = clickKey(key);
    return out;
}

void MainWindowModel::setReadOnly(std::string reason) {
    readOnly_ = std::move(reason);
    panel_.setReadOnly(!readOnly_.empty());
}

ClickOutcome MainWindowModel::refusedReadOnly() const {
    return {.refused = true, .problem = textWith(Text::ReadOnlyRefused, session_.uiLanguage(), readOnly_)};
}

// The window's buttons that reach the configuration, the files or the keyboard.
ClickOutcome MainWindowModel::clickArea(int hit) {
    if (session_.busy()) return {.refused = true};
    if (!readOnly_.empty() && hit != areas::Close) return refusedReadOnly();
    switch (hit) {
    case areas::Close: return requestClose();
    case areas::Profile: return {.action = WindowAction::OpenProfileManager};
    case areas::Return: return {.action = WindowAction::AskResetToFactory};
    case areas::Cancel:
        return {.action = WindowAction::Cancel, .problem = session_.cancel().error};
    case areas::Save:
        if (!session_.connected()) return saveWithoutKeyboard();
        return {.action = WindowAction::Save};
    default: return {};
    }
}

ClickOutcome MainWindowModel::requestClose() {
    if (session_.busy()) return {.refused = true};
    if (session_.hasUnsavedEdits()) return {.action = WindowAction::AskSaveBeforeClose};
    return close();
}

ClickOutcome MainWindowModel::close() {
    session_.dropPendingSwitch();
    if (!readOnly_.empty()) return {.action = WindowAction::Close};
    return {.action = WindowAction::Close, .problem = session_.saveShadowState().error};
}

ClickOutcome MainWindowModel::saveWithoutKeyboard() const {
    // With edits this is a failure: they would otherwise look kept while the
    // keyboard never saw them.
    if (!session_.hasUnsavedEdits()) return {.flash = Text::NothingToSave};
    return {.problem = session_.changesNotWritten(),
            .flash = Text::SaveFailed};
}

ClickOutcome MainWindowModel::answerClose(CloseAnswer answer) {
    // A sequence may have begun while the question was open.
    if (answer != CloseAnswer::Cancel && session_.busy()) return {.refused = true};
    switch (answer) {
    case CloseAnswer::Save:
        if (!session_.connected()) return saveWithoutKeyboard();
        // The program ends after this Save: a switch waiting for it would
        // write to the keyboard after the files were last written.
        session_.dropPendingSwitch();
        return {.action = WindowAction::SaveThenClose};
    case CloseAnswer::Discard: {
        session_.dropPendingSwitch();
        // As the plain close does, the window closes even when a file could
        // not be written; the user is told which.
        Outcome done = session_.cancel();
        done.also(session_.saveShadowState());
        return {.action = WindowAction::Close, .problem = done.error};
    }
    case CloseAnswer::Cancel: break;
    }
    return {};
}

ClickOutcome MainWindowModel::closeAfterSave(const Outcome& saved) {
    // The view shows a failed Save; the window stays open with the edits.
    if (!saved) return {};
    return close();
}

ClickOutcome MainWindowModel::clickKey(int key) {
    if (session_.busy()) return {.refused = true};
    if (!readOnly_.empty()) return refusedReadOnly();
    if (!diyPainting()) return {.action = WindowAction::OpenKeyAssignment, .key = key};
    const int map = session_.liveImage().lightEffect - kEffectDiyFirst;
    if (const auto led = keyLedIndex(key)) {
        const bool lit = session_.liveImage().diyMaps[map][*led] != 0;
        return {.problem = session_.setDiyLed(map, key, !lit).error};
    }
    return {};
}

ClickOutcome MainWindowModel::clickHelpPanel(int x, int y) {
    // Any click closes the panel; the version row does nothing.
    helpPanelOpen_ = false;
    if (!inside(x, y, kHelpLeft, kHelpTop, kHelpRight, kHelpBottom)) return {};
    switch ((y - kHelpTop) / kHelpRowHeight) {
    case 0: return {.action = WindowAction::OpenHomePage};
    case 1:
        // The updater talks to the keyboard itself: not in the middle of a sequence.
        if (session_.busy()) return {.refused = true};
        return {.action = WindowAction::StartUpdater};
    case 3: return {.action = WindowAction::ChooseLanguage};
    case 4:
        // It writes to the keyboard, as Save does.
        if (!readOnly_.empty()) return refusedReadOnly();
        if (session_.busy()) return {.refused = true};
        return {.action = WindowAction::UndoLastSave};
    default: return {};
    }
}

void MainWindowModel::resetToFactory(std::function<void(Outcome)> done) {
    panel_.foldAll();
    session_.beginResetToFactory(std::move(done));
}

// --- painting ---

namespace {

constexpr Colour kDiyFill{0, 0, 255};
constexpr Colour kDiyLabel{255, 0, 255};
constexpr Colour kHintColour{0x7c, 0x7c, 0x85};
constexpr Colour kCurrentProfileColour{0xb0, 0xb0, 0xb8};
constexpr Colour kNoticeColour{0xc8, 0x23, 0x2c};
constexpr Colour kNoticeTextColour{0xb0, 0xb0, 0xb8};
// The notices stand centred over the keyboard's place.
constexpr int kNoticeLeft = 275, kNoticeWidth = 720;

}  // namespace

void MainWindowModel::compose(DrawList& out) const {
    const std::uint16_t language = session_.uiLanguage();
    auto over = [this](int area) { return hoveredArea_ == area; };

    out.picture("main.png", 0, 0);
    out.picture(over(areas::Help) ? "button-help-over.png" : "button-help-normal.png", 936, 5);
    out.picture(over(areas::Minimize) ? "button-min-over.png" : "button-min-normal.png", 957, 5);
    out.picture(over(areas::Close) ? "button-close-over.png" : "button-close-normal.png", 978, 5);
    out.picture("logo.png", 19, 35);
    composeKeyboard(out);
    if (session_.connected())
        out.centredText(text(Text::KeyboardHint, language), kNoticeLeft, kNoticeWidth, 560, 12, 400, kHintColour);

    const char* cancelOver = "button-cancel-over.png";
    const char* cancelNormal = "button-cancel-normal.png";
    out.picture(over(areas::Return) ? cancelOver : cancelNormal, 800, 600);
    out.picture(over(areas::Cancel) ? cancelOver : cancelNormal, 862, 600);
    out.picture(over(areas::Save) ? cancelOver : cancelNormal, 924, 600);
    out.picture("Config.png", 17, 603);

    out.text(text(Text::ProfileButton, language), 45, 610, 16, 300);
    out.text(text(Text::ReturnButton, language), 810, 607, 16, 300);
    out.text(text(Text::Cancel, language), 872, 607, 16, 300);
    out.text(text(Text::Save, language), 934, 607, 16, 300);
    if (!session_.currentProfile().empty())
        out.text(session_.currentProfile(), 100, 612, 14, 400, kCurrentProfileColour);

    panel_.compose(out);

    if (helpPanelOpen_) {
        out.picture("HelpWindow.png", kHelpLeft, kHelpTop);
        const auto rows = helpPanelRows(session_.uiLanguage());
        for (int row = 0; row < kHelpRows; ++row) out.text(rows[row], 850, 25 + kHelpRowHeight * row, 15);
    }
}

// One notice, in the window's language: that there is no keyboard, why, and
// what to do about it.
void MainWindowModel::composeNoKeyboard(DrawList& out) const {
    const std::uint16_t language = session_.uiLanguage();
    out.centredText(text(Text::NoKeyboard, language), kNoticeLeft, kNoticeWidth, 280, 24, 600, kNoticeColour);
    Text why = Text::NoKeyboardFound;
    if (session_.openFailure() == OpenFailure::NotPermitted) why = Text::NoKeyboardPermission;
    if (session_.openFailure() == OpenFailure::CannotOpen) why = Text::NoKeyboardCannotOpen;
    int y = 330;
    for (const std::string_view line : textLines(why, language)) {
        out.centredText(std::string(line), kNoticeLeft, kNoticeWidth, y, 15, 400, kNoticeTextColour);
        y += 24;
    }
}

void MainWindowModel::composeKeyboard(DrawList& out) const {
    const KeyboardModel model = session_.keyboardModel();
    if (model == KeyboardModel::None || !session_.connected()) {
        composeNoKeyboard(out);
        return;
    }

    const KeyboardModelInfo& board = keyboardModelInfo(model);
    out.picture(board.boardPicture, kKeyboardPictureX, kKeyboardPictureY);

    const auto& caps = keyboardLayout(model);
    const char* highlight = board.highlightPicture;
    // A key lights up by copying its place from the highlight picture.
    auto light = [&](int key) {
        if (key < 0 || key >= kKeyCount) return;
        const KeyRect& r = caps[key].rect;
        if (r.empty()) return;
        out.picturePart(highlight, r.left, r.top, r.width(), r.height(), kKeyboardPictureX + r.left,
                        kKeyboardPictureY + r.top);
    };

    if (diyPainting()) {
        const auto& map = session_.liveImage().diyMaps[session_.liveImage().lightEffect - kEffectDiyFirst];
        for (int key = 0; key < kMatrixKeyCount; ++key) {
            const auto led = keyLedIndex(key);
            const KeyCap& cap = caps[key];
            if (!led || map[*led] == 0 || cap.rect.empty()) continue;
            out.fill(kKeyboardPictureX + cap.rect.left, kKeyboardPictureY + cap.rect.top, cap.rect.width(),
                     cap.rect.height(), kDiyFill);
            // Label positions are relative to the picture, like the rectangles.
            out.text(std::string(keyLabel(key)), kKeyboardPictureX + cap.labelX, kKeyboardPictureY + cap.labelY, 10,
                     400, kDiyLabel);
        }
        light(selectedKey_);
        return;
    }
    light(selectedKey_);
    for (int key = 0; key < kKeyCount; ++key)
        if (session_.keyChangedMarks()[key] && keyTakesAssignment(key)) light(key);
}

// --- the texts of the message boxes and the help panel ---

Question factoryResetQuestion(std::uint16_t uiLanguage) {
    return {text(Text::FactoryResetQuestion, uiLanguage), text(Text::FactoryResetCaption, uiLanguage)};
}

std::optional<Question> undoLastSaveQuestion(const std::vector<RestorePoint>& points, std::uint16_t uiLanguage) {
    if (points.empty()) return std::nullopt;
    const std::string when = localTimeText(points.front().when) + ", " + groupTitles(points.front().changed, uiLanguage);
    return Question{textWith(Text::UndoLastSaveQuestion, uiLanguage, when), text(Text::UndoLastSaveCaption, uiLanguage)};
}

Question saveBeforeCloseQuestion(std::uint16_t uiLanguage) {
    return {text(Text::SaveBeforeClose, uiLanguage), text(Text::SaveBeforeCloseCaption, uiLanguage)};
}

std::optional<Question> updateQuestion(UpdateOffer offer, std::uint16_t uiLanguage,
                                       std::optional<std::pair<FirmwareVersion, FirmwareVersion>> versions) {
    if (offer == UpdateOffer::None) return std::nullopt;
    // A newer major number asks with the full-width question mark.
    const Text question = offer == UpdateOffer::NewerMajor ? Text::UpdateQuestionNewerMajor : Text::UpdateQuestion;
    std::string said = text(question, uiLanguage);
    if (versions) {
        const auto shown = [](FirmwareVersion v) { return std::to_string(v.major) + "." + std::to_string(v.minor); };
        said += "\n" + textWith(Text::KeyboardFirmwareIs, uiLanguage, shown(versions->first)) + "\n" +
                textWith(Text::UpdaterFirmwareIs, uiLanguage, shown(versions->second));
    }
    return Question{said, text(Text::UpdateCaption, uiLanguage)};
}

std::array<std::string, kHelpRows> helpPanelRows(std::uint16_t uiLanguage) {
    return {"www.morvane.example", text(Text::HelpUpdateFirmware, uiLanguage), "Ver: 1.4",
            text(Text::LanguageRow, uiLanguage), text(Text::UndoLastSaveRow, uiLanguage)};
}

}  // namespace morvane
