#pragma once

#include "sim/device.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
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
    std::function<void(const std::string&)> trace;
};

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
    };
    void run();
    void acceptClient();
    void dropClient();
    int lineFd() const { return listen_ >= 0 ? client_ : master_; }
    ssize_t writeLine(const std::uint8_t* data, std::size_t size);
    void schedule(Bytes reply, Clock::time_point now);
    // The line's speed in baud: the pace asked for, or the rate the program set; 0 when unknown
    // (over TCP).
    int lineSpeed() const;
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
    std::deque<Outgoing> heard_; // bytes on their way across the line to the device
    Clock::time_point inboundFreeAt_{};
    Bytes unwritten_;
    Clock::time_point nextStart_{}; // when the next byte to write starts on the line
    std::chrono::nanoseconds perByte_{};
};

} // namespace stepbench::sim
