// One open simulated module.  Every method may be called from any thread;
// all state is guarded by `mutex`, and a blocked receive waits on `wake`,
// which stop, start, configure and close signal so the receive returns at
// once (after a stop or close only once the ignoreStopMs fault has passed).
// Raw words are generated outside the lock from an immutable Acquisition
// snapshot.  The caller keeps the device alive for the whole of a call (see
// DeviceRegistry::find), so a receive may outlast the close of its handle.
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
#include <vector>

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

    // A receive that may wait for words.  The stop or close that ends its run
    // tells it when to return and with what while the ignoreStopMs fault holds.
    struct Waiter {
        uint64_t run = 0;
        bool ignoring = false;
        Clock::time_point releaseAt;
        int32_t status = 0;
    };

    // Ends the current run (if any) and wakes a waiting receive; `byStop`:
    // a stop or close, which the ignoreStopMs fault lets waiting receives
    // outlast.  Needs `mutex`.
    void endRun(bool byStop = false);
    // What a receive whose run ended returns, once any ignored stop has run
    // out.  Needs `mutex`, held in `lock`.
    int32_t endOfWait(std::unique_lock<std::mutex>& lock, const Waiter& self);
    // The locked part of recv: waits for the words and claims stream
    // positions first .. first+n-1 of `acq`; n, or a status.
    int32_t claim(int32_t count, int32_t timeoutMs, uint64_t& first, std::shared_ptr<const Acquisition>& acq);
    // Words the ADC has produced since the streams started.  Needs `mutex`.
    uint64_t producedWords(Clock::time_point now) const;

    const DeviceConfig config;
    const bool realtime;
    const uint64_t seed;

    std::mutex mutex;
    std::condition_variable wake;
    bool closed = false;
    std::vector<Waiter*> waiters; // receives inside recv, each on its own stack

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
