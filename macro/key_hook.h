// The keyboard hook: the two entry points through which the macro manager and
// the key-assignment dialog receive every keystroke as a virtual-key code with
// press or release. Where the platform has no system-wide hook, the keystrokes
// come from whatever key source the window has (its own key events); here the
// source is anything that calls KeyHookRelay::keyEvent.
#pragma once

#include <cstdint>

namespace morvane {

// The message number the hook reports with, kept for the layers that still
// speak in window messages.
inline constexpr unsigned MSG_HOOK_KEY = 0x06F3;

// Mode 0: one report per keystroke, the press only (the key-assignment dialog
// takes every report as one stroke). Mode 1: a press and, later, a release
// for every stroke, in order; presses repeated while a key is held are
// reported again (the recorder drops them).
inline constexpr int kHookModeStrokes = 0;
inline constexpr int kHookModePressRelease = 1;

// Receives the reports on the thread that owns it.
class KeyHookTarget {
public:
    virtual ~KeyHookTarget() = default;
    virtual void onHookKey(std::uint8_t virtualKey, bool released) = 0;
};

class KeyHook {
public:
    virtual ~KeyHook() = default;
    // Starts reporting to `target`; true when the hook is in place. A second
    // call replaces the target and mode.
    virtual bool installhook(KeyHookTarget& target, int mode) = 0;
    // Stops reporting.
    virtual void removehook() = 0;
};

// A hook fed by a key source: the source calls keyEvent for each key event,
// and the relay reports it to the installed target as the mode asks. Not
// thread-safe: source, relay and target live on one thread.
class KeyHookRelay final : public KeyHook {
public:
    bool installhook(KeyHookTarget& target, int mode) override;
    void removehook() override;

    bool installed() const { return target_ != nullptr; }
    int mode() const { return mode_; }

    // From the key source. `autoRepeat` marks a press repeated by a held key.
    void keyEvent(std::uint8_t virtualKey, bool released, bool autoRepeat = false);

private:
    KeyHookTarget* target_ = nullptr;
    int mode_ = kHookModePressRelease;
};

}  // namespace morvane
