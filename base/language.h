// The interface languages, by the language words the program stores and the
// keyboard's tables use.
#pragma once

#include <cstdint>

namespace morvane {

inline constexpr std::uint16_t kLanguageChinese = 4;
inline constexpr std::uint16_t kLanguageEnglish = 9;

}  // namespace morvane
