#include "trend_window_scale_draw.h"

#include <cmath>

QwtText TrendWindowScaleDraw::label(double value) const {
    return QwtText(numberText(value));
}

QString TrendWindowScaleDraw::numberText(double value) {
    if (!std::isfinite(value))
        return QString();
    // Tick values come out of the scale engine's arithmetic (0.30000000000000004,
    // 1e-13 for zero): six decimals are more than any axis step needs.
    QString text = QString::number(value, 'f', 6);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    const bool negative = text.startsWith(QLatin1Char('-'));
    const int point = text.indexOf(QLatin1Char('.'));
    const int integerEnd = point < 0 ? text.size() : point;
    const int integerStart = negative ? 1 : 0;
    for (int at = integerEnd - 3; at > integerStart; at -= 3)
        text.insert(at, QLatin1Char(' '));
    return text;
}
