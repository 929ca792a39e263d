#ifndef TREND_CURVE_H
#define TREND_CURVE_H

#include <QPainter>
#include <QRectF>
#include <qwt_plot_curve.h>
#include <qwt_scale_map.h>

// A plot curve whose samples may hold gap markers (a NaN y): it draws each
// run between two markers as a line of its own, so readings on both sides of
// a gap are never joined.
//
// Threads: GUI thread (it is drawn with its plot).
class TrendCurve : public QwtPlotCurve {
public:
    explicit TrendCurve(const QString& title);

    void drawSeries(QPainter* painter, const QwtScaleMap& xMap, const QwtScaleMap& yMap,
                    const QRectF& canvasRect, int from, int to) const override;

private:
    void drawRun(QPainter* painter, const QwtScaleMap& xMap, const QwtScaleMap& yMap,
                 const QRectF& canvasRect, int from, int to) const;
};

#endif // TREND_CURVE_H
