// The key source of the keyboard hook: Qt key events of a window, translated
// into the platform virtual-key codes the hook reports (left and right
// modifiers told apart, the keypad's own codes).
#pragma once

#include <QObject>
#include <cstdint>
#include <optional>

class QKeyEvent;

namespace morvane {

class KeyHookRelay;

// The virtual-key code of a key event; nothing for keys the keyboard does not have.
std::optional<std::uint8_t> virtualKeyOf(const QKeyEvent& event);

// Feeds `relay` with the key events of the widgets it is installed on (and
// swallows them while the relay has a target, so a captured Enter or Escape
// does not also close a dialog).
class QtKeySource : public QObject {
public:
    QtKeySource(KeyHookRelay& relay, QObject* parent = nullptr) : QObject(parent), relay_(relay) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KeyHookRelay& relay_;
};

}  // namespace morvane
