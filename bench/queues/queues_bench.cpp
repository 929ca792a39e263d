// How long the receive loop can wait for the display pass: the time a take
// of 32 channels' queued samples holds the queues' lock (it only swaps
// buffers), beside the time an append holds it when the queue is empty (a
// swap) and when a lagging pass left samples (a copy).  32 channels of
// 6250-sample frames, as at 1000 kHz; median and maximum over many rounds.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "sample_queues.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Spread {
    double median;
    double maximum;
};

Spread spread(std::vector<double> ns) {
    std::sort(ns.begin(), ns.end());
    return {ns[ns.size() / 2], ns.back()};
}

double since(Clock::time_point t0) {
    return std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
}

} // namespace

int main() {
    const int channels = 32, frame = 6250, rounds = 2000;
    SampleQueues queues(channels, frame, 8);
    std::vector<ChannelData> split(channels), taken;
    std::vector<double> take, swapIn, copyIn;
    for (int round = 0; round < rounds; ++round) {
        for (ChannelData& c : split)
            c.samples.assign(frame, 0.25 * round);
        Clock::time_point t0 = Clock::now();
        queues.append(split); // the queues are empty: swapped in
        swapIn.push_back(since(t0));
        for (ChannelData& c : split)
            c.samples.assign(frame, 0.5 * round);
        t0 = Clock::now();
        queues.append(split); // a pass that lags: copied behind
        copyIn.push_back(since(t0));
        t0 = Clock::now();
        queues.take(taken);
        take.push_back(since(t0));
    }
    const Spread t = spread(take), s = spread(swapIn), c = spread(copyIn);
    std::printf("queues: %d channels x %d samples, %d rounds (ns, whole call incl. the lock)\n", channels,
                frame, rounds);
    std::printf("queues: take (display pass)         median %9.0f  max %9.0f\n", t.median, t.maximum);
    std::printf("queues: append into empty queues    median %9.0f  max %9.0f\n", s.median, s.maximum);
    std::printf("queues: append behind a lagging pass median %9.0f  max %9.0f\n", c.median, c.maximum);
    return 0;
}
