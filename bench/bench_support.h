#pragma once

#include "link/transaction_queue.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <sys/resource.h>
#include <vector>

// Shared by the benchmarks: run headless, measure CPU and memory, print a table.
namespace bench {

// Set up as the programs' main() does, offscreen unless told otherwise.
inline void UseOffscreen() {
    stepbench::ReadTimeZoneOnce();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

inline double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

inline double ProcessCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

inline double PeakMemoryMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

// The p-th percentile (0..100) of the values, nearest rank.
inline double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto rank =
        static_cast<std::size_t>(std::max(1.0, p / 100.0 * double(v.size()) + 0.999999));
    return v[std::min(v.size(), rank) - 1];
}

inline void Row(const std::string& measure, const std::string& value, const std::string& goal) {
    std::printf("| %-40s | %14s | %-22s |\n", measure.c_str(), value.c_str(), goal.c_str());
}

inline void Header(const char* title) {
    std::printf("\n%s\n\n", title);
    Row("measure", "value", "goal");
    std::printf("|%s|%s|%s|\n", std::string(42, '-').c_str(), std::string(16, '-').c_str(),
                std::string(24, '-').c_str());
}

inline std::string Fixed(double v, int decimals = 1) {
    char s[64];
    std::snprintf(s, sizeof s, "%.*f", decimals, v);
    return s;
}

inline void Reproduce(const char* command) {
    std::printf("\nreproduce: %s\n", command);
}

// Seconds from the command line ("--seconds N"), or the default.
inline double SecondsArg(int argc, char** argv, double fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--seconds") return std::atof(argv[i + 1]);
    return fallback;
}

} // namespace bench
