#include "sim/device.h"

#include "codec/checksum.h"
#include "codec/frame.h"
#include "codec/hextext.h"
#include "codec/modbus.h"
#include "commands/protocol.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

namespace stepbench::sim {
namespace {

// A partial frame followed by this much silence is dropped, as a Modbus device drops a frame
// broken off by a gap on the line.
constexpr auto kFrameGap = std::chrono::milliseconds(50);
constexpr std::size_t kMaxAsciiLine = 600;
constexpr std::size_t kFixedReplyLength = 8;

using modbus::kIllegalAddress;
using modbus::kIllegalFunction;
using modbus::kIllegalValue;
using modbus::kMaxReadRegisters;
using modbus::kReadRegisters;
using modbus::kWriteRegisters;

std::int32_t Int32(ByteView d, std::size_t at = 0) {
    return static_cast<std::int32_t>((std::uint32_t{d[at]} << 24) |
                                     (std::uint32_t{d[at + 1]} << 16) |
                                     (std::uint32_t{d[at + 2]} << 8) | d[at + 3]);
}

std::int32_t Count24(ByteView d) {
    return static_cast<std::int32_t>((std::uint32_t{d[1]} << 16) | (std::uint32_t{d[2]} << 8) |
                                     d[3]);
}

int Direction(std::uint8_t b) {
    return b == 0 ? 1 : -1;
}

Bytes Value(std::int64_t v) {
    const auto u = static_cast<std::uint32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::uint32_t>::max()));
    return {static_cast<std::uint8_t>(u >> 24), static_cast<std::uint8_t>(u >> 16),
            static_cast<std::uint8_t>(u >> 8), static_cast<std::uint8_t>(u)};
}

std::int64_t Steps(double v) {
    return static_cast<std::int64_t>(std::llround(v));
}

Bytes Exception(std::uint8_t address, std::uint8_t function, std::uint8_t code) {
    return {address, static_cast<std::uint8_t>(function | modbus::kExceptionBit), code};
}

} // namespace

Device::Device(std::uint8_t address, Clock::time_point now) : lastAdvance_(now), lastByte_(now) {
    settings_.address = address;
}

void Device::advance(Clock::time_point now) {
    const double seconds = std::chrono::duration<double>(now - lastAdvance_).count();
    if (seconds > 0) axis_.advance(seconds);
    lastAdvance_ = std::max(lastAdvance_, now);
}

std::vector<Bytes> Device::receive(ByteView bytes, Clock::time_point now) {
    advance(now);
    if (!pending_.empty() && now - lastByte_ > kFrameGap) pending_.clear();
    lastByte_ = now;
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());

    std::vector<Bytes> replies;
    while (!pending_.empty()) {
        if (pending_[0] == ':') {
            const auto end = std::find(pending_.begin(), pending_.end(), '\n');
            if (end == pending_.end()) {
                if (pending_.size() > kMaxAsciiLine) pending_.clear();
                break;
            }
            const Bytes line(pending_.begin(), end + 1);
            pending_.erase(pending_.begin(), end + 1);
            auto ascii = ReadAsciiLine(line);
            if (!ascii || !ascii->complete || ascii->bytes.size() < 3) continue;
            const std::uint8_t lrc = ascii->bytes.back();
            ascii->bytes.pop_back();
            if (settings_.checksumChecking && Lrc(ascii->bytes) != lrc) {
                log("<- (LRC wrong, ignored)", line);
                continue;
            }
            log("<-", line);
            handleFrame(ascii->bytes, Framing::Ascii, replies);
            continue;
        }

        const auto length = rtuFrameLength();
        if (!length || pending_.size() < *length) break; // wait for the rest
        if (*length == 0) {
            pending_.erase(pending_.begin()); // not the start of a frame: look one byte on
            continue;
        }
        const ByteView frame(pending_.data(), *length);
        const Crc16Value crc = Crc16(frame.first(*length - 2));
        if (settings_.checksumChecking &&
            (crc.lo != frame[*length - 2] || crc.hi != frame[*length - 1])) {
            pending_.erase(pending_.begin());
            continue;
        }
        log("<-", frame);
        const Bytes request(frame.begin(), frame.end() - 2);
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(*length));
        handleFrame(request, Framing::Rtu, replies);
    }
    return replies;
}

// 0 when the first bytes cannot start a frame; empty when more bytes are needed to tell.
std::optional<std::size_t> Device::rtuFrameLength() const {
    if (pending_.size() < 2) return std::nullopt;
    const std::uint8_t code = pending_[1];
    if (code == kReadRegisters) return 8;
    if (code == kWriteRegisters) {
        if (pending_.size() < 7) return std::nullopt;
        return 9 + std::size_t{pending_[6]};
    }
    const CommandInfo* info = FindCommand(code);
    if (!info) return 0;
    if (pending_.size() < 3) return std::nullopt;
    const std::uint8_t length = pending_[2];
    if (length < info->request.min || length > info->request.max) return 0;
    return 3 + std::size_t{length} + 2;
}

