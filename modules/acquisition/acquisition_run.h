#ifndef ACQUISITION_RUN_H
#define ACQUISITION_RUN_H

#include <QString>
#include <algorithm>
#include <vector>

#include "acquisition_config.h"
#include "analysis_window.h"
#include "run_channel.h"
#include "vrk_api.h"

// Everything one run of acquisition is: built by the configuration before
// the run starts and never changed afterwards.  The receive loop and the
// display pass each hold it by a shared pointer to const, so a later
// configuration, open or close cannot change what a run still going sees.
struct AcquisitionRun {
    VRK_Handle handle = 0;
    int samplesChannel = 0;           // samples per logical channel in one frame
    int dataFrameSize = 0;            // 32-bit words per receive: samplesChannel * channels
    int periodMs = 0;                 // duration of one frame, ms (at least 1)
    int recvTimeoutMs = 0;            // timeout of a frame receive, ms
    double channelRateHz = 0;         // per-channel sampling rate, Hz
    std::vector<RunChannel> channels; // in logical (scan) order
    AnalysisWindow window;            // over samplesChannel points
    // Decimals of the readings: the column of the range code of the channel
    // written last to the device's table applies to every channel.
    int decimalsAc = 3;
    int decimalsDc = 3;
    int decimalsFreq = 3;
    // The display period asked for, ms; passes run at the longer of it and
    // the frame period.
    int displayPeriodMs = 100;
    AcquisitionConfig config; // as the window words it, for the record
    QString device;           // serial of the module measured, for the record

    // The display timer's period for this run, ms: the period asked for,
    // but never shorter than a frame.
    int displayIntervalMs() const { return std::max(periodMs, displayPeriodMs); }
    // A channel whose reading has not been renewed for this long is stale:
    // two display periods (a pass may find no whole frame when the two
    // clocks drift) plus one frame period, ms.
    int staleAfterMs() const { return 2 * displayIntervalMs() + periodMs; }
};

#endif // ACQUISITION_RUN_H
