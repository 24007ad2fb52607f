#include "link/frame_cutter.h"

#include "codec/checksum.h"
#include "codec/modbus.h"
#include "commands/protocol.h"

#include <algorithm>

namespace stepbench {
namespace {

using modbus::kReadRegisters;
using modbus::kWriteRegisters;
constexpr std::size_t kCrcSize = 2;
// The device pads every reply to this many bytes before its CRC when told to (command 0x49).
constexpr std::size_t kFixedReplySize = 8;
// No device reply carries more data than this; a larger length byte starts no frame.
constexpr std::size_t kMaxReplyData = 16;
// Bytes held without a frame in them beyond this are given out as noise, so a noisy line never
// grows the buffer without end.
constexpr std::size_t kMaxHeld = 1024;
constexpr std::size_t kMaxAsciiLine = 600;
// Noise is shown in pieces of at most this size, as one read of the port always was.
constexpr std::size_t kMaxNoise = 512;

// The lengths a frame starting at bytes[0] can have: up to two candidates, 0 for none. Empty
// (no candidates at all) when the bytes cannot start a frame; needMore when the bytes seen do
// not tell yet.
struct Candidates {
    std::size_t lengths[2] = {0, 0};
    bool needMore = false;
    bool any() const { return lengths[0] != 0; }
};

Candidates RtuCandidates(ByteView b) {
    Candidates c;
    if (b.size() < 2) {
        c.needMore = true;
        return c;
    }
    const std::uint8_t code = b[1];
    if (code & modbus::kExceptionBit) {
        c.lengths[0] = modbus::kExceptionSize + kCrcSize;
    } else if (code == kWriteRegisters) {
        c.lengths[0] = modbus::kWriteReplySize + kCrcSize;
    } else if (code == kReadRegisters || FindCommand(code)) {
        if (b.size() < 3) {
            c.needMore = true;
            return c;
        }
        const std::size_t data = b[2];
        if (code != kReadRegisters && data > kMaxReplyData) return c;
        c.lengths[0] = 3 + data + kCrcSize;
        if (code != kReadRegisters && 3 + data < kFixedReplySize)
            c.lengths[1] = kFixedReplySize + kCrcSize;
    }
    return c;
}

// The length of a whole frame at the start of the bytes, by its length byte, when all of it is
// there (its checksum is not looked at); 0 when there is none.
std::size_t WholeFrameLength(ByteView bytes) {
    const Candidates c = RtuCandidates(bytes);
    std::size_t length = 0;
    for (std::size_t l : c.lengths)
        if (l != 0 && l <= bytes.size() && (l == bytes.size() || length == 0)) length = l;
    return length;
}

bool CrcMatches(ByteView frame) {
    const Crc16Value crc = Crc16(frame.first(frame.size() - kCrcSize));
    return crc.lo == frame[frame.size() - 2] && crc.hi == frame[frame.size() - 1];
}

void AddNoise(ByteView bytes, LinkMode framing, std::vector<Piece>& out) {
    for (std::size_t at = 0; at < bytes.size(); at += kMaxNoise) {
        const ByteView part = bytes.subspan(at, std::min(kMaxNoise, bytes.size() - at));
        out.push_back({PieceKind::Noise, Bytes(part.begin(), part.end()), framing});
    }
}

// A line that names an address and a function but is not whole hex pairs with a right LRC was
// damaged on its way (a character turned into one that is no hex digit).
PieceKind AsciiLineKind(ByteView line) {
    const auto spelled = ReadAsciiLine(line);
    if (!spelled || spelled->bytes.size() < 2) return PieceKind::Noise;
    const ByteView m(spelled->bytes);
    return spelled->complete && Lrc(m.first(m.size() - 1)) == m.back() ? PieceKind::Frame
                                                                       : PieceKind::BadChecksum;
}

} // namespace

Bytes FrameMessage(const Piece& piece) {
    if (piece.kind == PieceKind::Noise) return {};
    if (piece.framing == LinkMode::Ascii) {
        auto line = ReadAsciiLine(piece.bytes);
        if (!line || line->bytes.empty()) return {};
        line->bytes.pop_back();
        return std::move(line->bytes);
    }
    if (piece.bytes.size() < kCrcSize) return {};
    return Bytes(piece.bytes.begin(), piece.bytes.end() - kCrcSize);
}

std::vector<Piece> FrameCutter::push(ByteView bytes) {
    held_.insert(held_.end(), bytes.begin(), bytes.end());
    return framing_ == LinkMode::Rtu ? pushRtu() : pushAscii();
}

std::size_t FrameCutter::cutRtu(Wait wait, std::vector<Piece>& out, std::size_t from) {
    std::size_t start = from; // the first byte not given out yet
    std::size_t p = std::max(dead_, from);
    while (p < held_.size()) {
        const ByteView rest = ByteView(held_).subspan(p);
        const Candidates c = RtuCandidates(rest);
        std::size_t found = 0;
        bool waiting = c.needMore;
        for (std::size_t i = 0; i < 2; ++i) {
            const std::size_t length = c.lengths[i];
            if (length == 0) continue;
            // After a quiet spell only the shorter length counts: a padded reply arrives in one
            // run with its first part, so it is not still coming.
            if (length > rest.size())
                waiting = waiting || wait == Wait::Any || (wait == Wait::Shorter && i == 0);
            else if (!found && CrcMatches(rest.first(length)))
                found = length;
        }
        if (found) {
            leftover(ByteView(held_).subspan(start, p - start), out);
            out.push_back({PieceKind::Frame, Bytes(rest.begin(), rest.begin() + found), framing_});
            p += found;
            start = p;
            continue;
        }
        // A frame that starts here may still complete: a later one is not taken before it is
        // settled, or bytes of its value that look like a frame would be cut out of it.
        if (waiting && wait != Wait::None) break;
        ++p;
    }
    dead_ = p;
    return start;
}

std::vector<Piece> FrameCutter::pushRtu() {
    std::vector<Piece> out;
    const std::size_t start = cutRtu(Wait::Any, out);
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(start));
    dead_ -= start;
    if (held_.size() > kMaxHeld) {
        const std::size_t drop = held_.size() - kMaxHeld / 2;
        AddNoise(ByteView(held_).first(drop), framing_, out);
        held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(drop));
        dead_ = 0;
    }
    return out;
}

