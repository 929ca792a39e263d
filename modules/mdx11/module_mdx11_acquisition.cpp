// Acquisition side of the 11-series driver: start/stop/restart, the channel
// table sent to the device, the display pass and the per-channel analysis.

#include <QDateTime>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMetaObject>
#include <QMutexLocker>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "module_mdx11.h"
#include "module_receiver_mdx11.h"
#include "pass_feed.h"
#include "signal_analysis.h"

namespace {

// Longest a stop waits for a display pass to finish before it goes on.
constexpr int displayPassWaitMs = 10000;

// Decimals as stored are used as they are; only values QString cannot format
// sensibly are brought into range.
int clampDecimals(int decimals) {
    return std::clamp(decimals, 0, 17);
}

using Serial = std::shared_ptr<std::atomic<quint64>>;

// Runs `change` on `edit` in the GUI thread, unless a configuration newer
// than `serial` has started by then: a field never shows a reading of an
// older configuration once a new one runs.
template <typename Change>
void postIfCurrent(QLineEdit* edit, const Serial& shown, quint64 serial, Change change) {
    if (!edit)
        return;
    QMetaObject::invokeMethod(
        edit,
        [shown, serial, change] {
            if (shown->load() == serial)
                change();
        },
        Qt::QueuedConnection);
}

void setTextQueued(QLineEdit* edit, const QString& text, const Serial& shown, quint64 serial) {
    postIfCurrent(edit, shown, serial, [edit, text] { edit->setText(text); });
}

// Marks `edit` red, with a tooltip, while its channel clips.  Only a change
// of the mark touches the widget.
void showOverload(QLineEdit* edit, bool overload, const Serial& shown, quint64 serial) {
    postIfCurrent(edit, shown, serial, [edit, overload] {
        if (edit->property("overload").toBool() == overload)
            return;
        edit->setProperty("overload", overload);
        edit->setStyleSheet(overload ? QStringLiteral("QLineEdit { background-color: #ff6b6b; }")
                                     : QString());
        edit->setToolTip(overload ? QStringLiteral("Перегрузка: сигнал выходит за предел измерения")
                                  : QString());
    });
}

} // namespace

// Any thread (the engine: GUI thread).  Waits for a restart in progress
// (controlMutex), then configures and starts; the configuration copies the
// mirror and so serves a pending restart too.  Worst case while a restart is
// in progress: that restart's stop (see stop) plus two configurations.
bool ModuleMdx11::start(int reserved) {
    QMutexLocker lock(&controlMutex);
    return startLocked(reserved);
}

// Any thread (the engine: GUI thread and threadEngine).  Waits for a restart
// in progress (controlMutex) and drops a pending one.  Worst case: a restart
// in progress (one stop plus one configuration), then the display pass in
// progress (bounded by displayPassWaitMs, in practice milliseconds) and the
// end of the receive loop (one receive timeout, a frame period plus 1 s,
// plus 2 s; in practice at most one frame period, since a stop wakes a
// blocked receive).
bool ModuleMdx11::stop() {
    QMutexLocker lock(&controlMutex);
    dropPendingRestart();
    return stopLocked();
}

// Any thread; no lock, no side effect.
bool ModuleMdx11::isRunning() {
    return receiver && receiver->isRunning();
}

// threadModule, reached through `restart` (queued).  Never waits for the GUI
// thread.  A restart dropped by the engine's start or stop finds no pending
// flag and does nothing.  With no device open there is nothing to restart:
// choosing a device starts acquisition from the mirror anyway.
void ModuleMdx11::restartManual() {
    QMutexLocker lock(&controlMutex);
    quint64 copies = 0;
    {
        QMutexLocker state(&controlStateMutex);
        if (!restartPending)
            return;
        copies = mirrorCopies;
    }
    if (isRunning())
        stopLocked();
    if (isOpened())
        startLocked(0);
    // A start that failed before copying the mirror leaves the flag set; the
    // next change must be able to ask again.  After a copy the flag belongs
    // to a later request.
    QMutexLocker state(&controlStateMutex);
    if (mirrorCopies == copies)
        restartPending = false;
}

void ModuleMdx11::dropPendingRestart() {
    QMutexLocker state(&controlStateMutex);
    restartPending = false;
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
    if (QTimer* timer = displayTimer)
        QMetaObject::invokeMethod(
            timer, [timer, interval] { timer->start(interval); }, Qt::QueuedConnection);
    return true;
}

