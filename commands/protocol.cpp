#include "commands/protocol.h"

#include <algorithm>
#include <array>

namespace stepbench {
namespace {

using enum ReplyValue;

constexpr DataLayout kNone{};
constexpr DataLayout Exactly(std::uint8_t n, std::string_view note) {
    return {n, n, note};
}
constexpr DataLayout kValue = Exactly(4, "32位数值，高字节在前");
constexpr DataLayout kSignedValue = Exactly(4, "32位有符号数值(补码)，高字节在前");
constexpr DataLayout kDirectionCount = Exactly(4, "方向(0正/1负) + 24位数值，高字节在前");
constexpr DataLayout kDirection = Exactly(1, "方向(0正向/1负向)");

// Send and report lines are the texts the device's users know from its documentation.
constexpr std::array kCommands = {
    CommandInfo{0x20, "握手", kNone, kNone, "请求握手命令:", "请求握手命令:"},
    CommandInfo{0x21, "查询设备地址(发往地址0)", kNone, Exactly(1, "设备地址"),
                "查询设备地址:", "查询设备地址:当前地址为", AddressInLine},
    CommandInfo{0x22, "更改设备地址", Exactly(1, "新地址"), kNone,
                "更改设备地址:", "更改设备地址:"},
    CommandInfo{0x23, "查询当前波特率", kNone, Exactly(1, "波特率代码"),
                "查询当前波特率:", "查询当前波特率:当前波特率设置为", BaudInLine},
    CommandInfo{0x24, "改变当前波特率", Exactly(1, "波特率代码"), kNone,
                "改变当前波特率:", "改变当前波特率:"},
    CommandInfo{0x25, "设置运动初速度", kValue, kNone, "设置运动初速度:", "设置运动初速度:"},
    CommandInfo{0x26, "查询运动初速度", kNone, kValue,
                "查询运动初速度:", "查询运动初速度:", Unsigned32, "Text27"},
    CommandInfo{0x27, "设置运动最大速度", kValue, kNone, "设置运动最大速度:", "设置运动最大速度:"},
    CommandInfo{0x28, "查询运动最大速度", kNone, kValue,
                "查询运动最大速度:", "查询运动最大速度:", Unsigned32, "Text26"},
    CommandInfo{0x29, "设置运动末速度", kValue, kNone, "设置运动末速度:", "设置运动末速度:"},
    CommandInfo{0x2A, "查询运动末速度", kNone, kValue,
                "查询运动末速度:", "查询运动末速度:", Unsigned32, "Text25"},
    CommandInfo{0x2B, "设置运动加速度", kValue, kNone, "设置运动加速度:", "设置运动加速度:"},
    CommandInfo{0x2C, "查询运动加速度", kNone, kValue,
                "查询运动加速度:", "查询运动加速度:", Unsigned32, "Text24"},
    CommandInfo{0x2D, "设置运动减速度", kValue, kNone, "设置运动减速度:", "设置运动减速度:"},
    CommandInfo{0x2E, "查询运动减速度", kNone, kValue,
                "查询运动减速度:", "查询运动减速度:", Unsigned32, "Text6"},
    CommandInfo{0x2F, "设置归零运动速度", kValue, kNone, "设置归零运动速度:", "设置归零运动速度:"},
    CommandInfo{0x30, "查询归零运动速度", kNone, kValue,
                "查询归零运动速度:", "查询归零运动速度:", Unsigned32, "Text28"},
    CommandInfo{0x31, "32位位置运动", Exactly(4, "有符号脉冲数，高字节在前"), kNone,
                "设置32位运动脉冲数并开始运动:", "设置32位运动脉冲数并开始运动:"},
    CommandInfo{0x32, "24位位置运动", kDirectionCount, kNone,
                "设置24位运动脉冲数并开始运动:", "设置24位运动脉冲数并开始运动:"},
    CommandInfo{0x33, "32位恒速运动", Exactly(4, "有符号速度，高字节在前"), kNone,
                "设置32位运动速度，并恒速运动:", "设置32位运动速度，并恒速运动:"},
    CommandInfo{0x34, "24位恒速运动", kDirectionCount, kNone,
                "设置24位运动速度，并恒速运动:", "设置24位运动速度，并恒速运动:"},
    CommandInfo{0x35, "恒速运动中改变速度", Exactly(4, "新速度，高字节在前"), kNone,
                "恒速运动过程中改变速度:", "恒速运动过程中改变速度:"},
    CommandInfo{0x36, "查询运动速度", kNone, kValue, "查询运动速度:", "查询运动速度:", Unsigned32,
                "Text17"},
    CommandInfo{0x37, "查询运动绝对位置", kNone, kSignedValue,
                "查询运动绝对位置:", "查询运动绝对位置:", Signed32, "Text18"},
    CommandInfo{0x38, "绝对位置清零", kNone, kNone, "绝对位置清零:", "绝对位置清零:"},
    CommandInfo{0x39, "查询运动相对位置", kNone, kSignedValue,
                "查询运动相对位置:", "查询运动相对位置:", Signed32, "Text19"},
    CommandInfo{0x3A, "相对位置清零", kNone, kNone, "相对位置清零:", "相对位置清零:"},
    CommandInfo{0x3B, "查询运动状态", kNone,
                Exactly(4, "运动(0停止) 左限 零点 右限(1未触发/0触发)"),
                "查询运动状态:", "查询运动状态:", MotionState},
    CommandInfo{0x3C, "急停", kNone, kNone, "急停命令:", "急停命令:"},
    CommandInfo{0x3D, "减速停止", kNone, kNone, "减速停止命令:", "减速停止命令:"},
    CommandInfo{0x3E, "查找原点1", kDirection, kNone, "查找原点命令:", "查找原点命令:"},
    CommandInfo{0x3F, "设置寄存器映射(存储器偏移)地址", Exactly(4, "映射地址0-65503，高字节在前"),
                kNone, "设置存储器偏移地址:", ""},
    CommandInfo{0x40,
                "设置IO取代命令",
                {1, 7, "输入组合(IN5-IN1) + 命令(0-6字节)"},
                kNone,
                "",
                "设置IO取代命令:"},
    CommandInfo{0x41,
                "读取IO取代命令",
                Exactly(1, "输入组合(IN5-IN1)"),
                {1, 7, "输入组合 + 保存的命令"},
                "",
                "读取IO取代命令:",
                IoEntry,
                "Text31"},
    CommandInfo{0x42, "查询IN1-IN5状态", kNone, Exactly(5, "IN1-IN5(1未触发/0触发)"),
                "查询IN状态命令:", "查询 IN 1-5 状态:", Inputs},
    CommandInfo{0x43, "输入常开/常闭", Exactly(9, "9个01常开 / 9个00常闭"), kNone,
                "查询输入状态:", ""},
    CommandInfo{0x44, "设置变速因子", kValue, kNone, "设置运动变速因子:", "设置变速因子命令:"},
    CommandInfo{0x45, "按因子加速1次", kNone, kNone, "定量加速命令:", "定量加速命令:"},
    CommandInfo{0x46, "按因子减速1次", kNone, kNone, "定量减速命令:", "定量减速命令:"},
    CommandInfo{0x47, "出厂设置", kNone, kNone, "出厂设置命令:", "出厂设置命令:"},
    CommandInfo{0x48, "校验检查", Exactly(1, "00有校验 / 01无校验"), kNone, "", ""},
    CommandInfo{0x49, "回复长度", Exactly(1, "01回8字节 / 00回协议长度"), kNone, "", ""},
    CommandInfo{0x4A, "CAN帧格式", Exactly(1, "00标准帧 / 01扩展帧"), kNone, "", ""},
    CommandInfo{0x4B, "CAN波特率", Exactly(1, "波特率代码 1(1M)-18(5K)"), kNone, "", ""},
    CommandInfo{0x4C, "HEX到CAN发送", {0, 5, "0-5字节数据"}, kNone, "", ""},
    CommandInfo{0x4E, "查找原点2", kDirection, kNone, "", ""},
    CommandInfo{0x4F, "查找原点3", kDirection, kNone, "", ""},
    CommandInfo{0x50, "绝对位置运动", Exactly(4, "目标绝对位置，高字节在前"), kNone, "", ""},
    CommandInfo{0x51, "通讯返回/末字符", Exactly(2, "80不返回/00返回(01加末字符) + 数值"), kNone,
                "", ""},
    CommandInfo{0x52, "继电器K1/K2", Exactly(2, "K1(1开/0关) + K2(1开/0关)"), kNone, "", ""},
    CommandInfo{0x53, "掉电设置", Exactly(2, "00 00不保存 / 01 00保存不运行 / 01 01保存并运行"),
                kNone, "", ""},
    CommandInfo{0x55, "4倍频运动", Exactly(4, "反馈脉冲数，高字节在前"), kNone, "", ""},
    CommandInfo{0x56, "齿轮比运动", Exactly(4, "反馈脉冲数，高字节在前"), kNone, "", ""},
    CommandInfo{0x57, "到闭环位置", Exactly(4, "反馈位置，高字节在前"), kNone, "", ""},
    CommandInfo{0x58, "查询闭环绝对位置", kNone, kSignedValue, "", "查询闭环绝对位置:", Signed32,
                "Text37"},
    CommandInfo{0x59, "闭环绝对位置清零", kNone, kNone, "", ""},
    CommandInfo{0x5A, "查询闭环相对位置", kNone, kSignedValue, "", "查询闭环相对位置:", Signed32,
                "Text38"},
    CommandInfo{0x5B, "闭环相对位置清零", kNone, kNone, "", ""},
    CommandInfo{0x5C, "编码方向", Exactly(1, "0或1"), kNone, "", ""},
    CommandInfo{0x5D, "控制方向", Exactly(1, "0或1"), kNone, "", ""},
    CommandInfo{0x5E, "积累误差", Exactly(1, "00无积累误差 / 01有积累误差"), kNone, "", ""},
    CommandInfo{0x5F, "设置闭环齿轮分子", kSignedValue, kNone, "", ""},
    CommandInfo{0x60, "查询闭环齿轮分子", kNone, kSignedValue, "", "查询闭环齿轮分子:", Signed32,
                "Text4"},
    CommandInfo{0x61, "设置闭环齿轮分母", kSignedValue, kNone, "", ""},
    CommandInfo{0x62, "查询闭环齿轮分母", kNone, kSignedValue, "", "查询闭环齿轮分母:", Signed32,
                "Text39"},
    CommandInfo{0x64, "查询闭环错误代码", kNone, Exactly(4, "错误代码 + 3个保留字节00"), "",
                "查询闭环错误代码:", Byte, "Text40"},
};

static_assert(std::is_sorted(kCommands.begin(), kCommands.end(),
                             [](const CommandInfo& a, const CommandInfo& b) {
                                 return a.code < b.code;
                             }));

} // namespace

std::span<const CommandInfo> CommandTable() {
    return kCommands;
}

const CommandInfo* FindCommand(std::uint8_t code) {
    const auto it =
        std::lower_bound(kCommands.begin(), kCommands.end(), code,
                         [](const CommandInfo& c, std::uint8_t v) { return c.code < v; });
    return it != kCommands.end() && it->code == code ? &*it : nullptr;
}

} // namespace stepbench
