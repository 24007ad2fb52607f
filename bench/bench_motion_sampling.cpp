// The motion view sampling at 20 Hz against the virtual device at 115200 baud for 10 minutes
// while the drive moves to and fro: the rate achieved, the window's CPU, and whether memory stays
// flat once the first minute has filled the plots.
#include "bench_support.h"
#include "sim/virtual_device.h"
#include "ui/frm_main.h"
#include "ui/motion_view.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <fstream>

namespace {

double ResidentMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

} // namespace

int main(int argc, char** argv) {
    bench::UseOffscreen();
    QApplication app(argc, argv);
    const double seconds = bench::SecondsArg(argc, argv, 600);

    stepbench::sim::VirtualDevice device;
    if (!device.start()) return 1;
    stepbench::FrmMain window;
    const auto click = [&](const char* name) { window.findChild<QAbstractButton*>(name)->click(); };
    window.setPortText(QString::fromStdString(device.path()));
    window.findChild<QComboBox*>("Combo2")->setEditText("115200");
    window.resize(1366, 768);
    window.show();
    click("Command32");
    if (!window.link().isOpen()) return 1;
    auto* tabs = window.findChild<QTabWidget*>("SSTab1");
    auto* view = window.findChild<stepbench::MotionView*>("MotionView");
    tabs->setCurrentWidget(view);
    click("CheckSampling");

    QElapsedTimer clock;
    clock.start();
    const double cpuStart = bench::ThreadCpuSeconds();
    double rssAtMinute = 0, cpuAfterMinute = 0;
    int direction = 1;
    const auto move = [&] {
        window.findChild<QLineEdit*>("Text8")->setText(QString::number(direction * 20000));
        click("Command18");
        direction = -direction;
    };
    QTimer mover;
    QObject::connect(&mover, &QTimer::timeout, move);
    mover.start(6000);
    move();
    QTimer::singleShot(int(std::min(60.0, seconds / 2) * 1000), [&] {
        rssAtMinute = ResidentMb();
        cpuAfterMinute = bench::ThreadCpuSeconds();
    });
    QTimer::singleShot(int(seconds * 1000), &app, &QApplication::quit);
    QApplication::exec();
    const double wall = double(clock.elapsed()) / 1000;
    const double samples = double(view->record().samples().size());
    const double rate = samples / view->record().samples().back().seconds;

    bench::Header("Motion view sampling at 20 Hz, 115200 baud, the drive moving to and fro");
    bench::Row("duration (s)", bench::Fixed(wall, 0), "600");
    bench::Row("samples", bench::Fixed(samples, 0), "");
    bench::Row("rate achieved (Hz)", bench::Fixed(rate, 2), ">= 19.5");
    bench::Row("window CPU (% of a core)",
               bench::Fixed(100 * (bench::ThreadCpuSeconds() - cpuStart) / wall, 2), "< 5 %");
    bench::Row("window CPU after the first minute (%)",
               bench::Fixed(100 * (bench::ThreadCpuSeconds() - cpuAfterMinute) /
                                (wall - std::min(60.0, seconds / 2)),
                            2),
               "< 5 %");
    bench::Row("resident memory at 1 min (MB)", bench::Fixed(rssAtMinute), "");
    bench::Row("resident memory at the end (MB)", bench::Fixed(ResidentMb()), "flat");
    bench::Row("peak memory (MB)", bench::Fixed(bench::PeakMemoryMb()), "");
    bench::Reproduce("build/bench/bench_motion_sampling [--seconds 600]");
    return rate >= 19.5 ? 0 : 1;
}
