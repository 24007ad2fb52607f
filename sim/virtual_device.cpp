#include "sim/virtual_device.h"

#include "codec/frame.h"

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

const char* ChaosName(Chaos chaos) {
    switch (chaos) {
    case Chaos::Normal:
        return "normal";
    case Chaos::NoReply:
        return "no_reply";
    case Chaos::Damaged:
        return "damaged";
    case Chaos::Late:
        return "late";
    case Chaos::Split:
        return "split";
    case Chaos::Doubled:
        return "doubled";
    case Chaos::OtherAddress:
        return "other_address";
    case Chaos::Noise:
        return "noise";
    case Chaos::NoiseOnly:
        return "noise_only";
    }
    return "";
}

VirtualDevice::VirtualDevice(DeviceOptions options)
    : options_(std::move(options)), random_(options_.chaosSeed.value_or(0)) {
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
    late_.clear();
    unwritten_.clear();
    if (options_.trace) options_.trace("-- client gone");
}

ssize_t VirtualDevice::writeLine(const std::uint8_t* data, std::size_t size) {
    // A client that has gone must not kill the device with SIGPIPE.
    return listen_ >= 0 ? send(client_, data, size, MSG_NOSIGNAL) : write(master_, data, size);
}

VirtualDevice::Clock::time_point VirtualDevice::scheduleAt(Bytes bytes, Clock::time_point due,
                                                           bool rest) {
    if (!queue_.empty()) due = std::max(due, queue_.back().due);
    queue_.push_back({due, std::move(bytes), rest});
    return due;
}

namespace {

std::string HexOf(const Bytes& b) {
    static const char* const kDigits = "0123456789ABCDEF";
    std::string out;
    for (std::uint8_t v : b) {
        if (!out.empty()) out += ' ';
        out += kDigits[v >> 4];
        out += kDigits[v & 15];
    }
    return out;
}

// The frame with its checksum made right again after a change: an RTU frame's CRC, an ASCII
// line's LRC.
Bytes Reframed(const Bytes& frame) {
    if (auto line = ReadAsciiLine(frame); line && line->complete && line->bytes.size() >= 2) {
        line->bytes.pop_back();
        return EncodeAsciiFrame(line->bytes);
    }
    return EncodeRtuFrame(ByteView(frame).first(frame.size() - 2));
}

} // namespace

