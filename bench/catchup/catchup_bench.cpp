// Bursts of 40 clicks on the boxes of channels 1-16 (differential mode) at a
// fixed spacing, with the engine and the real driver on the default
// simulator, offscreen.  Prints, from the last click:
//   rows    until every row is enabled exactly when its box is checked;
//   record  until the first display-pass record of the final configuration.
// Then closes the engine during a burst and prints how long the stop took.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <set>
#include <vector>

#include "bench_events.h"
#include "default_module.h"
#include "engine.h"
#include "pass_feed.h"

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// The program's engine and the driver's forms, as the main window sets
// them up.
struct Rig {
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("vernier.ini")), QSettings::IniFormat};
    QWidget settingsHost, controlsHost, infoHost, optionsHost;
    QThread threadEngine;
    Engine* engine = new Engine(createDefaultModule);
    std::atomic<int> searches{0};
    std::atomic<bool> stopped{false};
    std::set<int> recorded;
    int records = 0;

    Rig() {
        QObject::connect(
            engine, &Engine::readyCrate, engine, [this] { ++searches; }, Qt::DirectConnection);
        QObject::connect(
            engine, &Engine::stopped, engine, [this] { stopped = true; }, Qt::DirectConnection);
        QObject::connect(engine->passFeed(), &PassFeed::passRecorded, &settingsHost,
                         [this](const PassRecord& record) {
                             recorded.clear();
                             for (const ChannelConfig& c : record.config.channels)
                                 recorded.insert(c.number);
                             ++records;
                         });
        // The program's default display period.
        engine->setDisplayUpdateMs(500);
        engine->loadSettings(&settings);
        engine->moveToThread(&threadEngine);
        threadEngine.start();
        engine->createWidgets(&settingsHost, &controlsHost, nullptr, &infoHost, &optionsHost);
        QMetaObject::invokeMethod(engine, "refreshHardware", Qt::QueuedConnection);
        if (!pumpUntil([this] { return searches == 1; }, 10000) || !engine->useModule(0, 0) ||
            !pumpUntil([this] { return records > 0; }, 10000)) {
            std::fprintf(stderr, "no device or no readings\n");
            std::exit(1);
        }
    }
    ~Rig() {
        if (!stopped) {
            QMetaObject::invokeMethod(engine, "stop", Qt::QueuedConnection);
            pumpUntil([this] { return bool(stopped); }, 30000);
        }
        threadEngine.quit();
        threadEngine.wait();
        delete engine;
    }
    QCheckBox* box(int n) {
        return controlsHost.findChild<QCheckBox*>(QStringLiteral("checkBoxCh%1").arg(n));
    }
    QWidget* row(int n) {
        return controlsHost.findChild<QWidget*>(QStringLiteral("comboBoxRangeCh%1").arg(n));
    }
    std::set<int> checked() {
        std::set<int> set;
        for (int n = 1; n <= 16; ++n)
            if (box(n)->isChecked())
                set.insert(n);
        return set;
    }
    bool rowsFollow() {
        for (int n = 1; n <= 16; ++n)
            if (!row(n)->testAttribute(Qt::WA_ForceDisabled) != box(n)->isChecked())
                return false;
        return true;
    }
    void burst(int clicks, int spacingMs, QRandomGenerator& random) {
        for (int i = 0; i < clicks; ++i) {
            box(1 + int(random.bounded(16)))->click();
            pumpFor(spacingMs);
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    QRandomGenerator random(20261207);

    std::printf("catch-up after 40 clicks on channels 1-16, median (max) of %d bursts\n", repeats);
    for (int spacing : {50, 100, 150}) {
        std::vector<double> rows, record;
        Rig rig;
        for (int r = 0; r < repeats; ++r) {
            rig.burst(39, spacing, random);
            // The last click, timed from here.
            QElapsedTimer clock;
            rig.box(1 + int(random.bounded(16)))->click();
            clock.start();
            pumpUntil([&] { return rig.rowsFollow(); }, 30000);
            rows.push_back(clock.nsecsElapsed() / 1e9);
            if (rig.checked().empty()) {
                rig.box(1)->click();
                clock.restart();
            }
            const std::set<int> final = rig.checked();
            rig.records = 0;
            pumpUntil([&] { return rig.records > 0 && rig.recorded == final; }, 30000);
            record.push_back(clock.nsecsElapsed() / 1e9);
        }
        std::printf("  %3d ms apart: rows %.3f s (%.3f), record %.3f s (%.3f)\n", spacing, median(rows),
                    *std::max_element(rows.begin(), rows.end()), median(record),
                    *std::max_element(record.begin(), record.end()));
    }

    std::vector<double> closes;
    for (int r = 0; r < repeats; ++r) {
        Rig rig;
        rig.burst(20, 50, random);
        QElapsedTimer clock;
        clock.start();
        QMetaObject::invokeMethod(rig.engine, "stop", Qt::QueuedConnection);
        pumpUntil([&] { return bool(rig.stopped); }, 30000);
        closes.push_back(clock.nsecsElapsed() / 1e9);
    }
    std::printf("close during a burst (50 ms apart): %.3f s median, %.3f s max\n", median(closes),
                *std::max_element(closes.begin(), closes.end()));
    return 0;
}
