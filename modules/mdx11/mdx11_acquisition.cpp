#include "mdx11_acquisition.h"

#include <QMetaObject>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "channel_band.h"
#include "channel_words.h"

namespace {

// Decimals as stored are used as they are; only values QString cannot format
// sensibly are brought into range.
int clampDecimals(int decimals) {
    return std::clamp(decimals, 0, 17);
}

} // namespace

Mdx11Acquisition::Mdx11Acquisition(const std::atomic<VRK_Handle>& handle, ControlMirror& mirror,
                                   DisplayPass& display, QTimer* timer)
    : handle(handle), mirror(mirror), display(display), displayTimer(timer) {}

bool Mdx11Acquisition::start() {
    std::lock_guard<std::mutex> lock(controlMutex);
    return startLocked();
}

bool Mdx11Acquisition::stop() {
    std::lock_guard<std::mutex> lock(controlMutex);
    mirror.dropRestart();
    return stopLocked();
}

// Any thread; no side effect.
bool Mdx11Acquisition::isRunning() const {
    return receiver.isRunning();
}

std::unique_lock<std::mutex> Mdx11Acquisition::lockControl() {
    return std::unique_lock<std::mutex>(controlMutex);
}

void Mdx11Acquisition::dropRestart() {
    mirror.dropRestart();
}

void Mdx11Acquisition::setDeviceLocked(const QString& serial) {
    deviceSerial = serial;
}

// A restart dropped by the engine's start or stop finds no pending flag and
// does nothing.  With no device open there is nothing to restart: choosing
// a device starts acquisition from the mirror anyway.
void Mdx11Acquisition::restart(const std::function<bool()>& opened) {
    std::lock_guard<std::mutex> lock(controlMutex);
    quint64 copies = 0;
    if (!mirror.restartPending(&copies))
        return;
    if (isRunning())
        stopLocked();
    if (opened())
        startLocked();
    // A start that failed before copying the mirror leaves the flag set; the
    // next change must be able to ask again.
    mirror.restartServed(copies);
}

bool Mdx11Acquisition::startLocked() {
    // Refuse before configuring the device under a loop that still reads it.
    if (!receiver.readyToStart())
        return false;
    std::shared_ptr<const AcquisitionRun> next = applyAdcSettings();
    if (!next)
        return false;
    auto nextQueues = std::make_shared<SampleQueues>(int(next->channels.size()), size_t(next->samplesChannel),
                                                     size_t(ModuleReceiverMdx11::maxQueuedFrames));
    if (!receiver.startStreams(next, nextQueues))
        return false;
    qInfo("%s", qUtf8Printable(channelBandText(next->channelRateHz)));
    const int interval = next->displayIntervalMs();
    display.setRun(std::move(next), std::move(nextQueues));
    // The timer lives in the GUI thread; start(int) also sets the interval.
    if (QTimer* timer = displayTimer)
        QMetaObject::invokeMethod(
            timer, [timer, interval] { timer->start(interval); }, Qt::QueuedConnection);
    return true;
}

bool Mdx11Acquisition::stopLocked() {
    if (QTimer* timer = displayTimer)
        QMetaObject::invokeMethod(
            timer, [timer] { timer->stop(); }, Qt::QueuedConnection);
    // A display pass never waits for anything but dataMutex, so this ends.
    if (!display.waitIdle(displayPassWaitMs))
        qWarning("Проход отображения не завершился за %d мс", displayPassWaitMs);
    return receiver.stopStreams();
}

// Caller holds controlMutex; the loop is not running.  Reads the controls
// only from their mirror, copied at once.  Everything the run needs is put into its description here (kind,
// range and full scale per channel, decimals, rate, window), so neither the
// loop nor the display pass reads a widget, a driver member or the device.
std::shared_ptr<const AcquisitionRun> Mdx11Acquisition::applyAdcSettings() {
    // This copy serves every restart asked for so far.
    const MirrorSnapshot taken = mirror.take();
    const VRK_Handle device = handle.load();
    const quint8 mode = taken.modeCode;

    std::array<bool, 33> dcByNumber{};
    std::array<int, 33> rangeByNumber{};
    auto next = std::make_shared<AcquisitionRun>();
    next->handle = device;
    AcquisitionConfig& config = next->config;
    config.modeCode = mode;
    int32_t logical = 0;
    for (const ChannelControlState& row : taken.rows) {
        if (!row.checked || row.number < 1 || row.number > 32)
            continue;
        if (row.rangeCode < 0 || row.rangeCode > 3) {
            qCritical("Недопустимый индекс диапазона %u", unsigned(row.rangeIndex));
            continue;
        }
        rangeCode = quint8(row.rangeCode);
        VRK11_SetLChannel(device, logical, row.number - 1, mode, rangeCode);
        dcByNumber[size_t(row.number)] = row.dc;
        rangeByNumber[size_t(row.number)] = row.rangeCode;
        config.channels.append({row.number, row.dc, row.rangeCode});
        ++logical;
    }
    if (logical == 0)
        return nullptr;

    VRK11_SetLChannelCount(device, logical);
    double frequency = adcFrequencyTable[std::clamp(taken.adcFrequencyIndex, 0, 4)];
    VRK11_SetAdcFreq(device, &frequency, nullptr);

    if (receiver.configureAcquisition(taken.testSignalFrequencyHz, *next) == 0)
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
    next->decimalsAc = clampDecimals(taken.accuracy.ac[rangeCode]);
    next->decimalsDc = clampDecimals(taken.accuracy.dc[rangeCode]);
    next->decimalsFreq = clampDecimals(taken.accuracy.freq);
    next->displayPeriodMs = taken.displayPeriodMs;
    next->device = deviceSerial;
    config.adcFrequencyHz = frequency;
    config.serial = ++configSerial;
    config.controlsCopy = taken.copy;
    // A channel no longer measured loses its overload and alias marks now;
    // a measured one keeps them until its next pass.
    display.showConfiguration(config.serial, measured, next->channelRateHz);
    return next;
}
