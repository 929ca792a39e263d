#include "signal_analysis.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

namespace {

// FFTW's planner keeps global state: plan creation and destruction must not
// run in two threads at once.  Execution of a finished plan needs no lock.
std::mutex& fftwPlannerMutex() {
    static std::mutex mutex;
    return mutex;
}

// Sum of x[i] * w[i] over i < count, in eight running sums the processor can
// add side by side rather than one after the other.
double weightedSum(const double* x, const double* w, std::size_t count) {
    double s[8] = {};
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8)
        for (std::size_t j = 0; j < 8; ++j)
            s[j] += x[i + j] * w[i + j];
    for (; i < count; ++i)
        s[0] += x[i] * w[i];
    return ((s[0] + s[1]) + (s[2] + s[3])) + ((s[4] + s[5]) + (s[6] + s[7]));
}

// Sum of ((x[i] - mu) * w[i])^2 over i < count, in eight running sums.
double weightedSquares(const double* x, const double* w, std::size_t count, double mu) {
    double s[8] = {};
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8)
        for (std::size_t j = 0; j < 8; ++j) {
            const double b = (x[i + j] - mu) * w[i + j];
            s[j] += b * b;
        }
    for (; i < count; ++i) {
        const double b = (x[i] - mu) * w[i];
        s[0] += b * b;
    }
    return ((s[0] + s[1]) + (s[2] + s[3])) + ((s[4] + s[5]) + (s[6] + s[7]));
}

// Index (0 for bin 1) of the first largest magnitude among bins 1 .. n/2 of a
// half-complex spectrum r0, r1, ..., r(n/2), i((n+1)/2 - 1), ..., i1; DC takes
// no part.  The squared magnitude is compared first and the root taken only
// for a candidate: sqrt is monotonic, so a square not above the peak's square
// cannot have a greater root, and a candidate must still beat the peak's
// root, so ties fall exactly as with every magnitude stored.
std::size_t halfComplexPeak(const double* out, std::size_t n) {
    std::size_t peak = 0;
    bool havePeak = false;
    double peakSquare = 0.0;
    double peakMagnitude = 0.0;
    const std::size_t complexBins = (n + 1) / 2 - 1;
    for (std::size_t k = 1; k <= complexBins; ++k) {
        const double square = out[k] * out[k] + out[n - k] * out[n - k];
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
    if (n % 2 == 0) {
        const double magnitude = std::fabs(out[n / 2]);
        if (!havePeak || magnitude > peakMagnitude)
            peak = n / 2 - 1;
    }
    return peak;
}

// The peak of a real-to-complex spectrum of n > 1 points when it stands
// clear of every other bin, as index (0 for bin 1) in *peak; false when
// another bin comes so close that rounding could order the two differently.
//
// The real-to-complex transform is several times faster than the
// half-complex one but rounds differently, and exactly tied magnitudes
// (short integer inputs have many) would then fall to another bin than they
// always did.  So it decides only with a margin far above the rounding of
// either transform (whose error is at most a few eps * log2(n) times the
// spectrum's norm); a near tie goes to the half-complex transform.
bool clearRealPeak(const fftw_complex* out, std::size_t n, std::size_t* peak) {
    const std::size_t complexBins = (n + 1) / 2 - 1;
    const bool evenN = n % 2 == 0;
    double top[4] = {};
    double total[4] = {};
    std::size_t k = 1;
    for (; k + 4 <= complexBins + 1; k += 4)
        for (std::size_t j = 0; j < 4; ++j) {
            const double square = out[k + j][0] * out[k + j][0] + out[k + j][1] * out[k + j][1];
            top[j] = std::max(top[j], square);
            total[j] += square;
        }
    for (; k <= complexBins; ++k) {
        const double square = out[k][0] * out[k][0] + out[k][1] * out[k][1];
        top[0] = std::max(top[0], square);
        total[0] += square;
    }
    const double nyquistSquare = evenN ? out[n / 2][0] * out[n / 2][0] : 0.0;
    const double topSquare =
        std::max(std::max(top[0], top[1]), std::max(std::max(top[2], top[3]), nyquistSquare));
    // Every bin of the full spectrum: DC, the mirrored complex bins, Nyquist.
    const double norm = std::sqrt(out[0][0] * out[0][0] +
                                  2.0 * ((total[0] + total[1]) + (total[2] + total[3])) + nyquistSquare);
    const double margin = 64.0 * std::numeric_limits<double>::epsilon() * std::log2(double(n)) * norm;
    const double lower = std::sqrt(topSquare) - margin;
    if (!(lower > 0.0)) // also NaN and overflow
        return false;
    const double threshold = lower * lower;
    std::size_t found = 0;
    for (k = 1; k <= complexBins; ++k)
        if (out[k][0] * out[k][0] + out[k][1] * out[k][1] >= threshold) {
            if (found)
                return false;
            found = k;
        }
    if (evenN && nyquistSquare >= threshold) {
        if (found)
            return false;
        found = n / 2;
    }
    if (!found)
        return false;
    *peak = found - 1;
    return true;
}

} // namespace

