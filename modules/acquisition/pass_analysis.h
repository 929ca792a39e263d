#ifndef PASS_ANALYSIS_H
#define PASS_ANALYSIS_H

#include <QDateTime>
#include <QtGlobal>
#include <array>
#include <vector>

#include "acquisition_run.h"
#include "channel_data.h"
#include "pass_record.h"
#include "signal_analysis.h"

// The readings of one display pass: every taken block with samples,
// analysed as its channel's kind (DC or AC) with the run's window, rate and
// decimals, in numbers and in the texts the window shows; and the channels
// of the run whose reading has gone stale.  Needs no thread, no device and
// no clock (the caller gives the times), so tests give it blocks directly.
//
// An AC reading is judged as well: with an RMS below noSignalLsb steps of
// its range there is no signal to take a frequency of, so the frequency is
// NaN and its text empty; a frequency in the top fifth of the band is
// marked `alias`.
//
// Owned by the display pass and called from its thread only (threadModule);
// takes no lock.  Keeps FFT plans between passes, and the monotonic time of
// each channel's latest reading.
class PassAnalysis {
public:
    // blocks[i] belongs to logical channel i of `run`; the blocks are read,
    // not changed.  A channel without samples gets no reading, unless its
    // latest reading (or the run's start at runStartMs, if later) is older
    // than the run's staleAfterMs at monotonicMs: then it gets a stale one,
    // without numbers or texts.  Times in ms of QElapsedTimer's clock.
    PassRecord analyze(const AcquisitionRun& run, const std::vector<ChannelData>& blocks,
                       const QDateTime& time, qint64 monotonicMs, qint64 runStartMs);

    // Below this many steps of its range an AC channel's RMS is noise.
    static constexpr double noSignalLsb = 2.0;

private:
    SignalAnalyzer analyzer;
    // By channel number 1..32: monotonic ms of its latest reading, 0 for none.
    std::array<qint64, 33> lastReadingMs{};
};

#endif // PASS_ANALYSIS_H
