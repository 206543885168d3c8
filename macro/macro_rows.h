// A macro's events as the rows of text the events list shows, the way back
// from a row to its event, and the edits on a macro's two event sequences
// (the device codes the keyboard plays and the virtual keys shown).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "macro/macro_store.h"

namespace morvane {

using MacroEvents = std::array<MacroEvent, kMacroEventCount>;

// Mouse-button codes, the same in both sequences.
inline constexpr std::uint8_t kMouseLeft = 0xF0;
inline constexpr std::uint8_t kMouseRight = 0xF1;
inline constexpr std::uint8_t kMouseMiddle = 0xF2;

// Events up to the first all-zero device event.
int sequenceLength(const MacroEvents& device);

// "<name> dn", "<name> up" (the key name keeps its trailing blank) and "<ms> ms".
std::string eventRowText(std::uint8_t virtualKey, bool released);
std::string delayRowText(int ms);
// A row is a delay row exactly when it contains " ms".
bool isDelayRow(std::string_view row);

// One row per event, preceded by a delay row when the event has a delay other
// than 1 - except the first press, whose delay is never shown.
std::vector<std::string> MacroRows(const MacroEvents& device, const MacroEvents& display);
inline std::vector<std::string> MacroRows(const MacroSlot& slot) {
    return MacroRows(slot.deviceEvents, slot.displayEvents);
}

// The event that 1-based row `row` belongs to (a delay row belongs to the
// event below it); one past the last row, or any later row, is the end of the
// sequence (the number of events).
int EventOfRow(const MacroEvents& device, int row);
inline int EventOfRow(const MacroSlot& slot, int row) { return EventOfRow(slot.deviceEvents, row); }

// The device event for a shown event: the key's usage in place of its
// virtual key.
MacroEvent deviceEventOf(const MacroEvent& displayEvent);

// Puts `displayEvent` (and its device twin) at `index`, moving later events
// up. Refused (false) when the macro already holds 127 events, so that no
// event falls off the end, when `index` lies past the end, or when the event
// would read as the end marker (no key code, no action, no delay).
bool insertMacroEvent(MacroEvents& device, MacroEvents& display, int index, const MacroEvent& displayEvent);

// Removes the event at `index`, moving later events down; false when there is
// no such event.
bool removeMacroEvent(MacroEvents& device, MacroEvents& display, int index);

}  // namespace morvane
