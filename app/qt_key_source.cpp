#include "app/qt_key_source.h"

#include <QEvent>
#include <QKeyEvent>

#include "macro/key_hook.h"

namespace morvane {

#ifdef _WIN32

// Windows hands the key's own virtual-key code over, as the keyboard hook of
// the maker's program saw it; only the modifiers come without their side,
// which the scan code tells (bit 8: an extended key, the right Ctrl and Alt).
std::optional<std::uint8_t> virtualKeyOf(const QKeyEvent& e) {
    const quint32 vk = e.nativeVirtualKey();
    const quint32 scan = e.nativeScanCode();
    const bool extended = (scan & 0x100) != 0;
    switch (vk) {
    case 0x10: return (scan & 0xFF) == 0x36 ? 0xA1 : 0xA0;  // Shift: the right one's scan code is 0x36
    case 0x11: return extended ? 0xA3 : 0xA2;
    case 0x12: return extended ? 0xA5 : 0xA4;
    default: break;
    }
    if (vk == 0 || vk > 0xFE) return std::nullopt;
    return static_cast<std::uint8_t>(vk);
}

#else

namespace {

// X11 keysyms of the right-hand keys whose Qt key does not tell left from right.
constexpr quint32 kShiftR = 0xffe2, kControlR = 0xffe4, kAltR = 0xffea, kSuperR = 0xffec;

std::optional<std::uint8_t> keypadKey(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::uint8_t>(0x60 + (key - Qt::Key_0));
    switch (key) {
    case Qt::Key_Asterisk: return 0x6A;
    case Qt::Key_Plus: return 0x6B;
    case Qt::Key_Enter: return 0x6C;
    case Qt::Key_Minus: return 0x6D;
    case Qt::Key_Period:
    case Qt::Key_Comma:
    case Qt::Key_Delete: return 0x6E;
    case Qt::Key_Slash: return 0x6F;
    case Qt::Key_Insert: return 0x60;
    case Qt::Key_End: return 0x61;
    case Qt::Key_Down: return 0x62;
    case Qt::Key_PageDown: return 0x63;
    case Qt::Key_Left: return 0x64;
    case Qt::Key_Clear: return 0x65;
    case Qt::Key_Right: return 0x66;
    case Qt::Key_Home: return 0x67;
    case Qt::Key_Up: return 0x68;
    case Qt::Key_PageUp: return 0x69;
    case Qt::Key_NumLock: return 0x90;
    default: return std::nullopt;
    }
}

}  // namespace


std::optional<std::uint8_t> virtualKeyOf(const QKeyEvent& e) {
    const int key = e.key();
    const quint32 sym = e.nativeVirtualKey();
    if (e.modifiers() & Qt::KeypadModifier)
        if (const auto vk = keypadKey(key)) return vk;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<std::uint8_t>(0x41 + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::uint8_t>(0x30 + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return static_cast<std::uint8_t>(0x70 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Shift: return sym == kShiftR ? 0xA1 : 0xA0;
    case Qt::Key_Control: return sym == kControlR ? 0xA3 : 0xA2;
    case Qt::Key_Alt: return sym == kAltR ? 0xA5 : 0xA4;
    case Qt::Key_AltGr: return 0xA5;
    case Qt::Key_Meta:
    case Qt::Key_Super_L: return sym == kSuperR ? 0x5C : 0x5B;
    case Qt::Key_Super_R: return 0x5C;
    case Qt::Key_Menu: return 0x5D;
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 0x09;
    case Qt::Key_Return: return 0x0D;
    case Qt::Key_Enter: return 0x0D;
    case Qt::Key_Pause: return 0x13;
    case Qt::Key_CapsLock: return 0x14;
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Print: return 0x2C;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Delete: return 0x2E;
    case Qt::Key_NumLock: return 0x90;
    case Qt::Key_ScrollLock: return 0x91;
    case Qt::Key_VolumeDown: return 0xAE;
    case Qt::Key_VolumeUp: return 0xAF;
    case Qt::Key_MediaTogglePlayPause:
    case Qt::Key_MediaPlay: return 0xB3;
    case Qt::Key_LaunchMedia: return 0xB5;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return 0xBA;
    case Qt::Key_Equal:
    case Qt::Key_Plus: return 0xBB;
    case Qt::Key_Comma:
    case Qt::Key_Less: return 0xBC;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: return 0xBD;
    case Qt::Key_Period:
    case Qt::Key_Greater: return 0xBE;
    case Qt::Key_Slash:
    case Qt::Key_Question: return 0xBF;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return 0xC0;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return 0xDB;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return 0xDC;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return 0xDD;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return 0xDE;
    // Shifted digits arrive as their symbols.
    case Qt::Key_Exclam: return 0x31;
    case Qt::Key_At: return 0x32;
    case Qt::Key_NumberSign: return 0x33;
    case Qt::Key_Dollar: return 0x34;
    case Qt::Key_Percent: return 0x35;
    case Qt::Key_AsciiCircum: return 0x36;
    case Qt::Key_Ampersand: return 0x37;
    case Qt::Key_Asterisk: return 0x38;
    case Qt::Key_ParenLeft: return 0x39;
    case Qt::Key_ParenRight: return 0x30;
    default: return std::nullopt;
    }
}

#endif

bool QtKeySource::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) && relay_.installed()) {
        const auto* e = static_cast<QKeyEvent*>(event);
        if (const auto vk = virtualKeyOf(*e)) relay_.keyEvent(*vk, event->type() == QEvent::KeyRelease, e->isAutoRepeat());
        return true;
    }
    if (event->type() == QEvent::ShortcutOverride && relay_.installed()) {
        event->accept();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace morvane
