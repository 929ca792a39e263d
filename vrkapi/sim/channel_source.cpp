#include "channel_source.h"

#include "sample_file.h"

#include <algorithm>
#include <cmath>

namespace vrksim {

namespace {
constexpr double twoPi = 6.283185307179586;
// Phase is computed exactly at every multiple of blockSize samples (counted
// from the start of the run) and advanced by an oscillator recurrence in
// between.  Anchoring at fixed sample numbers, not at the start of each
// receive, makes sample k the same value however the stream is split.
constexpr uint64_t blockSize = 256;
} // namespace

ChannelSource::ChannelSource(const SignalConfig& signal_, int physicalChannel, double rateHz,
                             double fullScaleV, int logicalIndex, uint64_t seed)
    : signal(signal_), rate(rateHz), scale(32768.0 / fullScaleV),
      indexBits(static_cast<uint32_t>(logicalIndex & 0x1F) << 16),
      cyclesPerSample(signal_.frequency / rateHz), stepCos(std::cos(twoPi * cyclesPerSample)),
      stepSin(std::sin(twoPi * cyclesPerSample)), noise(seed, static_cast<uint64_t>(physicalChannel)) {}

int32_t ChannelSource::quantise(double volts, double codesPerVolt) {
    double y = volts * codesPerVolt;
    y = std::min(32767.0, std::max(-32768.0, y));
    return static_cast<int32_t>(y + (y >= 0 ? 0.5 : -0.5));
}

double ChannelSource::cycleAt(uint64_t k) const {
    double x = std::fmod(cyclesPerSample * static_cast<double>(k), 1.0) + signal.phase / 360.0;
    x -= std::floor(x);
    return x;
}

void ChannelSource::values(uint64_t k0, size_t n, double* v) const {
    const double a = signal.amplitude;
    const double off = signal.offset;
    const uint64_t base = k0 - k0 % blockSize; // anchor of the block holding k0
    const uint64_t skip = k0 - base;
    switch (signal.waveform) {
    case Waveform::Dc:
        std::fill(v, v + n, off);
        break;
    case Waveform::Sine: {
        const double theta = twoPi * cycleAt(base);
        double s = std::sin(theta), c = std::cos(theta);
        for (uint64_t j = 0; j < skip + n; ++j) {
            if (j >= skip)
                v[j - skip] = off + a * s;
            const double s1 = s * stepCos + c * stepSin;
            c = c * stepCos - s * stepSin;
            s = s1;
        }
        break;
    }
    case Waveform::Square: {
        const double x0 = cycleAt(base);
        for (size_t j = 0; j < n; ++j) {
            double x = x0 + static_cast<double>(skip + j) * cyclesPerSample;
            x -= std::floor(x);
            v[j] = off + (x < 0.5 ? a : -a);
        }
        break;
    }
    case Waveform::Triangle: {
        // Same phase as the sine: 0 rising at the start of a cycle, peak at a quarter.
        const double x0 = cycleAt(base);
        for (size_t j = 0; j < n; ++j) {
            double x = x0 + static_cast<double>(skip + j) * cyclesPerSample;
            x -= std::floor(x);
            const double tri = x < 0.25 ? 4.0 * x : (x < 0.75 ? 2.0 - 4.0 * x : 4.0 * x - 4.0);
            v[j] = off + a * tri;
        }
        break;
    }
    case Waveform::Noise:
        // Gaussian of RMS `amplitude`; it takes its values from the far end of
        // the channel's noise sequence, so an added `noise` is independent of it.
        for (size_t j = 0; j < n; ++j)
            v[j] = off + a * noise.at(~(k0 + j));
        break;
    case Waveform::File:
        for (size_t j = 0; j < n; ++j) {
            const double t = static_cast<double>(k0 + j) / rate;
            v[j] = off + signal.gain * (signal.file ? signal.file->valueAt(t) : 0.0);
        }
        break;
    }
}

void ChannelSource::fill(uint64_t k0, size_t n, uint32_t* out, size_t stride) const {
    double v[blockSize];
    while (n > 0) {
        // Never across an anchor: from k0 to the end of its block at most.
        const size_t m = static_cast<size_t>(std::min<uint64_t>(n, blockSize - k0 % blockSize));
        values(k0, m, v);
        if (signal.noise > 0)
            for (size_t j = 0; j < m; ++j)
                v[j] += signal.noise * noise.at(k0 + j);
        for (size_t j = 0; j < m; ++j)
            out[j * stride] = (static_cast<uint32_t>(quantise(v[j], scale)) & 0xFFFFu) | indexBits;
        out += m * stride;
        k0 += m;
        n -= m;
    }
}

} // namespace vrksim
