#include "channel_words.h"

QString rangeText(int code) {
    static const QString texts[4] = {QStringLiteral("10 В"), QStringLiteral("2.5 В"), QStringLiteral("0.6 В"),
                                     QStringLiteral("0.15 В")};
    return code >= 0 && code < 4 ? texts[code] : QString();
}

double rangeFullScale(int code) {
    static const double volts[4] = {10.0, 2.5, 0.6, 0.15};
    return code >= 0 && code < 4 ? volts[code] : 10.0;
}

QString modeText(int modeCode) {
    return modeCode == 1 ? QStringLiteral("Дифференциальный (16 каналов)")
                         : QStringLiteral("С общей землей (32 канала)");
}

const double adcFrequencyTable[5] = {20000, 100000, 400000, 500000, 1000000};

QString adcFrequencyText(double hz) {
    return QStringLiteral("%1 кГц").arg(hz / 1000, 0, 'g', 6);
}
