#include "script/step.h"

#include "codec/codepage.h"
#include "codec/frame.h"
#include "codec/hextext.h"
#include "codec/number.h"
#include "codec/texts.h"
#include "script/expect.h"

#include <climits>

namespace stepbench {
namespace {

constexpr int kIdleLook = 1000;     // ms between looks at an empty position
constexpr int kMaxInterval = 65535; // the longest pause a delay line can set

bool Keyword(const std::string& line, std::string_view word) {
    return line.starts_with(word) && CodePoints(line).size() > 5;
}

// The value after the keyword and its one separator character.
double Value(const std::string& line) {
    const std::u32string cps = CodePoints(line);
    std::string rest;
    for (std::size_t i = 6; i < cps.size(); ++i)
        rest += Utf8(cps[i]);
    return ReadNumber(rest);
}

// The value as a plain whole number, nothing else after the separator.
std::optional<long long> WholeValue(const std::string& line) {
    const std::u32string cps = CodePoints(line);
    if (cps.size() <= 6 || cps.size() > 16) return std::nullopt;
    long long v = 0;
    for (std::size_t i = 6; i < cps.size(); ++i) {
        if (cps[i] < U'0' || cps[i] > U'9') return std::nullopt;
        v = v * 10 + (cps[i] - U'0');
    }
    return v;
}

int ClampToInt(double v) {
    if (v >= INT_MAX) return INT_MAX;
    if (v <= INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

// The first line after the given one that is not a comment; the line count when none is.
int NextLine(std::span<const std::string> lines, int after) {
    int i = after + 1;
    while (i < int(lines.size()) && IsCommentLine(lines[std::size_t(i)]))
        ++i;
    return i;
}

} // namespace

bool IsDelayLine(const std::string& line) {
    return Keyword(line, "Delay");
}
bool IsJumpLine(const std::string& line) {
    return Keyword(line, "GoIdx");
}
bool IsCommentLine(const std::string& line) {
    return line.starts_with('#');
}

LineKind KindOfLine(const std::string& line) {
    if (line.empty()) return LineKind::Empty;
    if (IsCommentLine(line)) return LineKind::Comment;
    if (IsDelayLine(line)) return LineKind::Delay;
    if (IsJumpLine(line)) return LineKind::Jump;
    if (IsExpectLine(line)) return LineKind::Expect;
    return IsHexText(line) ? LineKind::Frame : LineKind::Text;
}

Step ScriptStep(std::span<const std::string> lines, int index, int loopInterval) {
    const auto count = static_cast<int>(lines.size());
    const bool exists = index >= 0 && index < count;
    // Comments are passed over; past the last line the script starts over.
    if (exists && IsCommentLine(lines[std::size_t(index)])) {
        int at = NextLine(lines, index);
        if (at >= count) at = NextLine(lines, -1);
        if (at >= count) return {index, std::nullopt, index, kIdleLook, StepProblem::NoLine, index};
        index = at;
    }
    const std::string& line = exists ? lines[static_cast<std::size_t>(index)] : std::string();
    if (line.empty())
        return {index,
                std::nullopt,
                index,
                kIdleLook,
                exists ? StepProblem::EmptyLine : StepProblem::NoLine,
                index};

    Step step;
    step.line = index;
    const LineKind kind = KindOfLine(line);
    if (kind == LineKind::Frame) step.send = line;
    // A line of text never goes on the line as bytes.
    if (kind == LineKind::Text) {
        step.problem = StepProblem::NotHex;
        step.problemLine = index;
    }
    step.interval = loopInterval;
    // The checks of a frame line's reply follow it, and are taken with it.
    int last = index;
    for (int n;
         step.send && (n = NextLine(lines, last)) < count && IsExpectLine(lines[std::size_t(n)]);) {
        last = n;
        step.checks.push_back({n, ParseExpectLine(lines[std::size_t(n)])});
    }
    step.nextIndex = last;

    if (const int n = NextLine(lines, last); n < count) {
        const std::string& next = lines[static_cast<std::size_t>(n)];
        if (IsDelayLine(next)) {
            const double delay = RoundHalfEven(Value(next));
            // Out of the timer's range the loop interval stands; the line is consumed either way.
            if (delay >= 0 && delay <= kMaxInterval) step.interval = static_cast<int>(delay);
            if (step.interval == 0 || !(delay >= 0 && delay <= kMaxInterval)) {
                step.problem =
                    step.interval == 0 ? StepProblem::DelayStops : StepProblem::DelayOutOfRange;
                step.problemLine = n;
            }
            step.nextIndex = n;
        } else if (IsJumpLine(next)) {
            const double target = Value(next);
            if (target <= double(count)) {
                step.nextIndex = ClampToInt(RoundHalfEven(target));
                return step;
            }
        }
    }
    ++step.nextIndex;
    if (step.nextIndex >= count) step.nextIndex = 0;
    return step;
}

std::vector<LineProblem> CheckScript(const std::vector<std::string>& lines) {
    std::vector<LineProblem> problems;
    const auto add = [&](std::size_t i, Error why) {
        problems.push_back({int(i), std::move(why)});
    };
    // What the line before (comments passed over) allows after it.
    enum class After { Nothing, Frame, Pause } after = After::Nothing;
    std::optional<std::uint8_t> command; // of the last frame line
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        switch (KindOfLine(line)) {
        case LineKind::Comment:
            continue;
        case LineKind::Empty:
            add(i, Error{ZH("空行")});
            after = After::Nothing;
            break;
        case LineKind::Text:
            add(i, Error{ZH("不是16进制命令行，也不是 Delay:、GoIdx:、Expect: 或 # 注释行")});
            after = After::Nothing;
            break;
        case LineKind::Frame: {
            const auto bytes = ReadHexBytes(line);
            if (!bytes)
                add(i, Error{ZH("16进制命令行应为成对的16进制数字（每字节两位）")});
            else if (bytes->size() < 2)
                add(i, Error{ZH("命令行太短：至少要有地址和命令码")});
            command = bytes ? CommandCodeOfFrame(*bytes) : std::nullopt;
            after = After::Frame;
            break;
        }
        case LineKind::Expect:
            if (after != After::Frame)
                add(i, Error{ZH("Expect: 应紧跟在命令行（或它的其他 Expect: 行）之后")});
            else if (const auto check = ParseExpectLine(line); !check)
                add(i,
                    Error{ZH("Expect: 后应为应答的字节（如 01 26 04 00 00 03 E8）或 value=数值")});
            else if (const auto why = check->value && command
                                          ? ValueCheckProblem(*check->value, *command)
                                          : std::nullopt)
                add(i, *why);
            break;
        case LineKind::Delay:
        case LineKind::Jump: {
            const bool delay = IsDelayLine(line);
            const auto v = WholeValue(line);
            if (after != After::Frame)
                add(i, Error{ZH("Delay: 和 GoIdx: 应跟在命令行（或它的 Expect: 行）之后")});
            else if (delay && v == 0)
                add(i, Error{ZH("延时为 0：脚本会停在这里")});
            else if (delay && !(v && *v >= 1 && *v <= kMaxInterval))
                add(i, Error{ZH("延时应为 1 到 65535 毫秒的整数")});
            else if (!delay && !(v && *v < (long long)lines.size()))
                add(i, Error{ZH("GoIdx: 应指向第 0 到 %1 行（从 0 数起）"),
                             {std::to_string(lines.size() - 1)}});
            after = After::Pause;
            break;
        }
        }
    }
    return problems;
}

std::vector<LineProblem> ScriptWarnings(const std::vector<std::string>& lines) {
    std::vector<LineProblem> warnings;
    std::optional<std::size_t> badFrame; // the frame line the following Expect lines check
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const LineKind kind = KindOfLine(lines[i]);
        if (kind == LineKind::Frame) {
            const auto bytes = ReadHexBytes(lines[i]);
            badFrame.reset();
            if (bytes && bytes->size() >= 2 && !ChecksumHolds(*bytes)) {
                badFrame = i;
                warnings.push_back(
                    {int(i), Error{ZH("第 %1 行的校验码不对"), {std::to_string(i + 1)}}});
            }
        } else if (kind == LineKind::Expect && badFrame) {
            warnings.push_back(
                {int(i), Error{ZH("这个检查不会通过：第 %1 行的校验码不对，驱动器不会应答它"),
                               {std::to_string(*badFrame + 1)}}});
        } else if (kind != LineKind::Comment) {
            badFrame.reset();
        }
    }
    return warnings;
}

} // namespace stepbench
