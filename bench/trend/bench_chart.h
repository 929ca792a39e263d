#ifndef BENCH_CHART_H
#define BENCH_CHART_H

#include <QWidget>
#include <QtGlobal>

#include "trend_history.h"

// One charting library's way of showing the trend: the same decimated
// points drawn with it, so that the libraries can be compared on CPU.
//
// Threads: GUI thread.
class BenchChart {
public:
    virtual ~BenchChart() = default;
    virtual QWidget* widget() = 0;
    // Shows every channel of `history` over [fromMs, toMs] (monotonic ms).
    virtual void draw(const TrendHistory& history, qint64 fromMs, qint64 toMs) = 0;
};

#endif // BENCH_CHART_H
