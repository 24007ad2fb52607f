#pragma once

#include "codec/bytes.h"

#include <optional>
#include <string>
#include <string_view>

namespace stepbench {

// One byte as two upper-case hex digits ("0A").
std::string HexByte(std::uint8_t b);

// One byte as upper-case hex without a leading zero ("A", "1F"), as report lines show it.
std::string ShortHexByte(std::uint8_t b);

// The frame text of logs and scripts: every byte as two upper-case digits and one blank, the
// last blank included ("01 20 00 39 C0 ").
std::string HexFrameText(ByteView bytes);

// Typed hex text to bytes. Blanks are dropped first, so pairs form across them ("1 20" is
// 12 00); an odd digit count takes a "0" before its last digit ("123" is 12 03); each pair is
// read leniently: its leading hex digits count, and a pair not starting with one gives 0.
Bytes ParseHexText(std::string_view text);

// Hex text as a program reads it, strictly: pairs of hex digits, blanks optional between them,
// nothing else ("01 20 00", "012000"). Empty when the text is anything else: "0x01", "hello",
// "01 2" (a digit without its pair), or no digit at all.
std::optional<Bytes> ReadHexBytes(std::string_view text);

// Hex digits and blanks only, at least one digit: a line that the lenient rule of ParseHexText
// reads as what it says.
bool IsHexText(std::string_view text);

// Each character's code-page code in upper-case hex without leading zeros, then a blank; a
// two-byte character gives four digits, lead byte first ("AB" gives "41 42 ").
std::string TextToHex(std::string_view text);

} // namespace stepbench
