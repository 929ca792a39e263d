// Latency of the all-channels box in common-ground mode: from the click to
// all 32 rows enabled and `restart` emitted.  The driver runs in its own
// thread and its widgets in the GUI thread, as in the program.  Prints the
// median of 20 runs.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench_events.h"
#include "custom_check_box.h"
#include "module_mdx11.h"

// Start failures (no device is open) are expected on every restart, so
// messages are not printed.
int main(int argc, char** argv) {
    qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 20;

    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("vernier.ini")), QSettings::IniFormat);
    QWidget settingsHost, controlsHost, infoHost, optionsHost;
    QThread moduleThread;
    auto* driver = new ModuleMdx11;
    std::atomic<int> restarts{0};
    QObject::connect(driver, &ModuleMdx11::restart, [&restarts] { ++restarts; });
    driver->loadSettings(&settings);
    driver->moveToThread(&moduleThread);
    moduleThread.start();
    driver->createWidgets(&settingsHost, &controlsHost, nullptr, &infoHost, &optionsHost);

    auto* mode = settingsHost.findChild<QComboBox*>(QStringLiteral("comboBoxMode"));
    auto* all = settingsHost.findChild<Ui::CustomCheckBox*>();
    std::vector<QWidget*> rows;
    for (int n = 1; n <= 32; ++n)
        rows.push_back(controlsHost.findChild<QWidget*>(QStringLiteral("comboBoxRangeCh%1").arg(n)));
    auto rowsEnabled = [&rows](bool enabled) {
        for (QWidget* w : rows)
            if (w->testAttribute(Qt::WA_ForceDisabled) == enabled)
                return false;
        return true;
    };

    int expected = restarts + 1;
    mode->setCurrentIndex(1);
    bool ok = pumpUntil([&] { return restarts >= expected; }, 10000);
    // Start every run from all channels unchecked.
    if (ok && all->checkState() != Qt::Unchecked) {
        if (all->checkState() == Qt::PartiallyChecked) {
            expected = restarts + 1;
            all->click();
            ok = pumpUntil([&] { return restarts >= expected && rowsEnabled(true); }, 10000);
        }
        expected = restarts + 1;
        all->click();
        ok = ok && pumpUntil([&] { return restarts >= expected && rowsEnabled(false); }, 10000);
    }

    std::vector<double> ms;
    for (int run = 0; ok && run < runs; ++run) {
        expected = restarts + 1;
        QElapsedTimer clock;
        clock.start();
        all->click();
        ok = pumpUntil([&] { return restarts >= expected && rowsEnabled(true); }, 10000);
        ms.push_back(clock.nsecsElapsed() / 1e6);
        expected = restarts + 1;
        all->click();
        ok = ok && pumpUntil([&] { return restarts >= expected && rowsEnabled(false); }, 10000);
    }

    moduleThread.quit();
    pumpUntil([&] { return moduleThread.isFinished(); }, 10000);
    moduleThread.wait();
    delete driver;

    if (!ok || ms.empty()) {
        std::printf("allchannels: FAILED (the driver did not answer within 10 s)\n");
        return 1;
    }
    std::sort(ms.begin(), ms.end());
    std::printf(
        "allchannels: click -> 32 rows enabled and restart: median %.2f ms, min %.2f, max %.2f over %zu "
        "runs (target <= 100 ms)\n",
        ms[ms.size() / 2], ms.front(), ms.back(), ms.size());
    return 0;
}
