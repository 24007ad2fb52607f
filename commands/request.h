#pragma once

#include "codec/bytes.h"

#include <string_view>

namespace stepbench {

// A typed input of the window: its label for messages and its current text.
struct Field {
    std::string_view label;
    std::string_view text;
};

// One piece of a request's data, read from a field when the request is built.
struct DataPart {
    enum class Kind {
        Constant, // fixed bytes
        Byte,     // a decimal value 0..255
        HexByte,  // plain hex digits 00..FF, nothing else (an address)
        Int32,    // a signed 32-bit value, most significant byte first
        Uint32,   // a 32-bit value that is never negative (a speed, a ramp)
        Int24,    // a count of 24 bits, 0 to 16,777,215
        HexBytes, // typed hex text, at most maxBytes of it
    };
    Kind kind;
    Bytes constant = {};
    Field field = {};
    std::size_t maxBytes = 0;

    static DataPart Fixed(Bytes bytes) { return {Kind::Constant, std::move(bytes)}; }
    static DataPart Byte(Field f) { return {Kind::Byte, {}, f}; }
    static DataPart HexByte(Field f) { return {Kind::HexByte, {}, f}; }
    static DataPart Int32(Field f) { return {Kind::Int32, {}, f}; }
    static DataPart Uint32(Field f) { return {Kind::Uint32, {}, f}; }
    static DataPart Int24(Field f) { return {Kind::Int24, {}, f}; }
    static DataPart HexBytes(Field f, std::size_t max) { return {Kind::HexBytes, {}, f, max}; }
};

// The device address typed as plain hex digits, 0 to FF; any other text, an empty one included,
// is refused.
Result<std::uint8_t> ReadAddress(Field address);

// Device addresses for work on several drives: hex addresses 1 to F7, single ("1F"), ranges
// ("1-10") or both with commas ("1,3,8-B"), each once, in the order given; at most max of them.
Result<std::vector<std::uint8_t>> ReadAddressList(Field addresses, std::size_t max = 247);

// The data bytes of the parts in order, or the first field whose value cannot be encoded.
Result<Bytes> EncodeData(std::span<const DataPart> parts);

// Address, command code, data length, data.
Result<Bytes> BuildRequest(Field address, std::uint8_t code, std::span<const DataPart> parts);
Result<Bytes> BuildRequest(std::uint8_t address, std::uint8_t code,
                           std::span<const DataPart> parts);

// A combo box whose texts stand for device codes; a text not in the list gives code 0.
struct CodeListEntry {
    std::string_view text;
    std::uint8_t code;
};
std::uint8_t CodeFromList(std::string_view text, std::span<const CodeListEntry> list);

} // namespace stepbench
