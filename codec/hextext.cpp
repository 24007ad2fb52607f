#include "codec/hextext.h"

#include "codec/codepage.h"

namespace stepbench {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

int HexValue(char32_t c) {
    if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
    return -1;
}

} // namespace

std::string HexByte(std::uint8_t b) {
    return {kDigits[b >> 4], kDigits[b & 0xF]};
}

std::string ShortHexByte(std::uint8_t b) {
    return b < 0x10 ? std::string(1, kDigits[b]) : HexByte(b);
}

std::string HexFrameText(ByteView bytes) {
    // Written in place: logs show this for every byte received, at the full line rate.
    std::string s(bytes.size() * 3, ' ');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        s[3 * i] = kDigits[bytes[i] >> 4];
        s[3 * i + 1] = kDigits[bytes[i] & 0xF];
    }
    return s;
}

Bytes ParseHexText(std::string_view text) {
    std::u32string s;
    for (char32_t c : CodePoints(text))
        if (c != U' ') s += c;
    if (s.size() % 2 == 1) s.insert(s.size() - 1, 1, U'0');

    Bytes out;
    out.reserve(s.size() / 2);
    for (std::size_t i = 0; i < s.size(); i += 2) {
        const int high = HexValue(s[i]);
        const int low = HexValue(s[i + 1]);
        if (high < 0)
            out.push_back(0);
        else if (low < 0)
            out.push_back(static_cast<std::uint8_t>(high));
        else
            out.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return out;
}

std::string TextToHex(std::string_view text) {
    std::string out;
    for (char32_t c : CodePoints(text)) {
        const Bytes code = CodePageBytes(c);
        if (code.size() == 1) {
            out += ShortHexByte(code[0]);
        } else {
            for (std::uint8_t b : code)
                out += HexByte(b);
        }
        out += ' ';
    }
    return out;
}

std::optional<Bytes> ReadHexBytes(std::string_view text) {
    Bytes out;
    int high = -1; // the first digit of a pair, while its second is awaited
    for (char c : text) {
        if (c == ' ' || c == '\t') {
            if (high >= 0) return std::nullopt; // a pair broken by a blank
            continue;
        }
        const int d = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                             : -1;
        if (d < 0) return std::nullopt;
        if (high < 0) {
            high = d;
        } else {
            out.push_back(static_cast<std::uint8_t>(high * 16 + d));
            high = -1;
        }
    }
    if (high >= 0 || out.empty()) return std::nullopt;
    return out;
}

bool IsHexText(std::string_view text) {
    bool digit = false;
    for (char c : text) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (!hex && c != ' ' && c != '\t') return false;
        digit = digit || hex;
    }
    return digit;
}

} // namespace stepbench
