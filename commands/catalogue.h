#pragma once

#include "commands/request.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace stepbench {

// How a sender turns its fields into data bytes.
enum class DataForm : std::uint8_t {
    None,     // no data, length byte 0
    Constant, // the row's constant bytes
    Byte,     // field value 0..255
    HexByte,  // field read as hex, 00..FF
    Int32,    // field as signed 32-bit, most significant byte first
    Int24,    // selector byte (field), then the low 24 bits of countField
    FromList  // field text looked up in the row's code list; unknown text gives 0
};

// Which Modbus form the PLC wrapping of this sender's frame takes; None leaves the last choice.
enum class Mapping : std::uint8_t { None, Read, Write };

// What a row needs beyond its data form; each is a small, named step of the sender routine.
enum class Hook : std::uint8_t {
    None,
    BroadcastAddress, // "查地址": always to address 0, the address box is not read
    MappingAddress, // "设寄存器映射地址": range 0..65503 with its own message, PLC mode off
    ReplyOption,   // "通讯不返回"/"通讯有返回": flag byte and caption toggle, then Text40
    LastCharacter, // "LastChr"/"NoLast": switch byte and caption toggle, then Text40
    PowerLoss,     // "掉电设置": two bytes from the power-loss choice
    RelayK1,       // "(刹车)K1开": toggles K1, sends both relay states
    RelayK2,       // "K2开": toggles K2, sends both relay states
    CanData,       // "HEX到CAN发送": up to five typed hex bytes, always RTU, nothing if empty
    IoDownload,    // "下载": input pattern and the IO command field, always RTU, PLC mode off
    IoRead,        // "?" of the IO row: the input pattern, PLC mode off
};

// One command button of the device panels.
struct SenderRow {
    std::string_view button; // objectName of the button
    std::uint8_t code;
    DataForm form = DataForm::None;
    std::string_view field = {};      // objectName of the source field (selector for Int24)
    std::string_view label = {};      // how messages name that field
    std::string_view countField = {}; // Int24: objectName of the count field
    std::string_view countLabel = {};
    std::span<const std::uint8_t> constant = {};
    std::span<const CodeListEntry> codes = {};
    Mapping mapping = Mapping::None;
    bool honoursAdd = false;         // appends its frame to the script when add-to-script is armed
    bool honoursIo = false;          // captures its frame as the IO-override entry when armed
    std::string_view addButton = {}; // the ">" button that arms add-to-script and runs it
    std::string_view ioButton = {};  // the "↓" button that arms IO-override capture and runs it
    Hook hook = Hook::None;
};

std::span<const SenderRow> SenderTable();
const SenderRow* FindSender(std::string_view button);

// The device's baud codes ("改波特率") and CAN bit-rate codes ("CAN波特率").
std::span<const CodeListEntry> BaudCodes();
std::span<const CodeListEntry> CanBitRateCodes();

// The two power-loss bytes for the text of the power-loss choice; unknown text gives 0, 0.
std::array<std::uint8_t, 2> PowerLossBytes(std::string_view text);

// The input pattern byte of a text such as "00101": five positions for IN5..IN1, each counting
// only when it is exactly "1".
std::uint8_t InputPattern(std::string_view text);

// The data parts of a row's form, given the current texts of its field and count field (the
// parts refer to those texts, which must outlive them).
std::vector<DataPart> DataPartsOf(const SenderRow& row, std::string_view fieldText,
                                  std::string_view countText);

} // namespace stepbench
