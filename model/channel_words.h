#ifndef CHANNEL_WORDS_H
#define CHANNEL_WORDS_H

#include <QString>

// The window's own words for ranges, modes and ADC frequencies, defined once:
// the forms, the driver and the recorder's configuration column use them.
// Any thread; no state.

// "10 В", "2.5 В", "0.6 В", "0.15 В" for range codes 0..3; empty otherwise.
QString rangeText(int code);
// Full scale of range codes 0..3 in volts (10, 2.5, 0.6, 0.15); 10 otherwise.
double rangeFullScale(int code);
// Mode code 1: the differential mode (16 channels); 0: common ground (32).
QString modeText(int modeCode);
// ADC frequencies in Hz, in the order of the frequency combo box.
extern const double adcFrequencyTable[5];
// "20 кГц" for 20000 Hz, as the frequency combo box shows it.
QString adcFrequencyText(double hz);

#endif // CHANNEL_WORDS_H
