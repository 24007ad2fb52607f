// Whatever arrives on the line, in either link mode, decodes without fault.
#include "link/reply_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto mode = data[0] & 1 ? stepbench::LinkMode::Ascii : stepbench::LinkMode::Rtu;
    const auto reply = stepbench::DecodeReply({data + 1, size - 1}, mode);
    if (reply.hexLine.size() != 7 + 3 * (size - 1)) __builtin_trap();
    return 0;
}
