#include "commands/catalogue.h"

#include "codec/codepage.h"
#include "codec/texts.h"
#include "commands/protocol.h"

#include <algorithm>
#include <array>

namespace stepbench {
namespace {

using enum DataForm;
using M = Mapping;

constexpr CodeListEntry kBaudCodes[] = {{"2400", 0x04},  {"4800", 0x05},  {"9600", 0x06},
                                        {"14400", 0x07}, {"19200", 0x08}, {"38400", 0x09},
                                        {"56000", 0x0A}, {"57600", 0x0B}};

constexpr CodeListEntry kCanBitRates[] = {
    {"1M", 1},   {"900K", 2}, {"800K", 3}, {"750K", 4},  {"600K", 5},  {"500K", 6},
    {"400K", 7}, {"250K", 8}, {"200K", 9}, {"150K", 10}, {"125K", 11}, {"100K", 12},
    {"80K", 13}, {"50K", 14}, {"25K", 15}, {"20K", 16},  {"10K", 17},  {"5K", 18}};

constexpr std::uint8_t kZero[] = {0x00};
constexpr std::uint8_t kOne[] = {0x01};
constexpr std::uint8_t kNormallyOpen[] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
constexpr std::uint8_t kNormallyClosed[] = {0, 0, 0, 0, 0, 0, 0, 0, 0};

// A parameter row: the set button writes its field, the "?" button reads it back.
constexpr SenderRow Set(std::string_view button, std::uint8_t code, std::string_view field,
                        std::string_view label) {
    return {.button = button,
            .code = code,
            .form = Int32,
            .field = field,
            .label = label,
            .mapping = M::Write,
            .honoursAdd = true};
}
constexpr SenderRow Query(std::string_view button, std::uint8_t code,
                          std::string_view addButton = {}) {
    return {.button = button,
            .code = code,
            .mapping = M::Read,
            .honoursAdd = true,
            .addButton = addButton};
}
// A motion row: honours both capture modes.
constexpr SenderRow Motion(SenderRow r) {
    r.honoursAdd = r.honoursIo = true;
    return r;
}
// An option of the "其他" panel: read form, no capture.
constexpr SenderRow Option(std::string_view button, std::uint8_t code,
                           std::span<const std::uint8_t> constant, Hook hook = Hook::None) {
    return {.button = button,
            .code = code,
            .form = constant.empty() ? None : Constant,
            .constant = constant,
            .mapping = M::Read,
            .hook = hook};
}

// clang-format off
constexpr std::array kSenders = {
    // 基本命令
    SenderRow{.button = "Command12", .code = 0x20, .mapping = M::Read},
    SenderRow{.button = "Command13", .code = 0x21, .mapping = M::Read, .hook = Hook::BroadcastAddress},
    SenderRow{.button = "Command14", .code = 0x22, .form = HexByte, .field = "Text7", .label = ZH("New Addr"),
              .mapping = M::Write},
    SenderRow{.button = "Command15", .code = 0x23, .mapping = M::Read},
    SenderRow{.button = "Command16", .code = 0x24, .form = FromList, .field = "Combo6", .label = ZH("Bitrate"),
              .codes = kBaudCodes, .mapping = M::Write},
    SenderRow{.button = "Command3", .code = 0x3F, .form = Int32, .field = "Text34", .label = ZH("寄存器映射地址"),
              .honoursAdd = true, .hook = Hook::MappingAddress},

    // 参数设置与查询
    Set("Command17", 0x25, "Text12", ZH("初速度")),     Query("Command57", 0x26),
    Set("Command24", 0x27, "Text13", ZH("最大速度")),   Query("Command58", 0x28),
    Set("Command25", 0x29, "Text14", ZH("末速度")),     Query("Command59", 0x2A),
    Set("Command26", 0x2B, "Text15", ZH("加速度")),     Query("Command60", 0x2C),
    Set("Command27", 0x2D, "Text16", ZH("减速度")),     Query("Command61", 0x2E),
    Set("Command64", 0x2F, "Text29", ZH("归零速度")),   Query("Command62", 0x30),
    Query("Command28", 0x36, "Command51"),
    Query("Command30", 0x37, "Command52"),
    Query("Command66", 0x38, "Command69"), // zeroing, though it takes the read form
    Query("Command31", 0x39, "Command53"),
    Query("Command67", 0x3A, "Command70"),
    Query("Command29", 0x3B, "Command43"),
    Query("Command94", 0x42, "Command99"),

    // 运动控制
    Motion({.button = "Command18", .code = 0x31, .form = Int32, .field = "Text8", .label = ZH("位置运动脉冲数"),
            .mapping = M::Write, .addButton = "Command38", .ioButton = "Command82"}),
    Motion({.button = "Command19", .code = 0x32, .form = Int24, .field = "Combo3", .label = ZH("方向"),
            .countField = "Text9", .countLabel = ZH("脉冲数"), .mapping = M::Write,
            .addButton = "Command39", .ioButton = "Command83"}),
    Motion({.button = "Command20", .code = 0x33, .form = Int32, .field = "Text10", .label = ZH("恒速运动速度"),
            .mapping = M::Write, .addButton = "Command40", .ioButton = "Command84"}),
    Motion({.button = "Command21", .code = 0x34, .form = Int24, .field = "Combo4", .label = ZH("方向"),
            .countField = "Text11", .countLabel = ZH("速度"), .mapping = M::Write,
            .addButton = "Command41", .ioButton = "Command85"}),
    // The stops and the factor leave the mapping form as the last sender chose it.
    Motion({.button = "Command22", .code = 0x3D, .addButton = "Command44", .ioButton = "Command89"}),
    Motion({.button = "Command23", .code = 0x3C, .addButton = "Command45", .ioButton = "Command90"}),
    Motion({.button = "Command76", .code = 0x3E, .form = Byte, .field = "Combo5", .label = ZH("查找零点方向"),
            .mapping = M::Write}),
    Motion({.button = "Command7", .code = 0x4E, .form = Byte, .field = "Combo5", .label = ZH("查找零点方向"),
            .mapping = M::Write, .addButton = "Command42", .ioButton = "Command86"}),
    Motion({.button = "Command75", .code = 0x4F, .form = Byte, .field = "Combo5", .label = ZH("查找零点方向"),
            .mapping = M::Write}),
    Motion({.button = "Command74", .code = 0x50, .form = Int32, .field = "Text8", .label = ZH("绝对位置"),
            .mapping = M::Write}),
    Motion({.button = "Command65", .code = 0x35, .form = Int32, .field = "Text30", .label = ZH("新速度"),
            .mapping = M::Write, .addButton = "Command68", .ioButton = "Command87"}),
    Motion({.button = "Command91", .code = 0x44, .form = Int32, .field = "Text32", .label = ZH("加减速因子")}),
    SenderRow{.button = "Command92", .code = 0x45, .mapping = M::Read, .honoursIo = true, .ioButton = "Command97"},
    SenderRow{.button = "Command93", .code = 0x46, .mapping = M::Read, .honoursIo = true, .ioButton = "Command98"},

    // 闭环控制
    Motion({.button = "Command4", .code = 0x55, .form = Int32, .field = "Text35", .label = ZH("反馈脉冲"), .mapping = M::Write}),
    Motion({.button = "Command107", .code = 0x56, .form = Int32, .field = "Text36", .label = ZH("反馈脉冲"), .mapping = M::Write}),
    Motion({.button = "Command35", .code = 0x57, .form = Int32, .field = "Text21", .label = ZH("反馈位置"), .mapping = M::Write}),
    Query("Command46", 0x58), Query("Command48", 0x59), Query("Command47", 0x5A), Query("Command49", 0x5B),
    Motion({.button = "Command50", .code = 0x5C, .form = Byte, .field = "Combo12", .label = ZH("编码方向"), .mapping = M::Write}),
    Motion({.button = "Command73", .code = 0x5D, .form = Byte, .field = "Combo11", .label = ZH("控制方向"), .mapping = M::Write}),
    Motion({.button = "Command108", .code = 0x5E, .form = Constant, .constant = kZero, .mapping = M::Write}),
    Motion({.button = "Command56", .code = 0x5E, .form = Constant, .constant = kOne, .mapping = M::Write}),
    Set("Command63", 0x5F, "Text4", ZH("齿轮分子")),    Query("Command9", 0x60),
    Set("Command71", 0x61, "Text39", ZH("齿轮分母")),   Query("Command72", 0x62),

    // 其他
    Option("Command113", 0x43, kNormallyOpen),
    Option("Command114", 0x43, kNormallyClosed),
    Option("Command111", 0x51, {}, Hook::ReplyOption),
    Option("Command112", 0x53, {}, Hook::PowerLoss),
    Option("Command109", 0x52, {}, Hook::RelayK1),
    Option("Command110", 0x52, {}, Hook::RelayK2),
    Option("Command96", 0x47, {}),
    Option("Command102", 0x48, kOne),  Option("Command103", 0x48, kZero),
    Option("Command104", 0x49, kOne),  Option("Command105", 0x49, kZero),
    Option("Command78", 0x51, {}, Hook::LastCharacter),
    Option("Command100", 0x4A, kZero), Option("Command101", 0x4A, kOne),
    SenderRow{.button = "Command95", .code = 0x4B, .form = FromList, .field = "Combo9", .label = ZH("CAN波特率"),
              .codes = kCanBitRates, .mapping = M::Write},
    SenderRow{.button = "Command106", .code = 0x4C, .field = "Text33", .label = ZH("CAN数据"), .mapping = M::Write,
              .honoursAdd = true, .hook = Hook::CanData},

    // IO override: the entry in Text31 for the input pattern in Combo8.
    SenderRow{.button = "Command81", .code = 0x40, .field = "Text31", .label = ZH("IO取代命令"), .honoursAdd = true,
              .hook = Hook::IoDownload},
    SenderRow{.button = "Command88", .code = 0x41, .hook = Hook::IoRead},
};
// clang-format on

} // namespace

std::span<const SenderRow> SenderTable() {
    return kSenders;
}

const SenderRow* FindSender(std::string_view button) {
    const auto it = std::find_if(kSenders.begin(), kSenders.end(),
                                 [button](const SenderRow& r) { return r.button == button; });
    return it != kSenders.end() ? &*it : nullptr;
}

std::span<const CodeListEntry> BaudCodes() {
    return kBaudCodes;
}
std::span<const CodeListEntry> CanBitRateCodes() {
    return kCanBitRates;
}

std::array<std::uint8_t, 2> PowerLossBytes(std::string_view text) {
    if (text == ZH("掉电保存上电不运行")) return {1, 0};
    if (text == ZH("掉电保存,上电运行")) return {1, 1};
    return {0, 0};
}

std::uint8_t InputPattern(std::string_view text) {
    const std::u32string cps = CodePoints(text);
    std::uint8_t pattern = 0;
    for (std::size_t i = 0; i < 5 && i < cps.size(); ++i)
        if (cps[i] == U'1') pattern |= static_cast<std::uint8_t>(0x10 >> i);
    return pattern;
}

std::vector<DataPart> DataPartsOf(const SenderRow& row, std::string_view fieldText,
                                  std::string_view countText) {
    const Field field{row.label, fieldText};
    switch (row.form) {
    case None:
        return {};
    case Constant:
        return {DataPart::Fixed(Bytes(row.constant.begin(), row.constant.end()))};
    case Byte:
        return {DataPart::Byte(field)};
    case HexByte:
        return {DataPart::HexByte(field)};
    case Int32: {
        // Signed or not as the protocol table says the command's value is.
        const CommandInfo* info = FindCommand(row.code);
        const bool unsigned32 = info && info->request.form == ValueForm::Uint32;
        return {unsigned32 ? DataPart::Uint32(field) : DataPart::Int32(field)};
    }
    case Int24:
        return {DataPart::Byte(field), DataPart::Int24({row.countLabel, countText})};
    case FromList:
        return {DataPart::Fixed({CodeFromList(fieldText, row.codes)})};
    }
    return {};
}

} // namespace stepbench
