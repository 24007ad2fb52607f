#pragma once

#include <string_view>

namespace stepbench {

// Reads typed numbers the way the device's engineers are used to: the leading number counts and
// anything after it is ignored ("12abc" is 12, "abc" is 0), blanks inside the number are skipped,
// and "&H" introduces hexadecimal digits ("&H1F" is 31). Values too large for a double come back
// as +/-infinity, which every range check refuses.
double ReadNumber(std::string_view text);

// Hexadecimal text such as a device address ("1F"), read by the same rule.
double ReadHexNumber(std::string_view text);

// Nearest integer, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);

// ReadNumber followed by RoundHalfEven: what a typed integer field holds.
inline double ReadInteger(std::string_view text) {
    return RoundHalfEven(ReadNumber(text));
}

} // namespace stepbench
