#include "reading_text.h"

#include <cmath>

QString readingText(double value, int decimals) {
    if (!std::isfinite(value))
        return QString();
    QString text = QString::number(value, 'f', decimals);
    // A value that rounds to zero has no sign: "-0.000" would read as a
    // negative reading that is not there.
    if (text.startsWith(QLatin1Char('-'))) {
        bool zero = true;
        for (int i = 1; i < text.size() && zero; ++i)
            zero = text[i] == QLatin1Char('0') || text[i] == QLatin1Char('.');
        if (zero)
            text.remove(0, 1);
    }
    return text;
}

QString voltageText(double volts, int decimals) {
    return readingText(volts * 1000.0, decimals);
}

QString frequencyText(double hertz, int decimals) {
    return readingText(hertz / 1000.0, decimals);
}
