#include "link/reply_decoder.h"

#include "codec/codepage.h"
#include "codec/hextext.h"
#include "codec/modbus.h"
#include "codec/texts.h"
#include "commands/protocol.h"
#include "link/transaction.h"

#include <array>

namespace stepbench {
namespace {

// Value replies are only decoded when the whole 32-bit value and a checksum can be there.
constexpr std::size_t kValueReplySize = 8;

std::uint32_t Value32(ByteView r) {
    return (std::uint32_t{r[3]} << 24) | (std::uint32_t{r[4]} << 16) | (std::uint32_t{r[5]} << 8) |
           r[6];
}

// A limit, home or input byte of 1 means "not active": the lamp stays dark.
bool RedUnlessOne(std::uint8_t b) {
    return b != 1;
}

void DecodeValue(const CommandInfo& c, ByteView r, std::size_t checksumSize, DecodedReply& out) {
    if (c.value == ReplyValue::IoEntry) {
        const std::size_t end = r.size() > checksumSize ? r.size() - checksumSize : 0;
        const std::string entry = end > 4 ? HexFrameText(r.subspan(4, end - 4)) : "";
        out.fields.push_back({c.field, entry});
        out.values.push_back(
            {"value", std::string(entry.empty() ? "" : entry.substr(0, entry.size() - 1))});
        return;
    }
    // The data the reply's length byte gives, which the checksum follows.
    const std::size_t data =
        r.size() >= 3 + checksumSize ? std::min<std::size_t>(r[2], r.size() - 3 - checksumSize) : 0;
    if (c.value == ReplyValue::AddressInLine) out.values.push_back({"value", std::int64_t{r[0]}});
    if (c.value == ReplyValue::BaudInLine && data >= 1)
        out.values.push_back({"value", std::int64_t{r[3]}});
    if (r.size() < kValueReplySize) return;
    switch (c.value) {
    case ReplyValue::Unsigned32:
        out.fields.push_back({c.field, std::to_string(Value32(r))});
        out.values.push_back({"value", std::int64_t{Value32(r)}});
        break;
    case ReplyValue::Signed32:
        out.fields.push_back({c.field, std::to_string(static_cast<std::int32_t>(Value32(r)))});
        out.values.push_back({"value", std::int64_t{static_cast<std::int32_t>(Value32(r))}});
        break;
    case ReplyValue::Byte:
        out.fields.push_back({c.field, std::to_string(r[3])});
        out.values.push_back({"value", std::int64_t{r[3]}});
        break;
    case ReplyValue::MotionState:
        out.lamps.push_back({"Shape1", r[3] != 0});
        out.fields.push_back({kMotionStateField, r[3] != 0 ? ZH("运动中") : ZH("停止")});
        out.lamps.push_back({"Shape2", RedUnlessOne(r[4])});
        out.lamps.push_back({"Shape3", RedUnlessOne(r[5])});
        out.lamps.push_back({"Shape4", RedUnlessOne(r[6])});
        out.values.push_back({"moving", r[3] != 0});
        out.values.push_back({"left_limit", RedUnlessOne(r[4])});
        out.values.push_back({"home", RedUnlessOne(r[5])});
        out.values.push_back({"right_limit", RedUnlessOne(r[6])});
        break;
    case ReplyValue::Inputs: {
        static constexpr std::array<std::string_view, 5> kLamps = {"Shape5", "Shape6", "Shape7",
                                                                   "Shape8", "Shape9"};
        static constexpr std::array<std::string_view, 5> kKeys = {"in1", "in2", "in3", "in4",
                                                                  "in5"};
        // Only the inputs the reply carries before its checksum.
        for (std::size_t i = 0; i < kLamps.size() && i < data; ++i) {
            out.lamps.push_back({kLamps[i], RedUnlessOne(r[3 + i])});
            out.values.push_back({kKeys[i], RedUnlessOne(r[3 + i])});
        }
        break;
    }
    default:
        break;
    }
}

DecodedReply EchoOf(ByteView received) {
    DecodedReply out;
    out.hexLine = "RecHex:" + HexFrameText(received);
    out.textLine = "RecAsc:" + VisibleText(received);
    return out;
}

} // namespace

DecodedReply DecodeReply(ByteView received, LinkMode mode) {
    DecodedReply out = EchoOf(received);

    Bytes decoded;
    ByteView reply = received;
    std::size_t checksumSize = 2;
    if (mode == LinkMode::Ascii) {
        auto line = ReadAsciiLine(received);
        if (!line) return out;
        decoded = std::move(line->bytes);
        reply = decoded;
        checksumSize = 1;
    }

    if (reply.size() < 3) return out;
    const CommandInfo* c = FindCommand(reply[1]);
    if (!c || c->replyLine.empty()) return out;

    ReportLine report{c->replyLine};
    if (c->value == ReplyValue::AddressInLine) report.data = ShortHexByte(reply[0]);
    if (c->value == ReplyValue::BaudInLine && reply.size() > 3)
        report.data = ShortHexByte(reply[3]);
    out.report = std::move(report);
    DecodeValue(*c, reply, checksumSize, out);
    return out;
}

DecodedReply DecodePiece(const Piece& piece) {
    const Bytes message = FrameMessage(piece);
    ReportLine line;
    if (piece.kind == PieceKind::BadChecksum)
        line = {ZH("校验错误:"), HexFrameText(piece.bytes)};
    else if (piece.kind == PieceKind::Frame && message.size() >= 3 && (message[1] & 0x80))
        line = {ZH("异常应答:"), HexByte(message[2]), ExceptionMeaning(message[2])};
    else if (piece.kind == PieceKind::Frame)
        return DecodeReply(piece.bytes, piece.framing);
    else // bytes that make no frame are shown, never read as a reply
        return EchoOf(piece.bytes);
    DecodedReply out = EchoOf(piece.bytes);
    out.report = std::move(line);
    return out;
}

DecodedReply DecodePieceOf(const Piece& piece, std::optional<std::uint8_t> command) {
    const Bytes m = FrameMessage(piece);
    const CommandInfo* c = command ? FindCommand(*command) : nullptr;
    if (!c || piece.kind != PieceKind::Frame || m.size() < 3 || m[1] != modbus::kReadRegisters ||
        m.size() != 3 + std::size_t{m[2]})
        return DecodePiece(piece);
    const auto data = ReplyDataOfRegisters(*c, ByteView(m).subspan(3));
    if (!data) return DecodePiece(piece);
    Bytes reply{m[0], c->code, static_cast<std::uint8_t>(data->size())};
    reply.insert(reply.end(), data->begin(), data->end());
    DecodedReply out = DecodeReply(EncodeRtuFrame(reply), LinkMode::Rtu);
    const DecodedReply echo = EchoOf(piece.bytes);
    out.hexLine = echo.hexLine;
    out.textLine = echo.textLine;
    return out;
}

} // namespace stepbench
