// The macro recorder: turns the keystrokes the hook reports into the events of
// the macro selected in the macro manager, with the delays between them
// measured on a performance counter. It shares the manager's buffers and
// events list, so its state is open to the manager (MacroEditor).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/clock.h"
#include "macro/key_hook.h"
#include "macro/macro_rows.h"

namespace morvane {

inline constexpr int kSequenceBytes = 4 * kMacroEventCount;  // 508
// Presses are recorded up to 46 events; releases of keys already down still
// go in after that, up to the end of the sequence.
inline constexpr int kPressLimitBytes = 184;
inline constexpr std::int64_t kMaxRecordedDelayMs = 60000;
// Escape held this long stops a recording from the keyboard, where every
// other key (Tab, Enter, Space, a short Escape) is recorded.
inline constexpr std::uint8_t kStopRecordingKey = 0x1B;
inline constexpr std::int64_t kStopRecordingHoldMs = 1000;

class MacroRecorder {
public:
    MacroRecorder(Clock& clock, KeyHook& hook, KeyHookTarget& target);

    // --- state shared with the macro manager ---
    bool recording = false;
    bool hookInstalled = false;
    bool recordDelay = false;
    MacroEvents deviceBuffer{};
    MacroEvents displayBuffer{};
    int appendOffset = 0;  // byte offset of the next event in both buffers
    std::string lastEventText;
    int eventCounter = 0;
    std::int64_t counterFrequency = 0;
    std::int64_t lastCount = 0;
    std::int64_t nowCount = 0;
    std::vector<std::string> rows;  // the events list
    int selectedRow = -1;           // -1: no row selected

    // Reads the counter frequency (the manager does this each time it opens).
    void readFrequency();

    // Record button. start() leaves the selected slot's own events to the
    // manager, which zeroes them.
    void start();
    void stop();

    void installHook();
    void removeHook();

    // A hook report while no key is being inserted. Escape held down for
    // kStopRecordingHoldMs (told by its repeated press) stops the recording,
    // and the held Escape is not kept in the macro.
    void onKey(std::uint8_t vk, bool released);

    // Appends one event and its rows at appendOffset; nothing once the
    // sequence is full.
    void append(std::uint8_t vk, bool released, std::int64_t ms);

    // Makes `slot`'s events the ones being edited: buffers, rows, and the
    // append point at the end of its sequence.
    void load(const MacroSlot& slot);
    // Empties the buffers and the events list.
    void clear();

    // The event count of the buffers.
    int eventCount() const { return sequenceLength(deviceBuffer); }

private:
    std::int64_t readCounter() { return clock_.nowMicros(); }
    std::int64_t elapsedMs(std::int64_t counts) const;
    // The stop key was held: its press goes out of the sequence again.
    void stopByHeldKey(std::uint8_t vk);

    Clock& clock_;
    KeyHook& hook_;
    KeyHookTarget& target_;
    std::optional<std::int64_t> stopKeyDownSince_;  // counter value of the stop key's first press
};

}  // namespace morvane
