#ifndef CHANNEL_BAND_H
#define CHANNEL_BAND_H

#include <QString>

// What one channel of a run can measure.  The ADC's conversions are shared
// by the enabled channels, so each is sampled at the per-channel rate the
// library reports, and only lines below half of it (the band) are read
// truly; a line above the band folds back into it (aliasing).  Pure
// functions; any thread; rates and frequencies in Hz.

// "На канал: 1.25 кГц, полоса до 0.63 кГц" for 1250 Hz: the rate and half
// of it in kHz with two decimals.  The settings area and the start line of
// the log use it.
QString channelBandText(double perChannelHz);

// The strongest line lies in the top fifth of the band (0.8 to 1.0 of half
// the per-channel rate): the signal may lie above the band and the
// frequency may be an alias.  False for a NaN or a non-positive rate.
bool mayBeAliased(double hertz, double perChannelHz);

// The share of the band from which a line counts as possibly aliased.
constexpr double aliasBandShare = 0.8;

#endif // CHANNEL_BAND_H
