#include "link/transaction.h"

#include "codec/texts.h"

namespace stepbench {
namespace {

constexpr std::uint8_t kAddressQuery = 0x21;
constexpr std::uint8_t kExceptionBit = 0x80;

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
    return e;
}

std::optional<Verdict> Judge(const Expectation& expected, const Piece& piece) {
    if (piece.kind == PieceKind::Noise) return std::nullopt;
    // A damaged frame's header may be damaged too; it still names what it claims to answer.
    const Bytes message = FrameMessage(piece);
    if (message.size() < 2) return Verdict::Mismatch;
    const bool fromIt = expected.anyAddress || message[0] == expected.address;
    const std::uint8_t function = message[1];
    if (!fromIt || (function & ~kExceptionBit) != expected.function) return Verdict::Mismatch;
    if (piece.kind == PieceKind::BadChecksum) return Verdict::BadChecksum;
    return function & kExceptionBit ? Verdict::Exception : Verdict::Ok;
}

} // namespace stepbench
