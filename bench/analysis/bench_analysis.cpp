// Time of one AC and one DC analysis of a channel's drained samples, in ns
// per sample, for one frame of N samples.  Prints "<kind> <N> <median>
// <minimum>" lines (ns/sample); run.sh sets them beside numpy's time for the
// same work.  The minimum says more than the median when other processes
// share the machine.

#include "analysis_window.h"
#include "signal_analysis.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Median and minimum over repetitions: at least 30, and at least 0.5 s of
// work.  Only the analysis is timed.  The analyzer is warm, as in the
// display pass, which drains the same lengths pass after pass: its plan for
// N is made before the clock starts.
struct Timing {
    double median;
    double minimum;
};

template <typename Analysis> Timing nsPerSample(std::size_t n, Analysis analysis) {
    std::vector<double> times;
    double sink = analysis();
    const Clock::time_point begin = Clock::now();
    while (times.size() < 30 || Clock::now() - begin < std::chrono::milliseconds(500)) {
        const Clock::time_point t0 = Clock::now();
        sink += analysis();
        const Clock::time_point t1 = Clock::now();
        times.push_back(std::chrono::duration<double, std::nano>(t1 - t0).count());
    }
    std::sort(times.begin(), times.end());
    if (std::isnan(sink))
        std::fprintf(stderr, "analysis produced NaN\n");
    const double count = static_cast<double>(n);
    return {times[times.size() / 2] / count, times.front() / count};
}

} // namespace

int main() {
    const double rateHz = 25000.0;
    std::mt19937_64 gen(7);
    std::normal_distribution<double> noise(0.0, 0.01);
    SignalAnalyzer analyzer;
    for (int n : {5000, 6250, 200000}) {
        const AnalysisWindow window = buildAnalysisWindow(n);
        std::vector<double> samples(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i)
            samples[static_cast<std::size_t>(i)] =
                0.3 + std::sin(2.0 * M_PI * 20.0 * i / rateHz) + noise(gen);
        const Timing ac = nsPerSample(samples.size(), [&] {
            const std::pair<double, double> r =
                analyzer.analyzeAc(samples.data(), samples.size(), window, rateHz);
            return r.first + r.second;
        });
        const Timing dc = nsPerSample(
            samples.size(), [&] { return analyzer.analyzeDc(samples.data(), samples.size(), window); });
        std::printf("ac %d %.3f %.3f\n", n, ac.median, ac.minimum);
        std::printf("dc %d %.3f %.3f\n", n, dc.median, dc.minimum);
    }
    return 0;
}
