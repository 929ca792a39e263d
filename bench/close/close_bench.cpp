// Close time of the main window while it measures, with a simulated module
// whose receive ignores the stop and the close for 8 s: the close must end
// within its bound all the same.  Opens the window N times (argument,
// default 10), waits for a reading, closes it, and prints the median and
// maximum of the close (the window's close event: stop, device close, the
// threads' ends, recording and settings flushed).  Then the same for the
// close's wait for a CSV writer whose write never returns (a hung file
// system), N times.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTextCodec>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "csv_recorder.h"
#include "csv_sink.h"
#include "default_module.h"
#include "log_handler.h"
#include "mainwindow.h"
#include "module_receiver_mdx11.h"

namespace {

constexpr int ignoreStopMs = 8000;

bool writeSimConfig(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(QStringLiteral(R"({"searchDelayMs": 0, "realtime": true, "devices": [
        {"name": "VRK11", "address": "192.0.2.11", "serial": "SIM-CLOSE",
         "channels": {"1": {"waveform": "dc", "offset": 1.5}},
         "faults": {"ignoreStopMs": %1}}]})")
                   .arg(ignoreStopMs)
                   .toUtf8());
    return qputenv("VRK_SIM_CONFIG", QFile::encodeName(path));
}

// A file whose writes hang until released, as on a hung file system.
// Writer thread.
class HungSink : public CsvSink {
public:
    explicit HungSink(std::shared_ptr<std::atomic<bool>> release) : release(std::move(release)) {}
    bool create(const QString&, QString*, bool*) override { return true; }
    bool write(const QByteArray&, QString*) override {
        while (!release->load())
            std::this_thread::sleep_for(std::chrono::milliseconds(50)); // the hang itself
        return true;
    }
    bool present(QString*) override { return true; }
    void close() override {}

private:
    std::shared_ptr<std::atomic<bool>> release;
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("Windows-1251"));
    qInstallMessageHandler(logMessageHandler);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    if (!writeSimConfig(QStringLiteral("sim.json")))
        return 1;
    std::vector<double> closeMs;
    for (int round = 0; round < rounds; ++round) {
        auto* window = new MainWindow(nullptr, createDefaultModule);
        window->show();
        auto* reading = window->findChild<QLineEdit*>(QStringLiteral("lineEditVoltageCh1"));
        if (!reading || !QTest::qWaitFor([reading] { return !reading->text().isEmpty(); }, 20000)) {
            std::fprintf(stderr, "no reading\n");
            return 1;
        }
        QElapsedTimer clock;
        clock.start();
        window->close();
        closeMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (!window->threadsEnded()) {
            std::fprintf(stderr, "a thread did not end\n");
            return 1;
        }
        delete window;
    }
    // The loops left in the library end on their own; wait for them, so the
    // process ends as a clean one.
    const bool joined = ModuleReceiverMdx11::joinAbandonedLoops(ignoreStopMs + 2000);
    const double closeMax = *std::max_element(closeMs.begin(), closeMs.end());
    std::printf("close: %d rounds, the library ignoring the stop for %d ms: median %.0f ms, max %.0f ms "
                "(bound %d ms: %s); loops left behind ended: %s\n",
                rounds, ignoreStopMs, median(closeMs), closeMax, 5000, closeMax <= 5000 ? "met" : "MISSED",
                joined ? "yes" : "no");

    auto release = std::make_shared<std::atomic<bool>>(false);
    std::vector<double> writerMs;
    for (int round = 0; round < rounds; ++round) {
        CsvRecorder recorder;
        recorder.setSinkFactory([release] { return std::make_unique<HungSink>(release); });
        if (!recorder.start(QString()))
            return 1;
        recorder.stop();
        QElapsedTimer clock;
        clock.start();
        recorder.waitForWriters();
        writerMs.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    *release = true;
    const bool writersEnded = QTest::qWaitFor([] { return CsvRecorder::abandonedWriters() == 0; }, 5000);
    const double writerMax = *std::max_element(writerMs.begin(), writerMs.end());
    std::printf(
        "close: %d rounds, a CSV writer stuck in a write: wait median %.0f ms, max %.0f ms (bound %d ms: "
        "%s); writers given up ended once released: %s\n",
        rounds, median(writerMs), writerMax, CsvRecorder::writerWaitMs,
        writerMax <= CsvRecorder::writerWaitMs + 100 ? "met" : "MISSED", writersEnded ? "yes" : "no");
    return 0;
}
