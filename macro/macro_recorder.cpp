#include "macro/macro_recorder.h"

#include <algorithm>

#include "base/key_names.h"

namespace morvane {

namespace {
// The performance counter is the clock's microsecond count.
constexpr std::int64_t kCounterFrequency = 1000000;
}  // namespace

MacroRecorder::MacroRecorder(Clock& clock, KeyHook& hook, KeyHookTarget& target)
    : clock_(clock), hook_(hook), target_(target) {}

void MacroRecorder::readFrequency() { counterFrequency = kCounterFrequency; }

std::int64_t MacroRecorder::elapsedMs(std::int64_t counts) const {
    if (counterFrequency <= 0 || counts <= 0) return 0;
    const std::int64_t ms = counts * 1000000 / counterFrequency / 1000;
    return std::min(ms, kMaxRecordedDelayMs);
}

void MacroRecorder::installHook() {
    if (!hookInstalled) hookInstalled = hook_.installhook(target_, kHookModePressRelease);
}

void MacroRecorder::removeHook() {
    if (hookInstalled) hook_.removehook();
    hookInstalled = false;
}

void MacroRecorder::start() {
    installHook();
    clear();
    lastEventText.clear();
    stopKeyDownSince_.reset();
    recording = true;
}

void MacroRecorder::stop() {
    removeHook();
    recording = false;
}

void MacroRecorder::clear() {
    deviceBuffer = {};
    displayBuffer = {};
    eventCounter = 0;
    appendOffset = 0;
    rows.clear();
    selectedRow = -1;
}

void MacroRecorder::load(const MacroSlot& slot) {
    deviceBuffer = slot.deviceEvents;
    displayBuffer = slot.displayEvents;
    const int n = sequenceLength(deviceBuffer);
    eventCounter = n;
    appendOffset = 4 * n;
    rows = MacroRows(deviceBuffer, displayBuffer);
    selectedRow = -1;
}

void MacroRecorder::onKey(std::uint8_t vk, bool released) {
    // Keystrokes count only while recording: a hook left in place by a key
    // insertion must not add events on its own.
    if (!hookInstalled || !recording) return;
    // A key the keyboard has no code for cannot be played back; its device
    // event could even read as the end of the sequence.
    if (keyUsage(vk) == 0) return;
    if (vk == kStopRecordingKey) {
        if (released) {
            stopKeyDownSince_.reset();
        } else if (!stopKeyDownSince_) {
            stopKeyDownSince_ = readCounter();
        } else if (readCounter() - *stopKeyDownSince_ >= kStopRecordingHoldMs * 1000) {
            return stopByHeldKey(vk);
        }
    }

    const std::string text = eventRowText(vk, released);
    std::int64_t ms = 0;
    if (released) {
        nowCount = readCounter();
        ms = elapsedMs(nowCount - lastCount);
        lastCount = nowCount;
        if (text == lastEventText) return;
    } else {
        if (rows.empty()) {
            lastCount = nowCount = readCounter();
        } else if (text != lastEventText) {
            nowCount = readCounter();
            ms = elapsedMs(nowCount - lastCount);
            lastCount = nowCount;
        }
        // A held key repeats its press; only the first one counts.
        if (text == lastEventText || appendOffset >= kPressLimitBytes) return;
    }
    append(vk, released, ms);
}

void MacroRecorder::stopByHeldKey(std::uint8_t vk) {
    stop();
    stopKeyDownSince_.reset();
    // Its press is the last event unless the press limit kept it out.
    const int last = appendOffset / 4 - 1;
    if (last < 0 || displayBuffer[last].code != vk || displayBuffer[last].action != kActionPress) return;
    displayBuffer[last] = {};
    deviceBuffer[last] = {};
    appendOffset -= 4;
    --eventCounter;
    rows = MacroRows(deviceBuffer, displayBuffer);
    selectedRow = static_cast<int>(rows.size()) - 1;
    lastEventText = rows.empty() ? std::string() : rows.back();
}

void MacroRecorder::append(std::uint8_t vk, bool released, std::int64_t ms) {
    // The sequence holds 127 events; nothing is ever written past it.
    if (appendOffset < 0 || appendOffset + 4 > kSequenceBytes) return;
    const bool withDelay = recordDelay && !rows.empty();
    const auto delay = static_cast<std::uint16_t>(withDelay ? std::clamp<std::int64_t>(ms, 0, kMaxRecordedDelayMs) : 1);
    const std::uint8_t action = released ? kActionRelease : kActionPress;

    const int index = appendOffset / 4;
    MacroEvent shown{vk, action, {}};
    shown.setDelay(delay);
    displayBuffer[index] = shown;
    deviceBuffer[index] = deviceEventOf(shown);

    if (withDelay && ms != 1) rows.push_back(delayRowText(static_cast<int>(delay)));
    lastEventText = eventRowText(vk, released);
    rows.push_back(lastEventText);
    selectedRow = static_cast<int>(rows.size()) - 1;
    ++eventCounter;
    appendOffset += 4;
}

}  // namespace morvane
