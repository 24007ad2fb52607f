#include "script/expect.h"

#include "codec/hextext.h"
#include "codec/texts.h"
#include "link/frame_cutter.h"
#include "link/reply_decoder.h"

#include <algorithm>
#include <cctype>

namespace stepbench {
namespace {

constexpr std::string_view kKeyword = "Expect:";
constexpr std::string_view kValue = "value=";

std::string Trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return std::string(s);
}

} // namespace

bool IsExpectLine(const std::string& line) {
    return line.starts_with(kKeyword);
}

std::optional<ReplyCheck> ParseExpectLine(const std::string& line) {
    if (!IsExpectLine(line)) return std::nullopt;
    const std::string rest = Trimmed(std::string_view(line).substr(kKeyword.size()));
    if (rest.starts_with(kValue)) {
        const std::string value = Trimmed(std::string_view(rest).substr(kValue.size()));
        if (value.empty()) return std::nullopt;
        return ReplyCheck{std::nullopt, value};
    }
    // Bytes as pairs of hex digits, nothing else.
    const auto bytes = ReadHexBytes(rest);
    if (!bytes) return std::nullopt;
    return ReplyCheck{*bytes, std::nullopt};
}

std::optional<std::size_t> FirstBadExpectLine(const std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (IsExpectLine(lines[i]) && !ParseExpectLine(lines[i])) return i;
    return std::nullopt;
}

std::optional<Error> CheckReply(const ReplyCheck& check, bool answered, ByteView reply,
                                LinkMode framing, std::optional<std::uint8_t> command) {
    if (!answered) return Error{ZH("没有正常的应答")};
    const Piece frame{PieceKind::Frame, Bytes(reply.begin(), reply.end()), framing};
    if (check.bytes) {
        const Bytes message = FrameMessage(frame);
        if (message != *check.bytes)
            return Error{ZH("应答为 %1，应为 %2"),
                         {Trimmed(HexFrameText(message)), Trimmed(HexFrameText(*check.bytes))}};
    }
    if (check.value) {
        const DecodedReply decoded = DecodePieceOf(frame, command);
        const std::string value = decoded.fields.empty() ? "" : decoded.fields.front().text;
        if (value != *check.value) return Error{ZH("值为“%1”，应为“%2”"), {value, *check.value}};
    }
    return std::nullopt;
}

} // namespace stepbench
