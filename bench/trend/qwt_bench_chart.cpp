#include "qwt_bench_chart.h"

#include <QDateTime>
#include <QPen>
#include <cmath>
#include <qwt_date_scale_draw.h>
#include <qwt_date_scale_engine.h>
#include <qwt_legend.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>

#include "trend_curve.h"
#include "trend_decimator.h"

QwtBenchChart::QwtBenchChart() : plot(new QwtPlot) {
    plot->setAxisScaleDraw(QwtPlot::xBottom, new QwtDateScaleDraw(Qt::LocalTime));
    plot->setAxisScaleEngine(QwtPlot::xBottom, new QwtDateScaleEngine(Qt::LocalTime));
    plot->insertLegend(new QwtLegend, QwtPlot::RightLegend);
    (new QwtPlotGrid)->attach(plot);
    for (int ch = 1; ch <= TrendHistory::channelCount; ++ch) {
        auto* curve = new TrendCurve(QString::number(ch));
        curve->setPen(QColor::fromHsv((ch - 1) * 360 / TrendHistory::channelCount, 255, 200));
        curve->attach(plot);
        curves.append(curve);
    }
}

QwtBenchChart::~QwtBenchChart() {
    delete plot;
}

QWidget* QwtBenchChart::widget() {
    return plot;
}

void QwtBenchChart::draw(const TrendHistory& history, qint64 fromMs, qint64 toMs) {
    const double wallOffset = double(QDateTime::currentMSecsSinceEpoch() - toMs);
    const int columns = std::max(1, plot->canvas()->width());
    double low = INFINITY, high = -INFINITY;
    for (int ch = 1; ch <= TrendHistory::channelCount; ++ch) {
        QVector<QPointF> points = TrendDecimator::decimate(history.points(ch), fromMs, toMs, columns);
        for (QPointF& p : points) {
            p.rx() += wallOffset;
            if (!std::isnan(p.y())) {
                low = std::min(low, p.y());
                high = std::max(high, p.y());
            }
        }
        curves[ch - 1]->setSamples(points);
    }
    plot->setAxisScale(QwtPlot::xBottom, double(fromMs) + wallOffset, double(toMs) + wallOffset);
    if (low <= high)
        plot->setAxisScale(QwtPlot::yLeft, low, high == low ? low + 1 : high);
    plot->replot();
}
