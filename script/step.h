#pragma once

#include <optional>
#include <span>
#include <string>

namespace stepbench {

// What one tick of the script runner does.
struct Step {
    std::optional<std::string> send; // the frame line to send, if the step sends one
    int nextIndex = 0;               // the script position after the step
    int interval = 0;                // ms until the next step; 0: the runner stops stepping
};

// One step of the script at index, given the loop interval (ms): a frame line is sent; a delay
// line after it sets the pause that follows (and is consumed); a jump line after it sends the
// runner to its target. Only one line is looked ahead. An empty position (an empty line, or
// none at index) is looked at again a second later. Past the last line the script starts over.
Step ScriptStep(std::span<const std::string> lines, int index, int loopInterval);

// "Delay..." or "GoIdx...", longer than five characters: not sent, acts on the line before it.
bool IsDelayLine(const std::string& line);
bool IsJumpLine(const std::string& line);

} // namespace stepbench
