#ifndef BENCH_DRIVER_H
#define BENCH_DRIVER_H

#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <memory>

#include "module_mdx11.h"
#include "pass_feed.h"

// The driver as the program runs it, for the acquisition benchmarks: a
// simulated module with a sine on every channel, the driver in a module
// thread of its own, its forms in shown host widgets, acquiring at 1000 kHz.
// GUI thread only.
class BenchDriver {
public:
    // channels: 1 or 32 enabled channels, all AC; realtime: simulator pacing
    BenchDriver(int channels, bool realtime);
    ~BenchDriver();

    // Opens the first simulated module and starts acquisition; prints why not.
    bool start();
    // Stops, closes and ends the module thread.
    void shutDown();
    ModuleMdx11* module() const { return driver; }
    // One record per display pass, published in the module thread.
    PassFeed* passFeed() { return &feed; }
    QString reading(int channel) const;

private:
    QTemporaryDir dir;
    std::unique_ptr<QSettings> settings;
    QWidget window;
    QWidget* settingsHost;
    QWidget* controlsHost;
    QThread moduleThread;
    PassFeed feed;
    ModuleMdx11* driver = nullptr;
};

// User plus system CPU time of the whole process so far, in seconds.
// The benchmarks' simulated module: one "VRK11" whose 32 inputs carry sines
// of 50 Hz per channel number, paced or not; writes it to `path` and points
// VRK_SIM_CONFIG at it.
bool writeBenchSimConfig(const QString& path, bool realtime);
double processCpuSeconds();
// Resident set size of the process in KiB.
long residentKiB();

#endif // BENCH_DRIVER_H
