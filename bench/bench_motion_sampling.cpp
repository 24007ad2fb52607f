// The motion view sampling at 20 Hz against the virtual device at 115200 baud for 10 minutes
// while the drive moves to and fro: the rate achieved, the window's CPU, and whether memory stays
// flat once the first minute has filled the plots. With --drives N (up to 4), N drives on the one
// line are sampled in turn and all move at once (a broadcast move).
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
#include <algorithm>
#include <fstream>
#include <map>

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
    int drives = 1;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--drives") drives = std::clamp(std::atoi(argv[i + 1]), 1, 4);

    stepbench::sim::DeviceOptions options;
    for (int a = 2; a <= drives; ++a)
        options.more.push_back(std::uint8_t(a));
    stepbench::sim::VirtualDevice device(options);
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
    if (!getenv("HIDE")) tabs->setCurrentWidget(view);
    if (drives > 1) {
        window.findChild<QLineEdit*>("TextSampleAddresses")->setText(QString("1-%1").arg(drives));
        window.findChild<QLineEdit*>("Text4")->setText("0");
    }
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
    const double span = view->record().samples().back().seconds;
    const double rate = samples / span / drives;
    std::map<int, int> perDrive;
    for (const auto& sample : view->record().samples())
        ++perDrive[int(sample.address)];
    double slowest = rate;
    for (const auto& [address, count] : perDrive)
        slowest = std::min(slowest, double(count) / span);

    const std::string title =
        drives == 1 ? "Motion view sampling at 20 Hz, 115200 baud, the drive moving to and fro"
                    : "Motion view sampling " + std::to_string(drives) +
                          " drives at 20 Hz, 115200 baud, all moving to and fro";
    bench::Header(title.c_str());
    bench::Row("duration (s)", bench::Fixed(wall, 0), "600");
    bench::Row("samples", bench::Fixed(samples, 0), "");
    bench::Row("rate achieved per drive (Hz)", bench::Fixed(rate, 2), ">= 19.5");
    bench::Row("slowest drive (Hz)", bench::Fixed(slowest, 2), ">= 19.5");
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
    bench::Reproduce("build/bench/bench_motion_sampling [--seconds 600] [--drives 4]");
    return slowest >= 19.5 ? 0 : 1;
}