void Device::handleFrame(ByteView request, Framing framing, std::vector<Bytes>& replies) {
    const std::uint8_t to = request[0];
    if (to != settings_.address && to != 0) return; // another device on the bus
    const std::uint8_t from = settings_.address;
    auto reply = dispatch(request);
    // Address 0 is the bus's broadcast: every device acts, none answers, but for the address
    // query that exists to find a lone device's address.
    if (!reply || (to == 0 && request[1] != 0x21) || !settings_.repliesOn) return;
    if (to != 0 && dropEvery_ > 0 && ++requests_ % dropEvery_ == 0) {
        log("-> (dropped)", *reply);
        return;
    }
    (*reply)[0] = from;
    const bool native = request[1] != kReadRegisters && request[1] != kWriteRegisters;
    if (native && settings_.fixedLengthReplies && reply->size() < kFixedReplyLength)
        reply->resize(kFixedReplyLength, 0);
    Bytes frame = framing == Framing::Rtu ? EncodeRtuFrame(*reply) : EncodeAsciiFrame(*reply);
    if (corruptEvery_ > 0 && ++replies_ % corruptEvery_ == 0) {
        // The last checksum byte, or the LRC's last digit before CR LF.
        const std::size_t at = framing == Framing::Rtu ? frame.size() - 1 : frame.size() - 3;
        frame[at] = framing == Framing::Rtu ? static_cast<std::uint8_t>(frame[at] ^ 0xFF)
                                            : (frame[at] == '0' ? '1' : '0');
    }
    if (settings_.lastCharacter) frame.push_back(settings_.lastCharacterValue);
    log("->", frame);
    replies.push_back(std::move(frame));
}

// The reply to one request without its checksum, or nothing when the request is ignored.
std::optional<Bytes> Device::dispatch(ByteView request) {
    const std::uint8_t address = settings_.address;
    const std::uint8_t code = request[1];
    if (code == kReadRegisters) return plcRead(request);
    if (code == kWriteRegisters) return plcWrite(request);
    const CommandInfo* info = FindCommand(code);
    if (!info) return Exception(address, code, kIllegalFunction);
    if (request.size() < 3 || request.size() != 3 + std::size_t{request[2]}) return std::nullopt;
    if (request[2] < info->request.min || request[2] > info->request.max) return std::nullopt;

    const auto data = execute(code, request.subspan(3));
    if (!data) return std::nullopt;
    Bytes reply{address, code, static_cast<std::uint8_t>(data->size())};
    reply.insert(reply.end(), data->begin(), data->end());
    return reply;
}

Bytes Device::plcRead(ByteView request) {
    const std::uint8_t address = settings_.address;
    if (request.size() != 6) return Exception(address, kReadRegisters, kIllegalValue);
    const auto reg = static_cast<std::uint16_t>((request[2] << 8) | request[3]);
    const std::size_t count = (std::size_t{request[4]} << 8) | request[5];
    const auto code = static_cast<std::uint16_t>(reg - settings_.mappingAddress);
    const CommandInfo* info = code <= 0xFF ? FindCommand(static_cast<std::uint8_t>(code)) : nullptr;
    if (!info || info->request.min != 0) return Exception(address, kReadRegisters, kIllegalAddress);
    if (count > kMaxReadRegisters || (count > 0 && info->reply.max == 0))
        return Exception(address, kReadRegisters, count > 0 ? kIllegalAddress : kIllegalValue);

    const auto data = execute(info->code, {});
    if (!data) return Exception(address, kReadRegisters, kIllegalValue);
    const Bytes registers = RegisterBytes(*data, count);
    Bytes reply{address, kReadRegisters, static_cast<std::uint8_t>(registers.size())};
    reply.insert(reply.end(), registers.begin(), registers.end());
    return reply;
}

Bytes Device::plcWrite(ByteView request) {
    const std::uint8_t address = settings_.address;
    if (request.size() < 7) return Exception(address, kWriteRegisters, kIllegalValue);
    const std::size_t count = (std::size_t{request[4]} << 8) | request[5];
    const std::size_t bytes = request[6];
    if (bytes != 2 * count || request.size() != 7 + bytes)
        return Exception(address, kWriteRegisters, kIllegalValue);
    const auto reg = static_cast<std::uint16_t>((request[2] << 8) | request[3]);
    const auto code = static_cast<std::uint16_t>(reg - settings_.mappingAddress);
    const CommandInfo* info = code <= 0xFF ? FindCommand(static_cast<std::uint8_t>(code)) : nullptr;
    if (!info) return Exception(address, kWriteRegisters, kIllegalAddress);

    // The value was padded to whole 32-bit words; the command takes its own length of it.
    const ByteView words = request.subspan(7);
    if (words.size() < info->request.min) return Exception(address, kWriteRegisters, kIllegalValue);
    const ByteView data = words.first(std::min<std::size_t>(words.size(), info->request.max));
    if (!execute(info->code, data)) return Exception(address, kWriteRegisters, kIllegalValue);
    return {address, kWriteRegisters, request[2], request[3], request[4], request[5]};
}

