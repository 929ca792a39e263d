#ifndef PASS_RECORD_H
#define PASS_RECORD_H

#include <QDateTime>
#include <QMetaType>
#include <QVector>
#include <QtGlobal>

#include "acquisition_config.h"
#include "channel_reading.h"

// One display pass: the configuration it was measured with and the channels
// that got a reading in it (channels without new samples are left out).
struct PassRecord {
    AcquisitionConfig config;
    QDateTime time;         // local wall-clock time of the pass
    qint64 monotonicMs = 0; // QElapsedTimer's msecsSinceReference() at the pass
    QString device;         // serial of the module measured, e.g. "SIM-0001"
    // The channels with a reading or marked stale in this pass.
    QVector<ChannelReading> readings;
};

Q_DECLARE_METATYPE(PassRecord)

#endif // PASS_RECORD_H
