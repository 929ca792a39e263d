#include "trend_curve.h"

#include <QPen>
#include <algorithm>
#include <cmath>

TrendCurve::TrendCurve(const QString& title) : QwtPlotCurve(title) {}

void TrendCurve::drawSeries(QPainter* painter, const QwtScaleMap& xMap, const QwtScaleMap& yMap,
                            const QRectF& canvasRect, int from, int to) const {
    if (to < 0)
        to = int(dataSize()) - 1;
    int runStart = from;
    for (int i = from; i <= to; ++i) {
        if (!std::isnan(sample(size_t(i)).y()))
            continue;
        drawRun(painter, xMap, yMap, canvasRect, runStart, i - 1);
        runStart = i + 1;
    }
    drawRun(painter, xMap, yMap, canvasRect, runStart, to);
}

void TrendCurve::drawRun(QPainter* painter, const QwtScaleMap& xMap, const QwtScaleMap& yMap,
                         const QRectF& canvasRect, int from, int to) const {
    if (to > from) {
        QwtPlotCurve::drawSeries(painter, xMap, yMap, canvasRect, from, to);
    } else if (to == from) {
        // A line of one reading has no length; show it as a dot.
        const QPointF p = sample(size_t(from));
        painter->save();
        QPen dot = pen();
        dot.setWidthF(std::max(3.0, dot.widthF() * 3));
        dot.setCapStyle(Qt::RoundCap);
        painter->setPen(dot);
        painter->drawPoint(QPointF(xMap.transform(p.x()), yMap.transform(p.y())));
        painter->restore();
    }
}
