#include "signal_analysis.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <mutex>

namespace {

// FFTW's planner keeps global state: plan creation and destruction must not
// run in two threads at once.  Execution of a finished plan needs no lock.
std::mutex& fftwPlannerMutex() {
    static std::mutex mutex;
    return mutex;
}

double weightedMean(const double* x, std::size_t n, const AnalysisWindow& window) {
    const std::size_t used = std::min(n, window.values.size());
    if (used == 0)
        return 0.0;
    const double* w = window.values.data();
    double sum = 0.0;
    for (std::size_t i = 0; i < used; ++i)
        sum += x[i] * w[i] / window.windowMean;
    return sum / static_cast<double>(used);
}

} // namespace

// Any thread; takes the planner mutex around plan creation and destruction.
double SignalAnalyzer::estimateFrequency(const double* v, std::size_t size, double rateHz) {
    if (size == 0 || size > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return 0.0;
    const int n = static_cast<int>(size);

    double* in = fftw_alloc_real(size);
    double* out = fftw_alloc_real(size);
    if (!in || !out) {
        fftw_free(out);
        fftw_free(in);
        return 0.0;
    }
    std::copy(v, v + size, in);

    fftw_plan plan;
    {
        std::lock_guard<std::mutex> lock(fftwPlannerMutex());
        plan = fftw_plan_r2r_1d(n, in, out, FFTW_R2HC, FFTW_ESTIMATE);
    }
    if (!plan) {
        fftw_free(out);
        fftw_free(in);
        return 0.0;
    }
    fftw_execute(plan);

    // Magnitudes of bins 1 .. n/2 from the half-complex order r0, r1, ...,
    // r(n/2), i((n+1)/2 - 1), ..., i1; the DC term takes no part.  The first
    // of equal magnitudes wins.  For the complex bins the squared magnitude
    // is compared first and the root taken only for a candidate: sqrt is
    // monotonic, so a square not above the peak's square cannot have a
    // greater root, and a candidate must still beat the peak's root, so ties
    // fall exactly as with every magnitude stored.
    std::size_t peak = 0;
    bool havePeak = false;
    double peakSquare = 0.0;
    double peakMagnitude = 0.0;
    const std::size_t complexBins = (size + 1) / 2 - 1;
    for (std::size_t k = 1; k <= complexBins; ++k) {
        const double square = out[k] * out[k] + out[size - k] * out[size - k];
        if (havePeak && !(square > peakSquare))
            continue;
        const double magnitude = std::sqrt(square);
        if (!havePeak || magnitude > peakMagnitude) {
            peak = k - 1;
            peakSquare = square;
            peakMagnitude = magnitude;
            havePeak = true;
        }
    }
    // The highest bin of an even n has no imaginary part.
    if (size % 2 == 0) {
        const double magnitude = std::fabs(out[size / 2]);
        if (!havePeak || magnitude > peakMagnitude)
            peak = size / 2 - 1;
    }

    {
        std::lock_guard<std::mutex> lock(fftwPlannerMutex());
        fftw_destroy_plan(plan);
    }
    fftw_free(out);
    fftw_free(in);

    return static_cast<double>(peak + 1) * rateHz / n;
}

std::pair<double, double> SignalAnalyzer::analyzeAc(const double* samples, std::size_t n,
                                                    const AnalysisWindow& window, double rateHz) {
    const double frequency = estimateFrequency(samples, n, rateHz);
    const double mu = weightedMean(samples, n, window);
    const std::size_t used = std::min(n, window.values.size());
    if (used == 0)
        return {0.0, frequency};
    const double* w = window.values.data();
    double sum = 0.0;
    for (std::size_t i = 0; i < used; ++i) {
        const double b = (samples[i] - mu) * w[i] / window.windowRms;
        sum += b * b;
    }
    return {std::sqrt(sum / static_cast<double>(used)), frequency};
}

double SignalAnalyzer::analyzeDc(const double* samples, std::size_t n, const AnalysisWindow& window) const {
    return weightedMean(samples, n, window);
}

double estimateFrequency(const std::vector<double>& v, double rateHz) {
    SignalAnalyzer analyzer;
    return analyzer.estimateFrequency(v.data(), v.size(), rateHz);
}
