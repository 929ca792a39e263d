// Resident size over a real-time run at 1000 kHz (32 AC channels, display
// every 100 ms).  Argument: seconds (default 60).  The baseline is taken
// after the first minute, or after a third of a shorter run; the growth
// beyond it should stay within 5 MB.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "bench_driver.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    const double settleSeconds = std::min(60.0, seconds / 3);
    BenchDriver bench(32, true);
    if (!bench.start())
        return 1;

    QElapsedTimer clock;
    clock.start();
    long baseline = -1, peak = 0, last = 0;
    const long first = residentKiB();
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, [&] {
        const double t = clock.nsecsElapsed() * 1e-9;
        last = residentKiB();
        if (baseline < 0 && t >= settleSeconds)
            baseline = last;
        if (baseline >= 0)
            peak = std::max(peak, last);
        if (int(t) % 10 == 0)
            std::printf("memory: t=%4.0f s RSS %ld KiB\n", t, last);
        if (t >= seconds)
            app.quit();
    });
    sample.start(1000);
    app.exec();
    const QString reading = bench.reading(1);
    bench.shutDown();

    const double growthMb = (peak - baseline) / 1024.0;
    std::printf("memory: %.0f s at 1000 kHz, 32 AC channels: RSS %ld KiB at start, %ld KiB after %.0f s, "
                "peak %ld KiB, %ld KiB at the end\n",
                seconds, first, baseline, settleSeconds, peak, last);
    std::printf("memory: growth after %.0f s %.2f MB (target <= 5 MB: %s); channel 1 reads %s mV\n",
                settleSeconds, growthMb, growthMb <= 5 ? "met" : "MISSED", qPrintable(reading));
    return 0;
}
