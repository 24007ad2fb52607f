#include "sim/protocol_doc.h"

#include "codec/hextext.h"
#include "commands/protocol.h"

namespace stepbench::sim {
namespace {

std::string Layout(const DataLayout& d) {
    if (d.max == 0) return "—";
    const std::string size = d.min == d.max ? std::to_string(d.min)
                                            : std::to_string(d.min) + "-" + std::to_string(d.max);
    return size + " 字节: " + std::string(d.note);
}

} // namespace

std::string ProtocolMarkdown() {
    std::string s = "| 命令 | 功能 | 请求数据 | 回复数据 |\n|---|---|---|---|\n";
    for (const CommandInfo& c : CommandTable())
        s += "| 0x" + HexByte(c.code) + " | " + std::string(c.name) + " | " + Layout(c.request) +
             " | " + Layout(c.reply) + " |\n";
    return s;
}

} // namespace stepbench::sim
