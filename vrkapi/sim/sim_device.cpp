#include "sim_device.h"

#include "sim_status.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vrksim {

namespace {

// The size of a short receive: well below the request and, when the table
// has more than one channel, not a whole number of scans.
int64_t shortCount(int64_t count, int64_t channels) {
    int64_t n = count - std::max<int64_t>(1, count / 4);
    if (channels > 1 && n % channels == 0)
        --n;
    return std::max<int64_t>(n, 0);
}

void copyText(char* dst, size_t size, const std::string& src) {
    const size_t n = std::min(size - 1, src.size());
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

} // namespace

SimDevice::SimDevice(const DeviceConfig& device, bool realtime_, uint64_t seed_)
    : config(device), realtime(realtime_), seed(seed_) {}

int32_t SimDevice::getInfo(VRK_DeviceInfo* info) {
    if (!info)
        return StatusInvalidArgument;
    std::lock_guard<std::mutex> lock(mutex);
    if (closed)
        return StatusInvalidHandle;
    if (config.faults.info != 0)
        return config.faults.info;
    std::memset(info, 0, sizeof(*info));
    copyText(info->serial, sizeof(info->serial), config.serial);
    copyText(info->firmware, sizeof(info->firmware), config.firmware);
    return StatusOk;
}

int32_t SimDevice::close() {
    std::lock_guard<std::mutex> lock(mutex);
    if (closed)
        return StatusInvalidHandle;
    if (config.faults.close != 0)
        return config.faults.close; // the device stays open
    closed = true;
    endRun(true);
    return StatusOk;
}

void SimDevice::endRun(bool byStop) {
    if (byStop && config.faults.ignoreStopMs > 0) {
        const Clock::time_point releaseAt =
            Clock::now() + std::chrono::milliseconds(config.faults.ignoreStopMs);
        // Only receives of the run that ends now: one whose run a restart or a
        // configure ended already returns as usual, even if it has not woken yet.
        for (Waiter* w : waiters)
            if (w->run == run) {
                w->ignoring = true;
                w->releaseAt = releaseAt;
                w->status = closed ? StatusDeviceClosed : 0;
            }
    }
    started = false;
    ++run;
    wake.notify_all();
}

int32_t SimDevice::endOfWait(std::unique_lock<std::mutex>& lock, const Waiter& self) {
    if (!self.ignoring) // stop or restart: nothing delivered; close: the handle is gone
        return closed ? StatusDeviceClosed : 0;
    // Past the caller's own timeout on purpose, as a module that ignores a
    // stop does; other wake-ups (a new start, a close) do not shorten it.
    while (Clock::now() < self.releaseAt)
        wake.wait_until(lock, self.releaseAt);
    return self.status;
}

int32_t SimDevice::setLChannel(int32_t index, int32_t channel, uint8_t mode, uint8_t range) {
    if (index < 0 || index >= static_cast<int32_t>(staged.size()))
        return StatusBadLogicalIndex;
    std::lock_guard<std::mutex> lock(mutex);
    staged[static_cast<size_t>(index)] = LogicalChannel{channel, mode, range};
    return StatusOk;
}

int32_t SimDevice::setLChannelCount(int32_t count) {
    std::lock_guard<std::mutex> lock(mutex);
    stagedCount = count;
    return StatusOk;
}

int32_t SimDevice::setAdcFreq(const double* adcFreqHz, double* channelFreqHz) {
    if (!adcFreqHz)
        return StatusInvalidArgument;
    std::lock_guard<std::mutex> lock(mutex);
    stagedAdcFreq = *adcFreqHz;
    if (channelFreqHz && stagedCount >= 1 && stagedCount <= 32)
        *channelFreqHz = stagedAdcFreq / stagedCount;
    return StatusOk;
}

int32_t SimDevice::configure(uint32_t /*flags*/) {
    std::lock_guard<std::mutex> lock(mutex);
    if (config.faults.configure != 0)
        return config.faults.configure;
    // A new set-up ends any run in progress, as on the module itself.
    if (started)
        endRun();
    acquisition.reset();
    if (stagedCount < 1 || stagedCount > 32)
        return StatusBadChannelCount;
    const std::vector<LogicalChannel> table(staged.begin(), staged.begin() + stagedCount);
    return Acquisition::create(table, stagedAdcFreq, config, seed, acquisition);
}

int32_t SimDevice::getLChannelCount(int32_t* count) {
    if (!count)
        return StatusInvalidArgument;
    std::lock_guard<std::mutex> lock(mutex);
    *count = acquisition ? acquisition->channelCount() : stagedCount;
    return StatusOk;
}

int32_t SimDevice::getLChannel(int32_t index, uint32_t* channel, uint8_t* mode, uint8_t* range) {
    if (!channel)
        return StatusInvalidArgument;
    if (index < 0 || index >= static_cast<int32_t>(staged.size()))
        return StatusBadLogicalIndex;
    std::lock_guard<std::mutex> lock(mutex);
    // The configured table when there is one (as the count and frequency), else what was set.
    const LogicalChannel& e = acquisition && index < acquisition->channelCount()
                                  ? acquisition->entry(index)
                                  : staged[static_cast<size_t>(index)];
    *channel = static_cast<uint32_t>(e.channel);
    if (mode)
        *mode = e.mode;
    if (range)
        *range = e.range;
    return StatusOk;
}

int32_t SimDevice::getAdcFreq(double* adcFreqHz, double* channelFreqHz) {
    std::lock_guard<std::mutex> lock(mutex);
    // The configured set-up when there is one, else what was set.
    const double adc = acquisition ? acquisition->adcFrequency() : stagedAdcFreq;
    const int32_t count = acquisition ? acquisition->channelCount() : stagedCount;
    if (adcFreqHz)
        *adcFreqHz = adc;
    if (channelFreqHz) {
        if (count < 1 || count > 32)
            return StatusBadChannelCount;
        *channelFreqHz = adc / count;
    }
    return StatusOk;
}

int32_t SimDevice::streamsEnable(int32_t enable) {
    std::lock_guard<std::mutex> lock(mutex);
    if (config.faults.streamsEnable != 0)
        return config.faults.streamsEnable;
    enabled = enable != 0;
    if (!enabled && started)
        endRun();
    return StatusOk;
}

int32_t SimDevice::streamsStart() {
    std::lock_guard<std::mutex> lock(mutex);
    if (config.faults.streamsStart != 0)
        return config.faults.streamsStart;
    if (!acquisition)
        return StatusNotConfigured;
    if (!enabled)
        return StatusNotEnabled;
    // Starting again restarts: time, sample numbers and fault counters from zero.
    endRun();
    started = true;
    startTime = Clock::now();
    position = 0;
    frameReceives = 0;
    processCalls = 0;
    return StatusOk;
}

int32_t SimDevice::streamsStop() {
    std::lock_guard<std::mutex> lock(mutex);
    if (config.faults.streamsStop != 0)
        return config.faults.streamsStop;
    if (started)
        endRun(true);
    return StatusOk;
}

uint64_t SimDevice::producedWords(Clock::time_point now) const {
    const double ns =
        static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(now - startTime).count());
    return ns <= 0 ? 0 : static_cast<uint64_t>(std::floor(ns * acquisition->adcFrequency() * 1e-9));
}

