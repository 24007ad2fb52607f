#include "sim/pty_device.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace stepbench::sim {
namespace {

// How often the loop wakes with nothing to do, to move the axis and to notice stop().
constexpr auto kIdleWake = std::chrono::milliseconds(5);

} // namespace

PtyDevice::PtyDevice(PtyOptions options) : options_(std::move(options)), device_(options_.address) {
    device_.trace = options_.trace;
    device_.setFaults(options_.dropEvery, options_.corruptEvery);
}

PtyDevice::~PtyDevice() {
    stop();
}

bool PtyDevice::start(std::string* error) {
    if (running_) return true;
    // Raw from the start: a cooked slave would echo and translate line ends.
    termios raw{};
    cfmakeraw(&raw);
    char name[128] = {};
    if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
        if (error) *error = std::string("openpty: ") + std::strerror(errno);
        return false;
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    path_ = name;
    running_ = true;
    thread_ = std::thread([this] { run(); });
    return true;
}

void PtyDevice::stop() {
    if (!running_.exchange(false)) return;
    thread_.join();
    close(master_);
    close(slave_);
    master_ = slave_ = -1;
}

void PtyDevice::schedule(Bytes reply, Clock::time_point now) {
    // Replies leave in order, even when one of them is still waiting for its second piece.
    Clock::time_point due = now + options_.replyDelay;
    if (!queue_.empty()) due = std::max(due, queue_.back().due);
    if (options_.splitPause.count() > 0 && reply.size() >= 2) {
        const auto half = static_cast<std::ptrdiff_t>(reply.size() / 2);
        queue_.push_back({due, Bytes(reply.begin(), reply.begin() + half)});
        queue_.push_back({due + options_.splitPause, Bytes(reply.begin() + half, reply.end())});
    } else {
        queue_.push_back({due, std::move(reply)});
    }
}

void PtyDevice::run() {
    std::uint8_t buffer[4096];
    while (running_) {
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(kIdleWake);
        if (!unwritten_.empty() && options_.pace) wait = std::chrono::milliseconds(1);
        if (!queue_.empty()) {
            const auto untilDue =
                std::chrono::ceil<std::chrono::milliseconds>(queue_.front().due - Clock::now());
            wait = std::clamp(untilDue, std::chrono::milliseconds(0), wait);
        }
        pollfd pfd{master_, short(POLLIN | (unwritten_.empty() ? 0 : POLLOUT)), 0};
        poll(&pfd, 1, static_cast<int>(wait.count()));

        const auto now = Clock::now();
        std::lock_guard lock(mutex_);
        for (;;) {
            const ssize_t n = read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            if (options_.lineBaud && LineBaud(master_) != options_.lineBaud) continue;
            for (Bytes& reply : device_.receive(ByteView(buffer, std::size_t(n)), now))
                schedule(std::move(reply), now);
        }
        device_.advance(now);
        while (!queue_.empty() && queue_.front().due <= now) {
            unwritten_.insert(unwritten_.end(), queue_.front().bytes.begin(),
                              queue_.front().bytes.end());
            queue_.pop_front();
        }
        if (!unwritten_.empty()) {
            const std::size_t due = options_.pace ? bytesDue(now) : unwritten_.size();
            const ssize_t n = due ? write(master_, unwritten_.data(), due) : 0;
            if (n > 0) unwritten_.erase(unwritten_.begin(), unwritten_.begin() + n);
        }
    }
}

std::size_t PtyDevice::bytesDue(Clock::time_point now) {
    const int baud = options_.paceBaud > 0 ? options_.paceBaud : LineBaud(master_);
    if (baud <= 0) return unwritten_.size();
    const auto perByte = std::chrono::nanoseconds(10'000'000'000LL / baud);
    // A line that has been idle starts the next byte now, not in the past.
    if (nextByteAt_ + perByte < now) nextByteAt_ = now;
    if (now < nextByteAt_) return 0;
    const auto due =
        std::min<std::size_t>(unwritten_.size(), std::size_t((now - nextByteAt_) / perByte) + 1);
    nextByteAt_ += perByte * static_cast<long>(due);
    return due;
}

} // namespace stepbench::sim
