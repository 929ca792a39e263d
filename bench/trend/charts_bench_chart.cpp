#include "charts_bench_chart.h"

#include <QDateTime>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <cmath>

#include "trend_decimator.h"

using namespace QtCharts;

ChartsBenchChart::ChartsBenchChart()
    : view(new QChartView), timeAxis(new QDateTimeAxis), valueAxis(new QValueAxis) {
    QChart* chart = view->chart();
    timeAxis->setFormat(QStringLiteral("hh:mm:ss"));
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(valueAxis, Qt::AlignLeft);
    chart->legend()->setAlignment(Qt::AlignRight);
    for (int ch = 1; ch <= TrendHistory::channelCount; ++ch) {
        auto* line = new QLineSeries;
        line->setName(QString::number(ch));
        line->setColor(QColor::fromHsv((ch - 1) * 360 / TrendHistory::channelCount, 255, 200));
        chart->addSeries(line);
        line->attachAxis(timeAxis);
        line->attachAxis(valueAxis);
        series.append(line);
    }
}

ChartsBenchChart::~ChartsBenchChart() {
    delete view;
}

QWidget* ChartsBenchChart::widget() {
    return view;
}

void ChartsBenchChart::draw(const TrendHistory& history, qint64 fromMs, qint64 toMs) {
    const qint64 wallOffset = QDateTime::currentMSecsSinceEpoch() - toMs;
    const int columns = std::max(1, int(view->chart()->plotArea().width()));
    double low = INFINITY, high = -INFINITY;
    for (int ch = 1; ch <= TrendHistory::channelCount; ++ch) {
        QVector<QPointF> points = TrendDecimator::decimate(history.points(ch), fromMs, toMs, columns);
        QVector<QPointF> shown;
        shown.reserve(points.size());
        for (const QPointF& p : points) {
            if (std::isnan(p.y()))
                continue;
            shown.append(QPointF(p.x() + double(wallOffset), p.y()));
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
        series[ch - 1]->replace(shown);
    }
    timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(fromMs + wallOffset),
                       QDateTime::fromMSecsSinceEpoch(toMs + wallOffset));
    if (low <= high)
        valueAxis->setRange(low, high == low ? low + 1 : high);
}
