#pragma once

#include "codec/bytes.h"

#include <optional>
#include <string_view>

namespace stepbench {

enum class LinkMode { Rtu, Ascii };

inline constexpr std::string_view kRtuModeText = "Modbus RTU";
inline constexpr std::string_view kAsciiModeText = "Modbus ASC";

// Only the exact text "Modbus RTU" means RTU framing; any other text frames as ASCII.
LinkMode LinkModeFromText(std::string_view text);

// Request bytes followed by the CRC-16, low byte first.
Bytes EncodeRtuFrame(ByteView request);

// ":", two upper-case hex digits per request byte, the LRC's two digits, CR, LF.
Bytes EncodeAsciiFrame(ByteView request);

Bytes EncodeFrame(ByteView request, LinkMode mode);

// The bytes that a ":"-led ASCII line spells, its LRC byte last. Reading stops at the first
// character that is not a hex digit; complete says the digits came in pairs and the line ended
// in CR LF right after them. Empty when the bytes do not start with ":".
struct AsciiLine {
    Bytes bytes;
    bool complete = false;
};
std::optional<AsciiLine> ReadAsciiLine(ByteView bytes);

// Whether a frame's checksum is right: an RTU frame whose last two bytes are the CRC of the
// rest, or a complete ASCII line whose LRC holds.
bool ChecksumHolds(ByteView frame);

// The command code a frame carries: byte 1 of an RTU frame, or of the request a complete ASCII
// line spells. Empty when the frame is too short to hold one.
std::optional<std::uint8_t> CommandCodeOfFrame(ByteView frame);

// The PLC standard protocol: a frame re-framed as a Modbus register read (function 03) or write
// (function 0x10) at register (mapping address + command code) mod 65536. An RTU frame gives an
// RTU frame; a complete ASCII line is decoded, wrapped and framed as an ASCII line again.
enum class PlcForm { Read, Write };
Result<Bytes> WrapForPlc(ByteView frame, PlcForm form, double mappingAddress);

// The register form a frame's request takes in the PLC protocol: a write when it carries data.
PlcForm PlcFormOf(ByteView frame);

// How requests go on the line: the link mode, and whether (and at what mapping address) they are
// wrapped for the PLC standard protocol.
struct LineFraming {
    LinkMode mode = LinkMode::Rtu;
    bool plc = false;
    double mappingAddress = 0;
};

// A request as it goes on the line: framed in the link mode, then, in the PLC protocol, wrapped
// as a register read (without data) or write (with data).
Result<Bytes> FrameForLine(ByteView request, const LineFraming& framing);

} // namespace stepbench
