#ifndef SCPI_VALUE_H
#define SCPI_VALUE_H

#include <QByteArray>

#include "channel_reading.h"

// The numbers of the answers: base SI units in %.9g; 9.9E37 for an
// overloaded channel and 9.91E37 (SCPI's not-a-number) for one without a
// reading.  Any thread; no state.
namespace ScpiValue {

constexpr const char* overload = "9.9E37";
constexpr const char* none = "9.91E37";

// %.9g, in the C locale whatever the process's locale is.
QByteArray number(double value);
// Volts of `reading` (null: none): the DC mean or the AC RMS.
QByteArray volts(const ChannelReading* reading);
// Hertz of `reading`; none for a DC channel or no signal.
QByteArray hertz(const ChannelReading* reading);

} // namespace ScpiValue

#endif // SCPI_VALUE_H
