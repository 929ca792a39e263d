#ifndef TREND_SEGMENT_KEY_H
#define TREND_SEGMENT_KEY_H

#include <QString>

#include "channel_config.h"

// What a channel's readings must share to be compared in one statistic: the
// device, the ADC rate, the mode, and the channel's own AC/DC and range.  A
// change to another channel leaves this channel's key as it was.
//
// A value; any thread.
struct TrendSegmentKey {
    QString device;              // module serial
    double adcFrequencyHz = 0.0; // shared by the enabled channels
    int modeCode = 1;            // 1 differential, 0 common ground
    // Whether the pass's configuration lists the channel; when it does not,
    // `dc` and `rangeCode` are meaningless.
    bool configured = false;
    bool dc = false;
    int rangeCode = 0;

    bool operator==(const TrendSegmentKey& other) const {
        return device == other.device && adcFrequencyHz == other.adcFrequencyHz &&
               modeCode == other.modeCode && configured == other.configured &&
               (!configured || (dc == other.dc && rangeCode == other.rangeCode));
    }
    bool operator!=(const TrendSegmentKey& other) const { return !(*this == other); }
};

#endif // TREND_SEGMENT_KEY_H
