#include "script/script_text.h"

#include "codec/codepage.h"

#include <algorithm>

namespace stepbench {

namespace {

// A file saved as UTF-8 by some editors starts with a byte-order mark: it is no text of the
// script, and would be read as bytes to send.
constexpr std::uint8_t kByteOrderMark[] = {0xEF, 0xBB, 0xBF};

bool StartsWithMark(ByteView bytes) {
    return bytes.size() >= 3 && std::equal(bytes.begin(), bytes.begin() + 3, kByteOrderMark);
}

// Whether the bytes are UTF-8 throughout (shortest forms, no surrogates); with twoByte false,
// also without a character of two bytes: Chinese in UTF-8 takes three, while pairs of code-page
// bytes often pass for two-byte characters ("停止" does).
bool IsUtf8(ByteView b, bool twoByte = true) {
    for (std::size_t i = 0; i < b.size();) {
        const std::uint8_t c = b[i];
        const std::size_t n = c < 0x80           ? 1
                              : (c >> 5) == 0x6  ? 2
                              : (c >> 4) == 0xE  ? 3
                              : (c >> 3) == 0x1E ? 4
                                                 : 0;
        if (n == 0 || i + n > b.size()) return false;
        std::uint32_t code = n == 1 ? c : c & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            if ((b[i + k] & 0xC0) != 0x80) return false;
            code = (code << 6) | (b[i + k] & 0x3F);
        }
        const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[n] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        if (n == 2 && !twoByte) return false;
        i += n;
    }
    return true;
}

bool IsAscii(ByteView b) {
    return std::all_of(b.begin(), b.end(), [](std::uint8_t c) { return c < 0x80; });
}

} // namespace

std::vector<std::string> ParseScript(ByteView file) {
    std::vector<std::string> lines;
    const bool marked = StartsWithMark(file);
    if (marked) file = file.subspan(3);
    // A file that is UTF-8 throughout is read as such (an editor's UTF-8: with its mark, or
    // Chinese without it); anything else is the code page, as the tool writes it.
    const bool utf8 = IsUtf8(file, marked);
    const auto text = [utf8](ByteView line) {
        return utf8 ? std::string(line.begin(), line.end()) : FromCodePage(line);
    };
    std::size_t start = 0;
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (file[i] != '\r' && file[i] != '\n') continue;
        lines.push_back(text(file.subspan(start, i - start)));
        if (file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < file.size()) lines.push_back(text(file.subspan(start)));
    return lines;
}

Bytes SerializeScript(const std::vector<std::string>& lines) {
    Bytes out;
    for (const std::string& line : lines) {
        if (line.empty()) continue;
        const Bytes encoded = ToCodePage(line);
        out.insert(out.end(), encoded.begin(), encoded.end());
        out.push_back('\r');
        out.push_back('\n');
    }
    // Code-page bytes that would read back as something else (UTF-8 throughout, or a first line
    // beginning as a byte-order mark, "锘" and a character led by BF) go as UTF-8 with its mark.
    if (!IsAscii(out) && (IsUtf8(out, false) || StartsWithMark(out))) {
        out.assign(std::begin(kByteOrderMark), std::end(kByteOrderMark));
        for (const std::string& line : lines) {
            if (line.empty()) continue;
            out.insert(out.end(), line.begin(), line.end());
            out.push_back('\r');
            out.push_back('\n');
        }
    }
    return out;
}

} // namespace stepbench
