#pragma once

#include "codec/bytes.h"
#include "codec/frame.h"
#include "link/frame_cutter.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace stepbench {

// The label beside the motion-state lamps that shows "停止" or "运动中".
inline constexpr std::string_view kMotionStateField = "LabelMotionState";

struct FieldUpdate {
    std::string_view field; // objectName of the text box or label
    std::string text;
    bool operator==(const FieldUpdate&) const = default;
};

struct LampUpdate {
    std::string_view lamp; // objectName of the lamp
    bool red;
    bool operator==(const LampUpdate&) const = default;
};

// A report line: a text of the program (marked, see codec/texts.h), the data the reply adds to
// it (an address, a code, the bytes of a damaged frame), and a note (marked too).
struct ReportLine {
    std::string_view text;
    std::string data;
    std::string_view note = {};
    // The whole line as written (in Chinese), without line end.
    std::string chinese() const {
        return std::string(text) + data + (note.empty() ? "" : " " + std::string(note));
    }
};

// One decoded item of a reply as a program reads it: "value" (a number, or hex bytes as text for
// an IO-override entry), "moving", "left_limit", "home", "right_limit", "in1".."in5" (true when
// active).
struct TypedValue {
    std::string_view key;
    std::variant<std::int64_t, bool, std::string> value;
    bool operator==(const TypedValue&) const = default;
};

// What one batch of received bytes shows in the window.
struct DecodedReply {
    std::optional<ReportLine> report;
    std::vector<FieldUpdate> fields;
    std::vector<LampUpdate> lamps;
    std::vector<TypedValue> values;
    std::string hexLine;  // "RecHex:" and the bytes, without line end
    std::string textLine; // "RecAsc:" and the bytes as visible text, without line end
};

// Decodes whatever one poll collected as one reply: address at 0, command code at 1, value at 3.
// Neither checksum nor address is checked; the echo lines let the user judge. In ASCII mode a
// ":"-led line is first turned back into bytes (its LRC kept as the last byte); other chunks in
// that mode (the tail of a line split across polls) are only echoed.
DecodedReply DecodeReply(ByteView received, LinkMode mode);

// What one piece off the line shows: a frame is decoded as its reply (an exception reply gets the
// line "异常应答:" with its code and meaning), a frame with a wrong checksum only gets the line
// "校验错误:" with its bytes and updates no field or lamp, noise gets its echo lines only: a report
// line that names a command always stands for a frame whose checksum was right.
DecodedReply DecodePiece(const Piece& piece);

// As DecodePiece, but a register read's reply in the PLC protocol is decoded as the reply of
// the command whose register it read: its value, fields and lamps, under its report line.
DecodedReply DecodePieceOf(const Piece& piece, std::optional<std::uint8_t> command);

} // namespace stepbench
