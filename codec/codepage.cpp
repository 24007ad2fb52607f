#include "codec/codepage.h"

#include <cerrno>
#include <iconv.h>
#include <unordered_map>

namespace stepbench {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr std::string_view kPlaceholder = "\u00B7";

// One iconv conversion direction; iconv keeps no state between our whole-character calls.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts all of in, or returns false if iconv refuses any part of it.
    bool convert(std::string_view in, std::string& out) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[16];
        auto* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        out.clear();
        while (srcLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            const std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) return false;
        }
        return true;
    }

private:
    iconv_t cd_;
};

Converter& ToGbk() {
    thread_local Converter c("GBK", "UTF-8");
    return c;
}

Converter& FromGbk() {
    thread_local Converter c("UTF-8", "GBK");
    return c;
}

bool IsLeadByte(std::uint8_t b) {
    return b >= 0x81 && b <= 0xFE;
}

// Decodes the non-ASCII character starting at bytes[i] (0x80 is the euro sign, 0x81-0xFE lead a
// pair) into utf8; returns how many bytes it took, 0 when they spell no character.
std::size_t DecodeAt(ByteView bytes, std::size_t i, std::string& utf8) {
    const std::size_t size = IsLeadByte(bytes[i]) ? 2 : 1;
    if (i + size > bytes.size()) return 0;
    // Every received byte is echoed: remember each code's character rather than asking iconv
    // again (at most one entry per two-byte code).
    thread_local std::unordered_map<std::uint16_t, std::string> known;
    const auto code =
        static_cast<std::uint16_t>(size == 2 ? bytes[i] << 8 | bytes[i + 1] : bytes[i]);
    auto it = known.find(code);
    if (it == known.end()) {
        const std::string_view in(reinterpret_cast<const char*>(bytes.data() + i), size);
        std::string character;
        if (!FromGbk().convert(in, character)) character.clear();
        it = known.emplace(code, std::move(character)).first;
    }
    utf8 = it->second;
    return utf8.empty() ? 0 : size;
}

} // namespace

std::u32string CodePoints(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<std::uint8_t>(s[i]);
        const int extra = b < 0x80           ? 0
                          : (b >> 5) == 0x6  ? 1
                          : (b >> 4) == 0xE  ? 2
                          : (b >> 3) == 0x1E ? 3
                                             : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size() + (extra == 0)) {
            out += kReplacement;
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? b : (b & (0x3F >> extra));
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<std::uint8_t>(s[i + k]);
            if ((c & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!valid || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += kReplacement;
            ++i;
            continue;
        }
        out += cp;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string Utf8(char32_t cp) {
    std::string s;
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (cp >> 18));
        s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return s;
}

Bytes CodePageBytes(char32_t cp) {
    if (cp < 0x80) return {static_cast<std::uint8_t>(cp)};
    std::string out;
    if (!ToGbk().convert(Utf8(cp), out) || out.empty()) return {'?'};
    return Bytes(out.begin(), out.end());
}

Bytes ToCodePage(std::string_view utf8) {
    Bytes out;
    out.reserve(utf8.size());
    for (char32_t cp : CodePoints(utf8)) {
        const Bytes b = CodePageBytes(cp);
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

namespace {

// Code-page bytes as UTF-8; a byte that starts no character, and a control byte unless
// keepControls, becomes the substitute.
std::string Decode(ByteView bytes, bool keepControls, const std::string& substitute) {
    std::string out;
    out.reserve(bytes.size());
    std::string character;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::uint8_t b = bytes[i];
        if (b < 0x80) {
            if (keepControls || (b >= 0x20 && b < 0x7F))
                out += static_cast<char>(b);
            else
                out += substitute;
        } else if (const std::size_t used = DecodeAt(bytes, i, character)) {
            out += character;
            i += used - 1;
        } else {
            out += substitute;
        }
    }
    return out;
}

} // namespace

std::string FromCodePage(ByteView bytes) {
    return Decode(bytes, true, Utf8(kReplacement));
}

std::string VisibleText(ByteView bytes) {
    return Decode(bytes, false, std::string(kPlaceholder));
}

} // namespace stepbench
