#ifndef REMOTE_CHANGE_H
#define REMOTE_CHANGE_H

#include <QVector>
#include <optional>

#include "channel_choice.h"

// What one remote command changes, applied at once in this order: the mode,
// the ADC rate, the channels' type and range, the scan list (the channels
// measured, in the order given), the display period.  Unset parts stay.
struct RemoteChange {
    std::optional<int> modeCode;        // 1 differential (16 channels), 0 common ground (32)
    std::optional<double> adcRateHz;    // one of adcFrequencyTable
    QVector<ChannelChoice> kinds;       // dc and rangeCode of these channels; `enabled` unused
    std::optional<QVector<int>> scan;   // channel numbers, each once
    std::optional<int> displayPeriodMs; // 100..2000
};

#endif // REMOTE_CHANGE_H
