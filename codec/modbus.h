#pragma once

#include <cstddef>
#include <cstdint>

// The standard Modbus functions the PLC protocol uses, and their frame sizes, for every part of
// the program that builds, cuts, checks or answers them.
namespace stepbench::modbus {

inline constexpr std::uint8_t kReadRegisters = 0x03;
inline constexpr std::uint8_t kWriteRegisters = 0x10;
// Set in the function code of an exception reply.
inline constexpr std::uint8_t kExceptionBit = 0x80;

inline constexpr std::uint8_t kIllegalFunction = 0x01;
inline constexpr std::uint8_t kIllegalAddress = 0x02;
inline constexpr std::uint8_t kIllegalValue = 0x03;

// Message sizes without the checksum.
inline constexpr std::size_t kReadRequestSize = 6; // address, 03, register, count
inline constexpr std::size_t kWriteReplySize = 6;  // address, 0x10, register, count
inline constexpr std::size_t kExceptionSize = 3;   // address, function | 0x80, code
inline constexpr std::size_t kWriteHeaderSize = 7; // address, 0x10, register, count, byte count

// The most registers one read or one write may carry.
inline constexpr std::size_t kMaxReadRegisters = 125;
inline constexpr std::size_t kMaxWriteRegisters = 123;

} // namespace stepbench::modbus
