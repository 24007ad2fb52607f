#pragma once

#include "codec/bytes.h"
#include "codec/frame.h"

#include <optional>
#include <vector>

namespace stepbench {

// A run of received bytes: a whole frame with a good checksum, a whole frame whose checksum is
// wrong, or bytes that start no frame (noise, the tail of a frame broken off, a last character
// the device appends).
enum class PieceKind : std::uint8_t { Frame, BadChecksum, Noise };

struct Piece {
    PieceKind kind = PieceKind::Noise;
    Bytes bytes; // exactly as they came off the line
    LinkMode framing = LinkMode::Rtu;
    bool operator==(const Piece&) const = default;
};

// The message a frame carries without its checksum: an RTU frame less its CRC, or the bytes an
// ASCII line spells less its LRC. Empty for noise and for a line that spells no bytes; for a
// frame with a wrong checksum, what it claims to carry.
Bytes FrameMessage(const Piece& piece);

// Cuts the bytes of the line into frames the moment each is complete. In RTU framing a frame is
// a device reply [address][code][length][data][CRC] (also padded to eight bytes before its CRC,
// as the device's fixed-length reply option does) or a standard Modbus reply: function 03 with
// its byte count, 0x10 of 8 bytes, an exception [address][function | 0x80][code][CRC]. A frame is
// recognised by its checksum, so noise before it is split off. In ASCII framing a frame is a
// line ":" ... CR LF. What is left over waits for more bytes, or for flush() when the line has
// gone quiet.
class FrameCutter {
public:
    explicit FrameCutter(LinkMode framing = LinkMode::Rtu) : framing_(framing) {}

    void setFraming(LinkMode framing) { framing_ = framing; }
    LinkMode framing() const { return framing_; }

    // Takes bytes off the line; gives the frames complete now, each after the noise before it.
    std::vector<Piece> push(ByteView bytes);

    // The line has gone quiet: everything held comes out (a whole frame with a wrong checksum
    // as such, the rest as noise). With keepStartedFrame, the beginning of a frame that may
    // still be arriving (a slow line, a late device) is kept back.
    std::vector<Piece> flush(bool keepStartedFrame = false);

    bool holding() const { return !held_.empty(); }
    ByteView heldBytes() const { return held_; }
    std::size_t held() const { return held_.size(); }
    // Where among the bytes held a frame begins whose rest may be on its way; empty when none
    // does.
    std::optional<std::size_t> startedFrame() const;
    bool holdingStartedFrame() const { return startedFrame().has_value(); }

private:
    // Which frames may still be arriving: of any length, only of the shorter length a length
    // byte allows, or none (the line has gone quiet for good).
    enum class Wait { Any, Shorter, None };
    // Gives out the frames complete now, each after the noise before it, up to the first
    // position where a frame may still be arriving. Returns where the bytes not given out
    // begin; dead_ is then that first position.
    std::size_t cutRtu(Wait wait, std::vector<Piece>& out, std::size_t from = 0);
    std::size_t lastColon() const;
    std::vector<Piece> pushRtu();
    std::vector<Piece> pushAscii();
    void leftover(ByteView bytes, std::vector<Piece>& out) const;

    LinkMode framing_;
    Bytes held_;
    // Positions before this one in held_ can start no frame, whatever bytes come later; in RTU
    // framing, a frame may begin at this one.
    std::size_t dead_ = 0;
};

} // namespace stepbench
