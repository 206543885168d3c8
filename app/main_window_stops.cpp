#include "app/main_window_stops.h"

#include "app/keyboard_layout.h"
#include "app/main_window_model.h"
#include "base/key_caps.h"
#include "base/key_names.h"
#include "base/texts.h"
#include "session/session.h"

namespace morvane {

namespace {

WindowStop between(int x1, int y1, int x2, int y2, std::string name) {
    return {x1, y1, x2 - x1 + 1, y2 - y1 + 1, std::move(name), false};
}

std::string trimmed(std::string name) {
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name;
}

}  // namespace

std::vector<WindowStop> windowStops(const MainWindowModel& window, const Session& session) {
    const std::uint16_t language = session.uiLanguage();
    const auto t = [language](Text id) { return std::string(text(id, language)); };
    const PanelLayout l = window.panel().layout();
    const int top = l.sectionTop;
    std::vector<WindowStop> stops = {
        between(19, 110, 261, 130, t(Text::Light)),
        between(19, top + 120, 259, top + 138, t(Text::MacroManagement)),
        between(19, top + 165, 261, top + 185, t(Text::GameMode) + " / " + t(Text::WinLock)),
        between(19, top + 220, 261, top + 240, t(Text::ResponseTime)),
        between(19, l.reportRateY, 261, l.reportRateY + 20, t(Text::ReportRate)),
    };
    const KeyboardModel model = session.keyboardModel();
    const auto& caps = keyboardLayout(model);
    for (int key = 0; key < static_cast<int>(caps.size()); ++key) {
        const KeyRect& r = caps[key].rect;
        if (r.empty()) continue;
        std::string name = trimmed(keyName(keyVirtualKey[key]));
        if (name.empty()) name = "Fn";
        stops.push_back({kKeyboardPictureX + r.left, kKeyboardPictureY + r.top, r.width(), r.height(), name, true});
    }
    stops.push_back(between(19, 605, 89, 635, t(Text::ProfileButton)));
    stops.push_back(between(800, 605, 857, 635, t(Text::ReturnButton)));
    stops.push_back(between(861, 605, 918, 635, t(Text::Cancel)));
    stops.push_back(between(923, 605, 980, 635, t(Text::Save)));
    stops.push_back(between(936, 5, 952, 20, t(Text::Help)));
    stops.push_back(between(957, 5, 973, 20, t(Text::Minimize)));
    stops.push_back(between(978, 5, 994, 20, t(Text::Close)));
    return stops;
}

}  // namespace morvane