int32_t SimDevice::recv(uint32_t* buffer, int32_t count, int32_t timeoutMs) {
    if (!buffer || count < 0)
        return StatusInvalidArgument;
    uint64_t first = 0;
    std::shared_ptr<const Acquisition> acq;
    const int32_t n = claim(count, timeoutMs, first, acq);
    if (n > 0) // outside the lock: the snapshot is immutable
        acq->generate(first, buffer, static_cast<size_t>(n));
    return n;
}

int32_t SimDevice::claim(int32_t count, int32_t timeoutMs, uint64_t& first,
                         std::shared_ptr<const Acquisition>& acq) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    std::unique_lock<std::mutex> lock(mutex);
    if (closed)
        return StatusInvalidHandle;
    if (!started)
        return StatusNotStarted;
    if (count == 0)
        return 0;
    const uint64_t myRun = run;
    acq = acquisition;
    const int64_t channels = acq->channelCount();
    const DeviceFaults& faults = config.faults;
    const auto interrupted = [&] { return closed || run != myRun; };
    // Listed while it may wait; unlisted on every return, still under the
    // lock (declared after it, so destroyed first).
    Waiter self;
    self.run = myRun;
    waiters.push_back(&self);
    struct Unlist {
        std::vector<Waiter*>& list;
        Waiter* w;
        ~Unlist() { list.erase(std::find(list.begin(), list.end(), w)); }
    } unlist{waiters, &self};

    if (faults.stallAfterFrames > 0 && frameReceives >= faults.stallAfterFrames)
        return wake.wait_until(lock, deadline, interrupted) ? endOfWait(lock, self) : 0;
    int64_t want = count;
    if (count >= channels) { // a frame-sized receive, not a realignment read
        const int64_t frame = ++frameReceives;
        if (faults.recvErrorAfterFrames > 0 && frame == faults.recvErrorAfterFrames + 1)
            return StatusReceiveFailed;
        if (faults.shortFrameEvery > 0 && frame % faults.shortFrameEvery == 0)
            want = shortCount(count, channels);
    }
    uint64_t n = static_cast<uint64_t>(want);
    if (realtime) {
        const double adc = acq->adcFrequency();
        for (;;) {
            if (interrupted())
                return endOfWait(lock, self);
            const Clock::time_point now = Clock::now();
            const uint64_t ready = producedWords(now) - position;
            if (ready >= n)
                break;
            if (now >= deadline) {
                n = ready;
                break;
            }
            // When the last wanted word will exist (one nanosecond late, so
            // the rounding of producedWords cannot fall short of it).
            const double ns = std::ceil(static_cast<double>(position + n) * 1e9 / adc) + 1.0;
            const Clock::time_point readyAt =
                startTime + std::chrono::duration_cast<Clock::duration>(
                                std::chrono::nanoseconds(static_cast<int64_t>(std::min(ns, 9.0e18))));
            wake.wait_until(lock, std::min(readyAt, deadline));
        }
    }
    first = position;
    position += n;
    return static_cast<int32_t>(n);
}

int32_t SimDevice::processAdcData(const uint32_t* raw, double* values, int32_t* count, uint32_t flags) {
    if (!count || *count < 0 || (*count > 0 && (!raw || !values)))
        return StatusInvalidArgument;
    std::unique_lock<std::mutex> lock(mutex);
    if (closed)
        return StatusInvalidHandle;
    if (!acquisition)
        return StatusNotConfigured;
    const int64_t call = ++processCalls;
    if (config.faults.processErrorAfterFrames > 0 && call == config.faults.processErrorAfterFrames + 1)
        return StatusProcessFailed;
    const std::shared_ptr<const Acquisition> acq = acquisition;
    lock.unlock();
    return acq->convert(raw, values, *count, flags);
}

} // namespace vrksim
