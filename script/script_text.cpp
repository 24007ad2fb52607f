#include "script/script_text.h"

#include "codec/codepage.h"

#include <algorithm>

namespace stepbench {

std::vector<std::string> ParseScript(ByteView file) {
    std::vector<std::string> lines;
    // A file saved as UTF-8 by some editors starts with a byte-order mark: it is no text of
    // the script, and would be read as bytes to send.
    static constexpr std::uint8_t kByteOrderMark[] = {0xEF, 0xBB, 0xBF};
    if (file.size() >= 3 && std::equal(file.begin(), file.begin() + 3, kByteOrderMark))
        file = file.subspan(3);
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
    return out;
}

} // namespace stepbench
