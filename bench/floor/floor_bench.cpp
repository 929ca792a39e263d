// The per-sample arithmetic of the data path alone, in one thread: raw words
// to volts, de-interleaving, and per channel the weighted mean, the AC RMS
// and an FFT with its peak search, at 1 MS/s in total over frames of 200 ms.
// Arguments: channels (default 32), passes (default 50).  Prints thread CPU
// ns per sample (median and spread) and the share of one core that 1 MS/s of
// such work needs.
#include "floor_work.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const int channels = argc > 1 ? std::atoi(argv[1]) : 32;
    const int passes = argc > 2 ? std::atoi(argv[2]) : 50;
    if (channels < 1 || channels > 32 || 200000 % channels != 0 || passes < 1) {
        std::fprintf(stderr, "usage: bench_floor [channels 1..32 dividing 200000] [passes]\n");
        return 2;
    }
    // 1 MS/s shared by the channels, 200 ms per frame.
    const int perChannel = 200000 / channels;
    FloorWork floor(channels, perChannel, 1e6 / channels, 10.0);
    const std::vector<double> ns = floor.nsPerSample(passes);
    if (!floor.resultsAsGenerated()) {
        std::fprintf(stderr, "floor: the results differ from the generated signals\n");
        return 1;
    }
    const double median = ns[ns.size() / 2];
    std::printf("floor: %d AC channel(s) x %d samples (%.2f kHz each, 1 MS/s total), %d passes: "
                "%.3f ns/sample median (min %.3f, max %.3f) = %.2f %% of one core at 1 MS/s\n",
                channels, perChannel, 1e3 / channels, passes, median, ns.front(), ns.back(), median * 0.1);
    return 0;
}
