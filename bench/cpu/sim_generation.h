#ifndef SIM_GENERATION_H
#define SIM_GENERATION_H

#include <QTemporaryDir>
#include <vector>

#include "vrk_api.h"

// The simulated module's own cost of making the words: the device
// configured as BenchDriver configures it (the same sines, common ground,
// 10 V range, 1000 kHz) but not paced, and VRK11_Recv timed in thread CPU
// time, frame by frame.  The simulator makes the words in the receiving
// thread, so that time is all of it; the conversion to volts is not included.
// Points VRK_SIM_CONFIG at its own file: use it while no other simulated
// device is open.  One thread.
class SimGeneration {
public:
    explicit SimGeneration(int channels);
    ~SimGeneration();
    SimGeneration(const SimGeneration&) = delete;
    SimGeneration& operator=(const SimGeneration&) = delete;

    // Opens and starts the device; prints why not.
    bool start();
    // Thread CPU nanoseconds per word of `frames` receives of `frameWords`
    // words each, sorted ascending; empty on a failed receive.
    std::vector<double> nsPerSample(int frames, int frameWords);

private:
    QTemporaryDir dir;
    int channelCount;
    VRK_Handle handle = 0;
};

#endif // SIM_GENERATION_H
