#include "codec/frame.h"

#include "codec/checksum.h"
#include "codec/hextext.h"
#include "codec/modbus.h"
#include "codec/number.h"
#include "codec/texts.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace stepbench {
namespace {

int HexValue(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Queries whose value fills two registers; every other code reads a count of 0.
bool ReadsTwoRegisters(std::uint8_t code) {
    static constexpr std::array<std::uint8_t, 13> kCodes = {
        0x23, 0x26, 0x28, 0x2A, 0x2C, 0x2E, 0x30, 0x36, 0x37, 0x39, 0x3B, 0x42, 0x43};
    return std::find(kCodes.begin(), kCodes.end(), code) != kCodes.end();
}

// Wraps the request inside a frame; body holds the frame's bytes with the checksum's
// checksumSize bytes at its end.
Result<Bytes> WrapBody(ByteView body, std::size_t checksumSize, PlcForm form, double mapping) {
    if (body.size() < 2) return Error{ZH("PLC标准协议：帧不足两个字节，无法转换，未发送")};
    if (!std::isfinite(mapping)) return Error{ZH("PLC标准协议：寄存器映射地址无效，未发送")};

    const double reg = std::fmod(RoundHalfEven(mapping + body[1]), 65536.0);
    const auto regNumber = static_cast<std::uint16_t>(reg < 0 ? reg + 65536.0 : reg);
    const auto regHi = static_cast<std::uint8_t>(regNumber >> 8);
    const auto regLo = static_cast<std::uint8_t>(regNumber & 0xFF);

    if (form == PlcForm::Read)
        return Bytes{body[0], modbus::kReadRegisters,
                     regHi,   regLo,
                     0x00,    static_cast<std::uint8_t>(ReadsTwoRegisters(body[1]) ? 2 : 0)};

    if (body.size() < 3 + checksumSize)
        return Error{ZH("PLC标准协议：帧缺少长度字节或校验，无法转换为写寄存器命令，未发送")};
    const std::size_t length = body[2];
    const ByteView value = body.subspan(3, body.size() - 3 - checksumSize);
    if (value.size() != length)
        return Error{ZH("PLC标准协议：帧的数据字节数与长度字节不符，无法转换，未发送")};
    const std::size_t words = (length + 3) / 4;
    const std::size_t registers = 2 * words;
    if (registers > modbus::kMaxWriteRegisters)
        return Error{ZH("PLC标准协议：数据超过一次写寄存器的上限，无法转换，未发送")};

    Bytes out{body[0],
              modbus::kWriteRegisters,
              regHi,
              regLo,
              0x00,
              static_cast<std::uint8_t>(registers),
              static_cast<std::uint8_t>(2 * registers)};
    out.insert(out.end(), value.begin(), value.end());
    out.resize(7 + 4 * words, 0x00); // pads the value to whole 32-bit words
    return out;
}

} // namespace

LinkMode LinkModeFromText(std::string_view text) {
    return text == kRtuModeText ? LinkMode::Rtu : LinkMode::Ascii;
}

Bytes EncodeRtuFrame(ByteView request) {
    Bytes frame(request.begin(), request.end());
    const Crc16Value crc = Crc16(request);
    frame.push_back(crc.lo); // the low byte of the CRC goes first
    frame.push_back(crc.hi);
    return frame;
}

Bytes EncodeAsciiFrame(ByteView request) {
    Bytes line;
    line.reserve(2 * request.size() + 5);
    line.push_back(':');
    auto put = [&line](std::uint8_t b) {
        const std::string digits = HexByte(b);
        line.insert(line.end(), digits.begin(), digits.end());
    };
    for (std::uint8_t b : request)
        put(b);
    put(Lrc(request));
    line.push_back('\r');
    line.push_back('\n');
    return line;
}

Bytes EncodeFrame(ByteView request, LinkMode mode) {
    return mode == LinkMode::Rtu ? EncodeRtuFrame(request) : EncodeAsciiFrame(request);
}

std::optional<AsciiLine> ReadAsciiLine(ByteView bytes) {
    if (bytes.empty() || bytes[0] != ':') return std::nullopt;
    AsciiLine line;
    std::size_t i = 1;
    while (i + 1 < bytes.size() && HexValue(bytes[i]) >= 0 && HexValue(bytes[i + 1]) >= 0) {
        line.bytes.push_back(
            static_cast<std::uint8_t>(HexValue(bytes[i]) * 16 + HexValue(bytes[i + 1])));
        i += 2;
    }
    line.complete = i + 2 == bytes.size() && bytes[i] == '\r' && bytes[i + 1] == '\n';
    return line;
}

bool ChecksumHolds(ByteView frame) {
    if (auto line = ReadAsciiLine(frame); line && line->complete && line->bytes.size() >= 2) {
        const ByteView m(line->bytes);
        if (Lrc(m.first(m.size() - 1)) == m.back()) return true;
    }
    if (frame.size() < 3) return false;
    const Crc16Value crc = Crc16(frame.first(frame.size() - 2));
    return crc.lo == frame[frame.size() - 2] && crc.hi == frame[frame.size() - 1];
}

std::optional<std::uint8_t> CommandCodeOfFrame(ByteView frame) {
    // A frame counts as an ASCII line only when it is a complete one: an RTU frame to device
    // 0x3A also starts with ":".
    if (auto line = ReadAsciiLine(frame); line && line->complete)
        return line->bytes.size() >= 2 ? std::optional(line->bytes[1]) : std::nullopt;
    return frame.size() >= 2 ? std::optional(frame[1]) : std::nullopt;
}

PlcForm PlcFormOf(ByteView frame) {
    if (auto line = ReadAsciiLine(frame); line && line->complete)
        return line->bytes.size() > 4 ? PlcForm::Write : PlcForm::Read; // LRC last
    return frame.size() > 5 ? PlcForm::Write : PlcForm::Read;           // CRC last
}

Result<Bytes> FrameForLine(ByteView request, const LineFraming& framing) {
    const Bytes frame = EncodeFrame(request, framing.mode);
    if (!framing.plc) return frame;
    return WrapForPlc(frame, PlcFormOf(frame), framing.mappingAddress);
}

Result<Bytes> WrapForPlc(ByteView frame, PlcForm form, double mappingAddress) {
    if (auto line = ReadAsciiLine(frame); line && line->complete) {
        auto wrapped = WrapBody(line->bytes, 1, form, mappingAddress);
        if (!wrapped) return wrapped;
        return EncodeAsciiFrame(*wrapped);
    }
    auto wrapped = WrapBody(frame, 2, form, mappingAddress);
    if (!wrapped) return wrapped;
    return EncodeRtuFrame(*wrapped);
}

} // namespace stepbench
