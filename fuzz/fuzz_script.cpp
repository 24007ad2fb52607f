// Any script file loads, saves and runs: the step function never leaves its contract.
#include "script/script_text.h"
#include "script/step.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> lines = stepbench::ParseScript({data, size});
    const stepbench::Bytes saved = stepbench::SerializeScript(lines);
    // Saving drops only empty lines, so a reload of the saved file saves the same again.
    if (stepbench::SerializeScript(stepbench::ParseScript(saved)) != saved) __builtin_trap();
    int index = 0;
    for (int i = 0; i < 64; ++i) {
        const stepbench::Step step = stepbench::ScriptStep(lines, index, 1 + i);
        if (step.interval < 0 || step.interval > 65535) __builtin_trap();
        index = step.nextIndex;
        if (step.interval == 0) break;
    }
    return 0;
}
