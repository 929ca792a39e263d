// The sample stream of one logical channel: the signal of its physical input
// sampled at the per-channel rate, clipped and quantised to its range and
// encoded as raw words.  Immutable after construction, so any thread may
// generate from it without a lock.
#ifndef VRK_SIM_CHANNEL_SOURCE_H
#define VRK_SIM_CHANNEL_SOURCE_H

#include "gaussian_noise.h"
#include "sim_config.h"

#include <cstddef>
#include <cstdint>

namespace vrksim {

class ChannelSource {
public:
    // rateHz: samples per second of this logical channel; fullScaleV: the
    // range's full scale in volts; logicalIndex goes into bits 16-20.
    ChannelSource(const SignalConfig& signal, int physicalChannel, double rateHz, double fullScaleV,
                  int logicalIndex, uint64_t seed);

    // Writes samples k0 .. k0+n-1 as raw words to out[0], out[stride], ...
    void fill(uint64_t k0, size_t n, uint32_t* out, size_t stride) const;

    // Quantisation: round(v * codesPerVolt), half away from zero, clipped to
    // the 16-bit range; codesPerVolt = 32768 / full scale.
    static int32_t quantise(double volts, double codesPerVolt);

private:
    // Volts of samples k0 .. k0+n-1, all within one anchor block, without noise.
    void values(uint64_t k0, size_t n, double* v) const;
    // Fraction of a cycle, in [0, 1), reached at sample k.
    double cycleAt(uint64_t k) const;

    SignalConfig signal;
    double rate;
    double scale; // codes per volt
    uint32_t indexBits;
    double cyclesPerSample;
    double stepCos, stepSin; // rotation by one sample's phase step
    GaussianNoise noise;
};

} // namespace vrksim

#endif
