// From a sender's click to its report line in the receive log, against the virtual device.
#include "bench_support.h"
#include "sim/pty_device.h"
#include "ui/frm_main.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QPlainTextEdit>

using namespace std::chrono_literals;

int main(int argc, char** argv) {
    bench::UseOffscreen();
    QApplication app(argc, argv);
    constexpr int kRequests = 200;

    stepbench::sim::PtyDevice device({.replyDelay = 0ms, .trace = {}});
    if (!device.start()) return 1;
    stepbench::FrmMain window;
    window.setPortText(QString::fromStdString(device.path()));
    window.findChild<QAbstractButton*>("Command32")->click();
    if (!window.link().isOpen()) return 1;
    auto* query = window.findChild<QAbstractButton*>("Command57"); // start-speed query
    auto* log = window.findChild<QPlainTextEdit*>("RichTextBox1");

    // The window decodes each poll's bytes before this later connection sees them.
    QElapsedTimer clock;
    bool reported = false;
    QObject::connect(&window.link(), &stepbench::SerialLink::received,
                     [&] { reported = log->toPlainText().contains("查询运动初速度:"); });

    std::vector<double> latencies;
    for (int i = 0; i < kRequests; ++i) {
        log->clear();
        reported = false;
        clock.start();
        query->click();
        while (!reported && clock.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        latencies.push_back(double(clock.nsecsElapsed()) / 1e6);
        // Clicks come at a person's pace, after the last poll of the exchange.
        QElapsedTimer pause;
        pause.start();
        while (pause.elapsed() < 30)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }

    const double median = bench::Percentile(latencies, 50);
    const double p99 = bench::Percentile(latencies, 99);
    bench::Header("Click to report line (start-speed query, device answers at once)");
    bench::Row("requests", std::to_string(kRequests), "200");
    bench::Row("median (ms)", bench::Fixed(median, 2), "18-22 (first poll 20)");
    bench::Row("99th percentile (ms)", bench::Fixed(p99, 2), "< 30");
    bench::Row("slowest (ms)", bench::Fixed(bench::Percentile(latencies, 100), 2), "");
    bench::Reproduce("build/bench/bench_click_to_report");
    return 0;
}
