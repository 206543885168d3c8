// A moment broken into calendar fields, safely from any thread: POSIX has the
// "_r" functions for it, Windows the "_s" ones, with their arguments swapped.
#pragma once

#include <ctime>

namespace morvane {

inline std::tm utcFields(std::time_t t) {
    std::tm fields{};
#ifdef _WIN32
    gmtime_s(&fields, &t);
#else
    gmtime_r(&t, &fields);
#endif
    return fields;
}

inline std::tm localFields(std::time_t t) {
    std::tm fields{};
#ifdef _WIN32
    localtime_s(&fields, &t);
#else
    localtime_r(&t, &fields);
#endif
    return fields;
}

}  // namespace morvane
