// From a sender's click to its report line in the receive log, against the virtual device at
// 115200 baud with a 2 ms reply delay; then the same request's round trip through libmodbus
// (function 03 in PLC mode, against the same device) as the baseline.
#include "bench_support.h"
#include "sim/virtual_device.h"
#include "ui/frm_main.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <modbus.h>

using namespace std::chrono_literals;

namespace {

constexpr int kRequests = 200;

// The time of one libmodbus read of the start speed (two registers at 0x26), in ms each.
std::vector<double> LibmodbusRoundTrips(const std::string& path) {
    std::vector<double> times;
    modbus_t* ctx = modbus_new_rtu(path.c_str(), 115200, 'N', 8, 1);
    if (!ctx) return times;
    modbus_set_slave(ctx, 1);
    if (modbus_connect(ctx) != 0) {
        modbus_free(ctx);
        return times;
    }
    std::uint16_t registers[2];
    QElapsedTimer clock;
    for (int i = 0; i < kRequests; ++i) {
        clock.start();
        if (modbus_read_registers(ctx, 0x26, 2, registers) == 2)
            times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    modbus_close(ctx);
    modbus_free(ctx);
    return times;
}

// Runs the event loop for a while, as a person's pause between clicks.
void Pause(int ms) {
    QElapsedTimer pause;
    pause.start();
    while (pause.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

} // namespace

int main(int argc, char** argv) {
    bench::UseOffscreen();
    QApplication app(argc, argv);

    stepbench::sim::VirtualDevice device({.replyDelay = 2ms, .trace = {}});
    if (!device.start()) return 1;
    std::vector<double> latencies;
    {
        stepbench::FrmMain window;
        window.setPortText(QString::fromStdString(device.path()));
        window.findChild<QComboBox*>("Combo2")->setEditText("115200");
        window.findChild<QAbstractButton*>("Command32")->click();
        if (!window.link().isOpen()) return 1;
        auto* query = window.findChild<QAbstractButton*>("Command57"); // start-speed query
        auto* log = window.findChild<QPlainTextEdit*>("RichTextBox1");

        QElapsedTimer clock;
        for (int i = 0; i < kRequests; ++i) {
            log->clear();
            clock.start();
            query->click();
            while (!log->toPlainText().contains("查询运动初速度:") && clock.elapsed() < 1000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
            latencies.push_back(double(clock.nsecsElapsed()) / 1e6);
            Pause(30);
        }
    }
    const std::vector<double> baseline = LibmodbusRoundTrips(device.path());

    const double median = bench::Percentile(latencies, 50);
    const double base = bench::Percentile(baseline, 50);
    bench::Header("Click to report line (start-speed query, 115200 baud, device answers in 2 ms)");
    bench::Row("requests", std::to_string(kRequests), "200");
    bench::Row("median (ms)", bench::Fixed(median, 2), "<= 5");
    bench::Row("99th percentile (ms)", bench::Fixed(bench::Percentile(latencies, 99), 2), "<= 10");
    bench::Row("slowest (ms)", bench::Fixed(bench::Percentile(latencies, 100), 2), "");
    bench::Row("libmodbus read, median (ms)", baseline.empty() ? "failed" : bench::Fixed(base, 2),
               "baseline");
    bench::Row("libmodbus read, 99th percentile (ms)",
               baseline.empty() ? "failed" : bench::Fixed(bench::Percentile(baseline, 99), 2), "");
    bench::Row("ratio of medians (tool / libmodbus)",
               baseline.empty() ? "-" : bench::Fixed(median / base, 2), "<= 1.2");
    bench::Reproduce("build/bench/bench_click_to_report");
    return 0;
}
