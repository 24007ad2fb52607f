#include "ui/protocol_help.h"

#include "codec/checksum.h"
#include "codec/frame.h"
#include "codec/hextext.h"
#include "codec/tr.h"
#include "commands/protocol.h"

#include <QStringList>

namespace stepbench {
namespace {

QString Hex(std::uint8_t b) {
    return QString::fromStdString(HexByte(b));
}
QString Text(std::string_view s) {
    return Tr(s);
}

// Rows of one side of a block: [地址] [命令] [长度] [数据] [CRC校验1] [CRC校验2], for device 01
// with zero data of the smallest length.
QStringList Side(std::uint8_t code, const DataLayout& data) {
    Bytes frame{0x01, code, data.min};
    frame.resize(3 + data.min, 0);
    const Crc16Value crc = Crc16(frame);
    QStringList rows{Tr("[地址] 01"), Tr("[命令] ") + Hex(code), Tr("[长度] ") + Hex(data.min)};
    if (data.max > 0) {
        const QString size = data.min == data.max ? QString::number(data.min)
                                                  : QString("%1-%2").arg(data.min).arg(data.max);
        rows << Tr("[数据] %1字节 %2").arg(size, Text(data.note).toHtmlEscaped());
    }
    rows << Tr("[CRC校验1] ") + Hex(crc.lo) << Tr("[CRC校验2] ") + Hex(crc.hi);
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
    const auto para = [](const char* id) { return "<p>" + Tr(id).toHtmlEscaped() + "</p>"; };
    const auto headers = [](std::initializer_list<const char*> ids) {
        QString row = "<tr>";
        for (const char* id : ids)
            row += "<th>" + Tr(id).toHtmlEscaped() + "</th>";
        return row + "</tr>";
    };
    QString h = "<h2>" + Tr("通讯协议的改动").toHtmlEscaped() + "</h2>";
    h += para(ZH("通讯基本设置: 9600,8,1,n,n。地址: 1-247。命令: 1-127为发送命令。"));
    h += para(ZH("每条命令: 地址, 命令, 数据长度, 数据(高字节在前), 校验。Modbus RTU 以CRC-16结尾"
                 "(低字节在前); Modbus ASC 以':'开头, 两位16进制字符表示一个字节, LRC校验, 以0x0d "
                 "0x0a结尾。"));
    h += "<table border='1' cellspacing='0' cellpadding='3'>" +
         headers({ZH("命令"), ZH("发送"), ZH("返回")});
    for (const CommandInfo& c : CommandTable()) {
        if (c.code > 0x41) break;
        h += QString("<tr><td>0x%1 %2</td><td>%3</td><td>%4</td></tr>")
                 .arg(Hex(c.code), Text(c.name).toHtmlEscaped(),
                      Side(c.code, c.request).join("<br>"), Side(c.code, c.reply).join("<br>"));
    }
    h += "</table>";
    h += "<p>" + Tr("波特率代码:").toHtmlEscaped() +
         " 0x01:300 0x02:600 0x03:1200 0x04:2400 0x05:4800<br>"
         "0x06:9600 0x07:14400 0x08:19200 0x09:38400 0x0A:56000 0x0B:57600</p>";
    h += "<h3>" + Tr("其他命令").toHtmlEscaped() +
         "</h3><table border='1' cellspacing='0' cellpadding='3'>" +
         headers({ZH("命令"), ZH("发送数据"), ZH("返回数据")});
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
    h += "<h3>" + Tr("ASC与RTU的基本区别").toHtmlEscaped() + "</h3>";
    h += para(ZH("RTU 直接发送字节, ASC 把每个字节写成两个16进制字符, 以':'开头, LRC校验, 以0x0d和"
                 "0x0a结束行。例: 把地址01的设备改为地址02:"));
    h += "<p>" + Tr("发送:").toHtmlEscaped() + " " + AsciiText(request).toHtmlEscaped() + "<br>" +
         Tr("返回:").toHtmlEscaped() + " " + AsciiText(reply).toHtmlEscaped() + "</p>";
    return h;
}

} // namespace stepbench
