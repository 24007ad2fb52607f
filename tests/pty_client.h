#pragma once

#include "codec/bytes.h"

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

// The far end of a serial line for tests: opens a pseudo-terminal's path raw, writes bytes and
// collects what comes back within a time.
class PtyClient {
public:
    explicit PtyClient(const std::string& path)
        : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        if (fd_ < 0) return;
        termios t{};
        tcgetattr(fd_, &t);
        cfmakeraw(&t);
        tcsetattr(fd_, TCSANOW, &t);
    }
    ~PtyClient() {
        if (fd_ >= 0) close(fd_);
    }
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    bool isOpen() const { return fd_ >= 0; }

    void write(const stepbench::Bytes& bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += std::size_t(n);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    // Everything that arrives until the line has been quiet for `quiet`, or `limit` has passed.
    stepbench::Bytes read(std::chrono::milliseconds quiet = std::chrono::milliseconds(40),
                          std::chrono::milliseconds limit = std::chrono::milliseconds(300)) const {
        stepbench::Bytes out;
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, int(quiet.count())) <= 0) {
                if (!out.empty()) break;
                continue;
            }
            std::uint8_t buffer[1024];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) out.insert(out.end(), buffer, buffer + n);
        }
        return out;
    }

    stepbench::Bytes
    transact(const stepbench::Bytes& frame,
             std::chrono::milliseconds quiet = std::chrono::milliseconds(40)) const {
        write(frame);
        return read(quiet);
    }

private:
    int fd_;
};

// A scripted peer for exact-byte tests: the test holds the master side of a pseudo-terminal and
// the program under test opens path().
class PtyPeer {
public:
    PtyPeer() {
        termios raw{};
        cfmakeraw(&raw);
        char name[128] = {};
        if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) return;
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        for (int fd : {master_, slave_})
            fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) | FD_CLOEXEC);
        path_ = name;
    }
    ~PtyPeer() { hangUp(); }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    const std::string& path() const { return path_; }
    int fd() const { return master_; }
    void write(const stepbench::Bytes& bytes) const {
        if (::write(master_, bytes.data(), bytes.size()) < 0) return;
    }
    // What the program has written so far.
    stepbench::Bytes take() const {
        stepbench::Bytes out;
        std::uint8_t buffer[4096];
        for (ssize_t n; (n = ::read(master_, buffer, sizeof buffer)) > 0;)
            out.insert(out.end(), buffer, buffer + n);
        return out;
    }
    // Closes both ends, as a pulled USB adapter does.
    void hangUp() {
        if (master_ >= 0) close(master_);
        if (slave_ >= 0) close(slave_);
        master_ = slave_ = -1;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};
