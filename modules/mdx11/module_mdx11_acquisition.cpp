// Acquisition side of the 11-series driver: start/stop/restart, the channel
// table sent to the device, the display pass and the per-channel analysis.

#include <QDateTime>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMetaObject>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "module_mdx11.h"
#include "module_receiver_mdx11.h"
#include "pass_feed.h"

namespace {

// Longest a stop waits for a display pass to finish before it goes on.
constexpr int displayPassWaitMs = 1000;

// Decimals as stored are used as they are; only values QString cannot format
// sensibly are brought into range.
int clampDecimals(int decimals) {
    return std::clamp(decimals, 0, 17);
}

} // namespace

// Any thread (the engine: GUI thread).  Waits for a restart in progress
// (controlMutex), then configures and starts; the configuration copies the
// mirror and so serves a pending restart too.  Worst case while a restart is
// in progress: that restart's stop (see stop) plus two configurations.
bool ModuleMdx11::start(int reserved) {
    std::lock_guard<std::mutex> lock(controlMutex);
    return startLocked(reserved);
}

// Any thread (the engine: GUI thread and threadEngine).  Waits for a restart
// in progress (controlMutex) and drops a pending one.  Worst case: a restart
// in progress (one stop plus one configuration), then the display pass in
// progress (displayPassWaitMs, 1 s; in practice milliseconds) and the end of
// the receive loop (stopJoinMs, 2 s, after which a loop stuck in the library
// is left; in practice milliseconds, since the stop wakes a blocked
// receive).  So at most 3 s plus the library's own StreamsStop.
bool ModuleMdx11::stop() {
    std::lock_guard<std::mutex> lock(controlMutex);
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
    std::lock_guard<std::mutex> lock(controlMutex);
    quint64 copies = 0;
    {
        std::lock_guard<std::mutex> state(controlStateMutex);
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
    std::lock_guard<std::mutex> state(controlStateMutex);
    if (mirrorCopies == copies)
        restartPending = false;
}

void ModuleMdx11::dropPendingRestart() {
    std::lock_guard<std::mutex> state(controlStateMutex);
    restartPending = false;
}

bool ModuleMdx11::startLocked(int reserved) {
    if (reserved != 0 || !receiver)
        return false;
    // Refuse (or wait out a stop) before configuring the device under a
    // loop that still reads it.
    if (!receiver->readyToStart())
        return false;
    std::shared_ptr<const AcquisitionRun> next = applyAdcSettings();
    if (!next)
        return false;
    auto nextQueues = std::make_shared<SampleQueues>(int(next->channels.size()), size_t(next->samplesChannel),
                                                     size_t(ModuleReceiverMdx11::maxQueuedFrames));
    if (!receiver->startStreams(next, nextQueues))
        return false;
    const int interval = std::max(next->periodMs, next->displayPeriodMs);
    display->setRun(std::move(next), std::move(nextQueues));
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
    if (!display->waitIdle(displayPassWaitMs))
        qWarning("Проход отображения не завершился за %d мс", displayPassWaitMs);
    return receiver ? receiver->stopStreams() : false;
}

// Caller holds controlMutex; the loop is not running.  Reads the channel
// rows only from their mirror, and copies the driver's scalar settings under
// the mirror's lock as well, so a writer that holds it never races this
// copy.  Everything the run needs is put into its description here (kind,
// range and full scale per channel, decimals, rate, window), so neither the
// loop nor the display pass reads a widget, a driver member or the device.
std::shared_ptr<const AcquisitionRun> ModuleMdx11::applyAdcSettings() {
    std::vector<ChannelControlState> rows;
    quint8 mode = 0;
    int frequencyIndex = 0;
    std::array<int, 4> decimalsAc{}, decimalsDc{};
    int decimalsFreq = 0;
    int period = 0;
    double signalHz = 0;
    {
        std::lock_guard<std::mutex> lock(controlStateMutex);
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
        signalHz = testSignalFrequencyHz;
    }

    std::array<bool, 33> dcByNumber{};
    std::array<int, 33> rangeByNumber{};
    auto next = std::make_shared<AcquisitionRun>();
    next->handle = handle;
    AcquisitionConfig& config = next->config;
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
        return nullptr;

    VRK11_SetLChannelCount(handle, logical);
    double frequency = adcFrequencyTable[std::clamp(frequencyIndex, 0, 4)];
    VRK11_SetAdcFreq(handle, &frequency, nullptr);

    if (receiver->configureAcquisition(signalHz, *next) == 0)
        return nullptr;

    std::array<bool, 33> measured{};
    for (RunChannel& entry : next->channels) {
        const bool known = entry.channel >= 0 && entry.channel < 32;
        entry.dc = known && dcByNumber[size_t(entry.channel + 1)];
        entry.rangeCode = known ? rangeByNumber[size_t(entry.channel + 1)] : 0;
        entry.fullScale = rangeFullScale(entry.rangeCode);
        if (known)
            measured[size_t(entry.channel + 1)] = true;
    }
    next->decimalsAc = clampDecimals(decimalsAc[rangeCode]);
    next->decimalsDc = clampDecimals(decimalsDc[rangeCode]);
    next->decimalsFreq = clampDecimals(decimalsFreq);
    next->displayPeriodMs = period;
    config.adcFrequencyHz = frequency;
    config.serial = ++configSerial;
    // A channel no longer measured loses its overload mark now; a measured
    // one keeps it until its next pass.
    display->showConfiguration(config.serial, measured);
    return next;
}

// threadModule, run by displayTimer.
void ModuleMdx11::displayResults() {
    display->pass();
}
