// stepbench-sim: the virtual stepper controller on a pseudo-terminal, for any serial program.
#include "sim/protocol_doc.h"
#include "sim/virtual_device.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <poll.h>
#include <string>
#include <unistd.h>

using namespace stepbench::sim;

namespace {

volatile std::sig_atomic_t g_stop = 0;

constexpr const char* kHelp = R"(Usage: stepbench-sim [options]

Simulates a serial-bus stepper motor controller on a pseudo-terminal. The first line of
standard output is the path of the terminal (for example /dev/pts/3): open it as a serial
port at any baud rate. With --tcp it serves on a TCP port instead, as a serial device server
does, and the first line is tcp://HOST:PORT. Serves until SIGINT or SIGTERM.

The device answers its whole command set in RTU (CRC-16) or ASCII (":" ... LRC CR LF)
framing, whichever a request comes in, and Modbus functions 03 and 0x10 at register
(mapping address + command code). On a pseudo-terminal it hears a request only once its last
byte has crossed the line at the baud rate the program set (10 bits a byte), as a device on a
real line does, and answers after its reply delay. Its axis moves in real time (steps, steps/s, steps/s^2);
the home switch is 5000 steps on the positive side of the power-on position, the limit
switches 500000 steps either side.

Motion follows the drive's parameters. A move starts at the start speed, accelerates at the
acceleration up to the maximum speed, and decelerates at the deceleration so as to reach the
end speed at its target, where it stops: a trapezoid, or a triangle when the move is too short
to reach the maximum. A constant-speed run ramps to its speed the same way; a decelerating
stop ramps down to the start speed and stops; an emergency stop stops at once. Homing runs at
the homing speed until the home switch, which becomes position 0. A limit switch that is
active in the direction of travel (at its place, or forced with "left on"/"right on") stops
the axis at once.

Options:
  --address A     bus address in hex, 1-F7 (default 1)
  --addresses A-B a drive at every address from A to B (hex: 1-10 is sixteen drives) on the
                  same line, each with its own settings and axis, answering only to its own
                  address
  --baud B        hear only while the line is set to B baud (default: at any rate)
  --delay MS      reply delay in milliseconds (default 2)
  --split MS      send every reply in two pieces MS milliseconds apart
  --pace [BAUD]   send replies at the line's real speed, 10 bits a byte: at BAUD, or at the
                  baud rate the program on the other end set
  --echo          hand back every byte heard at once, as an RS-485 adapter without echo
                  cancelling does (a request's bytes come back before its reply)
  --drop N        leave every Nth request to the device unanswered (it still acts)
  --corrupt N     damage the checksum of every Nth reply
  --chaos SEED    misbehave at random, from this seed, as a bad line does: each reply comes
                  as it should, or not at all, damaged, late (after --timeout, within twice
                  it), split in two, twice, from another address, after noise, or only noise
                  comes shortly before the timeout
  --timeout MS    the reply timeout of the program on the other end, for --chaos (300)
  --truth FILE    with --chaos, a JSON line per request: what the device heard (and when, in
                  ms since it started), what it did, the reply it would have sent, and what
                  it sent and when
  --tcp HOST:PORT serve on this TCP address (port 0: any free port), one client at a time;
                  a second client is closed at once
  --trace         print every request and reply on standard error
  --protocol      print the device's command set as a Markdown table and exit
  --help          this text

Lines on standard input while it runs:
  in PATTERN      set the inputs, five digits IN5..IN1 (1 = active), e.g. in 00101;
                  a pattern with a stored IO-override entry runs its command
  left on|off     force the left limit switch
  right on|off    force the right limit switch
  status          print the device's state on standard error
)";

void OnSignal(int) {
    g_stop = 1;
}

bool ParseNumber(const char* text, long min, long max, long& out, int base = 10) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, base);
    if (!text[0] || *end || v < min || v > max) return false;
    out = v;
    return true;
}

bool Command(VirtualDevice& device, const std::string& line) {
    const auto now = Device::Clock::now();
    if (line.rfind("in ", 0) == 0 && line.size() == 8 &&
        line.find_first_not_of("01", 3) == std::string::npos) {
        const auto pattern = static_cast<std::uint8_t>(std::stoi(line.substr(3), nullptr, 2));
        device.withDevice([&](Device& d) { d.setInputs(pattern, now); });
    } else if (line == "left on" || line == "left off" || line == "right on" ||
               line == "right off") {
        device.withDevice([&](Device& d) { d.forceLimit(line[0] == 'l', line.ends_with(" on")); });
    } else if (line == "status") {
        std::cerr << device.withDevice([](Device& d) { return d.status(); }) << std::endl;
    } else if (!line.empty()) {
        return false;
    }
    return true;
}

// A bus address in hex, 1 to F7, as the program takes it.
bool ParseAddress(const std::string& text, long& out) {
    return text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos &&
           ParseNumber(text.c_str(), 1, 0xF7, out, 16);
}

