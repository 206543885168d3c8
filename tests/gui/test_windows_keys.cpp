// The keys a macro records on Windows: the system's own virtual-key codes,
// with the side of Shift, Ctrl and Alt taken from the scan code.
#include <gtest/gtest.h>

#include <QKeyEvent>

#include "app/qt_key_source.h"

namespace morvane {
namespace {

std::optional<std::uint8_t> vkOf(int qtKey, quint32 scan, quint32 vk) {
    const QKeyEvent e(QEvent::KeyPress, qtKey, Qt::NoModifier, scan, vk, 0);
    return virtualKeyOf(e);
}

TEST(WindowsKeys, ModifiersByTheirSideOtherKeysAsTheSystemNamesThem) {
    EXPECT_EQ(vkOf(Qt::Key_Shift, 0x2A, 0x10), 0xA0);
    EXPECT_EQ(vkOf(Qt::Key_Shift, 0x36, 0x10), 0xA1);
    EXPECT_EQ(vkOf(Qt::Key_Control, 0x1D, 0x11), 0xA2);
    EXPECT_EQ(vkOf(Qt::Key_Control, 0x11D, 0x11), 0xA3);
    EXPECT_EQ(vkOf(Qt::Key_Alt, 0x38, 0x12), 0xA4);
    EXPECT_EQ(vkOf(Qt::Key_AltGr, 0x138, 0x12), 0xA5);
    EXPECT_EQ(vkOf(Qt::Key_A, 0x1E, 0x41), 0x41);
    // The keypad keeps its own codes, whatever Qt calls the key.
    EXPECT_EQ(vkOf(Qt::Key_End, 0x4F, 0x61), 0x61);
    EXPECT_EQ(vkOf(Qt::Key_Meta, 0x15C, 0x5C), 0x5C);
    EXPECT_EQ(vkOf(Qt::Key_unknown, 0, 0), std::nullopt);
}

}  // namespace
}  // namespace morvane
