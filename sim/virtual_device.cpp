#include "sim/virtual_device.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace stepbench::sim {
namespace {

// How often the loop wakes with nothing to do, to move the axis and to notice stop().
constexpr auto kIdleWake = std::chrono::milliseconds(5);

} // namespace

VirtualDevice::VirtualDevice(DeviceOptions options) : options_(std::move(options)) {
    devices_.emplace_back(options_.address);
    for (std::uint8_t a : options_.more)
        if (a != options_.address) devices_.emplace_back(a);
    for (Device& d : devices_) {
        d.trace = options_.trace;
        d.setFaults(options_.dropEvery, options_.corruptEvery);
    }
}

std::vector<Bytes> VirtualDevice::receive(ByteView bytes, Clock::time_point now) {
    std::vector<Bytes> replies;
    for (Device& d : devices_)
        for (Bytes& reply : d.receive(bytes, now))
            replies.push_back(std::move(reply));
    return replies;
}

VirtualDevice::~VirtualDevice() {
    stop();
}

bool VirtualDevice::start(std::string* error) {
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
    // A program started from here must not hold the line open after the device has gone.
    for (int fd : {master_, slave_})
        fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) | FD_CLOEXEC);
    path_ = name;
    running_ = true;
    thread_ = std::thread([this] { run(); });
    return true;
}

bool VirtualDevice::startTcp(const std::string& host, int port, std::string* error) {
    if (running_) return true;
    const auto fail = [&](const std::string& what) {
        if (error) *error = what;
        if (listen_ >= 0) close(listen_);
        listen_ = -1;
        return false;
    };
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (const int e = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found))
        return fail(host + ": " + gai_strerror(e));
    listen_ = socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    // The same port again at once after a stop, as a restarted device server would.
    if (listen_ >= 0) setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const bool bound = listen_ >= 0 && bind(listen_, found->ai_addr, found->ai_addrlen) == 0 &&
                       listen(listen_, 4) == 0;
    const int family = found->ai_family;
    freeaddrinfo(found);
    if (!bound) return fail(host + ":" + std::to_string(port) + ": " + std::strerror(errno));
    sockaddr_storage bound_to{};
    socklen_t length = sizeof bound_to;
    getsockname(listen_, reinterpret_cast<sockaddr*>(&bound_to), &length);
    const int actual =
        ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound_to)->sin6_port
                                 : reinterpret_cast<sockaddr_in*>(&bound_to)->sin_port);
    const bool v6 = host.find(':') != std::string::npos;
    path_ = "tcp://" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(actual);
    running_ = true;
    thread_ = std::thread([this] { run(); });
    return true;
}

