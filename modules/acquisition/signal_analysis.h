#ifndef SIGNAL_ANALYSIS_H
#define SIGNAL_ANALYSIS_H

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "analysis_window.h"

// Analysis of one channel's drained samples (volts, sampled at rateHz).
//
// Owned and called by one thread (the display pass).  Keeps a small cache of
// FFTW plans and aligned buffers per transform length, since the length
// varies with how many frames a pass drains (1..8 frames): plans are made
// once per length, not per call.  Plan creation and destruction take FFTW's
// planner lock, a process-wide mutex (the planner is not thread-safe), and
// nothing else; execution takes no lock.  Analyzers in different threads are
// independent.
class SignalAnalyzer {
public:
    SignalAnalyzer();
    // Destroys its plans under the planner lock.
    ~SignalAnalyzer();
    SignalAnalyzer(const SignalAnalyzer&) = delete;
    SignalAnalyzer& operator=(const SignalAnalyzer&) = delete;

    // Hz of the strongest non-DC line of the n samples: (peak bin) * rateHz / n,
    // the first of equal maxima, no interpolation.  0 for n == 0 (and for a
    // length FFTW cannot plan).
    double estimateFrequency(const double* samples, std::size_t n, double rateHz);
    // (RMS of the alternating part in V, frequency in Hz): the frequency from
    // all n samples, the window-weighted mean and RMS from at most the
    // window's length of them.  (0, 0) for n == 0.
    std::pair<double, double> analyzeAc(const double* samples, std::size_t n, const AnalysisWindow& window,
                                        double rateHz);
    // Window-weighted mean in V over at most the window's length of the n
    // samples; 0 when none is used.
    double analyzeDc(const double* samples, std::size_t n, const AnalysisWindow& window) const;

    // Lengths with a plan at once; the least recently used one is dropped
    // beyond this.
    static constexpr std::size_t cachedLengths = 8;

private:
    struct Transform;
    // The cached transform of length n, planned now if missing; null when
    // FFTW refuses or memory runs out.
    Transform* transformFor(std::size_t n);

    std::vector<Transform> transforms; // at most cachedLengths
    std::uint64_t useClock = 0;        // stamps of last use, for eviction
};

// One-off convenience for callers without an analyzer (tests): the same
// result as SignalAnalyzer::estimateFrequency, with a plan made for the call.
// Any thread; takes the planner lock twice.
double estimateFrequency(const std::vector<double>& v, double rateHz);

#endif // SIGNAL_ANALYSIS_H
