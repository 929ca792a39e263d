#include "scpi_value.h"

#include <cmath>

namespace ScpiValue {

QByteArray number(double value) {
    if (!std::isfinite(value))
        return none;
    return QByteArray::number(value, 'g', 9);
}

QByteArray volts(const ChannelReading* reading) {
    if (!reading || reading->stale || !std::isfinite(reading->volts))
        return none;
    if (reading->overload)
        return overload;
    return number(reading->volts);
}

QByteArray hertz(const ChannelReading* reading) {
    if (!reading || reading->stale || !std::isfinite(reading->hertz) || reading->hertz <= 0.0)
        return none;
    return number(reading->hertz);
}

} // namespace ScpiValue
