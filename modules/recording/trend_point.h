#ifndef TREND_POINT_H
#define TREND_POINT_H

#include <QtGlobal>

// One reading of one channel on the trend: monotonic time in ms and the
// voltage in mV.  A NaN voltage is a gap marker: the line ends before it and
// a new one starts after it.
struct TrendPoint {
    qint64 timeMs = 0;
    double mV = 0.0;
};

#endif // TREND_POINT_H
