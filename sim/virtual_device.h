#pragma once

#include "sim/device.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace stepbench::sim {

struct DeviceOptions {
    std::uint8_t address = 1;
    // More drives on the same line, each with its own settings and axis, answering only its own
    // address (and acting on a broadcast).
    std::vector<std::uint8_t> more;
    // Time from a request's last byte to the reply's first, as a real device takes to answer.
    std::chrono::milliseconds replyDelay{2};
    // When not zero, each reply goes out in two pieces this far apart.
    std::chrono::milliseconds splitPause{0};
    // Replies leave at the line's real speed, 10 bits a byte: at this baud, or at 0 the baud the
    // program on the other end set.
    bool pace = false;
    int paceBaud = 0;
    // When not 0, the device hears only while the line is set to this baud rate: at any other
    // rate its bytes would be garbage to it.
    int lineBaud = 0;
    int dropEvery = 0;    // every Nth request to the device goes unanswered
    int corruptEvery = 0; // every Nth reply has a damaged checksum
    // Every byte heard is handed back at once, as an RS-485 adapter without echo cancelling
    // does: a request's bytes come back before its reply.
    bool echo = false;
    // When set, the device misbehaves at random, as a bad line does (see Chaos), from this seed.
    std::optional<unsigned> chaosSeed;
    // The reply timeout of the program on the other end: a late reply comes after it.
    std::chrono::milliseconds chaosTimeout{300};
    // With chaos, a JSON line per request: what the device heard, what it sent and when.
    std::function<void(const std::string&)> truth;
    std::function<void(const std::string&)> trace;
};

// What the device does with a reply, chosen at random for each request in chaos.
enum class Chaos : std::uint8_t {
    Normal,
    NoReply,      // nothing
    Damaged,      // a data or checksum byte changed
    Late,         // after the timeout, within twice the timeout
    Split,        // in two pieces, up to 25 ms apart
    Doubled,      // twice, one after the other
    OtherAddress, // from another address, and nothing else
    Noise,        // a few bytes of noise, then the reply
    NoiseOnly,    // a byte of noise shortly before the timeout, and nothing else
};
const char* ChaosName(Chaos chaos);

// The baud rate the program on the other end of a pseudo-terminal set, read on the master side;
// 0 when it cannot be read.
int LineBaud(int masterFd);

// The virtual device serving from a thread of its own, on a pseudo-terminal (a program opens
// path() as it would open a serial port) or on a TCP port as a serial device server would.
class VirtualDevice {
public:
    explicit VirtualDevice(DeviceOptions options = {});
    ~VirtualDevice();
    VirtualDevice(const VirtualDevice&) = delete;
    VirtualDevice& operator=(const VirtualDevice&) = delete;

    // Opens the pseudo-terminal and starts serving; on failure says why in error.
    bool start(std::string* error = nullptr);
    // Listens on host:port (port 0: any free port) and serves one client at a time; a second
    // client is closed at once. path() is then "tcp://host:port".
    bool startTcp(const std::string& host, int port, std::string* error = nullptr);
    void stop();
    const std::string& path() const { return path_; }

    // Runs f(Device&) between the device's steps, for inputs, switches and status: of the first
    // drive, or of the one at the address.
    template <class F>
    auto withDevice(F&& f, std::optional<std::uint8_t> address = std::nullopt) {
        std::lock_guard lock(mutex_);
        for (Device& d : devices_)
            if (!address || d.settings().address == *address) return f(d);
        return f(devices_.front());
    }

private:
    using Clock = Device::Clock;
    struct Outgoing {
        Clock::time_point due;
        Bytes bytes;
        bool rest = false; // the rest of a reply whose first piece went before it
    };
    void run();
    void acceptClient();
    void dropClient();
    int lineFd() const { return listen_ >= 0 ? client_ : master_; }
    ssize_t writeLine(const std::uint8_t* data, std::size_t size);
    void schedule(Bytes reply, Clock::time_point now);
    // Queues bytes to leave no earlier than due, after what is queued already; when they will.
    Clock::time_point scheduleAt(Bytes bytes, Clock::time_point due, bool rest = false);
    // Chaos: does one of the things a bad line does with the reply, and tells the truth of it.
    void misbehave(const Bytes& request, Bytes reply, Clock::time_point heard);
    // The line's speed in baud: the pace asked for, or the rate the program set; 0 when unknown
    // (over TCP).
    int lineSpeed() const;
    // The replies to bytes the device has heard, on their way.
    void respond(ByteView bytes, Clock::time_point heard);
    // Takes bytes off the line: the device hears them once their last one has crossed it.
    void hear(ByteView bytes, Clock::time_point now);
    // Puts bytes on the line, from the given time on.
    void put(const Bytes& bytes, Clock::time_point from);
    // How many of the unwritten bytes the paced line has carried by now.
    std::size_t bytesDue(Clock::time_point now);

    DeviceOptions options_;
    std::vector<Device> devices_; // the drives on the line, the first at options_.address
    // Every drive hears the line's bytes; the replies, in order.
    std::vector<Bytes> receive(ByteView bytes, Clock::time_point now);
    std::mutex mutex_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    int master_ = -1;
    int slave_ = -1;
    int listen_ = -1;
    int client_ = -1;
    std::string path_;
    std::deque<Outgoing> queue_;
    // Chaos: replies held back beyond the timeout, in order of time; they do not hold back the
    // replies after them, and go between two replies, never inside one.
    std::deque<Outgoing> late_;
    std::deque<Outgoing> heard_; // bytes on their way across the line to the device
    Clock::time_point inboundFreeAt_{};
    Bytes unwritten_;
    Clock::time_point nextStart_{}; // when the next byte to write starts on the line
    std::chrono::nanoseconds perByte_{};
    std::mt19937 random_;
    long requestsHeard_ = 0;
    Clock::time_point started_ = Clock::now();
};

} // namespace stepbench::sim
