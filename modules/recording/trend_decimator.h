#ifndef TREND_DECIMATOR_H
#define TREND_DECIMATOR_H

#include <QPointF>
#include <QVector>
#include <QtGlobal>
#include <deque>

#include "trend_point.h"

// Thins a channel's points to what a chart `columns` pixels wide can show:
// per pixel column the smallest and the largest reading, in the order they
// occurred, so spikes survive however many readings share a column.
//
// Pure function; any thread.
class TrendDecimator {
public:
    // `points` in time order (gap markers included).  Returns the points of
    // [fromMs, toMs] as (time ms, mV), preceded by the last point before
    // fromMs so the line reaches the left edge; a gap comes out as one point
    // with a NaN y.  At most 2 * columns + 1 points plus one per gap.
    static QVector<QPointF> decimate(const std::deque<TrendPoint>& points, qint64 fromMs, qint64 toMs,
                                     int columns);
};

#endif // TREND_DECIMATOR_H
