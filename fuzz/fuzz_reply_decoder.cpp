// Whatever arrives on the line, in either link mode and in whatever pieces, is cut into frames
// and noise that keep every byte in order, and each piece decodes and is judged without fault.
#include "link/frame_cutter.h"
#include "link/reply_decoder.h"
#include "link/transaction.h"

using namespace stepbench;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const auto mode = data[0] & 1 ? LinkMode::Ascii : LinkMode::Rtu;
    const std::size_t step = 1 + data[1] % 16; // the size of each read off the line
    const ByteView line(data + 2, size - 2);
    const auto reply = DecodeReply(line, mode);
    if (reply.hexLine.size() != 7 + 3 * line.size()) __builtin_trap();

    FrameCutter cutter(mode);
    const Expectation expected{mode, 0x01, 0x26};
    Bytes out;
    const auto take = [&](const std::vector<Piece>& pieces) {
        for (const Piece& p : pieces) {
            if (p.bytes.empty()) __builtin_trap();
            out.insert(out.end(), p.bytes.begin(), p.bytes.end());
            (void)DecodePiece(p);
            (void)Judge(expected, p);
        }
    };
    for (std::size_t at = 0; at < line.size(); at += step) {
        take(cutter.push(line.subspan(at, std::min(step, line.size() - at))));
        if (data[0] & 2) take(cutter.flush(true));
    }
    take(cutter.flush());
    if (out != Bytes(line.begin(), line.end())) __builtin_trap();
    return 0;
}
