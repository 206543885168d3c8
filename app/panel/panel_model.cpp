#include "app/panel/panel_model.h"

#include <algorithm>

#include "session/session.h"
#include "base/lighting.h"

namespace morvane {

namespace {

// Both edges included.
bool inside(int x, int y, int x1, int y1, int x2, int y2) { return x >= x1 && x <= x2 && y >= y1 && y <= y2; }

constexpr int kLightTopOpen = 225;
constexpr int kLightTopFolded = 30;

// The row of a list under a point, or kNoRow. The list's last pixel row
// belongs to the box below it, so the bottom edge is excluded.
std::uint8_t listRow(int x, int y, int left, int right, int top, int rows) {
    if (x < left || x > right || y < top || y >= top + rows * kListRowHeight) return kNoRow;
    return static_cast<std::uint8_t>((y - top) / kListRowHeight);
}

}  // namespace

PanelLayout PanelModel::layout() const {
    PanelLayout l;
    const int t = lightCollapsed_ ? kLightTopFolded : kLightTopOpen;
    l.sectionTop = t;
    l.macroY = t + 110;
    l.gameModeY = t + 165;
    l.responseY = t + 220;
    l.reportRateY = l.responseY + (responseCollapsed_ ? 40 : 75);
    l.responseListTop = t + 47;
    return l;
}

int PanelModel::hitTest(int x, int y) const {
    const PanelLayout l = layout();
    const int t = l.sectionTop;
    const std::uint8_t effect = session_.liveImage().lightEffect;

    if (inside(x, y, 19, 110, 261, 130)) return areas::LightHeader;
    if (!lightCollapsed_) {
        if (effect >= kEffectDiyFirst) {
            if (inside(x, y, 28, 200, 42, 214)) return areas::KeymapChoice;
            if (inside(x, y, 130, 200, 144, 214)) return areas::DiyChoice;
        }
        if (inside(x, y, 28, 158, 248, 173)) return areas::EffectBox;
        if (effectHasDirection(effect)) {
            for (int k = 0; k < 4; ++k)
                if (inside(x, y, 29 + 50 * k, 197, 64 + 50 * k, 212)) return areas::DirectionT + k;
        }
        if (inside(x, y, 19, t + 120, 259, t + 138)) return areas::MacroManagement;
        for (int k = 0; k <= areas::LightBoxLast - areas::LightBoxFirst; ++k)
            if (inside(x, y, 28 + 25 * k, 223, 48 + 25 * k, 243)) return areas::LightBoxFirst + k;
    } else if (inside(x, y, 19, t + 120, 259, t + 138)) {
        return areas::MacroManagement;
    }
    if (!gameModeCollapsed_) {
        if (inside(x, y, 34, t + 198, 44, t + 207)) return areas::GameModeOn;
        if (inside(x, y, 88, t + 198, 115, t + 207)) return areas::GameModeOff;
    }
    if (inside(x, y, 19, t + 165, 261, t + 185)) return areas::GameModeHeader;
    if (!gameModeCollapsed_) {
        if (inside(x, y, 164, t + 198, 174, t + 207)) return areas::WinLockOn;
        if (inside(x, y, 218, t + 198, 245, t + 207)) return areas::WinLockOff;
    }
    if (!responseCollapsed_ && inside(x, y, 28, t + 248, 248, t + 264)) return areas::ResponseBox;
    if (inside(x, y, 19, t + 220, 261, t + 240)) return areas::ResponseHeader;
    if (inside(x, y, 19, l.reportRateY, 261, l.reportRateY + 20)) return areas::ReportRateHeader;
    return areas::None;
}

bool PanelModel::editRefused() const { return readOnly_ || session_.busy(); }

PanelClick PanelModel::click(int x, int y) {
    if (effectListOpen_) return clickEffectList(x, y);
    if (responseListOpen_) return clickResponseList(x, y);
    return clickArea(hitTest(x, y));
}

PanelClick PanelModel::clickEffectList(int x, int y) {
    effectListOpen_ = false;
    const std::uint8_t row = listRow(x, y, kEffectListLeft, kEffectListRight, kEffectListTop, kEffectRows);
    if (row == kNoRow) return {};
    if (editRefused()) return {.refused = true};
    effectHoverRow_ = row;
    // Also applies the colour rule of the new effect and chooses key
    // assignment or DIY painting for the keyboard picture.
    session_.setEffect(EffectTable[row].code);
    return {};
}

PanelClick PanelModel::clickResponseList(int x, int y) {
    responseListOpen_ = false;
    const std::uint8_t row =
        listRow(x, y, kResponseListLeft, kResponseListRight, layout().responseListTop, kResponseRows);
    if (row == kNoRow) return {};
    if (editRefused()) return {.refused = true};
    responseHoverRow_ = row;
    // The rows are the steps the session takes, so this cannot be refused.
    return {.refused = !session_.setResponseTimeStep(row + 1)};
}

PanelClick PanelModel::clickArea(int hit) {
    switch (hit) {
    case areas::EffectBox:
        if (lightCollapsed_) break;
        effectListOpen_ = true;
        effectHoverRow_ = kNoRow;  // no stale row until the pointer moves over one
        break;
    case areas::DirectionT:
    case areas::DirectionB:
    case areas::DirectionR:
    case areas::DirectionL:
        if (editRefused()) return {.refused = true};
        // Offered only while the effect has a direction.
        if (!session_.setDirection(3 - (hit - areas::DirectionT))) return {.refused = true};
        break;
    case areas::MacroManagement:
        // The macro manager edits the macro blocks of the image.
        if (editRefused()) return {.refused = true};
        return {.openMacroManager = true};
    case areas::GameModeOn:
    case areas::GameModeOff:
        if (editRefused()) return {.refused = true};
        session_.setGameMode(hit == areas::GameModeOn);
        break;
    case areas::WinLockOn:
    case areas::WinLockOff:
        if (editRefused()) return {.refused = true};
        session_.setWinLock(hit == areas::WinLockOn);
        break;
    case areas::ResponseBox:
        responseListOpen_ = true;
        responseHoverRow_ = kNoRow;
        break;
    case areas::LightHeader: lightCollapsed_ = !lightCollapsed_; break;
    case areas::GameModeHeader: gameModeCollapsed_ = !gameModeCollapsed_; break;
    case areas::ResponseHeader: responseCollapsed_ = !responseCollapsed_; break;
    case areas::ReportRateHeader: reportRateCollapsed_ = !reportRateCollapsed_; break;
    // Which way the keyboard picture edits is a view choice, not an edit.
    case areas::KeymapChoice: session_.setDiyEditMode(false); break;
    case areas::DiyChoice: session_.setDiyEditMode(true); break;
    default: break;
    }
    return {};
}

bool PanelModel::hover(int x, int y) {
    std::uint8_t* row = nullptr;
    std::uint8_t now = kNoRow;
    if (effectListOpen_) {
        row = &effectHoverRow_;
        now = listRow(x, y, kEffectListLeft, kEffectListRight, kEffectListTop, kEffectRows);
    } else if (responseListOpen_) {
        row = &responseHoverRow_;
        now = listRow(x, y, kResponseListLeft, kResponseListRight, layout().responseListTop, kResponseRows);
    }
    if (!row || *row == now) return false;
    *row = now;
    return true;
}

bool PanelModel::sliderMoved(int id, int position) {
    const DeviceImage& image = session_.liveImage();
    int current = 0;
    switch (id) {
    case kSpeedSlider: current = image.lightSpeed; break;
    case kBrightnessSlider: current = image.lightBrightness; break;
    case kReportRateSlider: current = image.reportRateStep; break;
    default: return false;
    }
    if (position == current) return false;
    if (editRefused()) return true;
    // Composed again either way: a move the session refuses puts the slider
    // back to the image's value.
    const Outcome set = id == kReportRateSlider ? session_.setReportRateStep(position)
                        : id == kSpeedSlider    ? session_.setSpeed(position)
                                                : session_.setBrightness(position);
    static_cast<void>(set);
    return true;
}

std::array<PlaceSlider, 3> PanelModel::sliders() const {
    const DeviceImage& image = session_.liveImage();
    const bool lightOpen = !lightCollapsed_;
    // An open list covers the sliders' places and takes the next click, so
    // no slider stays usable over or beside it.
    const bool free = !listOpen();
    return {{
        {kSpeedSlider, 28, 303, lightOpen && free && effectHasSpeed(image.lightEffect),
         std::clamp<int>(image.lightSpeed, 0, 4)},
        {kBrightnessSlider, 28, 260, lightOpen && free, std::clamp<int>(image.lightBrightness, 0, 4)},
        {kReportRateSlider, 28, layout().reportRateY + 23, !reportRateCollapsed_ && free,
         std::clamp<int>(image.reportRateStep, 0, 3)},
    }};
}

void PanelModel::foldAll() {
    lightCollapsed_ = gameModeCollapsed_ = responseCollapsed_ = reportRateCollapsed_ = true;
    effectListOpen_ = responseListOpen_ = false;
    effectHoverRow_ = responseHoverRow_ = kNoRow;
}

}  // namespace morvane
