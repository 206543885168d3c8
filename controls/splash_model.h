// The rules of the splash screen: which picture it shows and how long.
#pragma once

#include <string>
#include <string_view>

namespace morvane {

inline constexpr std::string_view kSplashPicture = "SplashScreen.png";
// The splash stays 52 periods of 20 ms, about one second, whatever its picture.
inline constexpr int kSplashPeriodMs = 20;
inline constexpr int kSplashPeriods = 52;
inline constexpr int kSplashShowMs = kSplashPeriods * kSplashPeriodMs;

// The language's picture folder under the program folder: "png/chinese/" for
// Chinese (language 4), "png/english/" for any other value. Ends in a slash.
std::string skinFolder(std::string_view programFolder, int uiLanguage);

}  // namespace morvane
