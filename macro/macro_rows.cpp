#include "macro/macro_rows.h"

#include <algorithm>

#include "base/key_names.h"

namespace morvane {

namespace {

// Whether event i (of a sequence) is shown with a delay row above it.
bool hasDelayRow(const MacroEvent& e, int i) {
    if (e.delay() == 1) return false;
    return e.action == kActionRelease || i > 0;
}

}  // namespace

int sequenceLength(const MacroEvents& device) {
    int n = 0;
    while (n < kMacroEventCount && !device[n].isEnd()) ++n;
    return n;
}

std::string eventRowText(std::uint8_t virtualKey, bool released) {
    return keyName(virtualKey) + (released ? " up" : " dn");
}

std::string delayRowText(int ms) { return std::to_string(ms) + " ms"; }

bool isDelayRow(std::string_view row) { return row.find(" ms") != std::string_view::npos; }

std::vector<std::string> MacroRows(const MacroEvents& device, const MacroEvents& display) {
    std::vector<std::string> rows;
    const int n = sequenceLength(device);
    for (int i = 0; i < n; ++i) {
        const MacroEvent& e = device[i];
        if (hasDelayRow(e, i)) rows.push_back(delayRowText(e.delay()));
        rows.push_back(eventRowText(display[i].code, e.action == kActionRelease));
    }
    return rows;
}

int EventOfRow(const MacroEvents& device, int row) {
    const int n = sequenceLength(device);
    int counted = 0;
    for (int i = 0; i < n; ++i) {
        counted += hasDelayRow(device[i], i) ? 2 : 1;
        if (row <= counted) return i;
    }
    return n;
}

MacroEvent deviceEventOf(const MacroEvent& displayEvent) {
    MacroEvent e = displayEvent;
    e.code = keyUsage(displayEvent.code);
    return e;
}

bool insertMacroEvent(MacroEvents& device, MacroEvents& display, int index, const MacroEvent& displayEvent) {
    const int n = sequenceLength(device);
    if (n >= kMacroEventCount || index < 0 || index > n) return false;
    // An event that reads as the end marker would cut off every event after it.
    const MacroEvent onDevice = deviceEventOf(displayEvent);
    if (onDevice.isEnd()) return false;
    std::copy_backward(device.begin() + index, device.begin() + n, device.begin() + n + 1);
    std::copy_backward(display.begin() + index, display.begin() + n, display.begin() + n + 1);
    device[index] = onDevice;
    display[index] = displayEvent;
    return true;
}

bool removeMacroEvent(MacroEvents& device, MacroEvents& display, int index) {
    const int n = sequenceLength(device);
    if (index < 0 || index >= n) return false;
    std::copy(device.begin() + index + 1, device.end(), device.begin() + index);
    std::copy(display.begin() + index + 1, display.end(), display.begin() + index);
    device.back() = MacroEvent{};
    display.back() = MacroEvent{};
    return true;
}

}  // namespace morvane
