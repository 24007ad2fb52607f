#include "commands/protocol.h"

#include <algorithm>
#include <array>

namespace stepbench {
namespace {

using enum ReplyValue;

constexpr std::array kCommands = {
    CommandInfo{0x20, "请求握手命令:", "请求握手命令:"},
    CommandInfo{0x21, "查询设备地址:", "查询设备地址:当前地址为", AddressInLine},
    CommandInfo{0x22, "更改设备地址:", "更改设备地址:"},
    CommandInfo{0x23, "查询当前波特率:", "查询当前波特率:当前波特率设置为", BaudInLine},
    CommandInfo{0x24, "改变当前波特率:", "改变当前波特率:"},
    CommandInfo{0x25, "设置运动初速度:", "设置运动初速度:"},
    CommandInfo{0x26, "查询运动初速度:", "查询运动初速度:", Unsigned32, "Text27"},
    CommandInfo{0x27, "设置运动最大速度:", "设置运动最大速度:"},
    CommandInfo{0x28, "查询运动最大速度:", "查询运动最大速度:", Unsigned32, "Text26"},
    CommandInfo{0x29, "设置运动末速度:", "设置运动末速度:"},
    CommandInfo{0x2A, "查询运动末速度:", "查询运动末速度:", Unsigned32, "Text25"},
    CommandInfo{0x2B, "设置运动加速度:", "设置运动加速度:"},
    CommandInfo{0x2C, "查询运动加速度:", "查询运动加速度:", Unsigned32, "Text24"},
    CommandInfo{0x2D, "设置运动减速度:", "设置运动减速度:"},
    CommandInfo{0x2E, "查询运动减速度:", "查询运动减速度:", Unsigned32, "Text6"},
    CommandInfo{0x2F, "设置归零运动速度:", "设置归零运动速度:"},
    CommandInfo{0x30, "查询归零运动速度:", "查询归零运动速度:", Unsigned32, "Text28"},
    CommandInfo{0x31, "设置32位运动脉冲数并开始运动:", "设置32位运动脉冲数并开始运动:"},
    CommandInfo{0x32, "设置24位运动脉冲数并开始运动:", "设置24位运动脉冲数并开始运动:"},
    CommandInfo{0x33, "设置32位运动速度，并恒速运动:", "设置32位运动速度，并恒速运动:"},
    CommandInfo{0x34, "设置24位运动速度，并恒速运动:", "设置24位运动速度，并恒速运动:"},
    CommandInfo{0x35, "恒速运动过程中改变速度:", "恒速运动过程中改变速度:"},
    CommandInfo{0x36, "查询运动速度:", "查询运动速度:", Unsigned32, "Text17"},
    CommandInfo{0x37, "查询运动绝对位置:", "查询运动绝对位置:", Signed32, "Text18"},
    CommandInfo{0x38, "绝对位置清零:", "绝对位置清零:"},
    CommandInfo{0x39, "查询运动相对位置:", "查询运动相对位置:", Signed32, "Text19"},
    CommandInfo{0x3A, "相对位置清零:", "相对位置清零:"},
    CommandInfo{0x3B, "查询运动状态:", "查询运动状态:", MotionState},
    CommandInfo{0x3C, "急停命令:", "急停命令:"},
    CommandInfo{0x3D, "减速停止命令:", "减速停止命令:"},
    CommandInfo{0x3E, "查找原点命令:", "查找原点命令:"},
    CommandInfo{0x3F, "设置存储器偏移地址:", ""},
    CommandInfo{0x40, "", "设置IO取代命令:"},
    CommandInfo{0x41, "", "读取IO取代命令:", IoEntry, "Text31"},
    CommandInfo{0x42, "查询IN状态命令:", "查询 IN 1-5 状态:", Inputs},
    CommandInfo{0x43, "查询输入状态:", ""},
    CommandInfo{0x44, "设置运动变速因子:", "设置变速因子命令:"},
    CommandInfo{0x45, "定量加速命令:", "定量加速命令:"},
    CommandInfo{0x46, "定量减速命令:", "定量减速命令:"},
    CommandInfo{0x47, "出厂设置命令:", "出厂设置命令:"},
    CommandInfo{0x58, "", "查询闭环绝对位置:", Signed32, "Text37"},
    CommandInfo{0x5A, "", "查询闭环相对位置:", Signed32, "Text38"},
    CommandInfo{0x60, "", "查询闭环齿轮分子:", Signed32, "Text4"},
    CommandInfo{0x62, "", "查询闭环齿轮分母:", Signed32, "Text39"},
    CommandInfo{0x64, "", "查询闭环错误代码:", Byte, "Text40"},
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
