// One stepbench-cli "send" from start to exit, against the virtual device at 115200 baud, and
// the same register read by a one-shot libmodbus program (modbus_once) as the baseline; and the
// program answering --version alone.
#include "bench_support.h"
#include "sim/virtual_device.h"

#include <QElapsedTimer>
#include <QProcess>

namespace {

constexpr int kRuns = 50;

// Each run's wall time in ms, and how many ended with status 0.
std::vector<double> Times(const QString& program, const QStringList& args, int* ok) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer clock;
        clock.start();
        QProcess p;
        p.start(program, args);
        p.waitForFinished(5000);
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
        *ok += p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    return times;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    stepbench::sim::VirtualDevice device({.trace = {}});
    if (!device.start()) return 1;
    const QString port = QString::fromStdString(device.path());
    int cliOk = 0, baseOk = 0, versionOk = 0;
    const auto cli = Times(
        STEPBENCH_CLI,
        {"-p", port, "-b", "115200", "--plc", "--value", "send", "query-start-speed"}, &cliOk);
    const auto base = Times(MODBUS_ONCE, {port, "115200"}, &baseOk);
    const auto version = Times(STEPBENCH_CLI, {"--version"}, &versionOk);
    const double median = bench::Percentile(cli, 50);
    const double baseline = bench::Percentile(base, 50);
    bench::Header("One send from start to exit (start-speed read, PLC mode, 115200 baud)");
    bench::Row("stepbench-cli send, median (ms)", bench::Fixed(median, 1),
               std::to_string(cliOk) + "/" + std::to_string(kRuns) + " ok");
    bench::Row("stepbench-cli send, 99th percentile (ms)",
               bench::Fixed(bench::Percentile(cli, 99), 1), "");
    bench::Row("libmodbus one-shot read, median (ms)", bench::Fixed(baseline, 1),
               std::to_string(baseOk) + "/" + std::to_string(kRuns) + " ok");
    bench::Row("ratio of medians", bench::Fixed(median / baseline, 2), "");
    bench::Row("stepbench-cli --version, median (ms)",
               bench::Fixed(bench::Percentile(version, 50), 1), "");
    bench::Reproduce("build/bench/bench_cli_send");
    return cliOk == kRuns && baseOk == kRuns ? 0 : 1;
}
