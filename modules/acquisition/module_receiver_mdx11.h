#ifndef MODULE_RECEIVER_MDX11_H
#define MODULE_RECEIVER_MDX11_H

#include <QMutex>
#include <QObject>
#include <QSemaphore>
#include <QWaitCondition>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "acquisition_run.h"
#include "channel_data.h"
#include "sample_queues.h"

// Receive loop of the 11-series driver.  Lives in the driver's
// receiverThread; dataReceiver runs there for the whole of a run.
//
// configureAcquisition, readyToStart, startStreams and stopStreams are called
// by the driver from any thread, one at a time (the driver serialises them
// under its controlMutex).  A run is described by one immutable
// AcquisitionRun; the loop reads only that value, its own buffers and the
// run's SampleQueues, which it shares with the display pass.
//
// Run state: `running` has a count from the moment startStreams has started
// the device streams until dataReceiver has left its loop, so a stop issued
// right after a start always finds the run and ends it.  `stopRequest` has a
// count while a stop waits for the loop to end.
class ModuleReceiverMdx11 : public QObject {
    Q_OBJECT

public:
    explicit ModuleReceiverMdx11(QObject* parent = nullptr);

    // Configures the device `run.handle` with the channel table already
    // written to it, for a test signal of signalFrequencyHz (Hz), and fills
    // the run's geometry, channel map and window.  Returns the frame period
    // in ms (>= 1), or 0 after logging why (run's geometry then unset).
    int configureAcquisition(double signalFrequencyHz, AcquisitionRun& run);
    // Waits out a stop still in progress (bounded) and tells whether a new
    // run may start; logs the warnings of a refused start.
    bool readyToStart();
    // Starts the device streams of `run` and queues dataReceiver for it; the
    // loop appends every frame to `queues`.
    bool startStreams(std::shared_ptr<const AcquisitionRun> run, std::shared_ptr<SampleQueues> queues);
    // Ends the loop (waiting at most about one receive timeout) and stops
    // the device streams.
    bool stopStreams();
    // True from a successful startStreams until the loop has ended.
    bool isRunning() const;

    // Largest frame accepted, in 32-bit words; a configuration needing more
    // (a vanishing test-signal frequency) is refused.
    static constexpr int maxFrameWords = 1 << 24;
    // A queue is cut to this many newest frames when the display pass falls
    // behind, so memory stays bounded.
    static constexpr int maxQueuedFrames = 8;

public slots:
    // The receive loop (receiverThread) of the run startStreams handed over;
    // returns when the loop ends.
    void dataReceiver();

private:
    // Waits on runEnded until the loop has ended or timeoutMs has passed;
    // true when it has ended.
    bool waitWhileRunning(int timeoutMs);
    // Reads up to `need` words to get back to a channel boundary after a
    // short frame.  Returns the words still missing: 0 when aligned, more
    // when a stop was requested or the device sent nothing for one receive
    // timeout.  A negative receive status is stored in *status.
    int realign(const AcquisitionRun& run, std::vector<uint32_t>& raw, int need, int32_t* status);
    // Stops the device streams of `handle` if this run started them; 0 or
    // the status.
    int32_t stopDeviceStreams(VRK_Handle handle);

    QSemaphore running{0};
    // The loop's end is announced under runMutex through runEnded, so a stop
    // waits for it without polling.
    QMutex runMutex;
    QWaitCondition runEnded;
    QSemaphore stopRequest{0};
    // The run startStreams hands to the next dataReceiver (runMutex).
    std::shared_ptr<const AcquisitionRun> handedRun;
    std::shared_ptr<SampleQueues> handedQueues;
    // Handle and receive timeout of the run last started, for its stop; set
    // by startStreams under the driver's controlMutex.
    VRK_Handle runHandle = 0;
    int recvTimeoutMs = 0;
    std::atomic<bool> streamsOn{false}; // this run started the device streams
};

#endif // MODULE_RECEIVER_MDX11_H