void VirtualDevice::stop() {
    if (!running_.exchange(false)) return;
    thread_.join();
    for (int* fd : {&master_, &slave_, &listen_, &client_}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

void VirtualDevice::acceptClient() {
    const int fd = accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    if (client_ >= 0) {
        // One line, one program: a second client is closed rather than left hanging.
        close(fd);
        if (options_.trace) options_.trace("-- second client refused");
        return;
    }
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    client_ = fd;
    if (options_.trace) options_.trace("-- client connected");
}

void VirtualDevice::dropClient() {
    close(client_);
    client_ = -1;
    // Replies still on their way belonged to the client that left.
    queue_.clear();
    heard_.clear();
    unwritten_.clear();
    if (options_.trace) options_.trace("-- client gone");
}

ssize_t VirtualDevice::writeLine(const std::uint8_t* data, std::size_t size) {
    // A client that has gone must not kill the device with SIGPIPE.
    return listen_ >= 0 ? send(client_, data, size, MSG_NOSIGNAL) : write(master_, data, size);
}

void VirtualDevice::schedule(Bytes reply, Clock::time_point now) {
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

int VirtualDevice::lineSpeed() const {
    if (options_.paceBaud > 0) return options_.paceBaud;
    return master_ >= 0 ? LineBaud(master_) : 0;
}

void VirtualDevice::hear(ByteView bytes, Clock::time_point now) {
    if (options_.echo) put(Bytes(bytes.begin(), bytes.end()), now);
    const int baud = lineSpeed();
    if (baud <= 0) {
        for (Bytes& reply : receive(bytes, now))
            schedule(std::move(reply), now);
        return;
    }
    // A pseudo-terminal hands over at once what a real line carries at 10 bits a byte.
    const auto perByte = std::chrono::nanoseconds(10'000'000'000LL / baud);
    inboundFreeAt_ = std::max(inboundFreeAt_, now) + perByte * static_cast<long>(bytes.size());
    heard_.push_back({inboundFreeAt_, Bytes(bytes.begin(), bytes.end())});
}

void VirtualDevice::run() {
    std::uint8_t buffer[4096];
    while (running_) {
        // Woken when the next reply or request is due, to the microsecond: a request is heard
        // when its last byte is through, not at the next whole millisecond.
        std::chrono::nanoseconds wait = kIdleWake;
        if (!unwritten_.empty() && options_.pace) wait = std::chrono::milliseconds(1);
        for (const auto* next : {&queue_, &heard_}) {
            if (next->empty()) continue;
            const auto untilDue = next->front().due - Clock::now();
            wait =
                std::clamp<std::chrono::nanoseconds>(untilDue, std::chrono::nanoseconds(0), wait);
        }
        pollfd pfd[2] = {{lineFd(), short(POLLIN | (unwritten_.empty() ? 0 : POLLOUT)), 0},
                         {listen_, POLLIN, 0}};
        const timespec timeout{time_t(wait.count() / 1'000'000'000),
                               long(wait.count() % 1'000'000'000)};
        ppoll(pfd, 2, &timeout, nullptr);

        const auto now = Clock::now();
        std::lock_guard lock(mutex_);
        if (pfd[1].revents & POLLIN) acceptClient();
        while (lineFd() >= 0) {
            const ssize_t n = read(lineFd(), buffer, sizeof buffer);
            const bool gone = n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR);
            if (gone && listen_ >= 0) dropClient();
            if (n <= 0) break;
            if (options_.lineBaud && master_ >= 0 && LineBaud(master_) != options_.lineBaud)
                continue;
            hear(ByteView(buffer, std::size_t(n)), now);
        }
        while (!heard_.empty() && heard_.front().due <= now) {
            const Outgoing in = std::move(heard_.front());
            heard_.pop_front();
            for (Bytes& reply : receive(in.bytes, in.due))
                schedule(std::move(reply), in.due);
        }
        for (Device& d : devices_)
            d.advance(now);
        while (!queue_.empty() && queue_.front().due <= now) {
            put(queue_.front().bytes, queue_.front().due);
            queue_.pop_front();
        }
        // With no client the replies go nowhere, as on a line with nobody listening.
        if (lineFd() < 0) unwritten_.clear();
        if (!unwritten_.empty()) {
            const std::size_t due = options_.pace ? bytesDue(now) : unwritten_.size();
            const ssize_t n = due ? writeLine(unwritten_.data(), due) : 0;
            if (n > 0) {
                unwritten_.erase(unwritten_.begin(), unwritten_.begin() + n);
                nextStart_ += perByte_ * static_cast<long>(n);
            }
        }
    }
}

void VirtualDevice::put(const Bytes& bytes, Clock::time_point from) {
    // A line that was idle starts the first byte when it is there, or when the last one ended.
    if (unwritten_.empty()) nextStart_ = std::max(nextStart_, from);
    unwritten_.insert(unwritten_.end(), bytes.begin(), bytes.end());
}

std::size_t VirtualDevice::bytesDue(Clock::time_point now) {
    const int baud = lineSpeed();
    if (baud <= 0) {
        perByte_ = {};
        return unwritten_.size();
    }
    // A byte has arrived once its 10 bits have crossed the line.
    perByte_ = std::chrono::nanoseconds(10'000'000'000LL / baud);
    if (now < nextStart_ + perByte_) return 0;
    return std::min<std::size_t>(unwritten_.size(), std::size_t((now - nextStart_) / perByte_));
}

} // namespace stepbench::sim
