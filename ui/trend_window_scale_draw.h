#ifndef TREND_WINDOW_SCALE_DRAW_H
#define TREND_WINDOW_SCALE_DRAW_H

#include <QString>
#include <qwt_scale_draw.h>
#include <qwt_text.h>

// The trend chart's value axis: numbers written as the fields and the CSV
// write them, with a point for decimals, and a space between thousands for
// reading large values at a glance ("1 400", "-12 500.5", "0.25"), whatever
// the system's locale.
//
// Threads: GUI thread (it is drawn with its plot); `numberText` any thread.
class TrendWindowScaleDraw : public QwtScaleDraw {
public:
    QwtText label(double value) const override;

    // The text of one tick value: at most six decimals, trailing zeros
    // dropped, no exponent, and no sign on a value that rounds to zero.
    static QString numberText(double value);
};

#endif // TREND_WINDOW_SCALE_DRAW_H
