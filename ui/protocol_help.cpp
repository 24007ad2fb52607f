#include "ui/protocol_help.h"

#include "codec/checksum.h"
#include "codec/frame.h"
#include "codec/hextext.h"
#include "commands/protocol.h"

#include <QStringList>

namespace stepbench {
namespace {

QString Hex(std::uint8_t b) {
    return QString::fromStdString(HexByte(b));
}
QString Text(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// Rows of one side of a block: [地址] [命令] [长度] [数据] [CRC校验1] [CRC校验2], for device 01
// with zero data of the smallest length.
QStringList Side(std::uint8_t code, const DataLayout& data) {
    Bytes frame{0x01, code, data.min};
    frame.resize(3 + data.min, 0);
    const Crc16Value crc = Crc16(frame);
    QStringList rows{"[地址] 01", "[命令] " + Hex(code), "[长度] " + Hex(data.min)};
    if (data.max > 0) {
        const QString size = data.min == data.max ? QString::number(data.min)
                                                  : QString("%1-%2").arg(data.min).arg(data.max);
        rows << QString("[数据] %1字节 %2").arg(size, Text(data.note).toHtmlEscaped());
    }
    rows << "[CRC校验1] " + Hex(crc.lo) << "[CRC校验2] " + Hex(crc.hi);
    return rows;
}

QString AsciiText(const Bytes& line) {
    QString s;
    for (std::uint8_t b : line)
        s += b == '\r' ? QString(" 0x0d") : b == '\n' ? QString(" 0x0a") : QString(QChar(b));
    return s;
}

} // namespace

QString ProtocolHelpHtml() {
    QString h =
        "<h2>通讯协议的改动</h2>"
        "<p>通讯基本设置:9600,8,1,n,n.<br>地址:1-247<br>命令:1-127为发送命令</p>"
        "<p>每条命令: 地址, 命令, 数据长度, 数据(高字节在前), 校验。"
        "Modbus RTU 以CRC-16结尾(低字节在前); Modbus ASC 以':'开头, 两位16进制字符表示一个字节, "
        "LRC校验, 以0x0d 0x0a结尾。</p>";
    h += "<table border='1' cellspacing='0' cellpadding='3'>"
         "<tr><th>命令</th><th>发送</th><th>返回</th></tr>";
    for (const CommandInfo& c : CommandTable()) {
        if (c.code > 0x41) break;
        h += QString("<tr><td>0x%1 %2</td><td>%3</td><td>%4</td></tr>")
                 .arg(Hex(c.code), Text(c.name).toHtmlEscaped(),
                      Side(c.code, c.request).join("<br>"), Side(c.code, c.reply).join("<br>"));
    }
    h += "</table>";
    h += "<p>波特率代码: 0x01：300   0x02:600    0x03:1200   0x04:2400   0x05:4800<br>"
         "0x06:9600   0x07:14400   0x08:19200   0x09:38400   0x0A:56000   0x0B:57600</p>";
    h += "<h3>其他命令</h3><table border='1' cellspacing='0' cellpadding='3'>"
         "<tr><th>命令</th><th>发送数据</th><th>返回数据</th></tr>";
    for (const CommandInfo& c : CommandTable()) {
        if (c.code <= 0x41) continue;
        const auto data = [](const DataLayout& d) {
            return d.max == 0 ? QString("—") : Text(d.note).toHtmlEscaped();
        };
        h += QString("<tr><td>0x%1 %2</td><td>%3</td><td>%4</td></tr>")
                 .arg(Hex(c.code), Text(c.name).toHtmlEscaped(), data(c.request), data(c.reply));
    }
    h += "</table>";

    const Bytes request = EncodeAsciiFrame(Bytes{0x01, 0x22, 0x01, 0x02});
    const Bytes reply = EncodeAsciiFrame(Bytes{0x01, 0x22, 0x00});
    h += "<h3>1、ASC与RTU的基本区别</h3>"
         "<p>RTU 直接发送字节, ASC 把每个字节写成两个16进制字符, 以':'开头, LRC校验, "
         "以0x0a和0x0d结束行。例: 把地址01的设备改为地址02:</p>";
    h += "<p>发送: " + AsciiText(request).toHtmlEscaped() +
         "<br>返回: " + AsciiText(reply).toHtmlEscaped() + "</p>";
    return h;
}

} // namespace stepbench
