#pragma once

#include "codec/bytes.h"
#include "codec/frame.h"
#include "link/frame_cutter.h"

#include <optional>
#include <string_view>

namespace stepbench {

// How a transaction ended.
enum class Verdict : std::uint8_t {
    Ok,          // 正常: the matching reply, intact
    BadChecksum, // 校验错误: the matching reply with a wrong CRC or LRC
    Exception,   // 异常应答: a Modbus exception reply
    NoReply,     // 无应答: nothing matching within the reply timeout
    Mismatch,    // 应答不符: only frames for another address or command came
    Broadcast,   // 广播: to address 0, which no device answers
    Unchecked,   // 未检查: raw bytes, which expect no particular reply
    Cancelled,   // 已取消: never went on the line (a stop came first, the port went)
    Late,        // 迟到应答: a row of its own, a reply that came after its request had ended
};

std::string_view VerdictName(Verdict verdict);
// The verdicts the monitor counts as failures.
bool IsFailure(Verdict verdict);
// The meaning of a Modbus exception code ("非法数据地址"); empty for codes without one.
std::string_view ExceptionMeaning(std::uint8_t code);

// What a request written to the line expects back.
struct Expectation {
    LinkMode framing = LinkMode::Rtu;
    std::uint8_t address = 0;
    std::uint8_t function = 0; // the device command code, or the Modbus function of a PLC request
    bool broadcast = false;    // address 0: every device acts, none answers
    bool anyAddress = false;   // the address query: whichever device is on the line answers
    // A PLC register read or write: the register and the count of registers asked for, which a
    // reply must answer (a read with twice as many bytes, a write by echoing both).
    std::uint16_t reg = 0;
    std::uint16_t count = 0;
    // A byte of the request that its reply repeats first (the input pattern an IO-override
    // query names).
    std::optional<std::uint8_t> repeated;
};

// The expectation of a frame as it goes on the line (an RTU frame or a complete ASCII line);
// empty when it is too short to name an address and a function.
std::optional<Expectation> ExpectationOf(ByteView frame);

// How a piece off the line stands to the request waiting for it: its verdict when it answers it
// (正常, 异常应答 or 校验错误), 应答不符 when it is a frame for something else or one that does
// not fit the request (another register count or register, a data length the command's reply
// never has), nothing for noise.
std::optional<Verdict> Judge(const Expectation& expected, const Piece& piece);

// Whether a frame off the line claims to come from the request's address with the request's
// function (its exception included), whatever else it holds: what links a late reply to the
// request it answers.
bool Concerns(const Expectation& expected, const Piece& piece);

// Whether the first bytes of a frame still arriving could begin the reply the request expects
// (its address and function, as far as they have come).
bool CouldBegin(const Expectation& expected, ByteView bytes);

// How many characters the longest reply the request can get takes on the line (an RTU frame's
// bytes, an ASCII line's characters).
std::size_t ReplyCharacters(const Expectation& expected);

} // namespace stepbench
