// One open simulated module.  Every method may be called from any thread;
// all state is guarded by `mutex`, and a blocked receive waits on `wake`,
// which stop, start, configure and close signal so the receive returns at
// once.  Raw words are generated outside the lock from an immutable
// Acquisition snapshot.
#ifndef VRK_SIM_SIM_DEVICE_H
#define VRK_SIM_SIM_DEVICE_H

#include "acquisition.h"
#include "sim_config.h"
#include "vrk_api.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace vrksim {

class SimDevice {
public:
    // device: the configured module; realtime and seed from the same configuration.
    SimDevice(const DeviceConfig& device, bool realtime, uint64_t seed);

    int32_t getInfo(VRK_DeviceInfo* info);
    // Marks the device closed and wakes a waiting receive; fails only by fault.
    int32_t close();

    int32_t setLChannel(int32_t index, int32_t channel, uint8_t mode, uint8_t range);
    int32_t setLChannelCount(int32_t count);
    int32_t setAdcFreq(const double* adcFreqHz, double* channelFreqHz);
    int32_t configure(uint32_t flags);
    int32_t getLChannelCount(int32_t* count);
    int32_t getLChannel(int32_t index, uint32_t* channel, uint8_t* mode, uint8_t* range);
    int32_t getAdcFreq(double* adcFreqHz, double* channelFreqHz);

    int32_t streamsEnable(int32_t enable);
    int32_t streamsStart();
    int32_t streamsStop();

    // Words received (0..count) or a negative status.  timeoutMs in ms.
    int32_t recv(uint32_t* buffer, int32_t count, int32_t timeoutMs);
    int32_t processAdcData(const uint32_t* raw, double* values, int32_t* count, uint32_t flags);

private:
    using Clock = std::chrono::steady_clock;

    // Ends the current run (if any) and wakes a waiting receive.  Needs `mutex`.
    void endRun();
    // Words the ADC has produced since the streams started.  Needs `mutex`.
    uint64_t producedWords(Clock::time_point now) const;

    const DeviceConfig config;
    const bool realtime;
    const uint64_t seed;

    std::mutex mutex;
    std::condition_variable wake;
    bool closed = false;

    // The table as set, checked only by configure.
    std::array<LogicalChannel, 32> staged{};
    int32_t stagedCount = 0;
    double stagedAdcFreq = 0.0;

    std::shared_ptr<const Acquisition> acquisition; // null until configured
    bool enabled = false;
    bool started = false;
    uint64_t run = 0; // changes whenever a run starts or ends
    Clock::time_point startTime;
    uint64_t position = 0;     // words delivered since the streams started
    int64_t frameReceives = 0; // frame-sized receives since the streams started
    int64_t processCalls = 0;  // conversions since the streams started
};

} // namespace vrksim

#endif
