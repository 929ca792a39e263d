// Acquisition side of the 11-series driver: start/stop/restart, the channel
// table sent to the device, the display pass and the per-channel analysis.

#include <QLineEdit>
#include <QMetaObject>
#include <QMutexLocker>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "module_mdx11.h"
#include "module_receiver_mdx11.h"
#include "signal_analysis.h"

namespace {

// Longest a stop waits for a display pass to finish before it goes on.
constexpr int displayPassWaitMs = 10000;

// Decimals as stored are used as they are; only values QString cannot format
// sensibly are brought into range.
int clampDecimals(int decimals) {
    return std::clamp(decimals, 0, 17);
}

void setTextQueued(QLineEdit* edit, const QString& text) {
    if (edit)
        QMetaObject::invokeMethod(edit, "setText", Qt::QueuedConnection, Q_ARG(QString, text));
}

} // namespace

// Any thread (the engine: GUI thread; restartManual: threadModule).  Locks
// controlMutex, and displayMutex with dataMutex while configuring; never waits
// for the GUI thread (the timer is started by a queued call).
bool ModuleMdx11::start(int reserved) {
    QMutexLocker lock(&controlMutex);
    return startLocked(reserved);
}

// Any thread (the engine: GUI thread and threadEngine).  Locks controlMutex;
// waits a bounded time for a display pass to end, then at most one receive
// timeout plus a margin for the loop.
bool ModuleMdx11::stop() {
    QMutexLocker lock(&controlMutex);
    return stopLocked();
}

// Any thread; no lock, no side effect.
bool ModuleMdx11::isRunning() {
    return receiver && receiver->isRunning();
}

// threadModule, reached through `restart`.  With no device open there is
// nothing to restart: the change takes effect when a device is chosen, which
// starts acquisition from the controls anyway.  Starting here would only fail
// and raise an error box, e.g. at every launch whose stored channels switch
// the mode before any device is open.
void ModuleMdx11::restartManual() {
    QMutexLocker lock(&controlMutex);
    if (isRunning())
        stopLocked();
    if (isOpened())
        startLocked(0);
}

bool ModuleMdx11::startLocked(int reserved) {
    if (reserved != 0 || !receiver)
        return false;
    // Refuse (or wait out a stop) before touching the configuration: the
    // buffers, queues and window belong to the running loop.
    if (!receiver->readyToStart())
        return false;
    int interval = 0;
    {
        QMutexLocker display(&displayMutex);
        QMutexLocker data(&dataMutex);
        if (!applyAdcSettings())
            return false;
        interval = displayIntervalMs;
    }
    if (!receiver->startStreams())
        return false;
    // The timer lives in the GUI thread; start(int) also sets the interval.
    if (displayTimer)
        QMetaObject::invokeMethod(displayTimer, "start", Qt::QueuedConnection, Q_ARG(int, interval));
    return true;
}

bool ModuleMdx11::stopLocked() {
    if (displayTimer)
        QMetaObject::invokeMethod(displayTimer, "stop", Qt::QueuedConnection);
    // A display pass never waits for anything but dataMutex, so this ends.
    if (displayMutex.tryLock(displayPassWaitMs))
        displayMutex.unlock();
    else
        qWarning("Проход отображения не завершился за %d мс", displayPassWaitMs);
    return receiver ? receiver->stopStreams() : false;
}