// "1-4", "1-1F" (hex): a drive at each address of the range, the first as --address.
bool ParseRange(const std::string& text, DeviceOptions& options) {
    const auto dash = text.find('-');
    long first = 0, last = 0;
    if (dash == std::string::npos || !ParseAddress(text.substr(0, dash), first) ||
        !ParseAddress(text.substr(dash + 1), last) || last < first)
        return false;
    options.address = static_cast<std::uint8_t>(first);
    options.more.clear();
    for (long a = first + 1; a <= last; ++a)
        options.more.push_back(static_cast<std::uint8_t>(a));
    return true;
}

} // namespace

namespace {

// "127.0.0.1:4001", "[::1]:4001" or "localhost:0".
bool ParseHostPort(const std::string& text, std::string& host, long& port) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    return ParseNumber(text.c_str() + colon + 1, 0, 65535, port);
}

} // namespace

int main(int argc, char** argv) {
    DeviceOptions options;
    std::string tcpHost;
    long tcpPort = -1;
    std::string truthPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        long v = 0;
        const char* value = i + 1 < argc ? argv[i + 1] : "";
        if (arg == "--help" || arg == "-h") {
            std::cout << kHelp;
            return 0;
        } else if (arg == "--protocol") {
            std::cout << ProtocolMarkdown();
            return 0;
        } else if (arg == "--trace") {
            options.trace = [](const std::string& s) { std::cerr << s << std::endl; };
        } else if (arg == "--tcp" && ParseHostPort(value, tcpHost, tcpPort)) {
            ++i;
        } else if (arg == "--address" && value && ParseAddress(value, v)) {
            options.address = static_cast<std::uint8_t>(v);
            ++i;
        } else if (arg == "--addresses" && ParseRange(value, options)) {
            ++i;
        } else if (arg == "--baud" && ParseNumber(value, 1, 10000000, v)) {
            options.lineBaud = int(v);
            ++i;
        } else if (arg == "--delay" && ParseNumber(value, 0, 60000, v)) {
            options.replyDelay = std::chrono::milliseconds(v);
            ++i;
        } else if (arg == "--split" && ParseNumber(value, 1, 60000, v)) {
            options.splitPause = std::chrono::milliseconds(v);
            ++i;
        } else if (arg == "--pace") {
            options.pace = true;
            if (ParseNumber(value, 1, 10000000, v)) {
                options.paceBaud = int(v);
                ++i;
            }
        } else if (arg == "--echo") {
            options.echo = true;
        } else if (arg == "--drop" && ParseNumber(value, 1, 1000000, v)) {
            options.dropEvery = int(v);
            ++i;
        } else if (arg == "--corrupt" && ParseNumber(value, 1, 1000000, v)) {
            options.corruptEvery = int(v);
            ++i;
        } else if (arg == "--chaos" && ParseNumber(value, 0, 2147483647, v)) {
            options.chaosSeed = unsigned(v);
            ++i;
        } else if (arg == "--timeout" && ParseNumber(value, 1, 60000, v)) {
            options.chaosTimeout = std::chrono::milliseconds(v);
            ++i;
        } else if (arg == "--truth" && value[0]) {
            truthPath = value;
            ++i;
        } else {
            std::cerr << "stepbench-sim: bad option or value: " << arg << "\n"
                      << "Try stepbench-sim --help\n";
            return 2;
        }
    }

    std::ofstream truth;
    if (!truthPath.empty()) {
        truth.open(truthPath, std::ios::trunc);
        if (!truth) {
            std::cerr << "stepbench-sim: cannot write " << truthPath << "\n";
            return 1;
        }
        // Each line whole on disk as it is told: a reader may follow the file.
        options.truth = [&truth](const std::string& line) { truth << line << std::endl; };
    }
    VirtualDevice device(options);
    std::string error;
    if (!(tcpPort >= 0 ? device.startTcp(tcpHost, int(tcpPort), &error) : device.start(&error))) {
        std::cerr << "stepbench-sim: " << error << std::endl;
        return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::cout << device.path() << std::endl;

    std::string input;
    bool stdinOpen = true;
    while (!g_stop) {
        pollfd pfd{STDIN_FILENO, POLLIN, 0};
        if (!stdinOpen) {
            usleep(100 * 1000);
            continue;
        }
        if (poll(&pfd, 1, 100) <= 0) continue;
        char chunk[256];
        const ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
        // Standard input that ends (a detached run) leaves the device serving.
        if (n <= 0) {
            stdinOpen = false;
            continue;
        }
        input.append(chunk, std::size_t(n));
        for (std::size_t nl; (nl = input.find('\n')) != std::string::npos; input.erase(0, nl + 1)) {
            const std::string line = input.substr(0, nl);
            if (!Command(device, line))
                std::cerr << "unknown: " << line << " (see --help)" << std::endl;
        }
    }
    device.stop();
    return 0;
}
