#include "trend_decimator.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// The readings of one pixel column seen so far.
struct Column {
    int index = -1;
    int count = 0;
    TrendPoint min;
    TrendPoint max;
    bool minFirst = true; // the minimum occurred before the maximum
};

void flush(Column& c, QVector<QPointF>& out) {
    if (c.count == 0)
        return;
    const TrendPoint& a = c.minFirst ? c.min : c.max;
    const TrendPoint& b = c.minFirst ? c.max : c.min;
    out.append(QPointF(double(a.timeMs), a.mV));
    if (c.count > 1 && (a.timeMs != b.timeMs || a.mV != b.mV))
        out.append(QPointF(double(b.timeMs), b.mV));
    c.count = 0;
}

void appendGap(QVector<QPointF>& out, qint64 timeMs) {
    if (!out.isEmpty() && !std::isnan(out.last().y()))
        out.append(QPointF(double(timeMs), std::numeric_limits<double>::quiet_NaN()));
}

} // namespace

QVector<QPointF> TrendDecimator::decimate(const std::deque<TrendPoint>& points, qint64 fromMs, qint64 toMs,
                                          int columns) {
    QVector<QPointF> out;
    if (toMs <= fromMs || columns < 1)
        return out;
    auto it = std::lower_bound(points.begin(), points.end(), fromMs,
                               [](const TrendPoint& p, qint64 t) { return p.timeMs < t; });
    if (it != points.begin() && !std::isnan(std::prev(it)->mV))
        out.append(QPointF(double(std::prev(it)->timeMs), std::prev(it)->mV));

    Column c;
    for (; it != points.end() && it->timeMs <= toMs; ++it) {
        if (std::isnan(it->mV)) {
            flush(c, out);
            appendGap(out, it->timeMs);
            continue;
        }
        // In integers, so that a point on a column boundary is never off by one.
        const int index =
            int(std::min<qint64>(columns - 1, (it->timeMs - fromMs) * columns / (toMs - fromMs)));
        if (index != c.index) {
            flush(c, out);
            c.index = index;
        }
        if (c.count == 0) {
            c.min = c.max = *it;
            c.minFirst = true;
        } else if (it->mV < c.min.mV) {
            c.min = *it;
            c.minFirst = false;
        } else if (it->mV > c.max.mV) {
            c.max = *it;
            c.minFirst = true;
        }
        ++c.count;
    }
    flush(c, out);
    return out;
}
