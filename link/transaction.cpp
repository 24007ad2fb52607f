#include "link/transaction.h"

#include "codec/modbus.h"
#include "codec/texts.h"
#include "commands/protocol.h"

#include <algorithm>
#include <cctype>

namespace stepbench {
namespace {

constexpr std::uint8_t kAddressQuery = 0x21;
using modbus::kExceptionBit;
// The device pads a reply to this many bytes before its checksum when told to (command 0x49).
constexpr std::size_t kFixedReplySize = 8;

std::uint16_t Word(const Bytes& m, std::size_t at) {
    return static_cast<std::uint16_t>((m[at] << 8) | m[at + 1]);
}

// Whether a reply's message (its checksum left out) has the size and the contents its request
// asks for.
bool Fits(const Expectation& e, const Bytes& m) {
    switch (e.function) {
    case modbus::kReadRegisters:
        return m.size() == 3 + 2 * std::size_t{e.count} && m[2] == 2 * e.count;
    case modbus::kWriteRegisters:
        return m.size() == modbus::kWriteReplySize && Word(m, 2) == e.reg && Word(m, 4) == e.count;
    default: {
        const CommandInfo* info = FindCommand(e.function);
        if (!info) return true; // a code the table does not know: any length will do
        if (m.size() < 3) return false;
        const std::size_t length = m[2];
        if (length < info->reply.min || length > info->reply.max) return false;
        if (e.repeated && (length < 1 || m[3] != *e.repeated)) return false;
        return m.size() == 3 + length || (m.size() == kFixedReplySize && 3 + length < m.size());
    }
    }
}

} // namespace

std::string_view VerdictName(Verdict verdict) {
    switch (verdict) {
    case Verdict::Ok:
        return ZH("正常");
    case Verdict::BadChecksum:
        return ZH("校验错误");
    case Verdict::Exception:
        return ZH("异常应答");
    case Verdict::NoReply:
        return ZH("无应答");
    case Verdict::Mismatch:
        return ZH("应答不符");
    case Verdict::Broadcast:
        return ZH("广播");
    case Verdict::Unchecked:
        return ZH("未检查");
    case Verdict::Cancelled:
        return ZH("已取消");
    case Verdict::Late:
        return ZH("迟到应答");
    }
    return {};
}

bool IsFailure(Verdict verdict) {
    return verdict == Verdict::BadChecksum || verdict == Verdict::Exception ||
           verdict == Verdict::NoReply || verdict == Verdict::Mismatch;
}

std::string_view ExceptionMeaning(std::uint8_t code) {
    switch (code) {
    case 0x01:
        return ZH("非法功能");
    case 0x02:
        return ZH("非法数据地址");
    case 0x03:
        return ZH("非法数据值");
    case 0x04:
        return ZH("从站设备故障");
    default:
        return {};
    }
}

std::optional<Expectation> ExpectationOf(ByteView frame) {
    Expectation e;
    Bytes message;
    if (auto line = ReadAsciiLine(frame); line && line->complete) {
        e.framing = LinkMode::Ascii;
        message = std::move(line->bytes);
    } else {
        message.assign(frame.begin(), frame.end());
    }
    if (message.size() < 2) return std::nullopt;
    e.address = message[0];
    e.function = message[1];
    e.anyAddress = e.address == 0 && e.function == kAddressQuery;
    e.broadcast = e.address == 0 && !e.anyAddress;
    const bool registers =
        e.function == modbus::kReadRegisters || e.function == modbus::kWriteRegisters;
    if (registers && message.size() >= modbus::kReadRequestSize) {
        e.reg = Word(message, 2);
        e.count = Word(message, 4);
    }
    if (e.function == kQueryIoOverride && message.size() >= 4) e.repeated = message[3];
    return e;
}

bool CouldBegin(const Expectation& expected, ByteView bytes) {
    Bytes message(bytes.begin(), bytes.end());
    if (!bytes.empty() && bytes[0] == ':') {
        // As far as whole hex pairs have come.
        const auto line = ReadAsciiLine(bytes);
        message = line->bytes;
        if (message.empty()) return bytes.size() < 2 || std::isxdigit(bytes[1]);
    } else if (expected.framing == LinkMode::Ascii) {
        return false;
    }
    if (message.empty()) return false;
    if (!expected.anyAddress && message[0] != expected.address) return false;
    return message.size() < 2 || (message[1] & ~kExceptionBit) == expected.function;
}

std::size_t ReplyCharacters(const Expectation& e) {
    constexpr std::size_t kCrc = 2;
    std::size_t bytes = 3 + 16 + kCrc; // a code the table does not know: the longest reply
    if (e.function == modbus::kReadRegisters) {
        bytes = 3 + 2 * std::size_t{e.count} + kCrc;
    } else if (e.function == modbus::kWriteRegisters) {
        bytes = modbus::kWriteReplySize + kCrc;
    } else if (const CommandInfo* info = FindCommand(e.function)) {
        // Padded to eight bytes when the device is told to.
        bytes = std::max<std::size_t>(3 + info->reply.max, kFixedReplySize) + kCrc;
    }
    // ":", two characters a byte (the LRC's one in place of the CRC's two), CR LF.
    return e.framing == LinkMode::Ascii ? 1 + 2 * (bytes - kCrc + 1) + 2 : bytes;
}

bool Concerns(const Expectation& expected, const Piece& piece) {
    if (piece.kind == PieceKind::Noise) return false;
    const Bytes message = FrameMessage(piece);
    return message.size() >= 2 && (expected.anyAddress || message[0] == expected.address) &&
           (message[1] & ~kExceptionBit) == expected.function;
}

std::optional<Verdict> Judge(const Expectation& expected, const Piece& piece) {
    if (piece.kind == PieceKind::Noise) return std::nullopt;
    // A damaged frame's header may be damaged too; it still names what it claims to answer.
    if (!Concerns(expected, piece)) return Verdict::Mismatch;
    if (piece.kind == PieceKind::BadChecksum) return Verdict::BadChecksum;
    const Bytes message = FrameMessage(piece);
    if (message[1] & kExceptionBit)
        return message.size() == modbus::kExceptionSize ? Verdict::Exception : Verdict::Mismatch;
    return Fits(expected, message) ? Verdict::Ok : Verdict::Mismatch;
}

} // namespace stepbench
