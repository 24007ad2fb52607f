// stepbench-cli run --loops 0 for a long run: its resident memory after 10,000, 50,000 and
// 100,000 transactions against the virtual device at 115200 baud (with a JUnit report and a
// traffic log, which keep their records on disk, not in memory).
#include "bench_support.h"
#include "sim/virtual_device.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <thread>

namespace {

double ResidentMb(qint64 pid) {
    QFile status(QString("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ')[0].toDouble() / 1024;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    long total = 100000;
    for (int i = 1; i + 1 < argc; ++i)
        if (QByteArray(argv[i]) == "--transactions") total = std::atol(argv[i + 1]);
    std::atomic<long> heard{0};
    stepbench::sim::DeviceOptions options;
    options.trace = [&heard](const std::string& line) {
        if (line.starts_with("<-")) ++heard;
    };
    stepbench::sim::VirtualDevice device(options);
    if (!device.start()) return 1;
    QTemporaryDir dir;
    QFile script(dir.filePath("loop.txt"));
    script.open(QIODevice::WriteOnly);
    script.write("01 26 00 3A 60\r\nExpect:value=100\r\n01 37 00 36 30\r\n");
    script.close();
    QProcess cli;
    cli.setStandardOutputFile(QProcess::nullDevice());
    cli.start(STEPBENCH_CLI, {"-p", QString::fromStdString(device.path()), "-b", "115200", "-q",
                              "--log", dir.filePath("log.csv"), "run", script.fileName(), "--loops",
                              "0", "--interval", "1", "--junit", dir.filePath("report.xml")});
    if (!cli.waitForStarted()) return 1;
    bench::Header("stepbench-cli run --loops 0: resident memory as transactions add up");
    QElapsedTimer clock;
    clock.start();
    std::vector<std::pair<long, double>> seen;
    for (long mark : {1000L, 10000L, 50000L, total}) {
        if (mark > total) continue;
        while (heard < mark && cli.state() == QProcess::Running)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        seen.push_back({mark, ResidentMb(cli.processId())});
        bench::Row(std::to_string(mark) + " transactions: resident (MB)",
                   bench::Fixed(seen.back().second, 1), "flat");
    }
    cli.terminate();
    cli.waitForFinished(10000);
    const double growth = seen.back().second - seen[1].second;
    bench::Row("growth from 10,000 on (MB)", bench::Fixed(growth, 1), "< 2");
    bench::Row("seconds", bench::Fixed(double(clock.elapsed()) / 1000, 0), "");
    bench::Reproduce("build/bench/bench_cli_memory [--transactions N]");
    return growth < 2 ? 0 : 1;
}
