// Throughput of the simulated device library on one core: raw words of sine
// channels generated and encoded by VRK11_Recv in non-realtime mode, and
// their conversion to volts by VRK11_ProcessAdcData.  Prints samples/s.
#include "vrk_api.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int32_t frameWords = 1 << 16;

// Writes a configuration of one device whose 32 inputs are all sines to a
// new temporary file and points VRK_SIM_CONFIG at it.
bool writeConfig(char* path) {
    const int fd = mkstemp(path);
    if (fd < 0)
        return false;
    std::string text = R"({"searchDelayMs":0,"realtime":false,"seed":1,"devices":[{"name":"VRK11",)"
                       R"("address":"192.0.2.11","serial":"BENCH","channels":{)";
    for (int ch = 1; ch <= 32; ++ch) {
        text += "\"" + std::to_string(ch) +
                "\":{\"waveform\":\"sine\",\"amplitude\":" + std::to_string(0.25 * ch) +
                ",\"frequency\":" + std::to_string(37 * ch) + ",\"offset\":0.1}";
        text += ch < 32 ? "," : "";
    }
    text += "}}]}";
    const bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    setenv("VRK_SIM_CONFIG", path, 1);
    return ok;
}

// Opens the device and starts `channels` logical channels at 1 MHz; 0 on failure.
VRK_Handle startDevice(int channels) {
    char path[] = "/tmp/bench_sim_XXXXXX";
    if (!writeConfig(path))
        return 0;
    VRK_DeviceRecord record{};
    const int32_t found = VRK_Search(&record, 1, nullptr, 1000, 16777216, 0);
    unlink(path); // read at the search; an open device keeps its configuration
    VRK_Handle h = 0;
    if (found != 1 || VRK_Open(&h, &record, 16777216, 5000, 0, 0) != 0)
        return 0;
    for (int i = 0; i < channels; ++i)
        VRK11_SetLChannel(h, i, i, 0, 0);
    VRK11_SetLChannelCount(h, channels);
    double adc = 1000000;
    VRK11_SetAdcFreq(h, &adc, nullptr);
    if (VRK11_Configure(h, 0) != 0 || VRK11_StreamsEnable(h, 1) != 0 || VRK11_StreamsStart(h) != 0) {
        VRK_Close(&h, 0);
        return 0;
    }
    return h;
}

void recvSine(benchmark::State& state) {
    VRK_Handle h = startDevice(static_cast<int>(state.range(0)));
    if (!h) {
        state.SkipWithError("cannot start the simulated device");
        return;
    }
    std::vector<uint32_t> raw(frameWords);
    int64_t words = 0;
    for (auto _ : state) {
        const int32_t r = VRK11_Recv(h, raw.data(), frameWords, 1000);
        if (r != frameWords) {
            state.SkipWithError("short receive");
            break;
        }
        benchmark::DoNotOptimize(raw.data());
        words += r;
    }
    state.counters["samples/s"] = benchmark::Counter(static_cast<double>(words), benchmark::Counter::kIsRate);
    VRK_Close(&h, 0);
}

void processAdcData(benchmark::State& state) {
    VRK_Handle h = startDevice(static_cast<int>(state.range(0)));
    std::vector<uint32_t> raw(frameWords);
    std::vector<double> volts(frameWords);
    if (!h || VRK11_Recv(h, raw.data(), frameWords, 1000) != frameWords) {
        state.SkipWithError("cannot start the simulated device");
        return;
    }
    int64_t words = 0;
    for (auto _ : state) {
        int32_t n = frameWords;
        if (VRK11_ProcessAdcData(h, raw.data(), volts.data(), &n, 1) != 0) {
            state.SkipWithError("conversion failed");
            break;
        }
        benchmark::DoNotOptimize(volts.data());
        words += n;
    }
    state.counters["samples/s"] = benchmark::Counter(static_cast<double>(words), benchmark::Counter::kIsRate);
    VRK_Close(&h, 0);
}

} // namespace

BENCHMARK(recvSine)->Arg(1)->Arg(16)->Arg(32);
BENCHMARK(processAdcData)->Arg(16);
BENCHMARK_MAIN();
