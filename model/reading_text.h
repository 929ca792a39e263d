#ifndef READING_TEXT_H
#define READING_TEXT_H

#include <QString>

// The text of a reading as the window shows it and the CSV records it:
// fixed notation with exactly `decimals` decimals, no exponent, and no sign
// on a value that rounds to zero ("0.000", never "-0.000").  Empty for a NaN
// or an infinity: a missing number has no text.  The one formatting of
// readings; any thread.
QString readingText(double value, int decimals);

// Millivolts of `volts` and kilohertz of `hertz`, as readingText writes them.
QString voltageText(double volts, int decimals);
QString frequencyText(double hertz, int decimals);

#endif // READING_TEXT_H
