#include "signal_analysis.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <mutex>

std::vector<double> analysisWindow;
double windowRms = 1.0;
double windowMean = 1.0;

namespace {

// Blackman-Nuttall coefficients, full precision.
constexpr double windowCoefficients[4] = {0.3635819267707609, 0.489177437145017, 0.1365995139786921,
                                          0.01064112210553003};
constexpr double twoPi = 6.283185307179586;

// FFTW's planner keeps global state: plan creation and destruction must not
// run in two threads at once.  Execution of a finished plan needs no lock.
std::mutex& fftwPlannerMutex() {
    static std::mutex mutex;
    return mutex;
}

// Mean of x[i] * w[i] / windowMean over the first min(|x|, |w|) values.
double weightedMean(const std::vector<double>& x) {
    const std::size_t used = std::min(x.size(), analysisWindow.size());
    if (used == 0)
        return 0.0;
    const double* w = analysisWindow.data();
    double sum = 0.0;
    for (std::size_t i = 0; i < used; ++i)
        sum += x[i] * w[i] / windowMean;
    return sum / static_cast<double>(used);
}

} // namespace

// Called by the acquisition configuration while nothing analyses.
void buildAnalysisWindow(int n) {
    analysisWindow.assign(n > 0 ? static_cast<std::size_t>(n) : 0, 0.0);
    if (n <= 0) {
        // No window: keep the gains finite rather than 0/0.
        resetWindowGains();
        return;
    }
    double sumSquares = 0.0;
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        double w = 0.0;
        for (int k = 0; k < 4; ++k) {
            const double term = windowCoefficients[k] * std::cos(k * twoPi * i / n);
            w = (k % 2 == 0) ? w + term : w - term;
        }
        analysisWindow[static_cast<std::size_t>(i)] = w;
        sumSquares += w * w;
        sum += w;
    }
    windowRms = std::sqrt(sumSquares / n);
    windowMean = sum / n;
}

void resetWindowGains() {
    windowRms = 1.0;
    windowMean = 1.0;
}

// Any thread; takes the planner mutex around plan creation and destruction.
double estimateFrequency(const std::vector<double>& v, double rateHz) {
    const std::size_t size = v.size();
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
    std::copy(v.begin(), v.end(), in);

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

// Weighted mean, the subtraction, the RMS-weighted values and their RMS,
// computed in single passes without storing the weighted copies.
std::pair<double, double> analyzeAcSamples(std::vector<double> samples, double rateHz) {
    const double frequency = estimateFrequency(samples, rateHz);
    const double mu = weightedMean(samples);
    const std::size_t used = std::min(samples.size(), analysisWindow.size());
    if (used == 0)
        return {0.0, frequency};
    const double* w = analysisWindow.data();
    double sum = 0.0;
    for (std::size_t i = 0; i < used; ++i) {
        const double b = (samples[i] - mu) * w[i] / windowRms;
        sum += b * b;
    }
    return {std::sqrt(sum / static_cast<double>(used)), frequency};
}

double analyzeDcSamples(std::vector<double> samples) {
    return weightedMean(samples);
}
