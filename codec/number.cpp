#include "codec/number.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace stepbench {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The text with its blanks dropped, so "1 000" reads as 1000.
std::string WithoutBlanks(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (!IsBlank(c)) s += c;
    return s;
}

double ReadHexDigits(std::string_view s) {
    double value = 0;
    for (char c : s) {
        int d = HexDigitValue(c);
        if (d < 0) break;
        value = value * 16 + d;
    }
    return value;
}

} // namespace

double ReadNumber(std::string_view text) {
    const std::string s = WithoutBlanks(text);
    if (s.size() >= 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h'))
        return ReadHexDigits(std::string_view(s).substr(2));

    // Find the longest prefix of the form [sign] digits [. digits] [e [sign] digits].
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t mantissaStart = i;
    while (i < s.size() && IsDigit(s[i]))
        ++i;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i]))
            ++i;
    }
    if (i == mantissaStart || (i == mantissaStart + 1 && s[mantissaStart] == '.')) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j]))
                ++j;
            i = j;
        }
    }

    const std::size_t numberStart = (s[0] == '+') ? 1 : 0;
    double value = 0;
    const auto result = std::from_chars(s.data() + numberStart, s.data() + i, value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: an exponent's sign tells which; without one, only
        // a long run of zeros after the point can make a number too small.
        const std::size_t e = s.find_first_of("eE", mantissaStart);
        const bool large =
            e < i ? s[e + 1] != '-' : s.find_first_of("123456789", mantissaStart) < s.find('.');
        if (!large) return 0.0;
        return s[0] == '-' ? -std::numeric_limits<double>::infinity()
                           : std::numeric_limits<double>::infinity();
    }
    return value;
}

double ReadHexNumber(std::string_view text) {
    return ReadNumber("&H" + std::string(text));
}

double RoundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5) return floor;
    if (diff > 0.5) return floor + 1;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

} // namespace stepbench
