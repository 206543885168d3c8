// What of the main window the keyboard reaches with Tab and a screen reader
// names: the painted buttons, the settings panel's section heads and the keys
// of the keyboard picture, each with the place whose click it stands for.
#pragma once

#include <string>
#include <vector>

namespace morvane {

class MainWindowModel;
class Session;

struct WindowStop {
    int x = 0, y = 0, width = 0, height = 0;  // window pixels
    std::string name;
    bool key = false;  // a key of the keyboard picture
    int clickX() const { return x + width / 2; }
    int clickY() const { return y + height / 2; }
    friend bool operator==(const WindowStop&, const WindowStop&) = default;
};

// The heads of the panel's sections with a slider, by their place in the list.
inline constexpr int kLightStop = 0;
inline constexpr int kReportRateStop = 4;

// In Tab order, as the window shows now (the panel's heads move as its
// sections open; keys only with a keyboard).
std::vector<WindowStop> windowStops(const MainWindowModel& window, const Session& session);

}  // namespace morvane
