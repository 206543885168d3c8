#include "macro/key_hook.h"

namespace morvane {

bool KeyHookRelay::installhook(KeyHookTarget& target, int mode) {
    if (mode != kHookModeStrokes && mode != kHookModePressRelease) return false;
    target_ = &target;
    mode_ = mode;
    return true;
}

void KeyHookRelay::removehook() { target_ = nullptr; }

void KeyHookRelay::keyEvent(std::uint8_t virtualKey, bool released, bool autoRepeat) {
    if (!target_) return;
    // One report per stroke in mode 0: neither the release nor a repeat.
    if (mode_ == kHookModeStrokes && (released || autoRepeat)) return;
    target_->onHookKey(virtualKey, released);
}

}  // namespace morvane