std::array<bool, 5> Device::inputsActive() const {
    const auto ext = [this](int bit) { return (externalInputs_ >> bit & 1) != 0; };
    return {axis_.leftLimit() || ext(0), axis_.rightLimit() || ext(1), axis_.atHome() || ext(2),
            ext(3), ext(4)};
}

void Device::setInputs(std::uint8_t pattern, Clock::time_point now) {
    advance(now);
    pattern &= 0x1F;
    if (pattern == externalInputs_) return;
    externalInputs_ = pattern;
    const auto entry = settings_.ioOverrides.find(pattern);
    if (entry == settings_.ioOverrides.end() || entry->second.empty()) return;
    Bytes request{settings_.address};
    request.insert(request.end(), entry->second.begin(), entry->second.end());
    log("IO", request);
    (void)dispatch(request);
}

std::optional<Bytes> Device::execute(std::uint8_t code, ByteView d) {
    Settings& s = settings_;
    Profile& p = s.profile;
    // Feedback pulses per step of the closed loop's electronic gear.
    const double gear = (s.gearNumerator != 0 && s.gearDenominator != 0)
                            ? double(s.gearDenominator) / double(s.gearNumerator)
                            : 1.0;
    auto set = [&](double& field) {
        field = static_cast<std::uint32_t>(Int32(d));
        return Bytes{};
    };
    auto query = [](double field) { return Value(Steps(field)); };

    switch (code) {
    case 0x20:
        return Bytes{};
    case 0x21:
        return Bytes{s.address};
    case 0x22:
        if (d[0] == 0 || d[0] > 247) return std::nullopt;
        s.address = d[0];
        return Bytes{};
    case 0x23:
        return Bytes{s.baudCode};
    case 0x24:
        if (d[0] < 0x01 || d[0] > 0x0B) return std::nullopt;
        s.baudCode = d[0];
        return Bytes{};
    case 0x25:
        return set(p.startSpeed);
    case 0x26:
        return query(p.startSpeed);
    case 0x27:
        return set(p.maxSpeed);
    case 0x28:
        return query(p.maxSpeed);
    case 0x29:
        return set(p.endSpeed);
    case 0x2A:
        return query(p.endSpeed);
    case 0x2B:
        return set(p.acceleration);
    case 0x2C:
        return query(p.acceleration);
    case 0x2D:
        return set(p.deceleration);
    case 0x2E:
        return query(p.deceleration);
    case 0x2F:
        return set(p.homingSpeed);
    case 0x30:
        return query(p.homingSpeed);
    case 0x31:
        axis_.moveBy(Int32(d), p);
        return Bytes{};
    case 0x32:
        axis_.moveBy(Direction(d[0]) * double(Count24(d)), p);
        return Bytes{};
    case 0x33: {
        const std::int32_t v = Int32(d);
        axis_.runAt(std::fabs(double(v)), v < 0 ? -1 : 1, p);
        return Bytes{};
    }
    case 0x34:
        axis_.runAt(Count24(d), Direction(d[0]), p);
        return Bytes{};
    case 0x35:
        axis_.changeSpeed(std::fabs(double(Int32(d))));
        return Bytes{};
    case 0x36:
        return query(axis_.speed());
    case 0x37:
        return query(axis_.absolute());
    case 0x38:
        axis_.zeroAbsolute();
        return Bytes{};
    case 0x39:
        return query(axis_.relative());
    case 0x3A:
        axis_.zeroRelative();
        return Bytes{};
    case 0x3B:
        // 1 means a switch is not active, as on the device's opto-coupled inputs.
        return Bytes{std::uint8_t(axis_.moving()), std::uint8_t(!axis_.leftLimit()),
                     std::uint8_t(!axis_.atHome()), std::uint8_t(!axis_.rightLimit())};
    case 0x3C:
        axis_.stop();
        return Bytes{};
    case 0x3D:
        axis_.decelerateToStop();
        return Bytes{};
    case 0x3E:
    case 0x4E:
    case 0x4F:
        axis_.home(Direction(d[0]), p);
        return Bytes{};
    case 0x3F: {
        const std::int32_t v = Int32(d);
        if (v < 0 || v > 0xFFFF) return std::nullopt;
        s.mappingAddress = static_cast<std::uint32_t>(v);
        return Bytes{};
    }
    case 0x40:
        if (d[0] > 0x1F) return std::nullopt;
        s.ioOverrides[d[0]] = Bytes(d.begin() + 1, d.end());
        return Bytes{};
    case 0x41: {
        if (d[0] > 0x1F) return std::nullopt;
        Bytes entry{d[0]};
        if (const auto it = s.ioOverrides.find(d[0]); it != s.ioOverrides.end())
            entry.insert(entry.end(), it->second.begin(), it->second.end());
        return entry;
    }
    case 0x42: {
        Bytes levels;
        for (bool active : inputsActive())
            levels.push_back(std::uint8_t(active != s.inputsNormallyOpen));
        return levels;
    }
    case 0x43:
        if (std::all_of(d.begin(), d.end(), [](auto b) { return b == 0x01; }))
            s.inputsNormallyOpen = true;
        else if (std::all_of(d.begin(), d.end(), [](auto b) { return b == 0x00; }))
            s.inputsNormallyOpen = false;
        else
            return std::nullopt;
        return Bytes{};
    case 0x44:
        s.speedFactor = Int32(d);
        return Bytes{};
    case 0x45:
        axis_.changeSpeedBy(s.speedFactor);
        return Bytes{};
    case 0x46:
        axis_.changeSpeedBy(-s.speedFactor);
        return Bytes{};
    case 0x47: {
        // The reply still comes from the address the request was sent to.
        s = Settings{};
        return Bytes{};
    }
    case 0x48:
        s.checksumChecking = d[0] == 0x00;
        return Bytes{};
    case 0x49:
        s.fixedLengthReplies = d[0] == 0x01;
        return Bytes{};
    case 0x4A:
        s.canExtendedFrames = d[0];
        return Bytes{};
    case 0x4B:
        if (d[0] < 1 || d[0] > 18) return std::nullopt;
        s.canBitRateCode = d[0];
        return Bytes{};
    case 0x4C:
        s.lastCanData.assign(d.begin(), d.end());
        return Bytes{};
    case 0x50:
        axis_.moveTo(Int32(d), p);
        return Bytes{};
    case 0x51:
        // One command for two switches: 0x80 silences the device, 0x01 adds the last
        // character to every reply, 0x00 turns both back to normal.
        if (d[0] == 0x80) {
            s.repliesOn = false;
        } else if (d[0] == 0x01) {
            s.lastCharacter = true;
            s.lastCharacterValue = d[1];
        } else if (d[0] == 0x00) {
            s.repliesOn = true;
            s.lastCharacter = false;
        } else {
            return std::nullopt;
        }
        return Bytes{};
    case 0x52:
        s.relayK1 = d[0] != 0;
        s.relayK2 = d[1] != 0;
        return Bytes{};
    case 0x53:
        s.powerLossSave = d[0];
        s.powerLossRun = d[1];
        return Bytes{};
    case 0x55:
        axis_.moveBy(Int32(d) / 4.0 / gear, p);
        return Bytes{};
    case 0x56:
        axis_.moveBy(Int32(d) / gear, p);
        return Bytes{};
    case 0x57:
        axis_.moveTo(encoderOrigin_ + Int32(d) / gear, p);
        return Bytes{};
    case 0x58:
        return query((axis_.absolute() - encoderOrigin_) * gear);
    case 0x59:
        encoderOrigin_ = axis_.absolute();
        return Bytes{};
    case 0x5A:
        return query((axis_.absolute() - encoderRelativeOrigin_) * gear);
    case 0x5B:
        encoderRelativeOrigin_ = axis_.absolute();
        return Bytes{};
    case 0x5C:
        s.encoderDirection = d[0];
        return Bytes{};
    case 0x5D:
        s.controlDirection = d[0];
        return Bytes{};
    case 0x5E:
        s.accumulateError = d[0];
        return Bytes{};
    case 0x5F:
        s.gearNumerator = Int32(d);
        return Bytes{};
    case 0x60:
        return Value(s.gearNumerator);
    case 0x61:
        s.gearDenominator = Int32(d);
        return Bytes{};
    case 0x62:
        return Value(s.gearDenominator);
    case 0x64:
        return Bytes{0, 0, 0, 0}; // error code 0: the simulated loop never loses a step
    default:
        return std::nullopt;
    }
}

std::string Device::status() const {
    std::ostringstream s;
    const auto in = inputsActive();
    s << "address " << int(settings_.address) << ", position " << Steps(axis_.absolute())
      << ", speed " << Steps(axis_.speed()) << (axis_.moving() ? ", moving" : ", stopped")
      << ", inputs IN5-IN1 " << in[4] << in[3] << in[2] << in[1] << in[0]
      << (settings_.repliesOn ? "" : ", replies off");
    return s.str();
}

void Device::log(const char* direction, ByteView frame) const {
    if (!trace) return;
    trace(std::string(direction) + " " + HexFrameText(frame));
}

} // namespace stepbench::sim
