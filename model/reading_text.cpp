#include "reading_text.h"

QString readingText(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

QString voltageText(double volts, int decimals) {
    return readingText(volts * 1000.0, decimals);
}

QString frequencyText(double hertz, int decimals) {
    return readingText(hertz / 1000.0, decimals);
}
