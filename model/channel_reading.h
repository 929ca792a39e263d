#ifndef CHANNEL_READING_H
#define CHANNEL_READING_H

#include <QString>
#include <limits>

// One channel's reading of one display pass: the numbers, the decimals the
// window shows them with, and the texts made from them by readingText.
struct ChannelReading {
    int number = 0;                                          // channel number 1..32
    double volts = std::numeric_limits<double>::quiet_NaN(); // DC mean or AC RMS, V
    double hertz = std::numeric_limits<double>::quiet_NaN(); // AC strongest line, Hz; NaN for DC
    int decimals = 3;                                        // of the voltage in mV
    int frequencyDecimals = 3;                               // of the frequency in kHz
    bool overload = false; // a sample reached the range's full scale in this pass
    // The strongest line lies in the top fifth of the channel's band: the
    // signal may be above the band and the frequency aliased.  AC only.
    bool alias = false;
    // No new samples for two display periods plus one frame period: the
    // record carries no numbers and no texts for this channel.
    bool stale = false;
    qint64 lastReadingMs = 0; // monotonic ms of the channel's latest reading (for stale)
    QString voltage;          // the text of the voltage field, mV
    QString frequency;        // the text of the frequency field, kHz; empty for DC and no signal
};

#endif // CHANNEL_READING_H
