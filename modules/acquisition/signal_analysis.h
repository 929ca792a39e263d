#ifndef SIGNAL_ANALYSIS_H
#define SIGNAL_ANALYSIS_H

#include <cstddef>
#include <utility>
#include <vector>

#include "analysis_window.h"

// Analysis of one channel's drained samples.  Owned and called by one thread
// (the display pass).
class SignalAnalyzer {
public:
    SignalAnalyzer() = default;
    SignalAnalyzer(const SignalAnalyzer&) = delete;
    SignalAnalyzer& operator=(const SignalAnalyzer&) = delete;
    double estimateFrequency(const double* samples, std::size_t n, double rateHz);
    std::pair<double, double> analyzeAc(const double* samples, std::size_t n, const AnalysisWindow& window,
                                        double rateHz);
    double analyzeDc(const double* samples, std::size_t n, const AnalysisWindow& window) const;
};

double estimateFrequency(const std::vector<double>& v, double rateHz);

#endif // SIGNAL_ANALYSIS_H
