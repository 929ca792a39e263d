// Counter-based Gaussian noise: the value for (seed, stream, index) is a pure
// function of the three, so a channel's noise does not depend on how the
// samples were split into receives.  Stateless, callable from any thread.
#ifndef VRK_SIM_GAUSSIAN_NOISE_H
#define VRK_SIM_GAUSSIAN_NOISE_H

#include <cmath>
#include <cstdint>

namespace vrksim {

class GaussianNoise {
public:
    GaussianNoise(uint64_t seed, uint64_t stream) : key(mix(seed ^ mix(stream + 0x9E3779B97F4A7C15ull))) {}

    // Standard normal value (mean 0, RMS 1) number `index` of this stream.
    double at(uint64_t index) const {
        const uint64_t a = mix(key ^ (2 * index));
        const uint64_t b = mix(key ^ (2 * index + 1));
        // Uniforms in (0, 1] and [0, 1) from the top 53 bits; Box-Muller.
        const double u1 = (static_cast<double>(a >> 11) + 1.0) * 0x1.0p-53;
        const double u2 = static_cast<double>(b >> 11) * 0x1.0p-53;
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }

private:
    // splitmix64 finaliser: a bijective, well-mixed 64-bit hash.
    static uint64_t mix(uint64_t z) {
        z += 0x9E3779B97F4A7C15ull;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    uint64_t key;
};

} // namespace vrksim

#endif
