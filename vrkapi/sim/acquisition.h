// One validated acquisition set-up: the logical channel table, the ADC
// frequency and a sample source per logical channel.  Built by Configure and
// immutable afterwards, so a receive generates words from it without holding
// the device lock.
#ifndef VRK_SIM_ACQUISITION_H
#define VRK_SIM_ACQUISITION_H

#include "channel_source.h"
#include "sim_config.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace vrksim {

struct LogicalChannel {
    int32_t channel = 0; // physical channel from 0
    uint8_t mode = 0;    // 1 differential, 0 common ground
    uint8_t range = 0;   // 0..3: 10, 2.5, 0.6, 0.15 V
};

class Acquisition {
public:
    // Checks the table and frequency; StatusOk and `out` set, or an error status.
    static int32_t create(const std::vector<LogicalChannel>& table, double adcFreqHz,
                          const DeviceConfig& device, uint64_t seed, std::shared_ptr<const Acquisition>& out);

    static double fullScale(int range);
    static bool isAdcFrequency(double hz);

    int channelCount() const { return static_cast<int>(table.size()); }
    const LogicalChannel& entry(int index) const { return table[static_cast<size_t>(index)]; }
    double adcFrequency() const { return adcFreq; }
    double channelRate() const { return adcFreq / static_cast<double>(table.size()); }

    // Raw words number position .. position+n-1 of the stream (word p holds
    // sample p / count of logical channel p % count).
    void generate(uint64_t position, uint32_t* out, size_t n) const;

    // Raw words to values; flags 1 gives volts, otherwise codes.  Words must
    // start at logical index 0 and follow the scan order.
    int32_t convert(const uint32_t* raw, double* values, int32_t count, uint32_t flags) const;

private:
    std::vector<LogicalChannel> table;
    double adcFreq = 0.0;
    std::vector<ChannelSource> sources;
};

} // namespace vrksim

#endif
