// A long recording while acquiring in real time at 1000 kHz, 32 AC channels,
// display every 100 ms (the fastest record rate the options offer), with the
// trend history fed and the chart open on the 10-minute span.  Prints the
// process CPU share, the resident size over the run and its growth per
// minute against the trend history's bound, and the records given to the
// recorder against the rows it wrote; the last line names the file for
// readback.py.  Arguments: seconds (default 600), folder (default: the
// current directory).

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <QVector>
#include <cstdio>
#include <cstdlib>

#include "bench_driver.h"
#include "recording_load.h"

namespace {

// Least-squares slope of y over x.
double slope(const QVector<double>& x, const QVector<double>& y) {
    const int n = x.size();
    if (n < 2)
        return 0;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (int i = 0; i < n; ++i) {
        sx += x[i];
        sy += y[i];
        sxx += x[i] * x[i];
        sxy += x[i] * y[i];
    }
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 600.0;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::currentPath();
    BenchDriver bench(32, true);
    RecordingLoad load(bench.passFeed(), true);
    if (!load.start(folder) || !bench.start())
        return 1;

    // The history holds at most an hour; before that it grows by one point
    // per channel and record.
    const double boundMb = 32.0 * TrendHistory::maxPointsPerChannel * 16 / 1e6;
    const double settle = std::min(60.0, seconds / 4);
    QElapsedTimer clock;
    clock.start();
    const double cpuStart = processCpuSeconds();
    QVector<double> times, sizes;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, [&] {
        const double t = clock.nsecsElapsed() * 1e-9;
        const long kib = residentKiB();
        if (t >= settle) {
            times << t / 60;
            sizes << kib / 1024.0;
        }
        if (int(t) % 60 == 0)
            std::printf("recording: t=%4.0f s RSS %ld KiB, %lld rows\n", t, kib, load.rows());
        if (t >= seconds)
            app.quit();
    });
    sample.start(1000);
    app.exec();
    const double wall = clock.nsecsElapsed() * 1e-9;
    const double cpu = processCpuSeconds() - cpuStart;
    load.stop();
    bench.shutDown();

    const double perMinute = slope(times, sizes);
    std::printf("recording: %.0f s, 32 AC channels at 1000 kHz, display 100 ms, chart open (10 min): "
                "%.2f %% of one core\n",
                wall, cpu / wall * 100);
    std::printf("recording: resident growth %.3f MB per minute after %.0f s (trend history: at most %.1f MB, "
                "filled over 60 min, %.3f MB per minute until then)\n",
                perMinute, settle, boundMb, boundMb / 60);
    std::printf("recording: %lld records with readings, %lld rows written; the trend history holds %lld "
                "points (%.2f MB at 16 bytes each)\n",
                load.records(), load.rows(), load.historyPoints(), load.historyPoints() * 16 / 1e6);
    std::printf("recording: file %s\n", qPrintable(load.filePath()));
    return 0;
}
