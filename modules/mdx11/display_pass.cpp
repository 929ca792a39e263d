#include "display_pass.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMetaObject>
#include <QString>
#include <QWidget>
#include <chrono>
#include <utility>

#include "pass_feed.h"

namespace {

// Marks `edit` red, with a tooltip, while its channel clips.  Only a change
// of the mark touches the widget.  GUI thread.
void markOverload(QLineEdit* edit, bool overload) {
    if (edit->property("overload").toBool() == overload)
        return;
    edit->setProperty("overload", overload);
    edit->setStyleSheet(overload ? QStringLiteral("QLineEdit { background-color: #ff6b6b; }") : QString());
    edit->setToolTip(overload ? QStringLiteral("Перегрузка: сигнал выходит за предел измерения") : QString());
}

} // namespace

DisplayPass::DisplayPass(PassFeed* feed) : feed(feed) {}

void DisplayPass::setFields(QWidget* fieldsHost, const std::array<QLineEdit*, 33>& voltages,
                            const std::array<QLineEdit*, 33>& frequencies) {
    host = fieldsHost;
    voltageEdits = voltages;
    frequencyEdits = frequencies;
}

void DisplayPass::setRun(std::shared_ptr<const AcquisitionRun> next,
                         std::shared_ptr<SampleQueues> nextQueues) {
    std::lock_guard<std::mutex> lock(displayMutex);
    run = std::move(next);
    queues = std::move(nextQueues);
}

// Clears the marks in the GUI thread, unless a configuration newer than
// `serial` has started by then.
void DisplayPass::showConfiguration(quint64 serial, const std::array<bool, 33>& measured) {
    shownSerial->store(serial);
    if (!host)
        return;
    QMetaObject::invokeMethod(
        host,
        [shown = shownSerial, serial, measured, voltages = voltageEdits] {
            if (shown->load() != serial)
                return;
            for (int number = 1; number <= 32; ++number)
                if (!measured[size_t(number)] && voltages[size_t(number)])
                    markOverload(voltages[size_t(number)], false);
        },
        Qt::QueuedConnection);
}

// threadModule, run by the display timer.  Takes the dataMutex of the
// queues only while it swaps the queued samples out; analyses, formats and
// posts after that, so the receive loop never waits behind an FFT.  Reads
// no widget.
void DisplayPass::pass() {
    std::shared_ptr<const AcquisitionRun> current;
    std::shared_ptr<SampleQueues> source;
    {
        std::lock_guard<std::mutex> lock(displayMutex);
        if (passing || !run || !queues)
            return;
        passing = true;
        current = run;
        source = queues;
    }
    source->take(taken);
    QElapsedTimer now;
    now.start();
    const PassRecord record =
        passAnalysis.analyze(*current, taken, QDateTime::currentDateTime(), now.msecsSinceReference());
    showReadings(record);
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

// One queued call per pass writes every field of the pass in the GUI
// thread, unless a configuration newer than the pass's has started by then:
// a field never shows a reading of an older configuration once a new one
// runs.  The host is the call's context, so a call still queued when the
// form goes is dropped with it.
void DisplayPass::showReadings(const PassRecord& record) {
    if (!host || record.readings.isEmpty())
        return;
    QMetaObject::invokeMethod(
        host,
        [shown = shownSerial, serial = record.config.serial, readings = record.readings,
         voltages = voltageEdits, frequencies = frequencyEdits] {
            if (shown->load() != serial)
                return;
            for (const ChannelReading& reading : readings) {
                if (reading.number < 1 || reading.number > 32)
                    continue;
                QLineEdit* voltage = voltages[size_t(reading.number)];
                QLineEdit* frequency = frequencies[size_t(reading.number)];
                if (voltage) {
                    voltage->setText(reading.voltage);
                    markOverload(voltage, reading.overload);
                }
                if (frequency)
                    frequency->setText(reading.frequency);
            }
        },
        Qt::QueuedConnection);
}
