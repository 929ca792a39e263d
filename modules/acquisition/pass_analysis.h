#ifndef PASS_ANALYSIS_H
#define PASS_ANALYSIS_H

#include <QDateTime>
#include <QtGlobal>
#include <vector>

#include "acquisition_run.h"
#include "channel_data.h"
#include "pass_record.h"
#include "signal_analysis.h"

// The readings of one display pass: every taken block with samples,
// analysed as its channel's kind (DC or AC) with the run's window, rate and
// decimals, in numbers and in the texts the window shows.  Needs no thread,
// no device and no clock, so tests give it blocks directly.
//
// Owned by the display pass and called from its thread only (threadModule);
// takes no lock.  Keeps FFT plans between passes.
class PassAnalysis {
public:
    // blocks[i] belongs to logical channel i of `run`; channels without
    // samples get no reading.  The blocks are read, not changed.
    PassRecord analyze(const AcquisitionRun& run, const std::vector<ChannelData>& blocks,
                       const QDateTime& time, qint64 monotonicMs);

private:
    SignalAnalyzer analyzer;
};

#endif // PASS_ANALYSIS_H
