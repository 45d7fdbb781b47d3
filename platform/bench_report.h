// One line of the benchmark table for scripts/bench: every benchmark prints,
// besides its own report, one such line per figure it has a goal for.
//
//   BENCH|metric|this system|its reference|ratio|goal|met
//
// The ratio is this system's figure over its reference's, measured side by
// side in the same run; the goal is a range for that ratio. A figure without a
// goal shows "none set" and "-".
#pragma once

#include <time.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace platform {

struct BenchGoal {
    double most = 0;   // the ratio may be at most this (0: no goal is set)
    double least = 0;  // and at least this (0: no lower bound)
};

// The processor time of the calling thread, as a std::chrono clock. Work on one
// thread is timed by it: the machine's other load then adds almost nothing,
// where wall time would count every time slice given to other processes.
struct ThreadClock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<ThreadClock>;
    static constexpr bool is_steady = true;
    static time_point now() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return time_point(duration(static_cast<rep>(t.tv_sec) * 1000000000 + t.tv_nsec));
    }
};

// Three significant digits or more, never an exponent.
inline std::string BenchFigure(double value, const std::string& unit) {
    char text[64];
    const char* format = value >= 100  ? "%.0f %s"
                         : value >= 10 ? "%.1f %s"
                         : value >= 1  ? "%.2f %s"
                                       : "%.3f %s";
    std::snprintf(text, sizeof text, format, value, unit.c_str());
    return text;
}

// Prints the line and returns whether the goal was met (true when none is set). `unit` follows both
// figures.
inline bool PrintBenchRow(const std::string& metric, double ours, double reference,
                          const std::string& unit, BenchGoal goal) {
    const double ratio = reference > 0 ? ours / reference : 0;
    const bool met = reference > 0 && ratio <= goal.most && ratio >= goal.least;
    char range[64];
    if (goal.most <= 0)
        std::snprintf(range, sizeof range, "none set");
    else if (goal.least > 0)
        std::snprintf(range, sizeof range, "%.2f..%.2f", goal.least, goal.most);
    else
        std::snprintf(range, sizeof range, "<= %.2f", goal.most);
    std::printf("BENCH|%s|%s|%s|%.2f|%s|%s\n", metric.c_str(), BenchFigure(ours, unit).c_str(),
                BenchFigure(reference, unit).c_str(), ratio, range,
                goal.most <= 0 ? "-"
                : met          ? "met"
                               : "NOT MET");
    std::fflush(stdout);
    return goal.most <= 0 || met;
}

}  // namespace platform