std::vector<Piece> FrameCutter::pushAscii() {
    std::vector<Piece> out;
    for (;;) {
        auto colon = std::find(held_.begin(), held_.end(), ':');
        const auto lf = std::find(colon, held_.end(), '\n');
        // A ':' starts the line afresh: what came before the last one was not a whole line.
        if (lf != held_.end())
            colon = std::find(std::make_reverse_iterator(lf), held_.rend(), ':').base() - 1;
        if (lf == held_.end()) {
            // A line longer than any reply, or noise with no line in sight, is not held for ever.
            const auto size = static_cast<std::size_t>(held_.end() - colon);
            const bool overlong = colon != held_.end() && size > kMaxAsciiLine;
            if (overlong || held_.size() > kMaxHeld) {
                AddNoise(held_, framing_, out);
                held_.clear();
            }
            break;
        }
        AddNoise(ByteView(held_).first(static_cast<std::size_t>(colon - held_.begin())), framing_,
                 out);
        const ByteView line(&*colon, static_cast<std::size_t>(lf - colon) + 1);
        out.push_back({AsciiLineKind(line), Bytes(line.begin(), line.end()), framing_});
        held_.erase(held_.begin(), lf + 1);
    }
    return out;
}

void FrameCutter::leftover(ByteView bytes, std::vector<Piece>& out) const {
    if (bytes.empty()) return;
    if (framing_ == LinkMode::Rtu) {
        // A whole frame whose checksum is wrong: its length byte says where it ends.
        if (const std::size_t length = WholeFrameLength(bytes)) {
            out.push_back(
                {PieceKind::BadChecksum, Bytes(bytes.begin(), bytes.begin() + length), framing_});
            bytes = bytes.subspan(length);
        }
    }
    AddNoise(bytes, framing_, out);
}

std::size_t FrameCutter::lastColon() const {
    const auto colon = std::find(held_.rbegin(), held_.rend(), ':');
    return colon == held_.rend() ? held_.size()
                                 : held_.size() - 1 - std::size_t(colon - held_.rbegin());
}

std::optional<std::size_t> FrameCutter::startedFrame() const {
    const std::size_t at = framing_ == LinkMode::Ascii ? lastColon() : dead_;
    return at < held_.size() ? std::optional(at) : std::nullopt;
}

std::vector<Piece> FrameCutter::flush(bool keepStartedFrame) {
    std::vector<Piece> out;
    std::size_t start = 0;
    if (framing_ == LinkMode::Rtu) {
        start = cutRtu(keepStartedFrame ? Wait::Shorter : Wait::None, out);
        // A frame seeming to start inside a whole frame whose checksum is wrong is part of it.
        for (std::size_t whole; dead_ < held_.size() &&
                                (whole = WholeFrameLength(ByteView(held_).subspan(start))) != 0 &&
                                start + whole > dead_;) {
            leftover(ByteView(held_).subspan(start, whole), out);
            start += whole;
            dead_ = start;
            start = cutRtu(Wait::Shorter, out, start);
        }
    }
    // With keepStartedFrame the beginning of a frame that may still be arriving (a slow line, a
    // late device) stays; the rest is given out.
    const auto started = startedFrame();
    const std::size_t keepFrom = keepStartedFrame && started ? *started : held_.size();
    leftover(ByteView(held_).subspan(start, keepFrom - start), out);
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(keepFrom));
    dead_ = 0;
    return out;
}

} // namespace stepbench
