#ifndef CHARTS_BENCH_CHART_H
#define CHARTS_BENCH_CHART_H

#include <QVector>

#include "bench_chart.h"

namespace QtCharts {
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;
} // namespace QtCharts

// The trend drawn with Qt Charts: one line series per channel on a
// date-time axis.  Qt Charts has no gap in a line series; the benchmark's
// data has none, so one series per channel draws the same picture.
class ChartsBenchChart : public BenchChart {
public:
    ChartsBenchChart();
    ~ChartsBenchChart() override;
    QWidget* widget() override;
    void draw(const TrendHistory& history, qint64 fromMs, qint64 toMs) override;

private:
    QtCharts::QChartView* view;
    QtCharts::QDateTimeAxis* timeAxis;
    QtCharts::QValueAxis* valueAxis;
    QVector<QtCharts::QLineSeries*> series;
};

#endif // CHARTS_BENCH_CHART_H
