#include "acquisition.h"

#include <algorithm>

#include "sim_status.h"

namespace vrksim {

namespace {
constexpr double fullScales[4] = {10.0, 2.5, 0.6, 0.15};
constexpr double adcFrequencies[5] = {20000.0, 100000.0, 400000.0, 500000.0, 1000000.0};
} // namespace

double Acquisition::fullScale(int range) {
    return range >= 0 && range < 4 ? fullScales[range] : 0.0;
}

bool Acquisition::isAdcFrequency(double hz) {
    for (double f : adcFrequencies)
        if (hz == f)
            return true;
    return false;
}

int32_t Acquisition::create(const std::vector<LogicalChannel>& table, double adcFreqHz,
                            const DeviceConfig& device, uint64_t seed,
                            std::shared_ptr<const Acquisition>& out) {
    if (table.empty() || table.size() > 32)
        return StatusBadChannelCount;
    for (const LogicalChannel& e : table) {
        if (e.mode > 1)
            return StatusBadMode;
        const int channels = e.mode == 1 ? 16 : 32;
        if (e.channel < 0 || e.channel >= channels)
            return StatusBadChannel;
        if (e.range > 3)
            return StatusBadRange;
    }
    if (!isAdcFrequency(adcFreqHz))
        return StatusBadAdcFrequency;
    auto a = std::make_shared<Acquisition>();
    a->table = table;
    a->adcFreq = adcFreqHz;
    const double rate = a->channelRate();
    a->sources.reserve(table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        const LogicalChannel& e = table[i];
        a->sources.emplace_back(device.channels[static_cast<size_t>(e.channel)], e.channel, rate,
                                fullScales[e.range], static_cast<int>(i), seed);
    }
    out = std::move(a);
    return StatusOk;
}

void Acquisition::generate(uint64_t position, uint32_t* out, size_t n) const {
    const uint64_t q = table.size();
    const uint64_t end = position + n;
    for (uint64_t i = 0; i < q; ++i) {
        // First word of logical channel i at or after `position`.
        const uint64_t first = position + (i + q - position % q) % q;
        if (first >= end)
            continue;
        const size_t count = static_cast<size_t>((end - 1 - first) / q + 1);
        sources[i].fill(first / q, count, out + (first - position), static_cast<size_t>(q));
    }
}

int32_t Acquisition::convert(const uint32_t* raw, double* values, int32_t count, uint32_t flags) const {
    const size_t q = table.size();
    const size_t n = count > 0 ? static_cast<size_t>(count) : 0;
    if (n > 0 && ((raw[0] >> 16) & 0x1F) != 0)
        return StatusFrameStart;
    // Word j carries logical index j mod q in bits 16-20 and nothing above,
    // so its upper half is that index.  Walked row by row, the index is the
    // position in the row.
    for (size_t row = 0; row < n; row += q) {
        const uint32_t* w = raw + row;
        const size_t width = std::min(q, n - row);
        for (size_t i = 0; i < width; ++i)
            if ((w[i] >> 16) != i)
                return StatusScanOrder;
    }
    // Checked first and converted afterwards: on error the output is untouched.
    // A full scale over 32768 is exact, so one product per word gives the
    // same value as the product and the division.
    double scale[32];
    for (size_t i = 0; i < q; ++i)
        scale[i] = flags == 1 ? fullScales[table[i].range] / 32768.0 : 1.0;
    for (size_t row = 0; row < n; row += q) {
        const uint32_t* w = raw + row;
        double* v = values + row;
        const size_t width = std::min(q, n - row);
        for (size_t i = 0; i < width; ++i)
            v[i] = static_cast<int16_t>(w[i] & 0xFFFFu) * scale[i];
    }
    return StatusOk;
}

} // namespace vrksim
