#ifndef ACQUISITION_CONFIG_H
#define ACQUISITION_CONFIG_H

#include <QVector>
#include <QtGlobal>

#include "channel_config.h"

// The configuration a run was started with.  `serial` grows by one at every
// successful configuration, so records of different runs never compare equal.
struct AcquisitionConfig {
    quint64 serial = 0;
    double adcFrequencyHz = 0.0;
    int modeCode = 1;                // 1 differential (16 channels), 0 common ground (32)
    QVector<ChannelConfig> channels; // in logical (scan) order
    // Which copy of the driver's controls it was made from (they are counted
    // as they are taken): a configuration whose copy is above the count
    // taken with a change of the controls contains that change.
    quint64 controlsCopy = 0;
};

#endif // ACQUISITION_CONFIG_H
