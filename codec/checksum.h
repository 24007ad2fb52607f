#pragma once

#include "codec/bytes.h"

#include <string>

namespace stepbench {

// The Modbus RTU CRC-16 as its two bytes; the low byte travels first on the wire.
struct Crc16Value {
    std::uint8_t lo = 0xFF;
    std::uint8_t hi = 0xFF;
    // Low byte then high byte as four upper-case hex digits, the calculator's form ("374B").
    std::string text() const;
};

Crc16Value Crc16(ByteView data);

// The Modbus ASCII LRC: two's complement of the byte sum modulo 256.
std::uint8_t Lrc(ByteView data);

} // namespace stepbench
