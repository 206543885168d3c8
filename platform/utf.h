// Conversions between the UTF-16 text of the stored records and UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace morvane {

// Unpaired surrogates become U+FFFD.
std::string toUtf8(std::u16string_view text);
// Appends one code point (a valid one: not a surrogate, at most U+10FFFF).
void appendUtf8(std::string& out, char32_t c);
// Malformed bytes become U+FFFD.
std::u16string toUtf16(std::string_view text);
// Well-formed UTF-8 without control characters (line breaks, tabs, NUL):
// what a name the user gives may hold.
bool isPlainUtf8Text(std::string_view text);

}  // namespace morvane
