// What the settings panel paints, in painting order. Texts are Arial, weight
// 300, white, in the language shown.
#include <string>

#include "app/panel/panel_model.h"
#include "session/session.h"
#include "base/lighting.h"
#include "base/texts.h"

namespace morvane {

namespace {

constexpr int kWeight = 300;
constexpr Colour kRowColour{59, 59, 59};
constexpr Colour kHoverRowColour{80, 0, 0};
// The row of what is in use: a red edge and red words.
constexpr Colour kCurrentRowColour{200, 35, 44};
constexpr Colour kCurrentRowText{255, 110, 116};

class PanelPainter {
public:
    PanelPainter(DrawList& out, std::uint16_t language) : out_(out), language_(language) {}
    void picture(const char* file, int x, int y) { out_.picture(file, x, y); }
    void text(Text id, int x, int y, int height) { out_.text(morvane::text(id, language_), x, y, height, kWeight); }
    void text(std::string same, int x, int y, int height) { out_.text(std::move(same), x, y, height, kWeight); }
    // Enable.png for the chosen one of a pair of marks, Disable.png for the other.
    void marks(bool first, int x1, int x2, int y) {
        picture(first ? "Enable.png" : "Disable.png", x1, y);
        picture(first ? "Disable.png" : "Enable.png", x2, y);
    }
    bool chinese() const { return language_ == kLanguageChinese; }
    DrawList& out() { return out_; }

private:
    DrawList& out_;
    std::uint16_t language_;
};

}  // namespace

void PanelModel::compose(DrawList& out) const {
    composeLight(out);
    const PanelLayout l = layout();
    composeSections(out, l);
    // What an open list covers is not drawn: it would poke out at its edges.
    if (effectListOpen_)
        out.dropTextsStartingIn(0, kEffectListTop, kEffectListRight,
                                kEffectListTop + kListRowHeight * kEffectRows);
    if (responseListOpen_)
        out.dropTextsStartingIn(0, l.responseListTop, kResponseListRight,
                                l.responseListTop + kListRowHeight * kResponseRows);
    composeLists(out, l);
    for (const PlaceSlider& s : sliders()) out.slider(s);
}

void PanelModel::composeLight(DrawList& out) const {
    PanelPainter p(out, session_.uiLanguage());
    const DeviceImage& image = session_.liveImage();
    const std::uint8_t effect = image.lightEffect;

    p.picture("itemBK.png", 19, 110);
    p.text(Text::Light, 19, 110, 15);
    if (lightCollapsed_) return;

    p.picture("LEDEffect_open.png", 19, 130);
    p.text(Text::Effect, 28, 137, 15);
    p.picture("Light_Item.png", 28, 158);
    if (effectHasSpeed(effect)) {
        p.picture("freq.png", 19, 245);
        if (!effectListOpen_) {
            p.text(Text::Speed, 28, 291, 13);
            p.text(Text::Slow, 28, 321, 13);
            p.text(Text::Fast, 230, 321, 13);
        }
    }
    p.text(Text::Brightness, 28, 247, 13);
    p.text(Text::Dark, 28, 277, 13);
    p.text(Text::Bright, 230, 277, 13);

    if (effectHasDirection(effect)) {
        p.text(Text::Direction, 29, 177, 15);
        p.picture("Direction-T-Disable.png", 29, 197);
        p.picture("Direction-B-Disable.png", 79, 197);
        p.picture("Direction-R-Disable.png", 129, 197);
        p.picture("Direction-L-Disable.png", 179, 197);
        switch (image.lightDirection) {
        case 0: p.picture("Direction-L-Enable.png", 179, 197); break;
        case 1: p.picture("Direction-R-Enable.png", 129, 197); break;
        case 2: p.picture("Direction-B-Enable.png", 79, 197); break;
        case 3: p.picture("Direction-T-Enable.png", 29, 197); break;
        default: break;  // shown as it is: no arrow chosen
        }
    } else if (effect >= kEffectDiyFirst) {
        p.marks(!session_.diyEditMode(), 28, 130, 199);
        p.text(Text::KeymapChoice, 45, 197, 15);
        p.text(Text::DiyChoice, 147, 197, 15);
    }
    if (const char* name = effectName(effect, session_.uiLanguage())) p.text(name, 28, 158, 14);
}

void PanelModel::composeSections(DrawList& out, const PanelLayout& l) const {
    PanelPainter p(out, session_.uiLanguage());
    const DeviceImage& image = session_.liveImage();

    p.picture("MacroManagementBK.png", 19, l.macroY);
    p.picture("MacroButton3.png", 19, l.macroY + 10);
    p.text(Text::MacroManagement, 21, l.macroY + 12, 15);

    const int g = l.gameModeY;
    if (gameModeCollapsed_) {
        p.picture("gamemode_Close.png", 19, g);
        // Folded, the Chinese line holds the game mode's title only.
        p.text(Text::GameMode, 19, g, 15);
        if (!p.chinese()) p.text(Text::WinLock, 149, g, 15);
    } else {
        p.picture("gamemode_open.png", 19, g);
        p.text(Text::GameMode, 19, g, 15);
        p.text(Text::WinLock, 149, g, 15);
        // Each word close to its mark, so that Win Lock's "OFF" ends inside the panel.
        p.marks(image.gameMode != 0, 34, 88, g + 33);
        p.text(Text::On, 48, g + 31, 14);
        p.text(Text::Off, 102, g + 31, 14);
        p.marks(image.winLock != 0, 164, 218, g + 33);
        p.text(Text::On, 178, g + 31, 14);
        p.text(Text::Off, 232, g + 31, 14);
    }

    const int r = l.responseY;
    p.picture(responseCollapsed_ ? "responsetime_close.png" : "responsetime_open.png", 19, r);
    p.text(Text::ResponseTime, 19, r, 15);
    if (!responseCollapsed_) {
        p.picture("Light_Item.png", 28, r + 28);
        p.text(std::to_string(2 * image.responseTimeStep) + " ms", 100, r + 28, 15);
    }

    const int u = l.reportRateY;
    p.picture(reportRateCollapsed_ ? "reportrate_Close.png" : "reportrate_Open.png", 19, u);
    p.text(Text::ReportRate, 19, u, 15);
    // The step under each of the slider's four stops (the thumb's left edge
    // runs from 0 to 205, and it is 15 wide).
    if (!reportRateCollapsed_)
        for (int step = 0; step < 4; ++step)
            out.centredText(std::to_string(step + 1), 28 + 205 * step / 3 - 3, 21, u + 41, 12, 400,
                            Colour{0xa0, 0xa0, 0xa8});
}

void PanelModel::composeLists(DrawList& out, const PanelLayout& l) const {
    const bool chinese = session_.uiLanguage() == kLanguageChinese;
    if (effectListOpen_) {
        for (int row = 0; row < kEffectRows; ++row) {
            const int y = kEffectListTop + kListRowHeight * row;
            out.fill(kEffectListLeft, y, kEffectListRight - kEffectListLeft, kListRowHeight,
                     row == effectHoverRow_ ? kHoverRowColour : kRowColour);
            const EffectRow& e = EffectTable[row];
            // The effect in use: a red edge and its name in red.
            const bool current = e.code == session_.liveImage().lightEffect;
            if (current) out.fill(kEffectListLeft, y + 2, 3, kListRowHeight - 4, kCurrentRowColour);
            out.text(chinese ? e.chinese : e.english, kEffectListLeft + 6, y, 18, current ? 700 : kWeight,
                     current ? kCurrentRowText : kWhite);
        }
    }
    if (responseListOpen_) {
        for (int row = 0; row < kResponseRows; ++row) {
            const int y = l.responseListTop + kListRowHeight * row;
            out.fill(kResponseListLeft, y, kResponseListRight - kResponseListLeft, kListRowHeight,
                     row == responseHoverRow_ ? kHoverRowColour : kRowColour);
            const bool current = row + 1 == session_.liveImage().responseTimeStep;
            if (current) out.fill(kResponseListLeft, y + 2, 3, kListRowHeight - 4, kCurrentRowColour);
            out.text(std::to_string(2 * (row + 1)) + "ms", 97, y, 18, current ? 700 : kWeight,
                     current ? kCurrentRowText : kWhite);
        }
    }
}

}  // namespace morvane
