// What the key-assignment dialog draws: its frame and buttons, then the page
// shown, from the model's state.
#include <tuple>

#include "app/dialogs/key_map_layout.h"
#include "app/dialogs/key_map_model.h"
#include "base/key_names.h"
#include "base/texts.h"

namespace morvane {

using namespace key_map_layout;

void KeyMapModel::compose(DrawList& out) const {
    out.picture("Custom_BK.png", 0, 0);
    out.text(titleText(), 2, 2, kTextHeight, kTextWeight);

    for (int b = 0; b < keymap_buttons::Count; ++b) {
        const Button& button = kButtons[b];
        const bool over = b == keymap_buttons::Disable ? disableTicked_ : hovered_ == b && button.over;
        out.picture(over ? button.over : button.normal, button.x1, button.y1);
    }
    const Button& tick = kButtons[keymap_buttons::Disable];
    out.text(text(Text::DisableKey), tick.x1 + 15, tick.y1 - 2, kTextHeight, kTextWeight);
    // The button labels a step smaller, centred, so that each keeps a margin.
    const bool zh = language_ == kLanguageChinese;
    const int labelHeight = zh ? kTextHeight : kNarrowTextHeight;
    for (const auto& [b, id] : {std::pair{keymap_buttons::Default, Text::DefaultKey},
                                std::pair{keymap_buttons::Cancel, Text::Cancel}, std::pair{keymap_buttons::Save, Text::Save}}) {
        const Button& button = kButtons[b];
        out.centredText(text(id), button.x1, button.x2 - button.x1, button.y1 + (zh ? 2 : 4), labelHeight, kTextWeight,
                        kWhite);
    }

    composePage(out);
}

void KeyMapModel::composePage(DrawList& out) const {
    out.picture("cursor.png", kMarkerX[page_], 30);
    const int narrow = language_ == kLanguageChinese ? kTextHeight : kNarrowTextHeight;
    const Text tabs[4] = {Text::SingleCombineTab, Text::MacroTab, Text::BasicTab, Text::AdvanceTab};
    for (int t = 0; t < 4; ++t)
        out.text(text(tabs[t]), kTabTextX[t], t == 0 ? kTabTextY + (kTextHeight - narrow) / 2 : kTabTextY,
                 t == 0 ? narrow : kTextHeight, kTextWeight, t == page_ ? kWhite : kGrey);

    if (page_ == PageSingleCombine) {
        out.text(text(Text::SingleKey), 20, 69, kTextHeight, kTextWeight);
        out.text(text(Text::CombineKeys), 20, 119, kTextHeight, kTextWeight);
        // Behind the two boxes (which draw only their keys): red while one
        // waits for keys, and what to do while it is empty.
        for (const auto& [box, place, shown] : {std::tuple{KeyMapBox::Single, kSingleBoxRect, &singleText_},
                                                std::tuple{KeyMapBox::Combine, kCombineBoxRect, &combineText_}}) {
            const bool armed = armed_ == box;
            out.fill(place.x, place.y, place.width, place.height, armed ? kArmedBoxColour : kBoxColour);
            if (shown->empty())
                out.centredText(boxPrompt(box), place.x, place.width, place.y, place.height - 1, 400,
                                armed ? kWhite : Colour{0xd0, 0xd0, 0xd4});
        }
    }
    // An empty Macro page says where macros come from.
    if (page_ == PageMacro && macroNames().empty()) {
        int y = 90;
        for (const std::string_view line : textLines(Text::NoMacrosHint, language_)) {
            out.centredText(std::string(line), 15, 295, y, kTextHeight, kTextWeight, kGrey);
            y += 20;
        }
    }
    if (page_ != PageAdvance) return;

    out.picture("Macro_BK.png", 15, 66);
    const Text rows[4] = {Text::PlaySound, Text::Startup, Text::OpenFile, Text::OpenFolder};
    for (int r = 0; r < kAdvanceRows; ++r) {
        const int y = rowTop(r);
        const bool lit = markedRow_ == 4 * r || advanceRow_ == r;
        out.picture(lit ? "enable.png" : "disable.png", 15, y + 3);
        // A step smaller again in English, so that "Open Folder" ends before its path box.
        const int rowText = language_ == kLanguageChinese ? narrow : narrow - 1;
        out.text(text(rows[r]), 30, y + (kTextHeight - rowText) / 2, rowText, kTextWeight);
        out.picture("Advanced.png", 85, y - 1);
        out.picture(hoveredBrowse_ == r ? "view02.png" : "view.png", 256, y - 1);
        if (advanceRow_ == r) out.text(shownLaunchPath(request_.launchPath), 87, y, kTextHeight, kTextWeight);
    }
}

}  // namespace morvane
