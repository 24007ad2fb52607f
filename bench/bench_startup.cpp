// From starting the stepbench process to its window shown and the event loop idle.
#include "bench_support.h"

#include <chrono>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono;

int main(int argc, char** argv) {
    const char* app = argc > 1 ? argv[1] : STEPBENCH_APP;
    constexpr int kRuns = 10;
    std::vector<double> times;
    double peakMb = 0;
    for (int i = 0; i < kRuns; ++i) {
        int out[2];
        if (pipe(out) != 0) return 1;
        const auto start = steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            setenv("STEPBENCH_STARTUP_PROBE", "1", 1);
            if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
            execl(app, app, "--simulate", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        char line[16] = {};
        const bool ready =
            read(out[0], line, sizeof line - 1) > 0 && std::strncmp(line, "ready", 5) == 0;
        const double ms = duration<double, std::milli>(steady_clock::now() - start).count();
        close(out[0]);
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        if (!ready) {
            std::fprintf(stderr, "%s did not report ready\n", app);
            return 1;
        }
        times.push_back(ms);
        peakMb = std::max(peakMb, double(usage.ru_maxrss) / 1024.0);
    }
    bench::Header("Start-up of stepbench --simulate (process start to window shown and idle)");
    bench::Row("runs", std::to_string(kRuns), "");
    bench::Row("median (ms)", bench::Fixed(bench::Percentile(times, 50)), "< 300");
    bench::Row("slowest (ms)", bench::Fixed(bench::Percentile(times, 100)), "");
    bench::Row("peak memory (MB)", bench::Fixed(peakMb), "< 80");
    bench::Reproduce("build/bench/bench_startup build/stepbench");
    return 0;
}
