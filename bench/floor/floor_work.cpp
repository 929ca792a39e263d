#include "floor_work.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace {

constexpr double twoPi = 6.283185307179586;
constexpr double nuttall[4] = {0.3635819267707609, 0.489177437145017, 0.1365995139786921,
                               0.01064112210553003};

double threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
}

} // namespace

FloorWork::FloorWork(int channels, int samplesPerChannel, double channelRateHz, double fullScale)
    : channelCount(channels), samples(samplesPerChannel), rate(channelRateHz),
      // 32768 is a power of two, so code * (fullScale / 32768) rounds exactly
      // as code * fullScale / 32768 does.
      voltsPerCode(fullScale / 32768.0), words(size_t(channels) * size_t(samplesPerChannel)),
      volts(words.size()), buffers(size_t(channels)), meanTaps(size_t(samplesPerChannel)),
      rmsTaps(size_t(samplesPerChannel)), means(size_t(channels)), rmss(size_t(channels)),
      frequencies(size_t(channels)) {
    const size_t n = size_t(samples);
    for (int c = 0; c < channelCount; ++c) {
        const double a = amplitude(c), f = signalHz(c);
        for (size_t k = 0; k < n; ++k) {
            double code = std::round((offset() + a * std::sin(twoPi * f * double(k) / rate)) / voltsPerCode);
            code = std::min(32767.0, std::max(-32768.0, code));
            words[k * size_t(channelCount) + size_t(c)] =
                uint32_t(c & 0x1F) << 16 | (uint32_t(int32_t(code)) & 0xFFFFu);
        }
    }
    // Periodic window: the cosines run over n, not n - 1.
    double sum = 0, squares = 0;
    for (size_t i = 0; i < n; ++i) {
        const double x = twoPi * double(i) / double(n);
        const double w = nuttall[0] - nuttall[1] * std::cos(x) + nuttall[2] * std::cos(2 * x) -
                         nuttall[3] * std::cos(3 * x);
        meanTaps[i] = w;
        rmsTaps[i] = w;
        sum += w;
        squares += w * w;
    }
    const double windowRms = std::sqrt(squares / double(n));
    for (size_t i = 0; i < n; ++i) {
        meanTaps[i] /= sum;
        rmsTaps[i] /= windowRms;
    }
    for (double*& b : buffers)
        b = fftw_alloc_real(n);
    spectrum = fftw_alloc_real(n);
    // Made on the first buffer and run on each of them: all come from
    // fftw_alloc_real and so share its alignment.
    plan = fftw_plan_r2r_1d(samples, buffers[0], spectrum, FFTW_R2HC, FFTW_ESTIMATE);
}

FloorWork::~FloorWork() {
    fftw_destroy_plan(plan);
    fftw_free(spectrum);
    for (double* b : buffers)
        fftw_free(b);
}

double FloorWork::amplitude(int i) const {
    return 0.5 + 0.01 * (i + 1);
}

double FloorWork::signalHz(int i) const {
    return 50.0 * (i + 1);
}

bool FloorWork::resultsAsGenerated() const {
    const double bin = rate / samples;
    for (int c = 0; c < channelCount; ++c) {
        const double a = amplitude(c) / std::sqrt(2.0);
        // Quantisation is 0.3 mV at 10 V; the window leaks far less.
        if (!(std::fabs(mean(c) - offset()) < 2e-3 && std::fabs(rms(c) - a) < 0.01 * a &&
              std::fabs(frequencyHz(c) - signalHz(c)) < bin / 2))
            return false;
    }
    return true;
}

double FloorWork::pass() {
    const size_t total = words.size();
    for (size_t j = 0; j < total; ++j)
        volts[j] = double(int16_t(words[j] & 0xFFFFu)) * voltsPerCode;

    const size_t q = size_t(channelCount), n = size_t(samples);
    const double* v = volts.data();
    for (size_t k = 0; k < n; ++k, v += q)
        for (size_t c = 0; c < q; ++c)
            buffers[c][k] = v[c];

    double check = 0;
    for (size_t c = 0; c < q; ++c) {
        const double* x = buffers[c];
        double mu = 0;
        for (size_t i = 0; i < n; ++i)
            mu += x[i] * meanTaps[i];
        double squares = 0;
        for (size_t i = 0; i < n; ++i) {
            const double b = (x[i] - mu) * rmsTaps[i];
            squares += b * b;
        }
        fftw_execute_r2r(plan, buffers[c], spectrum);
        // Bins 1 .. n/2 of the half-complex order; squares compare as the
        // magnitudes do, the first of equal ones wins.
        size_t peak = 0;
        double best = -1;
        for (size_t k = 1; k < (n + 1) / 2; ++k) {
            const double s = spectrum[k] * spectrum[k] + spectrum[n - k] * spectrum[n - k];
            if (s > best) {
                best = s;
                peak = k;
            }
        }
        if (n % 2 == 0 && spectrum[n / 2] * spectrum[n / 2] > best)
            peak = n / 2;
        means[c] = mu;
        rmss[c] = std::sqrt(squares / double(n));
        frequencies[c] = double(peak) * rate / double(n);
        check += means[c] + rmss[c] + frequencies[c];
    }
    return check;
}

std::vector<double> FloorWork::nsPerSample(int repetitions) {
    std::vector<double> ns;
    ns.reserve(size_t(std::max(repetitions, 0)));
    volatile double sink = pass(); // first touch of every buffer, untimed
    for (int r = 0; r < repetitions; ++r) {
        const double t0 = threadCpuNs();
        sink = sink + pass();
        ns.push_back((threadCpuNs() - t0) / double(words.size()));
    }
    std::sort(ns.begin(), ns.end());
    return ns;
}
