#include "script/step.h"

#include "codec/codepage.h"
#include "codec/number.h"
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

int ClampToInt(double v) {
    if (v >= INT_MAX) return INT_MAX;
    if (v <= INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

} // namespace

bool IsDelayLine(const std::string& line) {
    return Keyword(line, "Delay");
}
bool IsJumpLine(const std::string& line) {
    return Keyword(line, "GoIdx");
}

Step ScriptStep(std::span<const std::string> lines, int index, int loopInterval) {
    const auto count = static_cast<long long>(lines.size());
    const bool exists = index >= 0 && index < count;
    const std::string& line = exists ? lines[static_cast<std::size_t>(index)] : std::string();
    if (line.empty())
        return {std::nullopt, index, kIdleLook,
                exists ? StepProblem::EmptyLine : StepProblem::NoLine, index};

    Step step;
    if (!IsDelayLine(line) && !IsJumpLine(line) && !IsExpectLine(line)) step.send = line;
    step.interval = loopInterval;
    // The checks of a frame line's reply follow it, and are taken with it.
    int last = index;
    while (step.send && last < count - 1 && IsExpectLine(lines[std::size_t(last) + 1])) {
        ++last;
        step.checks.push_back({last, ParseExpectLine(lines[std::size_t(last)])});
    }
    step.nextIndex = last;

    if (last < count - 1) {
        const std::string& next = lines[static_cast<std::size_t>(last) + 1];
        if (IsDelayLine(next)) {
            const double delay = RoundHalfEven(Value(next));
            // Out of the timer's range the loop interval stands; the line is consumed either way.
            if (delay >= 0 && delay <= kMaxInterval) step.interval = static_cast<int>(delay);
            if (step.interval == 0 || !(delay >= 0 && delay <= kMaxInterval)) {
                step.problem =
                    step.interval == 0 ? StepProblem::DelayStops : StepProblem::DelayOutOfRange;
                step.problemLine = last + 1;
            }
            ++step.nextIndex;
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

} // namespace stepbench
