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

} // namespace

std::vector<std::string> ParseScript(ByteView file) {
    std::vector<std::string> lines;
    if (StartsWithMark(file)) file = file.subspan(3);
    std::size_t start = 0;
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (file[i] != '\r' && file[i] != '\n') continue;
        lines.push_back(FromCodePage(file.subspan(start, i - start)));
        if (file[i] == '\r' && i + 1 < file.size() && file[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < file.size()) lines.push_back(FromCodePage(file.subspan(start)));
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
    // A first line whose code-page bytes begin as a byte-order mark ("锘" and a character led
    // by BF) would lose them when read back: a mark before them keeps them.
    if (StartsWithMark(out))
        out.insert(out.begin(), std::begin(kByteOrderMark), std::end(kByteOrderMark));
    return out;
}

} // namespace stepbench
