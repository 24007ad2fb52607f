#pragma once

#include "codec/bytes.h"
#include "sim/axis.h"

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace stepbench::sim {

// Everything the device keeps that a factory reset restores.
struct Settings {
    std::uint8_t address = 1;
    std::uint8_t baudCode = 0x06; // 9600
    Profile profile;
    std::uint32_t mappingAddress = 0;
    bool inputsNormallyOpen = true;
    bool repliesOn = true;
    bool lastCharacter = false;
    std::uint8_t lastCharacterValue = 0x80;
    bool checksumChecking = true;
    bool fixedLengthReplies = false; // every reply padded to 8 bytes before its checksum
    bool relayK1 = false;
    bool relayK2 = false;
    std::uint8_t powerLossSave = 0;
    std::uint8_t powerLossRun = 0;
    std::uint8_t canExtendedFrames = 0;
    std::uint8_t canBitRateCode = 12; // 100K
    Bytes lastCanData;
    std::int32_t speedFactor = 500;
    std::int32_t gearNumerator = 1;
    std::int32_t gearDenominator = 1;
    std::uint8_t encoderDirection = 0;
    std::uint8_t controlDirection = 0;
    std::uint8_t accumulateError = 0;
    std::map<std::uint8_t, Bytes> ioOverrides; // input pattern -> stored command
};

// The simulated stepper controller: takes the bytes that arrive on its serial line, keeps the
// device's state, moves its axis in real time and gives back the replies to send. It answers in
// the framing a request came in (RTU with CRC-16, or an ASCII line with LRC) and also serves the
// PLC standard protocol (Modbus functions 03 and 0x10 at register mapping address + code).
class Device {
public:
    using Clock = std::chrono::steady_clock;

    explicit Device(std::uint8_t address = 1, Clock::time_point now = Clock::now());

    // Bytes from the line. Returns the replies, each a whole frame, in order.
    std::vector<Bytes> receive(ByteView bytes, Clock::time_point now);

    // Moves the axis on to now.
    void advance(Clock::time_point now);

    // External input levels, IN5..IN1 as bits 4..0 (1 = active). A pattern with a stored
    // IO-override entry runs that entry's command, as the device does on its own.
    void setInputs(std::uint8_t pattern, Clock::time_point now);
    void forceLimit(bool left, bool active) { axis_.forceLimit(left, active); }

    // Faults of a bad line, for testing the tool: every Nth request to the device goes
    // unanswered (it still acts), every Nth reply leaves with a damaged checksum. 0: never.
    void setFaults(int dropEvery, int corruptEvery) {
        dropEvery_ = dropEvery;
        corruptEvery_ = corruptEvery;
    }

    const Settings& settings() const { return settings_; }
    const Axis& axis() const { return axis_; }
    std::string status() const;

    // Called with every request and reply when set, for a trace.
    std::function<void(const std::string&)> trace;

private:
    enum class Framing { Rtu, Ascii };
    std::optional<std::size_t> rtuFrameLength() const;
    void handleFrame(ByteView request, Framing framing, std::vector<Bytes>& replies);
    std::optional<Bytes> dispatch(ByteView request);
    std::optional<Bytes> execute(std::uint8_t code, ByteView data);
    Bytes plcRead(ByteView request);
    Bytes plcWrite(ByteView request);
    std::array<bool, 5> inputsActive() const;
    void log(const char* direction, ByteView frame) const;

    Settings settings_;
    Axis axis_;
    Clock::time_point lastAdvance_;
    Clock::time_point lastByte_;
    Bytes pending_;
    std::uint8_t externalInputs_ = 0;
    int dropEvery_ = 0;
    int corruptEvery_ = 0;
    long requests_ = 0;
    long replies_ = 0;
    double encoderOrigin_ = 0;
    double encoderRelativeOrigin_ = 0;
};

} // namespace stepbench::sim