void VirtualDevice::misbehave(const Bytes& request, Bytes reply, Clock::time_point heard) {
    // Weights: most replies come as they should, the rest in each way a bad line has.
    static constexpr std::pair<Chaos, int> kWeights[] = {
        {Chaos::Normal, 40},      {Chaos::NoReply, 7}, {Chaos::Damaged, 8},
        {Chaos::Late, 8},         {Chaos::Split, 9},   {Chaos::Doubled, 7},
        {Chaos::OtherAddress, 6}, {Chaos::Noise, 9},   {Chaos::NoiseOnly, 6}};
    int total = 0;
    for (const auto& [chaos, weight] : kWeights)
        total += weight;
    int pick = std::uniform_int_distribution<int>(0, total - 1)(random_);
    Chaos chaos = Chaos::Normal;
    for (const auto& [c, weight] : kWeights)
        if ((pick -= weight) < 0) {
            chaos = c;
            break;
        }
    const bool ascii = !reply.empty() && reply[0] == ':';
    const auto ms = [](double v) {
        return std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double, std::milli>(v));
    };
    const auto uniform = [this](double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random_);
    };
    const double timeout = double(options_.chaosTimeout.count());
    const Clock::time_point soon = heard + options_.replyDelay;
    std::vector<std::pair<Bytes, Clock::time_point>> sent;
    const auto send = [&](const Bytes& bytes, Clock::time_point due) {
        const Clock::time_point at = scheduleAt(bytes, due);
        sent.push_back({bytes, at});
    };
    const auto noise = [&](int count) {
        Bytes out;
        static constexpr std::uint8_t kAsciiNoise[] = {'?', '#', ' ', 0x00};
        static constexpr std::uint8_t kNoise[] = {0x00, 0xFF, 0xAA, 0x55};
        for (int i = 0; i < count; ++i)
            out.push_back((ascii ? kAsciiNoise : kNoise)[random_() % 4]);
        return out;
    };
    switch (chaos) {
    case Chaos::Normal:
        send(reply, soon);
        break;
    case Chaos::NoReply:
        break;
    case Chaos::Damaged: {
        // Past the address, function and length, so the frame still says what it answers.
        Bytes damaged = reply;
        const std::size_t from = ascii ? 7 : 3;
        const std::size_t at = from + random_() % (damaged.size() - from - (ascii ? 2 : 0));
        damaged[at] = ascii ? std::uint8_t(damaged[at] == 'G' ? 'H' : 'G')
                            : std::uint8_t(damaged[at] ^ (1u << (random_() % 8)));
        send(damaged, soon);
        break;
    }
    case Chaos::Late: {
        const Clock::time_point due = heard + ms(timeout * uniform(1.3, 1.9));
        const auto at =
            std::upper_bound(late_.begin(), late_.end(), due,
                             [](Clock::time_point t, const Outgoing& o) { return t < o.due; });
        late_.insert(at, {due, reply});
        sent.push_back({reply, due});
        break;
    }
    case Chaos::Split: {
        const auto half = static_cast<std::ptrdiff_t>(reply.size() / 2);
        send(Bytes(reply.begin(), reply.begin() + half), soon);
        const Clock::time_point rest = sent.back().second + ms(uniform(3, 25));
        sent.push_back({Bytes(reply.begin() + half, reply.end()),
                        scheduleAt(Bytes(reply.begin() + half, reply.end()), rest, true)});
        break;
    }
    case Chaos::Doubled:
        send(reply, soon);
        send(reply, soon);
        break;
    case Chaos::OtherAddress: {
        Bytes other = reply;
        if (ascii) {
            other[2] = other[2] == '9' ? '8' : std::uint8_t(other[2] == 'F' ? 'E' : other[2] + 1);
        } else {
            other[0] = std::uint8_t(other[0] + 1);
        }
        send(Reframed(other), soon);
        break;
    }
    case Chaos::Noise: {
        Bytes both = noise(1 + int(random_() % 3));
        both.insert(both.end(), reply.begin(), reply.end());
        send(both, soon);
        break;
    }
    case Chaos::NoiseOnly:
        send(noise(1), heard + ms(timeout * uniform(0.6, 0.9)));
        break;
    }
    if (!options_.truth) return;
    const auto at = [this](Clock::time_point t) {
        return std::to_string(std::chrono::duration<double, std::milli>(t - started_).count());
    };
    std::string line = "{\"n\":" + std::to_string(++requestsHeard_) + ",\"heard\":\"" +
                       HexOf(request) + "\",\"heard_ms\":" + at(heard) + ",\"did\":\"" +
                       ChaosName(chaos) + "\",\"reply\":\"" + HexOf(reply) + "\",\"sent\":[";
    for (std::size_t i = 0; i < sent.size(); ++i)
        line += std::string(i ? "," : "") + "{\"bytes\":\"" + HexOf(sent[i].first) +
                "\",\"ms\":" + at(sent[i].second) + "}";
    options_.truth(line + "]}");
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

void VirtualDevice::respond(ByteView bytes, Clock::time_point heard) {
    for (Bytes& reply : receive(bytes, heard)) {
        if (options_.chaosSeed)
            misbehave(Bytes(bytes.begin(), bytes.end()), std::move(reply), heard);
        else
            schedule(std::move(reply), heard);
    }
}

void VirtualDevice::hear(ByteView bytes, Clock::time_point now) {
    if (options_.echo) put(Bytes(bytes.begin(), bytes.end()), now);
    const int baud = lineSpeed();
    if (baud <= 0) return respond(bytes, now);
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
        for (const auto* next : {&queue_, &heard_, &late_}) {
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
            respond(in.bytes, in.due);
        }
        for (Device& d : devices_)
            d.advance(now);
        while (!late_.empty() && late_.front().due <= now &&
               (queue_.empty() || !queue_.front().rest)) {
            queue_.push_front({now, std::move(late_.front().bytes)});
            late_.pop_front();
        }
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
