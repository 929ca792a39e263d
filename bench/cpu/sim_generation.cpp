#include "sim_generation.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "bench_driver.h"

namespace {

double threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
}

} // namespace

SimGeneration::SimGeneration(int channels) : channelCount(channels) {}

SimGeneration::~SimGeneration() {
    if (handle)
        VRK_Close(&handle, 0);
}

bool SimGeneration::start() {
    if (!writeBenchSimConfig(dir.filePath("sim.json"), false)) {
        std::fprintf(stderr, "cannot write the simulator's configuration\n");
        return false;
    }
    VRK_DeviceRecord record{};
    int32_t count = 0;
    if (VRK_Search(nullptr, 0, &count, 1000, 16777216, 0) != 0 || count != 1 ||
        VRK_Search(&record, 1, nullptr, 1000, 16777216, 0) != 1 ||
        VRK_Open(&handle, &record, 16777216, 5000, 0, 0) != 0) {
        std::fprintf(stderr, "cannot open the unpaced simulated module\n");
        return false;
    }
    for (int i = 0; i < channelCount; ++i)
        VRK11_SetLChannel(handle, i, i, 0, 0);
    VRK11_SetLChannelCount(handle, channelCount);
    double adc = 1000000;
    if (VRK11_SetAdcFreq(handle, &adc, nullptr) != 0 || VRK11_Configure(handle, 0) != 0 ||
        VRK11_StreamsEnable(handle, 1) != 0 || VRK11_StreamsStart(handle) != 0) {
        std::fprintf(stderr, "cannot start the unpaced simulated module\n");
        return false;
    }
    return true;
}

std::vector<double> SimGeneration::nsPerSample(int frames, int frameWords) {
    std::vector<uint32_t> raw(static_cast<size_t>(frameWords));
    std::vector<double> ns;
    // The first receive touches the buffer's pages; untimed.
    if (VRK11_Recv(handle, raw.data(), frameWords, 1000) != frameWords)
        return ns;
    for (int f = 0; f < frames; ++f) {
        const double t0 = threadCpuNs();
        const int32_t r = VRK11_Recv(handle, raw.data(), frameWords, 1000);
        const double t1 = threadCpuNs();
        if (r != frameWords)
            return {};
        ns.push_back((t1 - t0) / frameWords);
    }
    std::sort(ns.begin(), ns.end());
    return ns;
}
