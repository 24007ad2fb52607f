// A peer writes at 115200 baud's line rate into the window's open port; nothing may be lost and
// the window should stay nearly idle. The peer sends the device's own replies back to back, or
// random bytes with --random (half of which the text echo shows as CJK characters, the costly
// case for text layout).
#include "bench_support.h"
#include "ui/frm_main.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono;

int main(int argc, char** argv) {
    bench::UseOffscreen();
    QApplication app(argc, argv);
    const double seconds = bench::SecondsArg(argc, argv, 30);
    bool random = false;
    for (int i = 1; i < argc; ++i)
        random = random || std::string(argv[i]) == "--random";
    // Replies as the device sends them: a speed value, a motion state, the inputs, an ack.
    const std::vector<unsigned char> replies = {
        0x01, 0x26, 0x04, 0x00, 0x00, 0x00, 0x64, 0xFC, 0xED, 0x01, 0x3B,
        0x04, 0x01, 0x01, 0x01, 0x01, 0x6E, 0xE7, 0x01, 0x42, 0x05, 0x01,
        0x01, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x20, 0x00, 0x39, 0xC0};
    constexpr int kBytesPerSecond = 11520; // 115200 baud, 10 bits a byte
    constexpr auto kSlice = milliseconds(10);

    termios raw{};
    cfmakeraw(&raw);
    int master = -1, slave = -1;
    char name[128] = {};
    if (openpty(&master, &slave, name, &raw, nullptr) != 0) return 1;

    stepbench::FrmMain window;
    window.setPortText(name);
    window.findChild<QAbstractButton*>("Command32")->click();
    if (!window.link().isOpen()) return 1;
    // Counted as the window is handed them: cut into frames and noise, every byte once.
    long long counted = 0;
    QObject::connect(
        &window.queue(), &stepbench::TransactionQueue::pieceReceived,
        [&counted](const stepbench::Piece& p) { counted += qsizetype(p.bytes.size()); });

    std::atomic<long long> written{0};
    std::atomic<double> writerCpu{0};
    std::thread writer([&] {
        const auto start = steady_clock::now();
        const auto end = start + duration_cast<steady_clock::duration>(duration<double>(seconds));
        std::vector<unsigned char> chunk(kBytesPerSecond / 100);
        std::size_t at = 0;
        auto next = start;
        while (next < end) {
            for (auto& b : chunk)
                b = random ? static_cast<unsigned char>(QRandomGenerator::global()->bounded(256))
                           : replies[at++ % replies.size()];
            std::size_t done = 0;
            while (done < chunk.size()) {
                const ssize_t n = write(master, chunk.data() + done, chunk.size() - done);
                if (n > 0)
                    done += std::size_t(n);
                else
                    std::this_thread::sleep_for(milliseconds(1));
            }
            written += long(chunk.size());
            next += kSlice;
            std::this_thread::sleep_until(next);
        }
        writerCpu = bench::ThreadCpuSeconds();
    });

    // The longest the event loop was away: a 10 ms heartbeat should keep coming.
    QElapsedTimer sinceBeat;
    sinceBeat.start();
    qint64 longestAway = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout,
                     [&] { longestAway = std::max(longestAway, sinceBeat.restart()); });
    heartbeat.start(10);

    const double cpuBefore = bench::ProcessCpuSeconds();
    const auto wallStart = steady_clock::now();
    QTimer done;
    done.setSingleShot(true);
    QObject::connect(&done, &QTimer::timeout, &app, &QApplication::quit);
    done.start(int(seconds * 1000) + 500); // the last polls drain the line
    QApplication::exec();
    writer.join();
    const double wall = duration<double>(steady_clock::now() - wallStart).count();
    const double cpu = bench::ProcessCpuSeconds() - cpuBefore - writerCpu;

    bench::Header(random ? "Receive flood at 115200 baud, random bytes"
                         : "Receive flood at 115200 baud, device replies back to back");
    bench::Row("duration (s)", bench::Fixed(seconds, 0), "30");
    bench::Row("bytes written by the peer", std::to_string(written.load()), "");
    bench::Row("bytes counted by the receive path", std::to_string(counted), "equal");
    bench::Row("bytes lost", std::to_string(written.load() - counted), "0");
    bench::Row("window CPU per wall second (% of a core)", bench::Fixed(100 * cpu / wall, 2),
               "< 3 %");
    bench::Row("longest the event loop was away (ms)", std::to_string(longestAway), "< 250");
    bench::Row("peak memory (MB)", bench::Fixed(bench::PeakMemoryMb()), "");
    bench::Reproduce(random ? "build/bench/bench_receive_flood --seconds 30 --random"
                            : "build/bench/bench_receive_flood --seconds 30");
    close(master);
    close(slave);
    return written.load() == counted ? 0 : 1;
}