// Caller holds controlMutex, displayMutex and dataMutex; the loop is not
// running.  Reads the channel rows only from their mirror, and copies the
// driver's scalar settings under the mirror's lock as well, so a writer that
// holds it never races this copy.  What the display pass needs is taken here
// (type per channel, decimals, rate), so it reads no widget and calls no
// device function.
bool ModuleMdx11::applyAdcSettings() {
    std::vector<ChannelControlState> rows;
    quint8 mode = 0;
    int frequencyIndex = 0;
    std::array<int, 4> decimalsAc{}, decimalsDc{};
    int decimalsFreq = 0;
    int period = 0;
    {
        QMutexLocker lock(&controlStateMutex);
        rows = controlState;
        mode = modeCode;
        frequencyIndex = adcFrequencyIndex;
        std::copy(std::begin(accuracyAc), std::end(accuracyAc), decimalsAc.begin());
        std::copy(std::begin(accuracyDc), std::end(accuracyDc), decimalsDc.begin());
        decimalsFreq = accuracyFreq;
        period = displayPeriodMs;
    }

    std::array<bool, 33> dcByNumber{};
    int32_t logical = 0;
    for (const ChannelControlState& row : rows) {
        if (!row.checked || row.number < 1 || row.number > 32)
            continue;
        if (row.rangeCode < 0 || row.rangeCode > 3) {
            qCritical("Недопустимый индекс диапазона %u", unsigned(row.rangeIndex));
            continue;
        }
        rangeCode = quint8(row.rangeCode);
        VRK11_SetLChannel(handle, logical, row.number - 1, mode, rangeCode);
        dcByNumber[size_t(row.number)] = row.dc;
        ++logical;
    }
    if (logical == 0)
        return false;

    VRK11_SetLChannelCount(handle, logical);
    double frequency = adcFrequencyTable[std::clamp(frequencyIndex, 0, 4)];
    VRK11_SetAdcFreq(handle, &frequency, nullptr);

    const int periodMs = receiver->configureAcquisition(testSignalFrequencyHz);
    if (periodMs == 0)
        return false;

    for (ChannelData& entry : channels)
        entry.dc = entry.channel >= 0 && entry.channel < 32 && dcByNumber[size_t(entry.channel + 1)];
    displayRateHz = receiver->channelRateHz();
    displayDecimalsAc = clampDecimals(decimalsAc[rangeCode]);
    displayDecimalsDc = clampDecimals(decimalsDc[rangeCode]);
    displayDecimalsFreq = clampDecimals(decimalsFreq);
    displayIntervalMs = std::max(periodMs, period);
    return true;
}

// threadModule, run by displayTimer.  Holds displayMutex for the pass and
// dataMutex per channel; reads no widget, writes the fields by queued calls.
void ModuleMdx11::displayResults() {
    if (!displayMutex.tryLock(0))
        return;
    for (size_t i = 0; i < channels.size(); ++i) {
        const int number = channels[i].channel + 1;
        QLineEdit* voltage = number >= 1 && number <= 32 ? voltageEdits[size_t(number)] : nullptr;
        QLineEdit* frequency = number >= 1 && number <= 32 ? frequencyEdits[size_t(number)] : nullptr;
        QMutexLocker lock(&dataMutex);
        const int count = int(std::min<size_t>(channels[i].samples.size(), size_t(INT32_MAX)));
        if (count == 0)
            continue;
        if (!channels[i].dc) {
            const std::pair<double, double> reading = analyzeAc(int(i), count);
            setTextQueued(voltage, QString::number(reading.first * 1000.0, 'f', displayDecimalsAc));
            setTextQueued(frequency, QString::number(reading.second / 1000.0, 'f', displayDecimalsFreq));
        } else {
            const double level = analyzeDc(int(i), count);
            setTextQueued(voltage, QString::number(level * 1000.0, 'f', displayDecimalsDc));
            setTextQueued(frequency, QString());
        }
    }
    displayMutex.unlock();
}

namespace {

std::vector<double> drain(std::deque<double>& queue, int count) {
    const size_t n = std::min(queue.size(), size_t(std::max(count, 0)));
    std::vector<double> values(queue.begin(), queue.begin() + std::ptrdiff_t(n));
    queue.erase(queue.begin(), queue.begin() + std::ptrdiff_t(n));
    return values;
}

} // namespace

// Caller holds displayMutex and dataMutex.  The rate is the one taken at
// configuration, so no device call is made from the display pass.
std::pair<double, double> ModuleMdx11::analyzeAc(int logicalChannel, int count) {
    if (logicalChannel < 0 || size_t(logicalChannel) >= channels.size())
        return {0.0, 0.0};
    return analyzeAcSamples(drain(channels[size_t(logicalChannel)].samples, count), displayRateHz);
}

// Caller holds displayMutex and dataMutex.
double ModuleMdx11::analyzeDc(int logicalChannel, int count) {
    if (logicalChannel < 0 || size_t(logicalChannel) >= channels.size())
        return 0.0;
    return analyzeDcSamples(drain(channels[size_t(logicalChannel)].samples, count));
}
