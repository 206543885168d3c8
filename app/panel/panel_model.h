// The settings panel, the left column of the main window (x 19..261), without
// pixels: its folding sections, the two drop-down lists, where everything sits,
// what a click or a mouse move over it does, and what it paints. The panel is
// not a window of its own: the main window hit-tests it, hands it its clicks
// and composes it into its own picture.
//
// Sliders. The live image is the only home of speed, brightness and report
// rate. A slider move reaches the image through sliderMoved(); every compose
// places the three sliders and gives each the position the image holds, so a
// slider always shows the image after a keyboard read, a profile load, a
// factory reset or a Cancel, and drawing never writes anything back.
#pragma once

#include <array>
#include <cstdint>

#include "app/draw_list.h"

namespace morvane {

class Session;

// Area numbers of the panel; the main window's own buttons use the others.
namespace areas {
inline constexpr int None = -1;
inline constexpr int EffectBox = 3;
inline constexpr int DirectionT = 4;  // lightDirection 3
inline constexpr int DirectionB = 5;  // 2
inline constexpr int DirectionR = 6;  // 1
inline constexpr int DirectionL = 7;  // 0
inline constexpr int MacroManagement = 9;
inline constexpr int GameModeOn = 10;
inline constexpr int GameModeOff = 11;
inline constexpr int ResponseBox = 12;
inline constexpr int LightHeader = 18;
inline constexpr int GameModeHeader = 19;
inline constexpr int ResponseHeader = 20;
inline constexpr int ReportRateHeader = 21;
inline constexpr int LightBoxFirst = 22;  // 22..29: no action, only not background
inline constexpr int LightBoxLast = 29;
inline constexpr int WinLockOn = 31;
inline constexpr int WinLockOff = 32;
inline constexpr int KeymapChoice = 33;
inline constexpr int DiyChoice = 34;
}  // namespace areas

// The y positions that follow from which sections are open.
struct PanelLayout {
    int sectionTop = 0;       // 30 with the Light section folded, 225 open
    int macroY = 0;           // Macro Management
    int gameModeY = 0;        // Game Mode header
    int responseY = 0;        // Response Time header
    int reportRateY = 0;      // USB Report Rate header
    int responseListTop = 0;  // ten rows upwards from the response box
    friend bool operator==(const PanelLayout&, const PanelLayout&) = default;
};

// The effect list: eighteen rows of 20 pixels from y 173 down, x 28..258.
inline constexpr int kEffectListTop = 173;
inline constexpr int kEffectListLeft = 28;
inline constexpr int kEffectListRight = 258;  // over the icons beside the sliders too
// The response list: ten rows of 20 pixels, x 27..247.
inline constexpr int kResponseListLeft = 27;
inline constexpr int kResponseListRight = 247;
inline constexpr int kListRowHeight = 20;
inline constexpr int kEffectRows = 18;
inline constexpr int kResponseRows = 10;
inline constexpr std::uint8_t kNoRow = 255;

struct PanelClick {
    bool openMacroManager = false;
    // The click would have edited the configuration while a keyboard sequence
    // runs; nothing was changed.
    bool refused = false;
};

class PanelModel {
public:
    explicit PanelModel(Session& session) : session_(session) {}

    bool lightCollapsed() const { return lightCollapsed_; }
    bool gameModeCollapsed() const { return gameModeCollapsed_; }
    bool responseCollapsed() const { return responseCollapsed_; }
    bool reportRateCollapsed() const { return reportRateCollapsed_; }
    bool effectListOpen() const { return effectListOpen_; }
    bool responseListOpen() const { return responseListOpen_; }
    bool listOpen() const { return effectListOpen_ || responseListOpen_; }
    std::uint8_t effectHoverRow() const { return effectHoverRow_; }
    std::uint8_t responseHoverRow() const { return responseHoverRow_; }

    PanelLayout layout() const;

    // The panel's area under a window point, or areas::None.
    int hitTest(int x, int y) const;

    // A left-button release. While a list is open the click belongs to the
    // list (it may pick a row) and closes it; otherwise the area under the
    // point acts.
    PanelClick click(int x, int y);

    // A mouse move; follows the row under the pointer while a list is open.
    // True when the hovered row changed.
    bool hover(int x, int y);

    // The user moved slider `id` to `position`. True when the window must be
    // composed again: the image changed, or the move was refused (the slider
    // returns to the image's value with the next compose).
    bool sliderMoved(int id, int position);

    // Where the three sliders stand, whether they are shown and their positions.
    std::array<PlaceSlider, 3> sliders() const;

    // Folds the four sections and closes the lists (after a factory reset).
    void foldAll();

    // Every picture and text of the panel in painting order, then the three
    // slider placements.
    void compose(DrawList& out) const;

    // Edits are refused for good (a window that may not write).
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }

private:
    bool editRefused() const;
    bool readOnly_ = false;
    PanelClick clickEffectList(int x, int y);
    PanelClick clickResponseList(int x, int y);
    PanelClick clickArea(int area);
    void composeLight(DrawList& out) const;
    void composeSections(DrawList& out, const PanelLayout& l) const;
    void composeLists(DrawList& out, const PanelLayout& l) const;

    Session& session_;
    bool lightCollapsed_ = true;
    bool gameModeCollapsed_ = true;
    bool responseCollapsed_ = true;
    bool reportRateCollapsed_ = true;
    bool effectListOpen_ = false;
    bool responseListOpen_ = false;
    std::uint8_t effectHoverRow_ = kNoRow;
    std::uint8_t responseHoverRow_ = kNoRow;
};

}  // namespace morvane
