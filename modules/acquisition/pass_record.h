#ifndef PASS_RECORD_H
#define PASS_RECORD_H

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QVector>

// One logical channel of an acquisition configuration.
struct ChannelConfig {
    int number = 0;    // channel number 1..32
    bool dc = false;   // DC (window-weighted mean) or AC (RMS and frequency)
    int rangeCode = 0; // 0 "10 В", 1 "2.5 В", 2 "0.6 В", 3 "0.15 В"
};

// The configuration a run was started with.  `serial` grows by one at every
// successful configuration, so records of different runs never compare equal.
struct AcquisitionConfig {
    quint64 serial = 0;
    double adcFrequencyHz = 0.0;
    int modeCode = 1;                // 1 differential (16 channels), 0 common ground (32)
    QVector<ChannelConfig> channels; // in logical (scan) order
};

// What one display pass wrote for one channel.
struct ChannelReading {
    int number = 0;        // channel number 1..32
    QString voltage;       // the text written to the voltage field, mV
    QString frequency;     // the text written to the frequency field, kHz; empty for DC
    bool overload = false; // a sample reached the range's full scale in this pass
};

// One display pass: the configuration it was measured with and the channels
// that got a reading in it (channels without new samples are left out).
struct PassRecord {
    AcquisitionConfig config;
    QDateTime time;         // local wall-clock time of the pass
    qint64 monotonicMs = 0; // QElapsedTimer's msecsSinceReference() at the pass
    QVector<ChannelReading> readings;
};

Q_DECLARE_METATYPE(PassRecord)

#endif // PASS_RECORD_H
