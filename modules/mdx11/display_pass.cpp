#include "display_pass.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <chrono>
#include <utility>

#include "field_writer.h"
#include "pass_feed.h"

DisplayPass::DisplayPass(PassFeed* feed) : feed(feed) {}

DisplayPass::~DisplayPass() = default;

void DisplayPass::setFields(QWidget* fieldsHost, const std::array<QLineEdit*, 33>& voltages,
                            const std::array<QLineEdit*, 33>& frequencies, QLabel* band) {
    writer = std::make_unique<FieldWriter>(fieldsHost, voltages, frequencies, band);
}

void DisplayPass::setRun(std::shared_ptr<const AcquisitionRun> next,
                         std::shared_ptr<SampleQueues> nextQueues) {
    QElapsedTimer now;
    now.start();
    std::lock_guard<std::mutex> lock(displayMutex);
    run = std::move(next);
    queues = std::move(nextQueues);
    runStartMs = now.msecsSinceReference();
}

void DisplayPass::showConfiguration(quint64 serial, const std::array<bool, 33>& measured,
                                    double channelRateHz) {
    if (writer)
        writer->postConfiguration(serial, measured, channelRateHz);
}

void DisplayPass::showReleased() {
    if (writer)
        writer->postRelease();
}

// threadModule, run by the display timer.  Takes the dataMutex of the
// queues only while it swaps the queued samples out; analyses, formats and
// posts after that, so the receive loop never waits behind an FFT.  Reads
// no widget.
void DisplayPass::pass() {
    std::shared_ptr<const AcquisitionRun> current;
    std::shared_ptr<SampleQueues> source;
    qint64 startMs = 0;
    {
        std::lock_guard<std::mutex> lock(displayMutex);
        if (passing || !run || !queues)
            return;
        passing = true;
        current = run;
        source = queues;
        startMs = runStartMs;
    }
    source->take(taken);
    QElapsedTimer now;
    now.start();
    // Readings and stale channels alike: a record of stale channels only
    // tells the recorder and the fields that nothing came.
    const PassRecord record = passAnalysis.analyze(*current, taken, QDateTime::currentDateTime(),
                                                   now.msecsSinceReference(), startMs);
    if (writer && !record.readings.isEmpty())
        writer->postReadings(record.config.serial, record.readings);
    if (feed && !record.readings.isEmpty())
        feed->publish(record);
    {
        std::lock_guard<std::mutex> lock(displayMutex);
        passing = false;
    }
    passEnded.notify_all();
}

bool DisplayPass::waitIdle(int timeoutMs) {
    std::unique_lock<std::mutex> lock(displayMutex);
    return passEnded.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !passing; });
}

std::size_t DisplayPass::queuedSamples() {
    std::shared_ptr<const AcquisitionRun> current;
    std::shared_ptr<SampleQueues> source;
    {
        std::lock_guard<std::mutex> lock(displayMutex);
        current = run;
        source = queues;
    }
    std::size_t n = 0;
    for (int i = 0; source && current && i < int(current->channels.size()); ++i)
        n += source->queued(i).size();
    return n;
}

std::vector<double> DisplayPass::queued(int channel) {
    std::shared_ptr<SampleQueues> source;
    {
        std::lock_guard<std::mutex> lock(displayMutex);
        source = queues;
    }
    return source ? source->queued(channel) : std::vector<double>();
}
