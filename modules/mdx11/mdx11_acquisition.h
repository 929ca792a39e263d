#ifndef MDX11_ACQUISITION_H
#define MDX11_ACQUISITION_H

#include <QString>
#include <QtGlobal>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "acquisition_run.h"
#include "control_mirror.h"
#include "display_pass.h"
#include "module_receiver_mdx11.h"
#include "vrk_api.h"

class QTimer;

// The acquisition of the 11-series driver: the configuration of a run from
// the control mirror, its start and stop, and the restart that coalesces
// the operator's changes.
//
// Threads: start, stop, isRunning and restart are called from any thread
// (the engine's in the GUI thread and threadEngine, restart in threadModule);
// the device connection takes lockControl around open and close.  Locks:
// controlMutex serialises all of them; under it the display pass's lock,
// the queues' and the mirror's are taken, in that order, never the other
// way.  The display timer lives in the GUI thread and is reached only by
// queued calls.
class Mdx11Acquisition {
public:
    // `handle` is the driver's device handle, changed only under
    // lockControl; `timer` (GUI thread) runs the display passes.
    Mdx11Acquisition(const std::atomic<VRK_Handle>& handle, ControlMirror& mirror, DisplayPass& display,
                     QTimer* timer);

    // Waits for a restart in progress, then configures and starts; the
    // configuration copies the mirror and so serves a pending restart too.
    bool start();
    // Waits for a restart in progress and drops a pending one, then stops.
    // Worst case: a restart in progress (one stop plus one configuration),
    // the display pass in progress (displayPassWaitMs, 1 s; in practice
    // milliseconds) and the end of the receive loop (stopJoinMs, 2 s, after
    // which a loop stuck in the library is left).
    bool stop();
    bool isRunning() const;
    // threadModule, reached through the driver's `restart`: stops and starts
    // again if a restart is pending; never waits for the GUI thread.
    // `opened`, asked under controlMutex, tells whether there is a device.
    void restart(const std::function<bool()>& opened);

    // For the device connection: held around open and close, which then
    // call dropRestart and, for close, stopLocked.
    std::unique_lock<std::mutex> lockControl();
    void dropRestart();
    bool stopLocked();
    // The serial of the module now open, empty for none; the records of the
    // runs configured from now on name it.  Caller holds lockControl.
    void setDeviceLocked(const QString& serial);

    // Longest a stop waits for a display pass to finish before it goes on.
    static constexpr int displayPassWaitMs = 1000;

private:
    bool startLocked();
    // Builds the description of the next run from the mirror and configures
    // the device for it; null (the reason logged) when it cannot run.
    std::shared_ptr<const AcquisitionRun> applyAdcSettings();

    const std::atomic<VRK_Handle>& handle;
    ControlMirror& mirror;
    DisplayPass& display;
    QTimer* displayTimer;
    std::mutex controlMutex;
    ModuleReceiverMdx11 receiver;
    // Serial of the last configuration (controlMutex).
    quint64 configSerial = 0;
    // The range code of the channel written last to the device's table: its
    // column of decimals applies to every channel (controlMutex).
    quint8 rangeCode = 0;
    // Serial of the open module (controlMutex).
    QString deviceSerial;
};

#endif // MDX11_ACQUISITION_H
