// Sends to the virtual device at 115200 baud (start-speed read, PLC mode) three ways: each in
// a session of stepbench-cli (one process, the port kept open, a line in and its answer out
// before the next), each as a one-shot stepbench-cli send from start to exit, and each as a
// one-shot libmodbus read (modbus_once), the baseline; and the program answering --version.
// Usage: bench_cli_send [SENDS] (1000)
#include "bench_support.h"
#include "sim/virtual_device.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {

// The silence the line keeps before each request: 3.5 characters, and at least 2 ms (as the
// program keeps it); at 115200 baud the 2 ms.
constexpr double kSilenceMs = 2.0;

// Each run's wall time in ms, and how many ended with status 0.
std::vector<double> Times(const QString& program, const QStringList& args, int runs, int* ok) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
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

struct SessionTimes {
    std::vector<double> perSend;   // from the line written to its answer read, ms
    std::vector<double> roundTrip; // the line's own: the request leaving to the reply's end
    double startMs = 0;            // from start to the first answer
    int ok = 0;
};

SessionTimes Session(const QString& port, int sends) {
    SessionTimes t;
    QElapsedTimer clock;
    clock.start();
    QProcess p;
    p.start(STEPBENCH_CLI, {"-p", port, "-b", "115200", "--plc", "--json", "session"});
    if (!p.waitForStarted()) return t;
    for (int i = 0; i < sends; ++i) {
        const qint64 asked = clock.nsecsElapsed();
        p.write("send query-start-speed\n");
        QByteArray answer;
        while (!answer.endsWith('\n') && p.waitForReadyRead(5000))
            answer += p.readAllStandardOutput();
        const qint64 answered = clock.nsecsElapsed();
        if (i == 0) t.startMs = double(answered) / 1e6;
        t.perSend.push_back(double(answered - asked) / 1e6);
        const QJsonObject o = QJsonDocument::fromJson(answer).object();
        t.ok += o["verdict"].toString() == "ok";
        t.roundTrip.push_back(o["round_trip_ms"].toDouble());
    }
    p.write("quit\n");
    p.waitForFinished(5000);
    return t;
}

std::string Count(int ok, int runs) {
    return std::to_string(ok) + "/" + std::to_string(runs) + " ok";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int sends = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    stepbench::sim::VirtualDevice device({.trace = {}});
    if (!device.start()) return 1;
    const QString port = QString::fromStdString(device.path());
    const SessionTimes session = Session(port, sends);
    int cliOk = 0, baseOk = 0, versionOk = 0;
    const auto cli =
        Times(STEPBENCH_CLI,
              {"-p", port, "-b", "115200", "--plc", "--value", "send", "query-start-speed"}, sends,
              &cliOk);
    const auto base = Times(MODBUS_ONCE, {port, "115200"}, sends, &baseOk);
    const auto version = Times(STEPBENCH_CLI, {"--version"}, 50, &versionOk);
    std::vector<double> overhead;
    for (std::size_t i = 0; i < session.perSend.size(); ++i)
        overhead.push_back(session.perSend[i] - session.roundTrip[i] - kSilenceMs);
    const double median = bench::Percentile(cli, 50);
    const double baseline = bench::Percentile(base, 50);
    bench::Header(("Sends of a start-speed read, PLC mode, 115200 baud, " + std::to_string(sends) +
                   " each way")
                      .c_str());
    bench::Row("session: per send, median (ms)",
               bench::Fixed(bench::Percentile(session.perSend, 50), 2), Count(session.ok, sends));
    bench::Row("session: per send, 99th percentile (ms)",
               bench::Fixed(bench::Percentile(session.perSend, 99), 2), "");
    bench::Row("session: the line's round trip, median (ms)",
               bench::Fixed(bench::Percentile(session.roundTrip, 50), 2), "");
    bench::Row("session: beyond the line's and 2 ms silence (ms)",
               bench::Fixed(bench::Percentile(overhead, 50), 2), "well under 1");
    bench::Row("session: start to first answer (ms)", bench::Fixed(session.startMs, 1), "");
    bench::Row("one-shot stepbench-cli send, median (ms)", bench::Fixed(median, 1),
               Count(cliOk, sends));
    bench::Row("one-shot stepbench-cli send, 99th pct (ms)",
               bench::Fixed(bench::Percentile(cli, 99), 1), "");
    bench::Row("one-shot libmodbus read, median (ms)", bench::Fixed(baseline, 1),
               Count(baseOk, sends));
    bench::Row("one-shot send / libmodbus, medians", bench::Fixed(median / baseline, 2), "");
    bench::Row("stepbench-cli --version, median (ms)",
               bench::Fixed(bench::Percentile(version, 50), 1), "");
    bench::Reproduce("build/bench/bench_cli_send");
    return session.ok == sends && cliOk == sends && baseOk == sends ? 0 : 1;
}
