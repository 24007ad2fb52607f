#include "script/expect.h"

#include "codec/hextext.h"
#include "codec/texts.h"
#include "commands/protocol.h"
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

// A whole decimal number, as a reply's value is written (no "+", no point, no hex).
std::optional<long long> WholeNumber(std::string_view s) {
    const bool negative = s.starts_with('-');
    if (negative) s.remove_prefix(1);
    if (s.empty() || s.size() > 11 ||
        !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    long long v = 0;
    for (char c : s)
        v = v * 10 + (c - '0');
    return negative ? -v : v;
}

// The motion state a word names, in either language (a script means the same whichever the
// program speaks): the decoder's own word, or empty.
std::string MotionWord(std::string_view s) {
    if (s == ZH("停止") || s == "Stopped") return ZH("停止");
    if (s == ZH("运动中") || s == "Moving") return ZH("运动中");
    return {};
}

enum class ReplyForm { Number, Unsigned, Motion, Bytes, Any, None };

ReplyForm FormOfReply(std::uint8_t command) {
    const CommandInfo* c = FindCommand(command);
    if (!c) return ReplyForm::Any;
    switch (c->value) {
    case ReplyValue::Unsigned32:
    case ReplyValue::Byte:
        return ReplyForm::Unsigned;
    case ReplyValue::Signed32:
        return ReplyForm::Number;
    case ReplyValue::MotionState:
        return ReplyForm::Motion;
    case ReplyValue::IoEntry:
        return ReplyForm::Bytes;
    default:
        return ReplyForm::None;
    }
}

bool IsBytes(const std::string& value) {
    const auto bytes = ReadHexBytes(value);
    return bytes && !bytes->empty();
}

bool Fits(const std::string& value, ReplyForm form) {
    const auto number = WholeNumber(value);
    switch (form) {
    case ReplyForm::Unsigned:
        return number && *number >= 0;
    case ReplyForm::Number:
        return number.has_value();
    case ReplyForm::Motion:
        return !MotionWord(value).empty();
    case ReplyForm::Bytes:
        return IsBytes(value);
    case ReplyForm::Any:
        return number || !MotionWord(value).empty() || IsBytes(value);
    case ReplyForm::None:
        return false;
    }
    return false;
}

// Whether a field shows the value a check expects: numbers by their value, motion states by
// their meaning, bytes by their bytes, anything else by its text.
bool ValueMatches(const std::string& field, const std::string& expected) {
    const auto a = WholeNumber(field), b = WholeNumber(expected);
    if (a && b) return *a == *b;
    if (const std::string word = MotionWord(expected); !word.empty()) return field == word;
    const auto x = ReadHexBytes(field), y = ReadHexBytes(expected);
    if (x && y) return *x == *y;
    return field == expected;
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
        if (!Fits(value, ReplyForm::Any)) return std::nullopt;
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

std::optional<Error> ValueCheckProblem(const std::string& value, std::uint8_t command) {
    const ReplyForm form = FormOfReply(command);
    if (form == ReplyForm::None)
        return Error{ZH("这条命令的应答没有可检查的值：请用 Expect: 加应答的字节")};
    if (Fits(value, form)) return std::nullopt;
    switch (form) {
    case ReplyForm::Unsigned:
        return Error{ZH("这条命令的应答是不小于 0 的整数，“%1”不会相符"), {value}};
    case ReplyForm::Number:
        return Error{ZH("这条命令的应答是整数，“%1”不会相符"), {value}};
    case ReplyForm::Motion:
        return Error{ZH("这条命令的应答是运动状态（停止或运动中），“%1”不会相符"), {value}};
    default:
        return Error{ZH("这条命令的应答是16进制字节，“%1”不会相符"), {value}};
    }
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
        const std::string value =
            decoded.fields.empty() ? "" : Trimmed(decoded.fields.front().text);
        if (!ValueMatches(value, *check.value))
            return Error{ZH("值为“%1”，应为“%2”"), {value, *check.value}};
    }
    return std::nullopt;
}

} // namespace stepbench
