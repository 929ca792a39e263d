#ifndef QWT_BENCH_CHART_H
#define QWT_BENCH_CHART_H

#include <QVector>

#include "bench_chart.h"

class QwtPlot;
class TrendCurve;

// The trend drawn with Qwt: one curve per channel on a wall-clock time axis.
class QwtBenchChart : public BenchChart {
public:
    QwtBenchChart();
    ~QwtBenchChart() override;
    QWidget* widget() override;
    void draw(const TrendHistory& history, qint64 fromMs, qint64 toMs) override;

private:
    QwtPlot* plot;
    QVector<TrendCurve*> curves;
};

#endif // QWT_BENCH_CHART_H
