#pragma once

#include "script/expect.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace stepbench {

// Why a step could not run its line as written; the runner tells the user which line and why.
enum class StepProblem {
    None,
    EmptyLine,       // the line at the position is empty: the runner waits there
    NoLine,          // no line at the position (a jump past the end, a shrunk list)
    DelayStops,      // a delay of 0, or no number: the runner stops stepping
    DelayOutOfRange, // a delay outside 0..65535 ms: the loop interval stands in
    NotHex,          // a line of text, not hex: nothing is sent
};

// What one tick of the script runner does.
struct Step {
    int line = 0;                    // the line the step ran (comment lines passed over)
    std::optional<std::string> send; // the frame line to send, if the step sends one
    int nextIndex = 0;               // the script position after the step
    int interval = 0;                // ms until the next step; 0: the runner stops stepping
    StepProblem problem = StepProblem::None;
    int problemLine = 0; // the line the problem is on
    // The Expect lines after the frame line, each with its check (empty: nothing valid in it).
    std::vector<std::pair<int, std::optional<ReplyCheck>>> checks;
};

// One step of the script at index, given the loop interval (ms): a frame line is sent; a delay
// line after it sets the pause that follows (and is consumed); a jump line after it sends the
// runner to its target. Only one line is looked ahead, after the Expect lines that check the frame
// line's reply (taken with it). An empty position (an empty line, or none at index) is looked at
// again a second later. Past the last line the script starts over.
Step ScriptStep(std::span<const std::string> lines, int index, int loopInterval);

// "Delay..." or "GoIdx...", longer than five characters: not sent, acts on the line before it.
bool IsDelayLine(const std::string& line);
bool IsJumpLine(const std::string& line);
// "#...": a comment, shown and passed over.
bool IsCommentLine(const std::string& line);

// What a script line is.
enum class LineKind { Empty, Comment, Delay, Jump, Expect, Frame, Text };
LineKind KindOfLine(const std::string& line);

// A line that cannot run as written, found before a run starts: its index and why.
struct LineProblem {
    int line = 0;
    Error why;
};
// Every line that a program which refuses to start a broken script refuses: an empty line, a
// line of text, hex that is not whole bytes, a delay that is no number of 1 to 65535 ms, a jump
// past the script, an Expect line with nothing valid in it, and a delay, jump or Expect line that
// follows no frame line (Expect lines after its frame, then one delay or jump, in that order).
// A value check is refused too when the reply to its frame's command has no value or one of
// another form.
std::vector<LineProblem> CheckScript(const std::vector<std::string>& lines);

// Lines that run, but not as they may be meant: a frame whose last bytes are not its checksum
// (sent as written, as a test of a drive's handling of bad frames; a drive does not answer it),
// and each Expect line after such a frame, which therefore cannot pass.
std::vector<LineProblem> ScriptWarnings(const std::vector<std::string>& lines);

} // namespace stepbench
