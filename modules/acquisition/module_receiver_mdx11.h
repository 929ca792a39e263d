#ifndef MODULE_RECEIVER_MDX11_H
#define MODULE_RECEIVER_MDX11_H

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "acquisition_run.h"
#include "channel_data.h"
#include "sample_queues.h"

// Receive loop of the 11-series driver.  Each run's loop runs in a thread of
// its own (the receive thread), started by startStreams and joined by
// stopStreams.
//
// configureAcquisition, readyToStart, startStreams, stopStreams and
// isRunning are called by the driver from any thread, one at a time (the
// driver serialises them under its controlMutex).  A run is described by
// one immutable AcquisitionRun; the loop reads only that value, its own
// buffers, the run's SampleQueues (shared with the display pass) and its
// LoopState, all of which it holds by shared pointer.  The loop state is
// guarded by std primitives only.
class ModuleReceiverMdx11 {
public:
    // One run's loop: the stop request, whether the run still owns started
    // streams, and the loop's end, announced under `mutex`.
    struct LoopState {
        VRK_Handle handle = 0;
        std::atomic<bool> stopRequested{false};
        std::atomic<bool> streamsOn{true};
        std::atomic<bool> ended{false};
        std::mutex mutex;
        std::condition_variable endedCondition;

        // True once the loop has ended; waits at most timeoutMs.
        bool waitEnded(int timeoutMs);
        void markEnded();
        // Stops the streams of `handle` once, whoever asks first; 0 or the
        // status.
        int32_t stopStreams();
    };

    ModuleReceiverMdx11();
    // Stops a run still going (bounded as stopStreams).
    ~ModuleReceiverMdx11();
    ModuleReceiverMdx11(const ModuleReceiverMdx11&) = delete;
    ModuleReceiverMdx11& operator=(const ModuleReceiverMdx11&) = delete;

    // Configures the device `run.handle` with the channel table already
    // written to it, for a test signal of signalFrequencyHz (Hz), and fills
    // the run's geometry, channel map and window.  Returns the frame period
    // in ms (>= 1), or 0 after logging why (run's geometry then unset).
    int configureAcquisition(double signalFrequencyHz, AcquisitionRun& run);
    // Tells whether a new run may start; logs the warning of a refused one.
    bool readyToStart();
    // Starts the device streams of `run` and its loop, which appends every
    // frame to `queues`.
    bool startStreams(std::shared_ptr<const AcquisitionRun> run, std::shared_ptr<SampleQueues> queues);
    // Raises the stop, stops the device streams, and waits for the loop at
    // most stopJoinMs; a loop that has not ended by then is left to end on
    // its own.  False after logging when nothing ran or the stop failed.
    bool stopStreams();
    // True from a successful startStreams until the loop has ended or been
    // stopped.
    bool isRunning() const;

    // Loops given up on and still inside the device library.  Any thread.
    static int abandonedLoops();
    // Waits at most timeoutMs for every loop given up on to end, and joins
    // them; true when none is left.  Any thread.
    static bool joinAbandonedLoops(int timeoutMs);

    // Largest frame accepted, in 32-bit words; a configuration needing more
    // (a vanishing test-signal frequency) is refused.
    static constexpr int maxFrameWords = 1 << 24;
    // A queue is cut to this many newest frames when the display pass falls
    // behind, so memory stays bounded.
    static constexpr int maxQueuedFrames = 8;
    // Longest a stop waits for the loop once the streams are stopped.  A
    // stop wakes a blocked receive at once, so this only bounds a library
    // that ignores it.
    static constexpr int stopJoinMs = 2000;

    // The receive loop of one run, in its own thread.
    static void dataReceiver(std::shared_ptr<const AcquisitionRun> run, std::shared_ptr<SampleQueues> queues,
                             std::shared_ptr<LoopState> state);

private:
    static int realign(const AcquisitionRun& run, const LoopState& state, std::vector<uint32_t>& raw,
                       int need, int32_t* status);
    // Joins and forgets a run whose loop ended on its own.
    void retireEndedRun();

    // The current run's loop, written under the driver's controlMutex and
    // currentMutex, read under currentMutex (isRunning is called from any
    // thread); currentMutex is held for nothing else.
    std::shared_ptr<LoopState> current;
    mutable std::mutex currentMutex;
    // The current run's thread (the driver's controlMutex).
    std::thread loopThread;
};

#endif // MODULE_RECEIVER_MDX11_H
