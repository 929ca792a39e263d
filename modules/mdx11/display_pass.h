#ifndef DISPLAY_PASS_H
#define DISPLAY_PASS_H

#include <QtGlobal>
#include <array>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "acquisition_run.h"
#include "channel_data.h"
#include "pass_analysis.h"
#include "sample_queues.h"

class QLabel;
class QLineEdit;
class QWidget;
class PassFeed;
class FieldWriter;

// The display pass of the 11-series driver: takes the samples the current
// run has queued, analyses them, posts the readings to their fields and
// publishes the record of the pass.
//
// Threads and locks: pass() runs in threadModule (the display timer);
// setRun, waitIdle, showConfiguration and showReleased are called by the
// driver's start, stop and close (under its controlMutex, any thread);
// setFields once in the GUI thread before any run.  displayMutex guards the
// run and the flag of a pass in progress, and is held only to read or change
// them; a pass owns its buffers and plans while the flag is set.  Fields are
// written only by queued calls into the GUI thread.
class DisplayPass {
public:
    // `feed` (may be null) receives one record per pass with readings.
    explicit DisplayPass(PassFeed* feed);
    ~DisplayPass();

    // The reading fields by channel number (1..32) and their host, and the
    // label of the channels' band (may be null).  GUI thread, once, before
    // any run.
    void setFields(QWidget* host, const std::array<QLineEdit*, 33>& voltages,
                   const std::array<QLineEdit*, 33>& frequencies, QLabel* band);
    // The run whose samples the next passes take; it starts now (for the
    // stale readings).
    void setRun(std::shared_ptr<const AcquisitionRun> run, std::shared_ptr<SampleQueues> queues);
    // A new configuration `serial` starts, sampling each channel at
    // channelRateHz: readings of older ones still queued for a field are
    // dropped, every stale mark goes, a channel not `measured` (by number)
    // loses its overload and alias marks, and the band label shows the new
    // rate.
    void showConfiguration(quint64 serial, const std::array<bool, 33>& measured, double channelRateHz);
    // The device let go: the fields, their marks and the band label emptied.
    void showReleased();
    // One pass; skipped when another is still running.
    void pass();
    // Waits at most timeoutMs for a pass in progress to end; true when none
    // runs.
    bool waitIdle(int timeoutMs);
    // Samples the current run has queued, all channels; for checks.
    std::size_t queuedSamples();
    std::vector<double> queued(int channel);

private:
    PassFeed* feed = nullptr;
    // Writes the fields in the GUI thread; made by setFields.
    std::unique_ptr<FieldWriter> writer;
    std::mutex displayMutex;
    std::condition_variable passEnded;
    std::shared_ptr<const AcquisitionRun> run; // displayMutex
    std::shared_ptr<SampleQueues> queues;      // displayMutex
    qint64 runStartMs = 0;                     // displayMutex: monotonic ms of setRun
    bool passing = false;                      // displayMutex
    // Owned by the pass in progress: buffers swapped with the queues', and
    // the analysis with its FFT plans.
    std::vector<ChannelData> taken;
    PassAnalysis passAnalysis;
};

#endif // DISPLAY_PASS_H