bool ModuleMdx11::stopLocked() {
    if (QTimer* timer = displayTimer)
        QMetaObject::invokeMethod(
            timer, [timer] { timer->stop(); }, Qt::QueuedConnection);
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
        // This copy serves every restart asked for so far.
        restartPending = false;
        ++mirrorCopies;
        mode = modeCode;
        frequencyIndex = adcFrequencyIndex;
        std::copy(std::begin(accuracyAc), std::end(accuracyAc), decimalsAc.begin());
        std::copy(std::begin(accuracyDc), std::end(accuracyDc), decimalsDc.begin());
        decimalsFreq = accuracyFreq;
        period = displayPeriodMs;
    }

    std::array<bool, 33> dcByNumber{};
    std::array<int, 33> rangeByNumber{};
    AcquisitionConfig config;
    config.modeCode = mode;
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
        rangeByNumber[size_t(row.number)] = row.rangeCode;
        config.channels.append({row.number, row.dc, row.rangeCode});
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

    std::array<bool, 33> measured{};
    for (ChannelData& entry : channels) {
        const bool known = entry.channel >= 0 && entry.channel < 32;
        entry.dc = known && dcByNumber[size_t(entry.channel + 1)];
        entry.fullScale = rangeFullScale(known ? rangeByNumber[size_t(entry.channel + 1)] : 0);
        entry.overload = false;
        if (known)
            measured[size_t(entry.channel + 1)] = true;
    }
    displayRateHz = receiver->channelRateHz();
    displayDecimalsAc = clampDecimals(decimalsAc[rangeCode]);
    displayDecimalsDc = clampDecimals(decimalsDc[rangeCode]);
    displayDecimalsFreq = clampDecimals(decimalsFreq);
    displayIntervalMs = std::max(periodMs, period);
    config.adcFrequencyHz = frequency;
    config.serial = runConfig.serial + 1;
    runConfig = config;
    shownSerial->store(config.serial);
    // A channel no longer measured loses its overload mark now; a measured
    // one keeps it until its next pass.
    for (int number = 1; number <= 32; ++number)
        if (!measured[size_t(number)])
            showOverload(voltageEdits[size_t(number)], false, shownSerial, config.serial);
    return true;
}

// threadModule, run by displayTimer.  Holds displayMutex for the pass and
// dataMutex per channel; reads no widget, writes the fields by queued calls
// and publishes one record of what it wrote.
void ModuleMdx11::displayResults() {
    if (!displayMutex.tryLock(0))
        return;
    PassRecord record;
    record.config = runConfig;
    record.time = QDateTime::currentDateTime();
    QElapsedTimer now;
    now.start();
    record.monotonicMs = now.msecsSinceReference();
    const quint64 serial = runConfig.serial;
    for (size_t i = 0; i < channels.size(); ++i) {
        const int number = channels[i].channel + 1;
        QLineEdit* voltage = number >= 1 && number <= 32 ? voltageEdits[size_t(number)] : nullptr;
        QLineEdit* frequency = number >= 1 && number <= 32 ? frequencyEdits[size_t(number)] : nullptr;
        QMutexLocker lock(&dataMutex);
        const int count = int(std::min<size_t>(channels[i].samples.size(), size_t(INT32_MAX)));
        if (count == 0)
            continue;
        ChannelReading reading;
        reading.number = number;
        if (!channels[i].dc) {
            const std::pair<double, double> result = analyzeAc(int(i), count);
            reading.voltage = QString::number(result.first * 1000.0, 'f', displayDecimalsAc);
            reading.frequency = QString::number(result.second / 1000.0, 'f', displayDecimalsFreq);
        } else {
            reading.voltage = QString::number(analyzeDc(int(i), count) * 1000.0, 'f', displayDecimalsDc);
        }
        reading.overload = channels[i].overload;
        channels[i].overload = false;
        setTextQueued(voltage, reading.voltage, shownSerial, serial);
        setTextQueued(frequency, reading.frequency, shownSerial, serial);
        showOverload(voltage, reading.overload, shownSerial, serial);
        record.readings.append(reading);
    }
    if (feed && !record.readings.isEmpty())
        feed->publish(record);
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
    const std::vector<double> samples = drain(channels[size_t(logicalChannel)].samples, count);
    return analyzer.analyzeAc(samples.data(), samples.size(), receiver->analysisWindow(), displayRateHz);
}

// Caller holds displayMutex and dataMutex.
double ModuleMdx11::analyzeDc(int logicalChannel, int count) {
    if (logicalChannel < 0 || size_t(logicalChannel) >= channels.size())
        return 0.0;
    const std::vector<double> samples = drain(channels[size_t(logicalChannel)].samples, count);
    return analyzer.analyzeDc(samples.data(), samples.size(), receiver->analysisWindow());
}
