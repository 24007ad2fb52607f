// The script runner's send times, as the virtual device receives them, against the schedule the
// script defines (loop interval, delay lines, jumps).
#include "bench_support.h"
#include "codec/hextext.h"
#include "script/step.h"
#include "sim/virtual_device.h"
#include "ui/frm_main.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <chrono>
#include <cmath>
#include <mutex>

using namespace std::chrono;

int main(int argc, char** argv) {
    bench::UseOffscreen();
    QApplication app(argc, argv);
    constexpr int kSends = 300;
    constexpr int kLoop = 20;
    const std::vector<std::string> script = {"01 20 00 39 C0 ", "Delay:35",       "01 26 00 3A 60 ",
                                             "01 28 00 3E 00 ", "Delay:15",       "01 2A 00 3F 60 ",
                                             "GoIdx:0",         "01 2C 00 39 C0 "};

    std::mutex mutex;
    std::vector<steady_clock::time_point> heard;
    stepbench::sim::VirtualDevice device(
        {.replyDelay = milliseconds(0), .trace = [&](const std::string& line) {
             if (!line.starts_with("<-")) return;
             std::lock_guard lock(mutex);
             heard.push_back(steady_clock::now());
         }});
    if (!device.start()) return 1;
    stepbench::FrmMain window;
    window.setPortText(QString::fromStdString(device.path()));
    window.findChild<QAbstractButton*>("Command32")->click();
    if (!window.link().isOpen()) return 1;
    auto* list = window.findChild<QListWidget*>("List1");
    for (const std::string& line : script)
        list->addItem(QString::fromStdString(line));
    window.findChild<QLineEdit*>("Text22")->setText(QString::number(kLoop));

    const auto start = steady_clock::now();
    window.findChild<QAbstractButton*>("Check1")->click();
    QElapsedTimer limit;
    limit.start();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        std::lock_guard lock(mutex);
        if (int(heard.size()) >= kSends || limit.elapsed() > 60000) break;
    }
    window.findChild<QAbstractButton*>("Check1")->click();

    // The schedule: the first step one loop interval after the start, each next step the
    // step's own pause later; the device hears a frame once its last byte is through the line.
    const double baud = window.findChild<QComboBox*>("Combo2")->currentText().toDouble();
    std::vector<double> expected;
    double at = kLoop;
    int index = 0;
    while (int(expected.size()) < kSends) {
        const stepbench::Step step = stepbench::ScriptStep(script, index, kLoop);
        if (step.send)
            expected.push_back(at + double(stepbench::ParseHexText(*step.send).size()) * 10 * 1000 /
                                        baud);
        at += step.interval;
        index = step.nextIndex;
    }
    std::vector<double> errors;
    std::lock_guard lock(mutex);
    for (std::size_t i = 0; i < heard.size() && i < expected.size(); ++i)
        errors.push_back(
            std::fabs(duration<double, std::milli>(heard[i] - start).count() - expected[i]));

    bench::Header("Script schedule (loop 20 ms, delays 35 and 15 ms, a jump)");
    bench::Row("frames sent", std::to_string(errors.size()), "300");
    bench::Row("median |error| (ms)", bench::Fixed(bench::Percentile(errors, 50), 3), "");
    bench::Row("99th percentile |error| (ms)", bench::Fixed(bench::Percentile(errors, 99), 3),
               "< 2");
    bench::Row("largest |error| (ms)", bench::Fixed(bench::Percentile(errors, 100), 3), "");
    bench::Reproduce("build/bench/bench_script_schedule");
    return 0;
}
