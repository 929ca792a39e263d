// Whole-process CPU (user + system, all threads) while the program acquires
// in real time at 1000 kHz with the display refreshed every 100 ms, as a
// share of one core.  Arguments: channels (1 or 32), seconds, and the mode:
// "plain" (acquisition alone, the default) or "recording" (recording to CSV
// with the trend chart open on the 10-minute span).
//
// In the same run, afterwards: the display passes counted over the measured
// window, the simulated module's own cost of making the words (unpaced,
// thread CPU time of VRK11_Recv), and the floor, the data path's arithmetic
// alone (bench/floor).  The headline is what the program spends beyond the
// simulator, as a multiple of the floor.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "bench_driver.h"
#include "floor_work.h"
#include "pass_feed.h"
#include "recording_load.h"
#include "sim_generation.h"

namespace {

// 1 MS/s in 200 ms frames, the driver's frame for the 20 Hz test signal at
// 1000 kHz whatever the channel count.
constexpr int frameWords = 200000;
constexpr int repetitions = 30;

double median(const std::vector<double>& sorted) {
    return sorted.empty() ? 0.0 : sorted[sorted.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int channels = argc > 1 ? std::atoi(argv[1]) : 32;
    const double seconds = argc > 2 ? std::atof(argv[2]) : 20.0;
    const bool recording = argc > 3 && std::strcmp(argv[3], "recording") == 0;
    BenchDriver bench(channels, true);
    std::unique_ptr<RecordingLoad> load;
    if (recording) {
        load = std::make_unique<RecordingLoad>(bench.passFeed(), true);
        if (!load->start())
            return 1;
    }
    if (!bench.start())
        return 1;

    // Passes published in the module thread, counted here while measuring.
    bool measuring = false;
    long passes = 0;
    QObject::connect(
        bench.passFeed(), &PassFeed::passRecorded, &app,
        [&](const PassRecord&) {
            if (measuring)
                ++passes;
        },
        Qt::QueuedConnection);

    // Measure after the first second, once the run has settled.
    double cpuStart = 0;
    QElapsedTimer clock;
    QTimer::singleShot(1000, [&] {
        cpuStart = processCpuSeconds();
        clock.start();
        measuring = true;
        QTimer::singleShot(int(seconds * 1000), &app, &QApplication::quit);
    });
    app.exec();
    const double cpu = processCpuSeconds() - cpuStart;
    const double wall = clock.nsecsElapsed() * 1e-9;
    measuring = false;
    const QString last = bench.reading(1);
    if (load)
        load->stop();
    bench.shutDown();

    const double share = cpu / wall * 100;
    std::printf("cpu: %2d AC channel(s), 1000 kHz real time, display 100 ms, %s, %.1f s: %.2f %% of one core "
                "(target <= 5 %%: %s); channel 1 reads %s mV\n",
                channels, recording ? "recording + chart open (10-minute span)" : "no recording, no chart",
                wall, share, share <= 5 ? "met" : "MISSED", qPrintable(last));
    if (load)
        std::printf("cpu: %lld rows recorded of %lld records\n", load->rows(), load->records());
    std::printf("cpu: %ld display passes in %.1f s: %.2f per second (asked: 10 per second)\n", passes, wall,
                passes / wall);

    // The program's module is closed: the unpaced device and the floor run
    // alone, in this thread.
    SimGeneration sim(channels);
    if (!sim.start())
        return 1;
    const std::vector<double> simNs = sim.nsPerSample(repetitions, frameWords);
    if (simNs.empty()) {
        std::fprintf(stderr, "short receive from the unpaced simulated module\n");
        return 1;
    }
    FloorWork floor(channels, frameWords / channels, 1e6 / channels, 10.0);
    const std::vector<double> floorNs = floor.nsPerSample(repetitions);
    if (!floor.resultsAsGenerated()) {
        std::fprintf(stderr, "floor: the results differ from the generated signals\n");
        return 1;
    }
    // ns per sample at 1e6 samples per second, as % of one core.
    const double simShare = median(simNs) * 0.1;
    const double floorShare = median(floorNs) * 0.1;
    std::printf(
        "cpu: simulator generation (VRK11_Recv unpaced, %d frames of %d words): %.3f ns/sample median "
        "(min %.3f, max %.3f) = %.2f %% of one core at 1 MS/s\n",
        repetitions, frameWords, median(simNs), simNs.front(), simNs.back(), simShare);
    std::printf(
        "cpu: floor (bench/floor, %d passes): %.3f ns/sample median (min %.3f, max %.3f) = %.2f %% of "
        "one core at 1 MS/s\n",
        repetitions, median(floorNs), floorNs.front(), floorNs.back(), floorShare);
    const double ratio = (share - simShare) / floorShare;
    std::printf("cpu: (process %.2f %% - simulator %.2f %%) / floor %.2f %% = %.2fx (target <= 1.8x: %s)\n",
                share, simShare, floorShare, ratio, ratio <= 1.8 ? "met" : "MISSED");
    return 0;
}
