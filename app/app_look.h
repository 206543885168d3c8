// How the program's native widgets look and speak: message boxes, menus and
// file pickers take the skin's charcoal palette and, in Chinese, Qt's own
// Chinese texts, so they match the skinned windows in both languages.
#pragma once

#include <cstdint>

class QApplication;
class QTranslator;

namespace morvane {

// The skin's palette (charcoal, near-white text, the accent red for what is
// highlighted) on Qt's Fusion style, for every widget the skin does not draw.
void applySkinLook(QApplication& app);

// The skinned windows' pop-up menus: charcoal, the chosen item in the red.
inline constexpr const char* kSkinMenuStyle =
    "QMenu { background: #222228; color: #ececf0; border: 1px solid #3a3a42; padding: 3px 0; }"
    "QMenu::item { padding: 4px 26px 4px 16px; }"
    "QMenu::item:selected { background: #c8232c; color: #ffffff; }";

// Installs Qt's own translations for the language shown (none for English).
// Returns the translator installed, owned by the application, or null when
// none applies or Qt's translation files are missing.
QTranslator* loadQtTranslations(QApplication& app, std::uint16_t uiLanguage);

}  // namespace morvane
