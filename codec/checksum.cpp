#include "codec/checksum.h"

#include "codec/hextext.h"

namespace stepbench {

std::string Crc16Value::text() const {
    return HexByte(lo) + HexByte(hi);
}

Crc16Value Crc16(ByteView data) {
    // Bit by bit rather than by table: frames are a few dozen bytes, and this form is easy to
    // check against the protocol's description (0xA001 is 0x8005 bit-reversed).
    std::uint16_t reg = 0xFFFF;
    for (std::uint8_t b : data) {
        reg ^= b;
        for (int bit = 0; bit < 8; ++bit)
            reg = (reg & 1) ? static_cast<std::uint16_t>((reg >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(reg >> 1);
    }
    return {static_cast<std::uint8_t>(reg & 0xFF), static_cast<std::uint8_t>(reg >> 8)};
}

std::uint8_t Lrc(ByteView data) {
    std::uint8_t sum = 0;
    for (std::uint8_t b : data)
        sum = static_cast<std::uint8_t>(sum + b);
    return static_cast<std::uint8_t>(-sum);
}

} // namespace stepbench
