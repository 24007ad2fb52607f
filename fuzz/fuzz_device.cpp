// The virtual device takes any bytes, in any pieces, without fault, and answers only with
// frames that carry a good checksum.
#include "codec/checksum.h"
#include "codec/frame.h"
#include "sim/device.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto start = stepbench::sim::Device::Clock::now();
    stepbench::sim::Device device(1, start);
    auto now = start;
    std::size_t at = 0;
    while (at < size) {
        // The first byte of each piece says how long it is and how much time passes before it.
        const std::size_t piece = std::min<std::size_t>(size - at - 1, data[at] & 0x1F);
        now += std::chrono::milliseconds(data[at] >> 5 << 3);
        const stepbench::Bytes bytes(data + at + 1, data + at + 1 + piece);
        for (const stepbench::Bytes& reply : device.receive(bytes, now)) {
            if (reply.empty()) __builtin_trap();
            if (reply[0] == ':') continue;
            // The frame ends in its CRC, or in its CRC and the optional last character.
            const auto endsInCrc = [&reply](std::size_t n) {
                if (n < 4) return false;
                const auto crc = stepbench::Crc16({reply.data(), n - 2});
                return crc.lo == reply[n - 2] && crc.hi == reply[n - 1];
            };
            if (!endsInCrc(reply.size()) && !endsInCrc(reply.size() - 1)) __builtin_trap();
        }
        at += 1 + piece;
    }
    device.advance(now + std::chrono::seconds(5));
    return 0;
}