// One length's plans and buffers.  `in` holds n doubles; `out` n / 2 + 1
// complex values, which also hold the n doubles of the half-complex result.
struct SignalAnalyzer::Transform {
    std::size_t n = 0;
    double* in = nullptr;
    fftw_complex* out = nullptr;
    fftw_plan realToComplex = nullptr;
    fftw_plan halfComplex = nullptr; // planned at the first near tie
    std::uint64_t lastUse = 0;
};

namespace {

// Caller holds the planner lock.
void release(fftw_plan plan) {
    if (plan)
        fftw_destroy_plan(plan);
}

} // namespace

SignalAnalyzer::SignalAnalyzer() = default;

SignalAnalyzer::~SignalAnalyzer() {
    std::lock_guard<std::mutex> lock(fftwPlannerMutex());
    for (Transform& t : transforms) {
        release(t.halfComplex);
        release(t.realToComplex);
        fftw_free(t.out);
        fftw_free(t.in);
    }
}

SignalAnalyzer::Transform* SignalAnalyzer::transformFor(std::size_t n) {
    ++useClock;
    for (Transform& t : transforms)
        if (t.n == n) {
            t.lastUse = useClock;
            return &t;
        }
    Transform t;
    t.n = n;
    t.lastUse = useClock;
    t.in = fftw_alloc_real(n);
    t.out = fftw_alloc_complex(n / 2 + 1);
    std::lock_guard<std::mutex> lock(fftwPlannerMutex());
    if (t.in && t.out)
        t.realToComplex = fftw_plan_dft_r2c_1d(static_cast<int>(n), t.in, t.out, FFTW_ESTIMATE);
    if (!t.realToComplex) {
        fftw_free(t.out);
        fftw_free(t.in);
        return nullptr;
    }
    if (transforms.size() >= cachedLengths) {
        const auto oldest =
            std::min_element(transforms.begin(), transforms.end(),
                             [](const Transform& a, const Transform& b) { return a.lastUse < b.lastUse; });
        release(oldest->halfComplex);
        release(oldest->realToComplex);
        fftw_free(oldest->out);
        fftw_free(oldest->in);
        *oldest = t;
        return &*oldest;
    }
    transforms.push_back(t);
    return &transforms.back();
}

double SignalAnalyzer::estimateFrequency(const double* samples, std::size_t n, double rateHz) {
    if (n == 0 || n > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return 0.0;
    Transform* t = transformFor(n);
    if (!t)
        return 0.0;
    std::copy(samples, samples + n, t->in);
    fftw_execute(t->realToComplex);
    std::size_t peak = 0;
    if (n > 1 && !clearRealPeak(t->out, n, &peak)) {
        double* halfComplexOut = reinterpret_cast<double*>(t->out);
        if (!t->halfComplex) {
            std::lock_guard<std::mutex> lock(fftwPlannerMutex());
            t->halfComplex =
                fftw_plan_r2r_1d(static_cast<int>(n), t->in, halfComplexOut, FFTW_R2HC, FFTW_ESTIMATE);
        }
        if (!t->halfComplex)
            return 0.0;
        std::copy(samples, samples + n, t->in);
        fftw_execute(t->halfComplex);
        peak = halfComplexPeak(halfComplexOut, n);
    }
    return static_cast<double>(peak + 1) * rateHz / static_cast<int>(n);
}

// The weighted values are never stored: the mean, then the RMS about it,
// each in one pass, with the gains divided out once at the end.
std::pair<double, double> SignalAnalyzer::analyzeAc(const double* samples, std::size_t n,
                                                    const AnalysisWindow& window, double rateHz) {
    const double frequency = estimateFrequency(samples, n, rateHz);
    const std::size_t used = std::min(n, window.values.size());
    if (used == 0)
        return {0.0, frequency};
    const double count = static_cast<double>(used);
    const double* w = window.values.data();
    const double mu = weightedSum(samples, w, used) / window.windowMean / count;
    const double squares = weightedSquares(samples, w, used, mu);
    return {std::sqrt(squares / count) / window.windowRms, frequency};
}

double SignalAnalyzer::analyzeDc(const double* samples, std::size_t n, const AnalysisWindow& window) const {
    const std::size_t used = std::min(n, window.values.size());
    if (used == 0)
        return 0.0;
    return weightedSum(samples, window.values.data(), used) / window.windowMean / static_cast<double>(used);
}

double estimateFrequency(const std::vector<double>& v, double rateHz) {
    SignalAnalyzer analyzer;
    return analyzer.estimateFrequency(v.data(), v.size(), rateHz);
}
