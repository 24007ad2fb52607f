#pragma once

#include "codec/bytes.h"
#include "codec/frame.h"

#include <optional>
#include <string>
#include <vector>

namespace stepbench {

// A check of the reply to the script line before it: "Expect:01 26 04 00 00 03 E8" (the reply's
// bytes, its checksum left out) or "Expect:value=1000" (the value it decodes to: a whole number,
// a motion state, 停止 or Stopped, 运动中 or Moving, or bytes in hex, as a stored IO command).
struct ReplyCheck {
    std::optional<Bytes> bytes;
    std::optional<std::string> value;
};

bool IsExpectLine(const std::string& line);
// Empty when nothing valid follows "Expect:", a value in none of the forms a reply has included.
std::optional<ReplyCheck> ParseExpectLine(const std::string& line);
// The index of the first Expect line of a script with nothing valid after it.
std::optional<std::size_t> FirstBadExpectLine(const std::vector<std::string>& lines);

// Why a value check cannot pass after a request with this command code: its reply has no value,
// or one of another form (a number where the reply gives a motion state). Empty when it can.
std::optional<Error> ValueCheckProblem(const std::string& value, std::uint8_t command);

// Why a reply fails the check (no reply at all, other bytes, another value); empty when it passes.
// reply is the whole frame as it came, in the given framing; a register read's reply is read as
// the reply of the command whose register it read.
std::optional<Error> CheckReply(const ReplyCheck& check, bool answered, ByteView reply,
                                LinkMode framing, std::optional<std::uint8_t> command = {});

} // namespace stepbench
