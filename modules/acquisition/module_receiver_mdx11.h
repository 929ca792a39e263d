#ifndef MODULE_RECEIVER_MDX11_H
#define MODULE_RECEIVER_MDX11_H

#include <QMutex>
#include <QObject>
#include <QSemaphore>
#include <QWaitCondition>
#include <atomic>
#include <cstdint>
#include <vector>

#include "analysis_window.h"
#include "channel_data.h"
#include "vrk_api.h"

// Receive loop of the 11-series driver.  Lives in the driver's
// receiverThread; dataReceiver runs there for the whole of a run.
//
// configureAcquisition, readyToStart, startStreams and stopStreams are called
// by the driver from any thread, one at a time (the driver serialises them
// under its controlMutex); configureAcquisition only while the loop is not
// running, with the driver's displayMutex and dataMutex held.  `channels` is
// shared with the display pass under dataMutex; the loop holds dataMutex only
// while it appends one converted frame and takes no other lock meanwhile.
//
// Run state: `running` has a count from the moment startStreams has started
// the device streams until dataReceiver has left its loop, so a stop issued
// right after a start always finds the run and ends it.  `stopRequest` has a
// count while a stop waits for the loop to end.
class ModuleReceiverMdx11 : public QObject {
    Q_OBJECT

public:
    ModuleReceiverMdx11(VRK_Handle& handle, std::vector<ChannelData>& channels, QMutex& dataMutex,
                        QObject* parent = nullptr);

    // Configures the device and the frame geometry for a test signal of
    // signalFrequencyHz (Hz); returns the frame period in ms (>= 1) or 0
    // after logging why.  Resizes the buffers and `channels` and rebuilds
    // the analysis window.
    int configureAcquisition(double signalFrequencyHz);
    // Waits out a stop still in progress (bounded) and tells whether a new
    // run may start; logs the warnings of a refused start.
    bool readyToStart();
    // Empties the queues, starts the device streams and queues dataReceiver.
    bool startStreams();
    // Ends the loop (waiting at most about one receive timeout) and stops
    // the device streams.
    bool stopStreams();
    // True from a successful startStreams until the loop has ended.
    bool isRunning() const;

    // Geometry of the last successful configuration.
    double channelRateHz() const { return chRate * 1000.0; }
    int samplesPerChannel() const { return samplesChannel; }
    int frameWords() const { return dataFrameSize; }
    int receiveTimeoutMs() const { return recvTimeoutMs; }
    // Analysis window of the last configuration (empty, gains 1.0, after a
    // refused one).  Read by the display pass under the driver's displayMutex.
    const AnalysisWindow& analysisWindow() const { return window; }

    // Largest frame accepted, in 32-bit words; a configuration needing more
    // (a vanishing test-signal frequency) is refused.
    static constexpr int maxFrameWords = 1 << 24;
    // A queue is cut to this many newest frames when the display pass falls
    // behind, so memory stays bounded.
    static constexpr int maxQueuedFrames = 8;

public slots:
    // The receive loop (receiverThread); returns when the loop ends.
    void dataReceiver();

private:
    friend class ModuleReceiverMdx11Test;

    // Waits on runEnded until the loop has ended or timeoutMs has passed;
    // true when it has ended.
    bool waitWhileRunning(int timeoutMs);
    // Reads up to `need` words to get back to a channel boundary after a
    // short frame.  Returns the words still missing: 0 when aligned, more
    // when a stop was requested or the device sent nothing for one receive
    // timeout.  A negative receive status is stored in *status.
    int realign(int need, int32_t* status);
    // Stops the device streams if this run started them; 0 or the status.
    int32_t stopDeviceStreams();

    VRK_Handle& handle;
    std::vector<ChannelData>& channels;
    QMutex& dataMutex;
    QSemaphore running{0};
    // The loop's end is announced under runMutex through runEnded, so a stop
    // waits for it without polling.
    QMutex runMutex;
    QWaitCondition runEnded;
    QSemaphore stopRequest{0};
    int dataFrameSize = 0;
    int recvTimeoutMs = 0;
    std::vector<uint32_t> rawBuffer;
    std::vector<double> dataBuffer;

    int lChQnt = 0;                     // logical channels of the configuration
    double chRate = 0.0;                // per-channel rate, kHz
    int samplesChannel = 0;             // samples per channel and frame
    AnalysisWindow window;              // rebuilt by configureAcquisition
    std::atomic<bool> streamsOn{false}; // this run started the device streams
};

#endif // MODULE_RECEIVER_MDX11_H
