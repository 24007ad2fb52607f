#pragma once

#include "codec/bytes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace stepbench {

// What a reply's value bytes mean and where the window shows them.
enum class ReplyValue : std::uint8_t {
    None,          // the report line alone
    AddressInLine, // the replying address (byte 0) appended to the report line in hex
    BaudInLine,    // the baud code (byte 3) appended to the report line in hex
    Unsigned32,    // bytes 3-6, most significant first
    Signed32,      // bytes 3-6 as two's complement
    Byte,          // byte 3 in decimal
    MotionState,   // bytes 3-6: moving, left limit, home, right limit
    Inputs,        // bytes 3-7: IN1 to IN5
    IoEntry,       // the stored IO-override command from byte 4 up to the checksum
};

// What a command has to do with the drive's settings, for drive profiles.
enum class Setting : std::uint8_t {
    None,
    ReadBack,  // sets a setting that the next command code reads back
    WriteOnly, // sets a setting that no command reads back
};

// The data bytes on one side of a command: between min and max bytes, and what they hold.
// How the data of a request is written as values, on the command line for instance.
enum class ValueForm : std::uint8_t {
    Numbers,        // each byte a number 0..255
    Int32,          // one signed 32-bit number, most significant byte first
    Uint32,         // one 32-bit number that is never negative (a speed, a ramp)
    DirectionCount, // a direction byte, then a 24-bit count
    Repeated,       // one byte number, repeated to the length
    Pattern,        // an input pattern, five digits IN5..IN1 ("00101")
    IoEntry,        // an input pattern, then the command's bytes in hex
    Hex,            // bytes in hex
    Address,        // a bus address in hex, 1 to F7, as addresses are typed everywhere
};

struct DataLayout {
    std::uint8_t min = 0;
    std::uint8_t max = 0;
    std::string_view note = {};
    ValueForm form = ValueForm::Numbers;
    // The range of each value, where the device takes fewer than its form allows (a direction
    // 0 or 1, an address 1-247); high below low: the form's whole range.
    std::int64_t low = 0;
    std::int64_t high = -1;
};

// One command code of the device: what it takes, what the device answers, and how the program
// names it on both sides of the line. The virtual device, the protocol help page, the send log and
// the reply decoder all read this one table.
struct CommandInfo {
    std::uint8_t code;
    std::string_view key;       // how the command line names it ("set-start-speed")
    std::string_view name;      // what the command does
    DataLayout request;         // data bytes of the request
    DataLayout reply;           // data bytes of the device's reply
    std::string_view sendLine;  // description in the send log; empty when there is none
    std::string_view replyLine; // report line of the device's reply; empty when there is none
    ReplyValue value = ReplyValue::None;
    std::string_view field = {}; // the field a value reply is written to
    Setting setting = Setting::None;
};

inline constexpr std::uint8_t kEmergencyStop = 0x3C;
inline constexpr std::uint8_t kDecelerateStop = 0x3D;
// Its reply begins with the input pattern its request named.
inline constexpr std::uint8_t kQueryIoOverride = 0x41;

std::span<const CommandInfo> CommandTable();
// The two stops, which go out ahead of everything else.
bool IsStopCommand(std::uint8_t code);
// The commands that go out in the device's own protocol even in the PLC protocol: the register
// mapping address, and storing and reading an IO-override entry.
bool OwnProtocolOnly(std::uint8_t code);

// In the PLC protocol a register read carries a reply's data right-aligned in the registers
// asked for, high word first; what does not fit is cut at its end.
Bytes RegisterBytes(ByteView replyData, std::size_t registers);
// The data of the command's reply from the bytes of the registers a read brought back, when
// they hold all of it.
std::optional<Bytes> ReplyDataOfRegisters(const CommandInfo& command, ByteView registers);
const CommandInfo* FindCommand(std::uint8_t code);
const CommandInfo* FindCommand(std::string_view key);

} // namespace stepbench
